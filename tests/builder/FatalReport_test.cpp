// Messages and the fatal error handler: a real fault in a child process writes the error file
// entry and the recovery map, which loads back as the map that was being edited.
#include "Harness.h"

#include <atomic>
#include <csignal>
#include <cstdlib>
#include <new>
#include <sys/wait.h>

#include "builder/FatalReport.h"
#include "builder/MapEditing.h"
#include "builder/MapFiles.h"
#include "builder/Messages.h"
#include "platform/ErrorTrap.h"
#include "tests/support/FileFaults.h"

using namespace tarntest;

namespace {
struct Editor : Harness {
    Editor() {
        addKind("wall", 32, 32);
        EXPECT_TRUE(start());
        tarn::newMap(b);
    }
    void place(int x, int y, int layer) {
        b.edit.cursorX = x;
        b.edit.cursorY = y;
        b.edit.currentLayer = layer;
        ASSERT_TRUE(tarn::placeTile(b));
    }
};

// A real access violation, at a known checkpoint line.
// clang-format off
[[gnu::noinline]] void makeFault(volatile int* where) { BT_CHECKPOINT(); *where = 42; }
constexpr int kFaultLine = __LINE__ - 1;
// clang-format on

// Armed only in a child: the next allocation faults, and every later one waits for ever (as when
// a fault hits the allocator while it holds its lock).
std::atomic<bool> gFaultInNew{false}, gAllocatorStuck{false};
} // namespace

