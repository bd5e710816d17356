// tarn's DNA reader and the DNA writer on any bytes: no crash, and what the writer makes of the
// pairs read back is exactly the pairs it wrote (plus the four comment pairs).
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "world/DnaFile.h"

namespace {

std::vector<world::DnaEntry> pairsOf(const std::string& text) {
    std::vector<world::DnaEntry> out;
    textio::LineReader lines{text};
    world::forEachDnaPair(lines, [&](std::string_view k, std::string_view v) {
        out.push_back({std::string(k), std::string(v)});
    });
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    world::TarnTileDna dna;
    world::parseTarnTileDna(dna, text);

    const std::vector<world::DnaEntry> entries = pairsOf(text);
    std::vector<std::size_t> skipped;
    const std::string written = world::formatDnaFile(entries, &skipped);
    std::vector<world::DnaEntry> kept;
    std::size_t s = 0;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (s < skipped.size() && skipped[s] == i) {
            ++s;
            continue;
        }
        if (entries[i].key == world::kDnaKeyFail || entries[i].value == world::kDnaValueFail) continue;
        kept.push_back(entries[i]);
    }
    const std::vector<world::DnaEntry> back = pairsOf(written);
    if (back.size() != kept.size() + 4) std::abort();
    for (std::size_t i = 0; i < kept.size(); ++i)
        if (back[i].key != kept[i].key || back[i].value != kept[i].value) std::abort();
    if (world::formatDnaFile(std::vector<world::DnaEntry>(back.begin(), back.begin() + kept.size())) !=
        written)
        std::abort();
    return 0;
}
