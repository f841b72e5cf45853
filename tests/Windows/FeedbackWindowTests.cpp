#include "FakeClock.h"
#include "FakeServiceTimer.h"
#include "LoopbackHttpServer.h"
#include "LoopbackHttpsClient.h"
#include "Screenshots.h"
#include "Services/CrashReporting/SentryManager.h"
#include "Views/FeedbackView.h"
#include "Windows/FeedbackWindowController.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QNetworkProxy>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {
class FeedbackWindowTest : public ::testing::Test {
protected:
    void SetUp() override { QNetworkProxy::setApplicationProxy(QNetworkProxy::NoProxy); }

    // Crash reporting against the loopback ingest on `port` (the server's own when 0); not
    // started.
    void create(quint16 port = 0)
    {
        auto timer = std::make_unique<FakeServiceTimer>();
        retry = timer.get();
        auto client = std::make_unique<CrashReportClient>(
            clock, std::make_unique<LoopbackHttpsClient>(), std::move(timer), storage.path());
        sentry = std::make_unique<SentryManager>(
            std::move(client),
            QStringLiteral("https://0123456789abcdef0123456789abcdef@127.0.0.1:%1/42")
                .arg(port ? port : server.port()),
            QStringLiteral("1.4.2"));
        controller = std::make_unique<FeedbackWindowController>(*sentry);
    }

    FeedbackView* shown()
    {
        controller->show();
        EXPECT_TRUE(controller->window()->isVisible());
        return controller->view();
    }
    static void type(FeedbackView* view, const QString& message, const QString& name = {},
                     const QString& email = {})
    {
        view->messageEditor()->setPlainText(message);
        view->nameField()->setText(name);
        view->emailField()->setText(email);
    }
    // The feedback context of the index-th envelope the ingest received.
    QJsonObject received(qsizetype index)
    {
        const QJsonObject event =
            QJsonDocument::fromJson(server.requests().at(index).body.split('\n').value(2)).object();
        return event["contexts"].toObject()["feedback"].toObject();
    }

    FakeClock clock;
    QTemporaryDir storage;
    LoopbackHttpServer server;
    FakeServiceTimer* retry = nullptr;
    std::unique_ptr<SentryManager> sentry;
    std::unique_ptr<FeedbackWindowController> controller;
};
} // namespace

TEST_F(FeedbackWindowTest, BlankMessagesKeepSendDisabledAndSendNothing)
{
    ASSERT_TRUE(server.listen());
    create();
    ASSERT_TRUE(sentry->start());
    FeedbackView* view = shown();
    EXPECT_EQ(controller->window()->windowTitle(), "Send Feedback");
    EXPECT_EQ(controller->window()->size(), QSize(440, 320));

    const struct {
        const char* message;
        bool enabled;
    } table[] = {{"", false},       {"   ", false}, {"\n\n", false}, {" \t\r\n ", false},
                 {"\u2028", false}, {"x", true},    {"  x\n", true}, {"\n.\n", true}};
    for (const auto& row : table) {
        type(view, QString::fromUtf8(row.message));
        EXPECT_EQ(view->sendButton()->isEnabled(), row.enabled) << row.message;
        EXPECT_EQ(view->canSubmit(), row.enabled) << row.message;
    }

    // A shortcut already under way when the message turned blank sends nothing.
    type(view, QStringLiteral(" \n "));
    view->submit();
    QTest::keyClick(view->messageEditor(), Qt::Key_Return, Qt::ControlModifier);
    QTest::qWait(100);
    EXPECT_TRUE(controller->window()->isVisible());
    EXPECT_TRUE(server.requests().isEmpty());
    EXPECT_TRUE(sentry->client().queue().isEmpty());
}

