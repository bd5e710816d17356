// The map file format: record iteration, the two writers and tarn's two readers.
#include "world/MapFormat.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <filesystem>
#include <unordered_set>

#include <cerrno>
#include <csignal>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/Rounding.h"
#include "platform/TextIo.h"
namespace world {

namespace {

// A number line read as a float. Lines of plain decimal digits (what the writers produce) are
// converted directly, which gives exactly the float that textio::toReal gives; anything else goes
// through textio::toReal. This keeps the record loop cheap for large maps.
float readReal(std::string_view text) {
    std::size_t i = 0;
    bool negative = false;
    if (!text.empty() && text[0] == '-') {
        negative = true;
        i = 1;
    }
    const std::size_t digits = text.size() - i;
    if (digits == 0 || digits > 9) return textio::toReal(text);
    std::int32_t v = 0;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (c < '0' || c > '9') return textio::toReal(text);
        v = v * 10 + (c - '0');
    }
    if (negative) {
        if (v == 0) return textio::toReal(text); // "-0" is a negative zero
        v = -v;
    }
    return static_cast<float>(v);
}

void lineInt(textio::LineWriter& w, std::int64_t v) {
    char buf[24];
    const auto res = std::to_chars(buf, buf + sizeof(buf), v);
    w.line(std::string_view(buf, static_cast<std::size_t>(res.ptr - buf)));
}

void writeRecord(textio::LineWriter& w, const PlacedTile& t) {
    w.line(kTileMarker);
    w.line(t.name);
    lineInt(w, t.kind);
    lineInt(w, plat::roundHalfAwayInt32(t.x));
    lineInt(w, plat::roundHalfAwayInt32(t.y));
    lineInt(w, plat::roundHalfAwayInt32(t.width));
    lineInt(w, plat::roundHalfAwayInt32(t.height));
    lineInt(w, t.layer);
}

// The text of one map file holding the tiles at `indices`, in that order.
std::string formatIndices(const std::vector<PlacedTile>& tiles, const std::vector<std::size_t>& indices) {
    textio::LineWriter w;
    w.line("0");
    w.line("0");
    for (std::size_t i : indices) writeRecord(w, tiles[i]);
    w.line(kMapEndMarker);
    return w.content();
}

std::string withSeparator(const std::string& folder) {
    return textio::asFolder(textio::nativePath(folder));
}

// True when the file at `path` is a map segment that a writer made for `layer`: two number lines,
// records marked "TILE" whose layer line is `layer`, and the end line.
bool isSegmentOfLayer(const std::string& path, std::int32_t layer) {
    std::string content;
    if (!textio::readFile(path, content)) return false;
    const auto numberLine = [](std::string_view line) {
        if (!line.empty() && line[0] == '-') line.remove_prefix(1);
        return !line.empty() && line.find_first_not_of("0123456789") == std::string_view::npos;
    };
    textio::LineReader lines(std::move(content));
    if (!numberLine(lines.readLineView()) || !numberLine(lines.readLineView())) return false;
    const std::string wanted = std::to_string(layer);
    while (!lines.eof()) {
        const std::string_view marker = lines.readLineView();
        if (marker == kMapEndMarker) return true;
        if (marker != kTileMarker) return false;
        for (int i = 0; i < 6; ++i) lines.readLineView();
        if (lines.eof() || lines.readLineView() != wanted) return false;
    }
    return false;
}

// Adds the records of one map file to `out`.
void readInto(MapRecordReader& reader, LoadedMap& out, const KindLookup& lookup) {
    out.scrollX = reader.scrollX();
    out.scrollY = reader.scrollY();
    MapRecord rec;
    while (reader.next(rec)) {
        PlacedTile t;
        t.name = std::string(rec.name);
        t.kind = lookup ? lookup(rec.name) : textio::toInt(rec.kindText);
        // tarn reads positions and sizes as integers (a float text gives its integer part).
        t.x = static_cast<float>(textio::toInt(rec.xText));
        t.y = static_cast<float>(textio::toInt(rec.yText));
        t.width = static_cast<float>(textio::toInt(rec.widthText));
        t.height = static_cast<float>(textio::toInt(rec.heightText));
        t.layer = rec.layer;
        t.alive = true;
        out.maxLayer = std::max(out.maxLayer, t.layer);
        out.tiles.push_back(std::move(t));
    }
}

// Room for the records of `bytes` of map text (a written record takes about 40 bytes), so that a
// large map does not move its tiles again and again while it grows.
void reserveFor(LoadedMap& out, std::size_t bytes) {
    const std::size_t needed = out.tiles.size() + bytes / 40 + 1;
    if (needed > out.tiles.capacity()) out.tiles.reserve(std::max(needed, out.tiles.capacity() * 2));
}

// Adds the records of the map file at `path` to `out`; false when it does not open.
bool readInto(const std::string& path, LoadedMap& out, const KindLookup& lookup) {
    std::string content;
    if (!textio::readFile(path, content)) return false;
    reserveFor(out, content.size());
    MapRecordReader reader(std::move(content));
    readInto(reader, out, lookup);
    return true;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Record iteration
// ---------------------------------------------------------------------------------------------

MapRecordReader::MapRecordReader(std::string content) : lines_(std::move(content)) {
    readHeader();
}

bool MapRecordReader::open(const std::string& path) {
    scrollX_ = scrollY_ = 0;
    sawEnd_ = false;
    if (!lines_.open(textio::nativePath(path))) return false;
    readHeader();
    return true;
}

void MapRecordReader::readHeader() {
    scrollX_ = textio::toInt(lines_.readLineView());
    scrollY_ = textio::toInt(lines_.readLineView());
}

bool MapRecordReader::next(MapRecord& rec, std::int32_t* lineCounter) {
    if (sawEnd_ || lines_.eof()) return false;
    const std::string_view marker = lines_.readLineView();
    if (marker == kMapEndMarker) {
        sawEnd_ = true;
        return false;
    }
    rec.marker = marker;
    rec.complete = true;
    auto field = [&]() {
        if (lines_.eof()) rec.complete = false;
        return lines_.readLineView();
    };
    rec.name = field();
    rec.kindText = field();
    rec.xText = field();
    rec.yText = field();
    rec.widthText = field();
    rec.heightText = field();
    rec.layerText = field();
    rec.x = readReal(rec.xText);
    rec.y = readReal(rec.yText);
    rec.width = readReal(rec.widthText);
    rec.height = readReal(rec.heightText);
    rec.layer = textio::toInt(rec.layerText);
    if (lineCounter) *lineCounter += 7;
    return true;
}

// ---------------------------------------------------------------------------------------------
// Writers
// ---------------------------------------------------------------------------------------------

bool isWritableTileName(std::string_view name) {
    return !name.empty() && name.find_first_of("\r\n") == std::string_view::npos;
}

std::string formatMap(const std::vector<PlacedTile>& tiles, std::int32_t layer,
                      std::vector<std::size_t>* skipped) {
    std::vector<std::size_t> indices;
    indices.reserve(tiles.size());
    for (std::size_t i = 0; i < tiles.size(); ++i) {
        const PlacedTile& t = tiles[i];
        if (!t.alive || (layer >= 0 && t.layer != layer)) continue;
        if (!isWritableTileName(t.name)) {
            if (skipped) skipped->push_back(i);
            continue;
        }
        indices.push_back(i);
    }
    return formatIndices(tiles, indices);
}

MapWriteResult writeMapFile(const std::string& path, const std::vector<PlacedTile>& tiles) {
    MapWriteResult r;
    const std::string content = formatMap(tiles, -1, &r.skipped);
    const std::string file = textio::nativePath(path);
    r.ok = textio::writeFileAtomic(file, content);
    if (!r.ok) r.failedFiles.push_back(file);
    return r;
}

namespace {

MapSaveStepHook gSaveStep = nullptr;

void saveStep(const char* step) {
    if (gSaveStep) gSaveStep(step);
}

constexpr std::string_view kJournalPrefix = ".map-save.";
constexpr std::string_view kJournalSuffix = ".journal";

// A name the journal may hold: a file of the map folder itself or of its graphics folder, never one
// that leads elsewhere (a journal is a file like any other in a map folder someone sends you).
bool isJournalName(std::string_view rel) {
    if (rel.substr(0, kMapGfxFolder.size()) == kMapGfxFolder) rel.remove_prefix(kMapGfxFolder.size());
    return !rel.empty() && rel != "." && rel != ".." && rel.find_first_of("/\\") == std::string_view::npos;
}

// The process id in a journal's name ".map-save.<pid>.journal", or 0 when the name is no journal's.
long journalOwner(std::string_view name) {
    if (name.size() <= kJournalPrefix.size() + kJournalSuffix.size() ||
        name.substr(0, kJournalPrefix.size()) != kJournalPrefix ||
        name.substr(name.size() - kJournalSuffix.size()) != kJournalSuffix)
        return 0;
    const std::string_view digits =
        name.substr(kJournalPrefix.size(), name.size() - kJournalPrefix.size() - kJournalSuffix.size());
    if (digits.size() > 9 || digits.find_first_not_of("0123456789") != std::string_view::npos) return 0;
    return textio::toInt(digits);
}

// Carries out a committed journal: renames each staged file over its target and removes the stale
// segments. Steps done before (a save killed part way) are skipped. false when a step failed.
bool applyJournal(const std::string& base, const std::string& journal) {
    std::string text;
    if (!textio::readRegularFile(journal, text, textio::kMaxTextFileBytes, nullptr)) return false;
    const std::vector<std::string> lines = textio::splitLines(text);
    if (lines.empty() || lines.back() != "END") return false; // never committed: nothing to do
    bool ok = true;
    bool gfx = false;
    for (std::size_t i = 0; i + 1 < lines.size();) {
        if (lines[i] == "R" && i + 2 < lines.size() && isJournalName(lines[i + 1]) &&
            isJournalName(lines[i + 2])) {
            const std::string from = base + lines[i + 1], to = base + lines[i + 2];
            gfx = gfx || lines[i + 2].find('/') != std::string::npos;
            struct stat st {};
            if (::lstat(from.c_str(), &st) == 0) {
                if (std::rename(from.c_str(), to.c_str()) != 0) ok = false;
                saveStep("renamed");
            }
            i += 3;
        } else if (lines[i] == "D" && i + 1 < lines.size() && isJournalName(lines[i + 1])) {
            const std::string stale = base + lines[i + 1];
            if (::unlink(stale.c_str()) != 0 && errno != ENOENT) ok = false;
            saveStep("removed");
            i += 2;
        } else {
            return false; // not a journal this writer made
        }
    }
    if (!textio::syncFolder(base)) ok = false;
    if (gfx && !textio::syncFolder(base + std::string(kMapGfxFolder))) ok = false;
    return ok;
}

} // namespace

void setMapSaveStepHook(MapSaveStepHook hook) {
    gSaveStep = hook;
}

int recoverMapFolder(const std::string& folder) {
    const std::string base = withSeparator(folder);
    int finished = 0;
    std::error_code ec;
    std::vector<std::string> journals;
    for (auto it = std::filesystem::directory_iterator(base, ec);
         !ec && it != std::filesystem::directory_iterator(); it.increment(ec)) {
        const std::string name = it->path().filename().string();
        const long pid = journalOwner(name);
        // A journal of a process that still runs is a save in progress.
        if (pid <= 0 || pid == ::getpid() || ::kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH)
            continue;
        journals.push_back(base + name);
    }
    std::sort(journals.begin(), journals.end());
    for (const std::string& journal : journals) {
        if (applyJournal(base, journal)) ++finished;
        ::unlink(journal.c_str());
    }
    // What is left of saves that never committed goes: the old map stays whole.
    textio::removeStaleTemporaries(base);
    textio::removeStaleTemporaries(base + std::string(kMapGfxFolder));
    return finished;
}

MapWriteResult writeMapFolder(const std::string& folder, const std::vector<PlacedTile>& tiles,
                              const MapFolderSave& save) {
    MapWriteResult r;
    const std::string base = withSeparator(folder);
    std::error_code ec;
    if (std::filesystem::is_directory(base, ec)) recoverMapFolder(base);

    // Sort the alive tiles into their segments; a record no reader would get back is reported.
    std::int32_t top = std::clamp(save.maxUsedLayer, 0, kMaxMapSegment);
    std::vector<std::vector<std::size_t>> segments(kMaxMapSegment + 1);
    for (std::size_t i = 0; i < tiles.size(); ++i) {
        const PlacedTile& t = tiles[i];
        if (!t.alive) continue;
        if (!isWritableTileName(t.name) || t.layer < 0 || t.layer > kMaxMapSegment) {
            r.skipped.push_back(i);
            continue;
        }
        segments[static_cast<std::size_t>(t.layer)].push_back(i);
        top = std::max(top, t.layer);
    }

    // Every new file is first written complete beside its old one. Only when all of them are there
    // does the save commit (a journal listing the renames and removals), so that a save that fails
    // or is killed before leaves the old map whole, and one killed after is completed by the next
    // program that opens the folder.
    struct Staged {
        std::string temp, rel; // the temporary and the target, both relative to the folder
    };
    std::vector<Staged> staged;
    const auto stage = [&](const std::string& rel, std::string_view content) {
        std::string temp;
        if (!isJournalName(rel) || !textio::writeTemporary(base + rel, content, temp)) {
            r.failedFiles.push_back(base + rel);
            return;
        }
        const std::string relTemp = temp.substr(temp.rfind('/') + 1);
        const std::size_t slash = rel.rfind('/');
        staged.push_back({slash == std::string::npos ? relTemp : rel.substr(0, slash + 1) + relTemp, rel});
        saveStep("written");
    };

    const auto kept = [&](std::int32_t layer) {
        return std::find(save.keepSegments.begin(), save.keepSegments.end(), layer) !=
               save.keepSegments.end();
    };
    for (std::int32_t layer = 0; layer <= top; ++layer)
        if (!kept(layer))
            stage(std::to_string(layer), formatIndices(tiles, segments[static_cast<std::size_t>(layer)]));

    const std::string gfxRel(kMapGfxFolder);
    const std::string gfxTarget = base + gfxRel;
    // The graphics folder is never created here: without it the copies are left out quietly.
    if (std::filesystem::is_directory(gfxTarget, ec)) {
        const std::string gfxSource = textio::nativePath(save.gfxFolder);
        std::unordered_set<std::string_view> copied;
        for (std::int32_t layer = 0; layer <= top && save.copyKindFiles; ++layer)
            for (std::size_t i : segments[static_cast<std::size_t>(layer)]) {
                const std::string& name = tiles[i].name;
                // A name that holds a separator would copy from or into another folder.
                if (name.find_first_of("/\\") != std::string::npos) continue;
                if (!copied.insert(name).second) continue;
                for (const std::string& ext : {save.gfxExtension, std::string(".dll")}) {
                    const std::string from = gfxSource + name + ext;
                    std::error_code same;
                    if (std::filesystem::equivalent(from, gfxTarget + name + ext, same)) continue;
                    std::string content;
                    if (!textio::readFile(from, content)) continue; // a missing copy: the caller checks
                    stage(gfxRel + name + ext, content);
                }
            }
        for (const auto& [name, content] : save.gfxFiles) stage(gfxRel + name, content);
    } else {
        for (const auto& file : save.gfxFiles) r.failedFiles.push_back(gfxTarget + file.first);
    }

    textio::LineWriter count;
    lineInt(count, save.highestTileIndex);
    stage(std::string(kTileCountFile), count.content());

    const auto dropStaged = [&] {
        for (const Staged& s : staged) ::unlink((base + s.temp).c_str());
    };
    if (!r.failedFiles.empty()) {
        dropStaged();
        return r;
    }

    // Segments above the new top layer belong to a larger map saved here before. Both programs
    // read every numbered segment they find, so left in place they would bring its tiles back.
    // Only files that read as segments of their own layer go, and none in tarn's working folder
    // (it holds the start map "1" and the user's own files).
    std::vector<std::string> stale;
    const bool workingFolder = std::filesystem::exists(base + "_DATA/ini.txt", ec);
    for (std::int32_t layer = top + 1; layer <= kMaxMapSegment && !workingFolder; ++layer) {
        const std::string name = std::to_string(layer);
        if (!kept(layer) && std::filesystem::is_regular_file(base + name, ec) &&
            isSegmentOfLayer(base + name, layer))
            stale.push_back(name);
    }

    // The journal: written complete, then everything is flushed at once, then it is named.
    textio::LineWriter journal;
    for (const Staged& s : staged) {
        journal.line("R");
        journal.line(s.temp);
        journal.line(s.rel);
    }
    for (const std::string& name : stale) {
        journal.line("D");
        journal.line(name);
    }
    journal.line("END");
    const std::string journalPath =
        base + std::string(kJournalPrefix) + std::to_string(::getpid()) + std::string(kJournalSuffix);
    std::string journalTemp;
    const bool journalWritten = textio::writeTemporary(journalPath, journal.content(), journalTemp);
    if (!journalWritten || !textio::syncFolderFiles(base)) {
        if (journalWritten) ::unlink(journalTemp.c_str());
        dropStaged();
        r.failedFiles.push_back(journalPath);
        return r;
    }
    saveStep("staged");
    if (std::rename(journalTemp.c_str(), journalPath.c_str()) != 0 || !textio::syncFolder(base)) {
        ::unlink(journalTemp.c_str());
        ::unlink(journalPath.c_str());
        dropStaged();
        r.failedFiles.push_back(journalPath);
        return r;
    }
    saveStep("committed");
    if (!applyJournal(base, journalPath)) {
        // The journal stays: the next program to open the folder finishes the save.
        r.failedFiles.push_back(journalPath);
        return r;
    }
    ::unlink(journalPath.c_str());
    saveStep("done");
    r.ok = true;
    return r;
}

// ---------------------------------------------------------------------------------------------
// tarn's readers
// ---------------------------------------------------------------------------------------------

bool looksLikeMapText(std::string_view content) {
    const auto integerLine = [](std::string_view line) {
        std::size_t i = line.find_first_not_of(" \t");
        if (i == std::string_view::npos) return false;
        if (line[i] == '-' || line[i] == '+') ++i;
        return i < line.size() && line[i] >= '0' && line[i] <= '9';
    };
    // Only the first three lines are looked at.
    std::size_t end = 0;
    for (int n = 0; n < 3 && end != std::string_view::npos; ++n) {
        end = content.find('\n', end);
        if (end != std::string_view::npos) ++end;
    }
    textio::LineReader lines{std::string(content.substr(0, end))};
    if (!integerLine(lines.readLineView()) || !integerLine(lines.readLineView())) return false;
    const std::string_view marker = lines.readLineView();
    return marker == kTileMarker || marker == kMapEndMarker;
}

bool readMapFile(const std::string& path, LoadedMap& out, const KindLookup& lookup) {
    out = LoadedMap{};
    return readInto(textio::nativePath(path), out, lookup);
}

void readMapText(std::string content, LoadedMap& out, const KindLookup& lookup) {
    out = LoadedMap{};
    reserveFor(out, content.size());
    MapRecordReader reader(std::move(content));
    readInto(reader, out, lookup);
}

bool readMapFolder(const std::string& folder, LoadedMap& out, const KindLookup& lookup) {
    out = LoadedMap{};
    const std::string base = withSeparator(folder);
    recoverMapFolder(base);
    // Read the segments first, so the tile list is sized once for all of them.
    std::vector<std::string> contents;
    std::size_t bytes = 0;
    for (int s = 0; s <= kMaxMapSegment; ++s) {
        std::string content;
        if (!textio::readFile(base + std::to_string(s), content)) continue;
        bytes += content.size();
        contents.push_back(std::move(content));
    }
    reserveFor(out, bytes);
    for (std::string& content : contents) {
        MapRecordReader reader(std::move(content));
        readInto(reader, out, lookup);
    }
    return !contents.empty();
}

} // namespace world
