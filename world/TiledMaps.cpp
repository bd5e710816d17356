// TiledMaps: map folders to and from Tiled's JSON maps.
#include "world/TiledMaps.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <set>
#include <vector>

#include <nlohmann/json.hpp>

#include "platform/ImageFiles.h"
#include "platform/Rounding.h"
#include "platform/TextIo.h"
#include "world/DnaFile.h"
#include "world/JsonNumbers.h"
#include "world/MapFormat.h"

namespace fs = std::filesystem;
using nlohmann::json;

namespace world {
namespace {

// Tiled keeps flip and rotation flags in the top bits of a gid.
constexpr std::uint32_t kGidFlags = 0xF0000000u;
constexpr int kCell = 32; // grid of the exported map; objects keep their own positions and sizes

std::string withSlash(const std::string& folder) {
    return textio::asFolder(textio::nativePath(folder));
}

bool isImageName(const fs::path& p) {
    std::string ext = p.extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
    static const std::set<std::string> kImages = {".png", ".bmp",  ".jpg", ".jpeg",
                                                  ".tif", ".tiff", ".gif", ".tga"};
    return kImages.count(ext) > 0;
}

// The picture of kind `name` in a map folder's graphics folder, or "" when there is none.
std::string kindPicture(const std::string& gfx, const std::string& name) {
    std::error_code ec;
    std::vector<std::string> found;
    for (auto it = fs::directory_iterator(gfx, ec); !ec && it != fs::directory_iterator(); it.increment(ec))
        if (it->path().stem().string() == name && isImageName(it->path()))
            found.push_back(it->path().string());
    std::sort(found.begin(), found.end()); // .png before others only by chance: keep it stable
    for (const std::string& f : found)
        if (fs::path(f).extension() == ".png") return f;
    return found.empty() ? "" : found.front();
}

bool pictureSize(const std::string& path, int& w, int& h) {
    std::string bytes, problem;
    if (!plat::readImageFile(path, bytes, problem)) return false;
    std::string ext = fs::path(path).extension().string();
    if (!ext.empty()) ext.erase(0, 1);
    const plat::ImageHeader head = plat::readImageHeader(bytes, ext);
    if (!head.known) return false;
    w = static_cast<int>(head.width);
    h = static_cast<int>(head.height);
    return true;
}

// `path` with its links followed, when that lies inside the folder `root` (links followed too);
// "" when it leads outside (an absolute path elsewhere, ".." past the root, a link out).
std::string insideRoot(const fs::path& root, const fs::path& path) {
    std::error_code ec;
    const fs::path real = fs::weakly_canonical(path, ec);
    if (ec) return "";
    auto p = real.begin();
    for (auto r = root.begin(); r != root.end(); ++r, ++p)
        if (p == real.end() || *p != *r) return "";
    return p == real.end() ? "" : real.string();
}

bool writeText(const std::string& path, const std::string& text) {
    return textio::writeFileAtomic(path, text);
}

} // namespace

// ------------------------------------------------------------------------------------ export

TiledResult exportTiledMap(const std::string& mapFolder, const std::string& tmjPath,
                           const std::string& kindFolder) {
    TiledResult r;
    const std::string folder = withSlash(mapFolder);
    world::LoadedMap map;
    if (!world::readMapFolder(folder, map)) {
        r.message = "no map segment in " + folder;
        return r;
    }
    const std::string gfx =
        kindFolder.empty() ? folder + std::string(world::kMapGfxFolder) : withSlash(kindFolder);
    const fs::path tmj = fs::absolute(textio::nativePath(tmjPath)).lexically_normal();
    fs::path tsj = tmj;
    tsj.replace_extension(".tsj");

    std::error_code ec;
    fs::create_directories(tmj.parent_path(), ec);
    const fs::path root = fs::weakly_canonical(tmj.parent_path(), ec);

    // Kinds in order of first use; tile ids follow that order.
    std::map<std::string, int> ids;
    json tiles = json::array();
    std::string problems;
    int tileW = 1, tileH = 1;
    for (const world::PlacedTile& t : map.tiles) {
        if (ids.count(t.name)) continue;
        const int id = static_cast<int>(ids.size());
        ids[t.name] = id;
        json tile{{"id", id}, {"type", t.name}};
        std::string picture = kindPicture(gfx, t.name);
        int w = 0, h = 0;
        if (picture.empty() || !pictureSize(picture, w, h)) {
            problems += "no readable picture of kind " + t.name + " in " + gfx + "\n";
            w = std::max(1, plat::roundHalfAwayInt32(t.width));
            h = std::max(1, plat::roundHalfAwayInt32(t.height));
        }
        // The tileset names pictures inside the map's folder, where an import takes them from:
        // one that lies elsewhere is copied beside the tileset first.
        if (!picture.empty() && insideRoot(root, picture).empty()) {
            const fs::path copy =
                tsj.parent_path() / (tsj.stem().string() + "_pictures") / fs::path(picture).filename();
            std::string bytes;
            fs::create_directories(copy.parent_path(), ec);
            if (!textio::readFile(picture, bytes) || !writeText(copy.string(), bytes))
                problems += "cannot copy the picture " + picture + " to " + copy.string() + "\n";
            else
                picture = copy.string();
        }
        if (!picture.empty())
            tile["image"] = fs::absolute(picture)
                                .lexically_normal()
                                .lexically_relative(tsj.parent_path())
                                .generic_string();
        tile["imagewidth"] = w;
        tile["imageheight"] = h;
        tileW = std::max(tileW, w);
        tileH = std::max(tileH, h);
        std::vector<world::DnaEntry> pairs;
        if (world::readDnaEntries(gfx + t.name + ".dll", pairs)) {
            json props = json::array();
            for (const world::DnaEntry& p : pairs) {
                if (!p.key.empty() && p.key[0] == ';') continue; // the comment lines at the end
                props.push_back({{"name", p.key}, {"type", "string"}, {"value", p.value}});
            }
            if (!props.empty()) tile["properties"] = props;
        }
        tiles.push_back(tile);
    }
    json tileset{{"type", "tileset"},
                 {"version", "1.8"},
                 {"tiledversion", "1.8.2"},
                 {"name", tsj.stem().string()},
                 {"tilewidth", tileW},
                 {"tileheight", tileH},
                 {"tilecount", ids.size()},
                 {"columns", 0},
                 {"margin", 0},
                 {"spacing", 0},
                 {"tiles", tiles},
                 {"grid", {{"orientation", "orthogonal"}, {"width", 1}, {"height", 1}}}};

    // The map is written as it is made, object by object, into the frame of its small parts (the
    // whole document of a large map would cost many times the map's own memory). The frame is
    // the document with a marker for each layer's objects, printed as the JSON library prints it.
    const std::int32_t top = std::max<std::int32_t>(0, map.maxLayer);
    const std::size_t layerCount = static_cast<std::size_t>(top) + 1;
    std::vector<std::size_t> perLayer(layerCount, 0);
    double extentX = kCell, extentY = kCell;
    for (const world::PlacedTile& t : map.tiles) {
        if (t.layer < 0 || t.layer > top) continue;
        ++perLayer[static_cast<std::size_t>(t.layer)];
        const double x = plat::roundHalfAwayInt32(t.x), y = plat::roundHalfAwayInt32(t.y);
        const double w = plat::roundHalfAwayInt32(t.width), h = plat::roundHalfAwayInt32(t.height);
        extentX = std::max(extentX, x + w);
        extentY = std::max(extentY, y + h);
        ++r.objects;
    }
    const std::string marker = "\x01objects of layer ";
    json layers = json::array();
    for (std::size_t l = 0; l < layerCount; ++l)
        layers.push_back({{"type", "objectgroup"},
                          {"id", l + 1},
                          {"name", "layer " + std::to_string(l)},
                          {"draworder", "index"},
                          {"opacity", 1},
                          {"visible", true},
                          {"x", 0},
                          {"y", 0},
                          {"objects", perLayer[l] == 0 ? json::array() : json(marker + std::to_string(l))}});
    const json frame{{"type", "map"},
                     {"version", "1.8"},
                     {"tiledversion", "1.8.2"},
                     {"orientation", "orthogonal"},
                     {"renderorder", "right-down"},
                     {"infinite", false},
                     {"compressionlevel", -1},
                     {"tilewidth", kCell},
                     {"tileheight", kCell},
                     {"width", static_cast<int>(std::ceil(extentX / kCell))},
                     {"height", static_cast<int>(std::ceil(extentY / kCell))},
                     {"nextlayerid", layerCount + 1},
                     {"nextobjectid", r.objects + 1},
                     {"layers", layers},
                     {"tilesets", json::array({{{"firstgid", 1}, {"source", tsj.filename().string()}}})}};
    const std::string frameText = frame.dump(1) + "\n";

    const auto writeObjects = [&](textio::StreamingFileWriter& out, std::size_t layer) {
        // Objects sit four levels deep: map, layers, the layer, its objects.
        const std::string indent = "    ";
        // Object ids follow the map's record order over all layers.
        int id = 0;
        bool first = true;
        out.write("[\n");
        for (const world::PlacedTile& t : map.tiles) {
            if (t.layer < 0 || t.layer > top) continue;
            ++id;
            if (t.layer != static_cast<std::int32_t>(layer)) continue;
            const double x = plat::roundHalfAwayInt32(t.x), y = plat::roundHalfAwayInt32(t.y);
            const double w = plat::roundHalfAwayInt32(t.width), h = plat::roundHalfAwayInt32(t.height);
            const json o{{"id", id},      {"gid", ids.at(t.name) + 1},
                         {"name", ""},    {"type", ""},
                         {"x", x},        {"y", y + h},
                         {"width", w},    {"height", h},
                         {"rotation", 0}, {"visible", true}};
            std::string text = o.dump(1);
            for (std::size_t at = text.find('\n'); at != std::string::npos; at = text.find('\n', at + 1))
                text.insert(at + 1, indent);
            out.write(first ? indent : ",\n" + indent);
            out.write(text);
            first = false;
        }
        out.write("\n   ]");
    };

    if (!writeText(tsj.string(), tileset.dump(1) + "\n")) {
        r.message = "cannot write " + tsj.string();
        return r;
    }
    textio::StreamingFileWriter out(tmj.string());
    const std::string quotedMarker = json(marker).dump();
    const std::string markerStart = quotedMarker.substr(0, quotedMarker.size() - 1);
    std::size_t from = 0;
    for (std::size_t at = frameText.find(markerStart); at != std::string::npos;
         at = frameText.find(markerStart, from)) {
        out.write(std::string_view(frameText).substr(from, at - from));
        const std::size_t close = frameText.find('"', at + markerStart.size());
        const std::size_t layer = static_cast<std::size_t>(
            textio::toInt(frameText.substr(at + markerStart.size(), close - at - markerStart.size())));
        writeObjects(out, layer);
        from = close + 1;
    }
    out.write(std::string_view(frameText).substr(from));
    if (!out.commit()) {
        r.message = "cannot write " + tmj.string();
        return r;
    }
    r.kinds = static_cast<int>(ids.size());
    r.ok = problems.empty();
    r.message = problems + "exported " + std::to_string(r.objects) + " tiles of " + std::to_string(r.kinds) +
                " kinds to " + tmj.string();
    return r;
}

// ------------------------------------------------------------------------------------ import

namespace {

struct Kind {
    std::string name;
    std::string picture; // absolute path
    int width = 0, height = 0;
    std::vector<world::DnaEntry> dna;
};

// Reads the tiles of one tileset (embedded, or external at `source` relative to `base`) into `kinds`
// by global id. false with `error` for what cannot be imported.
bool readTileset(const json& ref, const fs::path& base, const fs::path& root,
                 std::map<std::uint32_t, Kind>& kinds, std::string& error) {
    const std::uint32_t first = world::wholeNumber<std::uint32_t>(ref.at("firstgid"));
    json ts = ref;
    fs::path where = base;
    if (ref.contains("source")) {
        const fs::path src = (base / ref.at("source").get<std::string>()).lexically_normal();
        if (insideRoot(root, src).empty()) {
            error = "the tileset " + src.string() + " lies outside the map's folder " + root.string() +
                    ": only files inside it are read";
            return false;
        }
        std::string text;
        if (!textio::readFile(src.string(), text)) {
            error = "cannot read the tileset " + src.string();
            return false;
        }
        ts = json::parse(text, nullptr, false);
        if (ts.is_discarded() || !ts.is_object()) {
            error = "the tileset " + src.string() + " is no JSON tileset (save it as .tsj)";
            return false;
        }
        where = src.parent_path();
    }
    if (ts.contains("image")) {
        error = "the tileset \"" + ts.value("name", std::string()) +
                "\" is cut from one picture; only tilesets of single pictures can be imported";
        return false;
    }
    if (!ts.contains("tiles")) return true;
    for (const json& t : ts.at("tiles")) {
        if (!t.contains("image")) continue;
        Kind k;
        const fs::path picture = (where / t.at("image").get<std::string>()).lexically_normal();
        k.picture = insideRoot(root, picture);
        if (k.picture.empty()) {
            error = "the picture " + picture.string() + " lies outside the map's folder " + root.string() +
                    ": only pictures inside it are imported";
            return false;
        }
        k.name = picture.stem().string();
        k.width = t.contains("imagewidth") ? world::wholeNumber<int>(t.at("imagewidth")) : 0;
        k.height = t.contains("imageheight") ? world::wholeNumber<int>(t.at("imageheight")) : 0;
        if (k.width <= 0 || k.height <= 0) pictureSize(k.picture, k.width, k.height);
        if (t.contains("properties"))
            for (const json& p : t.at("properties")) {
                const json& v = p.at("value");
                k.dna.push_back(
                    {p.at("name").get<std::string>(), v.is_string() ? v.get<std::string>() : v.dump()});
            }
        kinds[first + world::wholeNumber<std::uint32_t>(t.at("id"))] = std::move(k);
    }
    return true;
}

// Tile layer data as global ids: a plain array, or base64 text without compression.
bool layerCells(const json& layer, std::vector<std::uint32_t>& cells, std::string& error) {
    const json& data = layer.at("data");
    if (data.is_array()) {
        for (const json& v : data) cells.push_back(world::wholeNumber<std::uint32_t>(v));
        return true;
    }
    if (layer.value("compression", std::string()) != "") {
        error = "tile layer \"" + layer.value("name", std::string()) +
                "\" is compressed; save the map with the tile layer format CSV or Base64 (uncompressed)";
        return false;
    }
    const std::string text = data.get<std::string>();
    std::string bytes;
    int acc = 0, bits = 0;
    for (char c : text) {
        int v;
        if (c >= 'A' && c <= 'Z')
            v = c - 'A';
        else if (c >= 'a' && c <= 'z')
            v = c - 'a' + 26;
        else if (c >= '0' && c <= '9')
            v = c - '0' + 52;
        else if (c == '+')
            v = 62;
        else if (c == '/')
            v = 63;
        else
            continue;
        acc = (acc << 6) | v;
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            bytes.push_back(static_cast<char>((acc >> bits) & 0xFF));
        }
    }
    for (std::size_t i = 0; i + 3 < bytes.size(); i += 4)
        cells.push_back(static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[i])) |
                        static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[i + 1])) << 8 |
                        static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[i + 2])) << 16 |
                        static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[i + 3])) << 24);
    return true;
}

} // namespace

