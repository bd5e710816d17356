// The engine record of a world in a test folder, holding its configuration as start-up reads it
// (no screen, no map loaded): what the makers' tools read a world through.
#pragma once

#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "engine/Biosim.h"
#include "engine/Configuration.h"
#include "platform/TextIo.h"

namespace support {

inline std::unique_ptr<engine::Biosim> configuredWorld(plat::Platform& p, const std::string& folder) {
    auto e = std::make_unique<engine::Biosim>(p);
    e->workingFolder = folder;
    e->engineBasePath = folder + "CORE/";
    textio::LineReader r;
    EXPECT_TRUE(r.open(folder + "CORE/ini.crc"));
    while (!r.eof()) {
        const std::string key = r.readLine();
        const std::string value = r.readLine();
        engine::applyConfigPair(*e, key, value);
    }
    engine::loadCodecs(*e, e->cfg.CODECS);
    return e;
}

} // namespace support