TEST_F(FeedbackWindowTest, SendsTrimmedMessageWithEmptyFieldsAbsentAndBlanksKept)
{
    ASSERT_TRUE(server.listen());
    create();
    ASSERT_TRUE(sentry->start());
    const struct {
        const char* message;
        const char* name;
        const char* email;
        const char* sentMessage;
        const char* sentName; // nullptr: absent
        const char* sentEmail;
        bool byShortcut;
    } table[] = {
        {"  \n Hello there\n", "", "", "Hello there", nullptr, nullptr, false},
        {"Two\nlines", " ", "  ", "Two\nlines", " ", "  ", true},
        {"Thanks", " Ada ", "not-an-address", "Thanks", " Ada ", "not-an-address", false},
    };
    qsizetype index = 0;
    for (const auto& row : table) {
        SCOPED_TRACE(row.message);
        FeedbackView* view = shown();
        EXPECT_TRUE(view->messageEditor()->toPlainText().isEmpty()) << "every form starts empty";
        type(view, QString::fromUtf8(row.message), QString::fromUtf8(row.name),
             QString::fromUtf8(row.email));
        if (row.byShortcut)
            QTest::keyClick(view->messageEditor(), Qt::Key_Return, Qt::ControlModifier);
        else
            view->sendButton()->click();
        EXPECT_FALSE(controller->window()->isVisible()) << "hidden at once";
        ASSERT_TRUE(server.waitForRequests(index + 1));
        const QJsonObject feedback = received(index++);
        EXPECT_EQ(feedback["message"].toString(), QString::fromUtf8(row.sentMessage));
        EXPECT_EQ(feedback["source"].toString(), "custom");
        EXPECT_EQ(feedback.contains("name"), row.sentName != nullptr);
        EXPECT_EQ(feedback.contains("contact_email"), row.sentEmail != nullptr);
        EXPECT_EQ(feedback["name"].toString(), QString::fromUtf8(row.sentName));
        EXPECT_EQ(feedback["contact_email"].toString(), QString::fromUtf8(row.sentEmail));
    }
}

TEST_F(FeedbackWindowTest, EscapeHidesAndTheNextShowIsEmptyWhileShowKeepsAVisibleForm)
{
    ASSERT_TRUE(server.listen());
    create();
    FeedbackView* view = shown();
    type(view, QStringLiteral("half a thought"), QStringLiteral("Ada"));
    controller->show();
    EXPECT_EQ(controller->view(), view) << "a visible form is brought forward as it is";
    EXPECT_EQ(view->messageEditor()->toPlainText(), "half a thought");

    ASSERT_TRUE(QTest::qWaitFor([&] { return view->messageEditor()->hasFocus(); }, 2000))
        << "the caret lands in the message";
    QTest::keyClick(view->messageEditor(), Qt::Key_Escape);
    EXPECT_FALSE(controller->window()->isVisible());

    FeedbackView* next = shown();
    EXPECT_NE(next, view);
    EXPECT_TRUE(next->messageEditor()->toPlainText().isEmpty());
    EXPECT_TRUE(next->nameField()->text().isEmpty());
    EXPECT_FALSE(next->sendButton()->isEnabled());
    EXPECT_TRUE(server.requests().isEmpty());
}

TEST_F(FeedbackWindowTest, WhileReportingIsOffTheFormKeepsItsTextAndSaysWhy)
{
    ASSERT_TRUE(server.listen());
    create();
    FeedbackView* view = shown();
    type(view, QStringLiteral("The break came during a call"), QStringLiteral("Ada"));
    EXPECT_FALSE(view->noticeLabel()->isVisible());
    view->sendButton()->click();

    EXPECT_TRUE(controller->window()->isVisible());
    EXPECT_EQ(view->messageEditor()->toPlainText(), "The break came during a call");
    EXPECT_EQ(view->nameField()->text(), "Ada");
    EXPECT_TRUE(view->noticeLabel()->isVisible());
    EXPECT_EQ(view->noticeLabel()->text(),
              "Feedback is sent through crash reporting, which is turned off. Turn on \u201cSend "
              "Anonymous Crash Reports\u201d in Settings to send this message.");
    EXPECT_TRUE(saveWindowScreenshot(controller->window(), QStringLiteral("feedback-off.png")));
    QTest::qWait(50);
    EXPECT_TRUE(server.requests().isEmpty());

    // Turned on, the same text goes.
    ASSERT_TRUE(sentry->start());
    view->sendButton()->click();
    EXPECT_FALSE(controller->window()->isVisible());
    ASSERT_TRUE(server.waitForRequests(1));
    EXPECT_EQ(received(0)["message"].toString(), "The break came during a call");

    // A build whose crash reporting cannot start says so rather than pointing at the switch.
    controller.reset();
    sentry = std::make_unique<SentryManager>(
        std::make_unique<CrashReportClient>(clock, std::make_unique<LoopbackHttpsClient>(),
                                            std::make_unique<FakeServiceTimer>(), storage.path()),
        QString(), QStringLiteral("1.4.2"));
    controller = std::make_unique<FeedbackWindowController>(*sentry);
    EXPECT_FALSE(sentry->start());
    view = shown();
    type(view, QStringLiteral("Hello?"));
    view->sendButton()->click();
    EXPECT_TRUE(controller->window()->isVisible());
    EXPECT_EQ(view->noticeLabel()->text(),
              "Feedback is sent through crash reporting, which is not set up in this build of "
              "Ostavel, so this message cannot be sent.");
}

