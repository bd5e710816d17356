// Image files are checked before decoding: the declared size of every format the programs load is
// read from real files, and a tiny file that declares a huge picture never reaches the decoder.
#include "Helpers.h"
#include "platform/ImageFiles.h"
#include "platform/TextIo.h"
#include "platform/headless/ImageSizes.h"
#include "platform/sdl/SdlPlatform.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

using bt_test::TempDir;

namespace {

std::vector<std::string> gNotices;
void collect(void*, const std::string& text) {
    gNotices.push_back(text);
}

// A PNG of signature and header chunk only, declaring w x h pixels (69 bytes with an empty IDAT and
// IEND, like the files that made the decoder allocate gigabytes).
std::string pngDeclaring(std::uint32_t w, std::uint32_t h) {
    std::string s("\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR", 16);
    for (std::uint32_t v : {w, h})
        for (int shift = 24; shift >= 0; shift -= 8) s += static_cast<char>((v >> shift) & 255);
    s += std::string("\x08\x06\0\0\0", 5);
    s += std::string(4, '\0'); // CRC (never checked: the file is refused)
    s += std::string("\0\0\0\0IDAT\0\0\0\0\0\0\0\0IEND\xae\x42\x60\x82", 24); // empty data, end
    return s;
}

} // namespace

TEST(ImageFiles, DeclaredSizesOfRealFilesInEveryFormat) {
    TempDir dir;
    SDL_Surface* s = bt_test::makeSurface(37, 21, [](int x, int y) { return 0xff000000u | (x * 7 + y); });
    ASSERT_NE(s, nullptr);
    ASSERT_TRUE(bt_test::writePng(s, dir.file("a.png")));
    ASSERT_TRUE(bt_test::writeJpeg(s, dir.file("a.jpg")));
    ASSERT_TRUE(bt_test::writeBmp(s, dir.file("a.bmp")));
    ASSERT_TRUE(bt_test::writeTiff(s, dir.file("a.tif")));
    SDL_FreeSurface(s);
    for (const char* name : {"a.png", "a.jpg", "a.bmp", "a.tif"}) {
        const std::string bytes = bt_test::readText(dir.file(name));
        const plat::ImageHeader h = plat::readImageHeader(bytes, "");
        EXPECT_TRUE(h.known) << name;
        EXPECT_EQ(h.width, 37) << name;
        EXPECT_EQ(h.height, 21) << name;
    }
    // A header cut anywhere is no crash and never a size larger than the file's own.
    const std::string jpg = bt_test::readText(dir.file("a.jpg"));
    for (std::size_t n = 0; n < 200 && n < jpg.size(); ++n) {
        const plat::ImageHeader h = plat::readImageHeader(std::string_view(jpg).substr(0, n), "jpg");
        if (h.known) {
            EXPECT_EQ(h.width, 37);
        }
    }
}

TEST(ImageFiles, HugeDeclaredPicturesAndOddFilesAreRefusedBeforeDecoding) {
    TempDir dir;
    gNotices.clear();
    textio::setNoticeSink(&collect, nullptr);
    const std::string bomb = dir.file("bomb.png");
    ASSERT_TRUE(bt_test::writeText(bomb, pngDeclaring(30000, 30000)));
    ASSERT_TRUE(bt_test::writeText(dir.file("edge.png"), pngDeclaring(plat::kMaxImageSide, 1)));
    const std::string fifo = dir.file("pipe.png");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);

    plat::sdl::Options o;
    o.headless = true;
    auto p = plat::sdl::createPlatform(std::move(o));
    EXPECT_EQ(p->graphics().loadSprite(bomb), 0);
    EXPECT_EQ(p->graphics().loadSprite(fifo), 0); // returns at once: no writer is waited for
    ASSERT_EQ(gNotices.size(), 2u);
    EXPECT_EQ(gNotices[0], "IMAGE 30000 x 30000 PIXELS, LARGER THAN 16384 A SIDE: " + bomb);
    EXPECT_NE(gNotices[1].find(fifo), std::string::npos);
    // At the limit the size check passes (the decoder then refuses the broken data on its own).
    std::string bytes, problem;
    EXPECT_TRUE(plat::readImageFile(dir.file("edge.png"), bytes, problem)) << problem;
    textio::setNoticeSink(nullptr, nullptr);
}

TEST(ImageFiles, PicturesOfTooManyPixelsAreRefusedByEveryDecoderPath) {
    // 16384 x 16384 keeps to the side cap but would decode to 1 GB; 8192 x 8192 is the pixel cap.
    TempDir dir;
    gNotices.clear();
    textio::setNoticeSink(&collect, nullptr);
    const std::string bomb = dir.file("square.png");
    ASSERT_TRUE(bt_test::writeText(bomb, pngDeclaring(plat::kMaxImageSide, plat::kMaxImageSide)));
    ASSERT_TRUE(bt_test::writeText(dir.file("edge.png"), pngDeclaring(8192, 8192)));
    std::string bytes, problem;
    EXPECT_FALSE(plat::readImageFile(bomb, bytes, problem));
    EXPECT_EQ(problem, "IMAGE 16384 x 16384 PIXELS, MORE THAN 64 MEGAPIXELS: " + bomb);
    EXPECT_TRUE(bytes.empty());
    EXPECT_TRUE(plat::readImageFile(dir.file("edge.png"), bytes, problem)) << problem;

    // The drawing backend and the sizes of the off-screen backend (the content check's) both refuse
    // it with the message, before any decoder runs.
    plat::sdl::Options o;
    o.headless = true;
    auto p = plat::sdl::createPlatform(std::move(o));
    EXPECT_EQ(p->graphics().loadSprite(bomb), 0);
    plat::headless::ImageSizes sizes;
    int w = 0, h = 0;
    EXPECT_FALSE(sizes.sizeOf(bomb, w, h));
    ASSERT_EQ(gNotices.size(), 2u);
    const std::string refused = "IMAGE 16384 x 16384 PIXELS, MORE THAN 64 MEGAPIXELS: " + bomb;
    EXPECT_EQ(gNotices[0], refused);
    EXPECT_EQ(gNotices[1], refused);
    textio::setNoticeSink(nullptr, nullptr);
}
