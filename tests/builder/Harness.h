// Test harness for the builder: a temporary working folder with a real script chain and real tile
// pictures (BMP files) and DNA files, the deterministic test platform, and a scripted window layer.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <unistd.h>
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

namespace tarntest {

namespace fs = std::filesystem;

inline std::string makeTempDir() {
    std::string pattern = (fs::temp_directory_path() / "tarn_test_XXXXXX").string();
    char* made = mkdtemp(pattern.data());
    if (made == nullptr) throw std::runtime_error("mkdtemp failed");
    return std::string(made) + "/";
}

inline void writeText(const std::string& path, const std::string& text) {
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

inline std::string readText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A script file of four-line records.
inline std::string scriptOf(const std::vector<std::pair<std::string, std::string>>& records) {
    std::string s;
    for (const auto& [k, v] : records) s += k + "\r\n;\r\n" + v + "\r\n;\r\n";
    return s;
}

// A 24-bit BMP of one colour.
inline void writeBmp(const std::string& path, int w, int h, int r, int g, int b) {
    const int row = (w * 3 + 3) & ~3;
    const int size = 54 + row * h;
    std::string d(static_cast<std::size_t>(size), '\0');
    auto put32 = [&](int at, int v) {
        for (int i = 0; i < 4; ++i)
            d[static_cast<std::size_t>(at + i)] = static_cast<char>((v >> (8 * i)) & 255);
    };
    d[0] = 'B';
    d[1] = 'M';
    put32(2, size);
    put32(10, 54);
    put32(14, 40);
    put32(18, w);
    put32(22, h);
    d[26] = 1;
    d[28] = 24;
    put32(34, row * h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const std::size_t p = static_cast<std::size_t>(54 + y * row + x * 3);
            d[p] = static_cast<char>(b);
            d[p + 1] = static_cast<char>(g);
            d[p + 2] = static_cast<char>(r);
        }
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << d;
}

// A DNA file with the given pairs.
inline void writeDna(const std::string& path, const std::vector<std::pair<std::string, std::string>>& pairs) {
    std::string s;
    for (const auto& [k, v] : pairs) s += k + "\r\n" + v + "\r\n";
    writeText(path, s);
}

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
struct Harness {
    std::string dir;
    plat::test::TestPlatform tp;
    FakeWindows win;
    tarn::Builder b;
    std::string oldCwd;
    std::vector<std::pair<std::string, std::string>> screen = {
        {"WINDOWMODE", "0"}, {"DEPTH", "32"},
        {"R", "0"},          {"G", "255"},
        {"B", "0"},          {"APPINIFILE", "_DATA/app.txt"},
        {"MAXTILES", "100"}, {"MATRIXRASTER", "32"}};

    Harness() {
        dir = makeTempDir();
        oldCwd = fs::current_path().string();
        fs::current_path(dir);
        b.platform = &tp;
        b.windows = &win;
        win.graphics = &tp.graphics();
        writeText(dir + "_DATA/ini.txt", scriptOf({{"DEFAULTINISCRIPT", "_DATA/screen.txt"}}));
        writeText(dir + "_DATA/app.txt", scriptOf({{"GFXPATH", "_DATA/2DGFX/"},
                                                   {"LOGFILE", "USER/"},
                                                   {"CODECS", "_DATA/codec.txt"},
                                                   {"GUIINI", "_DATA/gui.txt"}}));
        writeText(dir + "_DATA/codec.txt", scriptOf({{"GFXCODEC", ".bmp"}}));
        writeText(dir + "_DATA/gui.txt", scriptOf({{"GUIH", "20"}}));
    }
    ~Harness() {
        // The builder's fatal error handler points at this harness's record.
        plat::setErrorHandler({});
        fs::current_path(oldCwd);
        std::error_code ec;
        fs::remove_all(dir, ec);
    }

    // A tile kind: picture w x h and a DNA file.
    void addKind(const std::string& name, int w, int h,
                 std::vector<std::pair<std::string, std::string>> dna = {{"worldFTileTransparency", "255"}}) {
        writeBmp(dir + "_DATA/2DGFX/" + name + ".bmp", w, h, 200, 50, 50);
        writeDna(dir + "_DATA/2DGFX/" + name + ".dll", dna);
    }

    bool start() {
        writeText(dir + "_DATA/screen.txt", scriptOf(screen));
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

} // namespace tarntest
