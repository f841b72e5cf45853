#pragma once

#include "Views/OnboardingContainerView.h"
#include "Windows/OnboardingWindowControllerProtocol.h"

#include <QObject>
#include <QPointer>

class ConfigurationManager;
class QWidget;

// The "Welcome to Ostavel" window: a welcome page, then the choice of a timing preset. An
// ordinary window with a taskbar entry, as it is the only thing of Ostavel on screen at a first
// launch. "Get Started" writes the preset, hides the window and then calls the completion; the
// close button only closes it and calls `onClosed`. Every show() builds a fresh window on the
// welcome page. Main thread only.
class OnboardingWindowController final : public QObject, public OnboardingWindowControllerProtocol {
    Q_OBJECT

public:
    static inline const QString title = QStringLiteral("Welcome to Ostavel");
    static constexpr int width = 520;
    static constexpr int height = 460;

    explicit OnboardingWindowController(ConfigurationManager& configManager,
                                        QObject* parent = nullptr);
    ~OnboardingWindowController() override;

    void show(std::function<void()> onComplete, std::function<void()> onClosed) override;

    // The window it holds (a closed one until the next show()); null after completion.
    QWidget* window() const { return m_window; }
    OnboardingContainerView* containerView() const { return m_container; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void complete();
    void dropWindow();

    ConfigurationManager& m_configManager;
    QPointer<QWidget> m_window;
    QPointer<OnboardingContainerView> m_container;
    std::function<void()> m_onComplete;
    std::function<void()> m_onClosed;
};
