// ScriptedInput: scripted input for unattended runs (`tarn --input FILE`).
//
// One action per line: the pass it happens in (passes count from 1), a verb and its numbers.
//   <pass> move X Y          mouse to (X, Y) on the screen
//   <pass> press left|right|middle      <pass> release left|right|middle
//   <pass> wheel N           N notches (up positive)
//   <pass> keydown SCAN      <pass> keyup SCAN      <pass> key SCAN (down and up)
//   <pass> menu ITEM [WINDOW]   a menu item (window 102 unless given)
//   <pass> gadget N [WINDOW]    a gadget press (window 103 unless given)
//   <pass> close WINDOW         the window's close box
//   <pass> answer [PATH]        the next folder or file requester returns PATH (the rest of the
//                               line, blanks included) without showing itself; no PATH cancels it
// Blank lines and lines starting with '#' are skipped. Keys are DirectInput scan codes.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tarn {

struct ScriptAction {
    enum class Verb { Move, Press, Release, Wheel, KeyDown, KeyUp, Key, Menu, Gadget, Close, Answer };
    long pass = 0;
    Verb verb = Verb::Move;
    int a = 0, b = 0; // Move: x, y; Press/Release: button 1..3; Wheel: notches; keys: scan code;
                      // Menu/Gadget: number, window; Close: window
    std::string text; // Answer: the path ("" = cancel)
};

// Parses a whole script; actions come out ordered by pass (stable within a pass). false with a
// message naming the line when a line cannot be read.
bool parseInputScript(std::string_view text, std::vector<ScriptAction>& out, std::string& error);

} // namespace tarn
