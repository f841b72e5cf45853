#include "Windows/UpdatePromptDialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextDocumentFragment>
#include <QVBoxLayout>

UpdatePromptDialog::UpdatePromptDialog(const UpdateOffer& offer, const QString& currentVersion,
                                       QWidget* parent)
    : QDialog(parent)
    , m_offer(offer)
{
    setWindowTitle(tr("Software Update"));
    setWindowFlag(Qt::WindowStaysOnTopHint);
    setMinimumSize(480, 320);

    auto* heading = new QLabel(tr("A new version of Ostavel is available!"), this);
    QFont headingFont = heading->font();
    headingFont.setPixelSize(15);
    headingFont.setWeight(QFont::DemiBold);
    heading->setFont(headingFont);

    m_message = new QLabel(tr("Ostavel %1 is now available — you have %2. Would you like to "
                              "open its download page?")
                               .arg(offer.displayVersion, currentVersion),
                           this);
    m_message->setWordWrap(true);
    m_message->setTextFormat(Qt::PlainText);

    m_notes = new QPlainTextEdit(this);
    m_notes->setReadOnly(true);
    m_notes->setPlainText(plainNotes(offer));
    m_notes->setVisible(!m_notes->toPlainText().isEmpty());

    m_skip = new QPushButton(tr("Skip This Version"), this);
    m_later = new QPushButton(tr("Remind Me Later"), this);
    m_download = new QPushButton(tr("Open Download Page"), this);
    m_download->setDefault(true);
    connect(m_skip, &QPushButton::clicked, this, [this] { choose(Choice::skip); });
    connect(m_later, &QPushButton::clicked, this, [this] { choose(Choice::later); });
    connect(m_download, &QPushButton::clicked, this, [this] { choose(Choice::download); });

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_skip);
    buttons->addStretch(1);
    buttons->addWidget(m_later);
    buttons->addWidget(m_download);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 20, 20, 20);
    layout->setSpacing(12);
    layout->addWidget(heading);
    layout->addWidget(m_message);
    layout->addWidget(m_notes, 1);
    layout->addLayout(buttons);
}

QString UpdatePromptDialog::plainNotes(const UpdateOffer& offer)
{
    QString notes = offer.notes.trimmed();
    // Feeds usually carry HTML notes; show their text only, never markup or remote content.
    if (Qt::mightBeRichText(notes))
        notes = QTextDocumentFragment::fromHtml(notes).toPlainText().trimmed();
    if (notes.isEmpty() && offer.releaseNotesLink.isValid())
        notes = tr("Release notes: %1").arg(offer.releaseNotesLink.toString());
    return notes;
}

void UpdatePromptDialog::choose(Choice choice)
{
    if (!m_chosen) {
        m_chosen = true;
        emit chosen(choice);
    }
    if (choice == Choice::download)
        accept();
    else
        QDialog::reject();
}

void UpdatePromptDialog::reject()
{
    choose(Choice::later);
}
