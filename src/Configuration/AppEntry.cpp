#include "Configuration/AppEntry.h"

#include <QJsonValue>

QJsonObject AppEntry::toJson() const
{
    return QJsonObject{{QStringLiteral("bundleIdentifier"), bundleIdentifier},
                       {QStringLiteral("displayName"), displayName}};
}

std::optional<AppEntry> AppEntry::fromJson(const QJsonValue& value)
{
    if (!value.isObject())
        return std::nullopt;
    const QJsonObject object = value.toObject();
    const QJsonValue identifier = object.value(QStringLiteral("bundleIdentifier"));
    const QJsonValue name = object.value(QStringLiteral("displayName"));
    if (!identifier.isString() || !name.isString())
        return std::nullopt;
    return AppEntry{identifier.toString(), name.toString()};
}

// Linux builds of the usual meeting products, one entry per packaging (Flatpak id, distribution
// or vendor package). Products without a Linux build are left out.
const QList<AppEntry>& AppEntry::defaultMeetingApps()
{
    static const QList<AppEntry> apps{
        {QStringLiteral("us.zoom.Zoom"), QStringLiteral("Zoom")},
        {QStringLiteral("Zoom"), QStringLiteral("Zoom")},
        {QStringLiteral("com.github.IsmaelMartinez.teams_for_linux"),
         QStringLiteral("Microsoft Teams")},
        {QStringLiteral("teams-for-linux"), QStringLiteral("Microsoft Teams")},
        {QStringLiteral("com.slack.Slack"), QStringLiteral("Slack")},
        {QStringLiteral("slack"), QStringLiteral("Slack")},
        {QStringLiteral("webex"), QStringLiteral("Webex")},
        {QStringLiteral("com.discordapp.Discord"), QStringLiteral("Discord")},
        {QStringLiteral("discord"), QStringLiteral("Discord")},
        {QStringLiteral("com.google.Chrome"), QStringLiteral("Google Chrome")},
        {QStringLiteral("google-chrome"), QStringLiteral("Google Chrome")},
        {QStringLiteral("org.chromium.Chromium"), QStringLiteral("Chromium")},
        {QStringLiteral("chromium"), QStringLiteral("Chromium")},
        {QStringLiteral("org.mozilla.firefox"), QStringLiteral("Firefox")},
        {QStringLiteral("firefox-esr"), QStringLiteral("Firefox")},
        {QStringLiteral("firefox"), QStringLiteral("Firefox")},
        {QStringLiteral("com.microsoft.Edge"), QStringLiteral("Microsoft Edge")},
        {QStringLiteral("microsoft-edge"), QStringLiteral("Microsoft Edge")},
    };
    return apps;
}

// EasyEffects keeps a microphone source running for as long as it runs, which would otherwise
// turn every browser session into a meeting.
const QList<AppEntry>& AppEntry::defaultMeetingExclusionApps()
{
    static const QList<AppEntry> apps{
        {QStringLiteral("com.github.wwmm.easyeffects"), QStringLiteral("EasyEffects")},
    };
    return apps;
}
