#pragma once

#include <QStackedWidget>
#include <functional>

class ConfigurationManager;
class OnboardingHookView;
class OnboardingPresetView;

// The onboarding window's content: the welcome page, then the schedule page. The switch is
// immediate and one way.
class OnboardingContainerView : public QStackedWidget {
    Q_OBJECT

public:
    enum class Step { hook, presetSelection };

    OnboardingContainerView(ConfigurationManager& configManager, std::function<void()> onComplete,
                            QWidget* parent = nullptr);

    Step step() const;
    OnboardingHookView* hookView() const { return m_hook; }
    OnboardingPresetView* presetView() const { return m_preset; }

private:
    OnboardingHookView* m_hook;
    OnboardingPresetView* m_preset;
};
