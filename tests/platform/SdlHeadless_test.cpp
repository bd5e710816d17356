// The SDL backend headless: offscreen video, software renderer, real pixels read back through
// screenshots, dummy audio. Images are real files decoded by the real decoders.
#include "Helpers.h"
#include "platform/Keys.h"
#include "platform/sdl/SdlAccess.h"
#include "platform/sdl/SdlPlatform.h"
#include "platform/test/TestPlatform.h"

#include <SDL2/SDL_image.h>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <gtest/gtest.h>
#include <thread>
#include <unistd.h>

using namespace plat;
using bt_test::TempDir;

namespace {

constexpr std::uint32_t kGreen = 0xff00ff00, kRed = 0xffff0000, kBlue = 0xff0000ff;

struct Rgb3 {
    int r, g, b;
};
Rgb3 split(std::uint32_t p) {
    return {static_cast<int>((p >> 16) & 255), static_cast<int>((p >> 8) & 255), static_cast<int>(p & 255)};
}

class SdlHeadless : public ::testing::Test {
protected:
    void SetUp() override {
        sdl::Options o;
        o.headless = true;
        o.seed = 7;
        p = sdl::createPlatform(std::move(o));
        ASSERT_TRUE(g().openScreen(320, 240, 32, "test", ScreenMode::Fullscreen));
    }
    Graphics& g() { return p->graphics(); }

    // The frame's pixel, read back through a real PNG screenshot.
    std::uint32_t pixel(int x, int y) {
        const std::string f = dir.file("shot.png");
        EXPECT_TRUE(g().saveScreenshot(f));
        SDL_Surface* s = IMG_Load(f.c_str());
        EXPECT_NE(s, nullptr);
        if (!s) return 0;
        const std::uint32_t v = bt_test::pixelAt(s, x, y);
        SDL_FreeSurface(s);
        return v;
    }

    // A 32 x 16 picture: left half pure green, right half pure red.
    std::string twoColourImage(const std::string& name, bool (*writer)(SDL_Surface*, const std::string&)) {
        SDL_Surface* s = bt_test::makeSurface(32, 16, [](int x, int) { return x < 16 ? kGreen : kRed; });
        const std::string f = dir.file(name);
        EXPECT_TRUE(writer(s, f));
        SDL_FreeSurface(s);
        return f;
    }

    std::string solidImage(const std::string& name, int w, int h, std::uint32_t colour) {
        SDL_Surface* s = bt_test::makeSurface(w, h, [colour](int, int) { return colour; });
        const std::string f = dir.file(name);
        EXPECT_TRUE(bt_test::writePng(s, f));
        SDL_FreeSurface(s);
        return f;
    }

    TempDir dir;
    std::unique_ptr<Platform> p;
};

bool jpeg(SDL_Surface* s, const std::string& f) {
    return bt_test::writeJpeg(s, f, 100);
}

} // namespace

TEST_F(SdlHeadless, OffscreenDesktopAndScreen) {
    const DesktopInfo d = g().desktop();
    EXPECT_EQ(d.width, 1024);
    EXPECT_EQ(d.height, 768);
    EXPECT_EQ(d.depth, 32);
    EXPECT_TRUE(g().screenOpen());
    EXPECT_EQ(g().screenWidth(), 320);
    EXPECT_EQ(g().screenHeight(), 240);
    EXPECT_NE(sdl::window(*p), nullptr);
    EXPECT_NE(sdl::renderer(*p), nullptr);
    g().closeScreen();
    EXPECT_FALSE(g().screenOpen());
    EXPECT_EQ(sdl::renderer(*p), nullptr);
    EXPECT_FALSE(g().openScreen(0, 100, 32, "bad", ScreenMode::Offscreen));
}

