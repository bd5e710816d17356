// Builder: the builder state's start values.
#include "builder/Builder.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <unistd.h>

namespace tarn {

std::string currentFolder() {
    std::string folder;
    std::vector<char> buffer(4096);
    if (getcwd(buffer.data(), buffer.size()) != nullptr) folder = buffer.data();
    if (folder.empty() || folder.back() != '/') folder += '/';
    return folder;
}

void initBuilder(Builder& b, const std::string& workingFolder) {
    const BuilderServices services = b.services;
    b = Builder{};
    b.services = services;

    b.paths.workingFolder = workingFolder;
    if (b.paths.workingFolder.empty() || b.paths.workingFolder.back() != '/') b.paths.workingFolder += '/';
    b.paths.dnaFile = b.paths.workingFolder + "_DATA/DNA.dll";
    b.paths.startScript = b.paths.workingFolder + "_DATA/ini.txt";
}

bool objectSlot(Builder& b, int index) {
    if (index < 0 || index > b.cfg.MAXTILES) return false;
    if (static_cast<std::size_t>(index) >= b.map.objects.size())
        b.map.objects.resize(static_cast<std::size_t>(index) + 1);
    return true;
}

void ensureLayerBuckets(Builder& b) {
    if (!b.map.bucketsDirty && b.map.layerBuckets.size() == 256) return;
    b.map.layerBuckets.assign(256, {});
    for (int i = 0; i <= b.map.lastObject && i < static_cast<int>(b.map.objects.size()); ++i)
        b.map.layerBuckets[static_cast<std::size_t>(b.map.objects[static_cast<std::size_t>(i)].layer & 255)]
            .push_back(i);
    b.map.bucketsDirty = false;
}

int roundHalfAwayToInt(double value) {
    if (std::isnan(value)) return 0;
    const double r = std::round(value);
    if (r >= static_cast<double>(std::numeric_limits<int>::max())) return std::numeric_limits<int>::max();
    if (r <= static_cast<double>(std::numeric_limits<int>::min())) return std::numeric_limits<int>::min();
    return static_cast<int>(r);
}

} // namespace tarn
