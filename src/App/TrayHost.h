#pragma once

// Which kind of tray host shows our icon: our own StatusNotifierItem, a QSystemTrayIcon docked
// into an XEmbed tray, or none at all.
enum class TrayHost { none, statusNotifier, xembed };
