#pragma once

#include "Services/Update/UpdateCheckResult.h"

#include <QDialog>

class QLabel;
class QPlainTextEdit;
class QPushButton;

// Offers one update: the new version, its notes as plain text, and three choices. Closing the
// window counts as "remind me later".
class UpdatePromptDialog : public QDialog {
    Q_OBJECT

public:
    enum class Choice { download, skip, later };

    UpdatePromptDialog(const UpdateOffer& offer, const QString& currentVersion,
                       QWidget* parent = nullptr);

    const UpdateOffer& offer() const { return m_offer; }
    // The feed's notes as the user sees them.
    static QString plainNotes(const UpdateOffer& offer);

    QPushButton* downloadButton() const { return m_download; }
    QPushButton* skipButton() const { return m_skip; }
    QPushButton* laterButton() const { return m_later; }
    QPlainTextEdit* notesView() const { return m_notes; }
    QLabel* messageLabel() const { return m_message; }

signals:
    void chosen(UpdatePromptDialog::Choice choice);

protected:
    void reject() override;

private:
    void choose(Choice choice);

    UpdateOffer m_offer;
    QLabel* m_message = nullptr;
    QPlainTextEdit* m_notes = nullptr;
    QPushButton* m_download = nullptr;
    QPushButton* m_skip = nullptr;
    QPushButton* m_later = nullptr;
    bool m_chosen = false;
};
