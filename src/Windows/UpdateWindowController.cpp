#include "Windows/UpdateWindowController.h"

#include "Services/Update/SparkleUpdaterManager.h"
#include "Views/ToolWindowType.h"
#include "Windows/UpdateCheckDialog.h"
#include "Windows/UpdatePromptDialog.h"

#include <QDesktopServices>

UpdateWindowController::UpdateWindowController(SparkleUpdaterManager& manager, QObject* parent,
                                               UrlOpener openUrl)
    : QObject(parent)
    , m_manager(manager)
    , m_openUrl(openUrl ? std::move(openUrl) : UrlOpener(&QDesktopServices::openUrl))
{
    connect(&m_manager, &SparkleUpdaterManager::checkStarted, this,
            &UpdateWindowController::onCheckStarted);
    connect(&m_manager, &SparkleUpdaterManager::checkFinished, this,
            &UpdateWindowController::onCheckFinished);
}

UpdateWindowController::~UpdateWindowController()
{
    delete m_checkDialog;
    delete m_promptDialog;
}

UpdateCheckDialog* UpdateWindowController::checkDialog() const
{
    return m_checkDialog;
}

UpdatePromptDialog* UpdateWindowController::promptDialog() const
{
    return m_promptDialog;
}

void UpdateWindowController::makeCheckDialog()
{
    m_checkDialog = new UpdateCheckDialog;
    ToolWindowType::applyDialog(*m_checkDialog);
}

void UpdateWindowController::onCheckStarted()
{
    if (!m_checkDialog)
        makeCheckDialog();
    m_checkDialog->showProgress();
    m_checkDialog->show();
    m_checkDialog->raise();
    m_checkDialog->activateWindow();
}

void UpdateWindowController::onCheckFinished(const UpdateCheckResult& result)
{
    if (result.outcome == UpdateCheckResult::Outcome::updateAvailable) {
        if (m_checkDialog)
            m_checkDialog->hide();
        showPrompt(result);
        return;
    }
    // Only manual checks report anything else; show it even if the progress window was closed.
    if (!result.userInitiated)
        return;
    if (!m_checkDialog)
        makeCheckDialog();
    m_checkDialog->showResult(result);
    m_checkDialog->show();
    m_checkDialog->raise();
}

void UpdateWindowController::showPrompt(const UpdateCheckResult& result)
{
    // One prompt at a time; a newer finding replaces the one on screen.
    delete m_promptDialog;
    m_promptDialog = new UpdatePromptDialog(result.offer, result.currentVersion);
    m_promptDialog->setAttribute(Qt::WA_DeleteOnClose);
    ToolWindowType::applyDialog(*m_promptDialog);
    const UpdateOffer offer = result.offer;
    connect(m_promptDialog, &UpdatePromptDialog::chosen, this,
            [this, offer](UpdatePromptDialog::Choice choice) {
                switch (choice) {
                case UpdatePromptDialog::Choice::download:
                    if (offer.downloadPage.scheme() == QLatin1String("https"))
                        m_openUrl(offer.downloadPage);
                    break;
                case UpdatePromptDialog::Choice::skip:
                    m_manager.skipVersion(offer.version);
                    break;
                case UpdatePromptDialog::Choice::later:
                    break;
                }
            });
    m_promptDialog->show();
    m_promptDialog->raise();
    m_promptDialog->activateWindow();
}
