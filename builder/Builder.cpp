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

void fitDesignArea(Builder& b) {
    const world::DesignSize world = world::readDesignSize(b.paths.workingFolder + "CORE/ini.crc");
    const bool worldHasSize = world.width > 0.0f && world.height > 0.0f;
    const bool scriptHasSize = b.cfg.RESBASEW > 0.0f && b.cfg.RESBASEH > 0.0f;
    const float screenW = static_cast<float>(b.screen.desktopWidth);
    const float screenH = static_cast<float>(b.screen.desktopHeight);
    if (worldHasSize) {
        b.screen.designWidth = world.width;
        b.screen.designHeight = world.height;
        b.screen.designSource = "CORE/ini.crc";
    } else if (scriptHasSize) {
        b.screen.designWidth = b.cfg.RESBASEW;
        b.screen.designHeight = b.cfg.RESBASEH;
        b.screen.designSource = "RESBASEW/RESBASEH";
    } else {
        b.screen.designWidth = screenW;
        b.screen.designHeight = screenH;
        b.screen.designSource = "the screen";
    }
    const auto size = [](float w, float h) { return textio::formatReal(w) + "x" + textio::formatReal(h); };
    if (worldHasSize && scriptHasSize && (world.width != b.cfg.RESBASEW || world.height != b.cfg.RESBASEH))
        b.edit.notice = "DESIGN SIZE " + size(world.width, world.height) +
                        " OF CORE/ini.crc DIFFERS FROM RESBASEW/" + "RESBASEH " +
                        size(b.cfg.RESBASEW, b.cfg.RESBASEH) + ": MAPS ARE MADE IN " +
                        size(world.width, world.height);
    b.screen.fit = world::DesignFit{};
    if (b.screen.designWidth > 0.0f && b.screen.designHeight > 0.0f && screenW > 0.0f && screenH > 0.0f)
        b.screen.fit = world::fitDesign(b.screen.designWidth, b.screen.designHeight, screenW, screenH);
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
