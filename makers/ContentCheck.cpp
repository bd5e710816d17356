// ContentCheck: finds every content problem of a world without playing it.
#include "makers/ContentCheck.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <set>

#include <nlohmann/json.hpp>

#include "engine/Biosim.h"
#include "engine/Configuration.h"
#include "engine/TileKinds.h"
#include "platform/TextIo.h"
#include "platform/headless/OffscreenPlatform.h"
#include "world/DnaFile.h"
#include "world/KindNames.h"
#include "world/MapFormat.h"
#include "world/ObjectTable.h"
#include "world/TileDna.h"

namespace makers {

using namespace engine;

namespace fs = std::filesystem;

Severity severityOf(const std::string& kind) {
    // The world plays, with a gap: no music or sound, an uneven animation, a folder never read.
    static const std::set<std::string> warnings = {"missing-music", "missing-sound", "too-many-sounds",
                                                   "anim-gap",      "anim-sizes",    "anim-unused",
                                                   "unread-map"};
    return warnings.count(kind) ? Severity::Warning : Severity::Error;
}

namespace {

std::string lower(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

std::size_t editDistance(const std::string& a, const std::string& b) {
    std::vector<std::size_t> row(b.size() + 1);
    for (std::size_t j = 0; j <= b.size(); ++j) row[j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i) {
        std::size_t diag = row[0];
        row[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t up = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diag + (a[i - 1] == b[j - 1] ? 0 : 1)});
            diag = up;
        }
    }
    return row[b.size()];
}

bool knownDnaKey(std::string_view key) {
    for (const auto& row : world::tileDnaKeys())
        if (row.name == key) return true;
    for (const auto& row : world::tarnDnaKeys())
        if (row.name == key) return true;
    return false;
}

// Whether `value` reads as a number of `kind` the way a maker means it: blanks around it, a sign,
// digits, and for whole numbers at most a decimal part (the reader keeps the whole part). `why` says
// what is wrong otherwise.
bool readsAs(world::DnaValueKind kind, std::string_view value, std::string& why) {
    using K = world::DnaValueKind;
    if (kind == K::Text || kind == K::Ignored) return true;
    std::size_t b = value.find_first_not_of(" \t"), e = value.find_last_not_of(" \t");
    const std::string v = b == std::string_view::npos ? "" : std::string(value.substr(b, e - b + 1));
    const bool whole = kind == K::Int || kind == K::Byte;
    char* end = nullptr;
    errno = 0;
    const double d = v.empty() ? 0.0 : std::strtod(v.c_str(), &end);
    const bool decimal = !v.empty() && end == v.c_str() + v.size() && std::isfinite(d) &&
                         v.find_first_of("xXpPnNiI") == std::string::npos; // no hex, inf or nan
    if (!decimal) {
        why = std::string("is no ") + (whole ? "whole number" : "number");
        return false;
    }
    if (kind == K::Int && (d < -2147483648.0 || d >= 2147483648.0)) {
        why = "does not fit the 32-bit number the reader keeps";
        return false;
    }
    return true;
}

bool isNone(const std::string& s) {
    return world::isNoneName(s);
}

bool isFile(const std::string& p) {
    std::error_code ec;
    return fs::is_regular_file(p, ec);
}
bool isFolder(const std::string& p) {
    std::error_code ec;
    return fs::is_directory(p, ec);
}

class Checker {
public:
    Checker(const ContentCheckRequest& req, ContentReport& out)
        : req_(req), out_(out), e_(std::make_unique<Biosim>(platform_)) {
        e_->workingFolder = textio::asFolder(req.workingFolder.empty() ? "./" : req.workingFolder);
        e_->engineBasePath = e_->workingFolder + "CORE/";
    }

    void run() {
        if (!readConfig()) return;
        checkWorld();
        std::vector<std::int32_t> maps = req_.maps;
        if (maps.empty()) maps = allMaps();
        // A map named twice is checked once.
        std::set<std::int32_t> seen;
        maps.erase(
            std::remove_if(maps.begin(), maps.end(), [&](std::int32_t m) { return !seen.insert(m).second; }),
            maps.end());
        for (std::int32_t m : maps) checkMap(m);
        // The loading pictures show only while a map of more than 500 records loads.
        if (cfg().LOADPIC == 1 && largeMap_)
            for (const char* name : {"LOAD", "LOADCIRCLE"})
                checkImage(kWorldWide, cfg().GFX + name + cfg().GFXCODEC, "loading picture");
        out_.mapsChecked = maps;
    }

private:
    void add(std::string kind, std::int32_t map, std::string file, std::int32_t line, std::string text) {
        out_.problems.push_back({std::move(kind), map, std::move(file), line, std::move(text)});
    }
    std::string at(const std::string& configured) const { return resolvePath(*e_, configured); }
    Config& cfg() { return e_->cfg; }

