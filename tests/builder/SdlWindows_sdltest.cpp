// The SDL/ImGui window layer on the headless SDL platform: SDL events pushed into SDL's queue come
// out as the builder's window events for the right window.
#include <gtest/gtest.h>

#include <SDL2/SDL.h>

#include "builder/ScriptedInput.h"
#include "builder/SdlWindows.h"
#include "platform/sdl/SdlAccess.h"
#include "platform/sdl/SdlPlatform.h"

namespace {

struct Layer : ::testing::Test {
    std::unique_ptr<plat::Platform> platform;
    std::unique_ptr<tarn::Windows> win;

    void SetUp() override {
        tarn::prepareSdlWindows();
        plat::sdl::Options o;
        o.headless = true;
        platform = plat::sdl::createPlatform(std::move(o));
        win = tarn::createSdlWindows(*platform, {});
        ASSERT_TRUE(win->openMain("main", 1024, 768));
        ASSERT_TRUE(win->openTool(tarn::kTileWindow, "Tiles", 0, 0, 256, 192));
        win->setMenuBar(tarn::kTileWindow, {{"MENU", {{"Item", 106}}}});
        ASSERT_TRUE(win->openTool(tarn::kDnaWindow, "DNA", 256, 0, 256, 192));
        drain();
    }
    void TearDown() override {
        if (win) win->close(tarn::kMainWindow);
    }
    // Polls until the queue is empty for a few passes; returns the events seen.
    std::vector<tarn::WindowEvent> drain() {
        std::vector<tarn::WindowEvent> seen;
        for (int quiet = 0, n = 0; quiet < 3 && n < 200; ++n) {
            const tarn::WindowEvent ev = win->poll();
            if (ev.value == 0)
                ++quiet;
            else {
                quiet = 0;
                seen.push_back(ev);
            }
        }
        return seen;
    }
    void push(SDL_Event e) { ASSERT_EQ(SDL_PushEvent(&e), 1) << SDL_GetError(); }
    // Moves SDL's own mouse (which Dear ImGui reads) and queues the motion event.
    void motion(int x, int y) { SDL_WarpMouseInWindow(plat::sdl::window(*platform), x, y); }
    void button(bool down, int x, int y, int which = SDL_BUTTON_LEFT) {
        SDL_Event e{};
        e.type = down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
        e.button.windowID = SDL_GetWindowID(plat::sdl::window(*platform));
        e.button.button = static_cast<Uint8>(which);
        e.button.state = down ? SDL_PRESSED : SDL_RELEASED;
        e.button.clicks = 1;
        e.button.x = x;
        e.button.y = y;
        push(e);
    }
};

const tarn::WindowEvent* find(const std::vector<tarn::WindowEvent>& evs, int value) {
    for (const auto& e : evs)
        if (e.value == value) return &e;
    return nullptr;
}

} // namespace

TEST_F(Layer, ToolWindowsHaveAnInnerAreaBelowTitleAndMenuBar) {
    EXPECT_EQ(win->innerLeft(tarn::kTileWindow), 0);
    EXPECT_GT(win->innerTop(tarn::kTileWindow), 20); // title bar and menu bar
    EXPECT_LT(win->innerTop(tarn::kTileWindow), 60);
    EXPECT_GT(win->innerWidth(tarn::kTileWindow), 200);
    EXPECT_EQ(win->innerLeft(tarn::kDnaWindow), 256);
}

TEST_F(Layer, ClicksGoToTheWindowUnderTheMouse) {
    const int top = win->innerTop(tarn::kTileWindow);
    motion(30, top + 10);
    button(true, 30, top + 10);
    button(false, 30, top + 10);
    auto evs = drain();
    const auto* down = find(evs, tarn::kEventLeftButtonDown);
    ASSERT_NE(down, nullptr);
    EXPECT_EQ(down->window, tarn::kTileWindow);
    EXPECT_EQ(std::make_pair(down->x, down->y), std::make_pair(30, 10));
    motion(600, 500);
    button(true, 600, 500);
    button(false, 600, 500);
    evs = drain();
    down = find(evs, tarn::kEventLeftButtonDown);
    ASSERT_NE(down, nullptr);
    EXPECT_EQ(down->window, tarn::kMainWindow);
    ASSERT_NE(find(evs, tarn::kEventMouseMove), nullptr);
    EXPECT_EQ(find(evs, tarn::kEventMouseMove)->window, tarn::kMainWindow);
}

TEST_F(Layer, HiddenToolWindowsLetClicksThroughToTheMainWindow) {
    win->setVisible(tarn::kTileWindow, false);
    drain();
    motion(30, 100);
    button(true, 30, 100);
    button(false, 30, 100);
    const auto evs = drain();
    const auto* down = find(evs, tarn::kEventLeftButtonDown);
    ASSERT_NE(down, nullptr);
    EXPECT_EQ(down->window, tarn::kMainWindow);
}

TEST_F(Layer, TheMainWindowsCloseBoxAsksTheQuitQuestion) {
    SDL_Event e{};
    e.type = SDL_WINDOWEVENT;
    e.window.event = SDL_WINDOWEVENT_CLOSE;
    e.window.windowID = SDL_GetWindowID(plat::sdl::window(*platform));
    push(e);
    const auto evs = drain();
    const auto* menu = find(evs, tarn::kEventMenu);
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(menu->window, tarn::kTileWindow);
    EXPECT_EQ(menu->number, 106);
}

TEST_F(Layer, MenuPicturesLoadWithTheRenderer) {
    EXPECT_EQ(win->loadMenuPicture("/no/such/picture.png", 0), 0);
}

// An input script's action happens in the very pass it names (a pass is one poll), not one later;
// closing the main window closes the screen.
TEST(ScriptedLayer, ActionsArriveInThePassTheyName) {
    tarn::prepareSdlWindows();
    plat::sdl::Options o;
    o.headless = true;
    auto platform = plat::sdl::createPlatform(std::move(o));
    std::vector<tarn::ScriptAction> acts;
    std::string err;
    ASSERT_TRUE(tarn::parseInputScript("40 menu 107\n42 menu 108\n", acts, err)) << err;
    tarn::SdlWindowOptions opts;
    opts.script = acts;
    auto win = tarn::createSdlWindows(*platform, opts);
    ASSERT_TRUE(win->openMain("main", 640, 480));
    std::vector<std::pair<int, int>> menus; // (pass, item)
    for (int pass = 1; pass <= 45; ++pass) {
        const tarn::WindowEvent ev = win->poll();
        if (ev.value == tarn::kEventMenu) menus.push_back({pass, ev.number});
    }
    EXPECT_EQ(menus, (std::vector<std::pair<int, int>>{{40, 107}, {42, 108}}));
    // Closing the main window closes the screen with it.
    ASSERT_TRUE(platform->graphics().screenOpen());
    win->close(tarn::kMainWindow);
    EXPECT_FALSE(win->isOpen(tarn::kMainWindow));
    EXPECT_FALSE(platform->graphics().screenOpen());
}
