// biosim's codec file on any bytes, read by loadCodecs from a real file: no crash, and a second read
// gives the same values (the reader depends on nothing but the file).
#include <cstdint>
#include <cstdlib>
#include <string>

#include "engine/Biosim.h"
#include "engine/Configuration.h"
#include "fuzz/engine/FuzzFile.h"
#include "platform/test/TestPlatform.h"

using namespace engine;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const fuzzfile::Folder scratch("bt_fuzz_codec");
    static const std::string file = scratch.path() + "codec.txt";
    fuzzfile::write(file, data, size);

    // One engine record for the whole process (building one is costly); the codec values are cleared
    // before each read.
    static plat::test::TestPlatform tp;
    static Biosim e{tp};
    e.exitProcess = [](int) { std::abort(); };
    e.cfg.GFXCODEC = e.cfg.SOUNDCODEC = e.cfg.MUSICCODEC = "";
    loadCodecs(e, file);
    const Config first = e.cfg;
    loadCodecs(e, file);
    if (first.GFXCODEC != e.cfg.GFXCODEC || first.SOUNDCODEC != e.cfg.SOUNDCODEC ||
        first.MUSICCODEC != e.cfg.MUSICCODEC)
        std::abort();
    // Values are single lines of the file.
    for (const std::string* v : {&e.cfg.GFXCODEC, &e.cfg.SOUNDCODEC, &e.cfg.MUSICCODEC})
        if (v->size() > size || v->find_first_of("\r\n") != std::string::npos) std::abort();
    return 0;
}
