// Content someone else made, read by the real programs: a Tiled map for tarn's import, a tile folder
// with a FIFO in it, and a world for publish_world. Nothing outside the content's own folder is read
// or written, nothing is waited on for ever, and a refused import leaves no map folder behind.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <vector>

#include "tests/support/Subprocess.h"
#include "tests/support/TempFolder.h"

namespace fs = std::filesystem;
using support::readFile;
using support::shellQuote;
using support::writeFile;

namespace {

// A tarn working folder with the demo's script chain and two of its tiles.
struct Folder : support::TempFolder {
    Folder() : support::TempFolder("hostile_e2e") {
        const std::string demo = DEMO_FOLDER;
        fs::create_directories(path() + "_DATA/2DGFX");
        for (const char* f : {"ini.txt", "screen.txt", "app.txt", "codec.txt", "gui.txt", "DNA.dll"})
            fs::copy_file(demo + "_DATA/" + f, path() + "_DATA/" + f);
        for (const char* f : {"chaser.png", "chaser.dll", "wall.png", "wall.dll"})
            fs::copy_file(demo + "_DATA/2DGFX/" + f, path() + "_DATA/2DGFX/" + f);
    }
};

// A Tiled map of one tile object whose image-collection tileset names `image`; with `source`, the
// tileset is an external file of that name instead.
std::string tiledMap(const std::string& image, const std::string& source = "") {
    const std::string tileset = source.empty() ? R"({"firstgid": 1, "tiles": [{"id": 0, "image": ")" + image +
                                                     R"(", "imagewidth": 32, "imageheight": 32}]})"
                                               : R"({"firstgid": 1, "source": ")" + source + R"("})";
    return R"({"type": "map", "infinite": false, "tilewidth": 32, "tileheight": 32, "tilesets": [)" +
           tileset +
           R"(], "layers": [{"type": "objectgroup", "objects": [{"gid": 1, "x": 64, "y": 96, "width": 32,
           "height": 32}]}]})";
}

} // namespace

TEST(HostileContent, TiledImportTakesNothingFromOutsideTheMapsFolder) {
    const Folder world;
    const std::string dir = world.path();
    const std::string secret = readFile(dir + "_DATA/2DGFX/wall.png");
    writeFile(dir + "secret.png", secret); // a private file beside the folder of the Tiled map
    fs::create_directories(dir + "tiled/tiles");
    fs::copy_file(dir + "_DATA/2DGFX/chaser.png", dir + "tiled/tiles/chaser.png");
    fs::create_symlink(dir + "secret.png", dir + "tiled/tiles/link.png");
    ASSERT_EQ(::mkfifo((dir + "tiled/tiles/fifo.png").c_str(), 0644), 0);
    writeFile(dir + "outside.tsj", R"({"type": "tileset", "tiles": [{"id": 0, "image": "secret.png"}]})");

    struct Case {
        const char* what;
        std::string map;
    };
    const std::vector<Case> refused = {
        {"an absolute path elsewhere", tiledMap(dir + "secret.png")},
        {"'..' past the map's folder", tiledMap("../secret.png")},
        {"a link that leads out", tiledMap("tiles/link.png")},
        {"a device", tiledMap("/dev/zero")},
        {"a FIFO", tiledMap("tiles/fifo.png")},
        {"a tileset outside", tiledMap("", "../outside.tsj")},
    };
    int n = 0;
    for (const Case& c : refused) {
        SCOPED_TRACE(c.what);
        const std::string name = "m" + std::to_string(n++);
        writeFile(dir + "tiled/" + name + ".tmj", c.map);
        const support::RunResult r = support::runCommand(
            shellQuote(TARN_BINARY) + " --import-tiled tiled/" + name + ".tmj MAPS/" + name, dir, 20);
        EXPECT_FALSE(r.timedOut);
        EXPECT_EQ(r.code, 1) << r.out << r.err;
        EXPECT_FALSE(fs::exists(dir + "MAPS/" + name)) << "a refused import left its map folder";
        EXPECT_FALSE(fs::exists(dir + "MAPS")) << r.out;
    }

    // A picture in a folder below the map's is taken.
    writeFile(dir + "tiled/good.tmj", tiledMap("tiles/chaser.png"));
    const support::RunResult r =
        support::runCommand(shellQuote(TARN_BINARY) + " --import-tiled tiled/good.tmj MAPS/7", dir, 20);
    ASSERT_EQ(r.code, 0) << r.out << r.err;
    EXPECT_EQ(readFile(dir + "MAPS/7/_DATA/2DGFX/chaser.png"), readFile(dir + "_DATA/2DGFX/chaser.png"));
    EXPECT_TRUE(fs::exists(dir + "MAPS/7/_DATA/2DGFX/chaser.dll"));
    EXPECT_NE(readFile(dir + "MAPS/7/0").find("TILE\r\nchaser\r\n0\r\n64\r\n64\r\n"), std::string::npos);
}