TEST_F(SdlHeadless, EveryImageFormatLoadsWithItsSizeAndTransparentColour) {
    struct Case {
        const char* name;
        bool (*writer)(SDL_Surface*, const std::string&);
    };
    const Case cases[] = {{"a.png", bt_test::writePng},
                          {"a.bmp", bt_test::writeBmp},
                          {"a.tif", bt_test::writeTiff},
                          {"a.jpg", jpeg}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string f = twoColourImage(c.name, c.writer);
        const SpriteId img = g().loadSprite(f);
        ASSERT_NE(img, 0);
        EXPECT_EQ(g().spriteWidth(img), 32);
        EXPECT_EQ(g().spriteHeight(img), 16);
        // JPEG is lossy: key the colour the decoder really produced for the green half.
        Rgb key = rgb(0, 255, 0);
        if (std::string(c.name) == "a.jpg") {
            SDL_Surface* s = IMG_Load(f.c_str());
            const Rgb3 d = split(bt_test::pixelAt(s, 4, 8));
            SDL_FreeSurface(s);
            EXPECT_LE(d.r, 8);
            EXPECT_GE(d.g, 247);
            EXPECT_LE(d.b, 8);
            key = rgb(d.r, d.g, d.b);
        }
        g().setTransparentColour(img, key);
        const SpriteId spr = g().createDrawable(img);
        ASSERT_NE(spr, 0);
        g().clear(rgb(0, 0, 255));
        g().drawSprite(spr, 10, 10, 255);
        EXPECT_EQ(pixel(10 + 4, 10 + 8), kBlue) << "keyed pixel must be fully transparent";
        const Rgb3 right = split(pixel(10 + 28, 10 + 8));
        EXPECT_GE(right.r, 247);
        EXPECT_LE(right.g, 8);
        g().freeSprite(spr);
        g().freeSprite(img);
        EXPECT_FALSE(g().isSprite(img));
    }
}

TEST_F(SdlHeadless, BadFilesGiveNoSprite) {
    EXPECT_EQ(g().loadSprite(dir.file("missing.png")), 0);
    EXPECT_EQ(g().loadSprite(dir.path()), 0);
    ASSERT_TRUE(bt_test::writeText(dir.file("junk.png"), "\x89PNG\r\n\x1a\nnot really"));
    EXPECT_EQ(g().loadSprite(dir.file("junk.png")), 0);
    EXPECT_EQ(g().createDrawable(12345), 0);
    EXPECT_EQ(g().spriteWidth(12345), 0);
    g().freeSprite(0);
    g().freeSprite(12345);
    g().drawSprite(12345, 0, 0, 255); // harmless
}

TEST_F(SdlHeadless, DrawablesShareTheirSourceTexture) {
    const std::string f = twoColourImage("share.png", bt_test::writePng);
    const SpriteId img = g().loadSprite(f);
    const SpriteId a = g().createDrawable(img);
    const SpriteId b = g().createDrawable(img);
    ASSERT_NE(a, 0);
    ASSERT_NE(b, 0);
    EXPECT_NE(a, b);
    // Keyed through one drawable after both exist: the source and the other drawable change too.
    g().setTransparentColour(a, rgb(0, 255, 0));
    g().freeSprite(img); // the drawables keep the image alive
    g().clear(rgb(0, 0, 255));
    g().drawSprite(b, 0, 0, 255);
    EXPECT_EQ(pixel(2, 2), kBlue);
    EXPECT_EQ(pixel(20, 2), kRed);
    // Re-keying with another colour restores the first key's pixels.
    g().setTransparentColour(b, rgb(255, 0, 0));
    g().clear(rgb(0, 0, 255));
    g().drawSprite(a, 0, 0, 255);
    EXPECT_EQ(pixel(2, 2), kGreen);
    EXPECT_EQ(pixel(20, 2), kBlue);
}

TEST_F(SdlHeadless, AlphaZoomRotationAndCorners) {
    const SpriteId img = g().loadSprite(solidImage("white.png", 8, 8, 0xffffffff));
    const SpriteId spr = g().createDrawable(img);
    g().setBlend(BlendSrcAlpha, BlendInvSrcAlpha);
    g().clear(rgb(0, 0, 0));
    g().drawSprite(spr, 0, 0, 128);
    const Rgb3 half = split(pixel(4, 4));
    EXPECT_NEAR(half.r, 128, 2);
    EXPECT_NEAR(half.g, 128, 2);

    g().zoomSprite(spr, 40, 10);
    g().clear(rgb(0, 0, 0));
    g().drawSprite(spr, 100, 100, 255);
    EXPECT_EQ(pixel(138, 108), 0xffffffffu);
    EXPECT_EQ(pixel(120, 112), 0xff000000u);

    g().rotateSprite(spr, 45);
    g().rotateSprite(spr, 45); // relative: 90 degrees now
    g().clear(rgb(0, 0, 0));
    g().drawSprite(spr, 100, 100, 255); // centre (120, 105): now 10 wide, 40 high
    EXPECT_EQ(pixel(120, 88), 0xffffffffu);
    EXPECT_EQ(pixel(104, 105), 0xff000000u);

    g().setCorners(spr, 0, 0, 20, 0, 20, 20, 0, 20);
    g().clear(rgb(0, 0, 0));
    g().drawSprite(spr, 50, 50, 255);
    EXPECT_EQ(pixel(65, 65), 0xffffffffu);
    EXPECT_EQ(pixel(75, 55), 0xff000000u);
}

