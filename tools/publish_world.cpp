// publish_world: turns a local biosim world into a folder that any static web server can serve as
// its "SERVER" + "SERVERNODE".
//
//   publish_world WORLD OUT
//   publish_world --web [--engine DIR] WORLD OUT
//
// WORLD is a world folder (CORE/ini.crc, the codec file and the folders they name); OUT receives,
// under the same relative folder names the world's configuration gives:
//   GFX      every tile image, re-keyed from pure green to pure white transparency (server tiles are
//            white-keyed), with the DNA files (.dll) and other files beside them copied as they are;
//            the loading pictures LOAD and LOADCIRCLE are white-keyed already and are copied as well
//   SIMCORE  every numbered map folder: its segment files and its "_" file (the map's own graphics
//            listing is not needed: a server map's tiles come with its records)
//   SOUNDPATH, ANIMSYSTEM, EFFECT_GFX   copied as they are (biosim reads them from its own folders;
//            they are published so that a player's folder can be made from the site)
//   HELLO    the greeting file that tells biosim the server is reachable
//   MANIFEST.txt   every file published: "biosim-manifest 1", then "HASH SIZE PATH" per file (the
//            64-bit FNV-1a hash of its bytes in 16 hex digits, its size, its path under OUT with "/");
//            `biosim --prefetch` fetches what it lists into the player's cache
// A pixel that is pure white in a local tile is opaque there; it becomes RGB (255, 255, 254), so the
// served tile shows exactly what the local one shows. Image formats other than PNG and BMP cannot be
// re-keyed without loss and are copied unchanged with a note.
//
// Only what lies inside WORLD is published: a configured folder or file with ".." in it, a link that
// leads out of WORLD (or in a circle) and anything but regular files (a FIFO, a device) are left out
// with a message, and the run then ends with exit code 1. OUT may be neither WORLD nor a folder inside
// it (the copies would be published again, or re-key the world's own pictures).
//
// With --web, OUT becomes a web site that plays the world in the browser: the served world above goes
// to OUT/world/, and beside it come the page (index.html), the browser build of biosim (biosim.js and
// biosim.wasm from DIR, by default the build of scripts/web.sh), the player's files of the world
// (OUT/player/: everything but the maps and tile images, which biosim fetches from world/ as it
// needs them), the font of the engine's texts (OUT/font/) and the list of both (files.txt).
//
// Exit codes: 0 published, 1 the world could not be read or OUT not written, 2 wrong options.
#include <CLI/CLI.hpp>
#include <SDL2/SDL.h>
#include <SDL2/SDL_image.h>

#include "platform/ImageFiles.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <string>
#include <vector>

#include "platform/ImageFiles.h"
#include "platform/TextIo.h"

namespace fs = std::filesystem;

namespace {

// All lines of a text file, with CR LF, CR or LF ends (none for a file that is no regular file:
// a FIFO is never waited on).
std::vector<std::string> readLines(const fs::path& p) {
    std::string text;
    if (!textio::readFile(p.string(), text)) text.clear();
    std::vector<std::string> lines;
    std::string cur;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r' || c == '\n') {
            lines.push_back(cur);
            cur.clear();
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
        } else {
            cur += c;
        }
    }
    if (!cur.empty()) lines.push_back(cur);
    return lines;
}

// A configured folder as a relative path: backslashes read as separators, no leading separator.
std::string folderOf(std::string v) {
    std::replace(v.begin(), v.end(), '\\', '/');
    while (!v.empty() && v.front() == '/') v.erase(v.begin());
    return v;
}

bool allDigits(const std::string& s) {
    return !s.empty() && std::all_of(s.begin(), s.end(), [](unsigned char c) { return std::isdigit(c); });
}

std::string lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

struct Counts {
    int rekeyed = 0, copied = 0, maps = 0, segments = 0, failed = 0;
    std::vector<fs::path> published; // every file written, for the manifest
};

// The world folder with its links followed: everything published must lie inside it.
fs::path gWorldRoot;

// True when `p` (links followed) lies inside the world; otherwise says so and counts a failure.
bool insideWorld(const fs::path& p, Counts& n) {
    std::error_code ec;
    const fs::path real = fs::weakly_canonical(p, ec);
    if (!ec) {
        auto r = gWorldRoot.begin();
        auto q = real.begin();
        for (; r != gWorldRoot.end() && q != real.end() && *r == *q; ++r, ++q) {
        }
        if (r == gWorldRoot.end()) return true;
    }
    std::cerr << "publish_world: " << p
              << (ec ? " cannot be resolved (a link circle?): " + ec.message() : " leads out of the world")
              << ", not published\n";
    ++n.failed;
    return false;
}

