#pragma once

#include "Views/FeedbackView.h"
#include "Windows/WindowController.h"

#include <QPointer>
#include <QString>

class QWidget;
class FeedbackSenderProtocol;

// The "Send Feedback" window. show() brings a visible window forward with its text; otherwise it
// builds a fresh, empty form (a sent, dismissed or closed form is never shown again). dismiss()
// hides it. Main thread only.
class FeedbackWindowController final : public WindowController {
public:
    static inline const QString title = QStringLiteral("Send Feedback");
    static constexpr int width = 440;
    static constexpr int height = 320;

    explicit FeedbackWindowController(FeedbackSenderProtocol& sender);
    ~FeedbackWindowController() override;

    void show() override;
    void dismiss() override;

    QWidget* window() const { return m_window; }
    FeedbackView* view() const { return m_view; }

private:
    FeedbackSenderProtocol& m_sender;
    QPointer<QWidget> m_window;
    QPointer<FeedbackView> m_view;
};
