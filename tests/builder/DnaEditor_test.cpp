// The DNA editor: entries from the default DNA file, a tile's DNA laid over them by key, SET_DNA
// and KILL_DNA through the DNA window's gadgets, and the failures that must keep the old file.
#include "Harness.h"

#include "builder/DnaWindow.h"
#include "platform/Keys.h"
#include <csignal>
#include <sys/resource.h>

using namespace tarntest;

namespace {

// While alive, this process cannot write files beyond `bytes` (holds for root too); the write
// fails as on a full disk.
struct FileSizeLimit {
    rlimit old{};
    void (*oldHandler)(int) = nullptr;
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &old);
        oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit now = old;
        now.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &now);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, oldHandler);
    }
};

const std::string kComments = ";a\r\n;b\r\n;c\r\n;d\r\n;e\r\n;f\r\n;g\r\n;h\r\n";

struct DnaEditor : Harness {
    std::string tileFile;
    DnaEditor() {
        writeText(dir + "_DATA/DNA.dll", "worldFTileRotate\r\n0\r\nworldFTileGravity\r\n0\r\nhp\r\n1\r\n"
                                         "worldFTileTransparency\r\n255\r\n" +
                                             kComments);
        addKind("wall", 32, 16);
        tileFile = dir + "_DATA/2DGFX/wall.dll";
        // Keys in another order, hp missing, a key of its own whose value holds ";".
        writeText(tileFile,
                  "worldFTileGravity\r\n9.5\r\nmyKey\r\nx;y\r\nworldFTileRotate\r\n2\r\n" + kComments);
        EXPECT_TRUE(start());
    }
    void gadget(int n) {
        event(tarn::kEventGadget, tarn::kDnaWindow, n);
        run(1);
    }
    std::string fields() const {
        std::string s;
        for (const auto& f : b.edit.dnaFields) s += f.key + "=" + f.value + (f.fromTile ? "*" : "") + " ";
        return s;
    }
};

} // namespace

TEST(DnaEditor, TileKeysAreLaidOverTheDefaultsByKeyAndSurviveASave) {
    DnaEditor d;
    const std::string original = readText(d.tileFile);
    EXPECT_EQ(d.fields(), "worldFTileRotate=0 worldFTileGravity=0 hp=1 worldFTileTransparency=255 ");

    // SET_DNA before a kind was selected writes nothing.
    d.gadget(100);
    EXPECT_EQ(readText(d.tileFile), original);

    // Selecting the kind in the tile window (its cell is at (0, 0)) fills the window.
    d.event(tarn::kEventLeftButtonDown, tarn::kTileWindow, 0, 10, 10);
    d.run(1);
    EXPECT_EQ(d.win.title(tarn::kDnaWindow), "DNA for Tile: " + d.dir + "_DATA/2DGFX/wall File:wall");
    EXPECT_EQ(d.fields(),
              "worldFTileRotate=2* worldFTileGravity=9.5* hp=1 worldFTileTransparency=255 myKey=x;y* ");
    EXPECT_FALSE(d.b.edit.dnaFields[0].help.empty());

    d.b.edit.dnaFields[1].value = "3";
    d.gadget(100);
    EXPECT_TRUE(readText(d.tileFile)
                    .starts_with("worldFTileRotate\r\n2\r\nworldFTileGravity\r\n3\r\nhp\r\n1\r\n"
                                 "worldFTileTransparency\r\n255\r\nmyKey\r\nx;y\r\n;"))
        << readText(d.tileFile);
    EXPECT_FLOAT_EQ(d.b.tiles.kinds[0].dna->worldFTileGravity, 3.0f);
    EXPECT_EQ(d.b.tiles.kinds[0].dna->hp, 1);

    // KILL_DNA (menu 109) shows the defaults; the file changes only with the next SET_DNA (menu 110).
    d.event(tarn::kEventMenu, tarn::kDnaWindow, 109);
    d.run(1);
    EXPECT_EQ(d.fields(), "worldFTileRotate=0 worldFTileGravity=0 hp=1 worldFTileTransparency=255 ");
    EXPECT_NE(readText(d.tileFile).find("myKey"), std::string::npos);
    d.event(tarn::kEventMenu, tarn::kDnaWindow, 110);
    d.run(1);
    EXPECT_EQ(readText(d.tileFile).find("myKey"), std::string::npos);
    EXPECT_FLOAT_EQ(d.b.tiles.kinds[0].dna->worldFTileGravity, 0.0f);
}

