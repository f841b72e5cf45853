#pragma once

#include <QWheelEvent>

// The settings tabs scroll under the wheel: a control that merely lies under the pointer must not
// change a setting on the way. Once the user has focused it (click, Tab), the wheel moves it.
template <typename Control> class FocusWheel : public Control {
public:
    using Control::Control;

protected:
    void wheelEvent(QWheelEvent* event) override
    {
        if (this->hasFocus())
            Control::wheelEvent(event);
        else
            event->ignore();
    }
};
