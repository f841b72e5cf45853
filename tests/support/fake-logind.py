#!/usr/bin/python3
"""A fake org.freedesktop.login1 for a test's private system bus: one active, unlocked graphical
session ("ostavel") that every lookup returns, inhibitor locks that are plain pipes, and no power
actions. Enough for GNOME Shell to start and for clients that follow the session's lock state.
Prints "logind ready" once it owns the name.
"""
import os
import sys

from gi.repository import Gio, GLib

NAME = "org.freedesktop.login1"
MANAGER_PATH = "/org/freedesktop/login1"
SESSION_PATH = "/org/freedesktop/login1/session/ostavel"
SEAT_PATH = "/org/freedesktop/login1/seat/seat0"
XML = """
<node>
  <interface name="org.freedesktop.login1.Manager">
    <method name="GetSession"><arg type="s" direction="in"/><arg type="o" direction="out"/></method>
    <method name="GetSessionByPID"><arg type="u" direction="in"/><arg type="o" direction="out"/></method>
    <method name="ListSessions"><arg type="a(susso)" direction="out"/></method>
    <method name="Inhibit">
      <arg type="s" direction="in"/><arg type="s" direction="in"/><arg type="s" direction="in"/>
      <arg type="s" direction="in"/><arg type="h" direction="out"/>
    </method>
    <method name="CanSuspend"><arg type="s" direction="out"/></method>
    <method name="CanHibernate"><arg type="s" direction="out"/></method>
    <method name="CanPowerOff"><arg type="s" direction="out"/></method>
    <method name="CanReboot"><arg type="s" direction="out"/></method>
    <method name="CanHybridSleep"><arg type="s" direction="out"/></method>
    <method name="CanSuspendThenHibernate"><arg type="s" direction="out"/></method>
    <signal name="PrepareForSleep"><arg type="b"/></signal>
    <signal name="PrepareForShutdown"><arg type="b"/></signal>
  </interface>
  <interface name="org.freedesktop.login1.Session">
    <method name="Activate"/>
    <method name="Lock"/>
    <method name="Unlock"/>
    <method name="SetLockedHint"><arg type="b" direction="in"/></method>
    <method name="SetIdleHint"><arg type="b" direction="in"/></method>
    <property name="Id" type="s" access="read"/>
    <property name="Active" type="b" access="read"/>
    <property name="LockedHint" type="b" access="read"/>
    <property name="IdleHint" type="b" access="read"/>
    <property name="Remote" type="b" access="read"/>
    <property name="Type" type="s" access="read"/>
    <property name="Class" type="s" access="read"/>
    <property name="State" type="s" access="read"/>
    <property name="Seat" type="(so)" access="read"/>
    <property name="User" type="(uo)" access="read"/>
    <signal name="Lock"/>
    <signal name="Unlock"/>
  </interface>
</node>
"""


class Logind:
    def __init__(self):
        self.locked = False

    def on_bus(self, connection, _name):
        node = Gio.DBusNodeInfo.new_for_xml(XML)
        connection.register_object(MANAGER_PATH, node.interfaces[0], self.on_call, None, None)
        connection.register_object(SESSION_PATH, node.interfaces[1], self.on_call, self.on_get, None)

    def on_get(self, _connection, _sender, _path, _interface, name):
        uid = os.getuid()
        values = {
            "Id": GLib.Variant("s", "ostavel"), "Active": GLib.Variant("b", True),
            "LockedHint": GLib.Variant("b", self.locked), "IdleHint": GLib.Variant("b", False),
            "Remote": GLib.Variant("b", False), "Type": GLib.Variant("s", "wayland"),
            "Class": GLib.Variant("s", "user"), "State": GLib.Variant("s", "active"),
            "Seat": GLib.Variant("(so)", ("seat0", SEAT_PATH)),
            "User": GLib.Variant("(uo)", (uid, "/org/freedesktop/login1/user/_%d" % uid)),
        }
        return values.get(name)

    def on_call(self, connection, _sender, path, _interface, method, _params, invocation):
        if method in ("GetSession", "GetSessionByPID"):
            invocation.return_value(GLib.Variant("(o)", (SESSION_PATH,)))
        elif method == "ListSessions":
            uid = os.getuid()
            invocation.return_value(GLib.Variant(
                "(a(susso))", ([("ostavel", uid, GLib.get_user_name(), "seat0", SESSION_PATH)],)))
        elif method == "Inhibit":
            # The caller holds the lock as long as it keeps its end open; nobody reads ours.
            read_end, write_end = os.pipe()
            os.close(write_end)
            fds = Gio.UnixFDList.new_from_array([read_end])
            invocation.return_value_with_unix_fd_list(GLib.Variant("(h)", (0,)), fds)
        elif method.startswith("Can"):
            invocation.return_value(GLib.Variant("(s)", ("na",)))
        elif method in ("Lock", "Unlock", "SetLockedHint"):
            self.locked = method == "Lock" or (method == "SetLockedHint" and _params.unpack()[0])
            invocation.return_value(None)
            if method != "SetLockedHint":
                connection.emit_signal(None, path, "org.freedesktop.login1.Session", method, None)
        else:
            invocation.return_value(None)


def main():
    logind = Logind()
    Gio.bus_own_name(Gio.BusType.SYSTEM, NAME, Gio.BusNameOwnerFlags.NONE, logind.on_bus,
                     lambda *_: print("logind ready", flush=True),
                     lambda *_: sys.exit("logind name lost"))
    GLib.MainLoop().run()


if __name__ == "__main__":
    main()
