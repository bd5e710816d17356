// DnaWindow: the DNA editor in window 103.
#include "builder/DnaWindow.h"

#include <string_view>
#include <utility>

#include "builder/Messages.h"
#include "builder/Windows.h"
#include "world/DnaFile.h"

namespace tarn {

namespace {

// A pair that is one of the comment lines a written DNA file ends with (or no pair at all).
bool isComment(const world::DnaEntry& e) {
    return e.key.empty() || e.key[0] == ';';
}

void publish(Builder& b) {
    b.dnaEntryCount = static_cast<int>(b.dnaFields.size());
    if (b.windows != nullptr) b.windows->dnaFieldsChanged(&b.dnaFields);
}

std::string kindName(const Builder& b) {
    if (b.dnaKind < 0 || b.dnaKind >= static_cast<int>(b.kinds.size())) return {};
    return b.kinds[static_cast<std::size_t>(b.dnaKind)].fileName;
}

void setTitle(Builder& b, const std::string& path) {
    if (b.windows != nullptr && b.windows->isOpen(kDnaWindow))
        b.windows->setTitle(kDnaWindow, "DNA for Tile: " + path + " File:" + kindName(b));
}

// The tool tip of a placeholder entry; every DNA key's own text is on its key table row.
constexpr std::string_view kPlaceholderHelp =
    "The default DNA file was not found: this entry holds nothing and is not saved";

} // namespace

std::string_view dnaKeyHelp(std::string_view key) {
    if (key == world::kDnaKeyFail) return kPlaceholderHelp;
    return world::dnaKeyHelp(key);
}

void buildDnaEntries(Builder& b) {
    b.dnaFields.clear();
    std::vector<world::DnaEntry> pairs;
    if (!world::readDnaEntries(b.dnaFilePath, pairs)) {
        reportError(b, 119);
        for (int i = 0; i < kDnaPlaceholders; ++i)
            b.dnaFields.push_back(DnaField{std::string(world::kDnaKeyFail), std::string(world::kDnaValueFail),
                                           std::string(dnaKeyHelp(world::kDnaKeyFail)), false, true});
    } else {
        for (const world::DnaEntry& e : pairs) {
            if (isComment(e)) continue;
            b.dnaFields.push_back(DnaField{e.key, e.value, std::string(dnaKeyHelp(e.key)), false, false});
        }
    }
    publish(b);
}

void showTileDna(Builder& b, const std::string& pathWithoutExtension) {
    b.dnaKind = -1;
    for (std::size_t k = 0; k < b.kinds.size(); ++k)
        if (b.cfg.GFXPATH + b.kinds[k].fileName == pathWithoutExtension) b.dnaKind = static_cast<int>(k);
    buildDnaEntries(b);
    setTitle(b, pathWithoutExtension);
    std::vector<world::DnaEntry> pairs;
    if (!world::readDnaEntries(pathWithoutExtension + ".dll", pairs)) return;
    for (const world::DnaEntry& e : pairs) {
        if (isComment(e)) continue;
        DnaField* target = nullptr;
        for (DnaField& f : b.dnaFields)
            if (!f.placeholder && f.key == e.key) target = &f;
        if (target == nullptr) {
            // A key the default file lacks stays, after the others; it replaces a placeholder first.
            for (DnaField& f : b.dnaFields)
                if (f.placeholder && target == nullptr) target = &f;
            if (target == nullptr) {
                b.dnaFields.push_back(DnaField{});
                target = &b.dnaFields.back();
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
    setTitle(b, b.dnaFilePath);
}

void saveTileDna(Builder& b) {
    if (b.dnaKind < 0 || b.dnaKind >= static_cast<int>(b.kinds.size())) {
        b.notice = "SET_DNA: select a tile kind in the tile window first";
        return;
    }
    std::vector<world::DnaEntry> entries;
    for (const DnaField& f : b.dnaFields)
        if (!f.placeholder) entries.push_back(world::DnaEntry{f.key, f.value});
    TileKind& kind = b.kinds[static_cast<std::size_t>(b.dnaKind)];
    const std::string path = b.cfg.GFXPATH + kind.fileName + ".dll";
    const world::DnaWriteResult r = world::writeDnaFile(path, entries);
    if (!r.ok) {
        reportError(b, 124);
        return;
    }
    if (!r.skipped.empty())
        b.dialogs().messageBox("MAP BUILDER MESSAGE:",
                               std::to_string(r.skipped.size()) +
                                   " DNA entries hold a line break and were not saved, the first: " +
                                   entries[r.skipped.front()].key,
                               plat::Buttons::Ok);
    // The kind's DNA is read again; tiles placed before keep the values they were placed with.
    auto dna = std::make_shared<KindDna>();
    readKindDna(*dna, b.cfg.GFXPATH + kind.fileName);
    kind.dna = std::move(dna);
    b.notice = "DNA saved: " + path;
}

} // namespace tarn
