// InputScriptReader: the one input-script language of headless and scripted runs, read by biosim
// (`--input`) and tarn (`--input`) alike. The section "Input scripts" of
// docs/biosim.md describes the language for users.
//
// One event per line: a pass number, then what happens in that pass. Every spelling below is read
// by both programs into the same ScriptEvent; a program ignores the kinds it has no use for (biosim
// has no menus or requesters, tarn no joystick).
//   <pass> <scancode> down|up   <pass> key <scancode> down|up     a key goes down or up (0..255)
//   <pass> keydown <scancode>   <pass> keyup <scancode>            the same (1..255)
//   <pass> key <scancode>                                          down and up at once (1..255)
//   <pass> mouse <x> <y>        <pass> move <x> <y>                mouse position in screen pixels
//   <pass> mousebutton <n> down|up                                 1 left, 2 right, 3 middle
//   <pass> press left|right|middle    <pass> release left|right|middle
//   <pass> wheel <notches>                                         up positive
//   <pass> joystick <x> <y>     a joystick is present, axes -1, 0 or +1 (+1 is up)
//   <pass> joybutton <n> down|up                                   joystick button 1..32
//   <pass> quit                 like closing the window
//   <pass> menu ITEM [WINDOW]   <pass> gadget N [WINDOW]   <pass> close WINDOW
//   <pass> answer [PATH]        the next requester answers PATH (rest of the line; none cancels)
//   <pass> reply yes|no         the next Yes/No question gets this answer (tarn only)
// Blank lines and lines starting with '#' are skipped. Events come out ordered by pass, events of
// one pass in file order. A bad line's message belongs to its spelling; the programs differ only in
// their first pass (biosim's start-up is pass 0, tarn counts from 1) and in the words of the
// messages that no one spelling owns (ScriptRules).
// Depends on: platform/TextIo.h.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace plat::headless {

struct ScriptEvent {
    enum class Kind {
        Key,         // a = scan code, down
        KeyTap,      // a = scan code: down, then up
        Mouse,       // a = x, b = y
        MouseButton, // a = button 1..3, down
        Wheel,       // a = notches
        Joystick,    // a = x, b = y (each -1, 0, 1)
        JoyButton,   // a = button 1..32, down
        Quit,
        Menu,   // a = item, b = window
        Gadget, // a = gadget, b = window
        Close,  // a = window
        Answer, // text = path ("" = cancel)
        Reply,  // down = yes
    };
    std::int64_t pass = 0;
    Kind kind = Kind::Key;
    int a = 0, b = 0;
    bool down = false;
    std::string text;
};

// What differs between the two readers: the first pass and the words of messages that both
// spellings share. Each program keeps the messages its users have always seen.
struct ScriptRules {
    std::int64_t firstPass = 0;
    const char* linePrefix = "line "; // before "<N>: <why>"
    const char* badPass = "";         // the first word is no pass number from firstPass
    const char* missingVerb = "";     // a pass and nothing more ("" = treat as unknown)
    const char* unknownVerb = "";     // ... followed by "'<word>'" when namesUnknown
    bool namesUnknown = false;
    const char* wheelNumber = ""; // wheel followed by a word that is no number of range
    const char* wheelCount = "";  // wheel followed by no number or more than one
};

// biosim's reading: start-up is pass 0, messages "line N: ..." as sentences.
extern const ScriptRules kGameScriptRules;
// tarn's reading: passes from 1, messages "input script line N: ..." as usage lines.
extern const ScriptRules kEditorScriptRules;

// Parses a whole script into `out` (ordered by pass, stable). false with `error` naming the line on
// the first bad line; `out` is then empty.
bool readInputScript(std::string_view text, const ScriptRules& rules, std::vector<ScriptEvent>& out,
                     std::string& error);

} // namespace plat::headless