    // The configuration as start-up reads it (only reading: no start-up report, no server).
    bool readConfig() {
        textio::LineReader r;
        if (!r.open(e_->engineBasePath + "ini.crc")) {
            add("missing-file", kWorldWide, "CORE/ini.crc", 0,
                "the configuration file is missing or unreadable");
            return false;
        }
        std::int32_t line = 1;
        while (!r.eof()) {
            const std::string key = r.readLine();
            const std::string value = r.readLine();
            if (!key.empty() && !applyConfigPair(*e_, key, value))
                add("unknown-key", kWorldWide, "CORE/ini.crc", line,
                    "unknown configuration key \"" + key + "\"");
            line += 2;
        }
        out_.configurationRead = true;
        if (cfg().CODECS.empty() || !isFile(at(cfg().CODECS)))
            add("missing-file", kWorldWide, cfg().CODECS, 0, "the codec file is missing");
        loadCodecs(*e_, cfg().CODECS);
        if (cfg().GFXCODEC.empty())
            add("bad-value", kWorldWide, cfg().CODECS, 0, "no graphics extension (GFXCODEC)");
        return true;
    }

    void range(const char* key, std::int64_t v, std::int64_t lo, std::int64_t hi, const std::string& why) {
        if (v < lo || v > hi)
            add("out-of-range", kWorldWide, "CORE/ini.crc", 0,
                std::string(key) + " " + std::to_string(v) + " is outside " + std::to_string(lo) + ".." +
                    std::to_string(hi) + ": " + why);
    }

    void checkWorld() {
        if (cfg().SYSTEMTEXT.empty() || !isFile(at(cfg().SYSTEMTEXT)))
            add("missing-file", kWorldWide, cfg().SYSTEMTEXT, 0,
                "the system text file is missing (biosim stops at start)");
        const std::pair<const char*, std::string*> folders[] = {
            {"GFX", &cfg().GFX}, {"SIMCORE", &cfg().SIMCORE}, {"SOUNDPATH", &cfg().SOUNDPATH}};
        for (const auto& [key, value] : folders)
            if (value->empty() || !isFolder(at(*value)))
                add(value == &cfg().SOUNDPATH ? "missing-sound" : "missing-folder", kWorldWide, *value, 0,
                    std::string(key) + " names no folder");
        range("MAXOBJECTS", cfg().MAXOBJECTS, 1, e_->maxObjectsLimit, "the object table's capacity");
        range("MATRIXSIZE", cfg().MATRIXSIZE, 0, kMatrixSizeLimit, "larger grids are cut to 256");
        range("GRIDSIZE", cfg().GRIDSIZE, 1, 1 << 20, "the grid needs cells");
        if (!(cfg().SOURCEWIDTH > 0) || !(cfg().SOURCEHEIGHT > 0))
            add("out-of-range", kWorldWide, "CORE/ini.crc", 0,
                "SOURCEWIDTH and SOURCEHEIGHT must be above 0");
        if (!cfg().FILELOADMUSIC.empty() &&
            !isFile(at(cfg().SOUNDPATH + cfg().FILELOADMUSIC + cfg().SOUNDCODEC)))
            add("missing-sound", kWorldWide, cfg().SOUNDPATH + cfg().FILELOADMUSIC + cfg().SOUNDCODEC, 0,
                "the loading music is missing");
        soundNames_ = listNamesWithExtension(at(cfg().SOUNDPATH), cfg().SOUNDCODEC);
        if (soundNames_.size() > static_cast<std::size_t>(kSoundTableSize)) {
            add("too-many-sounds", kWorldWide, cfg().SOUNDPATH, 0,
                "only the first " + std::to_string(kSoundTableSize) + " sound files can be used");
            soundNames_.resize(kSoundTableSize);
        }
    }

