#include "EngineHarness.h"

#include <gtest/gtest.h>

#include "engine/Engine.h"
#include "platform/ErrorTrap.h"
#include "sim/WorldFrame.h"

using namespace engine;
using namespace sim;

namespace support {

EngineHarness::EngineHarness(std::uint64_t seed) : tp(seed) {
    e = std::make_unique<Biosim>(tp);
    e->worldFrame = &worldFrame;
    e->exitProcess = [](int code) { throw ProcessEnded{code}; };
    e->shutdownServices = [this] { ++shutdowns; };
}

EngineHarness::~EngineHarness() {
    plat::setErrorHandler({});
}

bool EngineHarness::start(const std::string& folder) {
    try {
        return startup(*e, folder);
    } catch (const ProcessEnded& p) {
        endCode = p.code;
        return false;
    }
}

bool EngineHarness::pass() {
    return mainLoopPass(*e);
}

StartedEngine::StartedEngine(const KV& extra) {
    writeWorld(dir.path(), extra);
    EXPECT_TRUE(h.start(dir.path())) << "start-up failed in " << dir.path();
}

} // namespace support
