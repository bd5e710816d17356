// Line reading and the number conversions of the data files.
#include "Helpers.h"
#include "platform/TextIo.h"

#include <gtest/gtest.h>

#include <cmath>

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
}
