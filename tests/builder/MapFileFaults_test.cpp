// tarn's single-file map save and load against faults that hold for root: a save that runs out of
// space or whose folder is a regular file reports it, keeps the old file and leaves the map marked
// as changed; a load that fails keeps the map in the editor.
#include "Harness.h"

#include "builder/MapEditing.h"
#include "builder/MapFiles.h"
#include "tests/support/FileFaults.h"

using namespace tarntest;

TEST(MapFileFaults, FailedSaveKeepsTheOldFileAndTheChangedMark) {
    Harness h;
    h.addKind("wall", 32, 32);
    ASSERT_TRUE(h.start());
    tarn::newMap(h.b);
    for (int i = 0; i < 60; ++i) {
        h.b.edit.cursorX = 40 * i;
        h.b.edit.cursorY = 8 * i;
        ASSERT_TRUE(tarn::placeTile(h.b));
    }
    h.b.mapFile.modified = true; // as after any edit
    const std::string path = h.dir + "map.txt";
    writeText(path, "old map");
    {
        support::FileSizeLimit limit(256);
        const tarn::MapFileResult r = tarn::saveMapFile(h.b, path);
        EXPECT_FALSE(r.ok);
        EXPECT_NE(r.message, "");
    }
    EXPECT_EQ(readText(path), "old map");
    EXPECT_TRUE(h.b.mapFile.modified) << "a failed save leaves the map marked as changed";
    const tarn::MapFileResult blocked = tarn::saveMapFile(h.b, path + "/inside");
    EXPECT_FALSE(blocked.ok);
    EXPECT_NE(blocked.message.find(path + "/inside"), std::string::npos) << blocked.message;

    const tarn::MapFileResult saved = tarn::saveMapFile(h.b, path);
    ASSERT_TRUE(saved.ok) << saved.message;
    EXPECT_FALSE(h.b.mapFile.modified);

    // A load that fails keeps the map in the editor.
    const int last = h.b.map.lastObject;
    const tarn::MapFileResult missing = tarn::loadMapFile(h.b, h.dir + "no such map");
    EXPECT_NE(missing.message, "");
    EXPECT_EQ(h.b.map.lastObject, last);
    const tarn::MapFileResult back = tarn::loadMapFile(h.b, path);
    EXPECT_EQ(back.message, "");
    EXPECT_EQ(h.b.map.lastObject, last);
}
