// Run-time error trap: one handler per program receives every uncaught C++ exception and every fatal
// signal (SIGSEGV, SIGFPE, SIGILL, SIGBUS, SIGABRT, run on an alternate stack so a stack overflow is
// caught too), with a message text, a module name and a line or position.
//
// The module and line come from the last checkpoint the code passed (BT_CHECKPOINT), or from the
// throw site when the exception is a plat::Fault. The handler is expected not to return; if it
// does, the process ends with exit code 0. With no handler set (or after it was cleared) a fault
// prints its report and ends the process like a crash: exit code 128 + signal, or 134.
//
// A fault is reported in two steps: the program's fault writer puts the report on disk first with
// prepared buffers and plain system calls (a fault may leave the allocator or the window system
// holding a lock), then the handler (box, shutdown) runs; after a signal it runs under a watchdog
// alarm that ends the process if it hangs.
#pragma once

#include <exception>
#include <functional>
#if __has_include(<source_location>)
#include <source_location>
#endif
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

namespace plat {

struct ErrorInfo {
    std::string message; // "ACCESS VIOLATION", "DIVISION BY ZERO", the exception's what(), ...
    std::string module;  // source module name without folder and extension, e.g. "ObjectUpdate"
    int line = 0;        // line or position within the module
    int signal = 0;      // the signal number, 0 for an exception
};

using ErrorHandler = std::function<void(const ErrorInfo&)>;

// A fault's report in fixed buffers (texts cut to fit), for code that may not allocate.
struct FaultRecord {
    char message[256];
    char module[128];
    int line;
    int signal;
};

// The part of a program's report that must reach the disk whatever state the process is in (the
// error file, a recovery copy of the user's work). It runs first on every fault, before the handler
// and possibly inside a signal handler, where the allocator or the window system may be stuck on a
// lock the fault left held: it may only use memory prepared beforehand and async-signal-safe calls
// (open, write, close, mkdir, clock_gettime; no allocation, no locks, no stdio, no SDL).
using FaultWriter = void (*)(const FaultRecord& fault, void* user);

// Installs the signal handlers and std::terminate hook (once per process) and sets the handler
// with its fault writer (none: nullptr); a handler set without a writer drops the previous writer.
// The swap takes no lock, so a fault at any moment (even one raised while the new handler is being
// built or the old one freed) finds either the old pair or the new one.
void setErrorHandler(ErrorHandler handler, FaultWriter writer = nullptr, void* writerUser = nullptr);

// The `writerUser` of the pair now set (nullptr when none): lets a program see that its own handler
// is still the one set, so that setting it on every loop pass costs nothing.
void* faultWriterUser();

// ---- helpers for fault writers: no allocation, plain system calls ----------------------------

// Text built in a caller's fixed buffer; what does not fit is cut.
class FaultText {
public:
    FaultText(char* buffer, std::size_t capacity) : buf_(buffer), cap_(capacity) {}
    void add(std::string_view s);
    void num(long long v);
    void two(int v); // two digits, leading zero
    void end() { add("\r\n"); }
    void line(std::string_view s) {
        add(s);
        end();
    }
    std::string_view view() const { return {buf_, len_}; }
    std::size_t size() const { return len_; }
    void clear() { len_ = 0; }

private:
    char* buf_;
    std::size_t cap_;
    std::size_t len_ = 0;
};

// The local time without the time zone lock that localtime takes: `utcOffset` (seconds east of
// UTC) is read beforehand with utcOffsetNow().
struct CivilTime {
    int year, month, day, hour, minute, second;
};
CivilTime civilTime(std::int64_t unixSeconds, long utcOffset);
long utcOffsetNow();

// Appends `text` to a regular file (created 0644 when missing) whole or not at all: a write that
// comes up short is cut back off. Never blocks on a FIFO. False when nothing was appended.
bool appendWhole(const char* path, std::string_view text);

// After a fatal signal the handler (message box, shutdown) runs under a watchdog: when it has not
// ended the process within this many seconds (it hangs on a lock, or waits on a box nobody
// answers), the process ends with exit code 0 anyway. The report is on disk by then. Default 60.
void setFaultWatchdog(unsigned seconds);

// A handler for the last moments of a program whose own handler is gone: prints the fault to
// standard error and ends the process with exit code 0, as the programs always do.
void endQuietlyOnFault(const ErrorInfo& info);

// Marks the code position that an error report names. Cheap: two stores. `module` must outlive the
// process (a string literal such as __FILE__); its folder and extension are removed when reported.
void checkpoint(const char* module, int line);

// Reads back the last checkpoint.
ErrorInfo lastCheckpoint();

// Module name of a source path: folder and extension removed ("sim/ObjectUpdate.cpp" -> "ObjectUpdate").
std::string moduleName(const char* path);

// The report for a caught exception: its what() text, and the throw site of a plat::Fault or else the
// last checkpoint. For code that catches at the top of a loop and wants the same report.
ErrorInfo describeException(std::exception_ptr error);

// Hands a report to the handler as if the fault had been trapped, then ends the process with exit
// code 0. The handler runs at most once per process.
[[noreturn]] void reportFatal(const ErrorInfo& info);

// The place in the source that a Fault names. Works like std::source_location (and converts from
// it), but also with compilers whose library lacks it (clang 14 with libstdc++ 12).
struct SourceLocation {
    static constexpr SourceLocation current(const char* file = __builtin_FILE(),
                                            unsigned line = __builtin_LINE()) noexcept {
        return SourceLocation(file, line);
    }
    constexpr SourceLocation(const char* file, unsigned line) noexcept : file_(file), line_(line) {}
#if defined(__cpp_lib_source_location)
    constexpr SourceLocation(const std::source_location& l) noexcept
        : file_(l.file_name()), line_(l.line()) {}
#endif
    constexpr const char* file_name() const noexcept {
        return file_;
    }
    constexpr unsigned line() const noexcept {
        return line_;
    }

private:
    const char* file_;
    unsigned line_;
};

// An exception that carries the module and line of the place that threw it.
class Fault : public std::runtime_error {
public:
    explicit Fault(const std::string& message, SourceLocation where = SourceLocation::current());
    std::string module;
    int line;
};

} // namespace plat

#define BT_CHECKPOINT() ::plat::checkpoint(__FILE__, __LINE__)
