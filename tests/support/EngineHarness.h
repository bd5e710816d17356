// One biosim engine on the test backend. The process-ending paths (fatal errors, the exit keys)
// throw ProcessEnded instead of ending the test program, and the fatal error handler that start-up
// registers is cleared when the harness goes.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "engine/Biosim.h"
#include "platform/test/TestPlatform.h"
#include "tests/support/TempFolder.h"
#include "tests/support/WorldFiles.h"

using namespace engine;

namespace support {

// Thrown by the harness's process end.
struct ProcessEnded {
    int code;
};

struct EngineHarness {
    plat::test::TestPlatform tp;
    std::unique_ptr<Biosim> e;
    int shutdowns = 0;
    int endCode = -1; // the code of the process end start-up took, if any

    explicit EngineHarness(std::uint64_t seed = 42);
    ~EngineHarness();
    EngineHarness(const EngineHarness&) = delete;
    EngineHarness& operator=(const EngineHarness&) = delete;

    // Runs start-up on `folder`; false when it failed or ended the process (code in endCode).
    bool start(const std::string& folder);
    // One main loop pass; false when the loop ended.
    bool pass();
    plat::test::TestInput& in() { return tp.input(); }
    plat::test::TestGraphics& gfx() { return tp.graphics(); }
};

// An engine started on a fresh small world (writeWorld with `extra` configuration pairs).
struct StartedEngine {
    TempFolder dir{"biosim_engine"};
    EngineHarness h;
    explicit StartedEngine(const KV& extra = {});
    Biosim& e() { return *h.e; }
};

} // namespace support
