#pragma once

#include <QWidget>
#include <functional>

class QPushButton;

// The welcome page: the standing figure, the greeting and one control that moves on.
class OnboardingHookView : public QWidget {
    Q_OBJECT

public:
    static inline const QString heading = QStringLiteral("Welcome to Ostavel");
    static inline const QString tagline =
        QStringLiteral("Gentle break reminders that keep you healthy\nwhile you work.");

    explicit OnboardingHookView(std::function<void()> onContinue, QWidget* parent = nullptr);

    QPushButton* continueButton() const { return m_continue; }

private:
    QPushButton* m_continue;
};
