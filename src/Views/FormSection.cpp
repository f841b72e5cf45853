#include "Views/FormSection.h"

#include "Views/InfoTip.h"
#include "Views/TextStyle.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

FormSection::FormSection(const QString& header, QWidget* parent)
    : QWidget(parent)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(4);
    if (!header.isEmpty()) {
        m_header = new QLabel(header, this);
        m_header->setFont(textStyleFont(TextStyle::headline));
        m_header->setContentsMargins(4, 0, 0, 0);
        layout->addWidget(m_header);
    }
    auto* box = new QFrame(this);
    box->setObjectName(QStringLiteral("formBox"));
    box->setStyleSheet(QStringLiteral("#formBox { background: palette(base); border: 1px solid "
                                      "palette(midlight); border-radius: 8px; }"));
    m_rows = new QVBoxLayout(box);
    m_rows->setContentsMargins(12, 8, 12, 8);
    m_rows->setSpacing(8);
    layout->addWidget(box);
}

QWidget* FormSection::addSeparatorIfNeeded()
{
    if (m_rows->count() == 0)
        return nullptr;
    auto* line = new QFrame;
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Plain);
    line->setStyleSheet(QStringLiteral("color: palette(midlight);"));
    m_rows->addWidget(line);
    return line;
}

void FormSection::addRow(QWidget* row)
{
    if (QWidget* separator = addSeparatorIfNeeded())
        m_separators.insert(row, separator);
    m_rows->addWidget(row);
}

void FormSection::setRowVisible(QWidget* row, bool visible)
{
    row->setVisible(visible);
    if (QWidget* separator = m_separators.value(row))
        separator->setVisible(visible);
}

void FormSection::addRow(QLayout* row)
{
    addSeparatorIfNeeded();
    m_rows->addLayout(row);
}

QWidget* FormSection::controlRow(const QString& label, QWidget* control, const QString& tip)
{
    auto* row = new QWidget;
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* text = new QLabel(label, row);
    text->setTextFormat(Qt::PlainText);
    layout->addWidget(text);
    if (!tip.isEmpty())
        layout->addWidget(new InfoTip(tip, row));
    layout->addStretch(1);
    layout->addWidget(control);
    control->setAccessibleName(label);
    return row;
}