TEST_F(SdlHeadless, BlendPairsChangeTheResult) {
    const SpriteId img = g().loadSprite(solidImage("c.png", 8, 8, 0xff804000)); // (128, 64, 0)
    const SpriteId spr = g().createDrawable(img);
    auto drawOver = [&](int src, int dst, Rgb background) {
        g().clear(background);
        g().setBlend(src, dst);
        g().drawSprite(spr, 0, 0, 255);
        return split(pixel(3, 3));
    };
    const Rgb3 add = drawOver(BlendOne, BlendOne, rgb(100, 100, 100));
    EXPECT_NEAR(add.r, 228, 2);
    EXPECT_NEAR(add.g, 164, 2);
    EXPECT_NEAR(add.b, 100, 2);
    const Rgb3 mul = drawOver(BlendDestColor, BlendZero, rgb(200, 200, 200));
    EXPECT_NEAR(mul.r, 100, 3);
    EXPECT_NEAR(mul.g, 50, 3);
    EXPECT_NEAR(mul.b, 0, 3);
    const Rgb3 none = drawOver(BlendZero, BlendOne, rgb(10, 20, 30));
    EXPECT_EQ(none.r, 10);
    EXPECT_EQ(none.g, 20);
    EXPECT_EQ(none.b, 30);
    const Rgb3 copy = drawOver(BlendOne, BlendZero, rgb(10, 20, 30));
    EXPECT_EQ(copy.r, 128);
    EXPECT_EQ(copy.g, 64);
    // The frame is opaque: destination alpha is 1, so DESTALPHA / ZERO copies the sprite too.
    const Rgb3 destAlpha = drawOver(BlendDestAlpha, BlendZero, rgb(10, 20, 30));
    EXPECT_EQ(destAlpha.r, 128);
    EXPECT_EQ(destAlpha.g, 64);
}

TEST_F(SdlHeadless, GrabCopiesTheFrameAndClips) {
    g().clear(rgb(0, 0, 0));
    g().fillBox(0, 0, 10, 10, rgb(255, 0, 0));
    g().fillBox(10, 0, 10, 10, rgb(0, 255, 0));
    const SpriteId grab = g().grabSprite(-5, -5, 25, 15, 4); // clipped to (0,0)-(20,10)
    ASSERT_NE(grab, 0);
    EXPECT_EQ(g().spriteWidth(grab), 20);
    EXPECT_EQ(g().spriteHeight(grab), 10);
    EXPECT_EQ(g().grabSprite(400, 0, 10, 10, 5), 0);
    EXPECT_EQ(g().grabSprite(0, 0, 0, 10, 5), 0);

    g().setTransparentColour(grab, rgb(0, 255, 0)); // read-back path of grabbed images
    const SpriteId spr = g().createDrawable(grab);
    g().clear(rgb(0, 0, 255));
    g().drawSprite(spr, 100, 100, 255);
    EXPECT_EQ(pixel(105, 105), kRed);
    EXPECT_EQ(pixel(115, 105), kBlue);
}

