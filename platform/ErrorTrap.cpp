// Run-time error trap: fatal signals and uncaught exceptions reach the program's one handler.
//
// This is the one place that holds process-wide state: signal dispositions and std::terminate are
// process-wide by nature. The handler runs at most once per process (a fault inside the handler, or
// the abort() that follows an uncaught exception, does not call it a second time); when it returns,
// the process ends with exit code 0.
#include "platform/ErrorTrap.h"

#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <mutex>
#include <sys/mman.h>
#include <unistd.h>

namespace plat {
namespace {

// Big enough for a handler that formats a report, writes files and shows a message box.
constexpr std::size_t kAltStackSize = 1u << 20;

struct TrapState {
    std::mutex mutex;     // guards handler replacement against a report in progress
    ErrorHandler handler; // the program's handler (may be empty)
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

std::string signalMessage(int sig, const siginfo_t* info) {
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
        return "SIGNAL " + std::to_string(sig);
    }
}

// Calls the handler once; any later fault ends the process quietly with exit code 0.
[[noreturn]] void report(const ErrorInfo& info) {
    TrapState& s = state();
    if (s.reporting.exchange(true)) std::_Exit(0);
    ErrorHandler h;
    {
        // try_lock: a signal could arrive while setErrorHandler holds the lock on this thread.
        std::unique_lock<std::mutex> lock(s.mutex, std::try_to_lock);
        h = s.handler;
    }
    if (h) {
        h(info);
        std::fflush(nullptr);
        std::_Exit(0);
    }
    // No program handler: nobody asked for the programs' exit-0 convention, so the fault must stay
    // visible to whoever started the process (a test runner above all), as an ordinary crash would.
    std::fprintf(stderr, "fatal error: %s (%s, line %d)\n", info.message.c_str(), info.module.c_str(),
                 info.line);
    std::fflush(nullptr);
    std::_Exit(info.signal != 0 ? 128 + info.signal : 134);
}

void onSignal(int sig, siginfo_t* info, void*) {
    ErrorInfo e = lastCheckpoint();
    e.message = signalMessage(sig, info);
    e.signal = sig;
    report(e);
}

void onTerminate() {
    ErrorInfo e = lastCheckpoint();
    e.message = "UNKNOWN EXCEPTION";
    if (std::exception_ptr p = std::current_exception()) {
        e = describeException(p);
    } else {
        e.message = "TERMINATE CALLED";
    }
    report(e);
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

void setErrorHandler(ErrorHandler handler) {
    install();
    TrapState& s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.handler = std::move(handler);
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
    report(info);
}

Fault::Fault(const std::string& message, SourceLocation where)
    : std::runtime_error(message), module(moduleName(where.file_name())),
      line(static_cast<int>(where.line())) {}

} // namespace plat
