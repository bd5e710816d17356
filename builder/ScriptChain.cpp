// ScriptChain: the builder's chain of script files.
#include "builder/ScriptChain.h"

#include <span>

#include "platform/TextIo.h"

namespace tarn {

namespace {

enum class Kind { Int, Float, Text, Path };

struct Key {
    std::string_view name;
    Kind kind;
    int Settings::*asInt = nullptr;
    float Settings::*asFloat = nullptr;
    std::string Settings::*asText = nullptr;
};

constexpr Key intKey(std::string_view n, int Settings::*m) {
    return {n, Kind::Int, m, nullptr, nullptr};
}
constexpr Key floatKey(std::string_view n, float Settings::*m) {
    return {n, Kind::Float, nullptr, m, nullptr};
}
constexpr Key textKey(std::string_view n, std::string Settings::*m) {
    return {n, Kind::Text, nullptr, nullptr, m};
}
constexpr Key pathKey(std::string_view n, std::string Settings::*m) {
    return {n, Kind::Path, nullptr, nullptr, m};
}

const Key kStartKeys[] = {textKey("DEFAULTINISCRIPT", &Settings::DEFAULTINISCRIPT)};

const Key kScreenKeys[] = {
    floatKey("RESBASEW", &Settings::RESBASEW),
    floatKey("RESBASEH", &Settings::RESBASEH),
    intKey("WINDOWMODE", &Settings::WINDOWMODE),
    intKey("WINDOWFLAGS", &Settings::WINDOWFLAGS),
    intKey("DEPTH", &Settings::DEPTH),
    floatKey("WIDTH", &Settings::WIDTH),
    floatKey("HEIGHT", &Settings::HEIGHT),
    intKey("TOP", &Settings::TOP),
    intKey("LEFT", &Settings::LEFT),
    textKey("NAME", &Settings::NAME),
    intKey("R", &Settings::R),
    intKey("G", &Settings::G),
    intKey("B", &Settings::B),
    intKey("GFXDETAIL", &Settings::GFXDETAIL),
    textKey("APPINIFILE", &Settings::APPINIFILE),
    textKey("DNA", &Settings::DNA),
    intKey("MAXTILES", &Settings::MAXTILES),
    intKey("MATRIXRASTER", &Settings::MATRIXRASTER),
};

const Key kAppPathKeys[] = {
    pathKey("GFXPATH", &Settings::GFXPATH),
    pathKey("SNDPATH", &Settings::SNDPATH),
    pathKey("SAVEPATH", &Settings::SAVEPATH),
    pathKey("LOADPATH", &Settings::LOADPATH),
    pathKey("GFXSCRIPTS", &Settings::GFXSCRIPTS),
    pathKey("MAPENV", &Settings::MAPENV),
    pathKey("LOGFILE", &Settings::LOGFILE),
    pathKey("UNIVERSE", &Settings::UNIVERSE),
    pathKey("DEVELOPEPATH", &Settings::DEVELOPEPATH),
    pathKey("DESCRIPTOR", &Settings::DESCRIPTOR),
    pathKey("GUIINI", &Settings::GUIINI),
    pathKey("CODECS", &Settings::CODECS),
    intKey("PROMO", &Settings::PROMO),
    pathKey("PLAYTESTMAP", &Settings::PLAYTESTMAP),
    textKey("PLAYTESTRUN", &Settings::PLAYTESTRUN),
};

const Key kCodecKeys[] = {
    textKey("GFXCODEC", &Settings::GFXCODEC),
    textKey("SOUNDCODEC", &Settings::SOUNDCODEC),
    textKey("MUSICCODEC", &Settings::MUSICCODEC),
};

const Key kGuiKeys[] = {
    intKey("MAXGUIITEMS", &Settings::MAXGUIITEMS),
    intKey("USEBGBOX", &Settings::USEBGBOX),
    intKey("GUITOP", &Settings::GUITOP),
    intKey("GUIH", &Settings::GUIH),
    intKey("GUIOBJECTSIZE", &Settings::GUIOBJECTSIZE),
};

// Reads one script file through `table`; false when it cannot be opened.
bool readScript(Builder& b, const std::string& path, std::span<const Key> table) {
    std::string content;
    if (!textio::readFile(textio::nativePath(path), content)) return false;
    forEachScriptRecord(content, [&](const std::string& key, const std::string& value) {
        for (const Key& k : table) {
            if (k.name != key) continue;
            switch (k.kind) {
            case Kind::Int:
                b.cfg.*k.asInt = textio::toInt(value);
                break;
            case Kind::Float:
                b.cfg.*k.asFloat = textio::toReal(value);
                break;
            case Kind::Text:
                b.cfg.*k.asText = value;
                break;
            case Kind::Path:
                b.cfg.*k.asText = b.workingFolder + textio::nativePath(value);
                break;
            }
            if (k.asInt == &Settings::GUIH) b.cfg.GUIHBase = b.cfg.GUIH;
            if (k.asInt == &Settings::GFXDETAIL && b.platform != nullptr)
                b.gfx().setQuality(b.cfg.GFXDETAIL == 0 ? 0 : 1);
            if (k.asText == &Settings::DNA) b.dnaFilePath = textio::nativePath(b.cfg.DNA);
            break;
        }
    });
    return true;
}

} // namespace

bool readStartScript(Builder& b, const std::string& path) {
    return readScript(b, path, kStartKeys);
}

bool readScreenScript(Builder& b, const std::string& name) {
    return readScript(b, b.cfg.GFXSCRIPTS + name, kScreenKeys);
}

bool readAppPaths(Builder& b, const std::string& path) {
    return readScript(b, path, kAppPathKeys);
}

bool readCodecList(Builder& b) {
    return readScript(b, b.cfg.CODECS, kCodecKeys);
}

bool readGuiSettings(Builder& b) {
    return readScript(b, b.cfg.GUIINI, kGuiKeys);
}

void scriptResultMessage(Builder& b, int result, const std::string& path) {
    b.dialogs().messageBox("TARN ERROR ", path + " Result:   " + std::to_string(result) + "   FAIL",
                           plat::Buttons::Ok);
}

} // namespace tarn
