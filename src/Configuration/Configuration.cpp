#include "Configuration/Configuration.h"

#include "Configuration/TimingPreset.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cmath>

namespace {

// One reader per field type. Each returns false when the value is present but unreadable, and
// then says why in `why`.
bool fail(QString& why, const char* key, const char* expected)
{
    why = QStringLiteral("\"%1\" is not %2").arg(QLatin1String(key), QLatin1String(expected));
    return false;
}

bool readDouble(const QJsonObject& object, const char* key, double& out, QString& why)
{
    const QJsonValue value = object.value(QLatin1String(key));
    if (value.isUndefined() || value.isNull())
        return true;
    if (!value.isDouble())
        return fail(why, key, "a number");
    out = value.toDouble();
    return true;
}

bool readBool(const QJsonObject& object, const char* key, bool& out, QString& why)
{
    const QJsonValue value = object.value(QLatin1String(key));
    if (value.isUndefined() || value.isNull())
        return true;
    if (!value.isBool())
        return fail(why, key, "true or false");
    out = value.toBool();
    return true;
}

bool readInt64(const QJsonObject& object, const char* key, qint64& out, QString& why)
{
    const QJsonValue value = object.value(QLatin1String(key));
    if (value.isUndefined() || value.isNull())
        return true;
    if (!value.isDouble())
        return fail(why, key, "a whole number");
    // Read as the integer it was written as: a detour through double loses counts above 2^53.
    // toInteger() falls back to its argument for 2.5 or a value out of range, so two different
    // fallbacks agree only on a whole number that fits.
    const qint64 number = value.toInteger(0);
    if (number != value.toInteger(1))
        return fail(why, key, "a whole number");
    out = number;
    return true;
}

bool readApps(const QJsonObject& object, const char* key, QList<AppEntry>& out, QString& why)
{
    const QJsonValue value = object.value(QLatin1String(key));
    if (value.isUndefined() || value.isNull())
        return true;
    if (!value.isArray())
        return fail(why, key, "a list");
    QList<AppEntry> apps;
    const QJsonArray array = value.toArray();
    apps.reserve(array.size());
    for (const QJsonValue& element : array) {
        std::optional<AppEntry> entry = AppEntry::fromJson(element);
        if (!entry)
            return fail(why, key,
                        "a list of entries with \"bundleIdentifier\" and \"displayName\"");
        apps.append(*entry);
    }
    out = apps;
    return true;
}

QJsonArray appsToJson(const QList<AppEntry>& apps)
{
    QJsonArray array;
    for (const AppEntry& entry : apps)
        array.append(entry.toJson());
    return array;
}

} // namespace

const Configuration& Configuration::defaults()
{
    static const Configuration value;
    return value;
}

std::optional<TimingPreset> Configuration::activePreset() const
{
    for (TimingPreset preset : allTimingPresets()) {
        if (timingPresetMatches(preset, *this))
            return preset;
    }
    return std::nullopt;
}

Configuration Configuration::sanitized() const
{
    const Configuration& d = defaults();
    Configuration c = *this;
    auto duration = [](double& field, double fallback) {
        if (!(field >= 0 && field <= longestDurationSeconds))
            field = fallback;
    };
    duration(c.workDurationSeconds, d.workDurationSeconds);
    duration(c.breakDurationSeconds, d.breakDurationSeconds);
    duration(c.snoozeDurationSeconds, d.snoozeDurationSeconds);
    duration(c.idleThresholdSeconds, d.idleThresholdSeconds);
    duration(c.preAlertDurationSeconds, d.preAlertDurationSeconds);
    duration(c.cursorAlertDurationSeconds, d.cursorAlertDurationSeconds);
    duration(c.naturalBreakSeconds, d.naturalBreakSeconds);
    duration(c.longBreakDurationSeconds, d.longBreakDurationSeconds);
    duration(c.tickIntervalSeconds, d.tickIntervalSeconds);
    if (c.tickIntervalSeconds < shortestTickSeconds)
        c.tickIntervalSeconds = d.tickIntervalSeconds;
    return c;
}

