#pragma once

#include "Platform/PointerButtonState.h"

#include <QFutureWatcher>
#include <memory>

class QSocketNotifier;
struct _XDisplay;

// Pointer buttons from the X server on a connection of its own. Presses are watched as XInput2
// raw button presses selected on the root window: they arrive whatever window or grab the click
// goes to, and need neither polling nor a grab. The connection is opened, and the extension
// looked up, on a worker thread the first time presses are watched; from then on events are read
// when the connection's socket has data. Without XInput2 2.2 presses are unsupported and the
// caller polls the button mask (XQueryPointer); without an X display every answer is false.
class X11PointerButtonState final : public PointerButtonState {
public:
    struct Connection {
        _XDisplay* display = nullptr;
        // The XInput opcode; -1 without XInput2 2.2.
        int xiOpcode = -1;
    };

    X11PointerButtonState();
    ~X11PointerButtonState() override;
    X11PointerButtonState(const X11PointerButtonState&) = delete;
    X11PointerButtonState& operator=(const X11PointerButtonState&) = delete;

    bool anyButtonPressed() const override;
    void watchPresses(std::function<void()> onPress, std::function<void()> onUnsupported) override;
    void stopWatchingPresses() override;

private:
    void selectRawPresses(bool on);
    void readEvents();

    _XDisplay* m_display = nullptr;
    int m_xiOpcode = -1;
    bool m_opened = false;
    QFutureWatcher<Connection> m_opening;
    std::unique_ptr<QSocketNotifier> m_notifier;
    std::function<void()> m_onPress;
    std::function<void()> m_onUnsupported;
};