// A configured path as a relative path inside the world, or "" (with a message) when it has "..".
std::string configured(const std::string& key, const std::string& value, Counts& n) {
    const std::string v = folderOf(value);
    for (const auto& part : fs::path(v))
        if (part == "..") {
            std::cerr << "publish_world: " << key << " (" << value
                      << ") leads out of the world, not published\n";
            ++n.failed;
            return "";
        }
    return v;
}

// Copies a file of the world; `fromWorld` false is for the web site's own parts (the engine's build,
// the font), which lie outside the world by design.
bool copyFile(const fs::path& from, const fs::path& to, Counts& n, bool fromWorld = true) {
    if (fromWorld && !insideWorld(from, n)) return false;
    std::error_code ec;
    fs::create_directories(to.parent_path(), ec);
    fs::copy_file(from, to, fs::copy_options::overwrite_existing, ec);
    if (ec) {
        std::cerr << "publish_world: cannot copy " << from << " to " << to << ": " << ec.message() << "\n";
        ++n.failed;
        return false;
    }
    ++n.copied;
    n.published.push_back(to);
    return true;
}

// Pure green becomes pure white; pure white becomes (255, 255, 254). Alpha stays as it is.
bool rekey(const fs::path& from, const fs::path& to, Counts& n) {
    if (!insideWorld(from, n)) return false;
    // Read through the guarded reader (regular files within the size caps), decoded from memory.
    std::string bytes, problem;
    SDL_Surface* loaded = nullptr;
    if (plat::readImageFile(from.string(), bytes, problem))
        loaded = IMG_LoadTyped_RW(SDL_RWFromConstMem(bytes.data(), static_cast<int>(bytes.size())), 1,
                                  from.extension().string().substr(from.extension().empty() ? 0 : 1).c_str());
    if (!loaded) {
        std::cerr << "publish_world: cannot read image " << from << ": "
                  << (problem.empty() ? IMG_GetError() : problem.c_str()) << "\n";
        ++n.failed;
        return false;
    }
    SDL_Surface* s = SDL_ConvertSurfaceFormat(loaded, SDL_PIXELFORMAT_ARGB8888, 0);
    SDL_FreeSurface(loaded);
    if (!s) {
        ++n.failed;
        return false;
    }
    SDL_LockSurface(s);
    for (int y = 0; y < s->h; ++y) {
        auto* row = reinterpret_cast<Uint32*>(static_cast<Uint8*>(s->pixels) + y * s->pitch);
        for (int x = 0; x < s->w; ++x) {
            const Uint32 rgb = row[x] & 0x00FFFFFFu;
            const Uint32 a = row[x] & 0xFF000000u;
            if (rgb == 0x0000FF00u)
                row[x] = a | 0x00FFFFFFu;
            else if (rgb == 0x00FFFFFFu)
                row[x] = a | 0x00FFFFFEu;
        }
    }
    SDL_UnlockSurface(s);
    std::error_code ec;
    fs::create_directories(to.parent_path(), ec);
    const std::string ext = lower(to.extension().string());
    const int rc = ext == ".bmp" ? SDL_SaveBMP(s, to.string().c_str()) : IMG_SavePNG(s, to.string().c_str());
    SDL_FreeSurface(s);
    if (rc != 0) {
        std::cerr << "publish_world: cannot write " << to << ": " << SDL_GetError() << "\n";
        ++n.failed;
        return false;
    }
    ++n.rekeyed;
    n.published.push_back(to);
    return true;
}

