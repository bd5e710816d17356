// tarn's input script (`--input FILE`) on any bytes, read from a real file as tarn reads it and
// parsed: no crash, actions ordered by pass, a failure names the line and leaves no half result
// that passes for a script.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "builder/ScriptedInput.h"
#include "fuzz/engine/FuzzFile.h"
#include "platform/TextIo.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const fuzzfile::Folder scratch("bt_fuzz_tarninput");
    static const std::string file = scratch.path() + "input.txt";
    fuzzfile::write(file, data, size);

    std::string text;
    if (!textio::readFile(file, text)) std::abort();
    std::vector<tarn::ScriptAction> actions;
    std::string error;
    if (!tarn::parseInputScript(text, actions, error)) {
        if (error.empty()) std::abort();
        return 0;
    }
    long last = 1;
    for (const tarn::ScriptAction& a : actions) {
        if (a.pass < last) std::abort();
        last = a.pass;
        using V = tarn::ScriptAction::Verb;
        if (a.verb == V::Key && (a.a < 1 || a.a > 255)) std::abort();
        if ((a.verb == V::KeyDown || a.verb == V::KeyUp) && (a.a < 0 || a.a > 255)) std::abort();
        if ((a.verb == V::Press || a.verb == V::Release) && (a.a < 1 || a.a > 3)) std::abort();
    }
    return 0;
}
