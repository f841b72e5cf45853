#include "Configuration/ConfigurationManager.h"
#include "ConfigurationTest.h"
#include "Platform/Linux/DesktopEntryCatalogue.h"
#include "Platform/Linux/DesktopEntryInstalledApplications.h"
#include "Screenshots.h"
#include "TestFiles.h"
#include "UserDefaultsReset.h"
#include "Views/AppListView.h"
#include "Views/ApplicationIconLoader.h"
#include "Views/ApplicationListModel.h"
#include "Views/ApplicationPickerDialog.h"
#include "Views/DisclosureGroup.h"
#include "Views/OthersTab.h"
#include "Views/SettingsView.h"
#include "Views/SmartFocusTab.h"
#include "Views/TimingTab.h"
#include "Views/ToggleSwitch.h"
#include "Windows/SettingsWindowController.h"

#include <QApplication>
#include <QBuffer>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace {
using Field = SmartFocusTab::AppListField;

class SmartFocusTest : public ConfigurationTest {
protected:
    SmartFocusTest()
    {
        SettingsEnvironment environment;
        environment.pickApplication = [this](QWidget*, SettingsEnvironment::PickerCompletion done) {
            ++pickerCalls;
            done(nextPick);
        };
        tab = std::make_unique<SmartFocusTab>(manager, environment);
    }

    std::optional<AppEntry> nextPick;
    int pickerCalls = 0;
    std::unique_ptr<SmartFocusTab> tab;
};

QImage solid(const QColor& color)
{
    QImage image(32, 32, QImage::Format_ARGB32);
    image.fill(color);
    return image;
}

void writeImage(const QString& path, const QColor& color)
{
    QDir().mkpath(QFileInfo(path).path());
    ASSERT_TRUE(solid(color).save(path, "PNG"));
}

QColor centre(const QIcon& icon)
{
    return icon.pixmap(24, 24).toImage().pixelColor(12, 12);
}

// Applications, icons in a small theme, an absolute path and a pixmap folder, and entries a
// picker must leave out.
class FakeXdgTree {
public:
    FakeXdgTree()
    {
        const QString apps = root() + "/applications/";
        writeTestFile(apps + "org.example.Themed.desktop",
                      "[Desktop Entry]\nType=Application\nName=Themed\nName[de]=Thema\n"
                      "Exec=themed\nIcon=themed-app\n");
        writeTestFile(apps + "absolute.desktop",
                      "[Desktop Entry]\nType=Application\nName=Absolute\n"
                      "Exec=absolute\nIcon=" +
                          (root() + "/abs.png").toUtf8() + "\n");
        writeTestFile(apps + "pixmap.desktop", "[Desktop Entry]\nType=Application\nName=Pixmap\n"
                                               "Exec=pixmap\nIcon=pixapp.png\n");
        writeTestFile(apps + "missing-icon.desktop",
                      "[Desktop Entry]\nType=Application\nName=Missing Icon\nExec=mi\nIcon=nope\n");
        writeTestFile(apps + "kde/no-icon.desktop",
                      "[Desktop Entry]\nType=Application\nName=another app\nExec=na\n");
        // Left out: not parseable, not an application, no name, hidden, not for menus.
        writeTestFile(apps + "garbage.desktop", "\x01\x02 not a key file\n");
        writeTestFile(apps + "link.desktop", "[Desktop Entry]\nType=Link\nName=Link\nURL=x\n");
        writeTestFile(apps + "noname.desktop", "[Desktop Entry]\nType=Application\nExec=x\n");
        writeTestFile(apps + "hidden.desktop",
                      "[Desktop Entry]\nType=Application\nName=Hidden\nHidden=true\n");
        writeTestFile(apps + "nodisplay.desktop",
                      "[Desktop Entry]\nType=Application\nName=Helper\nNoDisplay=true\n");

        writeTestFile(root() + "/icons/TestTheme/index.theme",
                      "[Icon Theme]\nName=TestTheme\nDirectories=48x48/apps\n\n"
                      "[48x48/apps]\nSize=48\nType=Fixed\n");
        writeImage(root() + "/icons/TestTheme/48x48/apps/themed-app.png", Qt::red);
        writeImage(root() + "/abs.png", Qt::green);
        writeImage(root() + "/pixmaps/pixapp.png", Qt::blue);
        QIcon::setThemeSearchPaths({root() + "/icons"});
        QIcon::setThemeName(QStringLiteral("TestTheme"));
    }

