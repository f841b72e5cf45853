#pragma once

#include "Configuration/AppEntry.h"

#include <QIcon>
#include <QList>
#include <QWidget>
#include <functional>

class QLabel;
class QPushButton;
class QVBoxLayout;

// The rows of one application list (icon, stored name, remove button) and "Add App..." under
// them. Rows that share a name carry a caption after it that tells them apart: "Flatpak" for a
// reverse-DNS id, else the id itself. It only reports what the user asked for; the owner edits
// the configuration.
class AppListView : public QWidget {
    Q_OBJECT

public:
    using IconForId = std::function<QIcon(const QString& bundleIdentifier)>;

    explicit AppListView(IconForId iconFor, QWidget* parent = nullptr);

    // Rebuilds the rows when `apps` differs from what they show.
    void setApps(const QList<AppEntry>& apps);
    const QList<AppEntry>& apps() const { return m_apps; }
    // Asks for every row's icon again (once the installed applications are known).
    void refreshIcons();

    QPushButton* addButton() const { return m_addButton; }
    QPushButton* removeButton(int row) const { return m_removeButtons.value(row); }
    // Null for a row whose name no other row has.
    QLabel* captionLabel(int row) const { return m_captions.value(row); }

signals:
    void removeRequested(const AppEntry& entry);
    void addRequested();

private:
    void rebuild();

    IconForId m_iconFor;
    QList<AppEntry> m_apps;
    QVBoxLayout* m_rows = nullptr;
    QList<QWidget*> m_rowWidgets;
    QList<QPushButton*> m_removeButtons;
    QList<QLabel*> m_captions;
    QPushButton* m_addButton = nullptr;
};
