// Prefetch: a whole served world fetched into the cache.
#include "makers/Prefetch.h"

#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <map>
#include <set>

#include "engine/Biosim.h"
#include "engine/Logs.h"
#include "engine/ServerFetch.h"
#include "platform/TextIo.h"
#include "world/MapFormat.h"

namespace makers {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kManifestName = "MANIFEST.txt";
constexpr std::string_view kManifestHeader = "biosim-manifest 1";
// More lines than any world has: a broken or hostile manifest cannot make the run endless.
constexpr int kMaxEntries = 1000000;

bool allDigits(std::string_view s) {
    if (s.empty() || s.size() > 9) return false;
    for (const char c : s)
        if (c < '0' || c > '9') return false;
    return true;
}

// Where a listed file lives in the cache, and where it is fetched from; empty when biosim never
// reads it from the cache. The map id in a cache path is the number the map loader asks for.
struct Target {
    std::string cacheRel; // a configured path inside "TEMP"
    std::string url;
    std::string mapRel; // the cached map folder the file belongs to ("" for a tile file)
};

Target targetOf(const Biosim& e, const std::string& path) {
    Target t;
    const std::string& gfx = e.cfg.GFX;
    const std::string& maps = e.cfg.SIMCORE;
    if (!gfx.empty() && path.size() > gfx.size() && path.compare(0, gfx.size(), gfx) == 0) {
        const std::string name = path.substr(gfx.size());
        if (!engine::safeServerName(name)) return t;
        t.cacheRel = e.cfg.TEMP + name;
        t.url = e.serverGfx + engine::urlName(name);
        return t;
    }
    if (!maps.empty() && path.size() > maps.size() && path.compare(0, maps.size(), maps) == 0) {
        const std::string rest = path.substr(maps.size());
        const std::size_t slash = rest.find('/');
        if (slash == std::string::npos) return t;
        const std::string id = rest.substr(0, slash), file = rest.substr(slash + 1);
        if (!allDigits(id) || !(file == "_" || allDigits(file))) return t;
        const std::string m = std::to_string(std::stol(id));
        if (file != "_" && std::stol(file) > world::kMaxMapSegment) return t;
        t.mapRel = e.cfg.TEMP + m + "/";
        t.cacheRel = t.mapRel + (file == "_" ? file : std::to_string(std::stol(file)));
        t.url = e.serverMaps + engine::urlName(id) + "/" + engine::urlName(file);
    }
    return t;
}

// The progress on the screen, at most ten times a second: which file, how many of how many.
struct Progress {
    int total = 0;
    int failed = 0;
    std::chrono::steady_clock::time_point last; // when it was last drawn
};

void showProgress(Biosim& e, const std::string& what, int done, Progress& p) {
    if (e.screenOpened == 0) return;
    const int total = p.total, failed = p.failed;
    std::chrono::steady_clock::time_point& last = p.last;
    const auto now = std::chrono::steady_clock::now();
    if (done != 0 && done != total && now - last < std::chrono::milliseconds(100)) return;
    last = now;
    engine::showTransferLines(e, e.scrW / 8,
                              {"PREFETCH FROM " + e.cfg.SERVER + e.cfg.SERVERNODE,
                               "FILE " + std::to_string(done) + " OF " + std::to_string(total) + ": " + what,
                               "NOT FETCHED: " + std::to_string(failed)});
}

} // namespace

bool parseManifestLine(std::string_view line, ManifestEntry& out) {
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.remove_suffix(1);
    const std::size_t a = line.find(' ');
    if (a != 16) return false;
    const std::size_t b = line.find(' ', a + 1);
    if (b == std::string_view::npos || b == a + 1 || b + 1 >= line.size()) return false;
    const char* first = line.data();
    auto [p1, e1] = std::from_chars(first, first + a, out.hash, 16);
    if (e1 != std::errc() || p1 != first + a) return false;
    auto [p2, e2] = std::from_chars(first + a + 1, first + b, out.size, 10);
    if (e2 != std::errc() || p2 != first + b) return false;
    out.path.assign(line.substr(b + 1));
    // A path is relative, has no empty, "." or ".." part and no control character.
    if (out.path.front() == '/' || out.path.back() == '/') return false;
    std::size_t start = 0;
    while (start <= out.path.size()) {
        std::size_t end = out.path.find('/', start);
        if (end == std::string::npos) end = out.path.size();
        const std::string_view part = std::string_view(out.path).substr(start, end - start);
        if (part.empty() || part == "." || part == "..") return false;
        start = end + 1;
    }
    for (const char c : out.path) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 32 || u == 127 || c == '\\') return false;
    }
    return true;
}

