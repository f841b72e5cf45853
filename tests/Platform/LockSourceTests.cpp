#include "FakeDBusService.h"
#include "Monitoring/ActivityMonitor.h"
#include "Platform/Linux/LinuxActivityBackendFactory.h"
#include "Platform/Linux/LogindLockSource.h"
#include "Platform/Linux/MakeLinuxActivityMonitor.h"
#include "Platform/Linux/ScreenSaverLockSource.h"
#include "SessionTools.h"

#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QSignalSpy>
#include <gtest/gtest.h>
#include <limits>

namespace {
const QString freedesktop = ScreenSaverLockSource::freedesktopInterface;
const QString gnome = ScreenSaverLockSource::gnomeInterface;
const QString sessionPath = QStringLiteral("/org/freedesktop/login1/session/_3");

// A monitor on the private session bus, without a system bus (as in CI).
class ScreenSaverLock : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(QDBusConnection::sessionBus().isConnected()) << "run under with-session.sh";
        monitor = std::make_unique<ActivityMonitor>(std::make_unique<LinuxActivityBackendFactory>(
            QDBusConnection::sessionBus(), missingBus()));
        monitor->start();
        sessionBusRoundTrip();
    }

    bool waitForLocked(bool locked)
    {
        return QTest::qWaitFor([&] { return monitor->isScreenLocked() == locked; }, 5000);
    }

    // Emits ActiveChanged and waits until an independent subscriber has seen it, then lets the
    // monitor's one-turn delay pass: afterwards the monitor has had every chance to react.
    void emitAndSettle(const QString& path, const QString& interface, bool active)
    {
        ScreenSaverLockSource witness(QDBusConnection::sessionBus(), interface);
        QSignalSpy seen(&witness, &ScreenLockSource::lockStateReported);
        sessionBusRoundTrip();
        ASSERT_TRUE(emitActiveChanged(path, interface, active));
        ASSERT_TRUE(seen.wait(5000));
        QCoreApplication::processEvents();
    }

    std::unique_ptr<ActivityMonitor> monitor;
};
} // namespace

TEST_F(ScreenSaverLock, ActiveChangedOfEitherScreenSaverLocksAndUnlocks)
{
    ASSERT_TRUE(emitActiveChanged(QStringLiteral("/org/gnome/ScreenSaver"), gnome, true));
    ASSERT_TRUE(waitForLocked(true));
    EXPECT_EQ(monitor->secondsSinceLastActivity(), std::numeric_limits<double>::max());

    ASSERT_TRUE(emitActiveChanged(QStringLiteral("/ScreenSaver"), freedesktop, false));
    ASSERT_TRUE(waitForLocked(false));
    EXPECT_LT(monitor->secondsSinceLastActivity(), 1e6);

    ASSERT_TRUE(
        emitActiveChanged(QStringLiteral("/org/freedesktop/ScreenSaver"), freedesktop, true));
    EXPECT_TRUE(waitForLocked(true));
}

TEST_F(ScreenSaverLock, AfterStopSignalsChangeNothing)
{
    monitor->stop();
    emitAndSettle(QStringLiteral("/org/gnome/ScreenSaver"), gnome, true);
    EXPECT_FALSE(monitor->isScreenLocked());
}

TEST_F(ScreenSaverLock, ADestroyedMonitorIgnoresLateSignals)
{
    QPointer<ActivityMonitor> watched = monitor.get();
    ASSERT_TRUE(emitActiveChanged(QStringLiteral("/org/gnome/ScreenSaver"), gnome, true));
    monitor.reset();
    emitAndSettle(QStringLiteral("/org/freedesktop/ScreenSaver"), freedesktop, true);
    EXPECT_TRUE(watched.isNull());
}

