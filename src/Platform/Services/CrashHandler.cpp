#include "Platform/Services/CrashHandler.h"

#include <array>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <cxxabi.h>
#include <exception>
#include <execinfo.h>
#include <fcntl.h>
#include <time.h>
#include <typeinfo>
#include <unistd.h>

namespace {
constexpr std::array<int, 5> crashSignals{SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGABRT};
constexpr size_t pathCapacity = 4096;
constexpr size_t contextCapacity = 8192;
constexpr int maxFrames = 64;
constexpr size_t maxMapsBytes = 512 * 1024;
constexpr size_t altStackBytes = 128 * 1024;

// Everything the handlers touch is prepared here beforehand; they never allocate.
struct State {
    char reportPath[pathCapacity];
    char tempPath[pathCapacity];
    char context[2][contextCapacity];
    size_t contextLength[2];
    std::atomic<int> activeContext;
    struct sigaction previous[crashSignals.size()];
    std::terminate_handler previousTerminate;
    stack_t previousAltStack;
    void* altStack;
    std::atomic<bool> installed;
    std::atomic<bool> claimed;
    std::atomic<bool> written;
};
State g_state;

void writeAll(int fd, const char* data, size_t length)
{
    while (length > 0) {
        const ssize_t n = ::write(fd, data, length);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return;
        }
        data += n;
        length -= size_t(n);
    }
}

void writeText(int fd, const char* text)
{
    size_t length = 0;
    while (text[length] != '\0')
        ++length;
    writeAll(fd, text, length);
}

