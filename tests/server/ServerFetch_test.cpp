// biosim playing maps from an asset server: a real HTTP server on 127.0.0.1 serves a world's maps,
// tiles and DNA files; engines on the test backend fetch them with the real libcurl transfer.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <nlohmann/json.hpp>
#include <regex>
#include <thread>

#include "WorldServer.h"
#include "engine/Dump.h"
#include "engine/FatalErrors.h"
#include "engine/ServerFetch.h"
#include "tests/support/EngineHarness.h"
#include "tests/support/Images.h"

using namespace engine;

namespace fs = std::filesystem;
using support::EngineHarness;
using support::KV;
using support::TempFolder;

namespace {

std::string segment(const std::vector<std::tuple<std::string, int, int, int>>& records) {
    std::string s = "0\r\n0\r\n";
    for (const auto& [name, x, y, layer] : records)
        s += "TILE\r\n" + name + "\r\n0\r\n" + std::to_string(x) + "\r\n" + std::to_string(y) +
             "\r\n16\r\n8\r\n" + std::to_string(layer) + "\r\n";
    return s + "ENGINETILEINFOEND\r\n";
}

// The world of these tests, as a published folder holds it under `root` (maps 5 and 6, tile kinds
// a, b and c with their DNA) and, with `local`, as the maps folder of a local world.
void writeMaps(const std::string& root, bool local) {
    const std::string gfx = root + "_DATA/2DGFX/";
    support::writeFile(gfx + "a.bmp", support::bmp(16, 8, 200, 10, 10));
    support::writeFile(gfx + "a.dll",
                       support::pairs({{"worldFTileCollision", "1"}, {"worldFTileVELO", "2.5"}}));
    support::writeFile(gfx + "b.bmp", support::bmp(32, 16, 10, 200, 10));
    support::writeFile(gfx + "b.dll",
                       support::pairs({{"worldFTileTransparency", "128"}, {"worldFTileID", "7"}}));
    support::writeFile(gfx + "c.bmp", support::bmp(8, 8, 10, 10, 200));
    support::writeFile(gfx + "c.dll", support::pairs({{"worldFTileGravity", "3"}}));
    support::writeFile(root + "MAPS/5/_", "4\r\n");
    support::writeFile(root + "MAPS/5/0", segment({{"b", 10, 20, 0}, {"a", 40, 20, 0}, {"b", 70, 20, 0}}));
    support::writeFile(root + "MAPS/5/1", segment({{"a", 100, 50, 1}}));
    support::writeFile(root + "MAPS/6/0", segment({{"c", 5, 5, 0}, {"a", 30, 5, 0}}));
    if (local) {
        for (const char* k : {"a", "b"}) support::writeFile(root + "MAPS/5/_DATA/2DGFX/" + k + ".bmp", "x");
        for (const char* k : {"a", "c"}) support::writeFile(root + "MAPS/6/_DATA/2DGFX/" + k + ".bmp", "x");
    }
}

KV serverConfig(const std::string& server) {
    return {{"SERVER", server},
            {"SERVERNODE", "world/"},
            {"HELLO", "hello.txt"},
            {"TEMP", "TEMP/"},
            {"APPENTRY", "5"}};
}

// The objects of an engine's dump without what differs by load order alone: sprite and sound
// handles and tile ids.
nlohmann::json objects(Biosim& e) {
    nlohmann::json all = nlohmann::json::parse(dumpJson(e))["objects"];
    for (auto& o : all)
        for (const char* k : {"Sprite", "EffectImage", "EffectSprite", "ShadowImage", "ShadowSprite",
                              "SoundHandle", "KindIndex"})
            o.erase(k);
    return all;
}

bool shows(plat::test::TestGraphics& g, const std::string& text) {
    for (const auto& c : g.callsOf(plat::test::Op::Text))
        if (c.text == text) return true;
    return false;
}

int count(const std::string& text, const std::string& what) {
    int n = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

// A published world on a server and a client folder configured for it.
struct ServedWorld {
    TempFolder site{"bt_site"};
    TempFolder client{"bt_client"};
    servertest::WorldServer server{site.path()};
    ServedWorld() {
        writeMaps(site.path() + "world/", false);
        support::writeFile(site.path() + "world/hello.txt", "HELLO\r\n");
        support::writeWorldWithMap(client.path(), serverConfig(server.base()));
        fs::remove_all(client.path() + "MAPS");
    }
    std::string warnings() const { return client.read("CORE/warnings.txt"); }
};

} // namespace

// A server map plays like the same map read locally; its tiles are numbered in the order its records
// first name them, again from 0 for every map; all requests of a load share one connection.
TEST(ServerMaps, PlayLikeLocalMapsWithTileIdsPerMap) {
    TempFolder local("bt_local");
    support::writeWorldWithMap(local.path(), {{"APPENTRY", "5"}});
    fs::remove_all(local.path() + "MAPS/0");
    writeMaps(local.path(), true);
    EngineHarness lh;
    ASSERT_TRUE(lh.start(local.path()));
    ASSERT_TRUE(lh.pass());

    ServedWorld w;
    EngineHarness h;
    ASSERT_TRUE(h.start(w.client.path()));
    EXPECT_EQ(h.e->serverReachable, 1);
    ASSERT_TRUE(h.pass());
    Biosim& e = *h.e;
    EXPECT_EQ(e.serverReachable, 1);
    EXPECT_EQ(e.level.objectCount, 3);
    EXPECT_EQ(objects(e), objects(*lh.e));
    ASSERT_EQ(e.kinds.tileCount, 1);
    EXPECT_EQ(e.kinds.tileNames[0], "b");
    EXPECT_EQ(e.kinds.tileNames[1], "a");
    EXPECT_EQ(e.objectTable[0].KindIndex, 0);
    EXPECT_EQ(e.objectTable[1].KindIndex, 1);
    EXPECT_EQ(e.objectTable[3].KindIndex, 1);
    for (int t = 0; t <= 1; ++t) {
        const auto info = h.gfx().sprite(e.kinds.tileSprites[static_cast<std::size_t>(t)]);
        ASSERT_TRUE(info && info->hasTransparent);
        EXPECT_EQ(info->transparent, plat::rgb(255, 255, 255)) << "server tiles are keyed on white";
    }
    // The fetch ends at the first segment the server does not have, as the segment loop does.
    EXPECT_EQ(w.server.requests("/world/MAPS/5/2"), 1);
    EXPECT_EQ(w.server.requests("/world/MAPS/5/3"), 0);
    EXPECT_EQ(w.server.requests("/world/_DATA/2DGFX/b.bmp"), 1) << "a name met again is not fetched again";
    EXPECT_EQ(w.server.connections(), 1);
    for (const char* f :
         {"TEMP/hello.txt", "TEMP/5/_", "TEMP/5/0", "TEMP/5/1", "TEMP/a.bmp", "TEMP/a.dll", "TEMP/b.dll"})
        EXPECT_TRUE(w.client.exists(f)) << f;
    EXPECT_EQ(e.mapTileCount, 4) << "the tile count comes from the fetched \"_\" file";
    // While the map was fetched the screen said from where, and how many files were done.
    bool connecting = false, done = false;
    for (const auto& c : h.gfx().callsOf(plat::test::Op::Text)) {
        connecting = connecting || c.text == "CONNECTING TO " + w.server.base() + "world/MAPS/5";
        done = done || c.text == "FILES DONE: 0";
    }
    EXPECT_TRUE(connecting && done);

    e.nextMapId = 6;
    lh.e->nextMapId = 6;
    ASSERT_TRUE(h.pass());
    ASSERT_TRUE(lh.pass());
    EXPECT_EQ(objects(e), objects(*lh.e));
    EXPECT_EQ(e.kinds.tileCount, 1);
    EXPECT_EQ(e.kinds.tileNames[0], "c");
    EXPECT_EQ(e.kinds.tileNames[1], "a");
    EXPECT_EQ(e.objectTable[1].KindIndex, 1);
    EXPECT_EQ(count(w.warnings(), "SERVER"), 0) << w.warnings();
}

// Tile names come from the server and are untrusted: every name that could reach outside "TEMP"
// is refused with a warning naming the segment and line, and nothing is fetched or written for it.
TEST(ServerMaps, RefuseNamesThatLeaveTheTempFolder) {
    ServedWorld w;
    const std::vector<std::string> hostile = {"../evil",
                                              "/tmp/evil",
                                              "sub/evil",
                                              "back\\evil",
                                              "..",
                                              "ctl\x01"
                                              "evil",
                                              ""};
    std::vector<std::tuple<std::string, int, int, int>> records;
    for (const std::string& n : hostile) records.emplace_back(n, 1, 1, 0);
    records.emplace_back("b", 10, 20, 0);
    // A legal name, sent as it is: percent signs are encoded, so the server sees no "..".
    records.emplace_back("%2e%2e%2fevil", 1, 1, 0);
    support::writeFile(w.site.path() + "world/MAPS/5/0", segment(records));
    fs::remove(w.site.path() + "world/MAPS/5/1");
    // What a fetch of "../evil" would ask for is there, so a missing check would show.
    support::writeFile(w.site.path() + "world/_DATA/evil.bmp", support::bmp(4, 4));
    // An old cached copy of a tile the server no longer has is removed, not shown.
    support::writeFile(w.client.path() + "TEMP/%2e%2e%2fevil.bmp", support::bmp(4, 4));

    EngineHarness h;
    ASSERT_TRUE(h.start(w.client.path()));
    ASSERT_TRUE(h.pass());
    EXPECT_EQ(h.e->level.objectCount, 0);
    EXPECT_EQ(h.e->objectTable[0].ObjectFile, "b");
    EXPECT_EQ(w.server.requests("/world/_DATA/2DGFX/%2e%2e%2fevil.bmp"), 1);
    EXPECT_EQ(h.e->serverReachable, 1) << "a tile the server lacks leaves it reachable";
    const std::string warnings = w.warnings();
    EXPECT_EQ(count(warnings, "SERVER TILE NAME REFUSED"), static_cast<int>(hostile.size())) << warnings;
    EXPECT_NE(warnings.find("SERVER TILE NAME REFUSED: \"../evil\"\rMAP SEGMENT: TEMP/5/0\rAT LINE: 7"),
              std::string::npos)
        << warnings;
    EXPECT_NE(warnings.find("\"ctl?evil\""), std::string::npos);
    for (const auto& entry : fs::recursive_directory_iterator(w.client.path()))
        EXPECT_EQ(entry.path().filename().string().find("evil"), std::string::npos) << entry.path();
    EXPECT_FALSE(fs::exists("/tmp/evil.bmp"));
    EXPECT_EQ(w.server.totalRequests(), 1 + 1 + 2 + 2 + 1)
        << "hello, _, segments 0 and 1, b's image and DNA, %2e";
}

// A slow or oversized download fails within the limits and leaves nothing behind; start-up goes on,
// the failure clears the reachable flag, and the status screen says the connection is missing.
TEST(ServerMaps, SlowAndOversizedDownloadsFailWithinTheLimits) {
    plat::DownloadLimits limits;
    limits.lowSpeedSeconds = 1;
    limits.totalSeconds = 4;
    limits.maxBytes = 64 * 1024;
    ServedWorld w;
    auto trickle = [&w](const httplib::Request&, httplib::Response& res) {
        res.set_chunked_content_provider("application/octet-stream",
                                         [&w](std::size_t, httplib::DataSink& sink) {
                                             std::this_thread::sleep_for(std::chrono::milliseconds(200));
                                             return !w.server.stopping() && sink.write("x", 1);
                                         });
    };
    auto flood = [&w](const httplib::Request&, httplib::Response& res) {
        res.set_chunked_content_provider(
            "application/octet-stream", [&w](std::size_t offset, httplib::DataSink& sink) {
                // 1 MiB without a length, quickly: only the size cap can stop it.
                if (offset >= 1024 * 1024) {
                    sink.done();
                    return true;
                }
                const std::string block(16 * 1024, 'z');
                return !w.server.stopping() && sink.write(block.data(), block.size());
            });
    };

    w.server.override("/world/hello.txt", trickle);
    {
        EngineHarness h;
        h.tp.network().setLimits(limits);
        const auto t0 = std::chrono::steady_clock::now();
        ASSERT_TRUE(h.start(w.client.path()));
        EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(8))
            << "start-up waited out the server";
        EXPECT_EQ(h.e->serverReachable, 0);
        EXPECT_FALSE(w.client.exists("TEMP/hello.txt"));
    }

