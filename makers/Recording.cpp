// Recording: records and replays a run's input and clock.
#include "makers/Recording.h"

#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <limits>
#include <map>
#include <sstream>
#include <sys/stat.h>
#include <type_traits>
#include <unistd.h>

#include <nlohmann/json.hpp>

#include "engine/Biosim.h"
#include "platform/TextIo.h"
#include "world/JsonNumbers.h"
#include "world/MapFormat.h"

namespace makers {

using namespace engine;

namespace fs = std::filesystem;
using nlohmann::json;

// ------------------------------------------------------------------------------------ JSON

namespace {

json passToJson(const RecordedPass& p) {
    json j;
    j["pass"] = p.pass;
    j["ticks"] = p.ticks;
    if (!p.keyboard.empty()) {
        json& k = j["keyboard"] = json::array();
        for (const KeyboardSnapshot& s : p.keyboard)
            k.push_back({{"held", s.held}, {"released", s.released}});
    }
    if (!p.mouse.empty()) {
        json& m = j["mouse"] = json::array();
        for (const MouseSnapshot& s : p.mouse)
            m.push_back({{"x", s.x},
                         {"y", s.y},
                         {"dx", s.dx},
                         {"dy", s.dy},
                         {"wheel", s.wheel},
                         {"buttons", s.buttons}});
    }
    if (!p.joystick.empty()) {
        json& js = j["joystick"] = json::array();
        for (const JoystickSnapshot& s : p.joystick)
            js.push_back({{"x", s.x}, {"y", s.y}, {"buttons", s.buttons}});
    }
    return j;
}

using world::wholeNumber;

std::vector<int> intList(const json& j, const char* key, int lo, int hi) {
    std::vector<int> out;
    if (!j.contains(key)) return out;
    for (const json& v : j.at(key)) {
        const int n = wholeNumber<int>(v);
        if (n < lo || n > hi) throw std::out_of_range(std::string(key) + " value out of range");
        out.push_back(n);
    }
    return out;
}

} // namespace

std::string recordToJson(const RunRecord& r) {
    // One pass per line keeps long records readable and diffable.
    json head;
    head["biosimRecord"] = kRecordVersion;
    head["seed"] = r.seed;
    head["clockStepMs"] = r.clockStepMs;
    head["mapId"] = r.mapId;
    if (r.playtestMap) head["playtestMap"] = *r.playtestMap;
    head["contentHash"] = r.contentHash;
    json& files = head["contentFiles"] = json::object();
    for (const WorldFile& f : r.contentFiles) files[f.path] = f.hash;
    head["desktop"] = {{"width", r.desktop.width}, {"height", r.desktop.height}, {"depth", r.desktop.depth}};
    head["joystickPresent"] = r.joystickPresent;
    head["passCount"] = r.passCount;
    std::string text = head.dump();
    text.pop_back(); // the closing brace
    text += ",\"passes\":[\n";
    for (std::size_t i = 0; i < r.passes.size(); ++i) {
        text += passToJson(r.passes[i]).dump();
        text += i + 1 < r.passes.size() ? ",\n" : "\n";
    }
    text += "]}\n";
    return text;
}

bool recordFromJson(const std::string& text, RunRecord& r, std::string& error) {
    const json j = json::parse(text, nullptr, false);
    if (j.is_discarded() || !j.is_object()) {
        error = "not a JSON object";
        return false;
    }
    try {
        RunRecord out;
        out.version = wholeNumber<int>(j.at("biosimRecord"));
        if (out.version != kRecordVersion && out.version != kWholeFolderHashVersion) {
            error = "unknown record version";
            return false;
        }
        out.seed = wholeNumber<std::uint64_t>(j.at("seed"));
        out.clockStepMs = wholeNumber<int>(j.at("clockStepMs"));
        out.mapId = wholeNumber<std::int32_t>(j.at("mapId"));
        if (j.contains("playtestMap")) out.playtestMap = wholeNumber<std::int32_t>(j.at("playtestMap"));
        out.contentHash = j.at("contentHash").get<std::string>();
        if (out.version == kRecordVersion) {
            const json& files = j.at("contentFiles");
            if (!files.is_object()) throw std::invalid_argument("contentFiles is not an object");
            for (const auto& [path, hash] : files.items())
                out.contentFiles.push_back({path, hash.get<std::string>()});
        }
        const json& d = j.at("desktop");
        out.desktop = {wholeNumber<int>(d.at("width")), wholeNumber<int>(d.at("height")),
                       wholeNumber<int>(d.at("depth"))};
        // The replay opens a screen of this size.
        if (out.desktop.width < 1 || out.desktop.height < 1 || out.desktop.width > kMaxRecordedDesktopSide ||
            out.desktop.height > kMaxRecordedDesktopSide ||
            std::int64_t{out.desktop.width} * out.desktop.height > kMaxRecordedDesktopPixels ||
            out.desktop.depth < 1 || out.desktop.depth > 32)
            throw std::out_of_range(
                "desktop " + std::to_string(out.desktop.width) + " x " + std::to_string(out.desktop.height) +
                " x " + std::to_string(out.desktop.depth) + " is beyond the screens a replay opens");
        out.joystickPresent = j.at("joystickPresent").get<bool>();
        out.passCount = wholeNumber<std::int64_t>(j.at("passCount"));
        if (out.passCount < 0 || out.clockStepMs < 0 || out.clockStepMs > 60000)
            throw std::out_of_range("passCount or clockStepMs out of range");
        for (const json& p : j.at("passes")) {
            RecordedPass rp;
            rp.pass = wholeNumber<std::int64_t>(p.at("pass"));
            if (rp.pass != static_cast<std::int64_t>(out.passes.size()))
                throw std::out_of_range("passes out of order");
            const json& ticks = p.at("ticks");
            if (!ticks.is_array()) throw std::invalid_argument("ticks is not a list");
            for (const json& t : ticks) {
                rp.ticks.push_back(wholeNumber<std::int64_t>(t));
                if (rp.ticks.back() < 0 || rp.ticks.back() > kMaxRecordedTick)
                    throw std::out_of_range("tick " + std::to_string(rp.ticks.back()) + " outside 0.." +
                                            std::to_string(kMaxRecordedTick));
            }
            if (p.contains("keyboard"))
                for (const json& s : p.at("keyboard"))
                    rp.keyboard.push_back({intList(s, "held", 0, 255), intList(s, "released", 0, 255)});
            if (p.contains("mouse"))
                for (const json& s : p.at("mouse"))
                    rp.mouse.push_back({wholeNumber<int>(s.at("x")), wholeNumber<int>(s.at("y")),
                                        wholeNumber<int>(s.at("dx")), wholeNumber<int>(s.at("dy")),
                                        wholeNumber<int>(s.at("wheel")), intList(s, "buttons", 1, 3)});
            if (p.contains("joystick"))
                for (const json& s : p.at("joystick"))
                    rp.joystick.push_back({wholeNumber<int>(s.at("x")), wholeNumber<int>(s.at("y")),
                                           intList(s, "buttons", 1, 32)});
            out.passes.push_back(std::move(rp));
        }
        if (static_cast<std::int64_t>(out.passes.size()) != out.passCount + 1)
            throw std::out_of_range("passCount does not match the passes");
        r = std::move(out);
        return true;
    } catch (const std::exception& ex) {
        error = std::string("malformed record: ") + ex.what();
        return false;
    }
}

bool writeRecord(const RunRecord& r, const std::string& path) {
    return textio::writeFileAtomic(path, recordToJson(r));
}

bool readRecord(const std::string& path, RunRecord& r, std::string& error) {
    std::string text, problem;
    if (!textio::readRegularFile(path, text, kMaxRecordBytes, &problem)) {
        error = problem.empty() ? "cannot read " + path : problem;
        return false;
    }
    return recordFromJson(text, r, error);
}

std::string recordPathProblem(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return "";
    if (S_ISREG(st.st_mode)) return "";
    return path + " is no regular file";
}

// ------------------------------------------------------------------------------------ content hash

namespace {

constexpr std::uint64_t kFnvStart = 1469598103934665603ULL;

void fnv(std::uint64_t& h, const char* data, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) {
        h ^= static_cast<unsigned char>(data[i]);
        h *= 1099511628211ULL;
    }
}

std::string hex16(std::uint64_t h) {
    char hex[17];
    std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(h));
    return hex;
}

