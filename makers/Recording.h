// Recording: record a run's input and clock (`biosim --record FILE`) and play it back (`--replay FILE`).
//
// A record holds what makes a run repeatable: the random seed, the clock step of headless runs, the
// desktop the run saw, the map it started on, a content hash of the world, and per main loop pass the
// clock's tick and every snapshot of keyboard, mouse and joystick the engine examined, in order. The
// engine sees one tick per pass (sampled as the pass begins, and again after each sleep), so a run
// in a window on the real clock replays headless with exactly the same state.
//
// File format (JSON, one pass per line; see docs/making-worlds.md):
//   {"biosimRecord": 2, "seed": N, "clockStepMs": N (0 = real clock), "mapId": N,
//    "playtestMap": N (only when the run was a play-test, biosim --playtest-map),
//    "contentHash": "16 hex digits", "contentFiles": {"relative path": "16 hex digits", ...},
//    "desktop": {"width", "height", "depth"}, "joystickPresent": b,
//    "passCount": N, "passes": [
//      {"pass": 0, "ticks": [t, ...], "keyboard": [{"held": [sc...], "released": [sc...]}, ...],
//       "mouse": [{"x", "y", "dx", "dy", "wheel", "buttons": [1..3]}, ...],
//       "joystick": [{"x", "y", "buttons": [1..32]}, ...]}, ...]}
// Pass 0 is start-up (before the first main loop pass); passCount is the number of main loop passes.
// Version 1 records (no contentFiles) hashed the whole world folder; they are still read and checked
// with that hash.
// Depends on: engine/Biosim.h, platform interfaces, nlohmann-json (in the .cpp only).
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/Forward.h"
#include "platform/Platform.h"

