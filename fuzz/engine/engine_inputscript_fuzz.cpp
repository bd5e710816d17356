// biosim's input script (`--input FILE`) on any bytes, loaded from a real file by InputScript::load
// and, when it parses, applied to the scripted input: no crash, events come out ordered by pass and
// with the ranges the script promises.
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <string>

#include "engine/InputScript.h"
#include "fuzz/engine/FuzzFile.h"
#include "platform/headless/VirtualInput.h"

using namespace engine;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const fuzzfile::Folder scratch("bt_fuzz_input");
    static const std::string file = scratch.path() + "input.txt";
    fuzzfile::write(file, data, size);

    InputScript script;
    std::string error;
    if (!script.load(file, error)) {
        if (error.empty() || !script.events().empty()) std::abort();
        return 0;
    }
    std::int64_t last = 0;
    for (const InputEvent& ev : script.events()) {
        if (ev.pass < last) std::abort();
        last = ev.pass;
        if (ev.kind == InputEvent::Kind::Key && (ev.a < 0 || ev.a > 255)) std::abort();
        if (ev.kind == InputEvent::Kind::JoyButton && (ev.a < 1 || ev.a > 32)) std::abort();
        if (ev.kind == InputEvent::Kind::MouseButton && (ev.a < 1 || ev.a > 3)) std::abort();
    }
    plat::headless::VirtualInput in;
    script.applyUpTo(in, 0);
    script.applyUpTo(in, std::numeric_limits<std::int64_t>::max());
    return 0;
}
