// The demo world published by publish_world and served on 127.0.0.1: the real biosim binary plays
// it from the server exactly like the local demo, and again from its cache once the server is gone.
#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <nlohmann/json.hpp>

#include "WorldServer.h"
#include "tests/support/Subprocess.h"
#include "tests/support/TempFolder.h"

namespace fs = std::filesystem;
using nlohmann::json;

namespace {

// Starts the level as the demo's own end-to-end run does: Space on the title screen.
const char* const kScript = "300 57 down\n320 57 up\n330 205 down\n360 205 up\n";

json playDemo(const std::string& folder) {
    support::writeFile(folder + "input.txt", kScript);
    const auto r =
        support::runCommand(support::shellQuote(BIOSIM_EXE) +
                                " --headless --seed 3 --frames 420 --input input.txt --dump dump.json",
                            folder, 120);
    EXPECT_EQ(r.code, 0) << r.err;
    json dump = json::parse(support::readFile(folder + "dump.json"), nullptr, false);
    EXPECT_FALSE(dump.is_discarded()) << "no dump in " << folder;
    return dump;
}

// What must be equal: every object field but sprite and sound handles and tile ids (server tiles
// are numbered in the order the records name them, local ones in name order), the collision list,
// and the world's globals.
json comparable(const json& dump) {
    json out;
    out["objects"] = dump.value("objects", json::array());
    for (auto& o : out["objects"])
        for (const char* k : {"Sprite", "EffectImage", "EffectSprite", "ShadowImage", "ShadowSprite",
                              "SoundHandle", "KindIndex"})
            o.erase(k);
    out["collisionList"] = dump.value("collisionList", json::array());
    for (const char* g : {"actualMapId", "nextMapId", "objectCount", "collisionCount", "scrollX", "scrollY",
                          "mapExtentX", "mapExtentY", "maxLayer", "mapTileCount", "mapMissing", "framesRun"})
        out[g] = dump.value("globals", json::object()).value(g, json());
    return out;
}

// The demo's configuration with the server settings replaced.
void pointAtServer(const std::string& folder, const std::string& server) {
    const std::string ini = support::readFile(folder + "CORE/ini.crc");
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < ini.size()) {
        std::size_t end = ini.find("\r\n", start);
        if (end == std::string::npos) end = ini.size();
        lines.push_back(ini.substr(start, end - start));
        start = end + 2;
    }
    std::string out;
    for (std::size_t i = 0; i + 1 < lines.size(); i += 2) {
        std::string v = lines[i + 1];
        if (lines[i] == "SERVER") v = server;
        if (lines[i] == "SERVERNODE") v = "demo/";
        if (lines[i] == "TEMP") v = "TEMP/";
        out += lines[i] + "\r\n" + v + "\r\n";
    }
    support::writeFile(folder + "CORE/ini.crc", out);
}

// A 24-bit BMP of one row of pixels (r, g, b each).
std::string bmpRow(const std::vector<std::array<int, 3>>& px) {
    const int w = static_cast<int>(px.size());
    const int row = (w * 3 + 3) & ~3;
    std::string o = "BM";
    auto u32 = [&](int v) {
        for (int i = 0; i < 4; ++i) o += static_cast<char>((v >> (8 * i)) & 255);
    };
    auto u16 = [&](int v) {
        for (int i = 0; i < 2; ++i) o += static_cast<char>((v >> (8 * i)) & 255);
    };
    u32(54 + row), u32(0), u32(54), u32(40), u32(w), u32(1), u16(1), u16(24), u32(0), u32(row);
    u32(2835), u32(2835), u32(0), u32(0);
    for (const auto& p : px) o += {static_cast<char>(p[2]), static_cast<char>(p[1]), static_cast<char>(p[0])};
    o.resize(54 + static_cast<std::size_t>(row), '\0');
    return o;
}

// The pixels of the first row stored in an uncompressed 24- or 32-bit BMP (bottom-up), as r, g, b.
std::vector<std::array<int, 3>> bmpPixels(const std::string& f) {
    auto u32 = [&](std::size_t at) {
        return static_cast<int>(
            static_cast<unsigned char>(f[at]) | static_cast<unsigned char>(f[at + 1]) << 8 |
            static_cast<unsigned char>(f[at + 2]) << 16 | static_cast<unsigned char>(f[at + 3]) << 24);
    };
    std::vector<std::array<int, 3>> px;
    if (f.size() < 54) return px;
    const int offset = u32(10), w = u32(18), bytes = static_cast<unsigned char>(f[28]) / 8;
    for (int x = 0; x < w; ++x) {
        const std::size_t at = static_cast<std::size_t>(offset + x * bytes);
        if (at + 2 >= f.size()) break;
        px.push_back({static_cast<unsigned char>(f[at + 2]), static_cast<unsigned char>(f[at + 1]),
                      static_cast<unsigned char>(f[at])});
    }
    return px;
}

} // namespace

