#pragma once

#include <QList>
#include <QWidget>

class InfoTip;
class QLabel;
class QSlider;

// A labelled duration slider: the label, its information tip and the value text over the slider.
// The slider's positions are the range's grid, min + i·step, plus the maximum when the grid
// misses it. A value off the grid (stored by an earlier version or by hand) is shown as it is,
// with the handle at the nearest position; only the user moving the slider replaces it.
class SliderRow : public QWidget {
    Q_OBJECT

public:
    SliderRow(const QString& label, const QString& tooltip, double minimum, double maximum,
              double step, QWidget* parent = nullptr);

    static QList<double> gridPositions(double minimum, double maximum, double step);
    // The index of the position nearest to `value` (the lower one on a tie); the ends for values
    // outside the range or NaN.
    static int nearestPosition(const QList<double>& grid, double value);

    // Shows a value without reporting it as an edit.
    void setValue(double value);
    double value() const { return m_value; }
    const QList<double>& positions() const { return m_grid; }

    QString labelText() const;
    QString valueText() const;
    QSlider* slider() const { return m_slider; }

signals:
    // The user moved the slider (mouse or keyboard) to a position: one signal per step.
    void valueEdited(double value);

private:
    void onSliderMoved(int position);

    QList<double> m_grid;
    double m_value = 0;
    QLabel* m_label = nullptr;
    InfoTip* m_tip = nullptr;
    QLabel* m_valueLabel = nullptr;
    QSlider* m_slider = nullptr;
};