    QString root() const { return m_dir.path(); }
    std::shared_ptr<const InstalledApplications> applications(const QString& locale = "de_DE")
    {
        return std::make_shared<DesktopEntryInstalledApplications>(
            std::make_shared<DesktopEntryCatalogue>(QStringList{root() + "/applications"}, locale));
    }
    QStringList pixmapDirs() const { return {root() + "/pixmaps"}; }

private:
    QTemporaryDir m_dir;
};
} // namespace

TEST_F(SmartFocusTest, ListsAddRemoveAndIgnoreDuplicatesWithOneWriteEach)
{
    const AppEntry boxes{"org.gnome.Boxes", "Boxes"};
    const struct {
        Field field;
        AppListView* view;
    } lists[] = {{&Configuration::meetingApps, tab->meetingList()},
                 {&Configuration::meetingExclusionApps, tab->exclusionList()},
                 {&Configuration::breakBlockerApps, tab->blockerList()}};
    for (const auto& list : lists) {
        QSignalSpy saves(&manager, &ConfigurationManager::configChanged);
        const QList<AppEntry> before = manager.config().*list.field;
        nextPick = boxes;
        list.view->addButton()->click();
        EXPECT_EQ(saves.count(), 1);
        EXPECT_EQ(manager.config().*list.field, before + QList<AppEntry>{boxes});
        EXPECT_EQ(list.view->apps().last(), boxes) << "the rows follow";

        // The same id again, even under another name, or a cancelled picker: nothing.
        nextPick = AppEntry{"org.gnome.Boxes", "Boxes (Flatpak)"};
        list.view->addButton()->click();
        nextPick.reset();
        list.view->addButton()->click();
        EXPECT_EQ(saves.count(), 1);

        list.view->removeButton(int(list.view->apps().size()) - 1)->click();
        EXPECT_EQ(saves.count(), 2);
        EXPECT_EQ(manager.config().*list.field, before);
    }
    EXPECT_EQ(pickerCalls, 9);

    // One press takes every entry of that id.
    store([](Configuration& c) {
        c.breakBlockerApps = {{"a", "A"}, {"b", "B"}, {"a", "A again"}};
    });
    ASSERT_EQ(tab->blockerList()->apps().size(), 3);
    tab->blockerList()->removeButton(2)->click();
    EXPECT_EQ(manager.config().breakBlockerApps, QList<AppEntry>({{"b", "B"}}));
    store([](Configuration& c) { c.breakBlockerApps.clear(); });
    EXPECT_TRUE(tab->blockerList()->apps().isEmpty());
    EXPECT_TRUE(tab->blockerList()->removeButton(0) == nullptr) << "only Add App... is left";
}

TEST_F(SmartFocusTest, ResetToDefaultsShowsWhileTheListDiffers)
{
    tab->show();
    tab->meetingGroup()->setExpanded(true);
    tab->exclusionGroup()->setExpanded(true);
    EXPECT_FALSE(tab->meetingResetButton()->isVisible());
    EXPECT_FALSE(tab->exclusionResetButton()->isVisible());

    const std::function<void(QList<AppEntry>&)> changes[] = {
        [](QList<AppEntry>& l) { l.removeFirst(); },
        [](QList<AppEntry>& l) {
            l.append(AppEntry{"x", "X"});
        },
        [](QList<AppEntry>& l) { l.swapItemsAt(0, 1); },
        [](QList<AppEntry>& l) { l[0].displayName += " Beta"; },
        [](QList<AppEntry>& l) { l.clear(); },
    };
    for (const auto& change : changes) {
        store([&change](Configuration& c) { change(c.meetingApps); });
        EXPECT_TRUE(tab->meetingResetButton()->isVisible());
        QSignalSpy saves(&manager, &ConfigurationManager::configChanged);
        tab->meetingResetButton()->click();
        EXPECT_EQ(saves.count(), 1);
        EXPECT_EQ(manager.config().meetingApps, AppEntry::defaultMeetingApps());
        EXPECT_FALSE(tab->meetingResetButton()->isVisible());
    }
    store([](Configuration& c) { c.meetingExclusionApps.clear(); });
    EXPECT_TRUE(tab->exclusionResetButton()->isVisible());
    tab->exclusionResetButton()->click();
    EXPECT_EQ(manager.config().meetingExclusionApps, AppEntry::defaultMeetingExclusionApps());
    for (QPushButton* b : tab->blockerGroup()->findChildren<QPushButton*>())
        EXPECT_NE(b->text(), "Reset to Defaults");
}

