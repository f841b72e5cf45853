#include "Views/OnboardingContainerView.h"

#include "Views/OnboardingHookView.h"
#include "Views/OnboardingPresetView.h"

OnboardingContainerView::OnboardingContainerView(ConfigurationManager& configManager,
                                                 std::function<void()> onComplete, QWidget* parent)
    : QStackedWidget(parent)
{
    m_hook = new OnboardingHookView([this] {
        setCurrentWidget(m_preset);
        m_preset->setFocus();
    });
    m_preset = new OnboardingPresetView(configManager, std::move(onComplete));
    addWidget(m_hook);
    addWidget(m_preset);
    setCurrentWidget(m_hook);
}

OnboardingContainerView::Step OnboardingContainerView::step() const
{
    return currentWidget() == m_preset ? Step::presetSelection : Step::hook;
}
