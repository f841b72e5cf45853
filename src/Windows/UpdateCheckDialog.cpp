#include "Windows/UpdateCheckDialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

UpdateCheckDialog::UpdateCheckDialog(QWidget* parent)
    : QDialog(parent)
{
    setWindowTitle(tr("Software Update"));
    setWindowFlag(Qt::WindowStaysOnTopHint);
    setMinimumWidth(380);

    m_title = new QLabel(this);
    QFont titleFont = m_title->font();
    titleFont.setPixelSize(15);
    titleFont.setWeight(QFont::DemiBold);
    m_title->setFont(titleFont);
    m_detail = new QLabel(this);
    m_detail->setWordWrap(true);
    m_detail->setTextFormat(Qt::PlainText);
    m_progress = new QProgressBar(this);
    m_progress->setRange(0, 0);
    m_progress->setTextVisible(false);
    m_button = new QPushButton(this);
    m_button->setDefault(true);
    // While checking the button cancels the window only; the check itself finishes quietly.
    connect(m_button, &QPushButton::clicked, this, &QDialog::accept);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_button);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 20, 20, 20);
    layout->setSpacing(12);
    layout->addWidget(m_title);
    layout->addWidget(m_detail);
    layout->addWidget(m_progress);
    layout->addLayout(buttons);
    showProgress();
}

void UpdateCheckDialog::showProgress()
{
    m_title->setText(tr("Checking for updates…"));
    m_detail->clear();
    m_detail->hide();
    m_progress->show();
    m_button->setText(tr("Cancel"));
}

void UpdateCheckDialog::showResult(const UpdateCheckResult& result)
{
    m_progress->hide();
    m_detail->show();
    m_button->setText(tr("OK"));
    if (result.outcome == UpdateCheckResult::Outcome::upToDate) {
        m_title->setText(tr("You’re up to date!"));
        m_detail->setText(
            tr("Ostavel %1 is the newest version available.").arg(result.currentVersion));
    } else {
        m_title->setText(tr("Update check failed"));
        m_detail->setText(result.errorMessage);
    }
}

bool UpdateCheckDialog::isShowingProgress() const
{
    return !m_progress->isHidden();
}
