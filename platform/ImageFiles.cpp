// Image files: the declared size of an image, read from its header before any decoder runs.
#include "platform/ImageFiles.h"

#include <algorithm>
#include <cctype>
#include <cstdint>

#include "platform/TextIo.h"

namespace plat {
namespace {

std::uint32_t be16(std::string_view b, std::size_t at) {
    return (static_cast<std::uint32_t>(static_cast<unsigned char>(b[at])) << 8) |
           static_cast<unsigned char>(b[at + 1]);
}
std::uint32_t be32(std::string_view b, std::size_t at) {
    return (be16(b, at) << 16) | be16(b, at + 2);
}
std::uint32_t le16(std::string_view b, std::size_t at) {
    return (static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 1])) << 8) |
           static_cast<unsigned char>(b[at]);
}
std::uint32_t le32(std::string_view b, std::size_t at) {
    return (le16(b, at + 2) << 16) | le16(b, at);
}
unsigned char byteAt(std::string_view b, std::size_t at) {
    return static_cast<unsigned char>(b[at]);
}

ImageHeader sized(const char* format, long long w, long long h) {
    ImageHeader r;
    r.known = true;
    r.format = format;
    r.width = w;
    r.height = h;
    return r;
}

ImageHeader jpeg(std::string_view b) {
    std::size_t pos = 2;
    while (pos + 4 <= b.size()) {
        if (byteAt(b, pos) != 0xFF) return {};
        const unsigned marker = byteAt(b, pos + 1);
        if (marker == 0xFF) { // fill byte
            ++pos;
            continue;
        }
        if ((marker >= 0xD0 && marker <= 0xD7) || marker == 0x01) {
            pos += 2;
            continue;
        }
        if (marker == 0xDA || marker == 0xD9) return {}; // image data before any frame header
        const bool frame =
            marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (frame) {
            if (pos + 9 > b.size()) return {};
            return sized("JPEG", be16(b, pos + 7), be16(b, pos + 5));
        }
        pos += 2 + be16(b, pos + 2);
    }
    return {};
}

ImageHeader tiff(std::string_view b) {
    const bool little = b[0] == 'I';
    auto u16 = [&](std::size_t at) { return little ? le16(b, at) : be16(b, at); };
    auto u32 = [&](std::size_t at) { return little ? le32(b, at) : be32(b, at); };
    if (u16(2) != 42) return {};
    const std::size_t ifd = u32(4);
    if (ifd + 2 > b.size() || ifd < 8) return {};
    const std::size_t count = u16(ifd);
    long long w = -1, h = -1;
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t e = ifd + 2 + i * 12;
        if (e + 12 > b.size()) return {};
        const std::uint32_t tag = u16(e), type = u16(e + 2);
        if (tag != 256 && tag != 257) continue;
        const long long v = type == 3 ? u16(e + 8) : type == 4 ? u32(e + 8) : -1;
        if (v < 0) return {};
        (tag == 256 ? w : h) = v;
    }
    if (w < 0 || h < 0) return {};
    return sized("TIFF", w, h);
}

ImageHeader gif(std::string_view b) {
    long long w = le16(b, 6), h = le16(b, 8);
    // The decoder sizes each frame by its own descriptor, which may exceed the logical screen.
    std::size_t pos = 13;
    if (byteAt(b, 10) & 0x80) pos += 3u * (2u << (byteAt(b, 10) & 7));
    while (pos < b.size()) {
        const unsigned c = byteAt(b, pos);
        if (c == 0x2C) {
            if (pos + 9 > b.size()) return {};
            w = std::max<long long>(w, le16(b, pos + 5));
            h = std::max<long long>(h, le16(b, pos + 7));
            return sized("GIF", w, h);
        }
        if (c != 0x21) break;
        pos += 2;
        while (pos < b.size() && byteAt(b, pos) != 0) pos += 1u + byteAt(b, pos);
        ++pos;
    }
    return sized("GIF", w, h);
}

