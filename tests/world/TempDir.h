// A fresh temporary folder per test (the shared one of tests/support), and small file helpers.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

#include "platform/TextIo.h"
#include "tests/support/TempFolder.h"

namespace worldtest {

class TempDir : public support::TempFolder {
public:
    TempDir() : support::TempFolder("worldfmt") {}
};

inline void writeText(const std::string& path, const std::string& content) {
    support::writeFile(path, content);
}

inline std::string readText(const std::string& path) {
    return support::readFile(path);
}

} // namespace worldtest
