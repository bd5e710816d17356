// Builder: the builder state's start values.
#include "builder/Builder.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <unistd.h>

#include "platform/TextIo.h"
namespace tarn {

std::string currentFolder() {
    std::string folder;
    std::vector<char> buffer(4096);
    if (getcwd(buffer.data(), buffer.size()) != nullptr) folder = buffer.data();
    return folder.empty() ? "/" : textio::asFolder(folder);
}

void initBuilder(Builder& b, const std::string& workingFolder) {
    plat::Platform* platform = b.platform;
    Windows* windows = b.windows;
    b = Builder{};
    b.platform = platform;
    b.windows = windows;

    // No folder given is taken as the root folder.
    b.workingFolder = workingFolder.empty() ? "/" : textio::asFolder(workingFolder);
    b.dnaFilePath = b.workingFolder + "_DATA/DNA.dll";
    b.startScriptPath = b.workingFolder + "_DATA/ini.txt";
    b.cfg.DEPTH = 8;
    b.zoomX = b.zoomY = 1.0f;
    b.lastObject = -1;
    b.currentLayer = 1;
    b.rasterMode = kRasterMatrixSize;
    b.dnaWindowValue = 500;
    // The raster name table is first filled with the short names, then at once with the final ones.
    b.rasterNames = {"OFF", "OBJECT SIZE", "MATRIX"};
    b.rasterNames = {"OFF", "OBJECT_SIZE", "MATRIX_SIZE"};
    b.tileFileNames.assign(kTileNameSlots, std::string());
    b.objects.assign(1, EditorObject{});
}

void sizeObjectTable(Builder& b) {
    // The table holds indices 0..MAXTILES; its entries are made as placements and loads reach them,
    // so a large MAXTILES costs nothing until it is used.
    if (b.objects.empty()) b.objects.resize(1);
    mapChanged(b);
}

bool objectSlot(Builder& b, int index) {
    if (index < 0 || index > b.cfg.MAXTILES) return false;
    if (static_cast<std::size_t>(index) >= b.objects.size())
        b.objects.resize(static_cast<std::size_t>(index) + 1);
    return true;
}

void ensureLayerBuckets(Builder& b) {
    if (!b.bucketsDirty && b.layerBuckets.size() == 256) return;
    b.layerBuckets.assign(256, {});
    for (int i = 0; i <= b.lastObject && i < static_cast<int>(b.objects.size()); ++i)
        b.layerBuckets[static_cast<std::size_t>(b.objects[static_cast<std::size_t>(i)].layer & 255)]
            .push_back(i);
    b.bucketsDirty = false;
}

int roundToInt(double value) {
    if (std::isnan(value)) return 0;
    const double r = std::round(value);
    if (r >= static_cast<double>(std::numeric_limits<int>::max())) return std::numeric_limits<int>::max();
    if (r <= static_cast<double>(std::numeric_limits<int>::min())) return std::numeric_limits<int>::min();
    return static_cast<int>(r);
}

} // namespace tarn
