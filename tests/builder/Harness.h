// The builder tests' names for the shared editor harness of tests/support: a temporary working
// folder with a real script chain, real tile pictures and DNA files, the deterministic test
// platform, and a scripted window layer.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <unistd.h>
#include <utility>
#include <vector>

#include "tests/support/EditorHarness.h"
#include "tests/support/Images.h"
#include "tests/support/TempFolder.h"
#include "tests/support/WorldFiles.h"

namespace tarntest {

namespace fs = std::filesystem;

using FakeWindows = support::FakeWindows;
using Harness = support::EditorHarness;

inline void writeText(const std::string& path, const std::string& text) {
    support::writeFile(path, text);
}
inline std::string readText(const std::string& path) {
    return support::readFile(path);
}
// A script file of four-line records.
inline std::string scriptOf(const std::vector<std::pair<std::string, std::string>>& records) {
    return support::script(records);
}
// A 24-bit BMP of one colour.
inline void writeBmp(const std::string& path, int w, int h, int r, int g, int b) {
    support::writeBmp(path, w, h, static_cast<std::uint8_t>(r), static_cast<std::uint8_t>(g),
                      static_cast<std::uint8_t>(b));
}
// A DNA file with the given pairs.
inline void writeDna(const std::string& path, const std::vector<std::pair<std::string, std::string>>& pairs) {
    support::writeFile(path, support::pairs(pairs));
}

} // namespace tarntest
