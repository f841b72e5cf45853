#pragma once

#include "Platform/InstalledApplications.h"

#include <QAbstractListModel>

class ApplicationIconLoader;

// The installed applications as list rows: the localized name, and the icon loaded only when a
// view first asks for that row's decoration, so that a long list opens at once.
class ApplicationListModel : public QAbstractListModel {
    Q_OBJECT

public:
    static constexpr int idRole = Qt::UserRole;

    ApplicationListModel(ApplicationIconLoader& icons, QObject* parent = nullptr);

    void setApplications(QList<InstalledApplication> applications);
    const QList<InstalledApplication>& applications() const { return m_applications; }
    // How many rows had their icon loaded so far.
    int loadedIconCount() const { return m_loadedIcons; }

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;

private:
    ApplicationIconLoader& m_icons;
    QList<InstalledApplication> m_applications;
    mutable QList<QIcon> m_rowIcons;
    mutable int m_loadedIcons = 0;
};
