#include "Views/TimingTab.h"

#include "Configuration/ConfigurationManager.h"
#include "Views/ConfigurationEdit.h"
#include "Views/CountStepper.h"
#include "Views/DisclosureGroup.h"
#include "Views/FocusWheel.h"
#include "Views/FormSection.h"
#include "Views/SliderRow.h"
#include "Views/SymbolImage.h"
#include "Views/TextStyle.h"
#include "Views/ToggleSwitch.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
struct PresetLook {
    QString title;
    QString symbol;
};

PresetLook presetLook(TimingPreset preset)
{
    switch (preset) {
    case TimingPreset::balanced:
        return {QStringLiteral("Balanced"), QStringLiteral("scalemass")};
    case TimingPreset::frequentBreaks:
        return {QStringLiteral("Frequent Breaks"), QStringLiteral("timer")};
    case TimingPreset::deepFocus:
        return {QStringLiteral("Deep Focus"), QStringLiteral("brain.head.profile")};
    }
    return {};
}

} // namespace

TimingTab::TimingTab(ConfigurationManager& configManager, QWidget* parent)
    : QWidget(parent)
    , m_configManager(configManager)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(12, 12, 12, 12);
    layout->setSpacing(16);

    auto* customize = new FormSection(QStringLiteral("Customize"), this);
    auto* presets = new QHBoxLayout;
    presets->setSpacing(8);
    for (TimingPreset preset : allTimingPresets()) {
        QPushButton* button = makePresetButton(preset);
        m_presetButtons.insert(preset, button);
        presets->addWidget(button, 1);
    }
    customize->addRow(presets);
    layout->addWidget(customize);

    auto* main = new FormSection({}, this);
    main->addRow(addSlider(QStringLiteral("Work Duration"),
                           QStringLiteral("How long you work before a break reminder"),
                           &Configuration::workDurationSeconds, 60, 7200, 60));
    main->addRow(addSlider(QStringLiteral("Break Duration"),
                           QStringLiteral("How long each break lasts"),
                           &Configuration::breakDurationSeconds, 10, 180, 10));

    m_advanced = new DisclosureGroup(QStringLiteral("Advanced"), true);
    QVBoxLayout* advanced = m_advanced->contentLayout();
    advanced->addSpacing(4);
    advanced->addWidget(addSlider(QStringLiteral("Snooze Duration"),
                                  QStringLiteral("Extra work time added when you snooze a break"),
                                  &Configuration::snoozeDurationSeconds, 10, 300, 10));
    advanced->addWidget(addSlider(QStringLiteral("Break Alert"),
                                  QStringLiteral("Heads-up countdown before a break starts"),
                                  &Configuration::preAlertDurationSeconds, 5, 60, 5));
    advanced->addWidget(
        addSlider(QStringLiteral("Cursor Alert"),
                  QStringLiteral("Cursor-following countdown before a break (0 = off)"),
                  &Configuration::cursorAlertDurationSeconds, 0, 60, 5));
    advanced->addWidget(
        addSlider(QStringLiteral("Idle Threshold"),
                  QStringLiteral("Seconds of inactivity before the work timer pauses"),
                  &Configuration::idleThresholdSeconds, 5, 60, 5));
    advanced->addWidget(addSlider(QStringLiteral("Natural Break"),
                                  QStringLiteral("Idle duration that counts as a completed break"),
                                  &Configuration::naturalBreakSeconds, 5, 300, 10));
    auto* divider = new QFrame;
    divider->setFrameShape(QFrame::HLine);
    divider->setFrameShadow(QFrame::Sunken);
    advanced->addWidget(divider);

    m_longBreakSwitch = new ToggleSwitch;
    connect(m_longBreakSwitch, &ToggleSwitch::clicked, this, [this](bool on) {
        editConfiguration(m_configManager, [on](Configuration& c) { c.longBreakEnabled = on; });
    });
    advanced->addWidget(FormSection::controlRow(
        QStringLiteral("Long Breaks"), m_longBreakSwitch,
        QStringLiteral("Take a longer break after completing several regular breaks to recharge")));
    m_longBreakDuration = addSlider(QStringLiteral("Long Break Duration"),
                                    QStringLiteral("How long each long break lasts"),
                                    &Configuration::longBreakDurationSeconds, 60, 900, 30);
    advanced->addWidget(m_longBreakDuration);

    m_intervalStepper = new FocusWheel<CountStepper>(1, 10);
    m_intervalStepper->setFocusPolicy(Qt::StrongFocus);
    m_intervalStepper->setSingleStep(1);
    m_intervalStepper->setSuffix(QStringLiteral(" breaks"));
    m_intervalStepper->setAlignment(Qt::AlignRight);
    connect(m_intervalStepper, &CountStepper::valueEdited, this, [this](int breaks) {
        editConfiguration(m_configManager,
                          [breaks](Configuration& c) { c.longBreakIntervalBreaks = breaks; });
    });
    m_intervalRow =
        FormSection::controlRow(QStringLiteral("Long Break After"), m_intervalStepper,
                                QStringLiteral("Number of regular breaks before a long break"));
    advanced->addWidget(m_intervalRow);
    main->addRow(m_advanced);
    layout->addWidget(main);
    layout->addStretch(1);

    connect(&m_configManager, &ConfigurationManager::configChanged, this, &TimingTab::refresh);
    refresh(m_configManager.config());
}

