#include "Views/MenuBarStatusView.h"

#include "BreakManager/BreakBlockerManagerProtocol.h"
#include "BreakManager/BreakManager.h"
#include "Configuration/ConfigurationManager.h"
#include "Platform/Clock.h"
#include "Views/SymbolImage.h"
#include "Views/TextStyle.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMetaMethod>
#include <QProgressBar>
#include <QVBoxLayout>
#include <cmath>

namespace {
constexpr int panelWidth = 240;
constexpr int progressSteps = 1000;
const QColor systemRed(255, 59, 48);
const QColor systemOrange(255, 149, 0);
const QColor systemGreen(52, 199, 89);

QColor tintColor(StatusPanelContent::Tint tint, const QPalette& palette)
{
    switch (tint) {
    case StatusPanelContent::Tint::accent:
        return palette.color(QPalette::Highlight);
    case StatusPanelContent::Tint::orange:
        return systemOrange;
    case StatusPanelContent::Tint::red:
        return systemRed;
    case StatusPanelContent::Tint::green:
        return systemGreen;
    }
    return palette.color(QPalette::Highlight);
}
} // namespace

MenuBarStatusView::MenuBarStatusView(BreakManager& breakManager,
                                     ConfigurationManager& configManager,
                                     const BreakBlockerManagerProtocol* blockerManager,
                                     const Clock& clock, QWidget* parent)
    : QWidget(parent)
    , m_breakManager(breakManager)
    , m_configManager(configManager)
    , m_blockerManager(blockerManager)
    , m_clock(clock)
{
    // Filling the menu's width keeps the bar centred however wide the items make the menu.
    setMinimumWidth(panelWidth);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(14, 8, 14, 8);
    layout->setSpacing(8);
    layout->setAlignment(Qt::AlignHCenter);

    auto* titleRow = new QHBoxLayout;
    titleRow->setSpacing(6);
    m_symbol = new QLabel(this);
    m_title = new QLabel(this);
    m_title->setObjectName(QStringLiteral("title"));
    m_title->setTextFormat(Qt::PlainText);
    m_title->setFont(textStyleFont(TextStyle::headline));
    titleRow->addStretch();
    titleRow->addWidget(m_symbol);
    titleRow->addWidget(m_title);
    titleRow->addStretch();
    layout->addLayout(titleRow);

    auto addLine = [this, layout](const QString& name) {
        auto* label = new QLabel(this);
        label->setObjectName(name);
        // Blocker names come from other programs' window classes and desktop entries.
        label->setTextFormat(Qt::PlainText);
        label->setFont(textStyleFont(TextStyle::caption));
        label->setAlignment(Qt::AlignHCenter);
        layout->addWidget(label);
        return label;
    };
    m_timeLine = addLine(QStringLiteral("timeLine"));
    m_details = {addLine(QStringLiteral("detail0")), addLine(QStringLiteral("detail1"))};

    m_progress = new QProgressBar(this);
    m_progress->setObjectName(QStringLiteral("progress"));
    m_progress->setRange(0, progressSteps);
    m_progress->setTextVisible(false);
    m_progress->setFixedHeight(6);
    layout->addWidget(m_progress);

    // Every published value of the engine, and the configuration, redraws the panel.
    const QMetaObject* meta = m_breakManager.metaObject();
    const QMetaMethod refreshSlot =
        metaObject()->method(metaObject()->indexOfMethod("scheduleRefresh()"));
    for (int i = meta->propertyOffset(); i < meta->propertyCount(); ++i) {
        const QMetaProperty property = meta->property(i);
        if (property.hasNotifySignal())
            connect(&m_breakManager, property.notifySignal(), this, refreshSlot);
    }
    connect(&m_configManager, &ConfigurationManager::configChanged, this,
            &MenuBarStatusView::scheduleRefresh);
    refresh();
}

