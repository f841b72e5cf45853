#pragma once

#include "Configuration/TimingPreset.h"

#include <QWidget>
#include <functional>

class ConfigurationManager;
class QAbstractButton;
class QPushButton;

// The schedule page: one card per timing preset, "Balanced" selected at first, and "Get Started",
// which writes the chosen preset's ten values in one assignment and then calls `onComplete`.
class OnboardingPresetView : public QWidget {
    Q_OBJECT

public:
    struct Card {
        TimingPreset preset;
        QString title;
        QString subtitle;
        QString description;
        QString icon;
    };
    // The subtitles are fixed texts, not computed from the presets.
    static const std::array<Card, 3>& cards();

    OnboardingPresetView(ConfigurationManager& configManager, std::function<void()> onComplete,
                         QWidget* parent = nullptr);

    TimingPreset selectedPreset() const { return m_selected; }
    QAbstractButton* cardButton(TimingPreset preset) const;
    QPushButton* getStartedButton() const { return m_getStarted; }

private:
    void select(TimingPreset preset);
    void getStarted();

    ConfigurationManager& m_configManager;
    std::function<void()> m_onComplete;
    TimingPreset m_selected = TimingPreset::balanced;
    QList<QAbstractButton*> m_cards;
    QPushButton* m_getStarted;
};