// The engine's own files and `alsoSkip`, as canonical paths.
std::vector<fs::path> filesToSkip(const Biosim& e, const fs::path& root,
                                  const std::vector<std::string>& alsoSkip) {
    std::error_code ec;
    std::vector<fs::path> skipFiles;
    auto skip = [&](const std::string& p) {
        if (p.empty()) return;
        std::string q = p;
        std::replace(q.begin(), q.end(), '\\', '/');
        fs::path f = fs::path(q).is_absolute() ? fs::path(q) : root / q;
        skipFiles.push_back(fs::weakly_canonical(f, ec).lexically_normal());
    };
    skip(resolvePath(e, e.cfg.ERRORPATH));
    skip(resolvePath(e, e.cfg.WARNINGS));
    skip(resolvePath(e, e.cfg.PATH));
    for (const std::string& s : alsoSkip) skip(s);
    return skipFiles;
}

// The content hash of one file; a file that is no regular file (or cannot be read) hashes as
// nothing but a mark, so it still differs from any real content.
std::string fileHash(const fs::path& p) {
    std::uint64_t h = kFnvStart;
    const int fd = ::open(p.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    struct stat st {};
    if (fd < 0 || ::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        if (fd >= 0) ::close(fd);
        fnv(h, "\1unreadable", 11);
        return hex16(h);
    }
    char buf[1 << 16];
    for (;;) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        fnv(h, buf, static_cast<std::size_t>(n));
    }
    ::close(fd);
    return hex16(h);
}