    std::vector<std::int32_t> allMaps() {
        std::vector<std::int32_t> maps;
        std::error_code ec;
        for (auto it = fs::directory_iterator(at(cfg().SIMCORE), ec); !ec && it != fs::directory_iterator();
             it.increment(ec)) {
            const std::string n = it->path().filename().string();
            if (!it->is_directory(ec) || n.empty()) continue;
            const bool numeric = n != "-" && std::all_of(n.begin() + (n[0] == '-' ? 1 : 0), n.end(),
                                                         [](char c) { return c >= '0' && c <= '9'; });
            if (!numeric) continue;
            // biosim reads map N from the folder named by N's decimal digits alone.
            const std::string digits = n.substr(n[0] == '-' ? 1 : 0);
            const std::size_t lead = std::min(digits.find_first_not_of('0'), digits.size() - 1);
            const std::string canon = (n[0] == '-' ? "-" : "") + digits.substr(lead);
            const bool fits =
                canon.size() <= 11 && std::stoll(canon) >= INT32_MIN && std::stoll(canon) <= INT32_MAX;
            if (fits && std::to_string(std::stoll(canon)) == n) {
                maps.push_back(static_cast<std::int32_t>(std::stoll(n)));
                continue;
            }
            const std::string folder = cfg().SIMCORE + n + "/";
            if (!fits)
                add("unread-map", kWorldWide, folder, 0,
                    "biosim never reads this folder: " + canon + " is outside the map numbers " +
                        std::to_string(INT32_MIN) + ".." + std::to_string(INT32_MAX));
            else
                add("unread-map", kWorldWide, folder, 0,
                    "biosim never reads this folder: map " + std::to_string(std::stoll(canon)) +
                        " is read from " + cfg().SIMCORE + std::to_string(std::stoll(canon)) + "/");
        }
        std::sort(maps.begin(), maps.end());
        return maps;
    }

    // Decodes an image; returns its size, or {0, 0} after noting the problem.
    std::pair<int, int> checkImage(std::int32_t map, const std::string& configured, const std::string& what) {
        const std::string p = at(configured);
        if (!isFile(p)) {
            add("missing-image", map, configured, 0, "the " + what + " is missing");
            return {0, 0};
        }
        plat::Graphics& g = platform_.graphics();
        const plat::SpriteId s = g.loadSprite(p);
        if (s == 0) {
            add("unreadable-image", map, configured, 0, "the " + what + " cannot be decoded");
            return {0, 0};
        }
        const std::pair<int, int> size{g.spriteWidth(s), g.spriteHeight(s)};
        g.freeSprite(s);
        return size;
    }

    struct Kind {
        world::TileDna dna;
        bool dnaRead = false;
    };

