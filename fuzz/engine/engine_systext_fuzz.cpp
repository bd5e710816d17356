// biosim's system text file on any bytes, read by loadSystemTexts from a real file. The file exists,
// so the fatal start-up path must never be taken (it would abort here).
#include <cstdint>
#include <cstdlib>
#include <string>

#include "engine/Biosim.h"
#include "engine/Configuration.h"
#include "fuzz/engine/FuzzFile.h"
#include "platform/test/TestPlatform.h"

using namespace engine;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const fuzzfile::Folder scratch("bt_fuzz_systext");
    static const std::string file = scratch.path() + "systext.txt";
    fuzzfile::write(file, data, size);

    // One engine record for the whole process (building one is costly); the texts are cleared before
    // each read.
    static plat::test::TestPlatform tp;
    static Biosim e{tp};
    e.exitProcess = [](int) { std::abort(); };
    e.errorTexts = {};
    e.cfg.SYSTEMTEXT = file;
    loadSystemTexts(e);
    for (const std::string& t : e.errorTexts)
        if (t.size() > size || t.find_first_of("\r\n") != std::string::npos) std::abort();
    return 0;
}
