#pragma once

#include <QByteArray>

// Process-wide crash capture. While installed, SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGABRT and
// std::terminate write one report file and then let the previous handler (usually the default:
// the process dies) take over. The handlers use only async-signal-safe calls: they write the
// signal, the fault address, the time, the context lines, the image lines prepared beforehand,
// the frames from backtrace() and a copy of /proc/self/maps to "<path>.tmp", then rename it to
// the report path.
//
// The report is plain text, one "key value" line each: "signal 11", "address 0x…", "time <unix
// s>", the context lines, "image <start> <end> <GNU build ID in hex> <path>" per loaded image
// that has a build ID, "frame 0x…" (innermost first: the interrupted instruction for a signal,
// the runtime's call of the terminate handler for an uncaught exception), then "maps" and the maps
// text.
//
// install/setContext/refreshImages/uninstall are called on the main thread only.
namespace CrashHandler {
// `context` is a few "key value" lines (release, environment, tags), copied into every report.
bool install(const QByteArray& reportPath, const QByteArray& context);
void setContext(const QByteArray& context);
// Re-reads the loaded images and their build IDs when libraries were loaded or unloaded since the
// last read (install() reads them first); a cheap check otherwise.
void refreshImages();
// Puts back the handlers, the terminate handler and the signal stack found at install().
void uninstall();
bool isInstalled();
} // namespace CrashHandler