TiledResult importTiledMap(const std::string& tmjPath, const std::string& mapFolder) {
    TiledResult r;
    std::string text;
    if (!textio::readFile(textio::nativePath(tmjPath), text)) {
        r.message = "cannot read " + tmjPath;
        return r;
    }
    const json map = json::parse(text, nullptr, false);
    if (map.is_discarded() || !map.is_object()) {
        r.message = tmjPath + " is no JSON map (save it from Tiled as .tmj)";
        return r;
    }
    std::vector<world::PlacedTile> tiles;
    std::map<std::uint32_t, Kind> kinds;
    std::set<std::uint32_t> used;
    try {
        if (map.value("infinite", false)) {
            r.message = tmjPath + " is an infinite map; make it finite in Tiled's map properties";
            return r;
        }
        const fs::path base = fs::absolute(textio::nativePath(tmjPath)).lexically_normal().parent_path();
        // Everything the map names is taken from inside the folder of the .tmj file.
        std::error_code rootEc;
        const fs::path root = fs::canonical(base, rootEc);
        if (rootEc) {
            r.message = "cannot read the folder " + base.string();
            return r;
        }
        for (const json& ref : map.at("tilesets"))
            if (!readTileset(ref, base, root, kinds, r.message)) return r;
        const int cellW = world::wholeNumber<int>(map.at("tilewidth")),
                  cellH = world::wholeNumber<int>(map.at("tileheight"));
        std::int32_t layer = 0;
        auto place = [&](std::uint32_t gid, double x, double y, double w, double h) {
            gid &= ~kGidFlags;
            if (gid == 0) return true;
            const auto k = kinds.find(gid);
            if (k == kinds.end()) {
                r.message = "tile " + std::to_string(gid) + " is in no tileset of single pictures";
                return false;
            }
            used.insert(gid);
            world::PlacedTile t;
            t.name = k->second.name;
            t.kind = static_cast<std::int32_t>(gid - 1);
            t.x = static_cast<float>(x);
            t.y = static_cast<float>(y);
            t.width = static_cast<float>(w);
            t.height = static_cast<float>(h);
            t.layer = layer;
            tiles.push_back(std::move(t));
            return true;
        };
        // Layers in order; a group's layers in its place, each layer shifted by its own offset and
        // its groups' offsets.
        std::function<bool(const json&, double, double)> walk = [&](const json& list, double dx, double dy) {
            for (const json& l : list) {
                const std::string type = l.at("type").get<std::string>();
                const double ox = dx + l.value("offsetx", 0.0), oy = dy + l.value("offsety", 0.0);
                if (type == "group") {
                    if (l.contains("layers") && !walk(l.at("layers"), ox, oy)) return false;
                    continue;
                }
                if (type == "objectgroup") {
                    for (const json& o : l.at("objects")) {
                        if (!o.contains("gid")) continue; // shapes and points are not tiles
                        const std::uint32_t gid = world::wholeNumber<std::uint32_t>(o.at("gid"));
                        // Without a size of its own a tile object has its picture's size.
                        const auto k = kinds.find(gid & ~kGidFlags);
                        double w = o.value("width", 0.0), h = o.value("height", 0.0);
                        if (!(w > 0) && k != kinds.end()) w = k->second.width;
                        if (!(h > 0) && k != kinds.end()) h = k->second.height;
                        // A tile object's y is its bottom edge.
                        if (!place(gid, ox + o.at("x").get<double>(), oy + o.at("y").get<double>() - h, w, h))
                            return false;
                    }
                } else if (type == "tilelayer") {
                    std::vector<std::uint32_t> cells;
                    if (!layerCells(l, cells, r.message)) return false;
                    const int width = world::wholeNumber<int>(l.at("width"));
                    for (std::size_t i = 0; i < cells.size() && width > 0; ++i) {
                        const std::uint32_t gid = cells[i] & ~kGidFlags;
                        if (gid == 0) continue;
                        const auto k = kinds.find(gid);
                        const int w = k != kinds.end() ? k->second.width : cellW;
                        const int h = k != kinds.end() ? k->second.height : cellH;
                        const double col = static_cast<double>(i % static_cast<std::size_t>(width));
                        const double row = static_cast<double>(i / static_cast<std::size_t>(width));
                        // Tiled draws a cell's tile with its bottom-left corner on the cell's.
                        if (!place(gid, ox + col * cellW, oy + (row + 1) * cellH - h, w, h)) return false;
                    }
                } else {
                    continue; // image layers hold no tiles
                }
                if (++layer > world::kMaxMapSegment) {
                    r.message = "more than 256 layers";
                    return false;
                }
            }
            return true;
        };
        if (!walk(map.at("layers"), 0.0, 0.0)) return r;
    } catch (const std::exception& ex) {
        r.message = tmjPath + " is not a map tarn can read: " + ex.what();
        return r;
    }

    // Kinds: one name each, a picture and a DNA file.
    std::map<std::string, std::string> pictureOf;
    for (std::uint32_t gid : used) {
        const Kind& k = kinds.at(gid);
        if (!world::isWritableTileName(k.name) || k.name.find_first_of("/\\") != std::string::npos) {
            r.message = "the picture name \"" + k.name + "\" cannot be a tile kind name";
            return r;
        }
        const auto [it, fresh] = pictureOf.emplace(k.name, k.picture);
        if (!fresh && it->second != k.picture) {
            r.message = "two different pictures are both called " + k.name + ": rename one";
            return r;
        }
    }
    // Every picture is read (a regular file of a known image format within the size caps) before
    // anything is written: a map that cannot be imported leaves nothing behind.
    world::MapFolderSave save;
    std::set<std::string> written;
    for (std::uint32_t gid : used) {
        const Kind& k = kinds.at(gid);
        if (!written.insert(k.name).second) continue;
        std::string bytes, problem;
        if (!plat::readImageFile(k.picture, bytes, problem)) {
            r.message = "cannot import the picture " + k.picture + (problem.empty() ? "" : ": " + problem);
            return r;
        }
        save.gfxFiles.emplace_back(k.name + fs::path(k.picture).extension().string(), std::move(bytes));
        save.gfxFiles.emplace_back(k.name + ".dll", world::formatDnaFile(k.dna));
    }
    const std::string folder = withSlash(mapFolder);
    const std::string gfx = folder + std::string(world::kMapGfxFolder);
    // The highest folder this import makes: removed again when the import fails.
    fs::path made;
    std::error_code ec;
    for (fs::path p = fs::absolute(folder).lexically_normal();
         !p.empty() && !fs::exists(fs::symlink_status(p, ec)); p = p.parent_path()) {
        if (p.filename().empty()) continue; // the trailing separator
        made = p;
    }
    fs::create_directories(gfx, ec);
    if (!fs::is_directory(gfx, ec)) {
        if (!made.empty()) fs::remove_all(made, ec);
        r.message = "cannot make the folder " + gfx;
        return r;
    }
    std::string problems;
    save.copyKindFiles = false;
    save.maxUsedLayer = 0;
    for (const world::PlacedTile& t : tiles) save.maxUsedLayer = std::max(save.maxUsedLayer, t.layer);
    save.highestTileIndex = static_cast<std::int32_t>(tiles.size()) - 1;
    const world::MapWriteResult w = world::writeMapFolder(folder, tiles, save);
    for (const std::string& f : w.failedFiles) problems += "cannot write " + f + "\n";
    if (!w.ok && !made.empty()) fs::remove_all(made, ec);
    r.objects = static_cast<int>(tiles.size());
    r.kinds = static_cast<int>(written.size());
    r.ok = w.ok && problems.empty();
    r.message = problems + "imported " + std::to_string(r.objects) + " tiles of " + std::to_string(r.kinds) +
                " kinds into " + folder;
    return r;
}

} // namespace world
