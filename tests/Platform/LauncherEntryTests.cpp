#include "Platform/Linux/XdgAutostartLoginItem.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {
struct Finished {
    int exitCode = -1;
    QString output;
};

Finished run(const QString& program, const QStringList& arguments, int timeoutMs = 30000)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    if (!process.waitForFinished(timeoutMs) || process.exitStatus() != QProcess::NormalExit)
        return {-1, QStringLiteral("%1 did not finish: %2").arg(program, process.errorString())};
    return {process.exitCode(), QString::fromUtf8(process.readAll())};
}

QString readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

// The value of `key` in the [Desktop Entry] group (these entries have no other group).
QString entryValue(const QString& text, const QString& key)
{
    for (const QString& line : text.split(QLatin1Char('\n'))) {
        if (line.startsWith(key + QLatin1Char('=')))
            return line.mid(key.size() + 1);
    }
    return {};
}

void expectValid(const QString& path)
{
    const Finished validated = run(QStringLiteral("desktop-file-validate"), {path});
    EXPECT_EQ(validated.exitCode, 0) << qPrintable(path) << "\n" << qPrintable(validated.output);
    EXPECT_FALSE(validated.output.contains(QLatin1String("error"))) << qPrintable(validated.output);
}
} // namespace

TEST(DesktopEntry, LauncherAndAutostartEntriesValidateAndShareTheIcon)
{
    const QString launcher =
        QStringLiteral(OSTAVEL_BUILD_DIR "/share/applications/ostavel.desktop");
    expectValid(launcher);

    QTemporaryDir dir;
    XdgAutostartLoginItem item(QStringLiteral("/opt/Ostavel Apps/bin/ostavel"), dir.path());
    ASSERT_TRUE(item.registerItem());
    expectValid(item.entryPath());

    const QString launcherText = readFile(launcher);
    EXPECT_EQ(entryValue(launcherText, QStringLiteral("Icon")), "ostavel");
    EXPECT_EQ(entryValue(readFile(item.entryPath()), QStringLiteral("Icon")), "ostavel");
    for (const char* key : {"Name", "Comment", "Exec", "Categories", "StartupNotify"})
        EXPECT_FALSE(entryValue(launcherText, QString::fromLatin1(key)).isEmpty()) << key;
}

TEST(DesktopEntry, InstallPutsTheEntryIconsBinaryAndSoundsUnderThePrefix)
{
    QTemporaryDir prefix;
    const Finished installed = run(QStringLiteral("cmake"),
                                   {QStringLiteral("--install"), QStringLiteral(OSTAVEL_BUILD_DIR),
                                    QStringLiteral("--prefix"), prefix.path()});
    ASSERT_EQ(installed.exitCode, 0) << qPrintable(installed.output);

    const QString root = prefix.path();
    const QString entry = root + QStringLiteral("/share/applications/ostavel.desktop");
    expectValid(entry);
    const QString binary = root + QStringLiteral("/bin/ostavel");
    EXPECT_EQ(entryValue(readFile(entry), QStringLiteral("Exec")), binary)
        << "the prefix given at install time";
    EXPECT_TRUE(QFileInfo(binary).isExecutable());
    for (const char* sound : {"break-about-to-begin", "break-started", "break-ends"})
        EXPECT_TRUE(QFile::exists(root + QStringLiteral("/share/ostavel/sounds/%1.mp3").arg(sound)))
            << sound;

    const QString icons = root + QStringLiteral("/share/icons/hicolor");
    EXPECT_TRUE(QFile::exists(icons + QStringLiteral("/scalable/apps/ostavel.svg")));
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        const QImage png(icons + QStringLiteral("/%1x%1/apps/ostavel.png").arg(size));
        EXPECT_EQ(png.size(), QSize(size, size)) << size;
        EXPECT_GT(qAlpha(png.pixel(size / 2, size / 2)), 0) << "drawn, not blank: " << size;
    }
}