    w.server.override("/world/hello.txt", {});
    w.server.override("/world/_DATA/2DGFX/b.bmp", flood);
    EngineHarness h;
    h.tp.network().setLimits(limits);
    ASSERT_TRUE(h.start(w.client.path()));
    ASSERT_EQ(h.e->serverReachable, 1);
    ASSERT_TRUE(h.pass());
    EXPECT_EQ(h.e->serverReachable, 1) << "one oversized file leaves the server reachable";
    EXPECT_FALSE(w.client.exists("TEMP/b.bmp"));
    for (const auto& entry : fs::directory_iterator(w.client.path() + "TEMP"))
        EXPECT_EQ(entry.path().filename().string().find(".part"), std::string::npos) << entry.path();
    EXPECT_EQ(w.server.requests("/world/_DATA/2DGFX/a.bmp"), 1) << "the next tile is still fetched";
    h.gfx().clearCalls();
    ASSERT_TRUE(h.pass());
    bool missing = false;
    for (const auto& c : h.gfx().callsOf(plat::test::Op::Text)) {
        EXPECT_EQ(c.text.find("CONNECTING TO"), std::string::npos);
        missing = missing || c.text == "MISSING CONNECTION TO MAPS/5";
    }
    EXPECT_TRUE(missing);

    // The transfer itself: a file announced larger than the cap, and a redirect to a local file.
    w.server.override("/big", [](const httplib::Request&, httplib::Response& res) {
        res.set_content(std::string(100 * 1024, 'y'), "application/octet-stream");
    });
    w.server.override("/to-file", [](const httplib::Request&, httplib::Response& res) {
        res.set_redirect("file:///etc/hostname");
    });
    w.server.override("/loop",
                      [](const httplib::Request&, httplib::Response& res) { res.set_redirect("/loop"); });
    w.server.override("/moved", [](const httplib::Request&, httplib::Response& res) {
        res.set_redirect("/world/hello.txt");
    });
    plat::CurlNetwork net;
    net.setLimits(limits);
    EXPECT_EQ(net.fetch(w.server.base() + "moved", w.client.path() + "moved", false), plat::Fetch::Fetched);
    EXPECT_EQ(net.fetch(w.server.base() + "loop", w.client.path() + "loop", false), plat::Fetch::Failed);
    EXPECT_EQ(w.server.requests("/loop"), 1 + limits.maxRedirects);
    EXPECT_EQ(net.fetch(w.server.base() + "big", w.client.path() + "big", false), plat::Fetch::Failed);
    EXPECT_EQ(net.fetch(w.server.base() + "to-file", w.client.path() + "host", false), plat::Fetch::Failed);
    EXPECT_EQ(net.fetch("ftp://127.0.0.1/x", w.client.path() + "x", false), plat::Fetch::Failed);
    EXPECT_FALSE(w.client.exists("big"));
    EXPECT_FALSE(w.client.exists("host"));
}