__attribute__((noinline)) void* operator new(std::size_t n) {
    if (gFaultInNew.exchange(false)) {
        gAllocatorStuck = true;
        makeFault(reinterpret_cast<volatile int*>(static_cast<std::uintptr_t>(getpid() > 0 ? 8 : 0)));
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

TEST(Messages, ErrorTableEndsOrGoesOn) {
    Editor e;
    EXPECT_FALSE(tarn::reportError(e.b, 100));
    EXPECT_TRUE(tarn::reportError(e.b, 119));
    EXPECT_TRUE(tarn::reportError(e.b, 124));
    const auto boxes = e.tp.dialogs().boxes().size();
    EXPECT_FALSE(tarn::reportError(e.b, 102)); // no text: ends without a box
    EXPECT_EQ(e.tp.dialogs().boxes().size(), boxes);
    EXPECT_EQ(e.tp.dialogs().boxes().back().text, "Sorry! Could not save DNA?!?");
    tarn::askOrInform(e.b, 55); // unknown question: nothing
    EXPECT_EQ(e.tp.dialogs().boxes().size(), boxes);
}

TEST(FatalError, EntryLayout) {
    plat::ErrorInfo info;
    info.message = "DIVISION BY ZERO";
    info.module = "MapEditing";
    info.line = 77;
    const std::string entry = tarn::errorFileEntry(info, 0);
    const auto lines = textio::splitLines(entry);
    ASSERT_EQ(lines.size(), 7u);
    EXPECT_EQ(lines[0].rfind("ZEMA ERROR INFO: DATE: ", 0), 0u);
    EXPECT_EQ(lines[0].size(), std::string("ZEMA ERROR INFO: DATE: 1970,01,01   00:00:00").size());
    EXPECT_EQ(lines[0][27], ',');
    EXPECT_EQ(lines[1], "ERROR: Include: MapEditing");
    EXPECT_EQ(lines[2], "LINE: 77");
    EXPECT_EQ(lines[3], "WHAT: DIVISION BY ZERO");
    EXPECT_EQ(lines[4], "-");
    EXPECT_EQ(lines[6], "-");
    EXPECT_NE(entry.find("\r\n"), std::string::npos);
    info.module = "tarn";
    EXPECT_NE(tarn::errorFileEntry(info, 0).find("ERROR: Include: Main Module\r\n"), std::string::npos);
    EXPECT_EQ(tarn::fatalBoxText(1234),
              "Description is stored in: _ERR!!!!.txt\nBackup off your work is stored:USER\\_LAZARUS1234"
              "\nTo Restore your work load the _LAZARUS With the  MAP EDITOR");
}

TEST(FatalError, RealFaultInAChildWritesTheReportAndARecoveryMapThatLoadsBack) {
    Editor e;
    e.place(64, 32, 1);
    e.place(96, 32, 3);
    e.place(0, 0, 2);
    e.b.map.objects[2].present = 0; // deleted: not part of the recovery map
    for (int run = 0; run < 2; ++run) {
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            tarn::installFatalErrorHandler(e.b);
            tarn::installFatalErrorHandler(e.b); // as every main-loop pass does
            if (run == 1) {
                // The second fault comes from inside an allocation, and the allocator stays stuck:
                // the report and the map must still be written, and the watchdog ends the box.
                plat::setFaultWatchdog(1);
                gFaultInNew = true;
                delete new std::string(100, 'x');
            }
            // An address in the unmapped first page (not the null pointer, which sanitizers stop first).
            makeFault(reinterpret_cast<volatile int*>(static_cast<std::uintptr_t>(getpid() > 0 ? 8 : 0)));
            std::_Exit(99); // not reached when the handler works
        }
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status)) << "the child died by signal " << WTERMSIG(status);
        EXPECT_EQ(WEXITSTATUS(status), 0);
        // Only the second run's recovery map is kept for the checks below.
        if (run == 0)
            for (const auto& f : fs::directory_iterator(e.dir + "USER"))
                if (f.path().filename().string().rfind("_LAZARUS", 0) == 0) fs::remove(f.path());
    }
    // Two faults, two entries, the older first.
    const auto lines = textio::splitLines(readText(e.dir + "USER/ERR!!!!.txt"));
    ASSERT_EQ(lines.size(), 14u);
    EXPECT_EQ(lines[1], "ERROR: Include: FatalReport_test");
    EXPECT_EQ(lines[2], "LINE: " + std::to_string(kFaultLine));
    EXPECT_EQ(lines[3], "WHAT: ACCESS VIOLATION");
    EXPECT_EQ(lines[8], "ERROR: Include: FatalReport_test");
    std::string recovery;
    for (const auto& f : fs::directory_iterator(e.dir + "USER"))
        if (f.path().filename().string().rfind("_LAZARUS", 0) == 0) recovery = f.path().string();
    ASSERT_FALSE(recovery.empty());
    const std::string number = fs::path(recovery).filename().string().substr(8);
    EXPECT_GT(std::stoll(number), 1700000000LL);

    Editor fresh;
    ASSERT_TRUE(tarn::loadMapOld(fresh.b, recovery));
    ASSERT_EQ(fresh.b.map.lastObject, 1);
    EXPECT_EQ(fresh.b.map.objects[0].name, "wall");
    EXPECT_FLOAT_EQ(fresh.b.map.objects[0].x, 64.0f);
    EXPECT_EQ(fresh.b.map.objects[1].layer, 3);
    EXPECT_EQ(fresh.b.map.maxUsedLayer, 3);
    EXPECT_NE(fresh.b.map.objects[1].sprite, 0);
}

// On a full disk the fault still ends cleanly with exit code 0; the error file keeps only whole
// entries and no cut recovery map (or its temporary) is left that could pass for a backup.
TEST(FatalError, FullDiskLeavesWholeEntriesAndNoCutRecoveryMap) {
    Editor e;
    for (int i = 0; i < 20; ++i) e.place(32 * (i % 5), 32 * (i / 5), i % 4);
    fs::create_directories(e.dir + "USER");
    writeText(e.dir + "USER/ERR!!!!.txt", "OLD\r\n");
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        tarn::installFatalErrorHandler(e.b);
        support::FileSizeLimit full(64); // no entry and no map of 20 tiles fits
        makeFault(reinterpret_cast<volatile int*>(static_cast<std::uintptr_t>(getpid() > 0 ? 8 : 0)));
        std::_Exit(99);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status)) << "the child died by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(readText(e.dir + "USER/ERR!!!!.txt"), "OLD\r\n");
    for (const std::string& name : support::folderEntries(e.dir + "USER"))
        EXPECT_EQ(name.find("_LAZARUS"), std::string::npos) << name;
}
