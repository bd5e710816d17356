#include "Helpers.h"

#include <SDL2/SDL_image.h>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>
#include <vorbis/vorbisenc.h>

namespace bt_test {

SDL_Surface* makeSurface(int w, int h, const std::function<std::uint32_t(int, int)>& colourAt) {
    SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, w, h, 32, SDL_PIXELFORMAT_ARGB8888);
    for (int y = 0; y < h; ++y) {
        auto* row = reinterpret_cast<std::uint32_t*>(static_cast<std::uint8_t*>(s->pixels) + y * s->pitch);
        for (int x = 0; x < w; ++x) row[x] = colourAt(x, y);
    }
    return s;
}

std::uint32_t pixelAt(SDL_Surface* s, int x, int y) {
    SDL_Surface* c = SDL_ConvertSurfaceFormat(s, SDL_PIXELFORMAT_ARGB8888, 0);
    const std::uint32_t v =
        reinterpret_cast<std::uint32_t*>(static_cast<std::uint8_t*>(c->pixels) + y * c->pitch)[x];
    SDL_FreeSurface(c);
    return v;
}

bool writePng(SDL_Surface* s, const std::string& path) {
    return IMG_SavePNG(s, path.c_str()) == 0;
}
bool writeJpeg(SDL_Surface* s, const std::string& path, int quality) {
    return IMG_SaveJPG(s, path.c_str(), quality) == 0;
}
bool writeBmp(SDL_Surface* s, const std::string& path) {
    return SDL_SaveBMP(s, path.c_str()) == 0;
}

namespace {
void put16(std::vector<std::uint8_t>& b, unsigned v) {
    b.push_back(static_cast<std::uint8_t>(v & 255));
    b.push_back(static_cast<std::uint8_t>((v >> 8) & 255));
}
void put32(std::vector<std::uint8_t>& b, std::uint32_t v) {
    put16(b, v & 0xffff);
    put16(b, v >> 16);
}
bool writeBytes(const std::string& path, const std::vector<std::uint8_t>& b) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
    return static_cast<bool>(out);
}
} // namespace

bool writeTiff(SDL_Surface* s, const std::string& path) {
    const int w = s->w, h = s->h;
    std::vector<std::uint8_t> b;
    // Header, then the pixel strip, then the bits-per-sample array, then the directory.
    b.insert(b.end(), {'I', 'I', 42, 0});
    const std::uint32_t pixelsAt = 8;
    const std::uint32_t pixelBytes = static_cast<std::uint32_t>(w * h * 3);
    const std::uint32_t bpsAt = pixelsAt + pixelBytes;
    const std::uint32_t ifdAt = bpsAt + 6 + ((bpsAt + 6) & 1);
    put32(b, ifdAt);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const std::uint32_t p = pixelAt(s, x, y);
            b.push_back(static_cast<std::uint8_t>(p >> 16));
            b.push_back(static_cast<std::uint8_t>(p >> 8));
            b.push_back(static_cast<std::uint8_t>(p));
        }
    put16(b, 8);
    put16(b, 8);
    put16(b, 8);
    if (b.size() & 1) b.push_back(0);
    struct Entry {
        unsigned tag, type;
        std::uint32_t count, value;
    };
    const Entry entries[] = {
        {256, 4, 1, static_cast<std::uint32_t>(w)}, // width
        {257, 4, 1, static_cast<std::uint32_t>(h)}, // height
        {258, 3, 3, bpsAt},                         // bits per sample 8,8,8
        {259, 3, 1, 1},                             // no compression
        {262, 3, 1, 2},                             // RGB
        {273, 4, 1, pixelsAt},                      // strip offset
        {277, 3, 1, 3},                             // samples per pixel
        {278, 4, 1, static_cast<std::uint32_t>(h)}, // rows per strip
        {279, 4, 1, pixelBytes},                    // strip byte count
        {284, 3, 1, 1},                             // chunky
    };
    put16(b, sizeof(entries) / sizeof(entries[0]));
    for (const Entry& e : entries) {
        put16(b, e.tag);
        put16(b, e.type);
        put32(b, e.count);
        if (e.type == 3 && e.count == 1) {
            put16(b, e.value);
            put16(b, 0);
        } else {
            put32(b, e.value);
        }
    }
    put32(b, 0);
    return writeBytes(path, b);
}

