#pragma once

#include <QAbstractButton>

// An on/off switch: a pill with a knob, the accent colour when on. Checkable; Space toggles it
// when it has focus. Like any button, clicked() means the user did it, toggled() any change.
class ToggleSwitch : public QAbstractButton {
    Q_OBJECT

public:
    explicit ToggleSwitch(QWidget* parent = nullptr);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
};
