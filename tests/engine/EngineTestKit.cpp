#include "EngineTestKit.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "engine/Engine.h"
#include "platform/ErrorTrap.h"
#include "sim/WorldFrame.h"

namespace kit {

namespace fs = std::filesystem;

TempDir::TempDir() {
    std::string tmpl = (fs::temp_directory_path() / "biosim_engine_XXXXXX").string();
    if (!::mkdtemp(tmpl.data())) throw std::runtime_error("mkdtemp failed");
    path_ = tmpl + "/";
}

TempDir::~TempDir() {
    std::error_code ec;
    fs::remove_all(path_, ec);
}

void TempDir::write(const std::string& rel, const std::string& content) const {
    const fs::path p = path_ + rel;
    fs::create_directories(p.parent_path());
    std::ofstream f(p, std::ios::binary);
    f << content;
}

void TempDir::mkdir(const std::string& rel) const {
    fs::create_directories(path_ + rel);
}

bool TempDir::exists(const std::string& rel) const {
    return fs::exists(path_ + rel);
}

std::string TempDir::read(const std::string& rel) const {
    std::ifstream f(path_ + rel, std::ios::binary);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
}

std::string pairs(const std::vector<std::pair<std::string, std::string>>& kv) {
    std::string s;
    for (const auto& [k, v] : kv) s += k + "\r\n" + v + "\r\n";
    return s;
}

std::string bmp(int w, int h, std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    const int rowBytes = (w * 3 + 3) & ~3;
    const int dataSize = rowBytes * h;
    std::string out;
    auto u16 = [&](int v) {
        out += static_cast<char>(v & 255);
        out += static_cast<char>((v >> 8) & 255);
    };
    auto u32 = [&](int v) {
        u16(v & 0xFFFF);
        u16((v >> 16) & 0xFFFF);
    };
    out += "BM";
    u32(54 + dataSize);
    u32(0);
    u32(54);
    u32(40);
    u32(w);
    u32(h);
    u16(1);
    u16(24);
    u32(0);
    u32(dataSize);
    u32(2835);
    u32(2835);
    u32(0);
    u32(0);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            out += static_cast<char>(b);
            out += static_cast<char>(g);
            out += static_cast<char>(r);
        }
        out.append(static_cast<std::size_t>(rowBytes - w * 3), '\0');
    }
    return out;
}

void writeWorld(const TempDir& dir, const std::vector<std::pair<std::string, std::string>>& extra) {
    std::vector<std::pair<std::string, std::string>> kv = {
        {"SYSTEMTEXT", "CORE/systext.txt"},
        {"CODECS", "CORE/codec.txt"},
        {"GFX", "_DATA/2DGFX/"},
        {"SIMCORE", "MAPS/"},
        {"SOUNDPATH", "SOUNDS/"},
        {"MAXOBJECTS", "50"},
        {"GRIDSIZE", "32"},
        {"MATRIXSIZE", "8"},
        {"SOURCEWIDTH", "512.0"},
        {"SOURCEHEIGHT", "384.0"},
    };
    kv.insert(kv.end(), extra.begin(), extra.end());
    dir.write("CORE/ini.crc", pairs(kv));
    dir.write("CORE/systext.txt",
              pairs({{"#ERROR_INIT_INIT", "init failed"}, {"#ERROR_OPEN_WORLD_SCREEN", "no screen"}}));
    dir.write("CORE/codec.txt", "GFXCODEC\r\n;\r\n.bmp\r\n;\r\nSOUNDCODEC\r\n;\r\n.ogg\r\n;\r\n");
}

Harness::Harness() {
    e = std::make_unique<Biosim>(tp);
    e->worldFrame = &worldFrame;
    e->exitProcess = [](int code) { throw ProcessEnded{code}; };
    e->shutdownServices = [this] { ++shutdowns; };
}

// The fatal error handler registered by start-up points at this engine.
Harness::~Harness() {
    plat::setErrorHandler({});
}

bool Harness::start(const std::string& folder) {
    try {
        return startup(*e, folder);
    } catch (const ProcessEnded& p) {
        endCode = p.code;
        return false;
    }
}

bool Harness::pass() {
    return mainLoopPass(*e);
}

std::vector<std::string> crlfLines(const std::string& text) {
    std::vector<std::string> out;
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t end = text.find("\r\n", pos);
        if (end == std::string::npos) {
            out.push_back(text.substr(pos));
            break;
        }
        out.push_back(text.substr(pos, end - pos));
        pos = end + 2;
    }
    return out;
}

} // namespace kit
