#include "Configuration/ConfigurationManager.h"
#include "Configuration/StoreKeys.h"
#include "Configuration/UserDefaults.h"
#include "LogCapture.h"
#include "UserDefaultsReset.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSettings>
#include <QSignalSpy>
#include <cmath>
#include <functional>
#include <gtest/gtest.h>
#include <limits>
#include <sys/stat.h>
#include <tuple>

namespace {
const QString key = StoreKeys::configuration;

Configuration loadFrom(const QByteArray& stored)
{
    resetUserDefaults();
    UserDefaults::setValue(key, stored);
    return ConfigurationManager().config();
}
} // namespace

class ConfigurationStoreTest : public ::testing::Test {
protected:
    void SetUp() override { resetUserDefaults(); }
};

TEST_F(ConfigurationStoreTest, NothingStoredGivesDefaultsAndWritesNothing)
{
    ConfigurationManager manager;
    EXPECT_EQ(manager.config(), Configuration::defaults());
    EXPECT_FALSE(UserDefaults::contains(key));
}

TEST_F(ConfigurationStoreTest, DecodeTable)
{
    const Configuration defaults = Configuration::defaults();
    EXPECT_EQ(loadFrom("{}"), defaults);

    Configuration oneField = loadFrom(R"({"workDurationSeconds": 1500})");
    EXPECT_EQ(oneField.workDurationSeconds, 1500);
    oneField.workDurationSeconds = defaults.workDurationSeconds;
    EXPECT_EQ(oneField, defaults);

    EXPECT_TRUE(loadFrom(R"({"meetingApps": []})").meetingApps.isEmpty());
    EXPECT_EQ(loadFrom(R"({"meetingApps": null})").meetingApps, AppEntry::defaultMeetingApps());
    EXPECT_EQ(
        loadFrom(R"({"unknownKey": 5, "longBreakIntervalBreaks": 4})").longBreakIntervalBreaks, 4);

    // One unreadable key or element and every field takes its default.
    for (
        const char* broken : {
            R"({"workDurationSeconds": 1500, "breakBlockAppsEnabled": "yes"})",
            R"({"workDurationSeconds": 1500, "breakBlockerApps": [{"bundleIdentifier": "a"}]})",
            R"({"workDurationSeconds": 1500, "meetingApps": [{"bundleIdentifier": 1, "displayName": "x"}]})",
            R"({"workDurationSeconds": "1500"})",
            R"({"workDurationSeconds": 1500, "longBreakIntervalBreaks": 2.5})",
            R"({"workDurationSeconds": 1500, "longBreakEnabled": 1})",
            R"({"workDurationSeconds": 1500, "meetingApps": {}})",
            R"([1, 2])",
            R"({"workDurationSeconds": 1500)",
            "",
        }) {
        EXPECT_EQ(loadFrom(broken), defaults) << broken;
    }
}

TEST_F(ConfigurationStoreTest, StoredValueOfAnotherTypeCountsAsNone)
{
    UserDefaults::setValue(key, QStringLiteral(R"({"workDurationSeconds": 1500})"));
    EXPECT_EQ(ConfigurationManager().config(), Configuration::defaults());
}

TEST_F(ConfigurationStoreTest, UnreadableValueStaysUntilTheFirstAssignment)
{
    UserDefaults::setValue(key, QByteArray("not json"));
    ConfigurationManager manager;
    EXPECT_EQ(UserDefaults::value(key).toByteArray(), "not json");
    manager.setConfig(manager.config());
    EXPECT_EQ(Configuration::fromJson(UserDefaults::value(key).toByteArray()),
              Configuration::defaults());
}

