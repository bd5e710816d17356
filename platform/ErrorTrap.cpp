// Run-time error trap: fatal signals and uncaught exceptions reach the program's one handler.
//
// This is the one place that holds process-wide state: signal dispositions and std::terminate are
// process-wide by nature. The handler runs at most once per process (a fault inside the handler, or
// the abort() that follows an uncaught exception, does not call it a second time); when it returns,
// the process ends with exit code 0.
#include "platform/ErrorTrap.h"

#include <atomic>
#include <cerrno>
#include <charconv>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <exception>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace plat {
namespace {

// Big enough for a handler that formats a report, writes files and shows a message box.
constexpr std::size_t kAltStackSize = 1u << 20;

struct HandlerSlot {
    ErrorHandler handler;
    FaultWriter writer = nullptr;
    void* user = nullptr;
};

struct TrapState {
    // Swapped whole, never locked: a fault that arrives while a handler is being set still finds one.
    std::atomic<HandlerSlot*> handler{nullptr};
    std::atomic<unsigned> watchdogSeconds{60};
    std::atomic<const char*> checkpointPath{nullptr}; // __FILE__ of the last checkpoint
    std::atomic<int> checkpointLine{0};
    std::atomic<bool> installed{false};
    std::atomic<bool> reporting{false}; // set once the first report starts
};

TrapState& state() {
    static TrapState* s = new TrapState(); // never destroyed: signals may arrive during exit
    return *s;
}

const int kSignals[] = {SIGSEGV, SIGFPE, SIGILL, SIGBUS, SIGABRT};

const char* signalText(int sig, const siginfo_t* info) {
    switch (sig) {
    case SIGSEGV:
        return "ACCESS VIOLATION";
    case SIGFPE:
        if (info && (info->si_code == FPE_INTDIV || info->si_code == FPE_FLTDIV)) return "DIVISION BY ZERO";
        return "FLOATING POINT ERROR";
    case SIGILL:
        return "ILLEGAL INSTRUCTION";
    case SIGBUS:
        return "BUS ERROR";
    case SIGABRT:
        return "ABORTED";
    default:
        return "FATAL SIGNAL";
    }
}

// Copies at most size-1 bytes and terminates; safe in a signal handler.
void copyText(char* to, std::size_t size, const char* from, std::size_t length) {
    const std::size_t n = length < size - 1 ? length : size - 1;
    std::memcpy(to, from, n);
    to[n] = '\0';
}

// The module name of a checkpoint path (folder and extension removed), without allocating.
void moduleInto(char* to, std::size_t size, const char* path) {
    if (!path) {
        to[0] = '\0';
        return;
    }
    const char* base = path;
    for (const char* p = path; *p; ++p)
        if (*p == '/' || *p == '\\') base = p + 1;
    std::size_t n = std::strlen(base);
    for (std::size_t i = n; i > 0; --i)
        if (base[i - 1] == '.') {
            if (i - 1 > 0) n = i - 1;
            break;
        }
    copyText(to, size, base, n);
}

void writeAll(int fd, const char* text) {
    std::size_t left = std::strlen(text);
    while (left > 0) {
        const ssize_t n = ::write(fd, text, left);
        if (n <= 0 && errno != EINTR) return;
        if (n > 0) {
            text += n;
            left -= static_cast<std::size_t>(n);
        }
    }
}

void onWatchdog(int) {
    writeAll(2, "fatal error: the report is written; the error handler did not finish and was ended\n");
    ::_exit(0);
}

// Reports a fault: first the fault writer (no allocation), then the handler, once per process; a
// later fault ends the process quietly with exit code 0. `info` is built only after the writer ran,
// by `describe`, since building it allocates.
template <class Describe> [[noreturn]] void report(const FaultRecord& fault, Describe describe) {
    TrapState& s = state();
    if (s.reporting.exchange(true)) ::_exit(0);
    if (fault.signal != 0) {
        // The handler below may hang on a lock the fault left held: a watchdog ends the process.
        struct sigaction sa {};
        sa.sa_handler = &onWatchdog;
        sigemptyset(&sa.sa_mask);
        ::sigaction(SIGALRM, &sa, nullptr);
        ::alarm(s.watchdogSeconds.load());
    }
    HandlerSlot* slot = s.handler.load();
    if (slot && slot->writer) slot->writer(fault, slot->user);
    if (slot && slot->handler) {
        slot->handler(describe());
        std::fflush(nullptr);
        ::_exit(0);
    }
    // No program handler: nobody asked for the programs' exit-0 convention, so the fault must stay
    // visible to whoever started the process (a test runner above all), as an ordinary crash would.
    writeAll(2, "fatal error: ");
    writeAll(2, fault.message);
    writeAll(2, " (");
    writeAll(2, fault.module);
    writeAll(2, ")\n");
    ::_exit(fault.signal != 0 ? 128 + fault.signal : 134);
}

FaultRecord recordOf(const ErrorInfo& info) {
    FaultRecord f{};
    copyText(f.message, sizeof f.message, info.message.data(), info.message.size());
    copyText(f.module, sizeof f.module, info.module.data(), info.module.size());
    f.line = info.line;
    f.signal = info.signal;
    return f;
}

[[noreturn]] void reportInfo(const ErrorInfo& info) {
    report(recordOf(info), [&] { return info; });
}

void onSignal(int sig, siginfo_t* siginfo, void*) {
    TrapState& s = state();
    FaultRecord f{};
    const char* text = signalText(sig, siginfo);
    copyText(f.message, sizeof f.message, text, std::strlen(text));
    moduleInto(f.module, sizeof f.module, s.checkpointPath.load(std::memory_order_relaxed));
    f.line = s.checkpointLine.load(std::memory_order_relaxed);
    f.signal = sig;
    report(f, [&] {
        ErrorInfo e;
        e.message = f.message;
        e.module = f.module;
        e.line = f.line;
        e.signal = sig;
        return e;
    });
}

void onTerminate() {
    ErrorInfo e = lastCheckpoint();
    if (std::exception_ptr p = std::current_exception()) {
        e = describeException(p);
    } else {
        e.message = "TERMINATE CALLED";
    }
    reportInfo(e);
}

void install() {
    TrapState& s = state();
    if (s.installed.exchange(true)) return;

    void* stack = ::mmap(nullptr, kAltStackSize, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (stack != MAP_FAILED) {
        stack_t ss{};
        ss.ss_sp = stack;
        ss.ss_size = kAltStackSize;
        ss.ss_flags = 0;
        ::sigaltstack(&ss, nullptr);
    }
    struct sigaction sa {};
    sa.sa_sigaction = &onSignal;
    sa.sa_flags = SA_SIGINFO | SA_ONSTACK;
    sigemptyset(&sa.sa_mask);
    for (int sig : kSignals) sigaddset(&sa.sa_mask, sig);
    for (int sig : kSignals) ::sigaction(sig, &sa, nullptr);
    std::set_terminate(&onTerminate);
}

} // namespace

void setErrorHandler(ErrorHandler handler, FaultWriter writer, void* writerUser) {
    install();
    TrapState& s = state();
    // Built before the swap: a fault while building it (in the allocator, say) finds the old pair;
    // one while freeing the old pair finds the new one.
    HandlerSlot* fresh = handler || writer
                             ? new HandlerSlot{std::move(handler), writer, writer ? writerUser : nullptr}
                             : nullptr;
    HandlerSlot* old = s.handler.exchange(fresh);
    if (!s.reporting.load()) delete old;
}

void* faultWriterUser() {
    const HandlerSlot* slot = state().handler.load();
    return slot ? slot->user : nullptr;
}

void setFaultWatchdog(unsigned seconds) {
    state().watchdogSeconds.store(seconds > 0 ? seconds : 1);
}

void FaultText::add(std::string_view s) {
    const std::size_t n = s.size() < cap_ - len_ ? s.size() : cap_ - len_;
    std::memcpy(buf_ + len_, s.data(), n);
    len_ += n;
}

void FaultText::num(long long v) {
    char tmp[24];
    const auto r = std::to_chars(tmp, tmp + sizeof tmp, v);
    add(std::string_view(tmp, static_cast<std::size_t>(r.ptr - tmp)));
}

void FaultText::two(int v) {
    const char d[2] = {static_cast<char>('0' + v / 10 % 10), static_cast<char>('0' + v % 10)};
    add(std::string_view(d, 2));
}

CivilTime civilTime(std::int64_t unixSeconds, long utcOffset) {
    const std::int64_t t = unixSeconds + utcOffset;
    std::int64_t days = t / 86400, secs = t % 86400;
    if (secs < 0) {
        secs += 86400;
        --days;
    }
    // Civil date from a count of days since 1970-01-01 (proleptic Gregorian calendar).
    const std::int64_t z = days + 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const std::int64_t doe = z - era * 146097;
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const std::int64_t mp = (5 * doy + 2) / 153;
    CivilTime c{};
    c.day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    c.month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    c.year = static_cast<int>(yoe + era * 400 + (c.month <= 2 ? 1 : 0));
    c.hour = static_cast<int>(secs / 3600);
    c.minute = static_cast<int>(secs / 60 % 60);
    c.second = static_cast<int>(secs % 60);
    return c;
}

long utcOffsetNow() {
    const std::time_t now = std::time(nullptr);
    std::tm t{};
    localtime_r(&now, &t);
    return t.tm_gmtoff;
}

bool appendWhole(const char* path, std::string_view text) {
    if (!path || !*path) return false;
    const int fd = ::open(path, O_WRONLY | O_APPEND | O_CREAT | O_NONBLOCK | O_CLOEXEC | O_NOCTTY, 0644);
    if (fd < 0) return false;
    struct stat st {};
    bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    std::size_t done = 0;
    while (ok && done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            ok = false;
            if (::ftruncate(fd, st.st_size) != 0) {
                // Nothing more can be done on this path.
            }
        } else {
            done += static_cast<std::size_t>(n);
        }
    }
    ::close(fd);
    return ok;
}

