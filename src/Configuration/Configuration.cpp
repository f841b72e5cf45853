#include "Configuration/Configuration.h"

#include "Configuration/TimingPreset.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cmath>

namespace {

// One reader per field type. Each returns false when the value is present but unreadable.
bool readDouble(const QJsonObject& object, const char* key, double& out)
{
    const QJsonValue value = object.value(QLatin1String(key));
    if (value.isUndefined() || value.isNull())
        return true;
    if (!value.isDouble())
        return false;
    out = value.toDouble();
    return true;
}

bool readBool(const QJsonObject& object, const char* key, bool& out)
{
    const QJsonValue value = object.value(QLatin1String(key));
    if (value.isUndefined() || value.isNull())
        return true;
    if (!value.isBool())
        return false;
    out = value.toBool();
    return true;
}

bool readInt64(const QJsonObject& object, const char* key, qint64& out)
{
    const QJsonValue value = object.value(QLatin1String(key));
    if (value.isUndefined() || value.isNull())
        return true;
    if (!value.isDouble())
        return false;
    // Read as the integer it was written as: a detour through double loses counts above 2^53.
    // toInteger() falls back to its argument for 2.5 or a value out of range, so two different
    // fallbacks agree only on a whole number that fits.
    const qint64 number = value.toInteger(0);
    if (number != value.toInteger(1))
        return false;
    out = number;
    return true;
}

bool readApps(const QJsonObject& object, const char* key, QList<AppEntry>& out)
{
    const QJsonValue value = object.value(QLatin1String(key));
    if (value.isUndefined() || value.isNull())
        return true;
    if (!value.isArray())
        return false;
    QList<AppEntry> apps;
    const QJsonArray array = value.toArray();
    apps.reserve(array.size());
    for (const QJsonValue& element : array) {
        std::optional<AppEntry> entry = AppEntry::fromJson(element);
        if (!entry)
            return false;
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

std::optional<Configuration> Configuration::fromJson(const QByteArray& json)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    const QJsonObject o = document.object();

    Configuration c;
    const bool ok = readDouble(o, "workDurationSeconds", c.workDurationSeconds) &&
                    readDouble(o, "breakDurationSeconds", c.breakDurationSeconds) &&
                    readDouble(o, "snoozeDurationSeconds", c.snoozeDurationSeconds) &&
                    readDouble(o, "idleThresholdSeconds", c.idleThresholdSeconds) &&
                    readDouble(o, "preAlertDurationSeconds", c.preAlertDurationSeconds) &&
                    readDouble(o, "cursorAlertDurationSeconds", c.cursorAlertDurationSeconds) &&
                    readDouble(o, "naturalBreakSeconds", c.naturalBreakSeconds) &&
                    readDouble(o, "tickIntervalSeconds", c.tickIntervalSeconds) &&
                    readBool(o, "breakBlockMeetingEnabled", c.breakBlockMeetingEnabled) &&
                    readBool(o, "breakBlockFullscreenEnabled", c.breakBlockFullscreenEnabled) &&
                    readApps(o, "meetingApps", c.meetingApps) &&
                    readApps(o, "breakBlockerApps", c.breakBlockerApps) &&
                    readBool(o, "breakBlockAppsEnabled", c.breakBlockAppsEnabled) &&
                    readApps(o, "meetingExclusionApps", c.meetingExclusionApps) &&
                    readBool(o, "longBreakEnabled", c.longBreakEnabled) &&
                    readDouble(o, "longBreakDurationSeconds", c.longBreakDurationSeconds) &&
                    readInt64(o, "longBreakIntervalBreaks", c.longBreakIntervalBreaks) &&
                    readBool(o, "sendAnonymousCrashReports", c.sendAnonymousCrashReports);
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
