#include "FakeDBusService.h"
#include "LogCapture.h"
#include "Monitoring/ActivityMonitor.h"
#include "Platform/Linux/FreedesktopScreenSaverIdleTimeSource.h"
#include "Platform/Linux/LinuxActivityBackendFactory.h"
#include "Platform/Linux/MutterIdleTimeSource.h"
#include "SessionTools.h"

#include <QStringList>
#include <gtest/gtest.h>

namespace {
const QString mutterService = QStringLiteral("org.gnome.Mutter.IdleMonitor");
const QString screenSaverService = QStringLiteral("org.freedesktop.ScreenSaver");
const QString x11Name = QStringLiteral("X11 MIT-SCREEN-SAVER");
// A hanging service must cost about one 200 ms timeout, far from QtDBus's default of 25 s.
constexpr qint64 hangBoundMs = 1500;

std::unique_ptr<FakeDBusService> fakeMutter(qulonglong milliseconds)
{
    auto service = std::make_unique<FakeDBusService>(
        mutterService, QStringLiteral("/org/gnome/Mutter/IdleMonitor/Core"), mutterService,
        QStringLiteral("GetIdletime"), QVariant::fromValue(milliseconds));
    EXPECT_TRUE(service->isRegistered());
    return service;
}

std::unique_ptr<FakeDBusService> fakeScreenSaver(uint milliseconds)
{
    auto service = std::make_unique<FakeDBusService>(
        screenSaverService, QStringLiteral("/org/freedesktop/ScreenSaver"), screenSaverService,
        QStringLiteral("GetSessionIdleTime"), QVariant::fromValue(milliseconds));
    EXPECT_TRUE(service->isRegistered());
    return service;
}

// Hides $DISPLAY for the object's lifetime, so the X11 fallback finds no server.
class WithoutDisplay {
public:
    WithoutDisplay()
        : m_display(qgetenv("DISPLAY"))
    {
        qunsetenv("DISPLAY");
    }
    ~WithoutDisplay() { qputenv("DISPLAY", m_display); }

private:
    QByteArray m_display;
};

class IdleBackendFallback : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(QDBusConnection::sessionBus().isConnected()) << "run under with-session.sh";
    }

    QString chosen()
    {
        std::unique_ptr<IdleTimeSource> source = factory.createIdleTimeSource();
        return source ? source->name() : QString();
    }

    LinuxActivityBackendFactory factory{QDBusConnection::sessionBus(), missingBus()};
};
} // namespace

TEST(DBusIdleTimeSource, ReadsAnUnsignedCountOfMillisecondsAndNothingElse)
{
    const QDBusMessage call = QDBusMessage::createMethodCall(
        mutterService, QStringLiteral("/"), mutterService, QStringLiteral("GetIdletime"));
    auto seconds = [&](const QVariant& value) {
        return DBusIdleTimeSource::secondsFromReply(call.createReply(value));
    };
    EXPECT_EQ(seconds(QVariant::fromValue<qulonglong>(1500)), 1.5);
    EXPECT_EQ(seconds(QVariant::fromValue<uint>(42)), 0.042);
    EXPECT_EQ(seconds(QVariant::fromValue<qulonglong>(0)), 0.0);
    EXPECT_EQ(seconds(QStringLiteral("1500")), std::nullopt);
    EXPECT_EQ(seconds(QVariant::fromValue(-5)), std::nullopt);
    EXPECT_EQ(DBusIdleTimeSource::secondsFromReply(call.createReply()), std::nullopt);
    EXPECT_EQ(DBusIdleTimeSource::secondsFromReply(
                  call.createErrorReply(QDBusError::UnknownMethod, QStringLiteral("no"))),
              std::nullopt);
}

TEST_F(IdleBackendFallback, PrefersMutterThenTheScreenSaver)
{
    auto screenSaver = fakeScreenSaver(4200);
    {
        auto mutter = fakeMutter(1500);
        std::unique_ptr<IdleTimeSource> source = factory.createIdleTimeSource();
        ASSERT_TRUE(source);
        EXPECT_EQ(source->name(), mutterService);
        EXPECT_EQ(source->idleSeconds(), 1.5);
        EXPECT_EQ(screenSaver->calls(), 0);
    }
    std::unique_ptr<IdleTimeSource> source = factory.createIdleTimeSource();
    ASSERT_TRUE(source);
    EXPECT_EQ(source->name(), screenSaverService);
    EXPECT_EQ(source->idleSeconds(), 4.2);
}