void copyTree(const fs::path& from, const fs::path& to, Counts& n) {
    std::error_code ec;
    if (!fs::is_directory(from, ec) || !insideWorld(from, n)) return;
    // Links to folders are not followed (no circle, nothing outside); links to files are checked.
    for (auto it = fs::recursive_directory_iterator(from, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        std::error_code fileEc;
        if (it->is_regular_file(fileEc))
            copyFile(it->path(), to / fs::relative(it->path(), from, fileEc), n);
        else if (it->is_symlink(fileEc) && !it->is_directory(fileEc))
            insideWorld(it->path(), n);
    }
    if (ec) {
        std::cerr << "publish_world: cannot read " << from << ": " << ec.message() << "\n";
        ++n.failed;
    }
}

int publish(const fs::path& world, const fs::path& site, bool web, const fs::path& engine);
// Writes OUT/MANIFEST.txt, the list of every published file (see the end of this file).
bool writeManifest(const fs::path& out, std::vector<fs::path> files);

// The page's title: the world's "VERSION", else the name of its folder; made safe for HTML.
std::string pageTitle(const fs::path& world, const std::string& version) {
    std::string name = version;
    if (name.empty()) name = fs::absolute(world).lexically_normal().parent_path().filename().string();
    if (name.empty()) name = "biosim";
    std::string out;
    for (const char c : name) {
        if (c == '<')
            out += "&lt;";
        else if (c == '>')
            out += "&gt;";
        else if (c == '&')
            out += "&amp;";
        else if (c == '"')
            out += "&quot;";
        else
            out += c;
    }
    return out;
}

bool writeText(const fs::path& to, const std::string& text, Counts& n) {
    std::error_code ec;
    fs::create_directories(to.parent_path(), ec);
    std::ofstream o(to, std::ios::binary);
    o << text;
    o.close();
    if (!o) {
        std::cerr << "publish_world: cannot write " << to << "\n";
        ++n.failed;
        return false;
    }
    return true;
}

// The web site around the served world (OUT/world/): page, engine, the player's files and font.
void publishWeb(const fs::path& world, const fs::path& site, const fs::path& engine,
                std::map<std::string, std::string> cfg, Counts& n) {
    std::error_code ec;
    for (const char* f : {"biosim.js", "biosim.wasm"}) copyFile(engine / f, site / f, n, false);
    const auto pageLines = readLines(engine / "index.html");
    if (pageLines.empty()) {
        std::cerr << "publish_world: no page " << engine / "index.html"
                  << " (build it with scripts/web.sh)\n";
        ++n.failed;
    }
    std::string page;
    for (std::string line : pageLines) {
        for (std::size_t at; (at = line.find("@WORLD_TITLE@")) != std::string::npos;)
            line.replace(at, 13, pageTitle(world, cfg["VERSION"]));
        page += line + "\n";
    }
    if (!pageLines.empty()) writeText(site / "index.html", page, n);

    // The player's files: not the maps and tile images (the server's part), not logs and cache.
    std::vector<std::string> skip = {folderOf(cfg["SIMCORE"]), folderOf(cfg["GFX"]), folderOf(cfg["TEMP"])};
    for (const char* key : {"ERRORPATH", "WARNINGS", "PATH"}) skip.push_back(folderOf(cfg[key]));
    std::string list;
    for (auto it = fs::recursive_directory_iterator(world, ec); it != fs::recursive_directory_iterator();
         it.increment(ec)) {
        if (ec) break;
        const std::string rel = fs::relative(it->path(), world, ec).generic_string();
        const bool skipped = std::any_of(skip.begin(), skip.end(), [&](const std::string& s) {
            return !s.empty() && (rel == s || (s.back() == '/' && rel.rfind(s, 0) == 0) || rel + "/" == s);
        });
        if (skipped) {
            if (it->is_directory(ec)) it.disable_recursion_pending();
            continue;
        }
        if (!it->is_regular_file(ec) || rel == "CORE/ini.crc") continue;
        if (copyFile(it->path(), site / "player" / rel, n)) list += "player/" + rel + "\n";
    }
    // The configuration: the page sets SERVER to its own folder; the maps come from world/ there.
    if (cfg["TEMP"].empty()) cfg["TEMP"] = "TEMP/";
    std::string ini;
    const auto lines = readLines(world / "CORE" / "ini.crc");
    for (std::size_t i = 0; i < lines.size(); i += 2) {
        std::string value = i + 1 < lines.size() ? lines[i + 1] : "";
        if (lines[i] == "SERVERNODE") value = "world/";
        if (lines[i] == "TEMP") value = cfg["TEMP"];
        ini += lines[i] + "\r\n" + value + "\r\n";
    }
    for (const char* key : {"SERVER", "SERVERNODE", "TEMP"})
        if (std::find(lines.begin(), lines.end(), key) == lines.end())
            ini += std::string(key) + "\r\n" + (std::string(key) == "SERVER" ? "LOCAL" : cfg[key]) + "\r\n";
    if (writeText(site / "player" / "CORE" / "ini.crc", ini, n)) list += "player/CORE/ini.crc\n";
    const fs::path font = "/usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf";
    if (fs::is_regular_file(font, ec)) {
        if (copyFile(font, site / "font" / font.filename(), n, false))
            list += "font/" + font.filename().string() + "\n";
    } else {
        std::cout << "publish_world: no font " << font << " (fonts-dejavu-core): the page draws no texts\n";
    }
    writeText(site / "files.txt", list, n);
}

} // namespace