    void checkMap(std::int32_t m) {
        const std::string id = std::to_string(m);
        const std::string folder = cfg().SIMCORE + id + "/";
        if (!isFolder(at(folder))) {
            add("missing-map", m, folder, 0, "there is no map " + id);
            return;
        }
        if (!isFile(at(cfg().SOUNDPATH + "#L" + id + cfg().SOUNDCODEC)))
            add("missing-music", m, cfg().SOUNDPATH + "#L" + id + cfg().SOUNDCODEC, 0,
                "the level music is missing");

        // Tile kinds: names from the map's graphics subfolder, images and DNA from the shared folder.
        std::map<std::string, Kind> kinds;
        std::set<std::string> ids; // worldFTileID texts of the map's kinds
        for (const std::string& name : listNamesWithExtension(at(folder + cfg().GFX), cfg().GFXCODEC)) {
            Kind& k = kinds[name];
            const std::string base = cfg().GFX + name;
            checkImage(m, base + cfg().GFXCODEC, "image of tile kind " + name);
            if (!world::readTileDna(k.dna, at(base))) {
                add("missing-dna", m, base + ".dll", 0, "the DNA file of tile kind " + name + " is missing");
                continue;
            }
            k.dnaRead = true;
            if (!k.dna.worldFTileIDString.empty()) ids.insert(k.dna.worldFTileIDString);
            checkDnaFile(m, base + ".dll");
        }

        // Records, segment by segment, as the loader reads them.
        const std::size_t capacity = static_cast<std::size_t>(std::max(cfg().MAXOBJECTS, 0)) + 1;
        std::size_t created = 0;
        std::set<std::string> used;
        bool full = false;
        int lastSegment = -1;
        for (int s = 0; s <= world::kMaxMapSegment; ++s) {
            const std::string segment = folder + std::to_string(s);
            world::MapRecordReader reader;
            if (!reader.open(at(segment))) break;
            lastSegment = s;
            world::MapRecord rec;
            std::int32_t lines = 0;
            while (reader.next(rec, &lines)) {
                const std::int32_t line = 3 + 8 * (lines / 7 - 1); // the record's marker line
                const std::string name(rec.name);
                if (!rec.complete) {
                    add("cut-record", m, segment, line,
                        "the file ends inside the record of \"" + name + "\": it and the rest are cut");
                    break;
                }
                if (rec.layer != s) {
                    add("skipped-record", m, segment, line,
                        "\"" + name + "\" has layer " + std::to_string(rec.layer) + " in segment " +
                            std::to_string(s) + ": the loader skips it");
                    continue;
                }
                if (!kinds.count(name)) {
                    add("unknown-tile", m, segment, line, "unknown tile name \"" + name + "\"");
                    continue;
                }
                if (!(rec.width > 0) || !(rec.height > 0))
                    add("out-of-range", m, segment, line,
                        "\"" + name + "\" has no area (width or height not above 0)");
                used.insert(name);
                if (++created > capacity && !full) {
                    full = true;
                    add("too-many-records", m, segment, line,
                        "records from here on are beyond MAXOBJECTS (" + std::to_string(cfg().MAXOBJECTS) +
                            ") and are not loaded");
                }
            }
            if (!reader.sawEndMarker() && rec.complete)
                add("cut-record", m, segment, 0, "the segment has no end line");
        }
        if (created > world::kLargeMapRecords) largeMap_ = true;
        // Segments after a gap are never opened.
        for (int s = lastSegment + 2; s <= world::kMaxMapSegment; ++s)
            if (isFile(at(folder + std::to_string(s))))
                add("unread-segment", m, folder + std::to_string(s), 0,
                    "segment " + std::to_string(lastSegment + 1) + " is missing, so this one is never read");

        for (const std::string& name : used) checkKindUse(m, name, kinds.at(name), ids);
        for (const auto& [from, to] : world::kTitleLinks)
            if (from == m && !isFolder(at(cfg().SIMCORE + std::to_string(to) + "/")))
                add("missing-map", m, folder, 0,
                    "map " + id + " leads to map " + std::to_string(to) + ", which does not exist");
    }

    // Every pair of a DNA file, once per world: keys no reader knows, values that are not of their
    // key's type.
    void checkDnaFile(std::int32_t m, const std::string& dll) {
        if (!checkedDna_.insert(dll).second) return;
        std::string content;
        if (!textio::readRegularFile(at(dll), content, textio::kMaxTextFileBytes, nullptr)) return;
        textio::LineReader lines{std::move(content)};
        std::int32_t line = 1;
        world::forEachDnaPair(lines, [&](std::string_view key, std::string_view value) {
            const std::int32_t at = line;
            line += 2;
            if (key.empty() || key.front() == ';') return; // the comment lines at the end
            const auto keys = world::tileDnaKeys();
            const auto row =
                std::find_if(keys.begin(), keys.end(), [&](const auto& r) { return r.name == key; });
            if (row == keys.end()) {
                if (knownDnaKey(key)) return; // a key of tarn's: biosim skips it
                const std::string near = nearestDnaKey(std::string(key));
                add("unknown-dna-key", m, dll, at,
                    std::string(key) + ": unknown key" +
                        (near.empty() ? "" : "; did you mean " + near + "?") + " (biosim skips it)");
                return;
            }
            std::string why;
            if (!readsAs(row->kind, value, why))
                add("bad-dna-value", m, dll, at + 1,
                    std::string(key) + " \"" + std::string(value) + "\" " + why + ": biosim reads it as " +
                        (row->kind == world::DnaValueKind::Int || row->kind == world::DnaValueKind::Byte
                             ? std::to_string(textio::toInt(value))
                             : textio::formatReal(textio::toReal(value))));
        });
    }

