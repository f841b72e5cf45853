#include "Windows/SettingsWindowController.h"

#include "Views/SettingsView.h"
#include "Views/ToolWindowType.h"

#include <QGuiApplication>
#include <QPixmapCache>
#include <QScreen>
#include <QVBoxLayout>
#include <malloc.h>

SettingsWindowController::SettingsWindowController(ConfigurationManager& configManager,
                                                   SparkleUpdaterManager* sparkleUpdater,
                                                   SettingsEnvironment environment)
    : m_configManager(configManager)
    , m_sparkleUpdater(sparkleUpdater)
    , m_environment(std::move(environment))
{
}

SettingsWindowController::~SettingsWindowController()
{
    delete m_window;
}

SettingsView* SettingsWindowController::view() const
{
    return m_window ? m_window->findChild<SettingsView*>() : nullptr;
}

void SettingsWindowController::show()
{
    if (m_window && m_window->isVisible()) {
        m_window->raise();
        m_window->activateWindow();
        return;
    }
    delete m_window;

    auto* window = new QWidget(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                                            Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint);
    window->setWindowTitle(QStringLiteral("Ostavel Settings"));
    // Closing frees the window and its view; nothing of it stays in memory.
    window->setAttribute(Qt::WA_DeleteOnClose);
    QObject::connect(window, &QObject::destroyed, [] {
        // What the window's style drew is cached for reuse; nobody reuses it once it is gone.
        QPixmapCache::clear();
        // Hand the freed heap back, so that a closed window really costs nothing.
        malloc_trim(0);
    });
    window->setFixedSize(windowWidth, windowHeight);
    auto* layout = new QVBoxLayout(window);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(new SettingsView(m_configManager, m_sparkleUpdater, m_environment, window));

    const QScreen* screen = QGuiApplication::primaryScreen();
    if (screen) {
        QRect frame(QPoint(), window->size());
        frame.moveCenter(screen->availableGeometry().center());
        window->move(frame.topLeft());
    }
    m_window = window;
    ToolWindowType::apply(*window);
    window->show();
    window->raise();
    window->activateWindow();
}

void SettingsWindowController::dismiss()
{
    if (m_window)
        m_window->close();
}