namespace makers {

using engine::Biosim;

struct KeyboardSnapshot {
    std::vector<int> held, released; // scan codes, ascending
};
struct MouseSnapshot {
    int x = 0, y = 0, dx = 0, dy = 0, wheel = 0;
    std::vector<int> buttons; // buttons held, 1..3
};
struct JoystickSnapshot {
    int x = 0, y = 0;
    std::vector<int> buttons; // buttons held, 1..32
};
struct RecordedPass {
    std::int64_t pass = 0;
    std::vector<std::int64_t> ticks; // the tick as the pass began, then after each sleep
    std::vector<KeyboardSnapshot> keyboard;
    std::vector<MouseSnapshot> mouse;
    std::vector<JoystickSnapshot> joystick;
};

// One file of the world and the hash of its content.
struct WorldFile {
    std::string path; // relative to the world folder, '/' separated
    std::string hash; // FNV-1a, 64 bits, 16 hex digits
    bool operator==(const WorldFile&) const = default;
};

constexpr int kRecordVersion = 2;          // what writeRecord writes
constexpr int kWholeFolderHashVersion = 1; // records whose hash covers the whole world folder

// What a record may ask of a replay. A desktop is the screen the replay opens: each side at most
// the largest screen the platform opens, and at most kMaxRecordedDesktopPixels in all (a 16384 x
// 16384 screen alone costs 1 GiB). Ticks are clock milliseconds; beyond kMaxRecordedTick (about 35
// years) the engine's time sums could overflow. A record file is at most kMaxRecordBytes.
constexpr int kMaxRecordedDesktopSide = 16384;
constexpr std::int64_t kMaxRecordedDesktopPixels = std::int64_t{64} << 20;
constexpr std::int64_t kMaxRecordedTick = std::int64_t{1} << 40;
constexpr std::uint64_t kMaxRecordBytes = std::uint64_t{256} << 20;

struct RunRecord {
    int version = kRecordVersion;
    std::uint64_t seed = 0;
    int clockStepMs = 0; // virtual clock step per pass; 0 = the real clock
    std::int32_t mapId = 0;
    std::optional<std::int32_t> playtestMap; // the play-test map of the run, when it was one
    std::string contentHash;
    std::vector<WorldFile> contentFiles; // sorted by path; empty in version 1 records
    plat::DesktopInfo desktop;
    bool joystickPresent = false;
    std::int64_t passCount = 0;
    std::vector<RecordedPass> passes; // passes[0] is start-up, passes[n] main loop pass n
};

std::string recordToJson(const RunRecord& r);
// Parses a record; false with `error` for anything that is not a well-formed record, or that asks
// for a desktop or ticks beyond the limits above.
bool recordFromJson(const std::string& text, RunRecord& r, std::string& error);
// Writes the record atomically (a temporary file renamed over the old one); refuses a path that is
// no regular file (a FIFO, a device).
bool writeRecord(const RunRecord& r, const std::string& path);
// Reads a record: only a regular file of at most kMaxRecordBytes is read.
bool readRecord(const std::string& path, RunRecord& r, std::string& error);
// "" when `path` can take a record (missing, or a regular file), else why not.
std::string recordPathProblem(const std::string& path);

// The files the world's configuration makes part of the world, with the hash of each, sorted by
// path: the configuration, codec and system text files; in GFX the tile pictures and DNA files
// (with the loading pictures); in EFFECT_GFX the pictures; in SOUNDPATH the sounds and music; in
// ANIMSYSTEM every frame picture; and per map folder (SIMCORE/<id>/, the folders biosim reads) its
// segments, `_` and the pictures and DNA files of its GFX subfolder. Hidden files, the files the
// engine writes (error file, warnings log, start-up report) and `alsoSkip` (absolute or
// working-folder paths: the record, dump and screenshot) are left out. Call after the
// configuration is read.
std::vector<WorldFile> worldFiles(const Biosim& e, const std::vector<std::string>& alsoSkip);
// One hash over paths and file hashes.
std::string combinedHash(const std::vector<WorldFile>& files);
// The first path (in path order) whose file differs between a record and the world now: "" when
// none, else for example "MAPS/0/_DATA/2DGFX/wall.png (changed)", "(new)" or "(missing)".
std::string firstDifference(const std::vector<WorldFile>& recorded, const std::vector<WorldFile>& now);

// The hash version 1 records carry: every file under the working folder, by relative path and
// content, except hidden files, the engine's own files, the server's TEMP folder and `alsoSkip`.
std::string wholeFolderHash(const Biosim& e, const std::vector<std::string>& alsoSkip);

// Sets the record's content hash and files from the world as it is now.
void stampWorld(const Biosim& e, RunRecord& r, const std::vector<std::string>& alsoSkip);
// Replay: "" when the world is the one recorded, else the message why not (naming the first file
// that differs when the record can tell).
std::string worldDifference(const Biosim& e, const RunRecord& r, const std::vector<std::string>& alsoSkip);

// Wraps a platform and records what the engine reads from its input and clock. Graphics, sound,
// dialogs, random and network pass straight through.
class RecordingPlatform final : public plat::Platform {
public:
    explicit RecordingPlatform(plat::Platform& inner);
    ~RecordingPlatform() override;
    plat::Graphics& graphics() override { return inner_.graphics(); }
    plat::Input& input() override;
    plat::Sound& sound() override { return inner_.sound(); }
    plat::Dialogs& dialogs() override { return inner_.dialogs(); }
    plat::Clock& clock() override;
    plat::Random& random() override { return inner_.random(); }
    plat::Network& network() override { return inner_.network(); }

    // Starts the record of pass `pass` (0 = start-up) and samples the clock.
    void beginPass(std::int64_t pass);
    RunRecord& record() { return record_; }

private:
    class Recorder;
    plat::Platform& inner_;
    RunRecord record_;
    std::unique_ptr<Recorder> rec_;
};

// Wraps a platform and plays a record back: input and clock come from the record, and the desktop
// is the recorded one (so a run recorded in a window replays headless at the same size). Graphics,
// sound, dialogs, random and network pass through; seed the random generator with record.seed.
class ReplayPlatform final : public plat::Platform {
public:
    ReplayPlatform(plat::Platform& inner, const RunRecord& record);
    ~ReplayPlatform() override;
    plat::Graphics& graphics() override;
    plat::Input& input() override;
    plat::Sound& sound() override { return inner_.sound(); }
    plat::Dialogs& dialogs() override { return inner_.dialogs(); }
    plat::Clock& clock() override;
    plat::Random& random() override { return inner_.random(); }
    plat::Network& network() override { return inner_.network(); }

    // Moves on to pass `pass` (0 = start-up) of the record.
    void beginPass(std::int64_t pass);
    // The first place where the run read more (or less) than the record holds; "" while in step.
    const std::string& drift() const;

    struct State;

private:
    plat::Platform& inner_;
    std::shared_ptr<State> s_;
    std::unique_ptr<plat::Graphics> graphics_;
    std::unique_ptr<plat::Input> input_;
    std::unique_ptr<plat::Clock> clock_;
};

} // namespace makers
