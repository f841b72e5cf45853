#pragma once

#include <QSpinBox>
#include <optional>

// The settings' stepper over a closed range of whole numbers. A stored value outside the range
// (a hand-edited configuration) is shown as it is and stays stored: the first step from there
// lands on the nearest end of the range, and stepping further out is disabled. Only what the user
// does is reported, through valueEdited.
class CountStepper : public QSpinBox {
    Q_OBJECT

public:
    CountStepper(int minimum, int maximum, QWidget* parent = nullptr);

    // Shows a stored value without reporting it as an edit.
    void setStoredValue(qint64 value);

signals:
    // The user stepped or typed to a value in the range.
    void valueEdited(int value);

protected:
    QString textFromValue(int value) const override;
    StepEnabled stepEnabled() const override;
    void stepBy(int steps) override;

private:
    // While set, value() holds the nearest end and this is what the text shows.
    std::optional<qint64> m_outside;
    bool m_showing = false;
};
