// The deterministic test backend that the other test groups build on: input examinations, virtual
// time, repeatable random numbers, and the record of calls.
#include "Helpers.h"
#include "platform/Keys.h"
#include "platform/test/TestPlatform.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <set>

using namespace plat;
using namespace plat::test;

TEST(TestInputKeys, HeldAndReleasedAreDistinctAcrossExaminations) {
    TestInput in;
    in.press(key::A);
    EXPECT_FALSE(in.keyHeld(key::A)) << "a change shows only at the next examination";
    in.examineKeyboard();
    EXPECT_TRUE(in.keyHeld(key::A));
    EXPECT_FALSE(in.keyReleased(key::A));
    in.examineKeyboard();
    EXPECT_TRUE(in.keyHeld(key::A));
    in.release(key::A);
    EXPECT_TRUE(in.keyHeld(key::A));
    in.examineKeyboard();
    EXPECT_FALSE(in.keyHeld(key::A));
    EXPECT_TRUE(in.keyReleased(key::A));
    in.examineKeyboard();
    EXPECT_FALSE(in.keyReleased(key::A)) << "released only for the examination after it went up";

    // Pressed and let go between two examinations: never held, but released.
    in.press(key::S);
    in.release(key::S);
    in.examineKeyboard();
    EXPECT_FALSE(in.keyHeld(key::S));
    EXPECT_TRUE(in.keyReleased(key::S));

    // Releasing a key that was not down is no release.
    in.release(key::M);
    in.examineKeyboard();
    EXPECT_FALSE(in.keyReleased(key::M));

    // Out-of-range codes are never held and never crash.
    in.press(-1);
    in.press(300);
    in.examineKeyboard();
    EXPECT_FALSE(in.keyHeld(-1));
    EXPECT_FALSE(in.keyHeld(300));
    EXPECT_EQ(in.keyboardExaminations(), 7);
}

TEST(TestInputKeys, TwoKeysTogether) {
    TestInput in;
    in.press(key::Escape);
    in.examineKeyboard();
    EXPECT_FALSE(in.keyHeld(key::Escape) && in.keyHeld(key::LAlt));
    in.press(key::LAlt);
    in.examineKeyboard();
    EXPECT_TRUE(in.keyHeld(key::Escape) && in.keyHeld(key::LAlt));
    in.releaseAll();
    in.examineKeyboard();
    EXPECT_TRUE(in.keyReleased(key::Escape));
    EXPECT_TRUE(in.keyReleased(key::LAlt));
}

TEST(TestInputMouseAndJoystick, ChangesShowAtTheNextExamination) {
    TestInput in;
    in.setMouse(10, 20);
    in.addWheel(2);
    in.addWheel(1);
    in.setMouseButton(1, true);
    EXPECT_EQ(in.mouseX(), 0);
    in.examineMouse();
    EXPECT_EQ(in.mouseX(), 10);
    EXPECT_EQ(in.mouseY(), 20);
    EXPECT_EQ(in.mouseDeltaX(), 0); // first examination has no previous position
    EXPECT_EQ(in.mouseWheel(), 3);
    EXPECT_TRUE(in.mouseButton(1));
    EXPECT_FALSE(in.mouseButton(2));
    EXPECT_FALSE(in.mouseButton(0));
    EXPECT_FALSE(in.mouseButton(9));
    in.setMouse(15, 18);
    in.examineMouse();
    EXPECT_EQ(in.mouseDeltaX(), 5);
    EXPECT_EQ(in.mouseDeltaY(), -2);
    EXPECT_EQ(in.mouseWheel(), 0) << "the wheel counts notches since the previous examination";

    EXPECT_FALSE(in.joystickPresent());
    in.setJoystick(true, 5, -3);
    in.setJoystickButton(9, true);
    in.setJoystickButton(99, true); // ignored
    EXPECT_TRUE(in.joystickPresent());
    EXPECT_EQ(in.joystickX(), 0);
    in.examineJoystick();
    EXPECT_EQ(in.joystickX(), 1);
    EXPECT_EQ(in.joystickY(), -1);
    EXPECT_TRUE(in.joystickButton(9));
    EXPECT_FALSE(in.joystickButton(10));
    in.setJoystick(false, 1, 1);
    in.examineJoystick();
    EXPECT_EQ(in.joystickX(), 0);
    EXPECT_FALSE(in.joystickButton(9));

    EXPECT_FALSE(in.quitRequested());
    in.requestQuit();
    EXPECT_TRUE(in.quitRequested());
}

