// Live reload's change detection: every file a map is loaded from counts, others do not.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "makers/MapWatch.h"
#include "platform/headless/OffscreenPlatform.h"
#include "tests/makers/ConfiguredWorld.h"
#include "tests/support/Images.h"
#include "tests/support/TempFolder.h"
#include "tests/support/WorldFiles.h"

namespace fs = std::filesystem;

// A save from tarn's DNA window (the shared DNA file of a kind the map holds), a picture redrawn
// in the shared folder, a new kind in the map's kinds folder, a segment: each is a change of the
// map. A file of a kind the map does not hold is not.
TEST(MapWatch, SeesEveryFileTheMapIsLoadedFrom) {
    support::TempFolder t("map_watch");
    const std::string w = t.path();
    support::writeWorldWithMap(w);
    support::writeBmp(w + "_DATA/2DGFX/other.bmp", 4, 4, 1, 2, 3);
    plat::headless::OffscreenPlatform platform;
    const auto e = support::configuredWorld(platform, w);
    std::string state = makers::mapState(*e, 0);
    auto changed = [&] {
        const std::string now = makers::mapState(*e, 0);
        const bool differs = now != state;
        state = now;
        return differs;
    };
    support::writeFile(w + "_DATA/2DGFX/other.dll", "worldFTileVELO\r\n3\r\n");
    EXPECT_FALSE(changed());
    support::writeFile(w + "_DATA/2DGFX/wall.dll", "worldFTileVELO\r\n3\r\n");
    EXPECT_TRUE(changed()) << "a kind's DNA saved";
    support::writeBmp(w + "_DATA/2DGFX/grass.bmp", 16, 17, 1, 2, 3);
    EXPECT_TRUE(changed()) << "a kind's picture redrawn";
    support::writeBmp(w + "MAPS/0/_DATA/2DGFX/other.bmp", 4, 4, 1, 2, 3);
    EXPECT_TRUE(changed()) << "a kind added to the map";
    support::writeFile(w + "MAPS/0/1", "0\r\n0\r\nENGINETILEINFOEND\r\n");
    EXPECT_TRUE(changed()) << "a segment added";
    EXPECT_FALSE(changed());
}
