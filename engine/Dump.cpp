// Dump: the engine state after a scripted run as JSON.
#include "engine/Dump.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <type_traits>

#include <nlohmann/json.hpp>

#include "engine/Biosim.h"
#include "engine/ConfigKeys.h"
#include "platform/TextIo.h"

namespace engine {

namespace {

using Json = nlohmann::ordered_json;

// Texts are 8-bit (Latin-1); JSON strings are UTF-8.
std::string latin1ToUtf8(const std::string& s) {
    std::string out;
    out.reserve(s.size());
    for (unsigned char c : s) {
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

// Whole numbers as integers ("800", not "8e+02"); others with the nine digits a float needs, so a
// reader sees the value the engine computed with, not the float's binary expansion.
Json number(double d) {
    if (!std::isfinite(d)) return nullptr;
    if (d == std::trunc(d) && std::fabs(d) < 1e15) return static_cast<long long>(d);
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.9g", d);
    return std::strtod(buf, nullptr);
}

Json toJson(const std::string& s) {
    return latin1ToUtf8(s);
}
Json toJson(float f) {
    return number(static_cast<double>(f));
}
template <class T> Json toJson(T v) requires std::is_integral_v<T> {
    return static_cast<long long>(v);
}

void globals(Json& out, Biosim& e) {
    Json& j = out["globals"] = Json::object();
    // clang-format off
#define G(name) j[#name] = toJson(e.name)
#define GIN(record, name) j[#name] = toJson(e.record.name)
    G(engineBasePath); G(actualMapId); G(nextMapId); G(desktopWidth); G(desktopHeight); G(desktopDepth);
    G(scrW); G(scrH); G(srcScrW); G(srcScrH); G(scalerX); G(scalerY); G(screenAspect); G(sourceAspect);
    G(gridCellWidth); G(gridCellHeight); GIN(level, scrollX); GIN(level, scrollY); G(matrixSize); G(matrixSizeLimit);
    G(debugMode); G(pauseFlag); G(mapOverview); G(musicOn); G(levelMusicSound); G(multitaskDelayMs);
    G(joystickPresent); GIN(level, objectCount); G(mirrorsHidden); G(mouseWorldX); G(mouseWorldY); G(mouseCellX);
    G(mouseCellY); G(screenOpened); G(clearScreenNeeded); G(flipMode); G(mapMode); G(overviewScaleX);
    G(overviewScaleY); G(serverReachable); G(mapMissing); G(statusLineY); G(aspectOffsetY); G(loadProgress);
    G(loadStep); G(loadBarHeight); G(loadStepCounter); G(loadFlipPending); G(currentTileId); G(mapLineCounter);
    G(lastObjectName); G(mapTileCount); G(mapLoading); G(mapStartTick); G(aspectUnit); G(aspectHeight);
    GIN(kinds, tileCount); GIN(kinds, lastTileId); G(soundCount); GIN(level, collisionCount); GIN(level, maxLayer); G(mapExtentX); G(mapExtentY);
    GIN(run, framesRun);
#undef GIN
#undef G
    // clang-format on
}

// Every configuration key and codec name, in the key table's order.
void config(Json& out, const Config& c) {
    Json& j = out["config"] = Json::object();
    for (const ConfigKey& k : configKeys())
        j[std::string(k.name)] = visitConfigValue(c, k, [](const auto& v) { return toJson(v); });
}

} // namespace

std::string dumpJson(Biosim& e) {
    Json j = Json::object();
    globals(j, e);
    config(j, e.cfg);

    Json& tiles = j["tiles"] = Json::array();
    for (std::int32_t t = 0; t <= e.kinds.tileCount; ++t) {
        const auto ti = static_cast<std::size_t>(t);
        if (ti >= e.kinds.tileSprites.size()) break;
        tiles.push_back(
            {{"id", t},
             {"name", toJson(ti < e.kinds.tileNames.size() ? e.kinds.tileNames[ti] : std::string())},
             {"sprite", toJson(e.kinds.tileSprites[ti])},
             {"width", toJson(e.kinds.tileWidths[ti])},
             {"height", toJson(e.kinds.tileHeights[ti])},
             {"dna", toJson(e.kinds.dnaTable[ti].dnaPath)}});
    }

    Json& sounds = j["sounds"] = Json::array();
    for (const std::string& s : e.soundFiles) sounds.push_back(toJson(s));

    // The entries the last load put on the list (collisionCount cannot tell one entry from none).
    Json& list = j["collisionList"] = Json::array();
    const std::int32_t entries =
        std::min<std::int32_t>(e.level.collisionEntries, static_cast<std::int32_t>(e.collisionList.size()));
    for (std::int32_t i = 0; i < entries; ++i)
        list.push_back(toJson(e.collisionList[static_cast<std::size_t>(i)]));

    // Live objects: 0..objectCount once the last load created any (objectCount is 0 for none too).
    Json& objects = j["objects"] = Json::array();
    if (e.level.liveObjects > 0) {
        const std::int32_t last =
            std::min<std::int32_t>(e.level.objectCount, static_cast<std::int32_t>(e.objectTable.size()) - 1);
        for (std::int32_t i = 0; i <= last; ++i) {
            WorldObject& o = e.objectTable[static_cast<std::size_t>(i)];
            Json obj = Json::object();
            obj["index"] = i;
            forEachObjectField(o, [&](const char* name, const auto& v) { obj[name] = toJson(v); });
            objects.push_back(std::move(obj));
        }
    }
    return j.dump() + "\n";
}

bool writeDump(Biosim& e, const std::string& path) {
    return textio::writeFileAtomic(path, dumpJson(e));
}

} // namespace engine