bool hasExtension(const std::string& name, const std::string& ext) {
    return name.size() > ext.size() && name.compare(name.size() - ext.size(), ext.size(), ext) == 0;
}

// The folder name of map `name` as biosim reads it: the decimal number, no sign for 0 and above,
// no leading zeros, within 32 bits.
bool isMapFolderName(const std::string& name) {
    if (name.empty() || name.size() > 11) return false;
    const bool numeric = std::all_of(name.begin() + (name[0] == '-' ? 1 : 0), name.end(),
                                     [](char c) { return c >= '0' && c <= '9'; });
    if (!numeric || name == "-") return false;
    const long long n = std::stoll(name);
    return n >= INT32_MIN && n <= INT32_MAX && std::to_string(n) == name;
}

} // namespace

std::vector<WorldFile> worldFiles(const Biosim& e, const std::vector<std::string>& alsoSkip) {
    std::error_code ec;
    const fs::path root = fs::weakly_canonical(e.workingFolder, ec);
    const std::vector<fs::path> skipFiles = filesToSkip(e, root, alsoSkip);
    std::map<std::string, fs::path> found; // relative path -> path
    auto add = [&](const fs::path& p) {
        const fs::path norm = fs::weakly_canonical(p, ec).lexically_normal();
        if (std::find(skipFiles.begin(), skipFiles.end(), norm) != skipFiles.end()) return;
        found.emplace(norm.lexically_relative(root).generic_string(), p);
    };
    auto addFile = [&](const std::string& configured) {
        if (configured.empty()) return;
        const std::string p = resolvePath(e, configured);
        if (fs::is_regular_file(p, ec)) add(p);
    };
    // The regular, not hidden files of a folder (and of its subfolders when `deep`) that `take` names.
    auto addFolder = [&](const std::string& configured, auto take, bool deep) {
        if (configured.empty()) return;
        const fs::path folder = resolvePath(e, configured);
        if (!fs::is_directory(folder, ec)) return;
        for (auto it =
                 fs::recursive_directory_iterator(folder, fs::directory_options::skip_permission_denied, ec);
             !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
            const std::string name = it->path().filename().string();
            const bool folderEntry = it->is_directory(ec);
            if (folderEntry && (!deep || name.empty() || name[0] == '.')) it.disable_recursion_pending();
            if (folderEntry || name.empty() || name[0] == '.' || !it->is_regular_file(ec)) continue;
            if (take(name)) add(it->path());
        }
        ec.clear();
    };
    const std::string gfx = e.cfg.GFXCODEC, sound = e.cfg.SOUNDCODEC;
    auto picture = [&](const std::string& n) { return gfx.empty() || hasExtension(n, gfx); };
    auto pictureOrDna = [&](const std::string& n) { return picture(n) || hasExtension(n, ".dll"); };
    auto soundFile = [&](const std::string& n) { return sound.empty() || hasExtension(n, sound); };

    add(e.engineBasePath + "ini.crc");
    addFile(e.cfg.CODECS);
    addFile(e.cfg.SYSTEMTEXT);
    addFolder(e.cfg.GFX, pictureOrDna, false);
    addFolder(e.cfg.EFFECT_GFX, picture, false);
    addFolder(e.cfg.SOUNDPATH, soundFile, false);
    addFolder(e.cfg.ANIMSYSTEM, picture, true);
    if (!e.cfg.SIMCORE.empty()) {
        for (auto it = fs::directory_iterator(resolvePath(e, e.cfg.SIMCORE), ec);
             !ec && it != fs::directory_iterator(); it.increment(ec)) {
            const std::string id = it->path().filename().string();
            if (!it->is_directory(ec) || !isMapFolderName(id)) continue;
            const std::string map = textio::asFolder(e.cfg.SIMCORE) + id + "/";
            addFolder(
                map,
                [](const std::string& n) {
                    if (n == "_") return true;
                    return n.size() <= 3 &&
                           std::all_of(n.begin(), n.end(), [](char c) { return c >= '0' && c <= '9'; }) &&
                           std::stoi(n) <= world::kMaxMapSegment && std::to_string(std::stoi(n)) == n;
                },
                false);
            if (!e.cfg.GFX.empty()) addFolder(map + e.cfg.GFX, pictureOrDna, false);
        }
    }
    std::vector<WorldFile> out;
    out.reserve(found.size());
    for (const auto& [rel, p] : found) out.push_back({rel, fileHash(p)});
    return out;
}

