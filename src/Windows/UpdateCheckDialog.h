#pragma once

#include "Services/Update/UpdateCheckResult.h"

#include <QDialog>

class QLabel;
class QProgressBar;
class QPushButton;

// The manual check's window: a busy bar while the check runs, then its result in words.
class UpdateCheckDialog : public QDialog {
    Q_OBJECT

public:
    explicit UpdateCheckDialog(QWidget* parent = nullptr);

    void showProgress();
    // For "up to date" and "failed"; an available update gets its own prompt.
    void showResult(const UpdateCheckResult& result);

    bool isShowingProgress() const;
    QLabel* titleLabel() const { return m_title; }
    QLabel* detailLabel() const { return m_detail; }
    QPushButton* button() const { return m_button; }

private:
    QLabel* m_title = nullptr;
    QLabel* m_detail = nullptr;
    QProgressBar* m_progress = nullptr;
    QPushButton* m_button = nullptr;
};
