// The demo published for the browser (publish_world --web), served on 127.0.0.1 by the test server
// and played by the WebAssembly build of biosim in headless Chromium: the scripted run gives the
// dump the desktop program gives, the screen shows the level where the desktop program shows it,
// and arrow keys sent to the page move the player.
#include <gtest/gtest.h>

#include <SDL2/SDL.h>
#include <SDL2/SDL_image.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>

#include "tests/server/WorldServer.h"
#include "tests/support/Subprocess.h"
#include "tests/support/TempFolder.h"

namespace fs = std::filesystem;
using nlohmann::json;

namespace {

// The published demo on a running test server.
struct PublishedDemo {
    support::TempFolder site{"bt_web_site"};
    std::unique_ptr<servertest::WorldServer> server;

    PublishedDemo() {
        support::clearProxySettings();
        const auto r = support::runCommand(support::shellQuote(PUBLISH_EXE) + " --web --engine " +
                                           support::shellQuote(WEB_ENGINE_DIR) + " " +
                                           support::shellQuote(std::string(BT_SOURCE_DIR) + "/demo") + " " +
                                           support::shellQuote(site.path()));
        EXPECT_EQ(r.code, 0) << r.out << r.err;
        fs::copy_file(std::string(BT_SOURCE_DIR) + "/tools/demo-input.txt", site.path() + "demo-input.txt");
        server = std::make_unique<servertest::WorldServer>(site.path());
        // The test server answers every file as data; a browser needs the page's and the engine's types.
        for (const auto& [path, type] : {std::pair<std::string, std::string>{"/index.html", "text/html"},
                                         {"/biosim.js", "text/javascript"},
                                         {"/biosim.wasm", "application/wasm"}}) {
            const std::string file = site.path() + path.substr(1), mime = type;
            server->override(path, [file, mime](const httplib::Request&, httplib::Response& res) {
                res.set_content(support::readFile(file), mime);
            });
        }
    }

    // The desktop program on the player's files of the site, pointed at the same server, as the
    // page points itself: `args` after --headless; the dump and screenshot land in the folder.
    json playNative(const support::TempFolder& folder, const std::string& args) const {
        fs::copy(site.path() + "player", folder.path(), fs::copy_options::recursive);
        std::string ini = support::readFile(folder.path() + "CORE/ini.crc");
        const std::string key = "SERVER\r\n";
        const std::size_t at = ini.find(key);
        EXPECT_NE(at, std::string::npos);
        ini.replace(at + key.size(), ini.find("\r\n", at + key.size()) - at - key.size(), server->base());
        support::writeFile(folder.path() + "CORE/ini.crc", ini);
        const auto r = support::runCommand(support::shellQuote(BIOSIM_EXE) + " --headless " + args +
                                               " --dump dump.json --screenshot shot.png",
                                           folder.path(), 300);
        EXPECT_EQ(r.code, 0) << r.err;
        return json::parse(support::readFile(folder.path() + "dump.json"), nullptr, false);
    }

    // The page in Chromium with `query`; what devtools.py reports (the run's result, the page's
    // times and console), the page's pixels in `folder`/page.png.
    json playInBrowser(const support::TempFolder& folder, const std::string& query,
                       const std::string& keys = "") const {
        const std::string url = server->base() + "index.html?" + query;
        const auto r = support::runCommand(
            "/usr/bin/python3 " + support::shellQuote(DEVTOOLS_PY) + " " + support::shellQuote(url) +
                " page.json --timeout 150 --screenshot page.png" + (keys.empty() ? "" : " --keys " + keys),
            folder.path(), 500);
        EXPECT_EQ(r.code, 0) << r.out << r.err;
        return json::parse(support::readFile(folder.path() + "page.json"), nullptr, false);
    }
};

// Values that name the folder a run played in are made alike.
json withoutFolder(json j, const std::string& folder) {
    if (j.is_string()) {
        std::string s = j.get<std::string>();
        if (s.rfind(folder, 0) == 0) s = "<world>/" + s.substr(folder.size());
        return s;
    }
    if (j.is_structured())
        for (auto& v : j) v = withoutFolder(v, folder);
    return j;
}

const json& playerOf(const json& dump) {
    static const json none;
    for (const json& o : dump["objects"])
        if (o.value("ObjectFile", "") == "player") return o;
    return none;
}

struct Box {
    int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1;
    bool found() const { return right >= 0; }
};

// Where the colour of pixel (x, y) of `ref` lies in `shot`, within 48 pixels of (x, y).
Box boxOf(SDL_Surface* shot, SDL_Surface* ref, int x, int y) {
    auto px = [](SDL_Surface* s, int px, int py) {
        return static_cast<const Uint32*>(s->pixels)[py * (s->pitch / 4) + px] & 0xffffffu;
    };
    const Uint32 want = px(ref, x, y);
    Box b;
    for (int j = std::max(0, y - 48); j < std::min(shot->h, y + 48); ++j)
        for (int i = std::max(0, x - 48); i < std::min(shot->w, x + 48); ++i) {
            const Uint32 c = px(shot, i, j);
            bool near = true;
            for (int k = 0; k < 24; k += 8)
                near = near &&
                       std::abs(static_cast<int>((c >> k) & 255) - static_cast<int>((want >> k) & 255)) <= 6;
            if (!near) continue;
            b.left = std::min(b.left, i), b.top = std::min(b.top, j);
            b.right = std::max(b.right, i), b.bottom = std::max(b.bottom, j);
        }
    return b;
}

SDL_Surface* loadArgb(const std::string& path) {
    SDL_Surface* raw = IMG_Load(path.c_str());
    if (!raw) return nullptr;
    SDL_Surface* s = SDL_ConvertSurfaceFormat(raw, SDL_PIXELFORMAT_ARGB8888, 0);
    SDL_FreeSurface(raw);
    return s;
}

} // namespace

