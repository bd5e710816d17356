// ScriptChain: the builder's chain of script files.
#include "builder/ScriptChain.h"

#include "builder/Messages.h"
#include "builder/ScriptKeys.h"
#include "platform/TextIo.h"

namespace tarn {

namespace {

// Reads one script file through the keys of `file`; false when it cannot be opened.
bool readScript(Builder& b, const std::string& path, ScriptFile file) {
    std::string content;
    if (!textio::readFile(textio::nativePath(path), content)) return false;
    forEachScriptRecord(content, [&](const std::string& key, const std::string& value) {
        if (const ScriptKey* k = findScriptKey(file, key)) applyScriptValue(b, *k, value);
    });
    return true;
}

} // namespace

bool readStartScript(Builder& b, const std::string& path) {
    return readScript(b, path, ScriptFile::Start);
}

bool readScreenScript(Builder& b, const std::string& name) {
    return readScript(b, b.cfg.GFXSCRIPTS + name, ScriptFile::Screen);
}

bool readAppPaths(Builder& b, const std::string& path) {
    return readScript(b, path, ScriptFile::AppPaths);
}

bool readCodecList(Builder& b) {
    return readScript(b, b.cfg.CODECS, ScriptFile::Codecs);
}

bool readGuiSettings(Builder& b) {
    return readScript(b, b.cfg.GUIINI, ScriptFile::Gui);
}

void scriptResultMessage(Builder& b, int result, const std::string& path) {
    inform(b, "TARN ERROR ", path + " Result:   " + std::to_string(result) + "   FAIL");
}

} // namespace tarn
