#include "Views/AppListView.h"

#include "Views/SymbolImage.h"
#include "Views/TextStyle.h"

#include <QHBoxLayout>
#include <QHash>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
constexpr int iconSize = 20;

// Flatpaks go by their reverse-DNS application id, which has three parts at least; the other
// packagings of the built-in lists by a plain desktop-entry name.
bool isFlatpakId(const QString& id)
{
    const QStringList parts = id.split(QLatin1Char('.'));
    return parts.size() >= 3 && !parts.contains(QString());
}
} // namespace

AppListView::AppListView(IconForId iconFor, QWidget* parent)
    : QWidget(parent)
    , m_iconFor(std::move(iconFor))
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(6);
    m_rows = new QVBoxLayout;
    m_rows->setSpacing(6);
    layout->addLayout(m_rows);
    m_addButton = new QPushButton(QStringLiteral("Add App..."), this);
    connect(m_addButton, &QPushButton::clicked, this, &AppListView::addRequested);
    auto* addRow = new QHBoxLayout;
    addRow->addWidget(m_addButton);
    addRow->addStretch(1);
    layout->addLayout(addRow);
}

void AppListView::setApps(const QList<AppEntry>& apps)
{
    if (apps == m_apps && m_rowWidgets.size() == apps.size())
        return;
    m_apps = apps;
    rebuild();
}

void AppListView::rebuild()
{
    qDeleteAll(m_rowWidgets);
    m_rowWidgets.clear();
    m_removeButtons.clear();
    m_captions.clear();
    QHash<QString, int> rowsPerName;
    for (const AppEntry& entry : std::as_const(m_apps))
        ++rowsPerName[entry.displayName];
    const QIcon removeIcon =
        SymbolImage::icon(QStringLiteral("minus.circle.fill"), QColor(0xff, 0x3b, 0x30), {16});
    for (const AppEntry& entry : std::as_const(m_apps)) {
        auto* row = new QWidget(this);
        auto* layout = new QHBoxLayout(row);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->setSpacing(8);
        auto* icon = new QLabel(row);
        icon->setObjectName(QStringLiteral("icon"));
        icon->setFixedSize(iconSize, iconSize);
        icon->setAlignment(Qt::AlignCenter);
        icon->setPixmap(m_iconFor(entry.bundleIdentifier).pixmap(iconSize, iconSize));
        auto* name = new QLabel(entry.displayName, row);
        name->setTextFormat(Qt::PlainText);
        name->setToolTip(entry.bundleIdentifier);
        QLabel* caption = nullptr;
        if (rowsPerName.value(entry.displayName) > 1) {
            caption = new QLabel(isFlatpakId(entry.bundleIdentifier) ? QStringLiteral("Flatpak")
                                                                     : entry.bundleIdentifier,
                                 row);
            caption->setTextFormat(Qt::PlainText);
            caption->setFont(textStyleFont(TextStyle::caption));
            caption->setForegroundRole(QPalette::PlaceholderText);
        }
        auto* remove = new QPushButton(row);
        remove->setIcon(removeIcon);
        remove->setFlat(true);
        remove->setFixedSize(22, 22);
        remove->setCursor(Qt::PointingHandCursor);
        remove->setAccessibleName(QStringLiteral("Remove %1").arg(entry.displayName));
        connect(remove, &QPushButton::clicked, this,
                [this, entry] { emit removeRequested(entry); });
        layout->addWidget(icon);
        layout->addWidget(name);
        if (caption)
            layout->addWidget(caption);
        layout->addStretch(1);
        layout->addWidget(remove);
        m_rows->addWidget(row);
        m_rowWidgets.append(row);
        m_removeButtons.append(remove);
        m_captions.append(caption);
    }
}

void AppListView::refreshIcons()
{
    for (int i = 0; i < m_rowWidgets.size(); ++i) {
        if (auto* icon = m_rowWidgets[i]->findChild<QLabel*>(QStringLiteral("icon")))
            icon->setPixmap(m_iconFor(m_apps[i].bundleIdentifier).pixmap(iconSize, iconSize));
    }
}
