#pragma once

#include <QByteArray>

// Process-wide crash capture. While installed, SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGABRT and
// std::terminate write one report file and then let the previous handler (usually the default:
// the process dies) take over. The handlers use only async-signal-safe calls: they write the
// signal, the fault address, the time, the context lines, the raw frames from backtrace() and a
// copy of /proc/self/maps to "<path>.tmp", then rename it to the report path.
//
// The report is plain text, one "key value" line each: "signal 11", "address 0x…", "time <unix
// s>", the context lines, "frame 0x…" (innermost first), then "maps" and the maps text.
//
// install/setContext/uninstall are called on the main thread only.
namespace CrashHandler {
// `context` is a few "key value" lines (release, environment, tags), copied into every report.
bool install(const QByteArray& reportPath, const QByteArray& context);
void setContext(const QByteArray& context);
// Puts back the handlers, the terminate handler and the signal stack found at install().
void uninstall();
bool isInstalled();
} // namespace CrashHandler
