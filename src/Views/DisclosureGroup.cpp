#include "Views/DisclosureGroup.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QToolButton>
#include <QVBoxLayout>

DisclosureGroup::DisclosureGroup(const QString& title, bool stretchTitle, QWidget* parent)
    : QWidget(parent)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(6);

    m_header = new QHBoxLayout;
    m_header->setContentsMargins(0, 0, 0, 0);
    m_arrow = new QToolButton(this);
    m_arrow->setArrowType(Qt::RightArrow);
    m_arrow->setAutoRaise(true);
    m_arrow->setFixedSize(18, 18);
    m_arrow->setAccessibleName(title);
    connect(m_arrow, &QToolButton::clicked, this, &DisclosureGroup::toggle);
    m_title = new QLabel(title, this);
    m_title->setTextFormat(Qt::PlainText);
    m_title->installEventFilter(this);
    m_header->addWidget(m_arrow);
    m_header->addWidget(m_title, stretchTitle ? 1 : 0);
    layout->addLayout(m_header);

    m_content = new QWidget(this);
    m_contentLayout = new QVBoxLayout(m_content);
    m_contentLayout->setContentsMargins(22, 0, 0, 0);
    m_contentLayout->setSpacing(8);
    m_content->setVisible(false);
    layout->addWidget(m_content);
}

void DisclosureGroup::setExpanded(bool expanded)
{
    if (expanded == m_expanded)
        return;
    m_expanded = expanded;
    m_arrow->setArrowType(expanded ? Qt::DownArrow : Qt::RightArrow);
    m_content->setVisible(expanded);
}

bool DisclosureGroup::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_title && event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton &&
        m_title->rect().contains(static_cast<QMouseEvent*>(event)->position().toPoint())) {
        toggle();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}