TEST_F(SmartFocusTest, TheMeetingSwitchHidesTheExclusionGroupAndKeepsItsList)
{
    tab->show();
    store([](Configuration& c) { c.meetingExclusionApps.append(AppEntry{"x", "X"}); });
    tab->exclusionGroup()->setExpanded(true);
    EXPECT_TRUE(tab->exclusionGroup()->isVisible());

    QSignalSpy saves(&manager, &ConfigurationManager::configChanged);
    tab->meetingSwitch()->click();
    EXPECT_EQ(saves.count(), 1);
    EXPECT_FALSE(manager.config().breakBlockMeetingEnabled);
    EXPECT_FALSE(tab->exclusionGroup()->isVisible()) << "at once";
    EXPECT_FALSE(tab->meetingGroup()->isExpanded()) << "the switch leaves the group alone";
    const qsizetype kept = AppEntry::defaultMeetingExclusionApps().size() + 1;
    EXPECT_EQ(manager.config().meetingExclusionApps.size(), kept);

    tab->meetingSwitch()->click();
    EXPECT_TRUE(tab->exclusionGroup()->isVisible());
    EXPECT_TRUE(tab->exclusionGroup()->isExpanded()) << "comes back as it was";
    EXPECT_EQ(tab->exclusionList()->apps().size(), kept);

    // A click on the text opens the group and leaves the switch alone.
    QTest::mouseClick(tab->meetingGroup()->titleLabel(), Qt::LeftButton);
    EXPECT_TRUE(tab->meetingGroup()->isExpanded());
    EXPECT_TRUE(manager.config().breakBlockMeetingEnabled);
    EXPECT_EQ(saves.count(), 2);
    EXPECT_EQ(tab->fullscreenSwitch()->isChecked(), true);
    tab->appsSwitch()->click();
    EXPECT_TRUE(manager.config().breakBlockAppsEnabled);
    EXPECT_FALSE(tab->blockerGroup()->isExpanded());
}

