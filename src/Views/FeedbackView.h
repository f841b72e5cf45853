#pragma once

#include <QWidget>
#include <functional>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class FeedbackSenderProtocol;

// The feedback form: a message, an optional name and e-mail, and "Send Feedback" (also
// Ctrl+Return). Feedback travels with crash reporting: while that is off, or when its queue
// cannot store the message, the form keeps its text and says so instead of pretending to send.
// A message over the length cap is held back with a notice from the moment it is typed. Escape
// hides the form whatever it holds. The caret lands in the message 0.1 s after the form comes on
// screen.
class FeedbackView : public QWidget {
    Q_OBJECT

public:
    static inline const QString reportingOffText = QStringLiteral(
        "Feedback is sent through crash reporting, which is turned off. Turn on \u201cSend "
        "Anonymous Crash Reports\u201d in Settings to send this message.");
    static inline const QString reportingUnavailableText =
        QStringLiteral("Feedback is sent through crash reporting, which is not set up in this "
                       "build of Ostavel, so this message cannot be sent.");
    static inline const QString queueFailedText = QStringLiteral(
        "This message could not be stored for sending, so it has not been sent. Please try again.");
    // %1 the cap, %2 the message's length.
    static inline const QString tooLongText =
        QStringLiteral("Feedback can be at most %1 characters long; this message has %2. Shorten "
                       "it to send it.");

    FeedbackView(FeedbackSenderProtocol& sender, std::function<void()> onDismiss,
                 QWidget* parent = nullptr);

    // The message has something besides white space and line breaks, and fits the length cap.
    // Both leave out the blanks around it, which are not sent.
    bool canSubmit() const;
    // Sends and hides; does nothing while canSubmit() is false (a shortcut can outrun the button).
    void submit();

    QPlainTextEdit* messageEditor() const { return m_message; }
    QLineEdit* nameField() const { return m_name; }
    QLineEdit* emailField() const { return m_email; }
    QPushButton* sendButton() const { return m_send; }
    QLabel* noticeLabel() const { return m_notice; }

protected:
    void showEvent(QShowEvent* event) override;
    // What the editors pass on: Escape and Ctrl+Return when no shortcut took them.
    void keyPressEvent(QKeyEvent* event) override;

private:
    void updateSendButton();
    void showNotice(const QString& text);

    FeedbackSenderProtocol& m_sender;
    std::function<void()> m_onDismiss;
    QPlainTextEdit* m_message;
    QLineEdit* m_name;
    QLineEdit* m_email;
    QPushButton* m_send;
    QLabel* m_notice;
    bool m_focusScheduled = false;
    bool m_lengthNoticeShown = false;
};