void writeDecimal(int fd, long long value)
{
    char buffer[24];
    char* end = buffer + sizeof buffer;
    char* p = end;
    const bool negative = value < 0;
    unsigned long long magnitude = negative ? 0ull - (unsigned long long)value : value;
    do {
        *--p = char('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    if (negative)
        *--p = '-';
    writeAll(fd, p, size_t(end - p));
}

void writeHex(int fd, uintptr_t value)
{
    char buffer[2 + 2 * sizeof value];
    char* end = buffer + sizeof buffer;
    char* p = end;
    do {
        *--p = "0123456789abcdef"[value & 0xf];
        value >>= 4;
    } while (value != 0);
    *--p = 'x';
    *--p = '0';
    writeAll(fd, p, size_t(end - p));
}

void copyMaps(int fd)
{
    const int maps = ::open("/proc/self/maps", O_RDONLY | O_CLOEXEC);
    if (maps < 0)
        return;
    char buffer[4096];
    size_t copied = 0;
    while (copied < maxMapsBytes) {
        const ssize_t n = ::read(maps, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        writeAll(fd, buffer, size_t(n));
        copied += size_t(n);
    }
    ::close(maps);
}

void writeReport(int signal, const void* const* address, const char* reason, const char* exception)
{
    const int fd = ::open(g_state.tempPath, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0)
        return;
    writeText(fd, "OSTAVEL-CRASH 1\nsignal ");
    writeDecimal(fd, signal);
    writeText(fd, "\n");
    if (reason) {
        writeText(fd, "reason ");
        writeText(fd, reason);
        writeText(fd, "\n");
    }
    if (exception) {
        writeText(fd, "exception ");
        writeText(fd, exception);
        writeText(fd, "\n");
    }
    if (address) {
        writeText(fd, "address ");
        writeHex(fd, reinterpret_cast<uintptr_t>(*address));
        writeText(fd, "\n");
    }
    struct timespec now {};
    ::clock_gettime(CLOCK_REALTIME, &now);
    writeText(fd, "time ");
    writeDecimal(fd, now.tv_sec);
    writeText(fd, "\n");
    const int context = g_state.activeContext.load();
    writeAll(fd, g_state.context[context], g_state.contextLength[context]);

    void* frames[maxFrames];
    const int count = ::backtrace(frames, maxFrames);
    for (int i = 0; i < count; ++i) {
        writeText(fd, "frame ");
        writeHex(fd, reinterpret_cast<uintptr_t>(frames[i]));
        writeText(fd, "\n");
    }
    writeText(fd, "maps\n");
    copyMaps(fd);
    ::fsync(fd);
    ::close(fd);
    ::rename(g_state.tempPath, g_state.reportPath);
}

// The first thread to crash writes the report; any other waits (bounded) so that the process is
// not torn down while the report is half written.
bool claimReport()
{
    if (!g_state.claimed.exchange(true))
        return true;
    for (int i = 0; i < 200 && !g_state.written.load(); ++i) {
        struct timespec pause {
            0, 10 * 1000 * 1000
        };
        ::nanosleep(&pause, nullptr);
    }
    return false;
}

void onSignal(int signal, siginfo_t* info, void*)
{
    const int savedErrno = errno;
    if (claimReport()) {
        // Only a fault (not a sent signal) has a meaningful address, which may well be 0.
        const bool fault = info && info->si_code > 0;
        writeReport(signal, fault ? &info->si_addr : nullptr, nullptr, nullptr);
        g_state.written.store(true);
    }
    for (size_t i = 0; i < crashSignals.size(); ++i) {
        if (crashSignals[i] == signal)
            ::sigaction(signal, &g_state.previous[i], nullptr);
    }
    errno = savedErrno;
    // A fault runs its instruction again on return and meets the previous handler; a signal that
    // was sent (kill, raise, abort) has to be sent again. It stays pending until we return.
    if (!info || info->si_code <= 0)
        ::raise(signal);
}

[[noreturn]] void onTerminate()
{
    if (claimReport()) {
        // Not a signal handler: allocation is allowed here, if the heap still works.
        const char* typeName = nullptr;
        char* demangled = nullptr;
        if (const std::type_info* type = abi::__cxa_current_exception_type()) {
            int status = 0;
            demangled = abi::__cxa_demangle(type->name(), nullptr, nullptr, &status);
            typeName = demangled ? demangled : type->name();
        }
        writeReport(SIGABRT, nullptr, "terminate", typeName);
        std::free(demangled);
        g_state.written.store(true);
    }
    if (g_state.previousTerminate)
        g_state.previousTerminate();
    std::abort();
}

bool copyInto(char* target, size_t capacity, const QByteArray& text)
{
    if (size_t(text.size()) + 1 > capacity)
        return false;
    std::memcpy(target, text.constData(), size_t(text.size()));
    target[text.size()] = '\0';
    return true;
}
} // namespace

bool CrashHandler::install(const QByteArray& reportPath, const QByteArray& context)
{
    if (g_state.installed.load())
        uninstall();
    if (!copyInto(g_state.reportPath, pathCapacity, reportPath) ||
        !copyInto(g_state.tempPath, pathCapacity, reportPath + ".tmp"))
        return false;
    g_state.activeContext.store(1);
    setContext(context);
    g_state.claimed.store(false);
    g_state.written.store(false);

    // backtrace() loads its unwinder on first use, which allocates: do that now, not in a crash.
    void* warmUp[2];
    ::backtrace(warmUp, 2);

    // A stack of its own, so that a stack overflow can still be reported.
    g_state.altStack = std::malloc(altStackBytes);
    g_state.previousAltStack = {};
    if (g_state.altStack) {
        stack_t stack{};
        stack.ss_sp = g_state.altStack;
        stack.ss_size = altStackBytes;
        if (::sigaltstack(&stack, &g_state.previousAltStack) != 0) {
            std::free(g_state.altStack);
            g_state.altStack = nullptr;
        }
    }

    struct sigaction action {};
    action.sa_sigaction = onSignal;
    action.sa_flags = SA_SIGINFO | SA_ONSTACK;
    sigemptyset(&action.sa_mask);
    for (int signal : crashSignals)
        sigaddset(&action.sa_mask, signal);
    for (size_t i = 0; i < crashSignals.size(); ++i)
        ::sigaction(crashSignals[i], &action, &g_state.previous[i]);
    g_state.previousTerminate = std::set_terminate(onTerminate);
    g_state.installed.store(true);
    return true;
}

void CrashHandler::setContext(const QByteArray& context)
{
    // Fill the buffer a crash is not reading, then switch to it.
    const int next = 1 - g_state.activeContext.load();
    const QByteArray text = context.left(qsizetype(contextCapacity));
    std::memcpy(g_state.context[next], text.constData(), size_t(text.size()));
    g_state.contextLength[next] = size_t(text.size());
    g_state.activeContext.store(next);
}

void CrashHandler::uninstall()
{
    if (!g_state.installed.exchange(false))
        return;
    for (size_t i = 0; i < crashSignals.size(); ++i)
        ::sigaction(crashSignals[i], &g_state.previous[i], nullptr);
    std::set_terminate(g_state.previousTerminate);
    g_state.previousTerminate = nullptr;
    if (g_state.altStack) {
        stack_t current{};
        ::sigaltstack(nullptr, &current);
        if (current.ss_sp == g_state.altStack) {
            stack_t previous = g_state.previousAltStack;
            if (previous.ss_sp == nullptr)
                previous.ss_flags = SS_DISABLE;
            ::sigaltstack(&previous, nullptr);
            std::free(g_state.altStack);
        }
        // Otherwise someone else replaced the stack; leaking it is safer than freeing it.
        g_state.altStack = nullptr;
    }
}

bool CrashHandler::isInstalled()
{
    return g_state.installed.load();
}
