// Undo and redo through snapshot files, and saves and loads that never lose work: each case ends
// with the old data intact and the problem shown.
#include "Harness.h"

#include "builder/MapEditing.h"
#include "builder/MapFiles.h"
#include "builder/UndoSnapshots.h"
#include "platform/Keys.h"

using namespace tarntest;
namespace key = plat::key;

namespace {

struct Editor : Harness {
    explicit Editor(int maxTiles = 100) {
        screen.push_back({"MAXTILES", std::to_string(maxTiles)});
        addKind("wall", 32, 16);
        EXPECT_TRUE(start());
        b.edit.rasterMode = tarn::kRasterOff;
    }
    // A click of `button` (1 left, 2 right) at (x, y) in the main window.
    void click(int button, int x, int y) {
        in().setMouse(x, y);
        in().setMouseButton(button, true);
        mainEvent();
        in().setMouseButton(button, false);
        mainEvent();
    }
    void tap(int scanCode) {
        in().press(scanCode);
        in().release(scanCode);
        mainEvent();
    }
    // The map as "x,y,layer" of every present tile, in index order.
    std::string map() const {
        std::string s;
        for (int i = 0; i <= b.map.lastObject; ++i) {
            const auto& o = b.map.objects[static_cast<std::size_t>(i)];
            if (o.present != 0)
                s += std::to_string(static_cast<int>(o.x)) + "," + std::to_string(static_cast<int>(o.y)) +
                     "," + std::to_string(o.layer) + " ";
        }
        return s;
    }
    std::string lastBox() {
        const auto& boxes = tp.dialogs().boxes();
        return boxes.empty() ? std::string() : boxes.back().text;
    }
};

} // namespace

TEST(Undo, PlacementsDeleteUndoUndoRedoWalkTheSnapshots) {
    Editor e;
    EXPECT_TRUE(fs::exists(tarn::snapshotPath(e.b, 0)));
    e.click(1, 10, 10);
    e.click(1, 100, 10);
    e.click(1, 200, 10);
    const std::string three = "10,10,1 100,10,1 200,10,1 ";
    EXPECT_EQ(e.map(), three);
    e.click(2, 105, 12); // deletes the middle tile
    const std::string deleted = "10,10,1 200,10,1 ";
    EXPECT_EQ(e.map(), deleted);
    for (int n = 0; n <= 4; ++n) EXPECT_TRUE(fs::exists(tarn::snapshotPath(e.b, n))) << n;

    e.tap(key::U);
    EXPECT_EQ(e.map(), three); // the deleted tile is back
    e.tap(key::U);
    EXPECT_EQ(e.map(), "10,10,1 100,10,1 ");
    e.tap(key::R);
    EXPECT_EQ(e.map(), three);
    e.tap(key::R);
    EXPECT_EQ(e.map(), deleted);
    e.tap(key::R); // nothing above the newest snapshot
    EXPECT_EQ(e.map(), deleted);
    EXPECT_EQ(e.b.edit.notice, "Nothing to redo");

    // A change after two U's drops the two snapshots above it.
    e.tap(key::U);
    e.tap(key::U);
    e.click(1, 300, 300);
    EXPECT_EQ(e.map(), "10,10,1 100,10,1 300,300,1 ");
    EXPECT_TRUE(fs::exists(tarn::snapshotPath(e.b, 3)));
    EXPECT_FALSE(fs::exists(tarn::snapshotPath(e.b, 4)));
    e.tap(key::R);
    EXPECT_EQ(e.map(), "10,10,1 100,10,1 300,300,1 ");

    // A snapshot that is gone leaves the map as it is and says so.
    fs::remove(tarn::snapshotPath(e.b, 2));
    e.tap(key::U);
    EXPECT_EQ(e.map(), "10,10,1 100,10,1 300,300,1 ");
    EXPECT_NE(e.b.edit.notice.find("UNDO_2"), std::string::npos);
    // Back to the start map (empty) in three steps once the file is there again.
    ASSERT_TRUE(tarn::writeMapOld(e.b, tarn::snapshotPath(e.b, 2)));
    for (int i = 0; i < 3; ++i) e.tap(key::U);
    EXPECT_EQ(e.map(), "");
    e.tap(key::U);
    EXPECT_EQ(e.b.edit.notice, "Nothing to undo");
}