TEST_F(SmartFocusTest, RowsSharingADisplayNameSayWhatTellsThemApart)
{
    const auto caption = [](AppListView* list, const QString& id) -> QString {
        const QList<AppEntry>& apps = list->apps();
        const auto it = std::find_if(apps.cbegin(), apps.cend(),
                                     [&](const AppEntry& e) { return e.bundleIdentifier == id; });
        EXPECT_NE(it, apps.cend()) << qPrintable(id);
        const QLabel* label = list->captionLabel(int(it - apps.cbegin()));
        if (!label)
            return QStringLiteral("(none)");
        EXPECT_EQ(label->textFormat(), Qt::PlainText) << "the identifier comes from a file name";
        return label->text();
    };
    const std::pair<const char*, const char*> builtIn[] = {
        {"us.zoom.Zoom", "Flatpak"},
        {"Zoom", "Zoom"},
        {"com.github.IsmaelMartinez.teams_for_linux", "Flatpak"},
        {"teams-for-linux", "teams-for-linux"},
        {"org.mozilla.firefox", "Flatpak"},
        {"firefox-esr", "firefox-esr"},
        {"firefox", "firefox"},
        {"webex", "(none)"},
    };
    for (const auto& [id, text] : builtIn)
        EXPECT_EQ(caption(tab->meetingList(), id), text) << id;
    EXPECT_EQ(caption(tab->exclusionList(), "com.github.wwmm.easyeffects"), "(none)");

    // Any list; only a reverse-DNS id of three parts or more reads as a Flatpak.
    store([](Configuration& c) {
        c.breakBlockerApps = {{"org.example.Chat", "<b>Chat</b>"},
                              {"chat.app", "<b>Chat</b>"},
                              {"chat", "<b>Chat</b>"},
                              {"org.example.Other", "Other"}};
    });
    AppListView* blockers = tab->blockerList();
    EXPECT_EQ(caption(blockers, "org.example.Chat"), "Flatpak");
    EXPECT_EQ(caption(blockers, "chat.app"), "chat.app");
    EXPECT_EQ(caption(blockers, "chat"), "chat");
    EXPECT_EQ(caption(blockers, "org.example.Other"), "(none)");
    EXPECT_EQ(manager.config().breakBlockerApps.first().displayName, "<b>Chat</b>")
        << "stored names stay as they are";

    // A name left alone loses its caption.
    blockers->removeButton(2)->click();
    blockers->removeButton(1)->click();
    EXPECT_EQ(caption(blockers, "org.example.Chat"), "(none)");
}

TEST(ApplicationPicker, ListsTheGoodEntriesOfAnXdgTreeWithTheirIcons)
{
    FakeXdgTree tree;
    const QList<InstalledApplication> apps = tree.applications()->applications();
    QStringList names;
    for (const InstalledApplication& app : apps)
        names << app.name + "=" + app.id;
    EXPECT_EQ(names, QStringList({"Absolute=absolute", "another app=kde-no-icon",
                                  "Missing Icon=missing-icon", "Pixmap=pixmap",
                                  "Thema=org.example.Themed"}))
        << "localized, sorted by name, broken and hidden entries left out";

    ApplicationIconLoader icons(tree.pixmapDirs());
    const QColor generic = centre(ApplicationIconLoader::genericIcon());
    EXPECT_EQ(centre(icons.icon("themed-app")), QColor(Qt::red));
    EXPECT_EQ(centre(icons.icon(tree.root() + "/abs.png")), QColor(Qt::green));
    EXPECT_EQ(centre(icons.icon("pixapp.png")), QColor(Qt::blue));
    EXPECT_EQ(centre(icons.icon("pixapp")), QColor(Qt::blue));
    for (const QString& name : {QString("nope"), QString(), tree.root() + "/missing.png",
                                QString("../pixmaps/pixapp"), tree.root() + "/applications"})
        EXPECT_EQ(centre(icons.icon(name)), generic) << name.toStdString();

    ApplicationPickerDialog picker(tree.applications(), tree.pixmapDirs());
    std::optional<AppEntry> picked;
    int reports = 0;
    QObject::connect(&picker, &ApplicationPickerDialog::picked,
                     [&](const std::optional<AppEntry>& e) {
                         picked = e;
                         ++reports;
                     });
    EXPECT_FALSE(picker.isModal());
    EXPECT_EQ(picker.windowTitle(), "Select Application");
    picker.show();
    QSignalSpy loaded(&picker, &ApplicationPickerDialog::applicationsLoaded);
    ASSERT_TRUE(loaded.wait(5000));
    EXPECT_EQ(picker.model()->rowCount(), 5);
    QTest::keyClicks(picker.searchField(), "THEM");
    EXPECT_EQ(picker.listView()->model()->rowCount(), 1);
    EXPECT_EQ(
        centre(picker.listView()->model()->index(0, 0).data(Qt::DecorationRole).value<QIcon>()),
        QColor(Qt::red));
    QTest::keyClick(picker.searchField(), Qt::Key_Return);
    EXPECT_EQ(reports, 1);
    EXPECT_EQ(picked, AppEntry({"org.example.Themed", "Thema"}));
}

