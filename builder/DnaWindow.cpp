// DnaWindow: the DNA editor in window 103.
#include "builder/DnaWindow.h"

#include <algorithm>
#include <string_view>
#include <utility>
#include <vector>

#include "builder/Messages.h"
#include "builder/Windows.h"
#include "platform/TextIo.h"
#include "world/DnaFile.h"

namespace tarn {

namespace {

// A pair that is one of the comment lines a written DNA file ends with (or no pair at all).
bool isComment(const world::DnaEntry& e) {
    return e.key.empty() || e.key[0] == ';';
}

void publish(Builder& b) {
    if (b.services.windows != nullptr) b.services.windows->dnaFieldsChanged(&b.edit.dnaFields);
}

std::string kindName(const Builder& b) {
    if (b.edit.dnaKind < 0 || b.edit.dnaKind >= static_cast<int>(b.tiles.kinds.size())) return {};
    return b.tiles.kinds[static_cast<std::size_t>(b.edit.dnaKind)].fileName;
}

void setTitle(Builder& b, const std::string& path) {
    if (b.services.windows != nullptr && b.services.windows->isOpen(kDnaWindow))
        b.services.windows->setTitle(kDnaWindow, "DNA for Tile: " + path + " File:" + kindName(b));
}

// The tool tip of a placeholder entry; every DNA key's own text is on its key table row.
constexpr std::string_view kPlaceholderHelp =
    "The default DNA file was not found: this entry holds nothing and is not saved";

} // namespace

WindowRect dnaWindowRect(std::size_t entries, int desktopW, int desktopH, int chromeHeight) {
    const int perColumn = kDnaEntriesPerColumn;
    const int n = static_cast<int>(std::min<std::size_t>(entries, 4096));
    const int columns = std::max(1, (n + perColumn - 1) / perColumn);
    const int rows = std::min(n, perColumn);
    // A few pixels more than the columns (at least the two buttons side by side), so that no scroll
    // bar is needed when everything fits.
    constexpr int kMargin = 8;
    const int wantW = std::max(2, columns) * kDnaFieldWidth + kMargin;
    const int wantH = chromeHeight + kDnaButtonHeight + rows * 2 * kDnaFieldHeight + kMargin;
    WindowRect r;
    r.w = std::max(1, std::min(wantW, desktopW - desktopW / 4));
    r.h = std::max(1, std::min(wantH, desktopH));
    r.x = desktopW - r.w;
    return r;
}

std::size_t defaultDnaEntryCount(const Builder& b) {
    std::vector<world::DnaEntry> pairs;
    if (!world::readDnaEntries(b.paths.dnaFile, pairs)) return kDnaPlaceholders;
    return static_cast<std::size_t>(
        std::count_if(pairs.begin(), pairs.end(), [](const world::DnaEntry& e) { return !isComment(e); }));
}

std::string_view dnaKeyHelp(std::string_view key) {
    if (key == world::kDnaKeyFail) return kPlaceholderHelp;
    return world::dnaKeyHelp(key);
}

void buildDnaEntries(Builder& b) {
    b.edit.dnaFields.clear();
    std::vector<world::DnaEntry> pairs;
    if (!world::readDnaEntries(b.paths.dnaFile, pairs)) {
        reportError(b, 119);
        for (int i = 0; i < kDnaPlaceholders; ++i)
            b.edit.dnaFields.push_back(DnaField{std::string(world::kDnaKeyFail),
                                                std::string(world::kDnaValueFail),
                                                std::string(dnaKeyHelp(world::kDnaKeyFail)), false, true});
    } else {
        for (const world::DnaEntry& e : pairs) {
            if (isComment(e)) continue;
            b.edit.dnaFields.push_back(
                DnaField{e.key, e.value, std::string(dnaKeyHelp(e.key)), false, false});
        }
    }
    publish(b);
}

void showTileDna(Builder& b, const std::string& pathWithoutExtension) {
    b.edit.dnaKind = -1;
    b.edit.dnaReset = false;
    for (std::size_t k = 0; k < b.tiles.kinds.size(); ++k)
        if (b.cfg.GFXPATH + b.tiles.kinds[k].fileName == pathWithoutExtension)
            b.edit.dnaKind = static_cast<int>(k);
    buildDnaEntries(b);
    setTitle(b, pathWithoutExtension);
    std::vector<world::DnaEntry> pairs;
    if (!world::readDnaEntries(pathWithoutExtension + ".dll", pairs)) return;
    for (const world::DnaEntry& e : pairs) {
        if (isComment(e)) continue;
        DnaField* target = nullptr;
        for (DnaField& f : b.edit.dnaFields)
            if (!f.placeholder && f.key == e.key) target = &f;
        if (target == nullptr) {
            // A key the default file lacks stays, after the others; it replaces a placeholder first.
            for (DnaField& f : b.edit.dnaFields)
                if (f.placeholder && target == nullptr) target = &f;
            if (target == nullptr) {
                b.edit.dnaFields.push_back(DnaField{});
                target = &b.edit.dnaFields.back();
            }
            target->key = e.key;
            target->help = std::string(dnaKeyHelp(e.key));
            target->placeholder = false;
        }
        target->value = e.value;
        target->fromTile = true;
    }
    publish(b);
}

void resetTileDna(Builder& b) {
    buildDnaEntries(b);
    b.edit.dnaReset = true;
    setTitle(b, b.paths.dnaFile);
}

DnaSaved saveTileDna(Builder& b) {
    DnaSaved saved;
    if (b.edit.dnaKind < 0 || b.edit.dnaKind >= static_cast<int>(b.tiles.kinds.size())) {
        b.edit.notice = "SET_DNA: select a tile kind in the tile window first";
        return saved;
    }
    std::vector<world::DnaEntry> entries;
    for (const DnaField& f : b.edit.dnaFields)
        if (!f.placeholder) entries.push_back(world::DnaEntry{f.key, f.value});
    TileKind& kind = b.tiles.kinds[static_cast<std::size_t>(b.edit.dnaKind)];
    const std::string path = b.cfg.GFXPATH + kind.fileName + ".dll";
    // After KILL_DNA the entries are the defaults: writing them replaces the kind's own DNA (its id
    // too), so the user is asked first; keeping the file loses nothing.
    if (b.edit.dnaReset && !ask(b, "MAP BUILDER: Overwrite DNA?",
                                "KILL_DNA reset the entries to the default DNA.\nOverwrite the DNA of " +
                                    kind.fileName + " with them?",
                                plat::Buttons::YesNo, false)) {
        b.edit.notice = "DNA not saved: " + path + " is kept";
        return saved;
    }
    saved.path = path;
    saved.existed = textio::readFile(path, saved.before);
    const world::DnaWriteResult r = world::writeDnaFile(path, entries);
    if (!r.ok) {
        reportError(b, 124);
        return saved;
    }
    saved.ok = textio::readFile(path, saved.after);
    if (!r.skipped.empty())
        inform(b, "MAP BUILDER MESSAGE:",
               std::to_string(r.skipped.size()) +
                   " DNA entries hold a line break and were not saved, the first: " +
                   entries[r.skipped.front()].key);
    // The kind's DNA is read again; tiles placed before keep the values they were placed with.
    auto dna = std::make_shared<KindDna>();
    readKindDna(*dna, b.cfg.GFXPATH + kind.fileName);
    kind.dna = std::move(dna);
    b.edit.notice = "DNA saved: " + path;
    return saved;
}

} // namespace tarn
