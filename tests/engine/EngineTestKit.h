// The engine test kit: the names the engine tests use for the shared fixtures of tests/support (a
// temporary world folder with real files, and a harness that owns an engine on the test backend and
// turns the process-ending paths into an exception).
#pragma once

#include <string>
#include <vector>

#include "tests/support/EngineHarness.h"
#include "tests/support/Images.h"
#include "tests/support/TempFolder.h"
#include "tests/support/WorldFiles.h"

using namespace engine;

namespace kit {

// Configuration pairs added to a test world's ini.crc.
using KV = support::KV;

// A fresh folder (path() ends with '/'), removed with everything in it at the end.
class TempDir : public support::TempFolder {
public:
    TempDir() : support::TempFolder("biosim_engine") {}
};

using support::bmp;
using support::pairs;
using support::ProcessEnded;

// A complete small world: CORE/ini.crc (with `extra` pairs appended: the last value wins),
// CORE/systext.txt, CORE/codec.txt with ".bmp" graphics and ".ogg" sounds.
inline void writeWorld(const TempDir& dir, const KV& extra = {}) {
    support::writeWorld(dir.path(), extra);
}

using Harness = support::EngineHarness;
using Started = support::StartedEngine;

// Splits text at CR LF.
std::vector<std::string> crlfLines(const std::string& text);

} // namespace kit