bool fileHash(const std::string& file, std::uint64_t& hash, std::uint64_t& size) {
    std::FILE* f = std::fopen(file.c_str(), "rb");
    if (!f) return false;
    std::uint64_t h = 0xcbf29ce484222325ull;
    std::uint64_t n = 0;
    unsigned char buf[65536];
    std::size_t got = 0;
    while ((got = std::fread(buf, 1, sizeof buf, f)) > 0) {
        for (std::size_t i = 0; i < got; ++i) {
            h ^= buf[i];
            h *= 0x100000001b3ull;
        }
        n += got;
    }
    const bool ok = std::ferror(f) == 0;
    std::fclose(f);
    hash = h;
    size = n;
    return ok;
}

PrefetchReport prefetchWorld(Biosim& e) {
    PrefetchReport report;
    if (!engine::serverConfigured(e)) {
        engine::warn(e, "PREFETCH: NO SERVER IS CONFIGURED (SERVER IS LOCAL)");
        return report;
    }
    engine::makeTempFolder(e);
    const std::string manifestUrl = e.cfg.SERVER + e.cfg.SERVERNODE + std::string(kManifestName);
    const std::string manifestRel = e.cfg.TEMP + std::string(kManifestName);
    Progress progress;
    showProgress(e, std::string(kManifestName), 0, progress);
    if (e.network().fetch(manifestUrl, engine::resolvePath(e, manifestRel), false) != plat::Fetch::Fetched) {
        engine::warn(e, "PREFETCH: COULD NOT FETCH THE MANIFEST " + manifestUrl);
        report.failed.push_back(std::string(kManifestName));
        return report;
    }
    textio::LineReader lines;
    if (!lines.open(engine::resolvePath(e, manifestRel)) || lines.readLine() != kManifestHeader) {
        engine::warn(e, "PREFETCH: " + manifestUrl + " IS NO MANIFEST");
        report.failed.push_back(std::string(kManifestName));
        return report;
    }
    report.manifest = true;
    std::vector<ManifestEntry> entries;
    while (!lines.eof() && static_cast<int>(entries.size()) < kMaxEntries) {
        const std::string line = lines.readLine();
        if (line.empty()) continue;
        ManifestEntry entry;
        if (parseManifestLine(line, entry))
            entries.push_back(std::move(entry));
        else
            ++report.malformed;
    }
    report.listed = static_cast<int>(entries.size());

    std::map<std::string, std::set<std::string>> mapFiles; // cached map folder -> listed files
    progress.total = report.listed;
    int done = 0;
    bool reachable = true;
    for (const ManifestEntry& entry : entries) {
        ++done;
        const Target t = targetOf(e, entry.path);
        if (t.cacheRel.empty()) {
            ++report.notNeeded;
            continue;
        }
        if (!t.mapRel.empty()) mapFiles[t.mapRel].insert(t.cacheRel);
        const std::string file = engine::resolvePath(e, t.cacheRel);
        std::uint64_t hash = 0, size = 0;
        if (fileHash(file, hash, size) && hash == entry.hash && size == entry.size) {
            ++report.unchanged;
            continue;
        }
        progress.failed = static_cast<int>(report.failed.size());
        showProgress(e, entry.path, done, progress);
        plat::Fetch r = plat::Fetch::Unreachable;
        if (reachable) {
            std::error_code ec;
            fs::create_directories(fs::path(file).parent_path(), ec);
            // The copy differs from the listed file (or is missing): asked for without condition.
            r = e.network().fetch(t.url, file, false);
        }
        // A server gone away is not asked again for every remaining file.
        if (r == plat::Fetch::Unreachable) reachable = false;
        if (r == plat::Fetch::Fetched && fileHash(file, hash, size) && hash == entry.hash &&
            size == entry.size) {
            ++report.fetched;
            continue;
        }
        report.failed.push_back(entry.path);
        engine::warn(e, "PREFETCH: COULD NOT FETCH " + entry.path + " FROM " + t.url +
                            (r == plat::Fetch::Fetched ? "\rIT DIFFERS FROM THE MANIFEST" : ""));
    }
    // A segment the manifest does not list is one the server no longer has.
    for (const auto& [folderRel, listed] : mapFiles) {
        for (int s = 0; s <= world::kMaxMapSegment; ++s) {
            const std::string rel = folderRel + std::to_string(s);
            if (listed.count(rel) != 0) continue;
            std::error_code ec;
            const std::string file = engine::resolvePath(e, rel);
            fs::remove(file, ec);
            fs::remove(plat::etagFile(file), ec);
        }
    }
    progress.failed = static_cast<int>(report.failed.size());
    showProgress(e, "DONE", progress.total, progress);
    return report;
}

} // namespace makers