TEST(TestClockAndRandom, VirtualTimeAndRepeatableNumbers) {
    TestPlatform p(42);
    EXPECT_EQ(p.clock().ticks(), 0);
    p.clock().sleep(16);
    p.clock().advance(4);
    p.clock().sleep(-5);
    EXPECT_EQ(p.clock().ticks(), 20);
    EXPECT_EQ(p.clock().totalSlept(), 16);

    // The same numbers on every machine: the generator is our own, not the library's.
    const int expected[] = {152, 313, 959, 562, 475, 592, 205, 90};
    for (int v : expected) EXPECT_EQ(p.random().next(1000), v);
    p.random().seed(42);
    EXPECT_EQ(p.random().next(1000), 152);
    EXPECT_EQ(p.random().next(0), 0);
    EXPECT_EQ(p.random().next(-7), 0);
    // 0..n inclusive, every value reachable.
    std::set<int> seen;
    for (int i = 0; i < 2000; ++i) {
        const int v = p.random().next(3);
        ASSERT_GE(v, 0);
        ASSERT_LE(v, 3);
        seen.insert(v);
    }
    EXPECT_EQ(seen.size(), 4u);
    EXPECT_LE(p.random().next(2147483647), 2147483647);
}

class TestGraphicsRecord : public ::testing::Test {
protected:
    void SetUp() override {
        SDL_Surface* s = bt_test::makeSurface(24, 10, [](int, int) { return 0xff00ff00u; });
        ASSERT_TRUE(bt_test::writePng(s, dir.file("tile.png")));
        SDL_FreeSurface(s);
    }
    bt_test::TempDir dir;
    TestPlatform p;
    TestGraphics& g() { return p.graphics(); }
};

TEST_F(TestGraphicsRecord, ScreenAndDesktop) {
    EXPECT_EQ(g().desktop().width, 1024);
    EXPECT_EQ(g().desktop().height, 768);
    EXPECT_EQ(g().desktop().depth, 32);
    g().setOpenScreenFails(true);
    EXPECT_FALSE(g().openScreen(1024, 768, 32, "t", ScreenMode::Fullscreen));
    EXPECT_FALSE(g().screenOpen());
    g().setOpenScreenFails(false);
    g().setDesktop(800, 600, 16);
    EXPECT_EQ(g().desktop().width, 800);
    ASSERT_TRUE(g().openScreen(800, 600, 16, "title", ScreenMode::Windowed));
    EXPECT_EQ(g().screenWidth(), 800);
    EXPECT_EQ(g().title(), "title");
    EXPECT_EQ(g().count(Op::OpenScreen), 2u);
}

