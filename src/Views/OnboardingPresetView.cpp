#include "Views/OnboardingPresetView.h"

#include "Configuration/ConfigurationManager.h"
#include "Views/ProminentButton.h"
#include "Views/SymbolImage.h"
#include "Views/TextStyle.h"

#include <QAbstractButton>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QVBoxLayout>
#include <QVariantAnimation>

namespace {
constexpr int cardIconSize = 20;

QColor mixed(const QColor& from, const QColor& to, qreal t)
{
    return QColor::fromRgbF(float(from.redF() + (to.redF() - from.redF()) * t),
                            float(from.greenF() + (to.greenF() - from.greenF()) * t),
                            float(from.blueF() + (to.blueF() - from.blueF()) * t),
                            float(from.alphaF() + (to.alphaF() - from.alphaF()) * t));
}

QColor withAlpha(QColor color, qreal alpha)
{
    color.setAlphaF(float(alpha));
    return color;
}

// One preset as a selectable card: icon, title with its subtitle, and the description. The fill,
// outline and icon colour fade to the new selection over 0.2 s.
class PresetCard final : public QAbstractButton {
public:
    PresetCard(const OnboardingPresetView::Card& card, QWidget* parent)
        : QAbstractButton(parent)
        , m_iconName(card.icon)
    {
        setCheckable(true);
        setCursor(Qt::PointingHandCursor);
        setAccessibleName(card.title);
        setText(card.title);

        auto* row = new QHBoxLayout(this);
        row->setContentsMargins(12, 12, 12, 12);
        row->setSpacing(14);
        m_icon = new QLabel(this);
        m_icon->setFixedWidth(32);
        m_icon->setAlignment(Qt::AlignCenter);
        row->addWidget(m_icon);

        auto* text = new QVBoxLayout;
        text->setSpacing(2);
        auto* titleRow = new QHBoxLayout;
        titleRow->setSpacing(6);
        auto* title = new QLabel(card.title, this);
        title->setFont(textStyleFont(TextStyle::headline));
        titleRow->addWidget(title);
        auto* subtitle = new QLabel(card.subtitle, this);
        subtitle->setFont(textStyleFont(TextStyle::caption));
        subtitle->setForegroundRole(QPalette::PlaceholderText);
        titleRow->addWidget(subtitle);
        titleRow->addStretch(1);
        text->addLayout(titleRow);
        auto* description = new QLabel(card.description, this);
        description->setFont(textStyleFont(TextStyle::caption));
        description->setForegroundRole(QPalette::PlaceholderText);
        description->setWordWrap(true);
        text->addWidget(description);
        row->addLayout(text, 1);

        m_fade.setDuration(200);
        m_fade.setEasingCurve(QEasingCurve::InOutQuad);
        m_fade.setStartValue(0.0);
        m_fade.setEndValue(1.0);
        QObject::connect(&m_fade, &QVariantAnimation::valueChanged, this,
                         [this](const QVariant& value) { setSelection(value.toReal()); });
        QObject::connect(this, &QAbstractButton::toggled, this, [this](bool on) {
            m_fade.stop();
            m_fade.setStartValue(m_selection);
            m_fade.setEndValue(on ? 1.0 : 0.0);
            m_fade.start();
        });
        setSelection(0.0);
    }

    void setCheckedAtOnce(bool on)
    {
        const QSignalBlocker blocker(this);
        setChecked(on);
        setSelection(on ? 1.0 : 0.0);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const QColor accent = palette().color(QPalette::Highlight);
        const QColor secondary = palette().color(QPalette::PlaceholderText);
        const qreal lineWidth = 1.0 + m_selection;
        const QRectF box =
            QRectF(rect()).adjusted(lineWidth / 2, lineWidth / 2, -lineWidth / 2, -lineWidth / 2);
        QPainterPath path;
        path.addRoundedRect(box, 10, 10);
        painter.fillPath(path, withAlpha(accent, 0.08 * m_selection));
        painter.setPen(QPen(mixed(withAlpha(secondary, 0.3), accent, m_selection), lineWidth));
        painter.drawPath(path);
        if (hasFocus()) {
            painter.setPen(QPen(withAlpha(accent, 0.6), 1, Qt::DotLine));
            painter.drawRoundedRect(box.adjusted(3, 3, -3, -3), 8, 8);
        }
    }

private:
    void setSelection(qreal selection)
    {
        m_selection = selection;
        const QColor color = mixed(palette().color(QPalette::PlaceholderText),
                                   palette().color(QPalette::Highlight), selection);
        m_icon->setPixmap(QPixmap::fromImage(
            SymbolImage::render(m_iconName, cardIconSize, color, devicePixelRatioF())));
        update();
    }

