// MakerCommands: play-test in biosim, and Tiled maps out and in, from the editor.
#include "builder/MakerCommands.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "builder/MapFiles.h"
#include "builder/Messages.h"
#include "builder/Windows.h"
#include "platform/TextIo.h"
#include "world/TiledMaps.h"

namespace fs = std::filesystem;

namespace tarn {
namespace {

constexpr const char* kTitle = "MAP BUILDER MESSAGE:";

void show(Builder& b, const std::string& text) {
    b.edit.notice = text.substr(0, text.find('\n'));
    inform(b, kTitle, text);
}

// The biosim program to run.
std::string biosimProgram(const Builder& b) {
    if (!b.cfg.PLAYTESTRUN.empty()) {
        const std::string p = b.cfg.PLAYTESTRUN;
        return p.front() == '/' ? p : b.paths.workingFolder + p;
    }
    std::error_code ec;
    const fs::path self = fs::read_symlink("/proc/self/exe", ec);
    if (!ec) {
        const fs::path beside = self.parent_path() / "biosim";
        if (fs::exists(beside, ec)) return beside.string();
    }
    return "biosim"; // looked up on the PATH
}

// Runs `args` in `folder` and waits for it; the exit code, or -1 (with `why`) when it did not run.
int runAndWait(const std::vector<std::string>& args, const std::string& folder, std::string& why) {
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    int report[2];
    if (::pipe(report) != 0) {
        why = std::strerror(errno);
        return -1;
    }
    const pid_t pid = ::fork();
    if (pid < 0) {
        why = std::strerror(errno);
        ::close(report[0]);
        ::close(report[1]);
        return -1;
    }
    if (pid == 0) {
        ::close(report[0]);
        ::fcntl(report[1], F_SETFD, FD_CLOEXEC);
        if (::chdir(folder.c_str()) == 0) ::execvp(argv[0], argv.data());
        const int err = errno; // tells the parent why the program did not start
        (void)!::write(report[1], &err, sizeof err);
        ::_exit(127);
    }
    ::close(report[1]);
    int err = 0;
    const bool failed = ::read(report[0], &err, sizeof err) == static_cast<ssize_t>(sizeof err);
    ::close(report[0]);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (failed) {
        why = std::string(std::strerror(err));
        return -1;
    }
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    why = "it ended by signal " + std::to_string(WTERMSIG(status));
    return -1;
}

} // namespace

bool playTestTarget(const Builder& b, std::string& folder, int& mapId, std::string& why) {
    folder = textio::asFolder(b.cfg.PLAYTESTMAP.empty() ? b.paths.workingFolder + "MAPS/9999/"
                                                        : b.cfg.PLAYTESTMAP);
    const std::string name = fs::path(folder.substr(0, folder.size() - 1)).filename().string();
    char* end = nullptr;
    errno = 0;
    const long id = name.empty() ? 0 : std::strtol(name.c_str(), &end, 10);
    if (name.empty() || *end != '\0' || errno != 0 || id < -2147483647L || id > 2147483647L) {
        why = "the play-test map folder " + folder + " (PLAYTESTMAP) is not named by a map id";
        return false;
    }
    mapId = static_cast<int>(id);
    return true;
}

int playTest(Builder& b) {
    std::string folder, why;
    int mapId = 0;
    if (!playTestTarget(b, folder, mapId, why)) {
        show(b, why);
        return -1;
    }
    const bool modified = b.mapFile.modified;
    const MapFileResult saved = saveMapFolder(b, folder);
    b.mapFile.modified = modified;
    if (!saved.ok) {
        show(b, "The play-test map " + folder + " was not saved completely, so it is not played:\n" +
                    saved.message);
        return -1;
    }
    const std::string program = biosimProgram(b);
    // A player sent to the title screen starts the map under test again instead.
    const std::string id = std::to_string(mapId);
    const int code =
        runAndWait({program, "--windowed", "--map", id, "--playtest-map", id}, b.paths.workingFolder, why);
    if (b.services.windows != nullptr) b.services.windows->takeFocus();
    if (code < 0)
        show(b, "biosim (" + program + ") could not play the map: " + why);
    else
        b.edit.notice = "Play-tested map " + std::to_string(mapId) + " (" + folder + ")";
    return code;
}

void exportTiledFromEditor(Builder& b) {
    const std::string path = choosePath(b, "Export Tiled Map (.tmj):", Windows::PathKind::SaveFile);
    if (path.empty()) return;
    // The exporter reads a map folder: the map is saved into a scratch one first.
    std::error_code ec;
    const fs::path scratch = fs::temp_directory_path(ec) / ("tarn-tiled-" + std::to_string(::getpid()));
    fs::remove_all(scratch, ec);
    const bool modified = b.mapFile.modified;
    const MapFileResult saved = saveMapFolder(b, scratch.string());
    b.mapFile.modified = modified;
    world::TiledResult r;
    // The tileset refers to the pictures in the tile folder, which stays.
    if (saved.ok) r = world::exportTiledMap(scratch.string(), path, b.cfg.GFXPATH);
    fs::remove_all(scratch, ec);
    if (!saved.ok)
        show(b, "The map could not be prepared for Tiled:\n" + saved.message);
    else if (!r.ok)
        show(b, "The Tiled map " + path + " was not written completely:\n" + r.message);
    else
        b.edit.notice = r.message;
}

void importTiledIntoEditor(Builder& b) {
    const std::string path = choosePath(b, "Import Tiled Map (.tmj):", Windows::PathKind::OpenFile);
    if (path.empty() || !mayDropChanges(b)) return;
    std::error_code ec;
    const fs::path scratch = fs::temp_directory_path(ec) / ("tarn-tiled-" + std::to_string(::getpid()));
    fs::remove_all(scratch, ec);
    const world::TiledResult r = world::importTiledMap(path, scratch.string());
    if (!r.ok) {
        fs::remove_all(scratch, ec);
        show(b, "The Tiled map " + path + " could not be imported; the map stays:\n" + r.message);
        return;
    }
    const MapFileResult loaded = loadMapFolder(b, scratch.string());
    fs::remove_all(scratch, ec);
    if (!loaded.message.empty()) show(b, loaded.message);
    if (loaded.ok) {
        b.mapFile.modified = true; // not saved anywhere yet
        b.edit.notice = r.message;
    }
}

} // namespace tarn
