// biosim's run records (--replay FILE) on any bytes: no crash; a record that parses writes back to
// text that parses to the same record, and a replay of it answers every read without running past
// its end.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "makers/Recording.h"
#include "platform/test/TestPlatform.h"

using namespace engine;
using namespace makers;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    RunRecord r;
    std::string error;
    if (!recordFromJson(std::string(reinterpret_cast<const char*>(data), size), r, error)) {
        if (error.empty()) std::abort();
        return 0;
    }
    const std::string text = recordToJson(r);
    RunRecord again;
    if (!recordFromJson(text, again, error) || recordToJson(again) != text) std::abort();
    // Play it back for a few passes more than it holds: reads past the end are noted, never fatal.
    static plat::test::TestPlatform tp;
    ReplayPlatform replay(tp, r);
    const std::int64_t passes = r.passCount < 50 ? r.passCount + 2 : 52;
    for (std::int64_t p = 0; p <= passes; ++p) {
        replay.beginPass(p);
        replay.input().examineKeyboard();
        replay.input().examineMouse();
        replay.input().examineJoystick();
        (void)replay.input().keyHeld(57);
        (void)replay.clock().ticks();
        replay.clock().sleep(1);
    }
    return 0;
}
