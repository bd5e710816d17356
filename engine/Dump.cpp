// Dump: the engine state after a scripted run as JSON.
#include "engine/Dump.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <type_traits>

#include "engine/Biosim.h"
#include "platform/TextIo.h"

namespace {

// A small JSON writer: objects and arrays with comma handling, numbers and escaped strings.
class Json {
public:
    void beginObject(const char* key = nullptr) { open(key, '{'); }
    void endObject() { close('}'); }
    void beginArray(const char* key = nullptr) { open(key, '['); }
    void endArray() { close(']'); }

    template <class T> void value(const char* key, const T& v) {
        comma();
        if (key) writeKey(key);
        write(v);
    }
    const std::string& text() const { return out_; }

private:
    void open(const char* key, char c) {
        comma();
        if (key) writeKey(key);
        out_ += c;
        first_ = true;
    }
    void close(char c) {
        out_ += c;
        first_ = false;
    }
    void comma() {
        if (!first_) out_ += ',';
        first_ = false;
    }
    void writeKey(const char* key) {
        writeString(key);
        out_ += ':';
    }
    void writeString(const std::string& s) {
        out_ += '"';
        for (unsigned char c : s) {
            if (c == '"' || c == '\\') {
                out_ += '\\';
                out_ += static_cast<char>(c);
            } else if (c < 0x20 || c >= 0x7F) {
                char buf[8];
                std::snprintf(buf, sizeof buf, "\\u%04x", c);
                out_ += buf;
            } else {
                out_ += static_cast<char>(c);
            }
        }
        out_ += '"';
    }
    void write(const std::string& s) { writeString(s); }
    void write(const char* s) { writeString(s); }
    void write(bool b) { out_ += b ? "true" : "false"; }
    void write(float f) { writeDouble(static_cast<double>(f)); }
    void write(double d) { writeDouble(d); }
    template <class T> void write(T v) requires std::is_integral_v<T> {
        out_ += std::to_string(static_cast<long long>(v));
    }
    void writeDouble(double d) {
        if (!std::isfinite(d)) {
            out_ += "null";
            return;
        }
        // Whole numbers as integers ("800", not "8e+02"); others with the digits a float needs.
        if (d == std::trunc(d) && std::fabs(d) < 1e15) {
            out_ += std::to_string(static_cast<long long>(d));
            return;
        }
        char buf[32];
        std::snprintf(buf, sizeof buf, "%.9g", d);
        out_ += buf;
    }

    std::string out_;
    bool first_ = true;
};

void globals(Json& j, Biosim& e) {
    j.beginObject("globals");
    // clang-format off
#define G(name) j.value(#name, e.name)
    G(engineBasePath); G(actualMapId); G(nextMapId); G(desktopWidth); G(desktopHeight); G(desktopDepth);
    G(scrW); G(scrH); G(srcScrW); G(srcScrH); G(scalerX); G(scalerY); G(screenAspect); G(sourceAspect);
    G(gridCellWidth); G(gridCellHeight); G(scrollX); G(scrollY); G(matrixSize); G(matrixSizeLimit);
    G(debugMode); G(pauseFlag); G(mapOverview); G(musicOn); G(levelMusicSound); G(multitaskDelayMs);
    G(joystickPresent); G(objectCount); G(mirrorsHidden); G(mouseWorldX); G(mouseWorldY); G(mouseCellX);
    G(mouseCellY); G(screenOpened); G(clearScreenNeeded); G(flipMode); G(mapMode); G(overviewScaleX);
    G(overviewScaleY); G(serverReachable); G(mapMissing); G(statusLineY); G(aspectOffsetY); G(loadProgress);
    G(loadStep); G(loadBarHeight); G(loadStepCounter); G(loadFlipPending); G(currentTileId); G(mapLineCounter);
    G(lastObjectName); G(mapTileCount); G(mapLoading); G(mapStartTick); G(aspectUnit); G(aspectHeight);
    G(tileCount); G(lastTileId); G(soundCount); G(collisionCount); G(maxLayer); G(mapExtentX); G(mapExtentY);
    G(framesRun);
#undef G
    // clang-format on
    j.endObject();
}

void config(Json& j, const Config& c) {
    j.beginObject("config");
    // clang-format off
#define C(name) j.value(#name, c.name)
    C(SYSTEMTEXT); C(ATOMSYSTEM); C(GRIDSIZE); C(MATRIXSIZE); C(MATRIX_OFFSET_X); C(MATRIX_OFFSET_Y);
    C(APPMODE); C(USEDEBUGLOG); C(SCRSWITCHMS); C(BLOOM); C(CODECS); C(GFX); C(EFFECT_GFX); C(MAXOBJECTS);
    C(COREBRAIN); C(DEBUGLOG); C(SIMCORE); C(GLOBAL_GFX_FX); C(FONTFUNDAMENT); C(SOURCEWIDTH); C(ANIMSYSTEM);
    C(MAXANIMFRAMES); C(SOURCEHEIGHT); C(SOUNDPATH); C(FILELOADMUSIC); C(LOADPIC); C(IOPREFETCH); C(ERRORPATH);
    C(WARNINGS); C(USRSCROLL); C(VERSION); C(DYNAMICSCROLL); C(PIP); C(APPENTRY); C(APPSMOOTH); C(MULTITASK);
    C(SERVER); C(SERVERNODE); C(PATH); C(HELLO); C(TEMP); C(GFXCODEC); C(SOUNDCODEC); C(MUSICCODEC);
#undef C
    // clang-format on
    j.endObject();
}

} // namespace

std::string dumpJson(Biosim& e) {
    Json j;
    j.beginObject();
    globals(j, e);
    config(j, e.cfg);

    j.beginArray("tiles");
    for (std::int32_t t = 0; t <= e.tileCount; ++t) {
        const auto ti = static_cast<std::size_t>(t);
        if (ti >= e.tileSprites.size()) break;
        j.beginObject();
        j.value("id", t);
        j.value("name", ti < e.tileNames.size() ? e.tileNames[ti] : std::string());
        j.value("sprite", e.tileSprites[ti]);
        j.value("width", e.tileWidths[ti]);
        j.value("height", e.tileHeights[ti]);
        j.value("dna", e.dnaTable[ti].dnaPath);
        j.endObject();
    }
    j.endArray();

    j.beginArray("sounds");
    for (const std::string& s : e.soundFiles) j.value(nullptr, s);
    j.endArray();

    // The entries the last load put on the list (collisionCount cannot tell one entry from none).
    j.beginArray("collisionList");
    const std::int32_t entries =
        std::min<std::int32_t>(e.sim.collisionEntries, static_cast<std::int32_t>(e.collisionList.size()));
    for (std::int32_t i = 0; i < entries; ++i) j.value(nullptr, e.collisionList[static_cast<std::size_t>(i)]);
    j.endArray();

    // Live objects: 0..objectCount once the last load created any (objectCount is 0 for none too).
    j.beginArray("objects");
    if (e.sim.liveObjects > 0) {
        const std::int32_t last =
            std::min<std::int32_t>(e.objectCount, static_cast<std::int32_t>(e.objectTable.size()) - 1);
        for (std::int32_t i = 0; i <= last; ++i) {
            WorldObject& o = e.objectTable[static_cast<std::size_t>(i)];
            j.beginObject();
            j.value("index", i);
            forEachObjectField(o, [&](const char* name, const auto& v) { j.value(name, v); });
            j.endObject();
        }
    }
    j.endArray();

    j.endObject();
    return j.text() + "\n";
}

bool writeDump(Biosim& e, const std::string& path) {
    return textio::writeFileAtomic(path, dumpJson(e));
}