StatusPanelInput MenuBarStatusView::currentInput() const
{
    // The lengths the engine runs on, not nonsense a hand-edited store may hold.
    const Configuration config = m_configManager.config().sanitized();
    StatusPanelInput in;
    in.state = m_breakManager.state();
    in.accumulatedWorkTime = m_breakManager.accumulatedWorkTime();
    in.snoozedTime = m_breakManager.snoozedTime();
    in.breakTimeRemaining = m_breakManager.breakTimeRemaining();
    in.timeUntilBreak = m_breakManager.timeUntilBreak();
    in.completedBreakCount = m_breakManager.completedBreakCount();
    in.isLongBreak = m_breakManager.isLongBreak();
    in.isSnoozed = m_breakManager.isSnoozed();
    in.isOnNaturalBreak = m_breakManager.isOnNaturalBreak();
    in.disableEndDate = m_breakManager.disableEndDate();
    if (m_blockerManager) {
        in.blocked = m_blockerManager->isActive();
        in.blockerNames = m_blockerManager->activeBlockerNames();
    }
    in.workDurationSeconds = config.workDurationSeconds;
    in.breakDurationSeconds = config.breakDurationSeconds;
    in.longBreakDurationSeconds = config.longBreakDurationSeconds;
    in.longBreakEnabled = config.longBreakEnabled;
    in.longBreakIntervalBreaks = config.longBreakIntervalBreaks;
    in.now = m_clock.now();
    return in;
}

void MenuBarStatusView::scheduleRefresh()
{
    // One tick changes several values; draw once after all of them.
    if (m_refreshPending)
        return;
    m_refreshPending = true;
    QMetaObject::invokeMethod(this, &MenuBarStatusView::refresh, Qt::QueuedConnection);
}

void MenuBarStatusView::applyTone(QLabel* label, StatusPanelContent::Tone tone)
{
    QPalette palette = this->palette();
    QColor color = palette.color(QPalette::WindowText);
    switch (tone) {
    case StatusPanelContent::Tone::secondary:
        color.setAlphaF(0.6f);
        break;
    case StatusPanelContent::Tone::red:
        color = systemRed;
        break;
    case StatusPanelContent::Tone::orange:
        color = systemOrange;
        break;
    }
    palette.setColor(QPalette::WindowText, color);
    label->setPalette(palette);
}

void MenuBarStatusView::refresh()
{
    m_refreshPending = false;
    const StatusPanelContent content = StatusPanelContent::make(currentInput());
    if (m_drawn && content == m_content)
        return;
    m_drawn = true;
    m_content = content;

    if (content.symbol != m_shownSymbol) {
        m_shownSymbol = content.symbol;
        m_symbol->setPixmap(QPixmap::fromImage(SymbolImage::render(
            content.symbol, 16, palette().color(QPalette::WindowText), devicePixelRatioF())));
    }
    m_title->setText(content.title);

    m_timeLine->setText(content.timeLine);
    m_timeLine->setVisible(!content.timeLine.isEmpty());
    applyTone(m_timeLine, StatusPanelContent::Tone::secondary);

    for (qsizetype i = 0; i < m_details.size(); ++i) {
        QLabel* label = m_details[i];
        const bool present = i < content.details.size();
        label->setVisible(present);
        if (present) {
            label->setText(content.details[i].text);
            applyTone(label, content.details[i].tone);
        }
    }

    m_progress->setVisible(content.progress.has_value());
    if (content.progress) {
        m_progress->setValue(int(std::lround(content.progress->value * progressSteps)));
        QPalette palette = m_progress->palette();
        palette.setColor(QPalette::Highlight, tintColor(content.progress->tint, this->palette()));
        m_progress->setPalette(palette);
    }
    // In an open menu the menu gives the panel the full width of its row; resizing it to its own
    // hint there would narrow it again and leave its content off-centre.
    if (!isVisible())
        adjustSize();
    if (sizeHint() != m_shownSizeHint) {
        m_shownSizeHint = sizeHint();
        emit sizeHintChanged();
    }
    emit contentChanged();
}
