// The error report reaches the disk whatever state a fault leaves behind: here the fault comes from
// inside an allocation, after which the allocator is stuck (as when a fault hits while it holds
// its lock). The report is written without allocating; the handler's box then hangs and the
// watchdog ends the process with exit code 0.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <new>
#include <string>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include "EngineTestKit.h"
#include "platform/ErrorTrap.h"

using namespace engine;

using kit::crlfLines;
using kit::Harness;
using kit::TempDir;

namespace {
// Armed only in a child: the next allocation faults, and every later one waits for ever.
std::atomic<bool> gFaultInNew{false}, gAllocatorStuck{false};
} // namespace

__attribute__((noinline)) void* operator new(std::size_t n) {
    if (gFaultInNew.exchange(false)) {
        gAllocatorStuck = true;
        void* page = ::mmap(nullptr, 4096, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        *static_cast<volatile int*>(page) = 1;
    }
    while (gAllocatorStuck) ::pause(); // only a signal (the watchdog) ends this wait
    if (void* p = std::malloc(n ? n : 1)) return p;
    throw std::bad_alloc();
}
// Out of line, so the compiler does not pair the free with a new expression it inlined it into.
__attribute__((noinline)) void operator delete(void* p) noexcept {
    std::free(p);
}
__attribute__((noinline)) void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}
// The no-throw form must come from the same place as the others (the library's own is the
// sanitizer's, whose blocks the free above must not see).
__attribute__((noinline)) void* operator new(std::size_t n, const std::nothrow_t&) noexcept {
    return std::malloc(n ? n : 1);
}

TEST(FatalErrorHandler, AFaultInsideAnAllocationStillWritesTheWholeReport) {
    TempDir dir;
    kit::writeWorld(dir, {{"ERRORPATH", "CORE/err.txt"}});
    dir.write("CORE/err.txt", "EARLIER REPORT\r\n");
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = ::fork();
    if (pid == 0) {
        Harness h;
        if (!h.start(dir.path())) std::_Exit(90);
        h.e->exitProcess = [](int code) { std::_Exit(code); };
        h.e->kinds.tileNames = {"grass", ""};
        h.e->kinds.tileCount = 0;
        h.e->kinds.lastTileId = 0;
        h.e->lastObjectName = std::string(5000, 'g'); // longer than any field of the report keeps
        if (!h.pass() || !h.pass()) std::_Exit(92);   // every pass registers the handler
        plat::setFaultWatchdog(1);
        plat::checkpoint("sim/ObjectUpdate.cpp", 321);
        gFaultInNew = true;
        delete new std::string(100, 'x');
        std::_Exit(91);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(30));

    const auto lines = crlfLines(dir.read("CORE/err.txt"));
    ASSERT_EQ(lines.size(), 1u + 2u + 27u + 1u); // the earlier report, content-error lines, report
    EXPECT_EQ(lines[0], "EARLIER REPORT");
    EXPECT_EQ(lines[1], "THIS ERROR IS MAP/SEGMENT CONTENT ERROR  PLEASE CHECK CONTENT(FILES):");
    EXPECT_EQ(lines[3], std::string(98, '-'));
    EXPECT_EQ(lines[4].rfind("KORVEX ERROR HANDLER: ERROR DATE:", 0), 0u);
    EXPECT_EQ(lines[4].size(),
              std::string("KORVEX ERROR HANDLER: ERROR DATE:2011,05,17  TIME:14:03:09").size());
    EXPECT_EQ(lines[5], "ACCESS VIOLATION");
    EXPECT_EQ(lines[6], "Module:ObjectUpdate AT LINE:321");
    EXPECT_EQ(lines[20], "TRYED TO LOAD:" + std::string(1024, 'g'));
    EXPECT_EQ(lines[22], std::string(1024, 'g') + " IS NOT PART OF THE GFXSYSTEM");
    EXPECT_EQ(lines.back(), "");
}
