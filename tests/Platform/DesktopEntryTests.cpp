#include "Platform/Linux/DesktopEntry.h"
#include "Platform/Linux/DesktopEntryCatalogue.h"
#include "Platform/Linux/DesktopEntryParser.h"
#include "TestFiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {
std::optional<DesktopEntry> parse(const QByteArray& text, const QString& locale = {})
{
    return DesktopEntry::parse(text, QStringLiteral("test"), locale);
}
} // namespace

TEST(DesktopEntryParser, EscapesAndLists)
{
    EXPECT_EQ(DesktopEntryParser::unescape(uR"(a\sb\tc\nd\\e\;f\qg)"), "a b\tc\nd\\e;f\\qg");
    EXPECT_EQ(DesktopEntryParser::splitList(uR"(Audio;Video\;Player;a\\;)"),
              (QStringList{"Audio", "Video;Player", "a\\"}));
    EXPECT_EQ(DesktopEntryParser::splitList(u"one"), QStringList{"one"});
    EXPECT_TRUE(DesktopEntryParser::splitList(u"").isEmpty());
}

TEST(DesktopEntryParser, LocalizedValuesFallBackInTheStandardOrder)
{
    const DesktopEntryParser::Group group{
        {"Name", "Plain"},         {"Name[sr]", "Serbian"},        {"Name[sr@latin]", "Latin"},
        {"Name[sr_RS]", "Serbia"}, {"Name[de]", "Deutsch\\sName"},
    };
    using DesktopEntryParser::localizedValue;
    EXPECT_EQ(localizedValue(group, "Name", "sr_RS.UTF-8@latin"), "Serbia");
    EXPECT_EQ(localizedValue(group, "Name", "sr_ME@latin"), "Latin");
    EXPECT_EQ(localizedValue(group, "Name", "sr_ME.UTF-8"), "Serbian");
    EXPECT_EQ(localizedValue(group, "Name", "de_AT"), "Deutsch Name");
    EXPECT_EQ(localizedValue(group, "Name", "fr_FR"), "Plain");
    EXPECT_EQ(localizedValue(group, "Name", ""), "Plain");
    EXPECT_EQ(localizedValue(group, "Comment", "de"), std::nullopt);
}

TEST(DesktopEntryParser, ExecArgumentsHonourQuotesAndDropFieldCodes)
{
    using DesktopEntryParser::execArguments;
    EXPECT_EQ(execArguments(R"(/usr/bin/foo --new-window %U)"),
              (QStringList{"/usr/bin/foo", "--new-window"}));
    EXPECT_EQ(execArguments(R"("/opt/My App/run" "say \"hi\" \$HOME" 100%% %f)"),
              (QStringList{"/opt/My App/run", R"(say "hi" $HOME)", "100%"}));
    EXPECT_EQ(execArguments(R"(foo "unclosed)"), std::nullopt);
}

TEST(DesktopEntry, ReadsAnApplication)
{
    const auto entry = parse("# comment\n"
                             "[Desktop Entry]\r\n"
                             "Type=Application\n"
                             "Name=Text Editor\n"
                             "Name[de]=Texteditor\n"
                             "Exec=env GTK_THEME=Adwaita:dark /usr/bin/gnome-text-editor %U\n"
                             "TryExec=gnome-text-editor\n"
                             "Icon=org.gnome.TextEditor\n"
                             "Categories=Utility;TextEditor;\n"
                             "\n"
                             "[Desktop Action new-window]\n"
                             "Name=New Window\n"
                             "Exec=gnome-text-editor --new-window\n",
                             "de_DE.UTF-8");
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->name, "Texteditor");
    EXPECT_EQ(entry->program, "/usr/bin/gnome-text-editor");
    EXPECT_EQ(entry->tryExec, "gnome-text-editor");
    EXPECT_EQ(entry->icon, "org.gnome.TextEditor");
    EXPECT_FALSE(entry->noDisplay);
    EXPECT_FALSE(entry->hidden);
}

TEST(DesktopEntry, FlagsAndHiddenFiles)
{
    const auto handler = parse("[Desktop Entry]\nType=Application\nName=Handler\nNoDisplay=true\n"
                               "Exec=handler\nX-Flatpak=org.example.Handler\n");
    ASSERT_TRUE(handler);
    EXPECT_TRUE(handler->noDisplay);
    EXPECT_EQ(handler->flatpakId, "org.example.Handler");
    // A deleted entry needs nothing but the flag.
    const auto deleted = parse("[Desktop Entry]\nHidden=true\n");
    ASSERT_TRUE(deleted);
    EXPECT_TRUE(deleted->hidden);
}

TEST(DesktopEntry, RejectsBrokenAndNonApplicationFiles)
{
    const QList<QByteArray> broken{
        "",
        "Name=Orphan key\n[Desktop Entry]\nType=Application\n",
        "[Desktop Entry]\nType=Application\nName=No equals\njust words\n",
        "[Desktop Entry]\nType=Application\nName=Bad key\nEx ec=foo\n",
        "[Desktop Entry\nType=Application\nName=Open group\n",
        "[Desktop Entry]\nType=Application\nName=Twice\n[Desktop Entry]\nName=Again\n",
        "[Desktop Entry]\nType=Application\n",
        "[Desktop Entry]\nType=Link\nName=A link\nURL=https://example.org\n",
        "[Desktop Entry]\nType=Application\nName=Quote\nExec=\"foo\n",
        "[Other Group]\nType=Application\nName=Wrong group\n",
        "\xff\xfe[\0\0",
    };
    for (const QByteArray& text : broken)
        EXPECT_EQ(parse(text), std::nullopt) << text.constData();
}