    QString m_iconName;
    QLabel* m_icon = nullptr;
    QVariantAnimation m_fade;
    qreal m_selection = 0.0;
};
} // namespace

const std::array<OnboardingPresetView::Card, 3>& OnboardingPresetView::cards()
{
    static const std::array<Card, 3> table{{
        {TimingPreset::balanced, QStringLiteral("Balanced"),
         QStringLiteral("Work 35 min, break 40s"),
         QStringLiteral("A good starting point for most people. Regular breaks without "
                        "interrupting your flow."),
         QStringLiteral("scalemass")},
        {TimingPreset::frequentBreaks, QStringLiteral("Frequent Breaks"),
         QStringLiteral("Work 25 min, break 30s"),
         QStringLiteral("Shorter work sessions with more frequent breaks. Great for reducing eye "
                        "strain."),
         QStringLiteral("timer")},
        {TimingPreset::deepFocus, QStringLiteral("Deep Focus"),
         QStringLiteral("Work 45 min, break 1 min"),
         QStringLiteral("Longer uninterrupted sessions for deep work. Longer breaks to fully "
                        "recharge."),
         QStringLiteral("brain.head.profile")},
    }};
    return table;
}

OnboardingPresetView::OnboardingPresetView(ConfigurationManager& configManager,
                                           std::function<void()> onComplete, QWidget* parent)
    : QWidget(parent)
    , m_configManager(configManager)
    , m_onComplete(std::move(onComplete))
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(40, 40, 40, 40);
    layout->setSpacing(24);
    layout->addStretch(1);

    auto* heading = new QLabel(QStringLiteral("Choose Your Schedule"), this);
    QFont headingFont = textStyleFont(TextStyle::title);
    headingFont.setBold(true);
    heading->setFont(headingFont);
    heading->setAlignment(Qt::AlignCenter);
    layout->addWidget(heading);

    auto* hint = new QLabel(
        QStringLiteral("Pick a starting point \u2014 you can always fine-tune in Settings."), this);
    hint->setFont(textStyleFont(TextStyle::body));
    hint->setForegroundRole(QPalette::PlaceholderText);
    hint->setAlignment(Qt::AlignCenter);
    hint->setWordWrap(true);
    hint->setFixedWidth(400);
    layout->addWidget(hint, 0, Qt::AlignHCenter);

    auto* cardStack = new QVBoxLayout;
    cardStack->setContentsMargins(20, 0, 20, 0);
    cardStack->setSpacing(12);
    for (const Card& card : cards()) {
        auto* button = new PresetCard(card, this);
        button->setCheckedAtOnce(card.preset == m_selected);
        // Pressing the selected card keeps it selected.
        connect(button, &QAbstractButton::clicked, this,
                [this, preset = card.preset] { select(preset); });
        cardStack->addWidget(button);
        m_cards.append(button);
    }
    layout->addLayout(cardStack);

    m_getStarted = new QPushButton(QStringLiteral("Get Started"), this);
    m_getStarted->setDefault(true);
    m_getStarted->setMinimumSize(140, 32);
    QFont buttonFont = m_getStarted->font();
    buttonFont.setPixelSize(14);
    m_getStarted->setFont(buttonFont);
    makeProminent(m_getStarted);
    connect(m_getStarted, &QPushButton::clicked, this, &OnboardingPresetView::getStarted);
    layout->addWidget(m_getStarted, 0, Qt::AlignHCenter);
    layout->addStretch(1);
    setFocusProxy(m_getStarted);
}

QAbstractButton* OnboardingPresetView::cardButton(TimingPreset preset) const
{
    const auto& table = cards();
    for (qsizetype i = 0; i < qsizetype(table.size()); ++i) {
        if (table[size_t(i)].preset == preset)
            return m_cards.value(i);
    }
    return nullptr;
}

void OnboardingPresetView::select(TimingPreset preset)
{
    m_selected = preset;
    const auto& table = cards();
    for (qsizetype i = 0; i < m_cards.size(); ++i)
        m_cards[i]->setChecked(table[size_t(i)].preset == preset);
}

void OnboardingPresetView::getStarted()
{
    Configuration config = m_configManager.config();
    applyTimingPreset(m_selected, config);
    m_configManager.setConfig(config);
    if (m_onComplete)
        m_onComplete();
}
