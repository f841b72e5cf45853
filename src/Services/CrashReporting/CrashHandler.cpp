#include "Services/CrashReporting/CrashHandler.h"

#include <algorithm>
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
#include <limits.h>
#include <link.h>
#include <stdlib.h>
#include <time.h>
#include <typeinfo>
#include <ucontext.h>
#include <unistd.h>

namespace {
constexpr std::array<int, 5> crashSignals{SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGABRT};
constexpr size_t pathCapacity = 4096;
constexpr size_t contextCapacity = 8192;
constexpr int maxFrames = 64;
constexpr size_t maxMapsBytes = 512 * 1024;
constexpr size_t altStackBytes = 128 * 1024;
constexpr size_t imagesCapacity = 64 * 1024;
constexpr size_t maxBuildIdBytes = 64;

// Everything the handlers touch is prepared here beforehand; they never allocate.
struct State {
    char reportPath[pathCapacity];
    char tempPath[pathCapacity];
    char context[2][contextCapacity];
    size_t contextLength[2];
    std::atomic<int> activeContext;
    // The "image" lines, written ahead of time: the loader's own list is not safe to walk in a
    // signal handler.
    char images[2][imagesCapacity];
    size_t imagesLength[2];
    std::atomic<int> activeImages;
    unsigned long long imagesAdds;
    unsigned long long imagesSubs;
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

// `frames` innermost first, the handler's own frames already left out.
void writeReport(int signal, const void* const* address, const char* reason, const char* exception,
                 const uintptr_t* frames, int frameCount)
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
    const int images = g_state.activeImages.load();
    writeAll(fd, g_state.images[images], g_state.imagesLength[images]);