class CatalogueTest : public ::testing::Test {
protected:
    QString userDir() const { return m_root.path() + "/home/applications"; }
    QString systemDir() const { return m_root.path() + "/usr/applications"; }
    DesktopEntryCatalogue catalogue(const QString& locale = {}) const
    {
        return DesktopEntryCatalogue({userDir(), systemDir()}, locale);
    }

    static QByteArray app(const char* name, const char* exec = "true", const char* extra = "")
    {
        return QByteArray("[Desktop Entry]\nType=Application\nName=") + name + "\nExec=" + exec +
               "\n" + extra;
    }

private:
    QTemporaryDir m_root;
};

TEST_F(CatalogueTest, FirstFolderWinsAndHiddenHidesTheId)
{
    writeTestFile(userDir() + "/org.example.Mine.desktop", app("Mine (user)"));
    writeTestFile(systemDir() + "/org.example.Mine.desktop", app("Mine (system)"));
    writeTestFile(userDir() + "/org.example.Gone.desktop", "[Desktop Entry]\nHidden=true\n");
    writeTestFile(systemDir() + "/org.example.Gone.desktop", app("Gone"));
    writeTestFile(userDir() + "/org.example.Kept.desktop", "[Desktop Entry]\nbroken line\n");
    writeTestFile(systemDir() + "/org.example.Kept.desktop", app("Kept"));
    writeTestFile(systemDir() + "/kde4/konsole.desktop", app("Konsole"));
    writeTestFile(systemDir() + "/readme.txt", "not an entry");

    const DesktopEntryCatalogue c = catalogue();
    QStringList ids;
    for (const DesktopEntry& entry : c.entries())
        ids << entry.id;
    EXPECT_EQ(ids, (QStringList{"kde4-konsole", "org.example.Kept", "org.example.Mine"}));
    EXPECT_EQ(c.entry("org.example.Mine")->name, "Mine (user)");
    EXPECT_EQ(c.entry("org.example.Gone"), std::nullopt);
    EXPECT_EQ(c.entry("org.example.Kept")->name, "Kept");
    const std::optional<DesktopEntry> konsole =
        c.entryForFile(systemDir() + "/kde4/../kde4/konsole.desktop");
    ASSERT_NE(konsole, std::nullopt);
    EXPECT_EQ(konsole->id, "kde4-konsole");
}

TEST_F(CatalogueTest, ExecutablesNameTheirEntryButLaunchersDoNot)
{
    writeTestFile(systemDir() + "/firefox-esr.desktop",
                  app("Firefox ESR", "/usr/lib/firefox-esr/firefox-esr %u"));
    writeTestFile(systemDir() + "/org.example.Tool.desktop",
                  app("Tool", "sh -c \"tool --fancy\"", "TryExec=/usr/bin/tool\n"));
    writeTestFile(systemDir() + "/org.example.Script.desktop",
                  app("Script", "python3 /opt/script.py"));
    writeTestFile(
        systemDir() + "/org.example.Packed.desktop",
        app("Packed", "/usr/bin/flatpak run org.example.Packed", "X-Flatpak=org.example.Packed\n"));
    writeTestFile(systemDir() + "/zz.second-firefox.desktop", app("Second", "firefox-esr"));

    const DesktopEntryCatalogue c = catalogue();
    ASSERT_NE(c.entryForExecutable("firefox-esr"), std::nullopt);
    EXPECT_EQ(c.entryForExecutable("firefox-esr")->id, "firefox-esr");
    ASSERT_NE(c.entryForExecutable("tool"), std::nullopt);
    EXPECT_EQ(c.entryForExecutable("tool")->id, "org.example.Tool");
    EXPECT_EQ(c.entryForExecutable("sh"), std::nullopt);
    EXPECT_EQ(c.entryForExecutable("python3"), std::nullopt);
    EXPECT_EQ(c.entryForExecutable("flatpak"), std::nullopt);
}

TEST_F(CatalogueTest, NamesFollowTheLocaleAndStandardDirsFollowXdg)
{
    writeTestFile(systemDir() + "/org.example.Files.desktop",
                  app("Files", "nautilus", "Name[fr]=Fichiers\nNoDisplay=true\n"));
    const DesktopEntryCatalogue french = catalogue("fr_CA.UTF-8");
    EXPECT_EQ(french.entry("org.example.Files")->name, "Fichiers");
    EXPECT_TRUE(french.entry("org.example.Files")->noDisplay);

    const QByteArray savedDirs = qgetenv("XDG_DATA_DIRS");
    qputenv("XDG_DATA_DIRS", "/first/share:/second/share");
    const QStringList dirs = DesktopEntryCatalogue::standardApplicationDirs();
    qputenv("XDG_DATA_DIRS", savedDirs);
    ASSERT_EQ(dirs.size(), 3);
    EXPECT_EQ(dirs[0], qEnvironmentVariable("XDG_DATA_HOME") + "/applications");
    EXPECT_EQ(dirs.mid(1),
              (QStringList{"/first/share/applications", "/second/share/applications"}));
}
