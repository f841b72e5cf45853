#include "Views/ApplicationListModel.h"

#include "Views/ApplicationIconLoader.h"

ApplicationListModel::ApplicationListModel(ApplicationIconLoader& icons, QObject* parent)
    : QAbstractListModel(parent)
    , m_icons(icons)
{
}

void ApplicationListModel::setApplications(QList<InstalledApplication> applications)
{
    beginResetModel();
    m_applications = std::move(applications);
    m_rowIcons = QList<QIcon>(m_applications.size());
    m_loadedIcons = 0;
    endResetModel();
}

int ApplicationListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_applications.size());
}

QVariant ApplicationListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= m_applications.size())
        return {};
    const InstalledApplication& app = m_applications[index.row()];
    switch (role) {
    case Qt::DisplayRole:
        return app.name;
    case Qt::ToolTipRole:
    case idRole:
        return app.id;
    case Qt::DecorationRole: {
        QIcon& icon = m_rowIcons[index.row()];
        if (icon.isNull()) {
            icon = m_icons.icon(app.iconName);
            ++m_loadedIcons;
        }
        return icon;
    }
    default:
        return {};
    }
}
