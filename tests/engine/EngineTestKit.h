// The engine test kit: a temporary world folder with real files, and a harness that owns an engine
// on the test backend and turns the process-ending paths into an exception.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "engine/Biosim.h"
#include "platform/test/TestPlatform.h"

namespace kit {

// Configuration pairs added to a test world's ini.crc.
using KV = std::vector<std::pair<std::string, std::string>>;

// A fresh folder under the system's temporary folder, removed with everything in it at the end.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    // The folder, ending with '/'.
    const std::string& path() const { return path_; }
    // Writes `content` to path() + rel, creating folders on the way.
    void write(const std::string& rel, const std::string& content) const;
    void mkdir(const std::string& rel) const;
    bool exists(const std::string& rel) const;
    std::string read(const std::string& rel) const;

private:
    std::string path_;
};

// Key/value pairs as a configuration file body (CR LF lines).
std::string pairs(const std::vector<std::pair<std::string, std::string>>& kv);

// A 24-bit BMP image of w x h pixels in one colour.
std::string bmp(int w, int h, std::uint8_t r = 10, std::uint8_t g = 20, std::uint8_t b = 30);

// A complete small world: CORE/ini.crc (with `extra` pairs appended: the last value wins),
// CORE/systext.txt, CORE/codec.txt with ".bmp" graphics and ".ogg" sounds.
void writeWorld(const TempDir& dir, const std::vector<std::pair<std::string, std::string>>& extra = {});

// Thrown by the harness's process end.
struct ProcessEnded {
    int code;
};

// An engine on the test backend. Process ends throw ProcessEnded.
struct Harness {
    plat::test::TestPlatform tp{42};
    std::unique_ptr<Biosim> e;
    int shutdowns = 0;

    Harness();
    ~Harness();
    Harness(const Harness&) = delete;
    Harness& operator=(const Harness&) = delete;
    // Runs start-up on `folder`; false when it ended the process (the code is in `endCode`).
    bool start(const std::string& folder);
    int endCode = -1;

    // One main loop pass; false when the loop ended.
    bool pass();
    // Presses (and holds) keys, then releases them, each change seen by the next examination.
    plat::test::TestInput& in() { return tp.input(); }
    plat::test::TestGraphics& gfx() { return tp.graphics(); }
};

// Splits text at CR LF.
std::vector<std::string> crlfLines(const std::string& text);

} // namespace kit
