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
    const BuilderServices services = b.services;
    b = Builder{};
    b.services = services;

    // No folder given is taken as the root folder.
    b.paths.workingFolder = workingFolder.empty() ? "/" : textio::asFolder(workingFolder);
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

} // namespace tarn