TEST(LogindLock, LockedHintIsReadOnlyFromSessionPropertyChanges)
{
    const QString session = QStringLiteral("org.freedesktop.login1.Session");
    EXPECT_EQ(LogindLockSource::lockedHintChange(session, {{"LockedHint", true}}), true);
    EXPECT_EQ(
        LogindLockSource::lockedHintChange(session, {{"LockedHint", false}, {"Active", true}}),
        false);
    EXPECT_EQ(LogindLockSource::lockedHintChange(
                  session, {{"LockedHint", QVariant::fromValue(QDBusVariant(true))}}),
              true);
    EXPECT_EQ(LogindLockSource::lockedHintChange(session, {{"Active", false}}), std::nullopt);
    EXPECT_EQ(LogindLockSource::lockedHintChange(session, {{"LockedHint", "yes"}}), std::nullopt);
    EXPECT_EQ(LogindLockSource::lockedHintChange(QStringLiteral("org.freedesktop.login1.User"),
                                                 {{"LockedHint", true}}),
              std::nullopt);
}

// logind is played by a fake on the private session bus; the source takes its bus as given.
TEST(LogindLock, FollowsLockedHintOfTheSessionFromLogindOnly)
{
    FakeDBusService logind(
        QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
        QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("GetSession"),
        QVariant::fromValue(QDBusObjectPath(sessionPath)));
    ASSERT_TRUE(logind.isRegistered());

    LogindLockSource source(QDBusConnection::sessionBus());
    QSignalSpy reports(&source, &ScreenLockSource::lockStateReported);
    ASSERT_TRUE(QTest::qWaitFor([&] { return source.isFollowingSession(); }, 5000));
    sessionBusRoundTrip();

    const QString properties = QStringLiteral("org.freedesktop.DBus.Properties");
    const QVariantList lockedChange{QStringLiteral("org.freedesktop.login1.Session"),
                                    QVariantMap{{"LockedHint", true}}, QStringList{}};
    // Anyone may send on the bus; only logind's own word counts.
    QDBusMessage spoof =
        QDBusMessage::createSignal(sessionPath, properties, QStringLiteral("PropertiesChanged"));
    spoof.setArguments(lockedChange);
    ASSERT_TRUE(QDBusConnection::sessionBus().send(spoof));
    sessionBusRoundTrip();

    ASSERT_TRUE(logind.emitSignal(sessionPath, properties, QStringLiteral("PropertiesChanged"),
                                  {QStringLiteral("org.freedesktop.login1.Session"),
                                   QVariantMap{{"LockedHint", false}}, QStringList{}}));
    ASSERT_TRUE(reports.wait(5000));
    QCoreApplication::processEvents();
    ASSERT_EQ(reports.count(), 1);
    EXPECT_EQ(reports.at(0).at(0).toBool(), false);

    ASSERT_TRUE(logind.emitSignal(sessionPath, properties, QStringLiteral("PropertiesChanged"),
                                  lockedChange));
    ASSERT_TRUE(reports.wait(5000));
    EXPECT_EQ(reports.at(1).at(0).toBool(), true);
}

TEST(LogindLock, WithoutLogindOrASystemBusNothingIsFollowedAndNothingBreaks)
{
    LogindLockSource source(QDBusConnection::sessionBus());
    QTest::qWait(100);
    EXPECT_FALSE(source.isFollowingSession());

    LinuxActivityBackendFactory factory(QDBusConnection::sessionBus(), missingBus());
    EXPECT_EQ(factory.createScreenLockSources().size(), 2u);
    LinuxActivityBackendFactory noBuses(missingBus(), missingBus());
    EXPECT_TRUE(noBuses.createScreenLockSources().empty());
}

TEST(LinuxActivityMonitor, StartsOnThisSessionsBusesAndDisplay)
{
    std::unique_ptr<ActivityMonitor> monitor = makeLinuxActivityMonitor();
    monitor->start();
    EXPECT_EQ(monitor->idleTimeSourceName(), QStringLiteral("X11 MIT-SCREEN-SAVER"));
    EXPECT_GE(monitor->secondsSinceLastActivity(), 0.0);
    EXPECT_TRUE(monitor->isObservingScreenLock());
    monitor->stop();
    EXPECT_FALSE(monitor->isObservingScreenLock());
}