    // What one kind that the map places needs.
    void checkKindUse(std::int32_t m, const std::string& name, const Kind& k,
                      const std::set<std::string>& ids) {
        if (!k.dnaRead) return;
        const world::TileDna& d = k.dna;
        const std::string dll = cfg().GFX + name + ".dll";
        if (!isNone(d.useWeapon) && !ids.count(d.useWeapon))
            add("missing-kind", m, dll, 0,
                name + " fires \"" + d.useWeapon +
                    "\" (useWeapon), but no kind of this map has that worldFTileIDString");
        if (!isNone(d.worldFTileFollow) && !ids.count(d.worldFTileFollow))
            add("missing-kind", m, dll, 0,
                name + " follows \"" + d.worldFTileFollow +
                    "\" (worldFTileFollow), but no kind of this map has that worldFTileIDString");
        if (d.worldFTileTransport != 0 && !world::isTransportKind(d.worldFTileIDString))
            add("bad-transport", m, dll, 0,
                name + " is a transport tile, but its worldFTileIDString \"" + d.worldFTileIDString +
                    "\" is none of WALKDOWN, WALKUP, WALKLEFT, WALKRIGHT: it moves nothing");
        // A player touching a FASS object goes to the map its worldFTileID names.
        if (d.worldFTileIDString == world::kind::Door &&
            !isFolder(at(cfg().SIMCORE + std::to_string(d.worldFTileID) + "/")))
            add("missing-map", m, dll, 0,
                name + " (FASS) leads to map " + std::to_string(d.worldFTileID) + ", which does not exist");
        if (!isNone(d.worldFTileSoundFile) &&
            std::find(soundNames_.begin(), soundNames_.end(), d.worldFTileSoundFile) == soundNames_.end())
            add("missing-sound", m, cfg().SOUNDPATH + d.worldFTileSoundFile + cfg().SOUNDCODEC, 0,
                "the sound of " + name + " is missing");
        // The valid ranges of the key table, last row first (the order the report has always had). A
        // float value is not shown: its text would carry six decimals.
        const auto keys = world::tileDnaKeys();
        for (auto row = keys.rbegin(); row != keys.rend(); ++row) {
            const double v = world::dnaNumber(*row, d);
            if (!row->range.checked || !(v < row->range.lo || v > row->range.hi)) continue;
            const std::string shown = row->asFloat ? "" : " " + std::to_string(static_cast<std::int64_t>(v));
            add("out-of-range", m, dll, 0,
                name + ": " + std::string(row->name) + shown + " is outside " +
                    std::to_string(row->range.lo) + ".." + std::to_string(row->range.hi));
        }
        if (!isNone(d.worldFTile_EFFECT_GFX))
            checkImage(m, cfg().EFFECT_GFX + d.worldFTile_EFFECT_GFX + cfg().GFXCODEC,
                       "effect image of " + name);
        if (!isNone(d.worldFTileUseShadow))
            checkImage(m, cfg().EFFECT_GFX + d.worldFTileUseShadow + cfg().GFXCODEC,
                       "shadow image of " + name);
        if (!isNone(d.animContainer)) checkAnimation(m, name, d.animContainer);
    }

    void checkAnimation(std::int32_t m, const std::string& name, const std::string& container) {
        if (!checkedAnims_.insert({m, container}).second) return;
        const std::string folder = cfg().ANIMSYSTEM + container + "/";
        if (!isFolder(at(folder))) {
            add("missing-animation", m, folder, 0, "the animation folder of " + name + " is missing");
            return;
        }
        const int slots = std::clamp(cfg().MAXANIMFRAMES, 0, kAnimSlots - 1);
        for (const std::string_view dir : world::kDirectionNames) {
            const std::string dirFolder = folder + std::string(dir) + "/";
            if (!isFolder(at(dirFolder))) continue; // a direction may have no frames
            int lastFound = 0, firstGap = 0;
            std::pair<int, int> size{0, 0};
            bool mixed = false;
            for (int n = 1; n <= slots; ++n) {
                const std::string frame = dirFolder + std::to_string(n) + cfg().GFXCODEC;
                if (!isFile(at(frame))) {
                    if (firstGap == 0) firstGap = n;
                    continue;
                }
                const auto s = checkImage(m, frame, "animation frame");
                if (s.first == 0) continue;
                if (size.first == 0)
                    size = s;
                else if (s != size && !mixed) {
                    mixed = true;
                    add("anim-sizes", m, frame, 0,
                        "frame sizes differ in " + dirFolder + ": " + std::to_string(s.first) + " x " +
                            std::to_string(s.second) + " after " + std::to_string(size.first) + " x " +
                            std::to_string(size.second));
                }
                lastFound = n;
            }
            if (firstGap > 0 && firstGap < lastFound)
                add("anim-gap", m, dirFolder, 0,
                    "frame " + std::to_string(firstGap) + " is missing but frame " +
                        std::to_string(lastFound) +
                        " exists: the animation shows the frames around the gap unevenly");
            std::error_code ec;
            for (auto it = fs::directory_iterator(at(dirFolder), ec); !ec && it != fs::directory_iterator();
                 it.increment(ec)) {
                const std::string stem = it->path().stem().string();
                const bool numeric = !stem.empty() && std::all_of(stem.begin(), stem.end(), [](char c) {
                    return c >= '0' && c <= '9';
                });
                if (numeric && stem.size() < 6 && std::stoi(stem) > slots &&
                    it->path().extension() == cfg().GFXCODEC)
                    add("anim-unused", m, dirFolder + it->path().filename().string(), 0,
                        "frame number above MAXANIMFRAMES (" + std::to_string(slots) + "): never shown");
            }
        }
    }

