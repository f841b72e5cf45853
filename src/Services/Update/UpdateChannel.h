#pragma once

#include <QMetaType>
#include <QString>
#include <QUrl>
#include <array>
#include <optional>

// The two update channels. Stored under StoreKeys::updateChannel as the raw value.
enum class UpdateChannel { stable, beta };

const std::array<UpdateChannel, 2>& allUpdateChannels();
QString updateChannelRawValue(UpdateChannel channel);
// Exactly "stable" or "beta"; anything else (including "Beta") is no channel.
std::optional<UpdateChannel> updateChannelFromRawValue(const QString& rawValue);
QString updateChannelFeedPath(UpdateChannel channel);
// https://<host>/channels/<raw value>/appcast.xml; invalid when the host is empty or malformed.
QUrl updateChannelFeedURL(UpdateChannel channel, const QString& updateHost);

Q_DECLARE_METATYPE(UpdateChannel)
