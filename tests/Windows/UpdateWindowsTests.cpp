#include "Configuration/StoreKeys.h"
#include "Configuration/UserDefaults.h"
#include "FakeAppcastFetcher.h"
#include "FakeServiceTimer.h"
#include "Services/Update/SparkleUpdaterManager.h"
#include "UserDefaultsReset.h"
#include "Windows/UpdateCheckDialog.h"
#include "Windows/UpdatePromptDialog.h"
#include "Windows/UpdateWindowController.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <gtest/gtest.h>

namespace {
Appcast appcastWith(const QString& version, const QString& notes = {})
{
    AppcastItem item;
    item.version = version;
    item.title = QStringLiteral("Ostavel ") + version;
    item.description = notes;
    item.enclosureUrl = QUrl(QStringLiteral("https://example.org/ostavel.tar.gz"));
    item.link = QUrl(QStringLiteral("https://example.org/ostavel/") + version);
    return Appcast{{}, {item}};
}

class UpdateWindowsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        resetUserDefaults();
        auto fetcherOwned = std::make_unique<FakeAppcastFetcher>();
        auto timerOwned = std::make_unique<FakeServiceTimer>();
        fetcher = fetcherOwned.get();
        schedule = timerOwned.get();
        manager = std::make_unique<SparkleUpdaterManager>(SparkleUpdaterManager::Environment{
            QStringLiteral("1.4.2"), QStringLiteral("updates.example.org"), std::move(fetcherOwned),
            std::move(timerOwned)});
        controller =
            std::make_unique<UpdateWindowController>(*manager, nullptr, [this](const QUrl& url) {
                opened.append(url);
                return true;
            });
    }

    // A background check that finds `appcast`; answers the prompt it shows.
    UpdatePromptDialog* backgroundPrompt(const Appcast& appcast)
    {
        EXPECT_TRUE(schedule->fire());
        fetcher->complete({appcast, {}});
        return controller->promptDialog();
    }

    FakeAppcastFetcher* fetcher = nullptr;
    FakeServiceTimer* schedule = nullptr;
    std::unique_ptr<SparkleUpdaterManager> manager;
    std::unique_ptr<UpdateWindowController> controller;
    QList<QUrl> opened;
};
} // namespace

TEST_F(UpdateWindowsTest, ManualCheckShowsProgressThenItsResult)
{
    manager->checkForUpdates();
    UpdateCheckDialog* dialog = controller->checkDialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(dialog->isVisible());
    // A dialog of no parent window, so not a Qt::Dialog: that names Qt's unmapped leader window.
    EXPECT_EQ(dialog->windowType(), Qt::Window);
    EXPECT_TRUE(dialog->testAttribute(Qt::WA_X11NetWmWindowTypeDialog));
    EXPECT_TRUE(dialog->isShowingProgress());
    EXPECT_EQ(dialog->titleLabel()->text(), "Checking for updates…");
    EXPECT_EQ(dialog->button()->text(), "Cancel");

    fetcher->complete({appcastWith(QStringLiteral("1.4.2")), {}});
    EXPECT_FALSE(dialog->isShowingProgress());
    EXPECT_EQ(dialog->titleLabel()->text(), "You’re up to date!");
    EXPECT_EQ(dialog->detailLabel()->text(), "Ostavel 1.4.2 is the newest version available.");
    EXPECT_EQ(dialog->button()->text(), "OK");

    manager->checkForUpdates();
    EXPECT_TRUE(dialog->isShowingProgress());
    fetcher->complete(
        {std::nullopt, QStringLiteral("The update feed answered with HTTP status 500.")});
    EXPECT_EQ(dialog->titleLabel()->text(), "Update check failed");
    EXPECT_EQ(dialog->detailLabel()->text(), "The update feed answered with HTTP status 500.");
    EXPECT_EQ(controller->promptDialog(), nullptr);
}

TEST_F(UpdateWindowsTest, BackgroundChecksShowOnlyUpdates)
{
    EXPECT_TRUE(schedule->fire());
    fetcher->complete({appcastWith(QStringLiteral("1.4.2")), {}});
    EXPECT_TRUE(schedule->fire());
    fetcher->complete({std::nullopt, QStringLiteral("offline")});
    EXPECT_EQ(controller->checkDialog(), nullptr);
    EXPECT_EQ(controller->promptDialog(), nullptr);
}

TEST_F(UpdateWindowsTest, PromptShowsPlainNotesAndSkippingRemembersTheVersion)
{
    UpdatePromptDialog* prompt = backgroundPrompt(appcastWith(
        QStringLiteral("1.5"), QStringLiteral("<ul><li>Calmer <b>breaks</b></li></ul>")));
    ASSERT_NE(prompt, nullptr);
    EXPECT_TRUE(prompt->isVisible());
    EXPECT_TRUE(prompt->messageLabel()->text().contains("Ostavel 1.5 is now available"));
    EXPECT_TRUE(prompt->messageLabel()->text().contains("you have 1.4.2"));
    EXPECT_EQ(prompt->notesView()->toPlainText(), "Calmer breaks");

    prompt->skipButton()->click();
    EXPECT_EQ(UserDefaults::value(StoreKeys::skippedVersion).toString(), "1.5");
    EXPECT_TRUE(opened.isEmpty());
    // The skipped version no longer shows up in the background.
    EXPECT_TRUE(schedule->fire());
    fetcher->complete({appcastWith(QStringLiteral("1.5")), {}});
    EXPECT_TRUE(controller->promptDialog() == nullptr || !controller->promptDialog()->isVisible());
}

TEST_F(UpdateWindowsTest, DownloadOpensTheHttpsPageAndLaterDoesNothing)
{
    UpdatePromptDialog* prompt = backgroundPrompt(appcastWith(QStringLiteral("1.6")));
    ASSERT_NE(prompt, nullptr);
    EXPECT_TRUE(prompt->notesView()->isHidden());
    prompt->downloadButton()->click();
    EXPECT_EQ(opened, QList<QUrl>{QUrl("https://example.org/ostavel/1.6")});

    prompt = backgroundPrompt(appcastWith(QStringLiteral("1.6")));
    ASSERT_NE(prompt, nullptr);
    prompt->laterButton()->click();
    EXPECT_EQ(opened.size(), 1);
    EXPECT_FALSE(UserDefaults::contains(StoreKeys::skippedVersion));
}

TEST(UpdatePromptDialog, NotesFallBackToTheReleaseNotesAddress)
{
    UpdateOffer offer;
    offer.notes = QStringLiteral("Plain text\nkeeps its lines");
    EXPECT_EQ(UpdatePromptDialog::plainNotes(offer), "Plain text\nkeeps its lines");
    offer.notes.clear();
    offer.releaseNotesLink = QUrl(QStringLiteral("https://example.org/notes.html"));
    EXPECT_EQ(UpdatePromptDialog::plainNotes(offer),
              "Release notes: https://example.org/notes.html");
}
