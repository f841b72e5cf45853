#include "Views/FeedbackView.h"

#include "Services/CrashReporting/FeedbackSenderProtocol.h"
#include "Views/ProminentButton.h"
#include "Views/TextStyle.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShortcut>
#include <QTimer>
#include <QVBoxLayout>

namespace {
QString rgba(QColor color, qreal alpha)
{
    return QStringLiteral("rgba(%1, %2, %3, %4)")
        .arg(color.red())
        .arg(color.green())
        .arg(color.blue())
        .arg(qRound(alpha * 255));
}

// Keycaps followed by what they do, all drawn faintly.
QWidget* keyboardHint(const QStringList& keys, const QString& label, QWidget* parent)
{
    auto* hint = new QWidget(parent);
    auto* row = new QHBoxLayout(hint);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(2);
    const QPalette palette = parent->palette();
    const QColor faint = palette.color(QPalette::PlaceholderText);
    QFont keyFont = textStyleFont(TextStyle::caption2);
    keyFont.setFamily(QStringLiteral("monospace"));
    keyFont.setStyleHint(QFont::Monospace);
    for (const QString& key : keys) {
        auto* cap = new QLabel(key, hint);
        cap->setFont(keyFont);
        cap->setStyleSheet(QStringLiteral("QLabel { color: %1; background: palette(base); "
                                          "border: 1px solid %2; border-radius: 4px; "
                                          "padding: 1px 4px; }")
                               .arg(rgba(faint, 1.0), rgba(faint, 0.3)));
        row->addWidget(cap);
    }
    auto* text = new QLabel(label, hint);
    text->setFont(textStyleFont(TextStyle::caption2));
    text->setForegroundRole(QPalette::PlaceholderText);
    row->addSpacing(2);
    row->addWidget(text);
    return hint;
}
} // namespace

FeedbackView::FeedbackView(FeedbackSenderProtocol& sender, std::function<void()> onDismiss,
                           QWidget* parent)
    : QWidget(parent)
    , m_sender(sender)
    , m_onDismiss(std::move(onDismiss))
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 20, 20, 20);
    layout->setSpacing(16);

    auto* heading = new QLabel(QStringLiteral("What's on your mind?"), this);
    QFont headingFont = textStyleFont(TextStyle::title3);
    headingFont.setWeight(QFont::Medium);
    heading->setFont(headingFont);
    layout->addWidget(heading);

    m_message = new QPlainTextEdit(this);
    m_message->setFont(textStyleFont(TextStyle::body));
    m_message->setTabChangesFocus(true);
    const QColor accent = palette().color(QPalette::Highlight);
    const QColor secondary = palette().color(QPalette::PlaceholderText);
    m_message->setStyleSheet(
        QStringLiteral("QPlainTextEdit { background: palette(base); border: 1px solid %1; "
                       "border-radius: 8px; padding: 4px; } "
                       "QPlainTextEdit:focus { border-color: %2; }")
            .arg(rgba(secondary, 0.2), rgba(accent, 0.5)));
    connect(m_message, &QPlainTextEdit::textChanged, this, &FeedbackView::updateSendButton);
    layout->addWidget(m_message, 1);

    m_notice = new QLabel(reportingOffText, this);
    m_notice->setWordWrap(true);
    m_notice->setFont(textStyleFont(TextStyle::callout));
    m_notice->hide();
    layout->addWidget(m_notice);

    auto* fields = new QHBoxLayout;
    fields->setSpacing(12);
    m_name = new QLineEdit(this);
    m_name->setPlaceholderText(QStringLiteral("Name (optional)"));
    m_email = new QLineEdit(this);
    m_email->setPlaceholderText(QStringLiteral("Email (optional)"));
    fields->addWidget(m_name);
    fields->addWidget(m_email);
    layout->addLayout(fields);

    auto* bottom = new QHBoxLayout;
    bottom->setSpacing(4);
    bottom->addWidget(keyboardHint({QStringLiteral("esc")}, QStringLiteral("close"), this));
    auto* dot = new QLabel(QStringLiteral("\u00b7"), this);
    dot->setForegroundRole(QPalette::PlaceholderText);
    bottom->addWidget(dot);
    bottom->addWidget(keyboardHint({QStringLiteral("Ctrl"), QStringLiteral("\u21a9")},
                                   QStringLiteral("submit"), this));
    bottom->addStretch(1);
    m_send = new QPushButton(QStringLiteral("Send Feedback"), this);
    m_send->setMinimumWidth(80);
    m_send->setDefault(true);
    makeProminent(m_send);
    connect(m_send, &QPushButton::clicked, this, &FeedbackView::submit);
    bottom->addWidget(m_send);
    layout->addLayout(bottom);

    for (const QKeySequence& keys :
         {QKeySequence(Qt::CTRL | Qt::Key_Return), QKeySequence(Qt::CTRL | Qt::Key_Enter)}) {
        auto* shortcut = new QShortcut(keys, this);
        shortcut->setContext(Qt::WidgetWithChildrenShortcut);
        connect(shortcut, &QShortcut::activated, this, &FeedbackView::submit);
    }
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    escape->setContext(Qt::WidgetWithChildrenShortcut);
    connect(escape, &QShortcut::activated, this, [this] { m_onDismiss(); });

    updateSendButton();
}

bool FeedbackView::canSubmit() const
{
    const qsizetype length = m_message->toPlainText().trimmed().size();
    return length > 0 && length <= FeedbackSenderProtocol::maxFeedbackLength;
}

void FeedbackView::updateSendButton()
{
    // Said while typing: a send button that merely turns grey would not tell why.
    const qsizetype length = m_message->toPlainText().trimmed().size();
    if (length > FeedbackSenderProtocol::maxFeedbackLength) {
        showNotice(tooLongText.arg(FeedbackSenderProtocol::maxFeedbackLength).arg(length));
        m_lengthNoticeShown = true;
    } else if (m_lengthNoticeShown) {
        m_notice->hide();
        m_lengthNoticeShown = false;
    }
    m_send->setEnabled(canSubmit());
}

void FeedbackView::showNotice(const QString& text)
{
    m_notice->setText(text);
    m_notice->show();
    m_lengthNoticeShown = false;
}

void FeedbackView::submit()
{
    if (!canSubmit())
        return;
    if (!m_sender.isEnabled()) {
        // Sending now would drop the message unseen: keep it and say why.
        showNotice(m_sender.isUnavailable() ? reportingUnavailableText : reportingOffText);
        return;
    }
    // Empty name or e-mail travel as absent; anything typed goes as typed.
    if (!m_sender.captureFeedback(m_message->toPlainText().trimmed(), m_name->text(),
                                  m_email->text())) {
        showNotice(queueFailedText);
        return;
    }
    m_onDismiss();
}

void FeedbackView::keyPressEvent(QKeyEvent* event)
{
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        m_onDismiss();
    } else if (enter && (event->modifiers() & ~Qt::KeypadModifier) == Qt::ControlModifier) {
        submit();
    } else {
        QWidget::keyPressEvent(event);
        return;
    }
    event->accept();
}

void FeedbackView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (m_focusScheduled)
        return;
    m_focusScheduled = true;
    QTimer::singleShot(100, m_message, [this] { m_message->setFocus(Qt::OtherFocusReason); });
}
