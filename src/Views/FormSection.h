#pragma once

#include <QHash>
#include <QWidget>

class QLabel;
class QVBoxLayout;

// One group of a settings form: an optional header over a rounded box of rows, each row
// separated from the next by a hairline.
class FormSection : public QWidget {
    Q_OBJECT

public:
    explicit FormSection(const QString& header = {}, QWidget* parent = nullptr);

    // A row of a label (with an info tip when `tip` is given), free space and a control, which
    // takes the label as its accessible name.
    static QWidget* controlRow(const QString& label, QWidget* control, const QString& tip = {});

    void addRow(QWidget* row);
    void addRow(QLayout* row);
    // Hides or shows a row added as a widget, with the hairline above it.
    void setRowVisible(QWidget* row, bool visible);

private:
    QWidget* addSeparatorIfNeeded();

    QLabel* m_header = nullptr;
    QVBoxLayout* m_rows = nullptr;
    QHash<QWidget*, QWidget*> m_separators;
};
