#include "Views/SettingsView.h"

#include "Configuration/ConfigurationManager.h"
#include "Views/OthersTab.h"
#include "Views/SmartFocusTab.h"
#include "Views/SymbolImage.h"
#include "Views/TimingTab.h"

#include <QLabel>
#include <QScrollArea>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {
QScrollArea* scrolling(QWidget* content)
{
    auto* area = new QScrollArea;
    area->setWidget(content);
    area->setWidgetResizable(true);
    area->setFrameShape(QFrame::NoFrame);
    area->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    return area;
}
} // namespace

SettingsView::SettingsView(ConfigurationManager& configManager,
                           SparkleUpdaterManager* sparkleUpdater, SettingsEnvironment environment,
                           QWidget* parent)
    : QWidget(parent)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 8);
    // Edits still reach the running engine when the store refuses them; say that they will not
    // survive a restart, for as long as saving fails.
    m_saveNotice = new QLabel(
        QStringLiteral("Changes could not be saved and apply only until Ostavel quits."), this);
    m_saveNotice->setTextFormat(Qt::PlainText);
    m_saveNotice->setWordWrap(true);
    m_saveNotice->setVisible(configManager.saveFailed());
    connect(&configManager, &ConfigurationManager::saveFailedChanged, m_saveNotice,
            &QLabel::setVisible);
    layout->addWidget(m_saveNotice);
    m_tabs = new QTabWidget(this);
    m_tabs->setDocumentMode(true);
    m_timingTab = new TimingTab(configManager);
    m_smartFocusTab = new SmartFocusTab(configManager, environment);
    m_othersTab = new OthersTab(configManager, sparkleUpdater, environment.loginItem);
    const QColor symbolColor = palette().color(QPalette::WindowText);
    m_tabs->addTab(scrolling(m_timingTab),
                   SymbolImage::icon(QStringLiteral("clock"), symbolColor, {16, 32}),
                   QStringLiteral("Timing"));
    m_tabs->addTab(scrolling(m_smartFocusTab),
                   SymbolImage::icon(QStringLiteral("brain.head.profile"), symbolColor, {16, 32}),
                   QStringLiteral("Smart Focus"));
    m_tabs->addTab(scrolling(m_othersTab),
                   SymbolImage::icon(QStringLiteral("gearshape"), symbolColor, {16, 32}),
                   QStringLiteral("Others"));
    layout->addWidget(m_tabs);
    connect(m_tabs, &QTabWidget::currentChanged, this, [this](int index) {
        if (index == 2)
            m_othersTab->refreshLaunchAtLogin();
    });
}

SettingsView::~SettingsView() = default;

void SettingsView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    // The login item can change behind our back (another tool, the desktop's own settings).
    m_othersTab->refreshLaunchAtLogin();
}