int main(int argc, char** argv) {
    CLI::App app{"Turns a local biosim world into a folder a static web server can serve as "
                 "SERVER + SERVERNODE (tiles re-keyed from pure green to pure white)."};
    std::string worldArg, outArg;
    bool web = false;
    std::string engineArg = BT_WEB_ENGINE_DIR;
    app.add_flag("--web", web,
                 "publish a web site that plays the world in the browser (see the source's head)");
    app.add_option("--engine", engineArg, "with --web: the folder of biosim.js, biosim.wasm and index.html")
        ->needs("--web");
    app.add_option("world", worldArg, "the world folder (holds CORE/ini.crc)")->required();
    app.add_option("out", outArg, "the folder to publish into (made when missing)")->required();
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        const int rc = app.exit(e);
        return e.get_exit_code() == 0 ? rc : 2;
    }
    try {
        return publish(fs::path(worldArg), fs::path(outArg), web, fs::path(engineArg));
    } catch (const std::exception& e) {
        std::cerr << "publish_world: " << e.what() << "\n";
        return 1;
    }
}

namespace {

int publish(const fs::path& world, const fs::path& site, bool web, const fs::path& engine) {
    const fs::path out = web ? site / "world" : site;
    std::error_code rootEc;
    gWorldRoot = fs::canonical(world, rootEc);
    if (rootEc) {
        std::cerr << "publish_world: cannot read the world " << world << ": " << rootEc.message() << "\n";
        return 1;
    }
    {
        // The output may be neither the world nor inside it.
        const fs::path o = fs::weakly_canonical(fs::absolute(site), rootEc);
        auto r = gWorldRoot.begin();
        auto q = o.begin();
        for (; r != gWorldRoot.end() && q != o.end() && *r == *q; ++r, ++q) {
        }
        if (rootEc || r == gWorldRoot.end()) {
            std::cerr << "publish_world: the output " << site
                      << " is the world or inside it; choose a folder outside " << world << "\n";
            return 1;
        }
    }
    const fs::path ini = world / "CORE" / "ini.crc";
    std::error_code iniEc;
    if (!fs::is_regular_file(ini, iniEc)) {
        std::cerr << "publish_world: no configuration file " << ini << "\n";
        return 1;
    }
    // The configuration is published too: a link out of the world would publish what it points to.
    Counts refused;
    if (!insideWorld(ini, refused)) return 1;
    std::map<std::string, std::string> cfg;
    const auto lines = readLines(ini);
    for (std::size_t i = 0; i < lines.size(); i += 2)
        cfg[lines[i]] = i + 1 < lines.size() ? lines[i + 1] : "";
    Counts n;
    std::string gfxExt;
    const std::string codecs = configured("CODECS", cfg["CODECS"], n);
    if (!codecs.empty() && insideWorld(world / codecs, n)) {
        const auto codec = readLines(world / codecs);
        for (std::size_t i = 0; i + 2 < codec.size(); i += 4)
            if (codec[i] == "GFXCODEC") gfxExt = codec[i + 2];
    }
    std::error_code ec;
    fs::create_directories(out, ec);
    if (ec) {
        std::cerr << "publish_world: cannot make " << out << ": " << ec.message() << "\n";
        return 1;
    }
    if (SDL_Init(0) != 0 || IMG_Init(IMG_INIT_PNG) == 0) {
        std::cerr << "publish_world: cannot start the image library: " << SDL_GetError() << "\n";
        return 1;
    }

    // Tile images and their DNA.
    const std::string gfx = configured("GFX", cfg["GFX"], n);
    const bool gfxInside = !gfx.empty() && insideWorld(world / gfx, n);
    for (auto it = fs::directory_iterator(gfxInside ? world / gfx : fs::path(), ec);
         !ec && it != fs::directory_iterator(); it.increment(ec)) {
        const auto& entry = *it;
        std::error_code fileEc;
        if (!entry.is_regular_file(fileEc)) {
            if (entry.is_symlink(fileEc) && !entry.is_directory(fileEc)) insideWorld(entry.path(), n);
            continue;
        }
        const std::string name = entry.path().filename().string();
        const fs::path to = out / gfx / name;
        const bool image = !gfxExt.empty() && name.size() > gfxExt.size() &&
                           name.compare(name.size() - gfxExt.size(), gfxExt.size(), gfxExt) == 0;
        const std::string stem = image ? name.substr(0, name.size() - gfxExt.size()) : name;
        const std::string ext = lower(gfxExt);
        if (!image || stem == "LOAD" || stem == "LOADCIRCLE") {
            copyFile(entry.path(), to, n);
        } else if (ext == ".png" || ext == ".bmp") {
            rekey(entry.path(), to, n);
        } else {
            std::cout << "publish_world: " << name << " copied unchanged (" << gfxExt
                      << " cannot be re-keyed without loss)\n";
            copyFile(entry.path(), to, n);
        }
    }
    // Maps: the segment files and "_" of every numbered map folder.
    const std::string maps = configured("SIMCORE", cfg["SIMCORE"], n);
    const bool mapsInside = !maps.empty() && insideWorld(world / maps, n);
    for (auto mi = fs::directory_iterator(mapsInside ? world / maps : fs::path(), ec);
         !ec && mi != fs::directory_iterator(); mi.increment(ec)) {
        const auto& m = *mi;
        std::error_code mapEc;
        if (!m.is_directory(mapEc) || m.is_symlink(mapEc) || !allDigits(m.path().filename().string()))
            continue;
        ++n.maps;
        for (auto fi = fs::directory_iterator(m.path(), mapEc); !mapEc && fi != fs::directory_iterator();
             fi.increment(mapEc)) {
            const auto& f = *fi;
            const std::string name = f.path().filename().string();
            std::error_code fileEc;
            if (!f.is_regular_file(fileEc) || !(allDigits(name) || name == "_")) continue;
            if (copyFile(f.path(), out / maps / m.path().filename() / name, n) && name != "_") ++n.segments;
        }
    }
    // What biosim reads from its own folders, so that a player's folder can be made from the site.
    for (const char* key : {"SOUNDPATH", "ANIMSYSTEM", "EFFECT_GFX"}) {
        const std::string folder = configured(key, cfg[key], n);
        if (!folder.empty() && folder != gfx) copyTree(world / folder, out / folder, n);
    }
    // The greeting.
    const std::string hello = cfg["HELLO"].empty() ? "hello.txt" : configured("HELLO", cfg["HELLO"], n);
    if (!hello.empty()) {
        std::ofstream h(out / hello, std::ios::binary);
        h << "biosim world\r\n";
        if (!h) ++n.failed;
    }
    n.published.push_back(out / hello);
    if (!writeManifest(out, n.published)) ++n.failed;
    if (web) publishWeb(world, site, engine, cfg, n);
    IMG_Quit();
    SDL_Quit();
    std::cout << "publish_world: " << n.maps << " maps (" << n.segments << " segments), " << n.rekeyed
              << " tile images re-keyed, " << n.copied << " files copied, greeting " << hello << "\n";
    if (n.failed != 0) {
        std::cerr << "publish_world: " << n.failed << " files could not be published\n";
        return 1;
    }
    return 0;
}

// The manifest: a header line, then one line per file, "HASH SIZE PATH", sorted by path. A file
// whose path holds a line break or control character cannot be listed and fails the publishing.
bool writeManifest(const fs::path& out, std::vector<fs::path> files) {
    std::sort(files.begin(), files.end());
    files.erase(std::unique(files.begin(), files.end()), files.end());
    std::string text = "biosim-manifest 1\r\n";
    bool ok = true;
    for (const fs::path& f : files) {
        const std::string rel = f.lexically_relative(out).generic_string();
        const bool printable = std::all_of(rel.begin(), rel.end(), [](char c) {
            const auto u = static_cast<unsigned char>(c);
            return u >= 32 && u != 127;
        });
        std::ifstream in(f, std::ios::binary);
        if (rel.empty() || rel.rfind("..", 0) == 0 || !printable || !in) {
            std::cerr << "publish_world: cannot list " << f << " in the manifest\n";
            ok = false;
            continue;
        }
        std::uint64_t hash = 0xcbf29ce484222325ull, size = 0;
        char buf[65536];
        while (in.read(buf, sizeof buf) || in.gcount() > 0) {
            const std::streamsize got = in.gcount();
            for (std::streamsize i = 0; i < got; ++i) {
                hash ^= static_cast<unsigned char>(buf[i]);
                hash *= 0x100000001b3ull;
            }
            size += static_cast<std::uint64_t>(got);
        }
        char hex[17];
        std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(hash));
        text += std::string(hex) + " " + std::to_string(size) + " " + rel + "\r\n";
    }
    const fs::path target = out / "MANIFEST.txt", part = out / ".MANIFEST.txt.part";
    {
        std::ofstream m(part, std::ios::binary | std::ios::trunc);
        m << text;
        if (!m.flush()) ok = false;
    }
    std::error_code ec;
    fs::rename(part, target, ec);
    if (ec) {
        std::cerr << "publish_world: cannot write " << target << ": " << ec.message() << "\n";
        fs::remove(part, ec);
        return false;
    }
    return ok;
}

} // namespace
