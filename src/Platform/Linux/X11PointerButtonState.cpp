#include "Platform/Linux/X11PointerButtonState.h"

#include <QSocketNotifier>
#include <QtConcurrent/QtConcurrentRun>
#include <X11/Xlib.h>
#include <X11/extensions/XInput2.h>

namespace {
// The XInput opcode when the server speaks XInput2 2.2 or later, else -1.
int lookUpXInput2(Display* display)
{
    int opcode = 0;
    int event = 0;
    int error = 0;
    if (!XQueryExtension(display, "XInputExtension", &opcode, &event, &error))
        return -1;
    int major = 2;
    int minor = 2;
    if (XIQueryVersion(display, &major, &minor) != Success || major < 2 ||
        (major == 2 && minor < 2))
        return -1;
    return opcode;
}

// Opening the display and asking for the extension wait on the server: run off the main thread.
X11PointerButtonState::Connection openConnection()
{
    X11PointerButtonState::Connection connection{XOpenDisplay(nullptr), -1};
    if (connection.display)
        connection.xiOpcode = lookUpXInput2(connection.display);
    return connection;
}
} // namespace

X11PointerButtonState::X11PointerButtonState()
{
    QObject::connect(&m_opening, &QFutureWatcher<Connection>::finished, &m_opening, [this] {
        const Connection connection = m_opening.result();
        m_display = connection.display;
        m_xiOpcode = connection.xiOpcode;
        m_opened = true;
        if (m_xiOpcode < 0) {
            m_onPress = nullptr;
            if (m_onUnsupported)
                m_onUnsupported();
            return;
        }
        m_notifier =
            std::make_unique<QSocketNotifier>(ConnectionNumber(m_display), QSocketNotifier::Read);
        QObject::connect(m_notifier.get(), &QSocketNotifier::activated, m_notifier.get(),
                         [this] { readEvents(); });
        if (m_onPress)
            selectRawPresses(true);
    });
}

X11PointerButtonState::~X11PointerButtonState()
{
    if (!m_opened && m_opening.isStarted()) {
        // The connection being opened, or opened but not yet handed over, is closed here too.
        m_opening.waitForFinished();
        m_display = m_opening.result().display;
    }
    m_notifier.reset();
    if (m_display)
        XCloseDisplay(m_display);
}

bool X11PointerButtonState::anyButtonPressed() const
{
    if (!m_display)
        return false;
    Window root = 0;
    Window child = 0;
    int rootX = 0;
    int rootY = 0;
    int winX = 0;
    int winY = 0;
    unsigned int mask = 0;
    // The mask is filled in even when the pointer is on another screen (the call answers False).
    XQueryPointer(m_display, DefaultRootWindow(m_display), &root, &child, &rootX, &rootY, &winX,
                  &winY, &mask);
    return (mask & (Button1Mask | Button2Mask | Button3Mask | Button4Mask | Button5Mask)) != 0;
}

void X11PointerButtonState::watchPresses(std::function<void()> onPress,
                                         std::function<void()> onUnsupported)
{
    m_onPress = std::move(onPress);
    m_onUnsupported = std::move(onUnsupported);
    if (!m_opened) {
        if (!m_opening.isRunning())
            m_opening.setFuture(QtConcurrent::run(openConnection));
        return;
    }
    if (m_xiOpcode < 0) {
        m_onPress = nullptr;
        if (m_onUnsupported)
            m_onUnsupported();
        return;
    }
    selectRawPresses(true);
}

void X11PointerButtonState::stopWatchingPresses()
{
    m_onPress = nullptr;
    m_onUnsupported = nullptr;
    if (m_xiOpcode >= 0)
        selectRawPresses(false);
}

void X11PointerButtonState::selectRawPresses(bool on)
{
    unsigned char bits[XIMaskLen(XI_LASTEVENT)] = {};
    if (on)
        XISetMask(bits, XI_RawButtonPress);
    XIEventMask mask;
    mask.deviceid = XIAllMasterDevices;
    mask.mask_len = sizeof(bits);
    mask.mask = bits;
    XISelectEvents(m_display, DefaultRootWindow(m_display), &mask, 1);
    XFlush(m_display);
}

void X11PointerButtonState::readEvents()
{
    bool pressed = false;
    // XPending reads what the socket holds without waiting for more.
    while (XPending(m_display) > 0) {
        XEvent event;
        XNextEvent(m_display, &event);
        XGenericEventCookie* cookie = &event.xcookie;
        if (cookie->type != GenericEvent || cookie->extension != m_xiOpcode)
            continue;
        if (cookie->evtype == XI_RawButtonPress && XGetEventData(m_display, cookie)) {
            const auto* raw = static_cast<const XIRawEvent*>(cookie->data);
            // Left and right only: the wheel's buttons are no click.
            if (raw->detail == 1 || raw->detail == 3)
                pressed = true;
            XFreeEventData(m_display, cookie);
        }
    }
    if (pressed && m_onPress)
        m_onPress();
}