// The demo's scripted run (title screen, Space, the level, arrow keys) in the page: the same dump as
// the desktop program's headless run of the same script and seed, every field, and the level on the
// screen where the desktop program draws it.
TEST(WebEndToEnd, PublishedDemoPlaysInChromiumLikeTheDesktopProgram) {
    PublishedDemo demo;
    support::TempFolder native("bt_web_native"), browser("bt_web_browser");
    const std::string run = "--seed 1 --frames 480 --input " + demo.site.path() + "demo-input.txt";
    const auto started = std::chrono::steady_clock::now();
    const json want = demo.playNative(native, run);
    const auto nativeMs =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - started).count();
    ASSERT_FALSE(want.is_discarded());
    ASSERT_EQ(want["globals"]["actualMapId"], 0) << "the script no longer reaches the level";
    ASSERT_EQ(want["globals"]["serverReachable"], 1);

    const json page = demo.playInBrowser(browser, "seed=1&frames=480&input=demo-input.txt");
    ASSERT_TRUE(page.contains("result")) << page.dump();
    EXPECT_EQ(page["result"]["code"], 0);
    EXPECT_EQ(page["result"]["passes"], 480);
    const json got = json::parse(page["result"].value("dump", std::string()), nullptr, false);
    ASSERT_FALSE(got.is_discarded()) << "no dump from the page; its errors: " << page.value("errors", "");
    const json a = withoutFolder(want, native.path()), b = withoutFolder(got, "/world/");
    for (const char* part : {"globals", "config", "tiles", "sounds", "collisionList", "objects"})
        EXPECT_EQ(b[part], a[part]) << part << " differ";
    // Figures for the record: the browser's run (from the engine's start) against the desktop's.
    std::printf(
        "browser: first frame %.0f ms after the page started; the run %.0f ms (desktop, headless: %.0f ms)\n",
        page["times"]["passes"][0].get<double>() - page["times"]["start"].get<double>(),
        page["times"]["end"].get<double>() - page["times"]["main"].get<double>(), nativeMs);

    // The level's fixed objects on the page's screen where the desktop program draws them.
    SDL_Surface* shot = loadArgb(browser.path() + "page.png");
    SDL_Surface* ref = loadArgb(native.path() + "shot.png");
    ASSERT_NE(shot, nullptr);
    ASSERT_NE(ref, nullptr);
    ASSERT_EQ(shot->w, ref->w);
    ASSERT_EQ(shot->h, ref->h);
    int compared = 0;
    for (const json& o : want["objects"]) {
        const std::string file = o.value("ObjectFile", "");
        if (file != "exit" && file != "shooter" && file != "mirror" && file != "gear") continue;
        const int x = o["MapX"].get<int>() + o["ScaledWidth"].get<int>() / 2;
        const int y = o["MapY"].get<int>() + o["ScaledHeight"].get<int>() / 2;
        const Box w = boxOf(ref, ref, x, y), g = boxOf(shot, ref, x, y);
        ASSERT_TRUE(g.found()) << file << " is not on the page's screen";
        EXPECT_NEAR(g.left, w.left, 2) << file;
        EXPECT_NEAR(g.top, w.top, 2) << file;
        EXPECT_NEAR(g.right, w.right, 2) << file;
        EXPECT_NEAR(g.bottom, w.bottom, 2) << file;
        ++compared;
    }
    EXPECT_EQ(compared, 4);
    SDL_FreeSurface(shot);
    SDL_FreeSurface(ref);
}

// Arrow keys sent to the page through the DevTools protocol reach the engine: the player walks right
// and down from where a run without keys leaves it.
TEST(WebEndToEnd, ArrowKeysSentToThePageMoveThePlayer) {
    PublishedDemo demo;
    support::TempFolder native("bt_web_native"), browser("bt_web_browser");
    const json still = demo.playNative(native, "--seed 1 --frames 150 --map 0");
    const json page = demo.playInBrowser(browser, "seed=1&frames=150&map=0&pace=frame",
                                         "ArrowRight:20:70 ArrowDown:80:110");
    ASSERT_TRUE(page.contains("result")) << page.dump();
    const json got = json::parse(page["result"].value("dump", std::string()), nullptr, false);
    ASSERT_FALSE(got.is_discarded());
    const json& before = playerOf(still);
    const json& after = playerOf(got);
    ASSERT_FALSE(before.is_null());
    ASSERT_FALSE(after.is_null());
    EXPECT_GT(after["MapX"].get<double>(), before["MapX"].get<double>() + 16);
    EXPECT_GT(after["MapY"].get<double>(), before["MapY"].get<double>() + 16);
}
