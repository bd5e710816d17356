// biosim's writers on a full disk (a file size limit, which fails write() part way as a full disk
// does, for root too): the start-up report and the dump keep their old files and leave no
// temporary behind; the warnings log and the error report get whole blocks or nothing.
#include <gtest/gtest.h>

#include <csignal>

#include "EngineTestKit.h"
#include "engine/Dump.h"
#include "engine/FatalErrors.h"
#include "engine/Logs.h"
#include "tests/support/FileFaults.h"

using namespace engine;

using kit::Harness;
using kit::TempDir;

TEST(FullDisk, EngineWritersKeepTheOldFilesAndWriteNoHalfBlocks) {
    TempDir dir;
    kit::writeWorld(
        dir, {{"PATH", "CORE/startup.log"}, {"WARNINGS", "CORE/warn.log"}, {"ERRORPATH", "CORE/err.txt"}});
    const std::string old = "OLD\r\n";
    for (const char* f : {"CORE/startup.log", "CORE/warn.log", "CORE/err.txt", "dump.json"})
        dir.write(f, old);
    const auto before = support::folderEntries(dir.path() + "CORE");

    Harness h;
    {
        // Room for a little more than the old files: no report, block or dump fits.
        support::FileSizeLimit full(64);
        ASSERT_TRUE(h.start(dir.path())); // writes the start-up report
        warn(*h.e, "COULD NOT FIND SOUND:zap.ogg");
        EXPECT_FALSE(writeDump(*h.e, dir.path() + "dump.json"));
        EXPECT_THROW(fatalErrorHandler(*h.e, plat::ErrorInfo{"DIVISION BY ZERO", "Following", 33, SIGFPE}),
                     kit::ProcessEnded);
    }
    for (const char* f : {"CORE/startup.log", "CORE/warn.log", "CORE/err.txt", "dump.json"})
        EXPECT_EQ(dir.read(f), old) << f;
    EXPECT_EQ(support::folderEntries(dir.path() + "CORE"), before); // no temporary left behind

    // With room again the same writers work: the failures above were the disk's, not theirs.
    warn(*h.e, "COULD NOT FIND SOUND:zap.ogg");
    EXPECT_EQ(kit::crlfLines(dir.read("CORE/warn.log")).size(), 1u + 9u);
    EXPECT_TRUE(writeDump(*h.e, dir.path() + "dump.json"));
}
