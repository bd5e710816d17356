// InputScript: scripted input for headless runs (`--input FILE`).
//
// One event per line: a pass number, then what happens, applied just before that pass examines its
// input (pass 0 is the examination before the main loop, pass 1 the first pass):
//   <pass> <scancode> down|up          a key by DirectInput scan code (1 Escape, 56 left Alt, ...)
//   <pass> key <scancode> down|up      the same
//   <pass> mouse <x> <y>               mouse position in screen pixels
//   <pass> mousebutton <n> down|up     1 left, 2 right, 3 middle
//   <pass> wheel <notches>             wheel movement, up positive
//   <pass> joystick <x> <y>            a joystick is present, axes -1, 0 or +1 (+1 is up)
//   <pass> joybutton <n> down|up       joystick button 1..32
//   <pass> quit                        like closing the window
// Blank lines and lines starting with '#' are skipped. Events of one pass apply in file order.
// Depends on: platform/test/TestPlatform.h (TestInput holds the scripted state).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace plat::test {
class TestInput;
}

namespace engine {

struct InputEvent {
    enum class Kind { Key, Mouse, MouseButton, Wheel, Joystick, JoyButton, Quit };
    std::int64_t pass = 0;
    Kind kind = Kind::Key;
    int a = 0, b = 0; // scan code / button / x / notches, and y
    bool down = false;
};

class InputScript {
public:
    // Parses a script; false with `error` ("line N: ...") on the first bad line.
    bool parse(const std::string& text, std::string& error);
    // Reads and parses a file; false with `error` when it cannot be read or parsed.
    bool load(const std::string& path, std::string& error);

    // Applies, in order, every event not applied yet whose pass is at most `pass`.
    void applyUpTo(plat::test::TestInput& in, std::int64_t pass);

    const std::vector<InputEvent>& events() const { return events_; }

private:
    std::vector<InputEvent> events_; // sorted by pass, file order within a pass
    std::size_t next_ = 0;
    int joyX_ = 0, joyY_ = 0;
};

} // namespace engine