// A viewport (the design's area between bars): drawing and grabs are relative to its corner and
// stay inside it; clear() still covers the bars.
TEST_F(SdlHeadless, ViewportMovesClipsAndGrabsButClearCoversTheBars) {
    g().setViewport(100, 50, 200, 100);
    g().clear(rgb(0, 0, 255));
    g().fillBox(-20, -20, 400, 400, rgb(255, 0, 0)); // larger than the area: clipped to it
    g().fillBox(0, 0, 10, 10, rgb(0, 255, 0));
    EXPECT_EQ(pixel(99, 49), kBlue);   // the bar stays
    EXPECT_EQ(pixel(100, 50), kGreen); // the area's corner is (0, 0)
    EXPECT_EQ(pixel(299, 149), kRed);
    EXPECT_EQ(pixel(300, 149), kBlue);                         // right of the area
    EXPECT_EQ(pixel(299, 150), kBlue);                         // below it
    const SpriteId grab = g().grabSprite(-10, -10, 30, 30, 4); // clipped to the area: (0,0)-(20,20)
    ASSERT_NE(grab, 0);
    EXPECT_EQ(g().spriteWidth(grab), 20);
    EXPECT_EQ(g().grabSprite(200, 0, 10, 10, 5), 0); // wholly right of the area
    const SpriteId spr = g().createDrawable(grab);
    g().drawSprite(spr, 50, 20, 255);
    EXPECT_EQ(pixel(155, 75), kGreen); // the grabbed green corner, drawn at (50, 20) of the area
    g().setViewport(0, 0, 0, 0);       // the whole screen again
    g().fillBox(0, 0, 5, 5, rgb(255, 0, 0));
    EXPECT_EQ(pixel(2, 2), kRed);
}

TEST_F(SdlHeadless, BoxesPointsAndText) {
    g().clear(rgb(0, 0, 0));
    g().begin2D();
    g().fillBox(10, 10, 20, 20, rgb(10, 200, 30));
    g().outlineBox(50, 50, 20, 20, rgb(255, 255, 0));
    g().point(100, 100, rgb(1, 2, 3));
    g().end2D();
    EXPECT_EQ(pixel(20, 20), 0xff0ac81eu);
    EXPECT_EQ(pixel(50, 60), 0xffffff00u);
    EXPECT_EQ(pixel(60, 60), 0xff000000u);
    EXPECT_EQ(pixel(100, 100), 0xff010203u);

    EXPECT_GT(g().textHeight(), 8);
    g().clear(rgb(0, 0, 0));
    g().setTextTransparent(false);
    g().text(150, 150, "MMMM", rgb(255, 255, 255), rgb(0, 0, 200));
    g().setTextTransparent(true);
    g().text(150, 190, "MMMM", rgb(255, 255, 255), rgb(0, 0, 200));
    int lit = 0, backed = 0, backedTransparent = 0;
    const std::string f = dir.file("text.png");
    ASSERT_TRUE(g().saveScreenshot(f));
    SDL_Surface* s = IMG_Load(f.c_str());
    ASSERT_NE(s, nullptr);
    for (int y = 150; y < 150 + g().textHeight(); ++y)
        for (int x = 150; x < 190; ++x) {
            const std::uint32_t v = bt_test::pixelAt(s, x, y);
            lit += split(v).r > 160 && split(v).b > 160;
            backed += v == 0xff0000c8u;
            backedTransparent += bt_test::pixelAt(s, x, y + 40) == 0xff0000c8u;
        }
    SDL_FreeSurface(s);
    EXPECT_GT(lit, 10);
    EXPECT_GT(backed, 10);
    EXPECT_EQ(backedTransparent, 0);
}

TEST_F(SdlHeadless, ScreenshotIsAPngOfTheScreen) {
    g().clear(rgb(1, 2, 3));
    g().flip(1);
    const std::string f = dir.file("s.png");
    ASSERT_TRUE(g().saveScreenshot(f));
    SDL_Surface* s = IMG_Load(f.c_str());
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->w, 320);
    EXPECT_EQ(s->h, 240);
    EXPECT_EQ(bt_test::pixelAt(s, 319, 239), 0xff010203u);
    SDL_FreeSurface(s);
    EXPECT_FALSE(g().saveScreenshot(dir.file("no/such/folder/s.png")));
}

