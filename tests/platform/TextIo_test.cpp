// Line reading and the number conversions of the data files.
#include "Helpers.h"
#include "platform/Rounding.h"
#include "platform/TextIo.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace textio;

TEST(TextioNumbers, IntegersReadLikeTheDataFiles) {
    EXPECT_EQ(toInt("42"), 42);
    EXPECT_EQ(toInt("-"), 0);
    EXPECT_EQ(toInt("+7"), 7);
    EXPECT_EQ(toInt("\t12abc"), 12);
    EXPECT_EQ(toInt("  \t -15x"), -15);
    EXPECT_EQ(toInt(""), 0);
    EXPECT_EQ(toInt("abc"), 0);
    EXPECT_EQ(toInt("12 34"), 12);
    EXPECT_EQ(toInt(" + 5"), 0); // the sign must touch the digits
    EXPECT_EQ(toInt("\n5"), 0);  // only blanks and tabs are skipped
    EXPECT_EQ(toInt("3.9"), 3);
    EXPECT_EQ(toInt("2147483647"), 2147483647);
    EXPECT_EQ(toInt("2147483648"), -2147483647 - 1); // wraps like a 32-bit integer
    EXPECT_EQ(toInt("-2147483648"), -2147483647 - 1);
    EXPECT_EQ(toInt("4294967297"), 1);
    EXPECT_EQ(toInt("99999999999999999999999"), -159383553); // wraps, never saturates
}

TEST(TextioNumbers, BytesKeepTheLowEightBitsSigned) {
    EXPECT_EQ(toByte("300"), 44);
    EXPECT_EQ(toByte("200"), -56);
    EXPECT_EQ(toByte("127"), 127);
    EXPECT_EQ(toByte("128"), -128);
    EXPECT_EQ(toByte("-1"), -1);
    EXPECT_EQ(toByte("256"), 0);
    EXPECT_EQ(toByte("x"), 0);
}

TEST(TextioNumbers, RealsUseTheStandardConversion) {
    EXPECT_FLOAT_EQ(toReal("1.5"), 1.5f);
    EXPECT_FLOAT_EQ(toReal("  -0.25"), -0.25f);
    EXPECT_FLOAT_EQ(toReal("3e2"), 300.0f);
    EXPECT_FLOAT_EQ(toReal("2.5abc"), 2.5f);
    EXPECT_FLOAT_EQ(toReal("abc"), 0.0f);
    EXPECT_FLOAT_EQ(toReal(""), 0.0f);
    EXPECT_FLOAT_EQ(toReal("-"), 0.0f);
    EXPECT_FLOAT_EQ(toReal("0.1"), 0.1f);
    EXPECT_EQ(formatReal(0.1), "0.1");
    EXPECT_EQ(toDouble(formatReal(1.0 / 3.0)), 1.0 / 3.0);
    // Whole numbers stay plain decimals: the integer reader must read them back whole.
    EXPECT_EQ(formatReal(800), "800");
    EXPECT_EQ(toInt(formatReal(100000)), 100000);
    EXPECT_EQ(formatReal(-2.5), "-2.5");
    EXPECT_EQ(formatReal(1e20), "100000000000000000000");
    EXPECT_EQ(formatReal(std::nan("")), "0");
    // A very long text is no crash.
    EXPECT_FLOAT_EQ(toReal(std::string(1000, '7').insert(0, "0.")), 0.7777778f);
}

// Each rounding helper keeps the rule its name gives: how halves go, and what happens beyond its
// range (a swap of the two half rules or of clamping and wrapping moves drawn pixels and DNA values).
TEST(Rounding, EachHelperRoundsHalvesAndBoundsAsItsNameSays) {
    const double nan = std::nan(""), inf = HUGE_VAL;
    for (const double h : {2.5, -2.5, 3.5}) {
        EXPECT_EQ(plat::roundHalfEvenPixel(h), std::nearbyint(h)) << h;
        EXPECT_EQ(plat::roundHalfEvenInt32(h), std::nearbyint(h)) << h;
        EXPECT_EQ(plat::roundHalfAwayInt32(h), std::round(h)) << h;
        EXPECT_EQ(plat::roundHalfAwayWrapped32(h), std::round(h)) << h;
    }
    EXPECT_EQ(plat::roundHalfEvenPixel(2.5), 2);
    EXPECT_EQ(plat::roundHalfAwayInt32(2.5), 3);
    EXPECT_EQ(plat::roundHalfEvenPixel(1e300), std::int64_t{1} << 40);
    EXPECT_EQ(plat::roundHalfEvenPixel(-inf), -(std::int64_t{1} << 40));
    EXPECT_EQ(plat::roundHalfEvenInt32(5e9), 2147483647);
    EXPECT_EQ(plat::roundHalfAwayInt32(-inf), -2147483647 - 1);
    EXPECT_EQ(plat::roundHalfAwayWrapped32(4294967301.5), 6); // 2^32 + 6 wraps to 6
    EXPECT_EQ(plat::roundHalfAwayWrapped32(-2147483649.0), 2147483647);
    EXPECT_EQ(plat::roundHalfAwayWrapped32(inf), 0);
    EXPECT_EQ(plat::roundHalfEvenPixel(nan), 0);
    EXPECT_EQ(plat::roundHalfEvenInt32(nan), 0);
    EXPECT_EQ(plat::roundHalfAwayInt32(nan), 0);
    EXPECT_EQ(plat::roundHalfAwayWrapped32(nan), 0);
}

