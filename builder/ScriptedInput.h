// ScriptedInput: scripted input for unattended runs (`tarn --input FILE`).
//
// The script language is the one of platform/headless/InputScriptReader.h, read with tarn's rules
// (passes count from 1). Its events become the editor's actions: a key with a direction is a
// keydown or keyup, a key without one a key (down and up), a mouse position a move, a mouse button
// a press or release. The editor has no joystick and no quit event of its own: those lines are read
// and skipped. Keys are DirectInput scan codes.
// Depends on: platform/headless/InputScriptReader.h.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tarn {

struct ScriptAction {
    enum class Verb { Move, Press, Release, Wheel, KeyDown, KeyUp, Key, Menu, Gadget, Close, Answer, Reply };
    long pass = 0;
    Verb verb = Verb::Move;
    int a = 0, b = 0; // Move: x, y; Press/Release: button 1..3; Wheel: notches; keys: scan code;
                      // Menu/Gadget: number, window; Close: window; Reply: 1 yes, 0 no
    std::string text; // Answer: the path ("" = cancel)
};

// Parses a whole script; actions come out ordered by pass (stable within a pass). false with a
// message naming the line when a line cannot be read.
bool parseInputScript(std::string_view text, std::vector<ScriptAction>& out, std::string& error);

} // namespace tarn