TEST_F(TestGraphicsRecord, SpritesHaveTheRealSizeAndShareTheirKey) {
    ASSERT_TRUE(g().openScreen(640, 480, 32, "t", ScreenMode::Offscreen));
    EXPECT_EQ(g().loadSprite(dir.file("missing.png")), 0);
    const SpriteId img = g().loadSprite(dir.file("tile.png"));
    ASSERT_NE(img, 0);
    EXPECT_EQ(g().spriteWidth(img), 24);
    EXPECT_EQ(g().spriteHeight(img), 10);
    const SpriteId spr = g().createDrawable(img);
    ASSERT_NE(spr, 0);
    g().setTransparentColour(img, rgb(0, 255, 0));
    EXPECT_TRUE(g().sprite(spr)->hasTransparent) << "the drawable shares its source's image";
    EXPECT_EQ(g().sprite(spr)->source, img);
    g().freeSprite(img);
    EXPECT_FALSE(g().isSprite(img));
    EXPECT_TRUE(g().isSprite(spr));
    const SpriteId again = g().loadSprite(dir.file("tile.png"));
    EXPECT_NE(again, img) << "handles are never reused";
    EXPECT_EQ(g().liveSprites(), 2);

    // A file that changed is decoded again; a file that went away no longer loads.
    SDL_Surface* s = bt_test::makeSurface(5, 7, [](int, int) { return 0xff123456u; });
    ASSERT_TRUE(bt_test::writePng(s, dir.file("tile.png")));
    SDL_FreeSurface(s);
    const SpriteId changed = g().loadSprite(dir.file("tile.png"));
    EXPECT_EQ(g().spriteWidth(changed), 5);
    EXPECT_EQ(g().spriteHeight(changed), 7);
    std::filesystem::remove(dir.file("tile.png"));
    EXPECT_EQ(g().loadSprite(dir.file("tile.png")), 0);

    // A file that failed to decode forgets the size known before: a picture of the same byte count
    // and time stamp (restored from a copy that keeps times) is decoded again, not taken as the old.
    const std::string bmp = dir.file("tile.bmp");
    auto writeBmp = [&](int w, int h) {
        SDL_Surface* b = bt_test::makeSurface(w, h, [](int, int) { return 0xff654321u; });
        ASSERT_TRUE(bt_test::writeBmp(b, bmp));
        SDL_FreeSurface(b);
    };
    writeBmp(5, 7);
    EXPECT_EQ(g().spriteWidth(g().loadSprite(bmp)), 5);
    const auto stamp = std::filesystem::last_write_time(bmp);
    const auto bytes = std::filesystem::file_size(bmp);
    ASSERT_TRUE(bt_test::writeText(bmp, "not a picture"));
    EXPECT_EQ(g().loadSprite(bmp), 0);
    writeBmp(7, 5);
    std::filesystem::last_write_time(bmp, stamp);
    ASSERT_EQ(std::filesystem::file_size(bmp), bytes);
    const SpriteId restored = g().loadSprite(bmp);
    EXPECT_EQ(g().spriteWidth(restored), 7);
    EXPECT_EQ(g().spriteHeight(restored), 5);
}

TEST_F(TestGraphicsRecord, DrawsCarryTheStateTheyWereMadeWith) {
    ASSERT_TRUE(g().openScreen(640, 480, 32, "t", ScreenMode::Offscreen));
    const SpriteId spr = g().createDrawable(g().loadSprite(dir.file("tile.png")));
    g().clearCalls();
    g().clear(rgb(1, 2, 3));
    g().begin3D();
    g().setQuality(1);
    g().zoomSprite(spr, 48, 20);
    g().setBlend(BlendOne, BlendOne);
    g().drawSprite(spr, 5.5f, 6, 300);
    g().rotateSprite(spr, 30);
    g().rotateSprite(spr, 40);
    g().setCorners(spr, 0, 0, 1, 0, 1, 1, 0, 1);
    g().drawSprite(spr, 0, 0, 10);
    g().end3D();
    g().begin2D();
    g().setTextTransparent(true);
    g().text(1, 2, "HELLO", rgb(0, 200, 0), rgb(0, 0, 0));
    g().end2D();
    g().flip(1);

    const std::vector<Call> frame = g().lastFrame();
    ASSERT_EQ(frame.size(), 15u);
    EXPECT_EQ(frame[0].op, Op::Clear);
    EXPECT_EQ(frame[0].colour, rgb(1, 2, 3));
    const std::vector<Call> draws = g().draws();
    ASSERT_EQ(draws.size(), 2u);
    EXPECT_EQ(draws[0].sprite, spr);
    EXPECT_FLOAT_EQ(draws[0].x, 5.5f);
    EXPECT_FLOAT_EQ(draws[0].w, 48);
    EXPECT_FLOAT_EQ(draws[0].h, 20);
    EXPECT_EQ(draws[0].alpha, 255) << "alpha is clamped to 0-255";
    EXPECT_EQ(draws[0].blendSrc, BlendOne);
    EXPECT_EQ(draws[0].blendDst, BlendOne);
    EXPECT_EQ(draws[0].quality, 1);
    EXPECT_FALSE(draws[0].hasCorners);
    EXPECT_FLOAT_EQ(draws[1].angle, 70) << "rotation is relative";
    EXPECT_TRUE(draws[1].hasCorners);
    g().zoomSprite(spr, 10, 10);
    EXPECT_FALSE(g().sprite(spr)->hasCorners) << "a zoom replaces the corners";
    const std::vector<Call> texts = g().callsOf(Op::Text);
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0].text, "HELLO");
    EXPECT_TRUE(texts[0].transparent);
    EXPECT_EQ(g().flips(), 1);
}