TEST_F(IdleBackendFallback, WithNoServiceFallsBackToX11AndThenToNone)
{
    EXPECT_EQ(chosen(), x11Name);
    WithoutDisplay noDisplay;
    EXPECT_EQ(chosen(), QString());
}

TEST_F(IdleBackendFallback, WithoutASessionBusGoesStraightToX11)
{
    auto mutter = fakeMutter(1500);
    LinuxActivityBackendFactory noBus(missingBus(), missingBus());
    std::unique_ptr<IdleTimeSource> source = noBus.createIdleTimeSource();
    ASSERT_TRUE(source);
    EXPECT_EQ(source->name(), x11Name);
    EXPECT_EQ(mutter->calls(), 0);
}

TEST_F(IdleBackendFallback, AHangingServiceCostsOneTimeoutAndIsPassedOver)
{
    auto mutter = fakeMutter(1500);
    auto screenSaver = fakeScreenSaver(4200);
    mutter->setHanging(true);

    QString name;
    EXPECT_LT(millisecondsOf([&] { name = chosen(); }), hangBoundMs);
    EXPECT_EQ(name, screenSaverService);
    EXPECT_EQ(mutter->calls(), 1);

    screenSaver->setHanging(true);
    EXPECT_LT(millisecondsOf([&] { name = chosen(); }), 2 * hangBoundMs);
    EXPECT_EQ(name, x11Name);
}

TEST_F(IdleBackendFallback, AChosenServiceThatHangsLaterReadsZeroWithinTheTimeout)
{
    auto mutter = fakeMutter(90000);
    ActivityMonitor monitor(
        std::make_unique<LinuxActivityBackendFactory>(QDBusConnection::sessionBus(), missingBus()));
    monitor.start();
    ASSERT_EQ(monitor.idleTimeSourceName(), mutterService);
    EXPECT_EQ(monitor.secondsSinceLastActivity(), 90.0);

    mutter->setHanging(true);
    double seconds = -1;
    EXPECT_LT(millisecondsOf([&] { seconds = monitor.secondsSinceLastActivity(); }), hangBoundMs);
    EXPECT_EQ(seconds, ActivityMonitor::unknownIdleSeconds);

    mutter->setHanging(false);
    mutter->setReply(QVariant::fromValue<qulonglong>(250));
    EXPECT_EQ(monitor.secondsSinceLastActivity(), 0.25);
}

TEST_F(IdleBackendFallback, ASourceThatLeavesTheBusIsReplacedByTheNextThatAnswers)
{
    auto screenSaver = fakeScreenSaver(4200);
    auto mutter = fakeMutter(1500);
    ActivityMonitor monitor(
        std::make_unique<LinuxActivityBackendFactory>(QDBusConnection::sessionBus(), missingBus()));
    monitor.start();
    ASSERT_EQ(monitor.idleTimeSourceName(), mutterService);
    EXPECT_EQ(monitor.secondsSinceLastActivity(), 1.5);

    LogCapture log("com.ostavel.app.ActivityMonitor");
    mutter.reset(); // the compositor restarts
    EXPECT_EQ(monitor.secondsSinceLastActivity(), ActivityMonitor::unknownIdleSeconds);
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return monitor.idleTimeSourceName() == screenSaverService; }, 5000));
    EXPECT_EQ(monitor.secondsSinceLastActivity(), 4.2);
    EXPECT_EQ(monitor.secondsSinceLastActivity(), 4.2);
    EXPECT_EQ(
        log.lines(),
        (QStringList{
            "Idle time unavailable from org.gnome.Mutter.IdleMonitor; breaks come by time alone",
            "org.gnome.Mutter.IdleMonitor does not answer "
            "(org.freedesktop.DBus.Error.NameHasNoOwner)",
            "Idle time from org.freedesktop.ScreenSaver in place of "
            "org.gnome.Mutter.IdleMonitor"}));

    // Then the screen saver goes too, and only the X server is left.
    screenSaver.reset();
    EXPECT_EQ(monitor.secondsSinceLastActivity(), ActivityMonitor::unknownIdleSeconds);
    EXPECT_TRUE(QTest::qWaitFor([&] { return monitor.idleTimeSourceName() == x11Name; }, 5000));
    EXPECT_GE(monitor.secondsSinceLastActivity(), 0.0);
}