std::string combinedHash(const std::vector<WorldFile>& files) {
    std::uint64_t h = kFnvStart;
    for (const WorldFile& f : files) {
        fnv(h, f.path.c_str(), f.path.size() + 1);
        fnv(h, f.hash.c_str(), f.hash.size() + 1);
    }
    return hex16(h);
}

std::string firstDifference(const std::vector<WorldFile>& recorded, const std::vector<WorldFile>& now) {
    std::map<std::string, std::pair<std::string, std::string>> all; // path -> (recorded, now)
    for (const WorldFile& f : recorded) all[f.path].first = f.hash;
    for (const WorldFile& f : now) all[f.path].second = f.hash;
    for (const auto& [path, h] : all) {
        if (h.first == h.second) continue;
        if (h.first.empty()) return path + " (new)";
        if (h.second.empty()) return path + " (missing)";
        return path + " (changed)";
    }
    return "";
}

void stampWorld(const Biosim& e, RunRecord& r, const std::vector<std::string>& alsoSkip) {
    r.version = kRecordVersion;
    r.contentFiles = worldFiles(e, alsoSkip);
    r.contentHash = combinedHash(r.contentFiles);
}

std::string worldDifference(const Biosim& e, const RunRecord& r, const std::vector<std::string>& alsoSkip) {
    const std::string changed = "the world has changed since it was recorded";
    if (r.version == kWholeFolderHashVersion) {
        const std::string hash = wholeFolderHash(e, alsoSkip);
        if (hash == r.contentHash) return "";
        return changed + " (content hash " + hash + ", recorded " + r.contentHash + ")";
    }
    const std::vector<WorldFile> now = worldFiles(e, alsoSkip);
    const std::string first = firstDifference(r.contentFiles, now);
    if (!first.empty()) return changed + ": first difference " + first;
    // The file list agrees; a record whose own hash was edited does not.
    if (combinedHash(now) != r.contentHash)
        return changed + " (content hash " + combinedHash(now) + ", recorded " + r.contentHash + ")";
    return "";
}

