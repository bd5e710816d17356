// Scripted input files of headless runs and the JSON dump.
#include <gtest/gtest.h>

#include "EngineTestKit.h"
#include "engine/Dump.h"
#include "engine/InputScript.h"
#include "platform/Keys.h"

using namespace engine;

using kit::Harness;
using kit::TempDir;

TEST(InputScript, ParsesEveryEventKindAndSortsByPass) {
    InputScript s;
    std::string err;
    ASSERT_TRUE(s.parse("# a comment\r\n"
                        "5 1 down\n"
                        "\n"
                        "2 key 56 up\n"
                        "3 mouse 10 -20\n"
                        "3 mousebutton 2 down\n"
                        "4 wheel -3\n"
                        "4 joystick -1 1\n"
                        "4 joybutton 10 down\n"
                        "9 quit\n",
                        err))
        << err;
    const auto& ev = s.events();
    ASSERT_EQ(ev.size(), 8u);
    EXPECT_EQ(ev[0].pass, 2);
    EXPECT_EQ(ev[0].kind, InputEvent::Kind::Key);
    EXPECT_EQ(ev[0].a, 56);
    EXPECT_FALSE(ev[0].down);
    EXPECT_EQ(ev[1].kind, InputEvent::Kind::Mouse);
    EXPECT_EQ(ev[1].b, -20);
    EXPECT_EQ(ev[2].kind, InputEvent::Kind::MouseButton); // same pass: file order
    EXPECT_EQ(ev[6].kind, InputEvent::Kind::Key);
    EXPECT_EQ(ev[6].pass, 5);
    EXPECT_EQ(ev[7].kind, InputEvent::Kind::Quit);
}

TEST(InputScript, RejectsBadLinesWithTheLineNumber) {
    const char* bad[] = {"x 1 down",
                         "1 1 sideways",
                         "1 300 down",
                         "-1 1 down",
                         "1 mouse 5",
                         "1 joystick 2 0",
                         "1 joybutton 0 down",
                         "1 dance",
                         "1 quit now",
                         "1 1 down extra",
                         "99999999999999999999 1 down"};
    for (const char* line : bad) {
        InputScript s;
        std::string err;
        EXPECT_FALSE(s.parse(std::string("1 1 down\n") + line + "\n", err)) << line;
        EXPECT_EQ(err.rfind("line 2: ", 0), 0u) << err;
        EXPECT_TRUE(s.events().empty());
    }
}

TEST(InputScript, DrivesTheMainLoopPassByPass) {
    TempDir dir;
    kit::writeWorld(dir, {{"APPENTRY", "4"}});
    Harness h;
    InputScript s;
    std::string err;
    // Alt+Ctrl+PageUp on pass 2 (PageUp released on pass 3, the others on 4), then Escape + left
    // Alt on pass 5.
    ASSERT_TRUE(s.parse("2 56 down\n2 29 down\n2 201 down\n3 201 up\n4 56 up\n4 29 up\n"
                        "5 1 down\n5 56 down\n",
                        err));
    h.e->beforePass = [&](std::int64_t pass) { s.applyUpTo(h.tp.input(), pass); };
    h.e->run.options.frames = 50; // a safety net: the script ends the loop long before
    ASSERT_TRUE(h.start(dir.path()));
    int passes = 0;
    while (h.pass()) ++passes;
    EXPECT_EQ(passes, 5); // the loop ends at the start of pass 6
    EXPECT_EQ(h.e->nextMapId, 5);
}

TEST(InputScript, TarnSpellingsDriveTheInputLikeBiosims) {
    // The same presses in tarn's words reach the scripted input as biosim's words do; tarn's menu,
    // gadget, close and answer lines are read and skipped.
    const char* biosim = "1 57 down\n1 mouse 30 40\n1 mousebutton 2 down\n2 57 up\n2 wheel 2\n";
    const char* tarn = "1 keydown 57\n1 move 30 40\n1 press right\n1 menu 106\n2 keyup 57\n2 wheel 2\n"
                       "2 gadget 100\n2 close 102\n2 answer MAPS/\n";
    auto run = [](const char* text) {
        InputScript s;
        std::string err;
        EXPECT_TRUE(s.parse(text, err)) << err;
        plat::test::TestInput in;
        std::vector<int> seen;
        for (std::int64_t pass = 1; pass <= 2; ++pass) {
            s.applyUpTo(in, pass);
            in.examineKeyboard();
            in.examineMouse();
            seen.insert(seen.end(), {in.keyHeld(57), in.keyReleased(57), in.mouseX(), in.mouseY(),
                                     in.mouseButton(2), in.mouseWheel()});
        }
        return seen;
    };
    EXPECT_EQ(run(tarn), run(biosim));
    EXPECT_EQ(run(biosim), (std::vector<int>{1, 0, 30, 40, 1, 0, 0, 1, 30, 40, 1, 2}));
}

TEST(Dump, GlobalsTilesAndLiveObjectFieldsUnderTheirNames) {
    TempDir dir;
    kit::writeWorld(dir);
    Harness h;
    ASSERT_TRUE(h.start(dir.path()));
    Biosim& e = *h.e;
    e.kinds.tileNames = {"wa\"ll", ""};
    e.objectTable[0].Sprite = h.gfx().createDrawable(h.gfx().grabSprite(0, 0, 2, 2, 4));
    e.objectTable[0].ObjectFile = "wall";
    e.objectTable[0].MapX = 12.5f;
    e.level.objectCount = 0;
    e.actualMapId = 0;
    e.level.liveObjects = 1;
    e.collisionList[0] = 0;
    e.collisionList[1] = 0;
    e.level.collisionEntries = 1;
    const std::string j = dumpJson(e);
    EXPECT_NE(j.find("\"collisionList\":[0]"), std::string::npos);
    EXPECT_NE(j.find("\"actualMapId\":0"), std::string::npos);
    EXPECT_NE(j.find("\"scalerX\":"), std::string::npos);
    EXPECT_NE(j.find("\"MAXOBJECTS\":50"), std::string::npos);
    EXPECT_NE(j.find("\"name\":\"wa\\\"ll\""), std::string::npos);
    EXPECT_NE(j.find("\"ObjectFile\":\"wall\""), std::string::npos);
    EXPECT_NE(j.find("\"MapX\":12.5"), std::string::npos);
    EXPECT_NE(j.find("\"worldFTileSoundType\":\"\""), std::string::npos);
    EXPECT_EQ(j.find("nan"), std::string::npos);

    // After a load that created no object, index 0 is not a live object.
    e.level.liveObjects = 0;
    EXPECT_NE(dumpJson(e).find("\"objects\":[]"), std::string::npos);
    ASSERT_TRUE(writeDump(e, dir.path() + "out.json"));
    EXPECT_FALSE(writeDump(e, dir.path() + "no/such/folder/out.json"));
}
