// biosim's configuration file (CORE/ini.crc) on any bytes, read by readConfiguration itself: the
// key/value pairs, then the codec file and the start-up report it names. The file always exists, so
// the fatal start-up path must never be taken (it would abort here). The network is offline.
//
// The configuration names files the reader opens and writes (CODECS, PATH). Inputs that name a path
// outside the scratch folder (absolute, or climbing with "..") are skipped, and whatever the report
// created in the scratch folder is removed after each input.
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>

#include "engine/Biosim.h"
#include "engine/Configuration.h"
#include "engine/EngineSetup.h"
#include "fuzz/engine/FuzzFile.h"
#include "platform/TextIo.h"
#include "platform/test/TestPlatform.h"

using namespace engine;

namespace {

bool staysInside(std::string_view text) {
    for (const std::string& line : textio::splitLines(text)) {
        const std::string p = textio::nativePath(line);
        if (!p.empty() && p.front() == '/') return false;
        if (p.find("..") != std::string::npos) return false;
    }
    return true;
}

void removeAllBut(const std::filesystem::path& folder, const std::string& keep) {
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
        if (entry.path().filename() == keep) continue;
        std::filesystem::remove_all(entry.path(), ec);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const fuzzfile::Folder scratch("bt_fuzz_config");
    const std::string& folder = scratch.path();
    static const bool made = std::filesystem::create_directory(folder + "CORE");
    (void)made;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    if (!staysInside(text)) return 0;
    fuzzfile::write(folder + "CORE/ini.crc", data, size);

    // One engine record for the whole process (building one is costly), set up by the real start-up
    // defaults once; the configuration record is cleared before each read, the reader only writes.
    // Each input gets its own offline platform, so the recorded download requests do not pile up.
    static plat::test::TestPlatform setupPlatform;
    static Biosim e{setupPlatform};
    static const bool ready = [] {
        e.exitProcess = [](int) { std::abort(); };
        setDefaults(e, scratch.path());
        return true;
    }();
    (void)ready;
    plat::test::TestPlatform tp;
    tp.network().setOffline(true);
    e.platform = &tp;
    e.cfg = Config{};
    e.cfg.ERRORPATH = e.cfg.WARNINGS = e.engineBasePath;
    readConfiguration(e);
    e.platform = &setupPlatform;
    if (e.matrixSize > e.matrixSizeLimit) std::abort();
    if (e.multitaskDelayMs < 0) std::abort();

    removeAllBut(folder, "CORE");
    removeAllBut(folder + "CORE", "ini.crc");
    return 0;
}