ImageHeader pnm(std::string_view b) {
    std::size_t pos = 2;
    long long v[2] = {-1, -1};
    for (long long& x : v) {
        for (;;) { // blanks and comments
            while (pos < b.size() && std::isspace(byteAt(b, pos))) ++pos;
            if (pos < b.size() && b[pos] == '#') {
                while (pos < b.size() && b[pos] != '\n' && b[pos] != '\r') ++pos;
                continue;
            }
            break;
        }
        if (pos >= b.size() || !std::isdigit(byteAt(b, pos))) return {};
        x = 0;
        while (pos < b.size() && std::isdigit(byteAt(b, pos))) {
            if (x < (1ll << 40)) x = x * 10 + (b[pos] - '0');
            ++pos;
        }
    }
    return sized("PNM", v[0], v[1]);
}

bool isTga(std::string_view extension) {
    if (extension.size() != 3) return false;
    return std::tolower(byteAt(extension, 0)) == 't' && std::tolower(byteAt(extension, 1)) == 'g' &&
           std::tolower(byteAt(extension, 2)) == 'a';
}

} // namespace

ImageHeader readImageHeader(std::string_view b, std::string_view extension) {
    if (b.size() >= 24 && b.substr(0, 8) == std::string_view("\x89PNG\r\n\x1a\n", 8) &&
        b.substr(12, 4) == "IHDR")
        return sized("PNG", be32(b, 16), be32(b, 20));
    if (b.size() >= 4 && byteAt(b, 0) == 0xFF && byteAt(b, 1) == 0xD8) return jpeg(b);
    if (b.size() >= 8 && (b.substr(0, 2) == "II" || b.substr(0, 2) == "MM")) return tiff(b);
    if (b.size() >= 26 && b.substr(0, 2) == "BM") {
        if (le32(b, 14) == 12) return sized("BMP", le16(b, 18), le16(b, 20));
        const long long w = static_cast<std::int32_t>(le32(b, 18)),
                        h = static_cast<std::int32_t>(le32(b, 22));
        if (w < 0) return {};                   // no such picture
        return sized("BMP", w, h < 0 ? -h : h); // a negative height stores the rows top down
    }
    if (b.size() >= 13 && (b.substr(0, 6) == "GIF87a" || b.substr(0, 6) == "GIF89a")) return gif(b);
    if (b.size() >= 14 && b.substr(0, 4) == "qoif") return sized("QOI", be32(b, 4), be32(b, 8));
    if (b.size() >= 3 && b[0] == 'P' && b[1] >= '1' && b[1] <= '6') return pnm(b);
    if (b.size() >= 18 && isTga(extension)) return sized("TGA", le16(b, 12), le16(b, 14));
    return {};
}

bool readImageFile(const std::string& path, std::string& bytes, std::string& problem) {
    problem.clear();
    if (!textio::readRegularFile(path, bytes, textio::kMaxTextFileBytes, &problem)) return false;
    const std::size_t dot = path.find_last_of("./");
    const std::string_view ext = dot != std::string::npos && path[dot] == '.'
                                     ? std::string_view(path).substr(dot + 1)
                                     : std::string_view();
    const ImageHeader h = readImageHeader(bytes, ext);
    if (!h.known) {
        problem = "IMAGE FORMAT NOT KNOWN, NOT LOADED: " + path;
    } else if (h.width > kMaxImageSide || h.height > kMaxImageSide || h.width < 0 || h.height < 0) {
        problem = "IMAGE " + std::to_string(h.width) + " x " + std::to_string(h.height) +
                  " PIXELS, LARGER THAN " + std::to_string(kMaxImageSide) + " A SIDE: " + path;
    } else if (h.width * h.height > kMaxImagePixels) {
        problem = "IMAGE " + std::to_string(h.width) + " x " + std::to_string(h.height) +
                  " PIXELS, MORE THAN " + std::to_string(kMaxImagePixels / (1024 * 1024)) +
                  " MEGAPIXELS: " + path;
    }
    if (problem.empty()) return true;
    bytes.clear();
    return false;
}

} // namespace plat