void endQuietlyOnFault(const ErrorInfo& info) {
    std::fprintf(stderr, "fault during shutdown: %s (%s, line %d)\n", info.message.c_str(),
                 info.module.c_str(), info.line);
    std::fflush(nullptr);
    std::_Exit(0);
}

void checkpoint(const char* module, int line) {
    TrapState& s = state();
    s.checkpointPath.store(module, std::memory_order_relaxed);
    s.checkpointLine.store(line, std::memory_order_relaxed);
}

ErrorInfo lastCheckpoint() {
    TrapState& s = state();
    ErrorInfo e;
    const char* path = s.checkpointPath.load(std::memory_order_relaxed);
    e.module = path ? moduleName(path) : std::string();
    e.line = s.checkpointLine.load(std::memory_order_relaxed);
    return e;
}

std::string moduleName(const char* path) {
    if (!path) return {};
    std::string p(path);
    const std::size_t slash = p.find_last_of("/\\");
    if (slash != std::string::npos) p.erase(0, slash + 1);
    const std::size_t dot = p.rfind('.');
    if (dot != std::string::npos && dot > 0) p.erase(dot);
    return p;
}

ErrorInfo describeException(std::exception_ptr error) {
    ErrorInfo e = lastCheckpoint();
    try {
        if (error) std::rethrow_exception(error);
        e.message = "UNKNOWN EXCEPTION";
    } catch (const Fault& f) {
        e.message = f.what();
        e.module = f.module;
        e.line = f.line;
    } catch (const std::exception& x) {
        e.message = x.what();
    } catch (...) {
        e.message = "UNKNOWN EXCEPTION";
    }
    return e;
}

void reportFatal(const ErrorInfo& info) {
    reportInfo(info);
}

Fault::Fault(const std::string& message, SourceLocation where)
    : std::runtime_error(message), module(moduleName(where.file_name())),
      line(static_cast<int>(where.line())) {}

} // namespace plat
