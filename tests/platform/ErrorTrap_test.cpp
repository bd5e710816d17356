// The error trap: a thrown exception and a real fatal signal each reach the handler exactly once,
// with a message, a module and a line. Every case runs in a child process (fork), since the trap
// ends the process.
#include "platform/ErrorTrap.h"

#include <array>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <gtest/gtest.h>
#include <new>
#include <string>
#include <sys/mman.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

struct ChildResult {
    int exitCode = -1;              // -1 when the child did not exit normally
    std::vector<std::string> calls; // one line per handler call: "message|module|line|signal"
};

int gOut = -1; // the child's end of the pipe

// Runs `body` in a child whose handler writes each call as one line into a pipe.
ChildResult runChild(void (*body)()) {
    int fds[2];
    EXPECT_EQ(::pipe(fds), 0);
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(fds[0]);
        const int out = fds[1];
        gOut = out;
        plat::setErrorHandler([out](const plat::ErrorInfo& e) {
            const std::string line = e.message + "|" + e.module + "|" + std::to_string(e.line) + "|" +
                                     std::to_string(e.signal) + "\n";
            (void)!::write(out, line.data(), line.size());
        });
        // A thread of its own, so no test framework frame catches the exception: it is truly
        // uncaught, as in the programs.
        std::thread t(body);
        t.join();
        ::_exit(77); // the body was expected not to return
    }
    ::close(fds[1]);
    std::string all;
    char buf[512];
    ssize_t n;
    while ((n = ::read(fds[0], buf, sizeof buf)) > 0) all.append(buf, static_cast<std::size_t>(n));
    ::close(fds[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    ChildResult r;
    r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    std::size_t start = 0;
    while (start < all.size()) {
        const std::size_t end = all.find('\n', start);
        r.calls.push_back(all.substr(start, end - start));
        start = end == std::string::npos ? all.size() : end + 1;
    }
    return r;
}

void throwFault() {
    BT_CHECKPOINT();
    throw plat::Fault("MAP FILE BROKEN"); // the line below is named in the test
}
constexpr int kFaultLine = __LINE__ - 2;

void throwStdException() {
    plat::checkpoint("sim/ObjectUpdate.cpp", 321);
    throw std::runtime_error("vector too long");
}

void touchProtectedPage() {
    plat::checkpoint("engine/StatusScreen.cpp", 77);
    // A real access violation: a page that may not be written. (A null pointer would be caught
    // earlier by the undefined-behaviour sanitizer in the sanitizer build.)
    void* page = ::mmap(nullptr, 4096, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    *static_cast<volatile int*>(page) = 1;
}

void abortInHandler() {
    plat::setErrorHandler([](const plat::ErrorInfo& e) {
        const std::string line = "aborting after " + e.message + "\n";
        (void)!::write(gOut, line.data(), line.size());
        std::abort(); // a fault while reporting must not report again
    });
    plat::checkpoint("builder/MapFiles.cpp", 5);
    throw std::logic_error("first");
}

void raiseFpe() {
    plat::checkpoint("sim/Following.cpp", 12);
    std::raise(SIGFPE);
}

void faultAfterHandlerCleared() {
    plat::setErrorHandler({});
    touchProtectedPage();
}

void exceptionAfterHandlerCleared() {
    plat::setErrorHandler({});
    throwStdException();
}

// Allocation hooks of this test program, armed only in children: the next operator delete faults;
// the next operator new faults as if inside the allocator, after which every allocation waits on
// the lock that fault left held.
std::atomic<bool> gFaultInDelete{false}, gFaultInNew{false}, gAllocatorStuck{false};

void faultNow() {
    void* page = ::mmap(nullptr, 4096, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    *static_cast<volatile int*>(page) = 1;
}

void writeLine(int fd, std::initializer_list<const char*> parts) {
    for (const char* p : parts) (void)!::write(fd, p, std::strlen(p));
    (void)!::write(fd, "\n", 1);
}

void faultWhileReplacingHandler() {
    // A handler large enough to live on the heap: replacing it frees memory, and that free faults.
    std::array<char, 64> big{};
    plat::setErrorHandler([big](const plat::ErrorInfo&) { writeLine(gOut, {"old handler", big.data()}); });
    plat::checkpoint("builder/MainLoop.cpp", 25);
    gFaultInDelete = true;
    plat::setErrorHandler([](const plat::ErrorInfo& e) {
        writeLine(gOut, {"new handler|", e.message.c_str()});
    });
    std::_Exit(78);
}

int gWriterFd = -1;
void writeFault(const plat::FaultRecord& f, void* user) {
    char line[16];
    std::snprintf(line, sizeof line, "%d", f.line); // no allocation
    writeLine(*static_cast<int*>(user), {"writer|", f.message, "|", f.module, "|", line});
}

void faultInsideAllocation() {
    gWriterFd = gOut;
    plat::setFaultWatchdog(1);
    plat::setErrorHandler(
        [](const plat::ErrorInfo& e) {
            writeLine(gOut, {"handler|", e.message.c_str()});
        },
        &writeFault, &gWriterFd);
    plat::checkpoint("sim/Collision.cpp", 42);
    gFaultInNew = true;
    delete new std::string(100, 'x');
    std::_Exit(78);
}

} // namespace

__attribute__((noinline)) void* operator new(std::size_t n) {
    if (gFaultInNew.exchange(false)) {
        gAllocatorStuck = true;
        faultNow();
    }
    while (gAllocatorStuck) ::pause(); // only a signal (the watchdog) ends this wait
    if (void* p = std::malloc(n ? n : 1)) return p;
    throw std::bad_alloc();
}
// Out of line, so the compiler does not pair the free with a new expression it inlined it into.
__attribute__((noinline)) void operator delete(void* p) noexcept {
    if (gFaultInDelete.exchange(false)) faultNow();
    std::free(p);
}
__attribute__((noinline)) void operator delete(void* p, std::size_t) noexcept {
    operator delete(p);
}
// The no-throw form must come from the same place as the others (the library's own is the
// sanitizer's, whose blocks the free above must not see).
__attribute__((noinline)) void* operator new(std::size_t n, const std::nothrow_t&) noexcept {
    return std::malloc(n ? n : 1);
}

// A fault while a handler takes the place of another (here: while the old one is freed) is
// reported by one of them; none is dropped for a lock.
TEST(ErrorTrap, AFaultWhileTheHandlerIsReplacedIsStillReported) {
    const ChildResult r = runChild(faultWhileReplacingHandler);
    EXPECT_EQ(r.exitCode, 0);
    ASSERT_EQ(r.calls.size(), 1u);
    EXPECT_EQ(r.calls[0], "new handler|ACCESS VIOLATION");
}

// A fault inside the allocator: the writer, which allocates nothing, puts the report out first;
// the handler then hangs on the allocator's lock and the watchdog ends the process with 0.
TEST(ErrorTrap, AFaultInsideAnAllocationIsWrittenAndTheStuckHandlerEnded) {
    const auto start = std::chrono::steady_clock::now();
    const ChildResult r = runChild(faultInsideAllocation);
    EXPECT_EQ(r.exitCode, 0);
    ASSERT_EQ(r.calls.size(), 1u);
    EXPECT_EQ(r.calls[0], "writer|ACCESS VIOLATION|Collision|42");
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(30));
}

// Once a program's handler is gone (a test whose engine was destroyed, say), a fault must not look
// like a clean end: it ends the process as a crash would.
TEST(ErrorTrap, WithoutAHandlerAFaultIsNoCleanEnd) {
    ChildResult r = runChild(faultAfterHandlerCleared);
    EXPECT_TRUE(r.calls.empty());
    EXPECT_EQ(r.exitCode, 128 + SIGSEGV);
    r = runChild(exceptionAfterHandlerCleared);
    EXPECT_TRUE(r.calls.empty());
    EXPECT_EQ(r.exitCode, 134);
}

TEST(ErrorTrap, ThrownFaultNamesItsThrowSite) {
    const ChildResult r = runChild(throwFault);
    EXPECT_EQ(r.exitCode, 0);
    ASSERT_EQ(r.calls.size(), 1u);
    EXPECT_EQ(r.calls[0], "MAP FILE BROKEN|ErrorTrap_test|" + std::to_string(kFaultLine) + "|0");
}

TEST(ErrorTrap, OtherExceptionsNameTheLastCheckpoint) {
    const ChildResult r = runChild(throwStdException);
    EXPECT_EQ(r.exitCode, 0);
    ASSERT_EQ(r.calls.size(), 1u);
    EXPECT_EQ(r.calls[0], "vector too long|ObjectUpdate|321|0");
}

TEST(ErrorTrap, RealSegfaultReachesTheHandlerOnce) {
    const ChildResult r = runChild(touchProtectedPage);
    EXPECT_EQ(r.exitCode, 0);
    ASSERT_EQ(r.calls.size(), 1u);
    EXPECT_EQ(r.calls[0], "ACCESS VIOLATION|StatusScreen|77|" + std::to_string(SIGSEGV));
}

TEST(ErrorTrap, OtherFatalSignals) {
    const ChildResult r = runChild(raiseFpe);
    EXPECT_EQ(r.exitCode, 0);
    ASSERT_EQ(r.calls.size(), 1u);
    EXPECT_NE(r.calls[0].find("|Following|12|" + std::to_string(SIGFPE)), std::string::npos) << r.calls[0];
}

TEST(ErrorTrap, AFaultInsideTheHandlerEndsQuietly) {
    const ChildResult r = runChild(abortInHandler);
    EXPECT_EQ(r.exitCode, 0);
    ASSERT_EQ(r.calls.size(), 1u); // the abort inside the handler is not reported again
    EXPECT_EQ(r.calls[0], "aborting after first");
}

TEST(ErrorTrap, CheckpointsAndModuleNames) {
    EXPECT_EQ(plat::moduleName("sim/ObjectUpdate.cpp"), "ObjectUpdate");
    EXPECT_EQ(plat::moduleName("/a/b/builder/MapFiles.cpp"), "MapFiles");
    EXPECT_EQ(plat::moduleName("C:\\src\\Overlay.pb"), "Overlay");
    EXPECT_EQ(plat::moduleName("noext"), "noext");
    EXPECT_EQ(plat::moduleName(nullptr), "");
    plat::checkpoint("engine/InputStep.cpp", 1234);
    const plat::ErrorInfo e = plat::lastCheckpoint();
    EXPECT_EQ(e.module, "InputStep");
    EXPECT_EQ(e.line, 1234);
    const plat::ErrorInfo d = plat::describeException(std::make_exception_ptr(std::runtime_error("boom")));
    EXPECT_EQ(d.message, "boom");
    EXPECT_EQ(d.module, "InputStep");
}

// The report's time stamp is computed without localtime: midnights, the day before 1970, a leap
// day, a century that is no leap year and an offset that moves the date across midnight.
TEST(ErrorTrap, CivilTimeAtDayAndYearEdges) {
    struct Case {
        std::int64_t t;
        long offset;
        int year, month, day, hour, minute, second;
    };
    const Case cases[] = {
        {0, 0, 1970, 1, 1, 0, 0, 0},
        {86399, 0, 1970, 1, 1, 23, 59, 59},
        {-1, 0, 1969, 12, 31, 23, 59, 59},
        {-86400, 0, 1969, 12, 31, 0, 0, 0},
        {951782400, 0, 2000, 2, 29, 0, 0, 0},
        {951868799, 0, 2000, 2, 29, 23, 59, 59},
        {4107542400, 0, 2100, 3, 1, 0, 0, 0},
        {82800, 3600, 1970, 1, 2, 0, 0, 0},
        {3599, -3600, 1969, 12, 31, 23, 59, 59},
    };
    for (const Case& c : cases) {
        const plat::CivilTime r = plat::civilTime(c.t, c.offset);
        const int got[] = {r.year, r.month, r.day, r.hour, r.minute, r.second};
        const int want[] = {c.year, c.month, c.day, c.hour, c.minute, c.second};
        for (int i = 0; i < 6; ++i) EXPECT_EQ(got[i], want[i]) << "time " << c.t << " offset " << c.offset;
    }
}