TEST(Undo, ANewRunStartsAFreshSetAndOldSnapshotsAreBounded) {
    Editor e(1000);
    writeText(e.dir + "USER/UNDO_57", "0\r\n0\r\nENGINETILEINFOEND\r\n");
    writeText(e.dir + "USER/UNDO_notes", "kept");
    ASSERT_TRUE(e.start());
    EXPECT_TRUE(fs::exists(e.dir + "USER/UNDO_57")); // nothing of an earlier run is removed unasked
    EXPECT_TRUE(fs::exists(e.dir + "USER/UNDO_notes"));
    for (int i = 0; i < tarn::kSnapshotsKept + 5; ++i) {
        ASSERT_TRUE(tarn::placeTile(e.b));
        tarn::recordChange(e.b);
    }
    EXPECT_FALSE(fs::exists(tarn::snapshotPath(e.b, 5)));
    EXPECT_TRUE(fs::exists(tarn::snapshotPath(e.b, 6)));
    // U stops at the oldest snapshot kept.
    for (int i = 0; i < tarn::kSnapshotsKept + 5; ++i) tarn::undo(e.b);
    EXPECT_EQ(e.b.map.lastObject, 5);
}

// On a large map the snapshot of one placement or deletion holds that tile, not the map, and undo
// and redo through such snapshots give the map back exactly (the deletion took the topmost tile).
TEST(Undo, SnapshotOfOneChangeDoesNotGrowWithTheMap) {
    Editor e(5000);
    for (int i = 0; i < 3000; ++i) {
        e.b.edit.cursorX = (i * 37) % 900;
        e.b.edit.cursorY = (i * 53) % 700;
        ASSERT_TRUE(tarn::placeTile(e.b));
    }
    e.b.edit.cursorX = 100;
    e.b.edit.cursorY = 100;
    ASSERT_TRUE(tarn::placeTile(e.b)); // two tiles alike at (100, 100), the second on top
    ASSERT_TRUE(tarn::placeTile(e.b));
    tarn::recordChange(e.b); // a whole-map snapshot: the map changed without one
    const std::string start = e.map();
    e.click(1, 400, 300);
    const std::string placed = e.map();
    e.click(2, 101, 101);
    const std::string deleted = e.map();
    ASSERT_NE(placed, start);
    ASSERT_NE(deleted, placed);
    EXPECT_LT(fs::file_size(tarn::snapshotPath(e.b, e.b.edit.undoPosition)), 200u);
    EXPECT_LT(fs::file_size(tarn::snapshotPath(e.b, e.b.edit.undoPosition - 1)), 200u);
    e.tap(key::U);
    EXPECT_EQ(e.map(), placed);
    e.tap(key::U);
    EXPECT_EQ(e.map(), start);
    e.tap(key::R);
    e.tap(key::R);
    EXPECT_EQ(e.map(), deleted);
}

TEST(MapFolderSave, RemovesOnlyStaleSegmentsAndReportsEveryFailure) {
    Editor e;
    e.addKind("door", 8, 8);
    ASSERT_TRUE(e.start());
    const std::string folder = e.dir + "MAPS/3/";
    // An earlier save of a four-layer map, the user's file 42 and a start map "1" of several layers.
    e.b.edit.currentLayer = 3;
    ASSERT_TRUE(tarn::placeTile(e.b));
    ASSERT_TRUE(tarn::saveMapFolder(e.b, folder).ok);
    for (const char* f : {"0", "1", "2", "3", "_", "_DATA/2DGFX/wall.bmp", "_DATA/2DGFX/wall.dll"})
        EXPECT_TRUE(fs::exists(folder + f)) << f;
    const std::string startMap = "0\r\n0\r\nTILE\r\nwall\r\n0\r\n1\r\n1\r\n5\r\n5\r\n0\r\n"
                                 "TILE\r\nwall\r\n0\r\n2\r\n2\r\n5\r\n5\r\n1\r\nENGINETILEINFOEND\r\n";
    writeText(folder + "1", startMap);
    writeText(folder + "42", "my notes");

    tarn::newMap(e.b);
    e.b.map.maxUsedLayer = 0;
    e.b.edit.currentLayer = 0;
    e.b.tiles.currentKind = tarn::findKind(e.b, "door");
    ASSERT_TRUE(tarn::placeTile(e.b));
    fs::remove(e.dir + "_DATA/2DGFX/door.dll"); // the kind's DNA file went away since the start
    e.b.map.objects[0].layer = 300;             // and one tile sits where no segment can hold it
    ASSERT_TRUE(tarn::placeTile(e.b));
    const tarn::MapFileResult r = tarn::saveMapFolder(e.b, folder);
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.message.find("door.dll"), std::string::npos) << r.message;
    EXPECT_NE(r.message.find("layer 300"), std::string::npos) << r.message;
    EXPECT_FALSE(fs::exists(folder + "2"));
    EXPECT_FALSE(fs::exists(folder + "3"));
    EXPECT_EQ(readText(folder + "1"), startMap);
    EXPECT_EQ(readText(folder + "42"), "my notes");
    EXPECT_TRUE(fs::exists(folder + "_DATA/2DGFX/door.bmp"));

    // Loading the folder back (the tile folder reloaded) keeps "door" as the current tile kind.
    writeDna(e.dir + "_DATA/2DGFX/door.dll", {{"hp", "1"}});
    ASSERT_EQ(e.b.tiles.kinds[static_cast<std::size_t>(e.b.tiles.currentKind)].fileName, "door");
    const tarn::MapFileResult back = tarn::loadMapFolder(e.b, folder);
    EXPECT_NE(back.message.find("42 is not a map segment"), std::string::npos) << back.message;
    EXPECT_EQ(e.b.tiles.kinds[static_cast<std::size_t>(e.b.tiles.currentKind)].fileName, "door");

    // The working folder (it holds _DATA/ini.txt) loses nothing, not even a stale-looking segment.
    writeText(e.dir + "5", "0\r\n0\r\nENGINETILEINFOEND\r\n");
    e.b.map.objects[0].layer = 0;
    tarn::saveMapFolder(e.b, e.dir);
    EXPECT_TRUE(fs::exists(e.dir + "5"));
}

