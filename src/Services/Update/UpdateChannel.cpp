#include "Services/Update/UpdateChannel.h"

const std::array<UpdateChannel, 2>& allUpdateChannels()
{
    static constexpr std::array<UpdateChannel, 2> channels{UpdateChannel::stable,
                                                           UpdateChannel::beta};
    return channels;
}

QString updateChannelRawValue(UpdateChannel channel)
{
    switch (channel) {
    case UpdateChannel::stable:
        return QStringLiteral("stable");
    case UpdateChannel::beta:
        return QStringLiteral("beta");
    }
    return {};
}

std::optional<UpdateChannel> updateChannelFromRawValue(const QString& rawValue)
{
    for (UpdateChannel channel : allUpdateChannels()) {
        if (updateChannelRawValue(channel) == rawValue)
            return channel;
    }
    return std::nullopt;
}

QString updateChannelFeedPath(UpdateChannel channel)
{
    return QStringLiteral("/channels/%1/appcast.xml").arg(updateChannelRawValue(channel));
}

QUrl updateChannelFeedURL(UpdateChannel channel, const QString& updateHost)
{
    if (updateHost.trimmed().isEmpty())
        return {};
    QUrl url;
    url.setScheme(QStringLiteral("https"));
    url.setAuthority(updateHost.trimmed(), QUrl::StrictMode);
    url.setPath(updateChannelFeedPath(channel));
    if (!url.isValid() || url.host().isEmpty() || !url.userInfo().isEmpty() ||
        url.path() != updateChannelFeedPath(channel))
        return {};
    return url;
}