TEST_F(TestGraphicsRecord, GrabsAreClippedToTheScreen) {
    EXPECT_EQ(g().grabSprite(0, 0, 10, 10, 4), 0) << "no screen, no grab";
    ASSERT_TRUE(g().openScreen(100, 50, 32, "t", ScreenMode::Offscreen));
    const SpriteId a = g().grabSprite(90, 40, 20, 20, 4);
    ASSERT_NE(a, 0);
    EXPECT_EQ(g().spriteWidth(a), 10);
    EXPECT_EQ(g().spriteHeight(a), 10);
    EXPECT_TRUE(g().sprite(a)->grabbed);
    EXPECT_EQ(g().grabSprite(100, 0, 5, 5, 5), 0);
    EXPECT_EQ(g().grabSprite(-10, -10, 10, 10, 5), 0);
    EXPECT_EQ(g().grabSprite(0, 0, -1, 5, 5), 0);
}

TEST(TestSoundRecord, PlayingUntilStoppedOrFinished) {
    bt_test::TempDir dir;
    ASSERT_TRUE(bt_test::writeWav(dir.file("s.wav"), 50));
    TestSound s;
    EXPECT_EQ(s.loadSound(dir.file("none.ogg")), 0);
    const SoundId id = s.loadSound(dir.file("s.wav"));
    ASSERT_NE(id, 0);
    EXPECT_FALSE(s.isPlaying(id));
    s.setVolume(id, 150);
    EXPECT_EQ(s.volume(id), 100);
    s.playSound(id, false);
    EXPECT_TRUE(s.isPlaying(id));
    s.finish(id);
    EXPECT_FALSE(s.isPlaying(id));
    s.playSound(id, true);
    s.finish(id);
    EXPECT_TRUE(s.isPlaying(id)) << "a loop does not end by itself";
    s.stopSound(id);
    EXPECT_FALSE(s.isPlaying(id));
    s.freeSound(id);
    EXPECT_FALSE(s.isSound(id));
    EXPECT_EQ(s.count(SoundOp::Play), 2u);
    EXPECT_EQ(s.calls().front().op, SoundOp::Load);
}

TEST(TestDialogsScript, AnswersComeFromTheScriptThenTheDefault) {
    TestDialogs d;
    d.queueAnswer(false);
    EXPECT_TRUE(d.messageBox("a", "ok box", Buttons::Ok)) << "OK boxes have one answer";
    EXPECT_FALSE(d.messageBox("b", "?", Buttons::YesNo));
    EXPECT_TRUE(d.messageBox("c", "?", Buttons::YesNo));
    d.setDefaultAnswer(false);
    EXPECT_FALSE(d.messageBox("d", "?", Buttons::YesNo));
    ASSERT_EQ(d.boxes().size(), 4u);
    EXPECT_EQ(d.boxes()[1].title, "b");
    d.queueFolder("/maps/");
    EXPECT_EQ(d.folderRequester("t", "/"), "/maps/");
    EXPECT_EQ(d.folderRequester("t", "/"), "");
    EXPECT_EQ(d.requests().size(), 2u);
}

TEST(TestNetworkRecord, OfflineFailsAndKeepsTheFile) {
    bt_test::TempDir dir;
    ASSERT_TRUE(bt_test::writeText(dir.file("src.txt"), "data"));
    ASSERT_TRUE(bt_test::writeText(dir.file("dst.txt"), "old"));
    TestNetwork n;
    EXPECT_TRUE(n.download("file://" + dir.file("src.txt"), dir.file("dst.txt")));
    EXPECT_EQ(bt_test::readText(dir.file("dst.txt")), "data");
    n.setOffline(true);
    ASSERT_TRUE(bt_test::writeText(dir.file("dst.txt"), "old"));
    EXPECT_FALSE(n.download("file://" + dir.file("src.txt"), dir.file("dst.txt")));
    EXPECT_EQ(bt_test::readText(dir.file("dst.txt")), "old");
    ASSERT_EQ(n.requests().size(), 2u);
    EXPECT_FALSE(n.requests()[1].ok);
}
