#include "Views/CountStepper.h"

#include <algorithm>

CountStepper::CountStepper(int minimum, int maximum, QWidget* parent)
    : QSpinBox(parent)
{
    setRange(minimum, maximum);
    connect(this, &QSpinBox::valueChanged, this, [this](int value) {
        if (m_showing)
            return;
        m_outside.reset();
        emit valueEdited(value);
    });
}

void CountStepper::setStoredValue(qint64 value)
{
    if (value < minimum() || value > maximum())
        m_outside = value;
    else
        m_outside.reset();
    m_showing = true;
    // Redraws the text even when the clamped value is the one already held.
    setValue(int(std::clamp<qint64>(value, minimum(), maximum())));
    m_showing = false;
}

QString CountStepper::textFromValue(int value) const
{
    if (!m_outside)
        return QSpinBox::textFromValue(value);
    QString text = locale().toString(*m_outside);
    text.remove(locale().groupSeparator());
    return text;
}

QAbstractSpinBox::StepEnabled CountStepper::stepEnabled() const
{
    if (!m_outside || isReadOnly())
        return QSpinBox::stepEnabled();
    return *m_outside > maximum() ? StepDownEnabled : StepUpEnabled;
}

void CountStepper::stepBy(int steps)
{
    if (!m_outside) {
        QSpinBox::stepBy(steps);
        return;
    }
    const bool above = *m_outside > maximum();
    if (steps == 0 || (steps > 0) == above)
        return;
    // Back into the range at its nearest end, whatever the step's size: counting down from 25
    // through values the range forbids would only be more steps to the same place.
    const int end = above ? maximum() : minimum();
    m_outside.reset();
    m_showing = true;
    setValue(end);
    m_showing = false;
    emit valueEdited(end);
}
