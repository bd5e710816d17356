#include "Images.h"

#include "TempFolder.h"

namespace support {

std::string bmp(int w, int h, std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    const int rowBytes = (w * 3 + 3) & ~3;
    const int dataSize = rowBytes * h;
    std::string out;
    auto u16 = [&](int v) {
        out += static_cast<char>(v & 255);
        out += static_cast<char>((v >> 8) & 255);
    };
    auto u32 = [&](int v) {
        u16(v & 0xFFFF);
        u16((v >> 16) & 0xFFFF);
    };
    out += "BM";
    u32(54 + dataSize);
    u32(0);
    u32(54); // pixel data offset
    u32(40); // info header size
    u32(w);
    u32(h); // positive: rows bottom-up
    u16(1);
    u16(24);
    u32(0); // no compression
    u32(dataSize);
    u32(2835);
    u32(2835);
    u32(0);
    u32(0);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            out += static_cast<char>(b);
            out += static_cast<char>(g);
            out += static_cast<char>(r);
        }
        out.append(static_cast<std::size_t>(rowBytes - w * 3), '\0');
    }
    return out;
}

bool writeBmp(const std::string& path, int w, int h, std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    return writeFile(path, bmp(w, h, r, g, b));
}

} // namespace support