TEST(MapLoads, FailuresKeepTheMapAndSayWhy) {
    Editor e(3);
    e.click(1, 40, 40);
    const std::string before = e.map();

    // Redraw MAP when "1" cannot be written (a folder of that name).
    fs::create_directories(e.dir + "1");
    tarn::dispatchMenuItem(e.b, 115);
    EXPECT_EQ(e.map(), before);
    EXPECT_NE(e.lastBox().find("could not write 1"), std::string::npos) << e.lastBox();
    fs::remove(e.dir + "1");

    // A folder with no segment and a file that is not a map.
    fs::create_directories(e.dir + "empty");
    e.tp.dialogs().queueAnswer(true); // drop the unsaved changes? yes
    e.tp.dialogs().queueFolder(e.dir + "empty/");
    tarn::dispatchMenuItem(e.b, 129);
    EXPECT_EQ(e.map(), before);
    EXPECT_NE(e.lastBox().find("no map segment"), std::string::npos) << e.lastBox();
    writeText(e.dir + "notes.txt", "hello\r\nworld\r\n");
    EXPECT_FALSE(tarn::loadMapFile(e.b, e.dir + "notes.txt").ok);
    writeText(e.dir + "numbers.txt", "0\r\n0\r\nhello\r\n"); // numbers, but then no record
    EXPECT_FALSE(tarn::loadMapFile(e.b, e.dir + "numbers.txt").ok);
    EXPECT_EQ(e.map(), before);
    // The same map written as one file loads back as it was.
    ASSERT_TRUE(tarn::writeMapOld(e.b, e.dir + "one.map"));
    EXPECT_TRUE(tarn::loadMapFile(e.b, e.dir + "one.map").ok);
    EXPECT_EQ(e.map(), before);

    // Unsaved changes: a load asks first, and "no" keeps the map.
    ASSERT_TRUE(tarn::saveMapFolder(e.b, e.dir + "MAPS/1/").ok);
    e.click(1, 80, 80);
    const std::string changed = e.map();
    e.tp.dialogs().queueFolder(e.dir + "MAPS/1/");
    e.tp.dialogs().queueAnswer(false);
    tarn::dispatchMenuItem(e.b, 129);
    EXPECT_EQ(e.map(), changed);
    EXPECT_NE(e.lastBox().find("not saved"), std::string::npos);

    // A map file with more tiles than MAXTILES (3): the cut is reported, and Redraw MAP does not
    // write the cut map over the file.
    std::string big = "0\r\n0\r\n";
    for (int i = 0; i < 6; ++i)
        big += "TILE\r\nwall\r\n0\r\n" + std::to_string(i) + "\r\n0\r\n32\r\n16\r\n1\r\n";
    big += "ENGINETILEINFOEND\r\n";
    writeText(e.dir + "1", big);
    EXPECT_TRUE(tarn::loadMapOld(e.b, "1"));
    EXPECT_EQ(e.b.map.lastObject, 3);
    EXPECT_NE(e.lastBox().find("2 tiles lie beyond MAXTILES"), std::string::npos) << e.lastBox();
    tarn::dispatchMenuItem(e.b, 115);
    EXPECT_EQ(readText(e.dir + "1"), big);
    EXPECT_NE(e.lastBox().find("writing it would cut it"), std::string::npos) << e.lastBox();
}
