#include "Platform/Linux/XdgAutostartLoginItem.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <optional>

namespace {
QString readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

void writeFile(const QString& path, const QByteArray& text)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(text);
}
} // namespace

class XdgAutostartLoginItemTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString autostart = dir.path() + QStringLiteral("/config/autostart");
    XdgAutostartLoginItem item{QStringLiteral("/opt/ostavel/bin/ostavel"), autostart};
};

TEST_F(XdgAutostartLoginItemTest, RegisterWritesTheEntryAndCreatesTheFolder)
{
    EXPECT_FALSE(item.isRegistered());
    ASSERT_TRUE(item.registerItem());
    EXPECT_EQ(item.entryPath(), autostart + QStringLiteral("/ostavel.desktop"));
    EXPECT_EQ(readFile(item.entryPath()),
              QStringLiteral("[Desktop Entry]\n"
                             "Type=Application\n"
                             "Name=Ostavel\n"
                             "Comment=Reminds you to take regular breaks\n"
                             "Exec=/opt/ostavel/bin/ostavel\n"
                             "Icon=ostavel\n"
                             "Terminal=false\n"
                             "X-GNOME-Autostart-enabled=true\n"));
    EXPECT_TRUE(item.isRegistered());
    EXPECT_TRUE(QDir(autostart).entryList(QDir::Files | QDir::Hidden).size() == 1)
        << "no temporary file is left behind";
}

TEST_F(XdgAutostartLoginItemTest, RegisteringAgainKeepsAnIdenticalFile)
{
    ASSERT_TRUE(item.registerItem());
    const QDateTime written = QFileInfo(item.entryPath()).lastModified();
    QFile::setPermissions(item.entryPath(), QFile::ReadOwner);
    EXPECT_TRUE(item.registerItem()) << "nothing to write, so a read-only file is no failure";
    EXPECT_EQ(QFileInfo(item.entryPath()).lastModified(), written);
}

TEST_F(XdgAutostartLoginItemTest, RegisteringReplacesAStaleOrHiddenEntry)
{
    QDir().mkpath(autostart);
    writeFile(item.entryPath(), "[Desktop Entry]\nExec=/old/place/ostavel\nHidden=true\n");
    EXPECT_FALSE(item.isRegistered());
    ASSERT_TRUE(item.registerItem());
    EXPECT_TRUE(item.isRegistered());
    EXPECT_TRUE(
        readFile(item.entryPath()).contains(QStringLiteral("Exec=/opt/ostavel/bin/ostavel\n")));
}

TEST_F(XdgAutostartLoginItemTest, StartUpRegistrationLeavesAnEntryTheDesktopTurnedOff)
{
    // What an autostart manager leaves when the user switches the entry off.
    const QByteArray turnedOff =
        XdgAutostartLoginItem::entryText("/opt/ostavel/bin/ostavel").toUtf8() + "Hidden=true\n";
    struct Case {
        std::optional<QByteArray> existing;
        bool registered;
    };
    const Case cases[] = {
        {std::nullopt, true},
        {QByteArray("[Desktop Entry]\nExec=/old/place/ostavel\n"), true},
        {QByteArray("[Desktop Entry]\nExec=/old/place/ostavel\nHidden=false\n"), true},
        {turnedOff, false},
        {QByteArray("[Desktop Entry]\nExec=/old/place/ostavel\nHidden=true\n"), false},
    };
    for (const Case& c : cases) {
        QFile::remove(item.entryPath());
        QDir().mkpath(autostart);
        if (c.existing)
            writeFile(item.entryPath(), *c.existing);
        EXPECT_TRUE(item.registerAtStartUp());
        EXPECT_EQ(item.isRegistered(), c.registered) << c.existing.value_or("none").constData();
        if (!c.registered) {
            EXPECT_EQ(readFile(item.entryPath()).toUtf8(), *c.existing) << "left untouched";
        }
    }
    // Only the user's own turn-on rewrites it.
    ASSERT_TRUE(item.registerItem());
    EXPECT_TRUE(item.isRegistered());
    EXPECT_EQ(readFile(item.entryPath()),
              XdgAutostartLoginItem::entryText("/opt/ostavel/bin/ostavel"));
}

TEST_F(XdgAutostartLoginItemTest, UnregisterRemovesTheEntry)
{
    ASSERT_TRUE(item.registerItem());
    EXPECT_TRUE(item.unregisterItem());
    EXPECT_FALSE(QFile::exists(item.entryPath()));
    EXPECT_FALSE(item.isRegistered());
    EXPECT_TRUE(item.unregisterItem()) << "nothing to remove is no failure";
}

TEST_F(XdgAutostartLoginItemTest, RegisterFailsWhereTheFolderCannotBeMade)
{
    writeFile(dir.path() + QStringLiteral("/config"), "a file where the folder should be");
    EXPECT_FALSE(item.registerItem());
    EXPECT_FALSE(item.isRegistered());
}

TEST(XdgAutostartEntry, HiddenOnlyInTheMainGroup)
{
    EXPECT_TRUE(XdgAutostartLoginItem::isHiddenEntry("[Desktop Entry]\nHidden = true\n"));
    EXPECT_FALSE(XdgAutostartLoginItem::isHiddenEntry("[Desktop Entry]\nHidden=false\n"));
    EXPECT_FALSE(XdgAutostartLoginItem::isHiddenEntry("[Desktop Entry]\nNoHidden=true\n"));
    EXPECT_FALSE(
        XdgAutostartLoginItem::isHiddenEntry("[Desktop Entry]\n[Desktop Action x]\nHidden=true\n"));
}

TEST(XdgAutostartEntry, ExecArgumentsAreQuotedAndEscaped)
{
    EXPECT_EQ(XdgAutostartLoginItem::execArgument("/usr/bin/ostavel"), "/usr/bin/ostavel");
    EXPECT_EQ(XdgAutostartLoginItem::execArgument("/home/a b/ostavel"), "\"/home/a b/ostavel\"");
    // Inside quotes \" \` \$ \\, then every backslash doubled by the string-value escapes.
    EXPECT_EQ(XdgAutostartLoginItem::execArgument("/x/$HOME\"q"), "\"/x/\\\\$HOME\\\\\"q\"");
    EXPECT_EQ(XdgAutostartLoginItem::execArgument("/x\\y"), "\"/x\\\\\\\\y\"");
    EXPECT_EQ(XdgAutostartLoginItem::execArgument("/opt/100%/ostavel"), "/opt/100%%/ostavel");
    EXPECT_EQ(XdgAutostartLoginItem::execArgument("/a\nb"), "\"/a\\nb\"");
}