    for (int i = 0; i < frameCount; ++i) {
        writeText(fd, "frame ");
        writeHex(fd, frames[i]);
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

// The interrupted instruction, from the context the kernel saved; 0 where we cannot tell.
uintptr_t interruptedPc(const void* context)
{
    if (!context)
        return 0;
    [[maybe_unused]] const auto* ucontext = static_cast<const ucontext_t*>(context);
#if defined(__x86_64__)
    return uintptr_t(ucontext->uc_mcontext.gregs[REG_RIP]);
#elif defined(__i386__)
    return uintptr_t(ucontext->uc_mcontext.gregs[REG_EIP]);
#elif defined(__aarch64__)
    return uintptr_t(ucontext->uc_mcontext.pc);
#else
    return 0;
#endif
}

// The stack from the interrupted instruction outwards. `raw` comes from backtrace() called in
// onSignal itself, so it starts with that handler and the kernel's signal trampoline; the
// unwinder reports the frame behind the trampoline at exactly the saved PC, and everything before
// it is cut. When the PC is not among the frames (a call through a null pointer leaves nothing to
// unwind), it stands alone in front of whatever lies behind the trampoline.
int faultingFrames(void* const* raw, int count, uintptr_t pc, uintptr_t* out)
{
    int first = -1;
    for (int i = 0; i < count && first < 0; ++i) {
        if (reinterpret_cast<uintptr_t>(raw[i]) == pc)
            first = i;
    }
    int written = 0;
    if (first < 0) {
        out[written++] = pc;
        first = 2; // onSignal, the trampoline
    }
    for (int i = first; i < count && written < maxFrames; ++i)
        out[written++] = reinterpret_cast<uintptr_t>(raw[i]);
    return written;
}

void onSignal(int signal, siginfo_t* info, void* context)
{
    const int savedErrno = errno;
    if (claimReport()) {
        void* raw[maxFrames + 2];
        const int count = ::backtrace(raw, maxFrames + 2);
        uintptr_t frames[maxFrames];
        const int frameCount = faultingFrames(raw, count, interruptedPc(context), frames);
        // Only a fault (not a sent signal) has a meaningful address, which may well be 0.
        const bool fault = info && info->si_code > 0;
        writeReport(signal, fault ? &info->si_addr : nullptr, nullptr, nullptr, frames, frameCount);
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
        // Frame 0 is this function; the stack starts in the runtime that called it.
        void* raw[maxFrames + 1];
        const int count = ::backtrace(raw, maxFrames + 1);
        uintptr_t frames[maxFrames];
        int frameCount = 0;
        for (int i = 1; i < count; ++i)
            frames[frameCount++] = reinterpret_cast<uintptr_t>(raw[i]);
        writeReport(SIGABRT, nullptr, "terminate", typeName, frames, frameCount);
        std::free(demangled);
        g_state.written.store(true);
    }
    if (g_state.previousTerminate)
        g_state.previousTerminate();
    std::abort();
}

QByteArray hexBytes(const unsigned char* data, size_t length)
{
    return QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(length)).toHex();
}

// The GNU build ID from the image's note segments, as they are mapped in memory.
QByteArray buildIdOf(const dl_phdr_info& info)
{
    for (int i = 0; i < info.dlpi_phnum; ++i) {
        const ElfW(Phdr)& segment = info.dlpi_phdr[i];
        if (segment.p_type != PT_NOTE)
            continue;
        // Notes are padded to the segment's alignment: 4, or 8 for some newer notes.
        const size_t align = segment.p_align == 8 ? 8 : 4;
        const auto pad = [align](size_t n) { return (n + align - 1) & ~(align - 1); };
        const auto* note = reinterpret_cast<const unsigned char*>(info.dlpi_addr + segment.p_vaddr);
        size_t offset = 0;
        while (offset + sizeof(ElfW(Nhdr)) <= segment.p_memsz) {
            ElfW(Nhdr) header;
            std::memcpy(&header, note + offset, sizeof header);
            const size_t nameAt = offset + sizeof header;
            const size_t descAt = nameAt + pad(header.n_namesz);
            const size_t next = descAt + pad(header.n_descsz);
            if (next > segment.p_memsz || next <= offset)
                break;
            if (header.n_type == NT_GNU_BUILD_ID && header.n_namesz == 4 &&
                std::memcmp(note + nameAt, "GNU", 4) == 0 && header.n_descsz > 0 &&
                header.n_descsz <= maxBuildIdBytes)
                return hexBytes(note + descAt, header.n_descsz);
            offset = next;
        }
    }
    return {};
}

struct LoadedImages {
    QByteArray lines;
    unsigned long long adds = 0;
    unsigned long long subs = 0;
};

// "image <start> <end> <build id> <path>" for each loaded ELF image with a build ID. The path is
// resolved as /proc/self/maps shows it, so that the report can pair the two.
int collectImage(dl_phdr_info* info, size_t, void* data)
{
    auto* images = static_cast<LoadedImages*>(data);
    images->adds = info->dlpi_adds;
    images->subs = info->dlpi_subs;
    uintptr_t start = UINTPTR_MAX;
    uintptr_t end = 0;
    for (int i = 0; i < info->dlpi_phnum; ++i) {
        const ElfW(Phdr)& segment = info->dlpi_phdr[i];
        if (segment.p_type != PT_LOAD)
            continue;
        start = std::min<uintptr_t>(start, info->dlpi_addr + segment.p_vaddr);
        end = std::max<uintptr_t>(end, info->dlpi_addr + segment.p_vaddr + segment.p_memsz);
    }
    const QByteArray buildId = buildIdOf(*info);
    if (buildId.isEmpty() || start >= end)
        return 0;
    // The main program has no name here; the vDSO has no file.
    const char* name =
        info->dlpi_name && info->dlpi_name[0] != '\0' ? info->dlpi_name : "/proc/self/exe";
    char resolved[PATH_MAX];
    if (!::realpath(name, resolved))
        return 0;
    const QByteArray path(resolved);
    if (path.contains('\n'))
        return 0;
    const uintptr_t page = uintptr_t(::sysconf(_SC_PAGESIZE));
    start &= ~(page - 1);
    images->lines += "image 0x" + QByteArray::number(quint64(start), 16) + " 0x" +
                     QByteArray::number(quint64(end), 16) + ' ' + buildId + ' ' + path + '\n';
    return 0;
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
    g_state.activeImages.store(1);
    g_state.imagesAdds = 0;
    g_state.imagesSubs = 0;
    g_state.imagesLength[0] = g_state.imagesLength[1] = 0;
    refreshImages();
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

void CrashHandler::refreshImages()
{
    // The loader counts every load and unload; the first image is enough to read the counts.
    LoadedImages counts;
    ::dl_iterate_phdr(
        [](dl_phdr_info* info, size_t, void* data) {
            auto* images = static_cast<LoadedImages*>(data);
            images->adds = info->dlpi_adds;
            images->subs = info->dlpi_subs;
            return 1;
        },
        &counts);
    if (counts.adds == g_state.imagesAdds && counts.subs == g_state.imagesSubs)
        return;
    LoadedImages images;
    ::dl_iterate_phdr(collectImage, &images);
    g_state.imagesAdds = images.adds;
    g_state.imagesSubs = images.subs;
    // Whole lines only, should the list ever outgrow its buffer.
    QByteArray text = images.lines.left(qsizetype(imagesCapacity));
    if (text.size() < images.lines.size())
        text.truncate(text.lastIndexOf('\n') + 1);
    const int next = 1 - g_state.activeImages.load();
    std::memcpy(g_state.images[next], text.constData(), size_t(text.size()));
    g_state.imagesLength[next] = size_t(text.size());
    g_state.activeImages.store(next);
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