TEST_F(FeedbackWindowTest, TheLengthCapShowsBeforeSendingAndNothingIsCut)
{
    ASSERT_TRUE(server.listen());
    create();
    ASSERT_TRUE(sentry->start());
    FeedbackView* view = shown();
    const QString longest(4096, QLatin1Char('a'));
    type(view, longest + QStringLiteral("b"));
    EXPECT_FALSE(view->sendButton()->isEnabled());
    EXPECT_TRUE(view->noticeLabel()->isVisible()) << "said while typing, not after sending";
    EXPECT_EQ(view->noticeLabel()->text(), "Feedback can be at most 4096 characters long; this "
                                           "message has 4097. Shorten it to send it.");
    QTest::keyClick(view->messageEditor(), Qt::Key_Return, Qt::ControlModifier);
    EXPECT_TRUE(controller->window()->isVisible());
    EXPECT_TRUE(sentry->client().queue().isEmpty());

    // The blanks around a message are not sent, so they do not count.
    type(view, QStringLiteral(" \n") + longest + QStringLiteral("\n "));
    EXPECT_TRUE(view->sendButton()->isEnabled());
    EXPECT_FALSE(view->noticeLabel()->isVisible());
    view->sendButton()->click();
    EXPECT_FALSE(controller->window()->isVisible());
    ASSERT_TRUE(server.waitForRequests(1));
    EXPECT_EQ(received(0)["message"].toString(), longest);
}

TEST_F(FeedbackWindowTest, AQueueThatRefusesKeepsTheWindowAndItsText)
{
    ASSERT_TRUE(server.listen());
    create();
    ASSERT_TRUE(sentry->start());
    // A file where the queue's folder belongs: no envelope can be written.
    const QString folder = sentry->client().queue().directory();
    QDir().rmdir(folder);
    QFile blocker(folder);
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();

    FeedbackView* view = shown();
    type(view, QStringLiteral("Lost on the way?"), QStringLiteral("Ada"));
    view->sendButton()->click();
    EXPECT_TRUE(controller->window()->isVisible());
    EXPECT_EQ(view->messageEditor()->toPlainText(), "Lost on the way?");
    EXPECT_EQ(view->nameField()->text(), "Ada");
    EXPECT_TRUE(view->noticeLabel()->isVisible());
    EXPECT_EQ(view->noticeLabel()->text(), "This message could not be stored for sending, so it "
                                           "has not been sent. Please try again.");
    QTest::qWait(50);
    EXPECT_TRUE(server.requests().isEmpty());

    // Once the queue takes it, the same text goes.
    ASSERT_TRUE(QFile::remove(folder));
    view->sendButton()->click();
    EXPECT_FALSE(controller->window()->isVisible());
    ASSERT_TRUE(server.waitForRequests(1));
    EXPECT_EQ(received(0)["message"].toString(), "Lost on the way?");
    EXPECT_EQ(received(0)["name"].toString(), "Ada");
}

TEST_F(FeedbackWindowTest, SentWhileTheIngestIsDownItIsDeliveredWhenItComesBack)
{
    ASSERT_TRUE(server.listen());
    const quint16 port = server.port();
    server.close();
    create(port);
    ASSERT_TRUE(sentry->start());

    int failures = 0;
    QObject::connect(&sentry->client(), &CrashReportClient::uploadFinished,
                     [&](int status) { failures += status == 0; });
    FeedbackView* view = shown();
    type(view, QStringLiteral("Sent from a train"));
    view->sendButton()->click();
    EXPECT_FALSE(controller->window()->isVisible()) << "queued counts as sent";
    ASSERT_TRUE(QTest::qWaitFor([&] { return failures == 1; }, 5000));
    EXPECT_EQ(sentry->client().queue().entries().size(), 1);

    ASSERT_TRUE(server.listen(port));
    clock.advance(std::chrono::duration<double>(retry->delay()).count());
    ASSERT_TRUE(retry->fire());
    ASSERT_TRUE(server.waitForRequests(1));
    EXPECT_EQ(received(0)["message"].toString(), "Sent from a train");
    ASSERT_TRUE(QTest::qWaitFor([&] { return sentry->client().queue().isEmpty(); }, 5000));
}

TEST_F(FeedbackWindowTest, Screenshot)
{
    ASSERT_TRUE(server.listen());
    create();
    FeedbackView* view = shown();
    type(view, QStringLiteral("The countdown in the tray is lovely."), QStringLiteral("Ada"));
    EXPECT_TRUE(saveWindowScreenshot(controller->window(), QStringLiteral("feedback.png")));
}
