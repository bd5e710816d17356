#include "WorldFiles.h"

#include "Images.h"
#include "TempFolder.h"

namespace support {

std::string pairs(const KV& kv) {
    std::string s;
    for (const auto& [k, v] : kv) s += k + "\r\n" + v + "\r\n";
    return s;
}

std::string script(const KV& records) {
    std::string s;
    for (const auto& [k, v] : records) s += k + "\r\n;\r\n" + v + "\r\n;\r\n";
    return s;
}

void writeWorld(const std::string& folder, const KV& extra) {
    KV kv = {
        {"SYSTEMTEXT", "CORE/systext.txt"},
        {"CODECS", "CORE/codec.txt"},
        {"GFX", "_DATA/2DGFX/"},
        {"SIMCORE", "MAPS/"},
        {"SOUNDPATH", "SOUNDS/"},
        {"MAXOBJECTS", "50"},
        {"GRIDSIZE", "32"},
        {"MATRIXSIZE", "8"},
        {"SOURCEWIDTH", "512.0"},
        {"SOURCEHEIGHT", "384.0"},
    };
    kv.insert(kv.end(), extra.begin(), extra.end());
    writeFile(folder + "CORE/ini.crc", pairs(kv));
    writeFile(folder + "CORE/systext.txt",
              pairs({{"#ERROR_INIT_INIT", "init failed"}, {"#ERROR_OPEN_WORLD_SCREEN", "no screen"}}));
    writeFile(folder + "CORE/codec.txt", script({{"GFXCODEC", ".bmp"}, {"SOUNDCODEC", ".ogg"}}));
}

void writeWorldWithMap(const std::string& folder, const KV& extra) {
    KV kv = {{"MAXOBJECTS", "100"},          {"SOURCEWIDTH", "1024.0"},
             {"SOURCEHEIGHT", "768.0"},      {"APPENTRY", "0"},
             {"PATH", "CORE/startup.txt"},   {"WARNINGS", "CORE/warnings.txt"},
             {"ERRORPATH", "CORE/error.txt"}};
    kv.insert(kv.end(), extra.begin(), extra.end());
    writeWorld(folder, kv);
    const std::string grass = bmp(16, 16, 0xC0, 0x80, 0x40);
    const std::string wall = bmp(32, 8, 0xC0, 0x80, 0x40);
    writeFile(folder + "_DATA/2DGFX/grass.bmp", grass);
    writeFile(folder + "_DATA/2DGFX/grass.dll", pairs({{"worldFTileTransparency", "255"}}));
    writeFile(folder + "_DATA/2DGFX/wall.bmp", wall);
    writeFile(folder + "_DATA/2DGFX/wall.dll",
              pairs({{"worldFTileCollision", "1"}, {"worldFTileTransparency", "255"}}));
    writeFile(folder + "MAPS/0/_DATA/2DGFX/grass.bmp", grass);
    writeFile(folder + "MAPS/0/_DATA/2DGFX/wall.bmp", wall);
    writeFile(folder + "MAPS/0/_", "2\r\n");
    writeFile(folder + "MAPS/0/0", "0\r\n0\r\nTILE\r\ngrass\r\n0\r\n10\r\n20\r\n16\r\n16\r\n0\r\n"
                                   "TILE\r\nwall\r\n1\r\n100\r\n40\r\n32\r\n8\r\n0\r\nENGINETILEINFOEND\r\n");
}

} // namespace support