TEST_F(SdlHeadless, SoundsPlayOnTheDummyDevice) {
    Sound& s = p->sound();
    ASSERT_TRUE(bt_test::writeWav(dir.file("beep.wav"), 200));
    EXPECT_EQ(s.loadSound(dir.file("none.wav")), 0);
    const SoundId a = s.loadSound(dir.file("beep.wav"));
    const SoundId b = s.loadSound(dir.file("beep.wav"));
    ASSERT_NE(a, 0);
    ASSERT_NE(b, 0);
    EXPECT_TRUE(s.isSound(a));
    EXPECT_FALSE(s.isPlaying(a));
    s.playSound(a, false);
    s.playSound(b, true);
    s.setVolume(b, 40);
    EXPECT_TRUE(s.isPlaying(a));
    EXPECT_TRUE(s.isPlaying(b));
    // A short sound ends by itself; a looped one goes on until stopped.
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (s.isPlaying(a) && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_FALSE(s.isPlaying(a));
    EXPECT_TRUE(s.isPlaying(b));
    s.stopSound(b);
    EXPECT_FALSE(s.isPlaying(b));
    s.freeSound(a);
    EXPECT_FALSE(s.isSound(a));
    s.playSound(a, false); // stale handle: nothing happens
    EXPECT_FALSE(s.isPlaying(a));
}

TEST_F(SdlHeadless, OggVorbisSounds) {
    Sound& s = p->sound();
    ASSERT_TRUE(bt_test::writeOgg(dir.file("music.ogg"), 300));
    const SoundId id = s.loadSound(dir.file("music.ogg"));
    ASSERT_NE(id, 0);
    s.playSound(id, false);
    EXPECT_TRUE(s.isPlaying(id));
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (s.isPlaying(id) && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_FALSE(s.isPlaying(id));
    // A file that only claims to be Ogg does not load.
    ASSERT_TRUE(bt_test::writeText(dir.file("fake.ogg"), "OggS but nothing after"));
    EXPECT_EQ(s.loadSound(dir.file("fake.ogg")), 0);
}

TEST_F(SdlHeadless, ManySoundsAtOnce) {
    Sound& s = p->sound();
    ASSERT_TRUE(bt_test::writeWav(dir.file("long.wav"), 100));
    std::vector<SoundId> ids;
    for (int i = 0; i < 600; ++i) ids.push_back(s.loadSound(dir.file("long.wav")));
    for (SoundId id : ids) s.playSound(id, true);
    int playing = 0;
    for (SoundId id : ids) playing += s.isPlaying(id);
    EXPECT_EQ(playing, 600);
}

TEST_F(SdlHeadless, HeadlessDialogsAnswerWithTheDefault) {
    EXPECT_TRUE(p->dialogs().messageBox("t", "ok box", Buttons::Ok));
    EXPECT_TRUE(p->dialogs().messageBox("t", "question", Buttons::YesNo));
    EXPECT_EQ(p->dialogs().folderRequester("pick", "/tmp/"), "");

    sdl::Options o;
    o.headless = true;
    o.answerYes = false;
    p.reset();
    p = sdl::createPlatform(std::move(o));
    EXPECT_FALSE(p->dialogs().messageBox("t", "question", Buttons::YesNo));
    EXPECT_TRUE(p->dialogs().messageBox("t", "ok box", Buttons::Ok));

    // With a display the box is SDL's: Yes answers 1 on Return, No 0 on Escape; OK takes both keys.
    const std::string title = "t", text = "question";
    const SDL_MessageBoxData yesNo = sdl::messageBoxData(title, text, Buttons::YesNo, nullptr);
    ASSERT_EQ(yesNo.numbuttons, 2);
    EXPECT_STREQ(yesNo.title, "t");
    EXPECT_STREQ(yesNo.message, "question");
    EXPECT_STREQ(yesNo.buttons[0].text, "Yes");
    EXPECT_EQ(yesNo.buttons[0].buttonid, 1);
    EXPECT_EQ(yesNo.buttons[0].flags, Uint32{SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT});
    EXPECT_STREQ(yesNo.buttons[1].text, "No");
    EXPECT_EQ(yesNo.buttons[1].buttonid, 0);
    EXPECT_EQ(yesNo.buttons[1].flags, Uint32{SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT});
    const SDL_MessageBoxData ok = sdl::messageBoxData(title, text, Buttons::Ok, nullptr);
    ASSERT_EQ(ok.numbuttons, 1);
    EXPECT_STREQ(ok.buttons[0].text, "OK");
    EXPECT_EQ(ok.buttons[0].flags,
              Uint32{SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT | SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT});
}

TEST(SdlScripted, TestInputDrivesTheSdlBackend) {
    auto in = std::make_unique<test::TestInput>();
    test::TestInput* script = in.get();
    sdl::Options o;
    o.headless = true;
    o.input = std::move(in);
    auto clock = std::make_unique<test::TestClock>();
    test::TestClock* virt = clock.get();
    o.clock = std::move(clock);
    o.seed = 99;
    auto p = sdl::createPlatform(std::move(o));
    ASSERT_TRUE(p->graphics().openScreen(64, 64, 32, "s", ScreenMode::Offscreen));
    script->press(key::Escape);
    script->press(key::LAlt);
    EXPECT_FALSE(p->input().keyHeld(key::Escape));
    p->input().examineKeyboard();
    EXPECT_TRUE(p->input().keyHeld(key::Escape));
    EXPECT_TRUE(p->input().keyHeld(key::LAlt));
    EXPECT_FALSE(p->input().quitRequested());
    script->requestQuit();
    EXPECT_TRUE(p->input().quitRequested());
    p->clock().sleep(250);
    EXPECT_EQ(virt->ticks(), 250);
    // The seed makes the numbers repeatable.
    test::TestRandom same(99);
    for (int i = 0; i < 10; ++i) EXPECT_EQ(p->random().next(1000), same.next(1000));
}

TEST(SdlKeys, ScancodesMapToDirectInputCodes) {
    EXPECT_EQ(sdl::scanCodeOf(SDL_SCANCODE_ESCAPE), key::Escape);
    EXPECT_EQ(sdl::scanCodeOf(SDL_SCANCODE_LALT), 56);
    EXPECT_EQ(sdl::scanCodeOf(SDL_SCANCODE_LCTRL), 29);
    EXPECT_EQ(sdl::scanCodeOf(SDL_SCANCODE_UP), 200);
    EXPECT_EQ(sdl::scanCodeOf(SDL_SCANCODE_LEFT), 203);
    EXPECT_EQ(sdl::scanCodeOf(SDL_SCANCODE_RIGHT), 205);
    EXPECT_EQ(sdl::scanCodeOf(SDL_SCANCODE_DOWN), 208);
    EXPECT_EQ(sdl::scanCodeOf(SDL_SCANCODE_PAGEUP), 201);
    EXPECT_EQ(sdl::scanCodeOf(SDL_SCANCODE_PAGEDOWN), 209);
    EXPECT_EQ(sdl::scanCodeOf(SDL_SCANCODE_F10), 68);
    EXPECT_EQ(sdl::scanCodeOf(SDL_SCANCODE_SPACE), 57);
    EXPECT_EQ(sdl::scanCodeOf(SDL_SCANCODE_TAB), 15);
    EXPECT_EQ(sdl::scanCodeOf(SDL_SCANCODE_KP_PLUS), 78);
    EXPECT_EQ(sdl::scanCodeOf(SDL_SCANCODE_KP_MINUS), 74);
    EXPECT_EQ(sdl::scanCodeOf(SDL_SCANCODE_S), 31);
    EXPECT_EQ(sdl::scanCodeOf(SDL_SCANCODE_D), 32);
    EXPECT_EQ(sdl::scanCodeOf(SDL_SCANCODE_K), 37);
    EXPECT_EQ(sdl::scanCodeOf(SDL_SCANCODE_M), 50);
    EXPECT_EQ(sdl::scanCodeOf(SDL_SCANCODE_P), 25);
    EXPECT_EQ(sdl::scanCodeOf(SDL_SCANCODE_A), 30);
    EXPECT_EQ(sdl::scanCodeOf(SDL_SCANCODE_Z), 44);
    EXPECT_EQ(sdl::scanCodeOf(SDL_SCANCODE_1), 2);
    EXPECT_EQ(sdl::scanCodeOf(SDL_SCANCODE_0), 11);
    // No two SDL keys share a DirectInput code, except the two backslash positions.
    std::map<int, int> seen;
    for (int sc = 0; sc < SDL_NUM_SCANCODES; ++sc) {
        const int dik = sdl::scanCodeOf(static_cast<SDL_Scancode>(sc));
        ASSERT_GE(dik, 0);
        ASSERT_LT(dik, 256);
        if (dik == 0 || dik == key::Backslash) continue;
        EXPECT_EQ(seen.count(dik), 0u) << "scan code " << dik << " twice";
        seen[dik] = sc;
    }
}

TEST_F(SdlHeadless, QueuedEventsReachInputAndTheEditorHook) {
    std::vector<Uint32> seen;
    sdl::setEventHook(*p, [&seen](const SDL_Event& e) { seen.push_back(e.type); });
    sdl::takeEventsArrived(*p);
    SDL_Event up{};
    up.type = SDL_KEYUP;
    up.key.keysym.scancode = SDL_SCANCODE_S;
    ASSERT_EQ(SDL_PushEvent(&up), 1);
    SDL_Event wheel{};
    wheel.type = SDL_MOUSEWHEEL;
    wheel.wheel.y = 2;
    ASSERT_EQ(SDL_PushEvent(&wheel), 1);
    Input& in = p->input();
    in.examineKeyboard();
    EXPECT_TRUE(in.keyReleased(key::S));
    EXPECT_FALSE(in.keyHeld(key::S));
    EXPECT_TRUE(sdl::eventsInLastPump(*p));
    EXPECT_TRUE(sdl::takeEventsArrived(*p));
    EXPECT_FALSE(sdl::takeEventsArrived(*p));
    in.examineMouse();
    EXPECT_EQ(in.mouseWheel(), 2);
    in.examineKeyboard();
    EXPECT_FALSE(in.keyReleased(key::S)) << "released only once";
    in.examineMouse();
    EXPECT_EQ(in.mouseWheel(), 0);
    EXPECT_FALSE(sdl::eventsInLastPump(*p));
    EXPECT_GE(std::count(seen.begin(), seen.end(), Uint32(SDL_KEYUP)), 1);

    EXPECT_FALSE(in.quitRequested());
    SDL_Event quit{};
    quit.type = SDL_QUIT;
    ASSERT_EQ(SDL_PushEvent(&quit), 1);
    g().flip(1); // flip pumps too
    EXPECT_TRUE(in.quitRequested());
    sdl::setEventHook(*p, {});
}

TEST_F(SdlHeadless, SpritesOutliveTheScreen) {
    const std::string f = twoColourImage("early.png", bt_test::writePng);
    g().closeScreen();
    // Loading needs no screen.
    const SpriteId img = g().loadSprite(f);
    ASSERT_NE(img, 0);
    EXPECT_EQ(g().spriteWidth(img), 32);
    g().setTransparentColour(img, rgb(0, 255, 0));
    const SpriteId spr = g().createDrawable(img);
    ASSERT_TRUE(g().openScreen(320, 240, 32, "again", ScreenMode::Offscreen));
    g().clear(rgb(0, 0, 255));
    g().drawSprite(spr, 0, 0, 255);
    EXPECT_EQ(pixel(2, 2), kBlue);
    EXPECT_EQ(pixel(20, 2), kRed);
    const SpriteId grab = g().grabSprite(0, 0, 32, 16, 4);
    ASSERT_NE(grab, 0);

    // Closing and opening the screen again keeps every handle, the key and the grabbed pixels.
    g().closeScreen();
    EXPECT_TRUE(g().isSprite(spr));
    EXPECT_TRUE(g().isSprite(grab));
    ASSERT_TRUE(g().openScreen(320, 240, 32, "third", ScreenMode::Offscreen));
    g().clear(rgb(0, 0, 0));
    g().drawSprite(spr, 0, 0, 255);
    g().drawSprite(g().createDrawable(grab), 100, 100, 255);
    EXPECT_EQ(pixel(2, 2), 0xff000000u);
    EXPECT_EQ(pixel(20, 2), kRed);
    EXPECT_EQ(pixel(102, 102), kBlue);
    EXPECT_EQ(pixel(120, 102), kRed);
}

TEST(SdlDialogs, ABoxThatCannotBeShownFallsBackToTheDefaultAnswer) {
    // A video driver but nowhere to show a box (no X or Wayland display): the box goes to standard
    // error and Yes/No takes the configured answer, as in headless runs.
    struct Env {
        std::string name, old;
        bool had;
        explicit Env(const char* n, const char* value) : name(n) {
            const char* v = std::getenv(n);
            had = v != nullptr;
            if (had) old = v;
            if (value)
                ::setenv(n, value, 1);
            else
                ::unsetenv(n);
        }
        ~Env() {
            if (had)
                ::setenv(name.c_str(), old.c_str(), 1);
            else
                ::unsetenv(name.c_str());
        }
    } driver("SDL_VIDEODRIVER", "dummy"), x("DISPLAY", nullptr), wayland("WAYLAND_DISPLAY", nullptr);
    for (const bool answer : {true, false}) {
        sdl::Options o;
        o.answerYes = answer;
        auto p = sdl::createPlatform(std::move(o));
        EXPECT_EQ(p->dialogs().messageBox("t", "question", Buttons::YesNo), answer);
        EXPECT_TRUE(p->dialogs().messageBox("t", "ok box", Buttons::Ok));
    }
}

TEST_F(SdlHeadless, APressReleasedBeforeTheExaminationCountsOnce) {
    Input& in = p->input();
    in.examineKeyboard();
    in.examineMouse();
    SDL_Event down{}, up{};
    down.type = SDL_KEYDOWN;
    down.key.keysym.scancode = SDL_SCANCODE_SPACE;
    up.type = SDL_KEYUP;
    up.key.keysym.scancode = SDL_SCANCODE_SPACE;
    ASSERT_EQ(SDL_PushEvent(&down), 1);
    ASSERT_EQ(SDL_PushEvent(&up), 1);
    SDL_Event click{}, unclick{};
    click.type = SDL_MOUSEBUTTONDOWN;
    click.button.button = SDL_BUTTON_LEFT;
    unclick.type = SDL_MOUSEBUTTONUP;
    unclick.button.button = SDL_BUTTON_LEFT;
    ASSERT_EQ(SDL_PushEvent(&click), 1);
    ASSERT_EQ(SDL_PushEvent(&unclick), 1);
    in.examineKeyboard();
    EXPECT_TRUE(in.keyHeld(key::Space)) << "a tap between two examinations is seen as held once";
    EXPECT_TRUE(in.keyReleased(key::Space));
    in.examineMouse();
    EXPECT_TRUE(in.mouseButton(1)) << "an instant click is seen as a press once";
    EXPECT_FALSE(in.mouseButton(2));
    in.examineKeyboard();
    in.examineMouse();
    EXPECT_FALSE(in.keyHeld(key::Space));
    EXPECT_FALSE(in.mouseButton(1));
}

TEST_F(SdlHeadless, HandlesOfOneSoundFileShareItsSamplesButNotTheirChannels) {
    Sound& s = p->sound();
    ASSERT_TRUE(bt_test::writeWav(dir.file("long.wav"), 1000));
    ASSERT_TRUE(bt_test::writeWav(dir.file("short.wav"), 50));
    auto residentKb = [] {
        long pages = 0, resident = 0;
        if (std::FILE* f = std::fopen("/proc/self/statm", "r")) {
            if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
            std::fclose(f);
        }
        return resident * (sysconf(_SC_PAGESIZE) / 1024);
    };
    const long before = residentKb();
    std::vector<SoundId> ids;
    for (int i = 0; i < 300; ++i) ids.push_back(s.loadSound(dir.file("long.wav")));
    // Decoded once: 300 copies of one second of 44.1 kHz stereo would hold about 50 MB.
    EXPECT_LT(residentKb() - before, 8 * 1024);
    // Each handle plays, stops and is freed on its own.
    s.playSound(ids[0], true);
    s.playSound(ids[1], true);
    s.setVolume(ids[1], 30);
    s.stopSound(ids[0]);
    EXPECT_FALSE(s.isPlaying(ids[0]));
    EXPECT_TRUE(s.isPlaying(ids[1]));
    for (std::size_t i = 0; i + 1 < ids.size(); ++i)
        if (i != 1) s.freeSound(ids[i]);
    EXPECT_TRUE(s.isPlaying(ids[1])); // the samples it plays were not freed with the others
    s.playSound(ids.back(), false);
    EXPECT_TRUE(s.isPlaying(ids.back()));
    // A handle whose sound ended is not playing when another handle of the same file takes its
    // channel over.
    const SoundId a = s.loadSound(dir.file("short.wav")), b = s.loadSound(dir.file("short.wav"));
    s.playSound(a, false);
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (s.isPlaying(a) && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    s.playSound(b, true);
    EXPECT_TRUE(s.isPlaying(b));
    EXPECT_FALSE(s.isPlaying(a));
    s.setVolume(a, 0); // no effect on b's channel
    s.stopSound(a);
    EXPECT_TRUE(s.isPlaying(b));
}
