// The one input-script language: its two spellings of the same events read alike, under biosim's
// rules and tarn's, and a script mixing both spellings is read by both.
#include <gtest/gtest.h>

#include <tuple>

#include "platform/headless/InputScriptReader.h"

using plat::headless::ScriptEvent;
using plat::headless::ScriptRules;

namespace {

using Fields = std::tuple<std::int64_t, ScriptEvent::Kind, int, int, bool, std::string>;

std::vector<Fields> read(const std::string& text, const ScriptRules& rules) {
    std::vector<ScriptEvent> events;
    std::string error;
    EXPECT_TRUE(plat::headless::readInputScript(text, rules, events, error)) << error << "\n" << text;
    std::vector<Fields> out;
    for (const ScriptEvent& e : events) out.emplace_back(e.pass, e.kind, e.a, e.b, e.down, e.text);
    return out;
}

} // namespace

TEST(InputScriptReader, BothSpellingsGiveTheSameEventsToBothPrograms) {
    // The same input, spelled as biosim's scripts and as tarn's have always spelled it.
    const std::string gameSpelling = "3 56 down\n"
                                     "2 mouse 40 -7\n"
                                     "3 mousebutton 2 down\n"
                                     "4 key 56 up\n"
                                     "4 mousebutton 3 up\n"
                                     "5 wheel -2\n";
    const std::string editorSpelling = "3 keydown 56\n"
                                       "2 move 40 -7\n"
                                       "3 press right\n"
                                       "4 keyup 56\n"
                                       "4 release middle\n"
                                       "5 wheel -2\n";
    for (const ScriptRules* rules :
         {&plat::headless::kGameScriptRules, &plat::headless::kEditorScriptRules}) {
        const std::vector<Fields> game = read(gameSpelling, *rules);
        EXPECT_EQ(game, read(editorSpelling, *rules));
        ASSERT_EQ(game.size(), 6u);
        EXPECT_EQ(game[0], Fields(2, ScriptEvent::Kind::Mouse, 40, -7, false, ""));
        EXPECT_EQ(game[1], Fields(3, ScriptEvent::Kind::Key, 56, 0, true, ""));
        EXPECT_EQ(game[2], Fields(3, ScriptEvent::Kind::MouseButton, 2, 0, true, ""));
        EXPECT_EQ(game[4], Fields(4, ScriptEvent::Kind::MouseButton, 3, 0, false, ""));
    }

    // A script of every spelling, both programs' words mixed: both read it whole, to the same events.
    const std::string mixed =
        "# either program's words\n"
        "1 1 down\n1 key 1 up\n1 keydown 200\n1 keyup 200\n1 key 46\n"
        "1 mouse 5 6\n1 move 7 8\n1 mousebutton 1 down\n1 press left\n1 release left\n"
        "1 wheel 3\n1 joystick -1 1\n1 joybutton 10 down\n1 menu 106\n1 gadget 100 103\n"
        "1 close 102\n1 answer MAPS/my map/\n1 answer\n1 quit\n";
    const std::vector<Fields> game = read(mixed, plat::headless::kGameScriptRules);
    EXPECT_EQ(game, read(mixed, plat::headless::kEditorScriptRules));
    ASSERT_EQ(game.size(), 19u);
    EXPECT_EQ(game[4], Fields(1, ScriptEvent::Kind::KeyTap, 46, 0, false, ""));
    EXPECT_EQ(game[13], Fields(1, ScriptEvent::Kind::Menu, 106, 102, false, ""));
    EXPECT_EQ(game[16], Fields(1, ScriptEvent::Kind::Answer, 0, 0, false, "MAPS/my map/"));

    // The programs differ in where passes start and in the words of their messages.
    std::vector<ScriptEvent> events;
    std::string error;
    EXPECT_TRUE(
        plat::headless::readInputScript("0 move 1 2\n", plat::headless::kGameScriptRules, events, error));
    EXPECT_FALSE(
        plat::headless::readInputScript("0 56 down\n", plat::headless::kEditorScriptRules, events, error));
    EXPECT_EQ(error, "input script line 1: the pass must be a number from 1");
    EXPECT_FALSE(
        plat::headless::readInputScript("1 move 1\n", plat::headless::kGameScriptRules, events, error));
    EXPECT_EQ(error, "line 1: move X Y");
}