// Publishing re-keys tile images from pure green to pure white and keeps a local tile's white
// pixels visible; DNA files, segments and "_" are copied, the map's own graphics listing is not.
TEST(ServerEndToEnd, PublishingRekeysTilesFromGreenToWhite) {
    support::TempFolder world("bt_pub_world"), site("bt_pub_site");
    support::writeFile(world.path() + "CORE/ini.crc",
                       "CODECS\r\nCORE/codec.txt\r\nGFX\r\ngfx/\r\nSIMCORE\r\nmaps/\r\nHELLO\r\nhi.txt\r\n");
    support::writeFile(world.path() + "CORE/codec.txt", "GFXCODEC\r\n;\r\n.bmp\r\n;\r\n");
    support::writeFile(world.path() + "gfx/t.bmp",
                       bmpRow({{0, 255, 0}, {255, 255, 255}, {12, 34, 56}, {0, 254, 0}}));
    support::writeFile(world.path() + "gfx/t.dll", "AI\r\n1\r\n");
    support::writeFile(world.path() + "maps/3/0", "0\r\n0\r\nENGINETILEINFOEND\r\n");
    support::writeFile(world.path() + "maps/3/_", "0\r\n");
    support::writeFile(world.path() + "maps/3/_DATA/2DGFX/t.bmp", "x");
    const auto r =
        support::runCommand(support::shellQuote(PUBLISH_EXE) + " " + support::shellQuote(world.path()) + " " +
                            support::shellQuote(site.path() + "node"));
    ASSERT_EQ(r.code, 0) << r.out << r.err;
    const std::vector<std::array<int, 3>> want = {
        {255, 255, 255}, {255, 255, 254}, {12, 34, 56}, {0, 254, 0}};
    EXPECT_EQ(bmpPixels(site.read("node/gfx/t.bmp")), want);
    EXPECT_EQ(site.read("node/gfx/t.dll"), "AI\r\n1\r\n");
    EXPECT_TRUE(site.exists("node/maps/3/0"));
    EXPECT_TRUE(site.exists("node/maps/3/_"));
    EXPECT_FALSE(site.exists("node/maps/3/_DATA"));
    EXPECT_TRUE(site.exists("node/hi.txt"));
    EXPECT_EQ(support::runCommand(support::shellQuote(PUBLISH_EXE) + " --no-such-option").code, 2);
}

TEST(ServerEndToEnd, PublishedDemoPlaysLikeTheLocalDemoAndFromTheCache) {
    support::clearProxySettings();
    support::TempFolder local("bt_demo_local"), site("bt_demo_site"), client("bt_demo_client");
    const std::string demo = std::string(BT_SOURCE_DIR) + "/demo";
    fs::copy(demo, local.path(), fs::copy_options::recursive);
    for (const char* f : {"CORE/warnings.log", "CORE/error.log", "CORE/startup.log"})
        fs::remove(local.path() + f);
    const json want = comparable(playDemo(local.path()));
    ASSERT_EQ(want["actualMapId"], 0) << "the script no longer reaches the level";

    const auto pub = support::runCommand(support::shellQuote(PUBLISH_EXE) + " " + support::shellQuote(demo) +
                                         " " + support::shellQuote(site.path() + "demo"));
    ASSERT_EQ(pub.code, 0) << pub.out << pub.err;
    EXPECT_TRUE(site.exists("demo/MAPS/0/0"));
    EXPECT_TRUE(site.exists("demo/_DATA/2DGFX/player.dll"));
    EXPECT_FALSE(site.exists("demo/MAPS/0/_DATA")) << "a server map's tiles come with its records";

    // The player's folder: the demo without its maps and tile images, pointed at the server.
    fs::copy(local.path(), client.path(), fs::copy_options::recursive);
    fs::remove_all(client.path() + "MAPS");
    fs::remove_all(client.path() + "_DATA/2DGFX");
    for (const char* f : {"CORE/warnings.log", "CORE/error.log", "CORE/startup.log", "dump.json"})
        fs::remove(client.path() + f);
    servertest::WorldServer server(site.path());
    pointAtServer(client.path(), server.base());

    const json served = playDemo(client.path());
    EXPECT_EQ(served["globals"].value("serverReachable", -1), 1);
    EXPECT_EQ(comparable(served), want);
    EXPECT_EQ(server.connections(), 1) << "one connection for all requests of the run";
    EXPECT_EQ(client.read("CORE/warnings.log").find("SERVER"), std::string::npos)
        << client.read("CORE/warnings.log");

    server.stop();
    const json cached = playDemo(client.path());
    EXPECT_EQ(cached["globals"].value("serverReachable", -1), 0);
    EXPECT_EQ(comparable(cached), want);
    EXPECT_NE(client.read("CORE/warnings.log").find("PLAYS FROM THE CACHE"), std::string::npos);
}

