// The editor harness: tarn's builder in a temporary working folder with a real script chain, real
// tile pictures (BMP files) and DNA files, the deterministic test platform, and a scripted window
// layer. The working folder is the current folder while the harness lives.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "builder/Builder.h"
#include "builder/EditorKeys.h"
#include "builder/Events.h"
#include "builder/MainLoop.h"
#include "builder/Startup.h"
#include "builder/Windows.h"
#include "platform/ErrorTrap.h"
#include "platform/test/TestPlatform.h"
#include "tests/support/Images.h"
#include "tests/support/TempFolder.h"
#include "tests/support/WorldFiles.h"

namespace support {

namespace fs = std::filesystem;

// The window layer of the tests: windows are records, events come from a queue.
class FakeWindows : public tarn::Windows {
public:
    struct Win {
        bool open = false, visible = true;
        std::string title;
        int x = 0, y = 0, w = 0, h = 0;
        std::vector<tarn::Menu> menus;
    };
    std::map<int, Win> wins;
    std::vector<tarn::WindowEvent> queue;
    std::size_t next = 0;
    std::vector<int> closed; // in closing order
    bool failMain = false, failTile = false, failDna = false;
    int active = 0;
    int polls = 0, idles = 0;
    std::vector<tarn::TileMenuCell> cells;
    int menuPictures = 0;

    plat::Graphics* graphics = nullptr; // the screen that window 100 holds

    bool openMain(const std::string& title, int width, int height) override {
        if (failMain) return false;
        if (graphics != nullptr &&
            !graphics->openScreen(width, height, 32, title, plat::ScreenMode::Offscreen))
            return false;
        wins[tarn::kMainWindow] = Win{true, true, title, 0, 0, width, height, {}};
        return true;
    }
    bool openTool(int number, const std::string& title, int x, int y, int width, int height) override {
        if ((number == tarn::kTileWindow && failTile) || (number == tarn::kDnaWindow && failDna))
            return false;
        wins[number] = Win{true, true, title, x, y, width, height, {}};
        return true;
    }
    bool isOpen(int n) const override { return wins.count(n) != 0 && wins.at(n).open; }
    void close(int n) override {
        wins[n].open = false;
        closed.push_back(n);
    }
    void activate(int n) override { active = n; }
    void setVisible(int n, bool v) override { wins[n].visible = v; }
    bool isVisible(int n) const override { return isOpen(n) && wins.at(n).visible; }
    void setTitle(int n, const std::string& t) override { wins[n].title = t; }
    std::string title(int n) const override { return wins.count(n) ? wins.at(n).title : std::string(); }
    // The inner area is the whole window below a 20-pixel title bar.
    int innerWidth(int n) const override { return wins.count(n) ? wins.at(n).w : 0; }
    int innerHeight(int n) const override { return wins.count(n) ? wins.at(n).h - 20 : 0; }
    int innerLeft(int n) const override {
        return n == tarn::kMainWindow || !wins.count(n) ? 0 : wins.at(n).x;
    }
    int innerTop(int n) const override {
        return n == tarn::kMainWindow || !wins.count(n) ? 0 : wins.at(n).y + 20;
    }
    void setMenuBar(int n, const std::vector<tarn::Menu>& m) override { wins[n].menus = m; }
    bool hasMenuBar(int n) const override { return wins.count(n) && !wins.at(n).menus.empty(); }
    tarn::WindowEvent poll() override {
        ++polls;
        if (next < queue.size()) return queue[next++];
        return {};
    }
    void idle() override { ++idles; }
    int loadMenuPicture(const std::string& path, plat::Rgb) override {
        return fs::exists(path) ? ++menuPictures : 0;
    }
    void freeMenuPicture(int) override {}
    void tileMenuChanged(const std::vector<tarn::TileMenuCell>& c) override { cells = c; }
};

// A working folder with a complete script chain and a tile folder.
struct EditorHarness {
    TempFolder folder{"tarn_test"};
    std::string dir = folder.path(); // the working folder, ending with '/'
    plat::test::TestPlatform tp;
    FakeWindows win;
    tarn::Builder b;
    std::string oldCwd;
    std::vector<std::pair<std::string, std::string>> screen = {
        {"WINDOWMODE", "0"}, {"DEPTH", "32"},
        {"R", "0"},          {"G", "255"},
        {"B", "0"},          {"APPINIFILE", "_DATA/app.txt"},
        {"MAXTILES", "100"}, {"MATRIXRASTER", "32"}};

    EditorHarness() {
        oldCwd = fs::current_path().string();
        fs::current_path(dir);
        b.services.platform = &tp;
        b.services.windows = &win;
        win.graphics = &tp.graphics();
        writeFile(dir + "_DATA/ini.txt", script({{"DEFAULTINISCRIPT", "_DATA/screen.txt"}}));
        writeFile(dir + "_DATA/app.txt", script({{"GFXPATH", "_DATA/2DGFX/"},
                                                 {"LOGFILE", "USER/"},
                                                 {"CODECS", "_DATA/codec.txt"},
                                                 {"GUIINI", "_DATA/gui.txt"}}));
        writeFile(dir + "_DATA/codec.txt", script({{"GFXCODEC", ".bmp"}}));
        writeFile(dir + "_DATA/gui.txt", script({{"GUIH", "20"}}));
    }
    ~EditorHarness() {
        // The builder's fatal error handler points at this harness's record.
        plat::setErrorHandler({});
        fs::current_path(oldCwd); // before the folder goes
    }
    EditorHarness(const EditorHarness&) = delete;
    EditorHarness& operator=(const EditorHarness&) = delete;

    // A tile kind: picture w x h and a DNA file.
    void addKind(const std::string& name, int w, int h,
                 std::vector<std::pair<std::string, std::string>> dna = {{"worldFTileTransparency", "255"}}) {
        writeBmp(dir + "_DATA/2DGFX/" + name + ".bmp", w, h, 200, 50, 50);
        writeFile(dir + "_DATA/2DGFX/" + name + ".dll", pairs(dna));
    }

    bool start() {
        writeFile(dir + "_DATA/screen.txt", script(screen));
        return tarn::startBuilder(b, dir);
    }

    // Queues an event; run(n) runs n main-loop passes.
    void event(int value, int window, int number = 0, int x = 0, int y = 0) {
        win.queue.push_back(tarn::WindowEvent{value, window, number, x, y});
    }
    long run(long passes) { return tarn::mainLoop(b, passes); }
    // One main-window event processed at once (handler and keys).
    void mainEvent(int value = tarn::kEventMouseMove) {
        tarn::handleEvent(b, tarn::WindowEvent{value, tarn::kMainWindow});
        tarn::handleKeys(b);
    }
    plat::test::TestInput& in() { return tp.input(); }
    plat::test::TestGraphics& gfx() { return tp.graphics(); }
};

} // namespace support
