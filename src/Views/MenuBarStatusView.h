#pragma once

#include "Views/StatusPanelContent.h"

#include <QWidget>

class BreakBlockerManagerProtocol;
class BreakManager;
class Clock;
class ConfigurationManager;
class QLabel;
class QProgressBar;

// The live panel at the top of the status menu: a title with its symbol, the work or disable
// time, the detail lines and a progress bar. It has no timer: it redraws (once per event-loop
// pass) whenever the engine or the configuration publishes a change, and reads the blockers'
// cached verdict at that moment. At least 240 px wide, it fills the width of its menu. Made afresh
// each time the menu opens; main thread.
class MenuBarStatusView : public QWidget {
    Q_OBJECT

public:
    // The blocker manager may be null (nothing blocks). All must outlive the view.
    MenuBarStatusView(BreakManager& breakManager, ConfigurationManager& configManager,
                      const BreakBlockerManagerProtocol* blockerManager, const Clock& clock,
                      QWidget* parent = nullptr);

    const StatusPanelContent& content() const { return m_content; }
    StatusPanelInput currentInput() const;
    // Redraws at once; published changes call it through scheduleRefresh().
    void refresh();

signals:
    // The panel needs a different size: its menu lays itself out again.
    void sizeHintChanged();
    // What the panel shows changed (after it is drawn).
    void contentChanged();

private slots:
    void scheduleRefresh();

private:
    void applyTone(QLabel* label, StatusPanelContent::Tone tone);

    BreakManager& m_breakManager;
    ConfigurationManager& m_configManager;
    const BreakBlockerManagerProtocol* m_blockerManager;
    const Clock& m_clock;
    StatusPanelContent m_content;
    bool m_refreshPending = false;
    bool m_drawn = false;
    QString m_shownSymbol;
    QSize m_shownSizeHint;

    QLabel* m_symbol = nullptr;
    QLabel* m_title = nullptr;
    QLabel* m_timeLine = nullptr;
    QList<QLabel*> m_details;
    QProgressBar* m_progress = nullptr;
};