// Fetched files stay in "TEMP": the next run asks again with the file's time, so an unchanged file
// costs no transfer and an updated one is fetched; with the server gone the map plays from the cache.
TEST(ServerMaps, CacheRevalidatesAndPlaysOffline) {
    ServedWorld w;
    {
        EngineHarness h;
        ASSERT_TRUE(h.start(w.client.path()));
        ASSERT_TRUE(h.pass());
        EXPECT_EQ(w.server.fullAnswers("/world/_DATA/2DGFX/b.bmp"), 1);
    }
    const std::string dll = w.site.path() + "world/_DATA/2DGFX/b.dll";
    support::writeFile(dll, support::pairs({{"worldFTileTransparency", "64"}, {"worldFTileID", "7"}}));
    fs::last_write_time(dll, fs::last_write_time(dll) + std::chrono::hours(1));
    w.server.resetCounts();

    nlohmann::json online;
    {
        EngineHarness h;
        ASSERT_TRUE(h.start(w.client.path()));
        ASSERT_TRUE(h.pass());
        for (const char* p :
             {"/world/MAPS/5/0", "/world/MAPS/5/1", "/world/_DATA/2DGFX/b.bmp", "/world/_DATA/2DGFX/a.dll"}) {
            EXPECT_EQ(w.server.requests(p), 1) << p;
            EXPECT_EQ(w.server.fullAnswers(p), 0) << p << " was sent again unchanged";
        }
        EXPECT_EQ(w.server.fullAnswers("/world/_DATA/2DGFX/b.dll"), 1);
        EXPECT_EQ(h.e->objectTable[0].worldFTileTransparency, 64.0f) << "the updated DNA is read";
        online = objects(*h.e);
    }

    w.server.stop();
    EngineHarness h;
    ASSERT_TRUE(h.start(w.client.path()));
    EXPECT_EQ(h.e->serverReachable, 0);
    ASSERT_TRUE(h.pass());
    EXPECT_EQ(objects(*h.e), online);
    EXPECT_EQ(count(w.warnings(), "PLAYS FROM THE CACHE"), 1) << w.warnings();
}