    const ContentCheckRequest& req_;
    ContentReport& out_;
    plat::headless::OffscreenPlatform platform_;
    std::unique_ptr<Biosim> e_;
    std::vector<std::string> soundNames_;
    bool largeMap_ = false;
    std::set<std::pair<std::int32_t, std::string>> checkedAnims_;
    std::set<std::string> checkedDna_;
};

} // namespace

ContentReport checkContent(const ContentCheckRequest& request) {
    ContentReport report;
    Checker(request, report).run();
    return report;
}

std::string nearestDnaKey(const std::string& key) {
    const std::string k = lower(key);
    std::string best;
    std::size_t bestDistance = std::max<std::size_t>(2, k.size() / 4) + 1; // farther is no likely slip
    auto consider = [&](std::string_view name) {
        const std::size_t d = editDistance(k, lower(name));
        if (d < bestDistance) {
            bestDistance = d;
            best = std::string(name);
        }
    };
    for (const auto& row : world::tileDnaKeys()) consider(row.name);
    for (const auto& row : world::tarnDnaKeys()) consider(row.name);
    return best;
}

int contentCheckExitCode(const ContentReport& r, bool strict) {
    for (const ContentProblem& p : r.problems)
        if (p.severity == Severity::Error || strict) return 1;
    return 0;
}

namespace {
const char* severityName(Severity s) {
    return s == Severity::Error ? "error" : "warning";
}
std::size_t countOf(const ContentReport& r, Severity s) {
    return static_cast<std::size_t>(std::count_if(r.problems.begin(), r.problems.end(),
                                                  [s](const ContentProblem& p) { return p.severity == s; }));
}
std::string plural(std::size_t n, const char* word) {
    return std::to_string(n) + " " + word + (n == 1 ? "" : "s");
}
} // namespace

std::string formatContentReport(const ContentReport& r) {
    std::string out;
    for (const ContentProblem& p : r.problems) {
        std::string where = std::string(severityName(p.severity)) + ": ";
        where += p.map != kWorldWide ? "map " + std::to_string(p.map) + ": " : "world: ";
        where += p.file;
        if (p.line > 0) where += " line " + std::to_string(p.line);
        out += where + ": " + p.text + " [" + p.kind + "]\n";
    }
    out += plural(r.problems.size(), "problem") + " in " + plural(r.mapsChecked.size(), "map") + ": " +
           plural(countOf(r, Severity::Error), "error") + ", " +
           plural(countOf(r, Severity::Warning), "warning") + "\n";
    return out;
}

std::string contentReportJson(const ContentReport& r) {
    nlohmann::json j;
    j["mapsChecked"] = r.mapsChecked;
    j["problems"] = nlohmann::json::array();
    for (const ContentProblem& p : r.problems)
        j["problems"].push_back(
            {{"kind", p.kind},
             {"severity", severityName(p.severity)},
             {"map", p.map != kWorldWide ? nlohmann::json(p.map) : nlohmann::json(nullptr)},
             {"file", p.file},
             {"line", p.line},
             {"text", p.text}});
    j["count"] = r.problems.size();
    j["errors"] = countOf(r, Severity::Error);
    j["warnings"] = countOf(r, Severity::Warning);
    return j.dump(2) + "\n";
}

} // namespace makers