TEST(TextioLines, EveryLineEndAndTheOddLastLine) {
    EXPECT_EQ(splitLines("a\rb\rc"), (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_EQ(splitLines("a\r\nb\nc\r\n"), (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_EQ(splitLines("a\rb\nc\rd\r\ne"), (std::vector<std::string>{"a", "b", "c", "d", "e"}));
    EXPECT_EQ(splitLines("\n\r\r\n\nx"), (std::vector<std::string>{"", "", "", "", "x"}));
    EXPECT_EQ(splitLines("a\n\r\nb"), (std::vector<std::string>{"a", "", "b"}));
    EXPECT_EQ(splitLines("a\r\rb"), (std::vector<std::string>{"a", "", "b"}));
    EXPECT_EQ(splitLines("last without end"), (std::vector<std::string>{"last without end"}));
    EXPECT_EQ(splitLines("\n"), (std::vector<std::string>{""}));
    EXPECT_TRUE(splitLines("").empty());
}

TEST(TextioLines, ReaderOnRealFiles) {
    bt_test::TempDir dir;
    ASSERT_TRUE(bt_test::writeText(dir.file("mixed.txt"), "KEY\r\nvalue\rnext\nlast"));
    LineReader r;
    ASSERT_TRUE(r.open(dir.file("mixed.txt")));
    EXPECT_FALSE(r.eof());
    EXPECT_EQ(r.readLine(), "KEY");
    EXPECT_EQ(r.readLine(), "value");
    EXPECT_EQ(r.readLine(), "next");
    EXPECT_FALSE(r.eof());
    EXPECT_EQ(r.readLine(), "last");
    EXPECT_TRUE(r.eof());
    EXPECT_EQ(r.readLine(), ""); // past the end: empty, no crash

    ASSERT_TRUE(bt_test::writeText(dir.file("empty.txt"), ""));
    LineReader e;
    EXPECT_TRUE(e.open(dir.file("empty.txt")));
    EXPECT_TRUE(e.eof());

    LineReader missing;
    EXPECT_FALSE(missing.open(dir.file("missing.txt")));
    EXPECT_FALSE(missing.isOpen());
    EXPECT_TRUE(missing.eof());
    EXPECT_FALSE(missing.open(dir.path())); // a folder is no file
}

TEST(TextioFiles, WriterEndsLinesWithCrLfAndReplacesAtomically) {
    bt_test::TempDir dir;
    LineWriter w;
    w.line("A");
    w.line("");
    w.line("B");
    EXPECT_EQ(w.content(), "A\r\n\r\nB\r\n");
    const std::string f = dir.file("out.txt");
    ASSERT_TRUE(bt_test::writeText(f, "old"));
    ASSERT_TRUE(writeFileAtomic(f, w.content()));
    EXPECT_EQ(bt_test::readText(f), "A\r\n\r\nB\r\n");
    // A folder that does not exist: failure, and nothing half written anywhere.
    EXPECT_FALSE(writeFileAtomic(dir.file("no/such/out.txt"), "x"));
    // Writing onto a folder fails and keeps the folder.
    EXPECT_FALSE(writeFileAtomic(dir.path(), "x"));
    std::string content;
    EXPECT_TRUE(readFile(f, content));
    EXPECT_EQ(content, "A\r\n\r\nB\r\n");
}

TEST(TextioPaths, BackslashesAreSeparatorsAndNamesConcatenate) {
    EXPECT_EQ(nativePath("_DATA\\2DGFX\\"), "_DATA/2DGFX/");
    EXPECT_EQ(joinPath("MAPS\\", "12"), "MAPS/12");
    EXPECT_EQ(joinPath("GFX/", "tile.png"), "GFX/tile.png");
    EXPECT_EQ(joinPath("nofolderend", "x"), "nofolderendx"); // plain concatenation, no separator added
    // A folder ends with exactly one '/' of its own; the current folder "" never becomes the root.
    EXPECT_EQ(asFolder(""), "");
    EXPECT_EQ(asFolder("/"), "/");
    EXPECT_EQ(asFolder("a"), "a/");
    EXPECT_EQ(asFolder("a/"), "a/");
    EXPECT_EQ(asFolder(nativePath("MAPS\\12")), "MAPS/12/");
    EXPECT_EQ(asFolder(nativePath("MAPS\\")), "MAPS/");
}

namespace {
std::vector<std::string> gNotices;
void collectNotice(void*, const std::string& text) {
    gNotices.push_back(text);
}
bool noticeNames(const std::string& what, const std::string& path) {
    for (const std::string& n : gNotices)
        if (n.find(what) != std::string::npos && n.find(path) != std::string::npos) return true;
    return false;
}
} // namespace

// Files that are not what a text file should be: never waited on, never read without end, never
// swapped for a plain file; links written through; each refusal told.
TEST(TextioFiles, HostileFilesAreRefusedWithANoticeAndLeftAsTheyWere) {
    bt_test::TempDir dir;
    gNotices.clear();
    setNoticeSink(&collectNotice, nullptr);
    std::string content = "untouched";

    // A FIFO with no writer: reading returns at once, writing leaves it a FIFO.
    const std::string fifo = dir.file("log.fifo");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    EXPECT_FALSE(readFile(fifo, content));
    EXPECT_FALSE(writeFileAtomic(fifo, "x"));
    struct stat st {};
    ASSERT_EQ(::lstat(fifo.c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
    EXPECT_TRUE(noticeNames("A FIFO, NOT READ", fifo));
    EXPECT_TRUE(noticeNames("A FIFO, NOT REPLACED", fifo));

    // A file larger than the text limit (sparse, so it costs no disk) is refused, not read.
    const std::string huge = dir.file("huge.txt");
    ASSERT_TRUE(bt_test::writeText(huge, ""));
    ASSERT_EQ(::truncate(huge.c_str(), static_cast<off_t>(kMaxTextFileBytes + 1)), 0);
    EXPECT_FALSE(readFile(huge, content));
    EXPECT_EQ(content, "untouched");
    EXPECT_TRUE(noticeNames("LARGER THAN 256 MiB", huge));

    // A link to a regular file: the file it names is replaced with its permissions, the link stays.
    const std::string real = dir.file("real.txt"), link = dir.file("link.txt");
    ASSERT_TRUE(bt_test::writeText(real, "old"));
    ASSERT_EQ(::chmod(real.c_str(), 0600), 0);
    ASSERT_EQ(::symlink("real.txt", link.c_str()), 0);
    ASSERT_TRUE(writeFileAtomic(link, "new"));
    ASSERT_EQ(::lstat(link.c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    EXPECT_EQ(bt_test::readText(real), "new");
    ASSERT_EQ(::stat(real.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    // A link to nothing is refused and stays a link to nothing.
    const std::string dangling = dir.file("dangling.txt");
    ASSERT_EQ(::symlink("missing/file", dangling.c_str()), 0);
    EXPECT_FALSE(writeFileAtomic(dangling, "x"));
    EXPECT_TRUE(noticeNames("LINK TO A MISSING FILE", dangling));

    // Nothing of the refused writes is left behind: only the files made here remain.
    int entries = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir.path())) ++entries;
    EXPECT_EQ(entries, 5);
    setNoticeSink(nullptr, nullptr);
}

// A save killed mid-way leaves its temporary; the next start removes it, and only it.
TEST(TextioFiles, StaleTemporariesOfDeadProcessesAreRemoved) {
    bt_test::TempDir dir;
    const pid_t child = ::fork();
    if (child == 0) std::_Exit(0);
    ASSERT_GT(child, 0);
    ::waitpid(child, nullptr, 0);
    const std::string dead = dir.file(".map.txt." + std::to_string(child) + ".partial-Ab12Cd");
    const std::string alive = dir.file(".map.txt." + std::to_string(::getppid()) + ".partial-Ab12Cd");
    const std::string own = dir.file(".map.txt." + std::to_string(::getpid()) + ".partial-Ab12Cd");
    const std::string user = dir.file(".notes.partial-Ab12Cd"); // no process number: not ours
    for (const std::string& f : {dead, alive, own, user}) ASSERT_TRUE(bt_test::writeText(f, "x"));
    EXPECT_EQ(removeStaleTemporaries(dir.path()), 1);
    EXPECT_FALSE(std::filesystem::exists(dead));
    EXPECT_TRUE(std::filesystem::exists(alive));
    EXPECT_TRUE(std::filesystem::exists(own));
    EXPECT_TRUE(std::filesystem::exists(user));
}