std::optional<Configuration> Configuration::fromJson(const QByteArray& json, QString* whyOut)
{
    QString ignored;
    QString& why = whyOut ? *whyOut : ignored;
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError) {
        why = QStringLiteral("not valid JSON: %1 at byte %2")
                  .arg(error.errorString())
                  .arg(error.offset);
        return std::nullopt;
    }
    if (!document.isObject()) {
        why = QStringLiteral("not a JSON object");
        return std::nullopt;
    }
    const QJsonObject o = document.object();

    Configuration c;
    const bool ok =
        readDouble(o, "workDurationSeconds", c.workDurationSeconds, why) &&
        readDouble(o, "breakDurationSeconds", c.breakDurationSeconds, why) &&
        readDouble(o, "snoozeDurationSeconds", c.snoozeDurationSeconds, why) &&
        readDouble(o, "idleThresholdSeconds", c.idleThresholdSeconds, why) &&
        readDouble(o, "preAlertDurationSeconds", c.preAlertDurationSeconds, why) &&
        readDouble(o, "cursorAlertDurationSeconds", c.cursorAlertDurationSeconds, why) &&
        readDouble(o, "naturalBreakSeconds", c.naturalBreakSeconds, why) &&
        readDouble(o, "tickIntervalSeconds", c.tickIntervalSeconds, why) &&
        readBool(o, "breakBlockMeetingEnabled", c.breakBlockMeetingEnabled, why) &&
        readBool(o, "breakBlockFullscreenEnabled", c.breakBlockFullscreenEnabled, why) &&
        readApps(o, "meetingApps", c.meetingApps, why) &&
        readApps(o, "breakBlockerApps", c.breakBlockerApps, why) &&
        readBool(o, "breakBlockAppsEnabled", c.breakBlockAppsEnabled, why) &&
        readApps(o, "meetingExclusionApps", c.meetingExclusionApps, why) &&
        readBool(o, "longBreakEnabled", c.longBreakEnabled, why) &&
        readDouble(o, "longBreakDurationSeconds", c.longBreakDurationSeconds, why) &&
        readInt64(o, "longBreakIntervalBreaks", c.longBreakIntervalBreaks, why) &&
        readBool(o, "sendAnonymousCrashReports", c.sendAnonymousCrashReports, why);
    if (!ok)
        return std::nullopt;
    return c;
}

std::optional<QByteArray> Configuration::toJson() const
{
    const double numbers[] = {
        workDurationSeconds,  breakDurationSeconds,    snoozeDurationSeconds,
        idleThresholdSeconds, preAlertDurationSeconds, cursorAlertDurationSeconds,
        naturalBreakSeconds,  tickIntervalSeconds,     longBreakDurationSeconds};
    for (double number : numbers) {
        if (!std::isfinite(number))
            return std::nullopt;
    }

    QJsonObject o;
    o.insert(QStringLiteral("workDurationSeconds"), workDurationSeconds);
    o.insert(QStringLiteral("breakDurationSeconds"), breakDurationSeconds);
    o.insert(QStringLiteral("snoozeDurationSeconds"), snoozeDurationSeconds);
    o.insert(QStringLiteral("idleThresholdSeconds"), idleThresholdSeconds);
    o.insert(QStringLiteral("preAlertDurationSeconds"), preAlertDurationSeconds);
    o.insert(QStringLiteral("cursorAlertDurationSeconds"), cursorAlertDurationSeconds);
    o.insert(QStringLiteral("naturalBreakSeconds"), naturalBreakSeconds);
    o.insert(QStringLiteral("tickIntervalSeconds"), tickIntervalSeconds);
    o.insert(QStringLiteral("breakBlockMeetingEnabled"), breakBlockMeetingEnabled);
    o.insert(QStringLiteral("breakBlockFullscreenEnabled"), breakBlockFullscreenEnabled);
    o.insert(QStringLiteral("meetingApps"), appsToJson(meetingApps));
    o.insert(QStringLiteral("breakBlockerApps"), appsToJson(breakBlockerApps));
    o.insert(QStringLiteral("breakBlockAppsEnabled"), breakBlockAppsEnabled);
    o.insert(QStringLiteral("meetingExclusionApps"), appsToJson(meetingExclusionApps));
    o.insert(QStringLiteral("longBreakEnabled"), longBreakEnabled);
    o.insert(QStringLiteral("longBreakDurationSeconds"), longBreakDurationSeconds);
    o.insert(QStringLiteral("longBreakIntervalBreaks"), longBreakIntervalBreaks);
    o.insert(QStringLiteral("sendAnonymousCrashReports"), sendAnonymousCrashReports);
    return QJsonDocument(o).toJson(QJsonDocument::Compact);
}
