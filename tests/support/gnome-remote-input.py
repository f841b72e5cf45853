#!/usr/bin/python3
"""Input for tests through Mutter's own input path, which its idle monitor and focus see.

Opens one org.gnome.Mutter.RemoteDesktop session (Mutter ends it when its creator leaves the bus,
so this process holds it) and serves it on the session bus as com.ostavel.test.Input at /:
Key(u evdev keycode, b pressed), Keys(a(ub)) (several in a row, as fast as a person types at
most), Button(u evdev button, b pressed), Motion(d dx, d dy). Each call returns once Mutter has
taken the events. Prints "input ready" once the first key has been sent:
a fresh virtual keyboard may drop its first press, so a harmless Shift goes first.
"""
import sys

from gi.repository import Gio, GLib

NAME = "com.ostavel.test.Input"
XML = """
<node>
  <interface name="com.ostavel.test.Input">
    <method name="Key"><arg type="u" direction="in"/><arg type="b" direction="in"/></method>
    <method name="Keys"><arg type="a(ub)" direction="in"/></method>
    <method name="Button"><arg type="u" direction="in"/><arg type="b" direction="in"/></method>
    <method name="Motion"><arg type="d" direction="in"/><arg type="d" direction="in"/></method>
  </interface>
</node>
"""
MUTTER = "org.gnome.Mutter.RemoteDesktop"
SESSION = "org.gnome.Mutter.RemoteDesktop.Session"
SHIFT = 42


def say(text):
    print(text, flush=True)


class Input:
    def __init__(self, bus):
        self.bus = bus
        path = self.call("/org/gnome/Mutter/RemoteDesktop", MUTTER, "CreateSession", None)[0]
        self.session = path
        self.call(path, SESSION, "Start", None)
        for pressed in (True, False):
            self.notify("NotifyKeyboardKeycode", GLib.Variant("(ub)", (SHIFT, pressed)))

    def call(self, path, interface, method, args):
        reply = self.bus.call_sync(MUTTER, path, interface, method, args, None,
                                   Gio.DBusCallFlags.NONE, 5000, None)
        return reply.unpack() if reply else ()

    def notify(self, method, args):
        self.call(self.session, SESSION, method, args)

    def on_call(self, _conn, _sender, _path, _iface, method, params, invocation):
        try:
            if method == "Key":
                self.notify("NotifyKeyboardKeycode", GLib.Variant("(ub)", params.unpack()))
            elif method == "Keys":
                for key in params.unpack()[0]:
                    self.notify("NotifyKeyboardKeycode", GLib.Variant("(ub)", key))
            elif method == "Button":
                code, pressed = params.unpack()
                self.notify("NotifyPointerButton", GLib.Variant("(ib)", (code, pressed)))
            elif method == "Motion":
                self.notify("NotifyPointerMotionRelative", GLib.Variant("(dd)", params.unpack()))
            invocation.return_value(None)
        except GLib.Error as error:
            invocation.return_dbus_error("com.ostavel.test.Input.Failed", error.message)


def main():
    bus = Gio.bus_get_sync(Gio.BusType.SESSION, None)
    try:
        served = Input(bus)
    except GLib.Error as error:
        say(f"no remote desktop session: {error.message}")
        return 1
    info = Gio.DBusNodeInfo.new_for_xml(XML).interfaces[0]
    bus.register_object("/", info, served.on_call, None, None)
    loop = GLib.MainLoop()
    Gio.bus_own_name_on_connection(bus, NAME, Gio.BusNameOwnerFlags.NONE,
                                   lambda *_: say("input ready"), lambda *_: loop.quit())
    loop.run()
    return 0


if __name__ == "__main__":
    sys.exit(main())