SliderRow* TimingTab::addSlider(const QString& label, const QString& tooltip,
                                double Configuration::*field, double minimum, double maximum,
                                double step)
{
    auto* row = new SliderRow(label, tooltip, minimum, maximum, step);
    m_sliders.append(row);
    m_sliderFields.insert(row, field);
    connect(row, &SliderRow::valueEdited, this, [this, field](double value) {
        editConfiguration(m_configManager, [field, value](Configuration& c) { c.*field = value; });
    });
    return row;
}

SliderRow* TimingTab::sliderRow(const QString& label) const
{
    for (SliderRow* row : m_sliders) {
        if (row->labelText() == label)
            return row;
    }
    return nullptr;
}

QPushButton* TimingTab::makePresetButton(TimingPreset preset)
{
    const PresetLook look = presetLook(preset);
    auto* button = new QPushButton(look.title);
    button->setObjectName(timingPresetRawValue(preset));
    const QColor color = palette().color(QPalette::ButtonText);
    button->setIcon(SymbolImage::icon(look.symbol, color, {14}));
    button->setCursor(Qt::PointingHandCursor);
    button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    connect(button, &QPushButton::clicked, this, [this, preset] {
        editConfiguration(m_configManager,
                          [preset](Configuration& c) { applyTimingPreset(preset, c); });
    });
    setPresetButtonActive(button, false);
    return button;
}

bool TimingTab::isPresetButtonActive(TimingPreset preset) const
{
    const QPushButton* button = m_presetButtons.value(preset);
    return button && button->property("active").toBool();
}

void TimingTab::setPresetButtonActive(QPushButton* button, bool active)
{
    if (button->property("active").isValid() && button->property("active").toBool() == active)
        return;
    button->setProperty("active", active);
    QFont font = textStyleFont(TextStyle::caption);
    font.setWeight(active ? QFont::DemiBold : QFont::Normal);
    button->setFont(font);
    const QColor accent = palette().color(QPalette::Highlight);
    const QString fill = active ? QStringLiteral("rgba(%1, %2, %3, 38)")
                                      .arg(accent.red())
                                      .arg(accent.green())
                                      .arg(accent.blue())
                                : QStringLiteral("transparent");
    button->setStyleSheet(QStringLiteral("QPushButton { background: %1; border: 1px solid "
                                         "rgba(128, 128, 128, 77); border-radius: 13px; "
                                         "padding: 6px 8px; }")
                              .arg(fill));
}

void TimingTab::refresh(const Configuration& config)
{
    const std::optional<TimingPreset> active = config.activePreset();
    for (auto it = m_presetButtons.cbegin(); it != m_presetButtons.cend(); ++it)
        setPresetButtonActive(it.value(), active == it.key());
    for (SliderRow* row : m_sliders)
        row->setValue(config.*m_sliderFields.value(row));

    m_longBreakSwitch->setChecked(config.longBreakEnabled);
    m_longBreakDuration->setVisible(config.longBreakEnabled);
    m_intervalRow->setVisible(config.longBreakEnabled);
    m_intervalStepper->setStoredValue(config.longBreakIntervalBreaks);
}