TEST_F(ConfigurationStoreTest, AnUnreadableValueIsLoggedAndKeptAsideBeforeTheFirstSave)
{
    const QString prefix = StoreKeys::configurationUnreadablePrefix;
    const std::pair<QVariant, const char*> cases[] = {
        {QByteArray(R"({"workDurationSeconds": "1500"})"),
         R"("workDurationSeconds" is not a number)"},
        {QByteArray(R"({"workDurationSeconds": 1500, "longBreakIntervalBreaks": 2.5})"),
         R"("longBreakIntervalBreaks" is not a whole number)"},
        {QByteArray(R"({"workDurationSeconds": 1e400})"), "not valid JSON"},
        {QByteArray(R"({"workDurationSeconds": NaN})"), "not valid JSON"},
        {QByteArray(
             "{\"meetingApps\": [{\"bundleIdentifier\": \"a\xff\", \"displayName\": \"A\"}]}"),
         "not valid JSON"},
        {QByteArray(R"({"workDurationSeconds": 1500, "breakDura)"), "not valid JSON"},
        {QStringLiteral(R"({"workDurationSeconds": 1500})"), "not stored as data"},
    };
    int kept = 0;
    for (const auto& [stored, why] : cases) {
        UserDefaults::setValue(key, stored);
        LogCapture log("com.ostavel.app.ConfigurationManager");
        ConfigurationManager manager;
        EXPECT_EQ(manager.config(), Configuration::defaults()) << why;
        ASSERT_EQ(log.lines().size(), 1) << why;
        EXPECT_TRUE(log.lines().first().contains("The stored configuration could not be read"));
        EXPECT_TRUE(log.lines().first().contains(QString::fromUtf8(why)))
            << log.lines().first().toStdString();

        // Every earlier copy stays as it was; this one joins them under its own key.
        const QStringList keys = UserDefaults::keys(prefix);
        ASSERT_EQ(keys.size(), ++kept) << why;
        QStringList holding;
        for (const QString& k : keys) {
            if (UserDefaults::value(k) == stored)
                holding << k;
        }
        ASSERT_EQ(holding.size(), 1) << why;
        EXPECT_TRUE(log.lines().first().contains(holding.first()));

        // Starting again on the same value keeps no second copy.
        ConfigurationManager().config();
        EXPECT_EQ(UserDefaults::keys(prefix).size(), kept);

        Configuration changed = manager.config();
        changed.breakDurationSeconds = 50;
        manager.setConfig(changed);
        EXPECT_FALSE(manager.saveFailed());
        EXPECT_EQ(ConfigurationManager().config(), changed);
        EXPECT_EQ(UserDefaults::value(holding.first()), stored) << why;
    }
}

TEST_F(ConfigurationStoreTest, ASettingsFileThatCouldBlockIsNeverOpenedAndNothingCountsAsSaved)
{
    const QString file = UserDefaults::fileName();
    EXPECT_EQ(file, QSettings(QSettings::NativeFormat, QSettings::UserScope,
                              QStringLiteral("Ostavel"), QStringLiteral("Ostavel"))
                        .fileName());
    Configuration stored = Configuration::defaults();
    stored.workDurationSeconds = 1500;
    ConfigurationManager().setConfig(stored);

    // A FIFO nobody writes would block at the first open, /dev/zero would read without end.
    const auto fifo = [](const QString& path) {
        return ::mkfifo(QFile::encodeName(path), 0600) == 0;
    };
    const auto zero = [](const QString& path) { return QFile::link("/dev/zero", path); };
    const std::tuple<const char*, QString, std::function<bool(const QString&)>> cases[] = {
        {"FIFO", file, fifo},
        {"link to /dev/zero", file, zero},
        {"FIFO lock file", file + ".lock", fifo},
    };
    for (const auto& [what, path, make] : cases) {
        const QString aside = file + ".real";
        ASSERT_TRUE(QFile::rename(file, aside)) << what;
        ASSERT_TRUE(make(path)) << what;
        if (path != file) {
            ASSERT_TRUE(QFile::rename(aside, file)) << what;
        }
        LogCapture log("com.ostavel.app.UserDefaults");
        ConfigurationManager manager;
        // The real file is not read; what this run changed before is.
        EXPECT_NE(manager.config(), stored) << what;
        Configuration changed = manager.config();
        changed.breakDurationSeconds = 50;
        manager.setConfig(changed);
        EXPECT_TRUE(manager.saveFailed()) << what;
        // The change holds for this run.
        EXPECT_EQ(ConfigurationManager().config(), changed) << what;
        ASSERT_EQ(log.lines().size(), 1) << what;
        EXPECT_TRUE(log.lines().first().startsWith("Settings are not read from")) << what;

        ASSERT_TRUE(QFile::remove(path)) << what;
        if (path == file) {
            ASSERT_TRUE(QFile::rename(aside, file)) << what;
        }
        EXPECT_EQ(ConfigurationManager().config(), stored) << what;
        manager.setConfig(stored);
        EXPECT_FALSE(manager.saveFailed()) << what;
        EXPECT_EQ(log.lines().size(), 2) << what;
    }
}

TEST_F(ConfigurationStoreTest, EveryAssignmentPublishesAndSaves)
{
    ConfigurationManager manager;
    QSignalSpy spy(&manager, &ConfigurationManager::configChanged);
    manager.setConfig(manager.config());
    EXPECT_EQ(spy.count(), 1);
    EXPECT_TRUE(UserDefaults::contains(key));

    Configuration changed = manager.config();
    changed.breakBlockerApps = {{QStringLiteral("org.gnome.Totem"), QStringLiteral("Videos")}};
    changed.longBreakIntervalBreaks = 5;
    changed.workDurationSeconds = 1234.5;
    manager.setConfig(changed);
    EXPECT_EQ(spy.count(), 2);
    EXPECT_EQ(ConfigurationManager().config(), changed);
}

TEST_F(ConfigurationStoreTest, NonFiniteNumbersAreNeverStored)
{
    ConfigurationManager manager;
    Configuration good = manager.config();
    good.breakDurationSeconds = 55;
    manager.setConfig(good);

    for (double bad : {std::nan(""), std::numeric_limits<double>::infinity(),
                       -std::numeric_limits<double>::infinity()}) {
        Configuration broken = good;
        broken.tickIntervalSeconds = bad;
        manager.setConfig(broken);
        EXPECT_FALSE(broken.toJson().has_value());
        EXPECT_EQ(ConfigurationManager().config(), good);
    }
}

TEST(ConfigurationRecord, EncodesAllEighteenKeys)
{
    const std::optional<QByteArray> json = Configuration::defaults().toJson();
    ASSERT_TRUE(json.has_value());
    const QJsonObject object = QJsonDocument::fromJson(*json).object();
    EXPECT_EQ(object.size(), 18);
    EXPECT_EQ(object.value("longBreakIntervalBreaks").toInteger(), 2);
    EXPECT_EQ(object.value("meetingApps").toArray().size(), AppEntry::defaultMeetingApps().size());
    EXPECT_EQ(
        object.value("meetingExclusionApps").toArray().first().toObject().value("displayName"),
        "EasyEffects");
    EXPECT_FALSE(json->contains('\n'));
    EXPECT_EQ(Configuration::fromJson(*json), Configuration::defaults());
}

TEST(ConfigurationRecord, EqualityIsByValueAndOrder)
{
    Configuration a;
    Configuration b;
    EXPECT_EQ(a, b);
    std::swap(b.meetingApps[0], b.meetingApps[1]);
    EXPECT_NE(a, b);
    b = a;
    b.idleThresholdSeconds = std::nan("");
    EXPECT_NE(b, b);

    const AppEntry x{QStringLiteral("id"), QStringLiteral("One")};
    const AppEntry y{QStringLiteral("id"), QStringLiteral("Two")};
    EXPECT_NE(x, y);
    EXPECT_EQ(x.id(), y.id());
    EXPECT_NE(qHash(x), qHash(y));
}

TEST(ConfigurationRecord, LargeBreakCountsRoundTripExactly)
{
    constexpr qint64 max = std::numeric_limits<qint64>::max();
    constexpr qint64 min = std::numeric_limits<qint64>::min();
    for (qint64 count : {qint64(1) << 53, (qint64(1) << 53) + 1, max - 1, max, min}) {
        Configuration c;
        c.longBreakIntervalBreaks = count;
        const std::optional<Configuration> back = Configuration::fromJson(*c.toJson());
        ASSERT_TRUE(back.has_value()) << count;
        EXPECT_EQ(back->longBreakIntervalBreaks, count);
    }
    EXPECT_EQ(Configuration::fromJson(R"({"longBreakIntervalBreaks": 9223372036854775807})")
                  ->longBreakIntervalBreaks,
              max);
    // One past the largest count does not fit and fails the record like 2.5 does.
    EXPECT_FALSE(Configuration::fromJson(R"({"longBreakIntervalBreaks": 9223372036854775808})"));
    EXPECT_FALSE(Configuration::fromJson(R"({"longBreakIntervalBreaks": 2.5})"));
}