TEST(HostileContent, TarnStartsPastAFifoInItsTileFolder) {
    const Folder world;
    const std::string dir = world.path();
    fs::remove(dir + "_DATA/2DGFX/chaser.dll");
    ASSERT_EQ(::mkfifo((dir + "_DATA/2DGFX/chaser.dll").c_str(), 0644), 0);
    const support::RunResult r =
        support::runCommand(shellQuote(TARN_BINARY) + " --headless --passes 3", dir, 20);
    EXPECT_FALSE(r.timedOut) << "tarn waited on the FIFO";
    EXPECT_EQ(r.code, 0) << r.err;
}

TEST(HostileContent, PublishWorldKeepsToTheWorld) {
    const support::TempFolder t("publish_hostile");
    const std::string world = t.path() + "w/";
    const std::string ini =
        "CODECS\r\nCORE/codec.txt\r\nGFX\r\ngfx/\r\nSIMCORE\r\nmaps/\r\nHELLO\r\nhi.txt\r\n";
    writeFile(world + "CORE/ini.crc", ini);
    writeFile(world + "CORE/codec.txt", "GFXCODEC\r\n;\r\n.png\r\n;\r\n");
    const std::string wall = readFile(std::string(DEMO_FOLDER) + "_DATA/2DGFX/wall.png");
    writeFile(world + "gfx/wall.png", wall);
    writeFile(world + "maps/3/0", "0\r\n0\r\nENGINETILEINFOEND\r\n");
    const auto publish = [&](const std::string& from, const std::string& to) {
        const support::RunResult r = support::runCommand(
            shellQuote(PUBLISH_BINARY) + " " + shellQuote(from) + " " + shellQuote(to), "", 20);
        EXPECT_FALSE(r.timedOut);
        return r;
    };

    // The world itself as the output: refused, its pictures are not re-keyed in place.
    support::RunResult r = publish(world, world);
    EXPECT_EQ(r.code, 1) << r.out << r.err;
    EXPECT_EQ(readFile(world + "gfx/wall.png"), wall);
    // A folder inside the world: refused before anything is copied into it.
    r = publish(world, world + "gfx/site/");
    EXPECT_EQ(r.code, 1) << r.out << r.err;
    EXPECT_FALSE(fs::exists(world + "gfx/site"));

    // A world whose configuration, links and files lead outside it, with a link circle and a FIFO.
    writeFile(world + "CORE/ini.crc", ini + "SOUNDPATH\r\n../outside/\r\nANIMSYSTEM\r\nCORE/fifo/\r\n");
    writeFile(t.path() + "outside/private.ogg", "private");
    writeFile(t.path() + "secret.png", wall);
    fs::create_symlink(t.path() + "secret.png", world + "gfx/leak.png");
    fs::create_symlink("circle.png", world + "gfx/circle.png");
    ASSERT_EQ(::mkfifo((world + "gfx/pipe.dll").c_str(), 0644), 0);
    fs::create_directories(world + "CORE/fifo");
    ASSERT_EQ(::mkfifo((world + "CORE/fifo/x.txt").c_str(), 0644), 0);
    const std::string site = t.path() + "pub/site/";
    r = publish(world, site);
    EXPECT_EQ(r.code, 1) << r.out << r.err; // reported, not aborted
    EXPECT_TRUE(fs::exists(site + "gfx/wall.png")) << r.err;
    EXPECT_FALSE(fs::exists(site + "gfx/leak.png"));
    EXPECT_FALSE(fs::exists(t.path() + "pub/outside")) << "SOUNDPATH '..' wrote outside the output";
    EXPECT_NE(r.err.find("SOUNDPATH"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("leak.png"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("circle.png"), std::string::npos) << r.err;

    // A configuration file that links out of the world: nothing is published (a page would carry
    // its pairs in the player's copy).
    writeFile(t.path() + "private.crc", ini + "KEY\r\nprivate\r\n");
    fs::rename(world + "CORE/ini.crc", t.path() + "kept.crc");
    fs::create_symlink(t.path() + "private.crc", world + "CORE/ini.crc");
    r = support::runCommand(shellQuote(PUBLISH_BINARY) + " --web --engine " + shellQuote(t.path()) + " " +
                                shellQuote(world) + " " + shellQuote(t.path() + "pub/linked/"),
                            "", 20);
    EXPECT_EQ(r.code, 1) << r.out << r.err;
    EXPECT_FALSE(fs::exists(t.path() + "pub/linked/player/CORE/ini.crc")) << r.err;
    fs::remove(world + "CORE/ini.crc");
    fs::rename(t.path() + "kept.crc", world + "CORE/ini.crc");

    // A FIFO as the codec file is not waited on.
    fs::remove(world + "CORE/codec.txt");
    ASSERT_EQ(::mkfifo((world + "CORE/codec.txt").c_str(), 0644), 0);
    r = publish(world, t.path() + "pub/second/");
    EXPECT_EQ(r.code, 1) << r.out << r.err;
}
