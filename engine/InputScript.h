// InputScript: biosim's scripted input for headless runs (`--input FILE`).
//
// The script language is the one of platform/headless/InputScriptReader.h (read with biosim's
// rules: pass 0 is the examination before the main loop, pass 1 the first pass). Each event is
// applied just before the pass it names examines its input; events of one pass apply in file order.
// biosim has no menus, gadgets, window close boxes or requesters: those events are read and skipped.
// Depends on: platform/headless (the language and VirtualInput, which holds the scripted state).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/headless/InputScriptReader.h"

namespace plat::headless {
class VirtualInput;
}

namespace engine {

using InputEvent = plat::headless::ScriptEvent;

class InputScript {
public:
    // Parses a script; false with `error` ("line N: ...") on the first bad line.
    bool parse(const std::string& text, std::string& error);
    // Reads and parses a file; false with `error` when it cannot be read or parsed.
    bool load(const std::string& path, std::string& error);

    // Applies, in order, every event not applied yet whose pass is at most `pass`.
    void applyUpTo(plat::headless::VirtualInput& in, std::int64_t pass);

    const std::vector<InputEvent>& events() const { return events_; }

private:
    std::vector<InputEvent> events_; // sorted by pass, file order within a pass
    std::size_t next_ = 0;
    int joyX_ = 0, joyY_ = 0;
};

} // namespace engine
