#include "Views/SliderRow.h"

#include "Views/DurationText.h"
#include "Views/FocusWheel.h"
#include "Views/InfoTip.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QSignalBlocker>
#include <QSlider>
#include <QVBoxLayout>
#include <cmath>

SliderRow::SliderRow(const QString& label, const QString& tooltip, double minimum, double maximum,
                     double step, QWidget* parent)
    : QWidget(parent)
    , m_grid(gridPositions(minimum, maximum, step))
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(4);
    auto* top = new QHBoxLayout;
    m_label = new QLabel(label, this);
    m_label->setTextFormat(Qt::PlainText);
    m_tip = new InfoTip(tooltip, this);
    // The usual UI fonts draw digits of one width already, so the text does not jitter while
    // dragging; a second, monospace font would only cost memory.
    m_valueLabel = new QLabel(this);
    m_valueLabel->setForegroundRole(QPalette::PlaceholderText);
    top->addWidget(m_label);
    top->addWidget(m_tip);
    top->addStretch(1);
    top->addWidget(m_valueLabel);
    layout->addLayout(top);

    m_slider = new FocusWheel<QSlider>(Qt::Horizontal, this);
    m_slider->setFocusPolicy(Qt::StrongFocus);
    m_slider->setRange(0, int(m_grid.size()) - 1);
    m_slider->setSingleStep(1);
    m_slider->setPageStep(std::max(1, int(m_grid.size()) / 10));
    m_slider->setAccessibleName(label);
    // valueChanged covers dragging, clicks on the groove and the keyboard; setValue() blocks it.
    connect(m_slider, &QSlider::valueChanged, this, &SliderRow::onSliderMoved);
    layout->addWidget(m_slider);
    setValue(m_grid.first());
}

QList<double> SliderRow::gridPositions(double minimum, double maximum, double step)
{
    QList<double> grid;
    if (!(step > 0) || !(maximum >= minimum)) {
        grid.append(minimum);
        return grid;
    }
    const auto count = qsizetype(std::floor((maximum - minimum) / step + 1e-9)) + 1;
    for (qsizetype i = 0; i < count; ++i)
        grid.append(minimum + double(i) * step);
    if (grid.last() < maximum)
        grid.append(maximum);
    return grid;
}

int SliderRow::nearestPosition(const QList<double>& grid, double value)
{
    if (grid.isEmpty() || std::isnan(value) || value <= grid.first())
        return 0;
    if (value >= grid.last())
        return int(grid.size()) - 1;
    int best = 0;
    for (int i = 1; i < grid.size(); ++i) {
        if (std::abs(grid[i] - value) < std::abs(grid[best] - value))
            best = i;
    }
    return best;
}

void SliderRow::setValue(double value)
{
    m_value = value;
    m_valueLabel->setText(DurationText::sliderValue(value));
    const QSignalBlocker blocker(m_slider);
    m_slider->setValue(nearestPosition(m_grid, value));
}

QString SliderRow::labelText() const
{
    return m_label->text();
}

QString SliderRow::valueText() const
{
    return m_valueLabel->text();
}

void SliderRow::onSliderMoved(int position)
{
    const double value = m_grid.value(position, m_grid.first());
    m_value = value;
    m_valueLabel->setText(DurationText::sliderValue(value));
    emit valueEdited(value);
}