// The demo published with its manifest, served, and fetched whole with --prefetch (a file the server
// lacks is named): with the server gone, the intro, the title and both levels play from the cache
// exactly as far as the local demo does.
TEST(ServerEndToEnd, PrefetchedWorldPlaysEveryMapOffline) {
    support::clearProxySettings();
    support::TempFolder local("bt_pre_local"), site("bt_pre_site"), client("bt_pre_client");
    const std::string demo = std::string(BT_SOURCE_DIR) + "/demo";
    const auto pub = support::runCommand(support::shellQuote(PUBLISH_EXE) + " " + support::shellQuote(demo) +
                                         " " + support::shellQuote(site.path() + "demo"));
    ASSERT_EQ(pub.code, 0) << pub.out << pub.err;
    const std::string manifest = site.read("demo/MANIFEST.txt");
    EXPECT_EQ(manifest.rfind("biosim-manifest 1\r\n", 0), 0u);
    const std::string segment = site.read("demo/MAPS/1/0");
    EXPECT_NE(manifest.find(" " + std::to_string(segment.size()) + " MAPS/1/0\r\n"), std::string::npos)
        << manifest;
    EXPECT_NE(manifest.find(" _DATA/2DGFX/player.png\r\n"), std::string::npos);

    fs::copy(demo, local.path(), fs::copy_options::recursive);
    fs::copy(demo, client.path(), fs::copy_options::recursive);
    fs::remove_all(client.path() + "MAPS");
    fs::remove_all(client.path() + "_DATA/2DGFX");
    for (const char* f : {"CORE/warnings.log", "CORE/error.log", "CORE/startup.log"}) {
        fs::remove(local.path() + f);
        fs::remove(client.path() + f);
    }
    servertest::WorldServer server(site.path());
    pointAtServer(client.path(), server.base());
    const std::string prefetch = support::shellQuote(BIOSIM_EXE) + " --headless --prefetch";

    fs::rename(site.path() + "demo/_DATA/2DGFX/gear.png", site.path() + "gear.png");
    auto r = support::runCommand(prefetch, client.path(), 120);
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("could not fetch _DATA/2DGFX/gear.png"), std::string::npos) << r.out << r.err;
    fs::rename(site.path() + "gear.png", site.path() + "demo/_DATA/2DGFX/gear.png");
    r = support::runCommand(prefetch, client.path(), 120);
    EXPECT_EQ(r.code, 0) << r.out << r.err;
    EXPECT_NE(r.out.find(" 0 not fetched"), std::string::npos) << r.out;
    server.stop();

    auto play = [](const std::string& folder, int map) {
        const auto run =
            support::runCommand(support::shellQuote(BIOSIM_EXE) + " --headless --seed 3 --frames 30 --map " +
                                    std::to_string(map) + " --dump dump.json",
                                folder, 120);
        EXPECT_EQ(run.code, 0) << run.err;
        return json::parse(support::readFile(folder + "dump.json"), nullptr, false)
            .value("globals", json::object());
    };
    for (const int map : {1001, 1000, 0, 1}) {
        const json want = play(local.path(), map);
        const json got = play(client.path(), map);
        EXPECT_EQ(got.value("actualMapId", -1), map);
        EXPECT_EQ(got.value("mapMissing", -1), 0) << map;
        EXPECT_GT(got.value("objectCount", 0), 0) << map;
        EXPECT_EQ(got.value("objectCount", -1), want.value("objectCount", -2)) << map;
        EXPECT_EQ(got.value("collisionCount", -1), want.value("collisionCount", -2)) << map;
    }
}