TEST(DnaEditor, UnwritableFileGivesMessage124AndKeepsTheOldFile) {
    DnaEditor d;
    d.event(tarn::kEventLeftButtonDown, tarn::kTileWindow, 0, 10, 10);
    d.run(1);
    const std::string original = readText(d.tileFile);
    {
        FileSizeLimit limit(16);
        d.gadget(100);
    }
    EXPECT_EQ(readText(d.tileFile), original);
    ASSERT_FALSE(d.tp.dialogs().boxes().empty());
    EXPECT_EQ(d.tp.dialogs().boxes().back().text, "Sorry! Could not save DNA?!?");
}

TEST(DnaEditor, MissingDefaultFileGivesMessage119AndPlaceholdersThatAreNeverSaved) {
    DnaEditor d;
    fs::remove(d.dir + "_DATA/DNA.dll");
    ASSERT_TRUE(d.start());
    ASSERT_FALSE(d.tp.dialogs().boxes().empty());
    EXPECT_NE(d.tp.dialogs().boxes().back().text.find("did not find default DNA"), std::string::npos);
    EXPECT_EQ(d.b.edit.dnaFields.size(), 97u);
    // The tile's own keys take placeholder entries; saving writes exactly them.
    d.event(tarn::kEventLeftButtonDown, tarn::kTileWindow, 0, 10, 10);
    d.gadget(100);
    const std::string saved = readText(d.tileFile);
    EXPECT_TRUE(saved.starts_with("worldFTileGravity\r\n9.5\r\nmyKey\r\nx;y\r\nworldFTileRotate\r\n2\r\n;"))
        << saved;
    EXPECT_EQ(std::count(saved.begin(), saved.end(), '\n'), 6 + 8);
    EXPECT_EQ(readText(d.tileFile).find("_FAIL"), std::string::npos);
}

// SET_DNA after KILL_DNA asks before the defaults replace the kind's DNA (no keeps the file), and a
// DNA save is undone with U and made again with R like a map change.
TEST(DnaEditor, SetAfterKillAsksAndDnaSavesUndoAndRedo) {
    DnaEditor d;
    d.event(tarn::kEventLeftButtonDown, tarn::kTileWindow, 0, 10, 10);
    d.run(1);
    const std::string original = readText(d.tileFile);
    d.gadget(101);
    d.tp.dialogs().queueAnswer(false);
    d.gadget(100);
    EXPECT_EQ(readText(d.tileFile), original);
    ASSERT_FALSE(d.tp.dialogs().boxes().empty());
    EXPECT_NE(d.tp.dialogs().boxes().back().text.find("KILL_DNA"), std::string::npos);

    d.event(tarn::kEventLeftButtonDown, tarn::kTileWindow, 0, 10, 10); // a fresh selection asks nothing
    d.run(1);
    const std::size_t boxes = d.tp.dialogs().boxes().size();
    d.b.edit.dnaFields[1].value = "3";
    d.gadget(100);
    EXPECT_EQ(d.tp.dialogs().boxes().size(), boxes);
    const std::string changed = readText(d.tileFile);
    ASSERT_NE(changed, original);
    EXPECT_FLOAT_EQ(d.b.tiles.kinds[0].dna->worldFTileGravity, 3.0f);

    auto tap = [&d](int scanCode) {
        d.in().press(scanCode);
        d.in().release(scanCode);
        d.mainEvent();
    };
    tap(plat::key::U);
    EXPECT_EQ(readText(d.tileFile), original);
    EXPECT_FLOAT_EQ(d.b.tiles.kinds[0].dna->worldFTileGravity, 9.5f);
    EXPECT_EQ(d.fields(),
              "worldFTileRotate=2* worldFTileGravity=9.5* hp=1 worldFTileTransparency=255 myKey=x;y* ");
    tap(plat::key::R);
    EXPECT_EQ(readText(d.tileFile), changed);
    EXPECT_FLOAT_EQ(d.b.tiles.kinds[0].dna->worldFTileGravity, 3.0f);
}