TEST(ApplicationPicker, LoadsIconsOnlyForTheRowsItShowsAndCancelPicksNothing)
{
    FakeXdgTree tree;
    QList<InstalledApplication> many;
    for (int i = 0; i < 600; ++i)
        many.append({QString("app%1").arg(i, 3, 10, QChar('0')),
                     QString("App %1").arg(i, 3, 10, QChar('0')), "themed-app"});
    auto* picker = new ApplicationPickerDialog(nullptr, tree.pixmapDirs());
    QPointer<ApplicationPickerDialog> alive(picker);
    int reports = 0;
    std::optional<AppEntry> picked{AppEntry{}};
    QObject::connect(picker, &ApplicationPickerDialog::picked,
                     [&](const std::optional<AppEntry>& e) {
                         picked = e;
                         ++reports;
                     });
    picker->setApplications(many);
    picker->show();
    QApplication::processEvents();
    picker->listView()->viewport()->repaint();
    EXPECT_GT(picker->model()->loadedIconCount(), 0);
    EXPECT_LT(picker->model()->loadedIconCount(), 60);
    ASSERT_TRUE(picker->selectApplication("app599"));
    EXPECT_TRUE(picker->addButton()->isEnabled());
    QTest::keyClick(picker, Qt::Key_Escape);
    EXPECT_EQ(reports, 1);
    EXPECT_EQ(picked, std::nullopt);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(alive) << "freed once closed";
}

TEST(ApplicationPicker, AFailedReadOfTheEntriesLeavesAnEmptyList)
{
    // As when reading the entries runs out of memory on the picker's worker thread.
    struct Failing final : InstalledApplications {
        QList<InstalledApplication> applications() const override { throw std::bad_alloc(); }
    };
    FakeXdgTree tree;
    ApplicationPickerDialog picker(std::make_shared<Failing>(), tree.pixmapDirs());
    picker.setAttribute(Qt::WA_DeleteOnClose, false);
    QSignalSpy loaded(&picker, &ApplicationPickerDialog::applicationsLoaded);
    ASSERT_TRUE(loaded.wait(5000));
    EXPECT_EQ(picker.model()->rowCount(), 0);
}

// Screenshots of every tab and of the picker, on a real X server with a window manager.
TEST(SettingsScreenshots, EachTabAndThePicker)
{
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        GTEST_SKIP() << "needs X (the settings_screenshots test)";
    resetUserDefaults();
    FakeXdgTree tree;
    ConfigurationManager manager;
    {
        Configuration c = manager.config();
        c.breakBlockerApps = {{"org.example.Themed", "Themed"}, {"pixmap", "Pixmap"}};
        manager.setConfig(c);
    }
    SettingsEnvironment environment;
    environment.applications = tree.applications("C");
    environment.pixmapDirs = tree.pixmapDirs();
    SettingsWindowController controller(manager, nullptr, environment);
    controller.show();
    QWidget* window = controller.window();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    SettingsView* view = controller.view();
    view->timingTab()->advancedGroup()->setExpanded(true);
    view->smartFocusTab()->meetingGroup()->setExpanded(true);
    view->smartFocusTab()->blockerGroup()->setExpanded(true);

    const auto shoot = [&](QWidget* w, const QString& name) {
        EXPECT_TRUE(saveWindowScreenshot(w, name + ".png")) << name.toStdString();
    };
    const QStringList names{"settings-timing", "settings-smart-focus", "settings-others"};
    for (int i = 0; i < 3; ++i) {
        view->tabs()->setCurrentIndex(i);
        shoot(window, names[i]);
    }
    view->tabs()->setCurrentIndex(1);
    view->smartFocusTab()->blockerList()->addButton()->click();
    ApplicationPickerDialog* picker = view->smartFocusTab()->picker();
    ASSERT_TRUE(picker);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(picker));
    QSignalSpy loaded(picker, &ApplicationPickerDialog::applicationsLoaded);
    if (picker->model()->rowCount() == 0) {
        ASSERT_TRUE(loaded.wait(5000));
    }
    shoot(picker, "settings-picker");
    picker->reject();
    controller.dismiss();
}
