#include "Views/SnoozeButton.h"

#include "BreakManager/BreakManager.h"
#include "Configuration/ConfigurationManager.h"
#include "Views/DurationText.h"
#include "Views/OstavelButton.h"
#include "Views/OstavelButtonStyle.h"
#include "Views/TimingCurve.h"

#include <QGraphicsOpacityEffect>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QPainter>
#include <QPainterPath>

// The resting face of the control. It never takes the mouse, so the options under it do.
class SnoozeCapsule : public QWidget {
public:
    explicit SnoozeCapsule(QWidget* parent)
        : QWidget(parent)
    {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setFont(style.font());
    }

    QSize sizeHint() const override
    {
        const QFontMetrics metrics(font());
        const OstavelButtonStyle::Padding padding = style.padding();
        return {metrics.horizontalAdvance(text) + 2 * padding.horizontal,
                metrics.height() + 2 * padding.vertical};
    }

    void setOpacity(qreal opacity)
    {
        m_opacity = opacity;
        setVisible(opacity > 0);
        update();
    }

    static inline const QString text = QStringLiteral("Snooze");
    // Looks like a resting white pill button.
    static constexpr OstavelButtonStyle style{OstavelButtonStyle::Size::regular,
                                              OstavelButtonStyle::Shape::pill, false};

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setOpacity(m_opacity);
        const QRectF r = rect();
        QPainterPath capsule;
        capsule.addRoundedRect(r, r.height() / 2, r.height() / 2);
        painter.fillPath(capsule, style.fill(false, false));
        painter.setPen(Qt::white);
        painter.drawText(r, Qt::AlignCenter, text);
    }

private:
    qreal m_opacity = 1;
};

SnoozeButton::SnoozeButton(BreakManager& breakManager, QWidget* parent)
    : QWidget(parent)
    , m_breakManager(breakManager)
{
    const OstavelButtonStyle optionStyle{OstavelButtonStyle::Size::regular,
                                         OstavelButtonStyle::Shape::pill, false};
    m_row = new QWidget(this);
    auto* rowLayout = new QHBoxLayout(m_row);
    rowLayout->setContentsMargins(0, 0, 0, 0);
    rowLayout->setSpacing(8);
    m_configuredOption = new OstavelButton(optionStyle, QString(), m_row);
    m_fiveMinuteOption =
        new OstavelButton(optionStyle, DurationText::snoozeOption(fiveMinutes), m_row);
    for (OstavelButton* option : {m_configuredOption, m_fiveMinuteOption}) {
        option->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
        rowLayout->addWidget(option, 0, Qt::AlignVCenter);
    }
    m_rowOpacity = new QGraphicsOpacityEffect(m_row);
    m_row->setGraphicsEffect(m_rowOpacity);
    // A hidden row keeps its room: the control's footprint is always that of the options.
    QSizePolicy rowPolicy = m_row->sizePolicy();
    rowPolicy.setRetainSizeWhenHidden(true);
    m_row->setSizePolicy(rowPolicy);

    m_capsule = new SnoozeCapsule(this);
    auto* layout = new QGridLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_row, 0, 0, Qt::AlignCenter);
    layout->addWidget(m_capsule, 0, 0, Qt::AlignCenter);
    m_capsule->raise();

    connect(m_configuredOption, &QAbstractButton::clicked, this,
            [this] { snooze(m_configuredSeconds); });
    connect(m_fiveMinuteOption, &QAbstractButton::clicked, this, [this] { snooze(fiveMinutes); });
    connect(&m_breakManager.configManager(), &ConfigurationManager::configChanged, this,
            &SnoozeButton::relabel);
    relabel();

    m_fade.setDuration(fadeMs);
    m_fade.setEasingCurve(TimingCurve::easeInOut());
    connect(&m_fade, &QVariantAnimation::valueChanged, this,
            [this](const QVariant& value) { applyExpansion(value.toReal()); });
    applyExpansion(0);
}

QList<OstavelButton*> SnoozeButton::options() const
{
    return {m_configuredOption, m_fiveMinuteOption};
}

void SnoozeButton::enterEvent(QEnterEvent* event)
{
    QWidget::enterEvent(event);
    setExpanded(true);
}

void SnoozeButton::leaveEvent(QEvent* event)
{
    QWidget::leaveEvent(event);
    setExpanded(false);
}

void SnoozeButton::setExpanded(bool expanded)
{
    if (expanded == m_isExpanded)
        return;
    m_isExpanded = expanded;
    const qreal from = m_fade.state() == QAbstractAnimation::Running
                           ? m_fade.currentValue().toReal()
                           : (expanded ? 0.0 : 1.0);
    m_fade.stop();
    m_fade.setStartValue(from);
    m_fade.setEndValue(expanded ? 1.0 : 0.0);
    m_fade.start();
}

void SnoozeButton::applyExpansion(qreal expansion)
{
    m_rowOpacity->setOpacity(expansion);
    // The effect renders offscreen; only pay for it while fading.
    m_rowOpacity->setEnabled(expansion < 1);
    // Invisible options take no clicks.
    m_row->setVisible(expansion > 0);
    m_capsule->setOpacity(1 - expansion);
}

void SnoozeButton::relabel()
{
    m_configuredSeconds = m_breakManager.configManager().config().sanitized().snoozeDurationSeconds;
    m_configuredOption->setText(DurationText::snoozeOption(m_configuredSeconds));
}

void SnoozeButton::snooze(double seconds)
{
    m_breakManager.snooze(seconds);
}
