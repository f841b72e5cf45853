#include "Views/OnboardingHookView.h"

#include "Views/SymbolImage.h"
#include "Views/TextStyle.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

OnboardingHookView::OnboardingHookView(std::function<void()> onContinue, QWidget* parent)
    : QWidget(parent)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(40, 40, 40, 40);
    layout->setSpacing(24);
    layout->addStretch(1);

    auto* icon = new QLabel(this);
    icon->setPixmap(QPixmap::fromImage(SymbolImage::render(QStringLiteral("figure.stand"), 64,
                                                           palette().color(QPalette::WindowText),
                                                           devicePixelRatioF())));
    icon->setAlignment(Qt::AlignCenter);
    layout->addWidget(icon);

    auto* text = new QVBoxLayout;
    text->setSpacing(12);
    auto* title = new QLabel(heading, this);
    QFont titleFont = textStyleFont(TextStyle::largeTitle);
    titleFont.setBold(true);
    title->setFont(titleFont);
    title->setAlignment(Qt::AlignCenter);
    text->addWidget(title);
    auto* subtitle = new QLabel(tagline, this);
    subtitle->setFont(textStyleFont(TextStyle::body));
    subtitle->setAlignment(Qt::AlignCenter);
    subtitle->setForegroundRole(QPalette::PlaceholderText);
    text->addWidget(subtitle);
    layout->addLayout(text);

    m_continue = new QPushButton(QStringLiteral("Continue"), this);
    m_continue->setDefault(true);
    m_continue->setMinimumWidth(120);
    connect(m_continue, &QPushButton::clicked, this,
            [onContinue = std::move(onContinue)] { onContinue(); });
    layout->addWidget(m_continue, 0, Qt::AlignHCenter);
    layout->addStretch(1);
}
