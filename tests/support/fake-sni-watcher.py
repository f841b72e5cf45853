#!/usr/bin/python3
"""A StatusNotifierItem watcher and host for tests, on the session bus.

Owns org.kde.StatusNotifierWatcher, declares its properties in introspection, registers a host
after --host-after seconds (never when negative), and on each item registration reads the item's
icon and prints one line: "registered SERVICE PATH icons=N size=WxH tooltip=TITLE".
"""
import argparse
import sys

from gi.repository import Gio, GLib

WATCHER = "org.kde.StatusNotifierWatcher"
ITEM = "org.kde.StatusNotifierItem"
XML = """
<node>
  <interface name="org.kde.StatusNotifierWatcher">
    <method name="RegisterStatusNotifierItem"><arg name="service" type="s" direction="in"/></method>
    <method name="RegisterStatusNotifierHost"><arg name="service" type="s" direction="in"/></method>
    <property name="RegisteredStatusNotifierItems" type="as" access="read"/>
    <property name="IsStatusNotifierHostRegistered" type="b" access="read"/>
    <property name="ProtocolVersion" type="i" access="read"/>
    <signal name="StatusNotifierItemRegistered"><arg type="s"/></signal>
    <signal name="StatusNotifierItemUnregistered"><arg type="s"/></signal>
    <signal name="StatusNotifierHostRegistered"/>
    <signal name="StatusNotifierHostUnregistered"/>
  </interface>
</node>
"""


def say(text):
    print(text, flush=True)


class Watcher:
    def __init__(self, host_after):
        self.items = []
        self.host = False
        self.connection = None
        self.host_after = host_after

    def on_bus(self, connection, _name):
        self.connection = connection
        info = Gio.DBusNodeInfo.new_for_xml(XML).interfaces[0]
        connection.register_object("/StatusNotifierWatcher", info, self.on_call, self.on_get, None)

    def on_name(self, _connection, _name):
        say("watcher up")
        if self.host_after == 0:
            self.register_host()
        elif self.host_after > 0:
            GLib.timeout_add(int(self.host_after * 1000), self.register_host)

    def register_host(self):
        self.host = True
        self.connection.emit_signal(None, "/StatusNotifierWatcher", WATCHER,
                                    "StatusNotifierHostRegistered", None)
        say("host registered")
        return False

    def on_get(self, _connection, _sender, _path, _interface, name):
        if name == "RegisteredStatusNotifierItems":
            return GLib.Variant("as", self.items)
        if name == "IsStatusNotifierHostRegistered":
            return GLib.Variant("b", self.host)
        return GLib.Variant("i", 0)

    def on_call(self, connection, sender, _path, _interface, method, params, invocation):
        (service,) = params.unpack()
        if method == "RegisterStatusNotifierHost":
            invocation.return_value(None)
            self.register_host()
            return
        bus_name, path = (sender, service) if service.startswith("/") else (service, "/StatusNotifierItem")
        key = bus_name + path
        if key not in self.items:
            self.items.append(key)
        invocation.return_value(None)
        connection.emit_signal(None, "/StatusNotifierWatcher", WATCHER,
                               "StatusNotifierItemRegistered", GLib.Variant("(s)", (key,)))
        connection.call(bus_name, path, "org.freedesktop.DBus.Properties", "GetAll",
                        GLib.Variant("(s)", (ITEM,)), None, Gio.DBusCallFlags.NONE, 2000, None,
                        self.on_properties, (bus_name, path))

    def on_properties(self, connection, result, where):
        bus_name, path = where
        try:
            (props,) = connection.call_finish(result).unpack()
        except GLib.Error as error:
            say("unreadable %s %s: %s" % (bus_name, path, error.message))
            return
        icons = props.get("IconPixmap", [])
        largest = max(icons, key=lambda icon: icon[0]) if icons else (0, 0, b"")
        complete = all(len(icon[2]) == icon[0] * icon[1] * 4 for icon in icons)
        say("registered %s %s icons=%d size=%dx%d complete=%s tooltip=%s menu=%s"
            % (bus_name, path, len(icons), largest[0], largest[1], complete,
               props.get("ToolTip", ("", [], "", ""))[2], props.get("Menu", "")))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--host-after", type=float, default=0)
    args = parser.parse_args()
    watcher = Watcher(args.host_after)
    Gio.bus_own_name(Gio.BusType.SESSION, WATCHER, Gio.BusNameOwnerFlags.NONE, watcher.on_bus,
                     watcher.on_name, lambda *_: sys.exit("watcher name lost"))
    GLib.MainLoop().run()


if __name__ == "__main__":
    main()
