#include "MediaSoundPlayer.h"

#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace {
struct LoggedLine {
    QtMsgType type;
    QString category;
    QString message;
};
QList<LoggedLine> logged;

void recordMessage(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    logged.append({type, QString::fromUtf8(context.category), message});
}
} // namespace

TEST(MediaSoundPlayer, MissingFileLogsOneErrorAndPlaysNothing)
{
    QTemporaryDir empty;
    MediaSoundPlayer player(empty.path());
    logged.clear();
    const QtMessageHandler previous = qInstallMessageHandler(recordMessage);
    player.play(QStringLiteral("break-started"));
    qInstallMessageHandler(previous);

    ASSERT_EQ(logged.size(), 1);
    EXPECT_EQ(logged[0].type, QtCriticalMsg);
    EXPECT_EQ(logged[0].category, QStringLiteral("com.ostavel.app.App"));
    EXPECT_EQ(logged[0].message, QStringLiteral("Sound file not found: break-started.mp3"));
    EXPECT_EQ(player.activePlayerCount(), 0);
}

TEST(MediaSoundPlayer, SoundsOverlapAndEachPlayerGoesWhenItEnds)
{
    MediaSoundPlayer player(QStringLiteral(OSTAVEL_BUILD_SOUNDS_DIR));
    for (const char* name : {"break-about-to-begin", "break-started", "break-ends"})
        player.play(QString::fromUtf8(name));
    EXPECT_EQ(player.activePlayerCount(), 3);
    EXPECT_TRUE(QTest::qWaitFor([&] { return player.activePlayerCount() == 0; }, 20000));
}