bool writeWav(const std::string& path, int ms) {
    const std::uint32_t rate = 22050;
    const std::uint32_t samples = rate * static_cast<std::uint32_t>(ms) / 1000;
    std::vector<std::uint8_t> b;
    b.insert(b.end(), {'R', 'I', 'F', 'F'});
    put32(b, 36 + samples * 2);
    b.insert(b.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    put32(b, 16);
    put16(b, 1); // PCM
    put16(b, 1); // mono
    put32(b, rate);
    put32(b, rate * 2);
    put16(b, 2);
    put16(b, 16);
    b.insert(b.end(), {'d', 'a', 't', 'a'});
    put32(b, samples * 2);
    for (std::uint32_t i = 0; i < samples; ++i) put16(b, (i / 25) % 2 ? 0x2000 : 0xE000);
    return writeBytes(path, b);
}

bool writeOgg(const std::string& path, int ms) {
    const long rate = 22050;
    const long samples = rate * ms / 1000;
    vorbis_info vi;
    vorbis_info_init(&vi);
    if (vorbis_encode_init_vbr(&vi, 1, rate, 0.1f) != 0) {
        vorbis_info_clear(&vi);
        return false;
    }
    vorbis_comment vc;
    vorbis_comment_init(&vc);
    vorbis_dsp_state vd;
    vorbis_block vb;
    vorbis_analysis_init(&vd, &vi);
    vorbis_block_init(&vd, &vb);
    ogg_stream_state os;
    ogg_stream_init(&os, 1);
    std::vector<std::uint8_t> out;
    auto flush = [&](bool all) {
        ogg_page og;
        while (all ? ogg_stream_flush(&os, &og) : ogg_stream_pageout(&os, &og)) {
            out.insert(out.end(), og.header, og.header + og.header_len);
            out.insert(out.end(), og.body, og.body + og.body_len);
        }
    };
    ogg_packet header, comments, codebooks;
    vorbis_analysis_headerout(&vd, &vc, &header, &comments, &codebooks);
    ogg_stream_packetin(&os, &header);
    ogg_stream_packetin(&os, &comments);
    ogg_stream_packetin(&os, &codebooks);
    flush(true);
    long done = 0;
    while (true) {
        const long n = std::min(1024L, samples - done);
        if (n > 0) {
            float** buffer = vorbis_analysis_buffer(&vd, static_cast<int>(n));
            for (long i = 0; i < n; ++i)
                buffer[0][i] =
                    0.3f * std::sin(static_cast<float>(done + i) * 2.0f * 3.14159f * 440.0f / rate);
            vorbis_analysis_wrote(&vd, static_cast<int>(n));
            done += n;
        } else {
            vorbis_analysis_wrote(&vd, 0); // end of stream
        }
        while (vorbis_analysis_blockout(&vd, &vb) == 1) {
            vorbis_analysis(&vb, nullptr);
            vorbis_bitrate_addblock(&vb);
            ogg_packet op;
            while (vorbis_bitrate_flushpacket(&vd, &op)) {
                ogg_stream_packetin(&os, &op);
                flush(false);
            }
        }
        if (n <= 0) break;
    }
    flush(true);
    ogg_stream_clear(&os);
    vorbis_block_clear(&vb);
    vorbis_dsp_clear(&vd);
    vorbis_comment_clear(&vc);
    vorbis_info_clear(&vi);
    return writeBytes(path, out);
}

bool writeText(const std::string& path, const std::string& content) {
    std::ofstream out(path, std::ios::binary);
    out << content;
    return static_cast<bool>(out);
}

std::string readText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

} // namespace bt_test