std::string wholeFolderHash(const Biosim& e, const std::vector<std::string>& alsoSkip) {
    std::error_code ec;
    const fs::path root = fs::weakly_canonical(e.workingFolder, ec);
    const std::vector<fs::path> skipFiles = filesToSkip(e, root, alsoSkip);
    const std::string tempFolder = e.cfg.TEMP.empty() ? "" : resolvePath(e, e.cfg.TEMP);
    fs::path temp;
    if (!tempFolder.empty()) temp = fs::weakly_canonical(tempFolder, ec).lexically_normal();

    std::vector<std::pair<std::string, fs::path>> files;
    for (auto it = fs::recursive_directory_iterator(root, fs::directory_options::skip_permission_denied, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        const fs::path& p = it->path();
        const std::string name = p.filename().string();
        if (!name.empty() && name[0] == '.') { // hidden: version control and editor files
            if (it->is_directory(ec)) it.disable_recursion_pending();
            continue;
        }
        const fs::path norm = p.lexically_normal();
        if (!temp.empty() && norm == temp) {
            it.disable_recursion_pending();
            continue;
        }
        if (!it->is_regular_file(ec)) continue;
        if (std::find(skipFiles.begin(), skipFiles.end(), norm) != skipFiles.end()) continue;
        files.emplace_back(norm.lexically_relative(root).generic_string(), p);
    }
    std::sort(files.begin(), files.end());

    std::uint64_t h = kFnvStart;
    std::vector<char> buf(1 << 16);
    for (const auto& [rel, p] : files) {
        fnv(h, rel.c_str(), rel.size() + 1);
        std::ifstream f(p, std::ios::binary);
        while (f) {
            f.read(buf.data(), static_cast<std::streamsize>(buf.size()));
            fnv(h, buf.data(), static_cast<std::size_t>(f.gcount()));
        }
        fnv(h, "\0\1", 2); // end of file
    }
    return hex16(h);
}

// ------------------------------------------------------------------------------------ recording

class RecordingPlatform::Recorder final : public plat::Input, public plat::Clock {
public:
    Recorder(plat::Platform& inner, RunRecord& r) : in_(inner.input()), clock_(inner.clock()), r_(r) {
        now_ = clock_.ticks();
    }

    RecordedPass& pass() {
        if (r_.passes.empty()) r_.passes.push_back({0, {now_}, {}, {}, {}});
        return r_.passes.back();
    }
    void beginPass(std::int64_t n) {
        now_ = clock_.ticks();
        if (n == 0 && !r_.passes.empty()) {
            r_.passes.back().ticks.push_back(now_);
            return;
        }
        r_.passes.push_back({n, {now_}, {}, {}, {}});
    }

    // Clock: one tick per pass, sampled again after a sleep.
    std::int64_t ticks() override { return now_; }
    void sleep(int ms) override {
        clock_.sleep(ms);
        now_ = clock_.ticks();
        pass().ticks.push_back(now_);
    }

    void examineKeyboard() override {
        in_.examineKeyboard();
        KeyboardSnapshot s;
        for (int k = 0; k < 256; ++k) {
            if (in_.keyHeld(k)) s.held.push_back(k);
            if (in_.keyReleased(k)) s.released.push_back(k);
        }
        pass().keyboard.push_back(std::move(s));
    }
    bool keyHeld(int k) const override { return in_.keyHeld(k); }
    bool keyReleased(int k) const override { return in_.keyReleased(k); }
    void examineMouse() override {
        in_.examineMouse();
        MouseSnapshot s{in_.mouseX(),      in_.mouseY(),     in_.mouseDeltaX(),
                        in_.mouseDeltaY(), in_.mouseWheel(), {}};
        for (int b = 1; b <= 3; ++b)
            if (in_.mouseButton(b)) s.buttons.push_back(b);
        pass().mouse.push_back(std::move(s));
    }
    int mouseX() const override { return in_.mouseX(); }
    int mouseY() const override { return in_.mouseY(); }
    int mouseDeltaX() const override { return in_.mouseDeltaX(); }
    int mouseDeltaY() const override { return in_.mouseDeltaY(); }
    int mouseWheel() const override { return in_.mouseWheel(); }
    bool mouseButton(int b) const override { return in_.mouseButton(b); }
    bool joystickPresent() const override {
        const bool present = in_.joystickPresent();
        r_.joystickPresent = r_.joystickPresent || present;
        return present;
    }
    void examineJoystick() override {
        in_.examineJoystick();
        JoystickSnapshot s{in_.joystickX(), in_.joystickY(), {}};
        for (int b = 1; b <= 32; ++b)
            if (in_.joystickButton(b)) s.buttons.push_back(b);
        pass().joystick.push_back(std::move(s));
    }
    int joystickX() const override { return in_.joystickX(); }
    int joystickY() const override { return in_.joystickY(); }
    bool joystickButton(int b) const override { return in_.joystickButton(b); }
    bool quitRequested() const override { return in_.quitRequested(); }

private:
    plat::Input& in_;
    plat::Clock& clock_;
    RunRecord& r_;
    std::int64_t now_ = 0;
};

RecordingPlatform::RecordingPlatform(plat::Platform& inner)
    : inner_(inner), rec_(std::make_unique<Recorder>(inner, record_)) {
    record_.desktop = inner.graphics().desktop();
}
RecordingPlatform::~RecordingPlatform() = default;
plat::Input& RecordingPlatform::input() {
    return *rec_;
}
plat::Clock& RecordingPlatform::clock() {
    return *rec_;
}
void RecordingPlatform::beginPass(std::int64_t pass) {
    rec_->beginPass(pass);
    record_.passCount = std::max<std::int64_t>(record_.passCount, pass);
}

// ------------------------------------------------------------------------------------ replay

struct ReplayPlatform::State {
    RunRecord r;
    std::int64_t pass = 0;
    std::size_t tick = 0, kb = 0, mouse = 0, joy = 0;
    std::string drift;
    KeyboardSnapshot k;
    MouseSnapshot m;
    JoystickSnapshot j;

    const RecordedPass* current() const {
        return pass >= 0 && pass < static_cast<std::int64_t>(r.passes.size())
                   ? &r.passes[static_cast<std::size_t>(pass)]
                   : nullptr;
    }
    void note(const std::string& what) {
        if (drift.empty()) drift = "pass " + std::to_string(pass) + ": " + what;
    }
    // The next snapshot of `list`, or the note that the run read more than was recorded.
    template <class T>
    bool next(const std::vector<T> RecordedPass::*list, std::size_t& index, T& into, const char* what) {
        const RecordedPass* p = current();
        if (!p || index >= (p->*list).size()) {
            note(std::string("the run examined the ") + what + " more often than recorded");
            into = T{};
            return false;
        }
        into = (p->*list)[index++];
        return true;
    }
};

namespace {

bool contains(const std::vector<int>& v, int n) {
    return std::find(v.begin(), v.end(), n) != v.end();
}

class ReplayInput final : public plat::Input {
public:
    explicit ReplayInput(std::shared_ptr<ReplayPlatform::State> s) : s_(std::move(s)) {}
    void examineKeyboard() override { s_->next(&RecordedPass::keyboard, s_->kb, s_->k, "keyboard"); }
    bool keyHeld(int k) const override { return contains(s_->k.held, k); }
    bool keyReleased(int k) const override { return contains(s_->k.released, k); }
    void examineMouse() override { s_->next(&RecordedPass::mouse, s_->mouse, s_->m, "mouse"); }
    int mouseX() const override { return s_->m.x; }
    int mouseY() const override { return s_->m.y; }
    int mouseDeltaX() const override { return s_->m.dx; }
    int mouseDeltaY() const override { return s_->m.dy; }
    int mouseWheel() const override { return s_->m.wheel; }
    bool mouseButton(int b) const override { return contains(s_->m.buttons, b); }
    bool joystickPresent() const override { return s_->r.joystickPresent; }
    void examineJoystick() override { s_->next(&RecordedPass::joystick, s_->joy, s_->j, "joystick"); }
    int joystickX() const override { return s_->j.x; }
    int joystickY() const override { return s_->j.y; }
    bool joystickButton(int b) const override { return contains(s_->j.buttons, b); }
    bool quitRequested() const override { return false; }

private:
    std::shared_ptr<ReplayPlatform::State> s_;
};

class ReplayClock final : public plat::Clock {
public:
    explicit ReplayClock(std::shared_ptr<ReplayPlatform::State> s) : s_(std::move(s)) {}
    std::int64_t ticks() override {
        const RecordedPass* p = s_->current();
        if (!p || p->ticks.empty()) return last_;
        last_ = p->ticks[std::min(s_->tick, p->ticks.size() - 1)];
        return last_;
    }
    void sleep(int) override {
        const RecordedPass* p = s_->current();
        if (!p || s_->tick + 1 >= p->ticks.size()) {
            s_->note("the run slept more often than recorded");
            return;
        }
        ++s_->tick;
    }

private:
    std::shared_ptr<ReplayPlatform::State> s_;
    std::int64_t last_ = 0;
};

// The inner screen, reporting the recorded desktop.
class RecordedDesktopGraphics final : public plat::Graphics {
public:
    RecordedDesktopGraphics(plat::Graphics& g, plat::DesktopInfo d) : g_(g), d_(d) {}
    plat::DesktopInfo desktop() override { return d_; }
    bool openScreen(int w, int h, int depth, const std::string& title, plat::ScreenMode mode) override {
        return g_.openScreen(w, h, depth, title, mode);
    }
    bool screenOpen() const override { return g_.screenOpen(); }
    void closeScreen() override { g_.closeScreen(); }
    int screenWidth() const override { return g_.screenWidth(); }
    int screenHeight() const override { return g_.screenHeight(); }
    void setViewport(int x, int y, int w, int h) override { g_.setViewport(x, y, w, h); }
    void clear(plat::Rgb c) override { g_.clear(c); }
    void begin3D() override { g_.begin3D(); }
    void end3D() override { g_.end3D(); }
    void flip(int mode) override { g_.flip(mode); }
    void setQuality(int q) override { g_.setQuality(q); }
    plat::SpriteId loadSprite(const std::string& path) override { return g_.loadSprite(path); }
    bool isSprite(plat::SpriteId id) const override { return g_.isSprite(id); }
    void freeSprite(plat::SpriteId id) override { g_.freeSprite(id); }
    int spriteWidth(plat::SpriteId id) const override { return g_.spriteWidth(id); }
    int spriteHeight(plat::SpriteId id) const override { return g_.spriteHeight(id); }
    void setTransparentColour(plat::SpriteId id, plat::Rgb c) override { g_.setTransparentColour(id, c); }
    plat::SpriteId createDrawable(plat::SpriteId src) override { return g_.createDrawable(src); }
    void zoomSprite(plat::SpriteId id, float w, float h) override { g_.zoomSprite(id, w, h); }
    void rotateSprite(plat::SpriteId id, float deg) override { g_.rotateSprite(id, deg); }
    void setCorners(plat::SpriteId id, float x0, float y0, float x1, float y1, float x2, float y2, float x3,
                    float y3) override {
        g_.setCorners(id, x0, y0, x1, y1, x2, y2, x3, y3);
    }
    void setBlend(int src, int dst) override { g_.setBlend(src, dst); }
    void drawSprite(plat::SpriteId id, float x, float y, int alpha) override {
        g_.drawSprite(id, x, y, alpha);
    }
    plat::SpriteId grabSprite(int x, int y, int w, int h, int mode) override {
        return g_.grabSprite(x, y, w, h, mode);
    }
    void begin2D() override { g_.begin2D(); }
    void end2D() override { g_.end2D(); }
    void setTextTransparent(bool t) override { g_.setTextTransparent(t); }
    void fillBox(float x, float y, float w, float h, plat::Rgb c) override { g_.fillBox(x, y, w, h, c); }
    void outlineBox(float x, float y, float w, float h, plat::Rgb c) override {
        g_.outlineBox(x, y, w, h, c);
    }
    void point(float x, float y, plat::Rgb c) override { g_.point(x, y, c); }
    void text(float x, float y, const std::string& t, plat::Rgb front, plat::Rgb back) override {
        g_.text(x, y, t, front, back);
    }
    int textHeight() const override { return g_.textHeight(); }
    bool saveScreenshot(const std::string& path) override { return g_.saveScreenshot(path); }

private:
    plat::Graphics& g_;
    plat::DesktopInfo d_;
};

} // namespace

ReplayPlatform::ReplayPlatform(plat::Platform& inner, const RunRecord& record)
    : inner_(inner), s_(std::make_shared<State>()) {
    s_->r = record;
    graphics_ = std::make_unique<RecordedDesktopGraphics>(inner.graphics(), record.desktop);
    input_ = std::make_unique<ReplayInput>(s_);
    clock_ = std::make_unique<ReplayClock>(s_);
}
ReplayPlatform::~ReplayPlatform() = default;
plat::Graphics& ReplayPlatform::graphics() {
    return *graphics_;
}
plat::Input& ReplayPlatform::input() {
    return *input_;
}
plat::Clock& ReplayPlatform::clock() {
    return *clock_;
}

void ReplayPlatform::beginPass(std::int64_t pass) {
    State& s = *s_;
    // Pass 0 starts before anything is read; later passes check that the last one read all it had.
    if (pass > 0) {
        if (const RecordedPass* p = s.current()) {
            if (s.kb < p->keyboard.size() || s.mouse < p->mouse.size() || s.joy < p->joystick.size())
                s.note("the run examined its input fewer times than recorded");
            else if (s.tick + 1 < p->ticks.size())
                s.note("the run slept fewer times than recorded");
        }
    }
    s.pass = pass;
    s.tick = s.kb = s.mouse = s.joy = 0;
    if (!s.current()) s.note("the run went on past the end of the record");
}

const std::string& ReplayPlatform::drift() const {
    return s_->drift;
}

} // namespace makers
