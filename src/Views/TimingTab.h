#pragma once

#include "Configuration/TimingPreset.h"

#include <QHash>
#include <QMap>
#include <QWidget>

class ConfigurationManager;
class CountStepper;
class DisclosureGroup;
class FormSection;
class QPushButton;
class SliderRow;
class ToggleSwitch;
struct Configuration;

// The "Timing" tab: the three preset buttons (the one the configuration matches highlighted),
// "Work Duration" and "Break Duration", and the "Advanced" group with the other durations and
// the long-break settings. Each edit is one assignment of the configuration.
class TimingTab : public QWidget {
    Q_OBJECT

public:
    explicit TimingTab(ConfigurationManager& configManager, QWidget* parent = nullptr);

    QPushButton* presetButton(TimingPreset preset) const { return m_presetButtons.value(preset); }
    bool isPresetButtonActive(TimingPreset preset) const;
    // By label: "Work Duration", ..., "Long Break Duration".
    SliderRow* sliderRow(const QString& label) const;
    QList<SliderRow*> sliderRows() const { return m_sliders; }
    DisclosureGroup* advancedGroup() const { return m_advanced; }
    ToggleSwitch* longBreakSwitch() const { return m_longBreakSwitch; }
    CountStepper* longBreakIntervalStepper() const { return m_intervalStepper; }
    QWidget* longBreakIntervalRow() const { return m_intervalRow; }

    // Shows `config` without writing anything.
    void refresh(const Configuration& config);

private:
    SliderRow* addSlider(const QString& label, const QString& tooltip, double Configuration::*field,
                         double minimum, double maximum, double step);
    QPushButton* makePresetButton(TimingPreset preset);
    void setPresetButtonActive(QPushButton* button, bool active);

    ConfigurationManager& m_configManager;
    QMap<TimingPreset, QPushButton*> m_presetButtons;
    QList<SliderRow*> m_sliders;
    QHash<SliderRow*, double Configuration::*> m_sliderFields;
    DisclosureGroup* m_advanced = nullptr;
    ToggleSwitch* m_longBreakSwitch = nullptr;
    SliderRow* m_longBreakDuration = nullptr;
    QWidget* m_intervalRow = nullptr;
    CountStepper* m_intervalStepper = nullptr;
};
