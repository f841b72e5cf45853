#pragma once

#include "Services/Update/UpdateCheckResult.h"

#include <QObject>
#include <QPointer>
#include <QUrl>
#include <functional>

class SparkleUpdaterManager;
class UpdateCheckDialog;
class UpdatePromptDialog;

// Shows what the updater manager reports: the manual check's progress and result, and the update
// prompt. "Open Download Page" opens the HTTPS page in the browser; "Skip This Version" tells the
// manager. Created once by the app; both must live on the main thread.
class UpdateWindowController : public QObject {
    Q_OBJECT

public:
    using UrlOpener = std::function<bool(const QUrl&)>;

    // The opener defaults to the desktop's browser.
    explicit UpdateWindowController(SparkleUpdaterManager& manager, QObject* parent = nullptr,
                                    UrlOpener openUrl = {});
    ~UpdateWindowController() override;

    UpdateCheckDialog* checkDialog() const;
    UpdatePromptDialog* promptDialog() const;

private:
    void onCheckStarted();
    void onCheckFinished(const UpdateCheckResult& result);
    void makeCheckDialog();
    void showPrompt(const UpdateCheckResult& result);

    SparkleUpdaterManager& m_manager;
    UrlOpener m_openUrl;
    QPointer<UpdateCheckDialog> m_checkDialog;
    QPointer<UpdatePromptDialog> m_promptDialog;
};
