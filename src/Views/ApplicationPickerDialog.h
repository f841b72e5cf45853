#pragma once

#include "Configuration/AppEntry.h"
#include "Platform/InstalledApplications.h"

#include <QDialog>
#include <QFutureWatcher>
#include <memory>
#include <optional>

class ApplicationIconLoader;
class ApplicationListModel;
class QLineEdit;
class QListView;
class QPushButton;
class QSortFilterProxyModel;

// "Select Application": a searchable list of the installed applications, each with its icon and
// name. Non-modal and kept above its parent window. The list is read off the main thread, so
// the dialog opens at once. picked() comes exactly once, when it closes: with the chosen
// application, or with nothing.
class ApplicationPickerDialog : public QDialog {
    Q_OBJECT

public:
    // `applications` may be null (nothing to offer).
    ApplicationPickerDialog(std::shared_ptr<const InstalledApplications> applications,
                            QStringList pixmapDirs, QWidget* parent = nullptr);
    ~ApplicationPickerDialog() override;

    // Fills the list at once, in place of the background read.
    void setApplications(QList<InstalledApplication> applications);

    QLineEdit* searchField() const { return m_search; }
    QListView* listView() const { return m_list; }
    QPushButton* addButton() const { return m_add; }
    ApplicationListModel* model() const { return m_model; }
    // Selects the first shown row with this id; false when it is not shown.
    bool selectApplication(const QString& id);

signals:
    void applicationsLoaded();
    void picked(const std::optional<AppEntry>& entry);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void onFinished(int result);
    void updateAddButton();

    std::unique_ptr<ApplicationIconLoader> m_icons;
    ApplicationListModel* m_model = nullptr;
    QSortFilterProxyModel* m_filter = nullptr;
    QFutureWatcher<QList<InstalledApplication>> m_loading;
    QLineEdit* m_search = nullptr;
    QListView* m_list = nullptr;
    QPushButton* m_add = nullptr;
    bool m_reported = false;
};