// With a server configured, a map comes from the server, else from the cache, else from the local
// maps folder; a map none of them has shows the status screen. Only a network failure makes the
// server unreachable, and only until the retry time; a removed segment leaves the cache.
TEST(ServerMaps, ServerThenCacheThenLocalAndOnlyNetworkFailuresCount) {
    ServedWorld w;
    writeMaps(w.client.path(), true); // the player's own copy of maps 5 and 6: 4 objects in map 5
    // The served map 5 differs from the local one: two records in segment 1.
    support::writeFile(w.site.path() + "world/MAPS/5/1", segment({{"a", 100, 50, 1}, {"a", 120, 50, 1}}));
    const KV dead = serverConfig("http://127.0.0.1:1/");
    support::writeWorldWithMap(w.client.path(), dead);
    fs::remove_all(w.client.path() + "MAPS/0");
    {
        EngineHarness h;
        ASSERT_TRUE(h.start(w.client.path()));
        EXPECT_EQ(h.e->serverReachable, 0);
        EXPECT_NE(w.warnings().find("COULD NOT FETCH THE GREETING: http://127.0.0.1:1/world/hello.txt"),
                  std::string::npos)
            << w.warnings();
        ASSERT_TRUE(h.pass());
        EXPECT_EQ(h.e->mapMissing, 0) << "the local map plays without the server";
        EXPECT_EQ(h.e->level.objectCount, 3);
        EXPECT_EQ(h.e->kinds.tileNames[0], "a") << "local tiles, in name order";
        h.e->nextMapId = 7;
        ASSERT_TRUE(h.pass());
        h.gfx().clearCalls();
        ASSERT_TRUE(h.pass());
        EXPECT_EQ(h.e->mapMissing, 1);
        EXPECT_TRUE(shows(h.gfx(), "MISSING CONNECTION TO MAPS/7"));
    }

    support::writeWorldWithMap(w.client.path(), serverConfig(w.server.base()));
    fs::remove_all(w.client.path() + "MAPS/0");
    fs::remove(w.client.path() + "CORE/warnings.txt");
    plat::DownloadLimits limits;
    limits.totalSeconds = 1;
    // The run ends before the server stops: a live client would hold its connection open.
    auto run = std::make_unique<EngineHarness>();
    EngineHarness& h = *run;
    h.tp.network().setLimits(limits);
    ASSERT_TRUE(h.start(w.client.path()));
    Biosim& e = *h.e;
    ASSERT_TRUE(h.pass());
    EXPECT_EQ(e.level.objectCount, 4) << "the served map is preferred";
    EXPECT_EQ(e.kinds.tileNames[0], "b") << "server tiles, in record order";

    // A map the server lacks, neither cached nor local: the status screen, and the server stays.
    e.nextMapId = 7;
    ASSERT_TRUE(h.pass());
    h.gfx().clearCalls();
    ASSERT_TRUE(h.pass());
    EXPECT_EQ(e.mapMissing, 1);
    EXPECT_EQ(e.serverReachable, 1);
    EXPECT_FALSE(fs::exists(w.client.path() + "TEMP/7"));
    EXPECT_TRUE(shows(h.gfx(), "MISSING CONNECTION TO MAPS/7"));
    EXPECT_NE(w.warnings().find("SERVER HAS NO MAP: " + w.server.base() + "world/MAPS/7"), std::string::npos);

    // A tile the server answers with an error: that tile is missing, the rest of the map is served.
    w.server.override("/world/_DATA/2DGFX/c.bmp",
                      [](const httplib::Request&, httplib::Response& res) { res.status = 500; });
    e.nextMapId = 6;
    ASSERT_TRUE(h.pass());
    EXPECT_EQ(e.serverReachable, 1);
    EXPECT_NE(w.warnings().find("COULD NOT FETCH: " + w.server.base() + "world/_DATA/2DGFX/c.bmp"),
              std::string::npos);
    EXPECT_EQ(w.server.requests("/world/_DATA/2DGFX/a.bmp"), 2);
    EXPECT_EQ(e.kinds.tileNames[0], "a");

    // No answer in time: a network failure. Map 5 plays from the cache, and nothing is asked of
    // the server until the retry time has passed; the next map after it tries again.
    w.server.override("/world/MAPS/5/0", [&w](const httplib::Request&, httplib::Response& res) {
        for (int i = 0; i < 30 && !w.server.stopping(); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        res.set_content("late", "text/plain");
    });
    e.nextMapId = 5;
    ASSERT_TRUE(h.pass());
    EXPECT_EQ(e.serverReachable, 0);
    EXPECT_EQ(e.level.objectCount, 4) << "the cached copy of the served map";
    EXPECT_NE(w.warnings().find("COUNTS AS UNREACHABLE FOR 60 S"), std::string::npos) << w.warnings();
    EXPECT_NE(w.warnings().find("MAP 5 PLAYS FROM THE CACHE: TEMP/5/"), std::string::npos);
    w.server.override("/world/MAPS/5/0", {});
    const int asked = w.server.totalRequests();
    e.nextMapId = 6;
    ASSERT_TRUE(h.pass());
    EXPECT_EQ(w.server.totalRequests(), asked) << "asked again before the retry time";
    EXPECT_EQ(e.mapMissing, 0);

    // The server dropped segment 1 of map 5: once it answers again the cache loses it too.
    fs::remove(w.site.path() + "world/MAPS/5/1");
    e.server.retryAt = ServerState::Clock::now();
    e.nextMapId = 5;
    ASSERT_TRUE(h.pass());
    EXPECT_EQ(e.serverReachable, 1);
    EXPECT_EQ(e.level.objectCount, 2) << "the smaller map";
    EXPECT_FALSE(w.client.exists("TEMP/5/1"));
    // The server dropped map 6: its cached copy goes, the local map plays.
    fs::remove_all(w.site.path() + "world/MAPS/6");
    e.nextMapId = 6;
    ASSERT_TRUE(h.pass());
    EXPECT_EQ(e.serverReachable, 1);
    EXPECT_EQ(e.mapMissing, 0);
    EXPECT_FALSE(w.client.exists("TEMP/6"));
    EXPECT_EQ(e.kinds.tileNames[1], "c") << "local tiles";
    EXPECT_NE(w.warnings().find("HAS NO MAP 6,\rIT PLAYS FROM THE LOCAL MAPS FOLDER: MAPS/6/"),
              std::string::npos);
    run.reset();
    w.server.stop();
    EngineHarness offline;
    ASSERT_TRUE(offline.start(w.client.path()));
    ASSERT_TRUE(offline.pass());
    EXPECT_EQ(offline.e->level.objectCount, 2) << "the next run's cache holds the smaller map";
}

// A kind whose DNA file does not open has no DNA, not the DNA its tile id had in the previous map
// (locally and from the server), with a warning naming the file.
TEST(ServerMaps, KindWithoutDnaFileHasNoDna) {
    ServedWorld w;
    fs::remove(w.site.path() + "world/_DATA/2DGFX/c.dll");
    {
        EngineHarness h;
        ASSERT_TRUE(h.start(w.client.path()));
        ASSERT_TRUE(h.pass());
        EXPECT_EQ(h.e->objectTable[0].worldFTileTransparency, 128.0f) << "b, tile 0 of map 5";
        h.e->nextMapId = 6;
        ASSERT_TRUE(h.pass());
        EXPECT_EQ(h.e->objectTable[0].ObjectFile, "c");
        EXPECT_EQ(h.e->objectTable[0].worldFTileTransparency, 0.0f);
        EXPECT_EQ(h.e->objectTable[0].worldFTileID, 0);
        EXPECT_NE(w.warnings().find("COULD NOT OPEN TILE DNA: TEMP/c.dll"), std::string::npos)
            << w.warnings();
    }
    TempFolder local("bt_local");
    support::writeWorldWithMap(local.path(), {{"APPENTRY", "5"}});
    writeMaps(local.path(), true);
    fs::remove(local.path() + "_DATA/2DGFX/c.dll");
    EngineHarness h;
    ASSERT_TRUE(h.start(local.path()));
    ASSERT_TRUE(h.pass());
    EXPECT_EQ(h.e->kinds.tileNames[1], "b");
    h.e->nextMapId = 6;
    ASSERT_TRUE(h.pass());
    ASSERT_EQ(h.e->kinds.tileNames[1], "c") << "c takes b's tile id";
    EXPECT_EQ(h.e->objectTable[0].ObjectFile, "c");
    EXPECT_EQ(h.e->objectTable[0].worldFTileTransparency, 0.0f);
    EXPECT_EQ(h.e->objectTable[0].worldFTileID, 0);
    EXPECT_NE(local.read("CORE/warnings.txt").find("COULD NOT OPEN TILE DNA: _DATA/2DGFX/c.dll"),
              std::string::npos);
}

// A server or CDN that validates by ETag alone: the tag is kept beside the cached file and sent back,
// an unchanged file costs a 304, a changed one is fetched; a copy without the server's time carries
// time 0, never the time of the download. The error report names the cache for a server map.
TEST(ServerMaps, EtagRevalidationAndTheReportNamesTheCache) {
    ServedWorld w;
    w.server.useEtags(true);
    {
        EngineHarness h;
        ASSERT_TRUE(h.start(w.client.path()));
        ASSERT_TRUE(h.pass());
    }
    EXPECT_TRUE(w.client.exists("TEMP/.b.dll.etag"));
    EXPECT_LT(std::chrono::file_clock::to_sys(fs::last_write_time(w.client.path() + "TEMP/b.bmp")),
              std::chrono::system_clock::now() - std::chrono::hours(24 * 365))
        << "the copy carries no time of its own";
    support::writeFile(w.site.path() + "world/_DATA/2DGFX/b.dll",
                       support::pairs({{"worldFTileTransparency", "64"}, {"worldFTileID", "7"}}));
    w.server.resetCounts();
    EngineHarness h;
    ASSERT_TRUE(h.start(w.client.path()));
    ASSERT_TRUE(h.pass());
    for (const char* p :
         {"/world/MAPS/5/0", "/world/MAPS/5/1", "/world/_DATA/2DGFX/b.bmp", "/world/_DATA/2DGFX/a.dll"}) {
        EXPECT_EQ(w.server.requests(p), 1) << p;
        EXPECT_EQ(w.server.fullAnswers(p), 0) << p << " was sent again unchanged";
    }
    EXPECT_EQ(w.server.fullAnswers("/world/_DATA/2DGFX/b.dll"), 1);
    EXPECT_EQ(h.e->objectTable[0].worldFTileTransparency, 64.0f);
    const std::string report = errorReportText(*h.e, plat::ErrorInfo{"X", "Y", 1, 11}, "now");
    EXPECT_NE(report.find("LAST MAP SEGMENT: TEMP/5/"), std::string::npos) << report;
}

// Only a whole 200 is stored: a 304 nobody asked for, a 204, a redirect without a target and a body
// shorter than its length leave no file; a 304 keeps the copy that was asked about.
TEST(ServerMaps, OnlyAWhole200IsStored) {
    ServedWorld w;
    w.server.override("/not-modified",
                      [](const httplib::Request&, httplib::Response& res) { res.status = 304; });
    w.server.override("/no-content",
                      [](const httplib::Request&, httplib::Response& res) { res.status = 204; });
    w.server.override("/moved-nowhere",
                      [](const httplib::Request&, httplib::Response& res) { res.status = 302; });
    w.server.override("/short", [](const httplib::Request&, httplib::Response& res) {
        res.set_content_provider(100, "application/octet-stream",
                                 [](std::size_t offset, std::size_t, httplib::DataSink& sink) {
                                     if (offset > 0) return false;
                                     return sink.write("0123456789", 10);
                                 });
    });
    plat::CurlNetwork net;
    for (const char* p : {"not-modified", "no-content", "moved-nowhere", "short"}) {
        EXPECT_NE(net.fetch(w.server.base() + p, w.client.path() + p, true), plat::Fetch::Fetched) << p;
        EXPECT_FALSE(w.client.exists(p)) << p;
    }
    // A kept copy asked about with its time: the 304 keeps it.
    const std::string kept = w.client.path() + "kept";
    ASSERT_EQ(net.fetch(w.server.base() + "world/hello.txt", kept, true), plat::Fetch::Fetched);
    auto secondsOf = [](const std::string& f) {
        return std::chrono::floor<std::chrono::seconds>(fs::last_write_time(f).time_since_epoch());
    };
    EXPECT_EQ(secondsOf(kept), secondsOf(w.site.path() + "world/hello.txt"))
        << "the copy carries the server's time";
    EXPECT_EQ(net.fetch(w.server.base() + "world/hello.txt", kept, true), plat::Fetch::Unchanged);
    EXPECT_EQ(net.fetch(w.server.base() + "no-content", kept, true), plat::Fetch::Failed);
    EXPECT_EQ(w.client.read("kept"), "HELLO\r\n");
}

// A slow but live server cannot hold a map load beyond the fetch's time limit; while it fetches, the
// screen shows the progress file by file.
TEST(ServerMaps, AMapFetchEndsAtItsTimeLimitAndShowsProgress) {
    ServedWorld w;
    EngineHarness h;
    ASSERT_TRUE(h.start(w.client.path()));
    w.server.delayAnswers(400);
    h.e->server.mapFetchLimit = std::chrono::milliseconds(900);
    h.gfx().clearCalls();
    const auto t0 = std::chrono::steady_clock::now();
    ASSERT_TRUE(h.pass());
    EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::milliseconds(2500));
    EXPECT_NE(w.warnings().find("FETCHING MAP 5 TOOK LONGER THAN 1 S"), std::string::npos) << w.warnings();
    EXPECT_EQ(h.e->serverReachable, 0);
    int progress = 0;
    for (const auto& c : h.gfx().callsOf(plat::test::Op::Text))
        progress += c.text.rfind("FILES DONE: ", 0) == 0;
    EXPECT_GE(progress, 2);
}
