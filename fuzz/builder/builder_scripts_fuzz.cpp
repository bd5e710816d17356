// tarn's chain of script files on any bytes: the same input is read, from a real file, as the start
// script, the screen script, the application paths file, the codec list and the GUI settings (their
// keys differ, so one input reaches every table). No crash, and each reader reports the file read.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "builder/Builder.h"
#include "builder/ScriptChain.h"
#include "fuzz/engine/FuzzFile.h"
#include "platform/test/TestPlatform.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const fuzzfile::Folder scratch("bt_fuzz_tarnscripts");
    const std::string& folder = scratch.path();
    static const std::string file = folder + "script.txt";
    fuzzfile::write(file, data, size);

    plat::test::TestPlatform tp;
    tarn::Builder b;
    b.services.platform = &tp;
    tarn::initBuilder(b, folder);
    if (!tarn::readStartScript(b, file)) std::abort();
    b.cfg.GFXSCRIPTS = folder;
    if (!tarn::readScreenScript(b, "script.txt")) std::abort();
    if (!tarn::readAppPaths(b, file)) std::abort();
    b.cfg.CODECS = file;
    if (!tarn::readCodecList(b)) std::abort();
    b.cfg.GUIINI = file;
    if (!tarn::readGuiSettings(b)) std::abort();
    if (b.cfg.GUIHBase != b.cfg.GUIH) std::abort();
    return 0;
}
