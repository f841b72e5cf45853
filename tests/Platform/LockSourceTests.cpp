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
#include <QUuid>
#include <gtest/gtest.h>
#include <limits>

namespace {
const QString freedesktop = ScreenSaverLockSource::freedesktopInterface;
const QString gnome = ScreenSaverLockSource::gnomeInterface;
const QString sessionPath = QStringLiteral("/org/freedesktop/login1/session/_3");

// Another program on the private session bus, with a connection of its own.
class BusPeer {
public:
    BusPeer()
        : m_name(QStringLiteral("peer-") + QUuid::createUuid().toString(QUuid::Id128))
        , m_bus(QDBusConnection::connectToBus(QDBusConnection::SessionBus, m_name))
    {
    }
    ~BusPeer() { QDBusConnection::disconnectFromBus(m_name); }
    BusPeer(const BusPeer&) = delete;
    BusPeer& operator=(const BusPeer&) = delete;

    bool own(const QString& service) { return m_bus.registerService(service); }
    bool release(const QString& service) { return m_bus.unregisterService(service); }
    bool sendActiveChanged(const QString& path, const QString& interface, bool active)
    {
        QDBusMessage signal = QDBusMessage::createSignal(path, interface, "ActiveChanged");
        signal << active;
        return m_bus.send(signal);
    }

private:
    QString m_name;
    QDBusConnection m_bus;
};

// Hears every ActiveChanged on the main session connection, whoever sends it: once it has heard
// a signal, so has every other subscriber of that connection.
class ActiveChangedWitness : public QObject {
    Q_OBJECT

public:
    ActiveChangedWitness()
    {
        for (const QString& interface : {freedesktop, gnome})
            QDBusConnection::sessionBus().connect({}, {}, interface, "ActiveChanged", this,
                                                  SLOT(onActiveChanged(bool)));
        sessionBusRoundTrip();
    }

    // Sends, waits until the signal has arrived, then lets queued deliveries run.
    bool send(BusPeer& peer, const QString& path, const QString& interface, bool active)
    {
        const int before = heard;
        if (!peer.sendActiveChanged(path, interface, active) ||
            !QTest::qWaitFor([&] { return heard > before; }, 5000))
            return false;
        QCoreApplication::processEvents();
        return true;
    }

    int heard = 0;

private slots:
    void onActiveChanged(bool) { ++heard; }
};

// A monitor on the private session bus, without a system bus (as in CI); both screen savers are
// played by one peer that owns their names.
class ScreenSaverLock : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(QDBusConnection::sessionBus().isConnected()) << "run under with-session.sh";
        ASSERT_TRUE(screenSaver.own(freedesktop) && screenSaver.own(gnome));
        monitor = std::make_unique<ActivityMonitor>(std::make_unique<LinuxActivityBackendFactory>(
            QDBusConnection::sessionBus(), missingBus()));
        monitor->start();
        sessionBusRoundTrip();
    }

    bool waitForLocked(bool locked)
    {
        return QTest::qWaitFor([&] { return monitor->isScreenLocked() == locked; }, 5000);
    }

    BusPeer screenSaver;
    ActiveChangedWitness witness;
    std::unique_ptr<ActivityMonitor> monitor;
};
} // namespace

TEST_F(ScreenSaverLock, ActiveChangedOfEitherScreenSaverLocksAndUnlocks)
{
    ASSERT_TRUE(
        screenSaver.sendActiveChanged(QStringLiteral("/org/gnome/ScreenSaver"), gnome, true));
    ASSERT_TRUE(waitForLocked(true));
    EXPECT_EQ(monitor->secondsSinceLastActivity(), std::numeric_limits<double>::max());

    ASSERT_TRUE(screenSaver.sendActiveChanged(QStringLiteral("/ScreenSaver"), freedesktop, false));
    ASSERT_TRUE(waitForLocked(false));
    EXPECT_LT(monitor->secondsSinceLastActivity(), 1e6);

    ASSERT_TRUE(screenSaver.sendActiveChanged(QStringLiteral("/org/freedesktop/ScreenSaver"),
                                              freedesktop, true));
    EXPECT_TRUE(waitForLocked(true));
}

TEST_F(ScreenSaverLock, AfterStopSignalsChangeNothing)
{
    monitor->stop();
    ASSERT_TRUE(witness.send(screenSaver, QStringLiteral("/org/gnome/ScreenSaver"), gnome, true));
    EXPECT_FALSE(monitor->isScreenLocked());
}

TEST_F(ScreenSaverLock, ADestroyedMonitorIgnoresLateSignals)
{
    QPointer<ActivityMonitor> watched = monitor.get();
    ASSERT_TRUE(
        screenSaver.sendActiveChanged(QStringLiteral("/org/gnome/ScreenSaver"), gnome, true));
    monitor.reset();
    ASSERT_TRUE(witness.send(screenSaver, QStringLiteral("/org/freedesktop/ScreenSaver"),
                             freedesktop, true));
    EXPECT_TRUE(watched.isNull());
}

// Anyone on the bus can send ActiveChanged; only the name's current owner, at its own paths, is
// heard, and a new owner takes over from the old one.
TEST(ScreenSaverLockSource, HearsOnlyTheCurrentOwnerOfTheNameAtItsPaths)
{
    ActiveChangedWitness witness;
    ScreenSaverLockSource source(QDBusConnection::sessionBus(), freedesktop);
    QSignalSpy reports(&source, &ScreenLockSource::lockStateReported);
    auto heard = [&] {
        QList<bool> values;
        for (const QList<QVariant>& report : std::as_const(reports))
            values << report.at(0).toBool();
        reports.clear();
        return values;
    };
    const QString path = QStringLiteral("/org/freedesktop/ScreenSaver");
    BusPeer first;
    BusPeer second;

    // Nobody owns the name yet.
    ASSERT_TRUE(witness.send(first, path, freedesktop, true));
    EXPECT_EQ(heard(), QList<bool>{});

    ASSERT_TRUE(first.own(freedesktop));
    sessionBusRoundTrip();
    ASSERT_TRUE(witness.send(second, path, freedesktop, true)); // forged
    ASSERT_TRUE(witness.send(first, QStringLiteral("/org/Decoy"), freedesktop, true));
    ASSERT_TRUE(witness.send(first, path, gnome, true)); // not this service's
    ASSERT_TRUE(witness.send(first, path, freedesktop, true));
    ASSERT_TRUE(witness.send(first, QStringLiteral("/ScreenSaver"), freedesktop, false));
    EXPECT_EQ(heard(), (QList<bool>{true, false}));

    // The name changes hands: the old owner is now as good as anyone else.
    ASSERT_TRUE(first.release(freedesktop));
    ASSERT_TRUE(second.own(freedesktop));
    sessionBusRoundTrip();
    ASSERT_TRUE(witness.send(first, path, freedesktop, true));
    ASSERT_TRUE(witness.send(second, path, freedesktop, false));
    EXPECT_EQ(heard(), QList<bool>{false});

    // A storm of forged signals reports nothing.
    const int before = witness.heard;
    for (int i = 0; i < 1000; ++i)
        ASSERT_TRUE(first.sendActiveChanged(path, freedesktop, i % 2 == 0));
    ASSERT_TRUE(second.sendActiveChanged(path, freedesktop, true));
    ASSERT_TRUE(QTest::qWaitFor([&] { return witness.heard == before + 1001; }, 10000));
    QCoreApplication::processEvents();
    EXPECT_EQ(heard(), QList<bool>{true});
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

#include "LockSourceTests.moc"
