// Recording: record a run's input and clock (`biosim --record FILE`) and play it back (`--replay FILE`).
//
// A record holds what makes a run repeatable: the random seed, the clock step of headless runs, the
// desktop the run saw, the map it started on, a content hash of the world, and per main loop pass the
// clock's tick and every snapshot of keyboard, mouse and joystick the engine examined, in order. The
// engine sees one tick per pass (sampled as the pass begins, and again after each sleep), so a run
// in a window on the real clock replays headless with exactly the same state.
//
// File format (JSON, one pass per line; see docs/making-worlds.md):
//   {"biosimRecord": 1, "seed": N, "clockStepMs": N (0 = real clock), "mapId": N,
//    "contentHash": "16 hex digits", "desktop": {"width", "height", "depth"}, "joystickPresent": b,
//    "passCount": N, "passes": [
//      {"pass": 0, "ticks": [t, ...], "keyboard": [{"held": [sc...], "released": [sc...]}, ...],
//       "mouse": [{"x", "y", "dx", "dy", "wheel", "buttons": [1..3]}, ...],
//       "joystick": [{"x", "y", "buttons": [1..32]}, ...]}, ...]}
// Pass 0 is start-up (before the first main loop pass); passCount is the number of main loop passes.
// Depends on: engine/Biosim.h, platform interfaces, nlohmann-json (in the .cpp only).
#pragma once

#include <cstdint>
#include <memory>
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

struct RunRecord {
    std::uint64_t seed = 0;
    int clockStepMs = 0; // virtual clock step per pass; 0 = the real clock
    std::int32_t mapId = 0;
    std::string contentHash;
    plat::DesktopInfo desktop;
    bool joystickPresent = false;
    std::int64_t passCount = 0;
    std::vector<RecordedPass> passes; // passes[0] is start-up, passes[n] main loop pass n
};

std::string recordToJson(const RunRecord& r);
// Parses a record; false with `error` for anything that is not a well-formed record.
bool recordFromJson(const std::string& text, RunRecord& r, std::string& error);
bool writeRecord(const RunRecord& r, const std::string& path);
bool readRecord(const std::string& path, RunRecord& r, std::string& error);

// A hash (FNV-1a, 64 bits, 16 hex digits) of every file of the world under the working folder, by
// relative path and content. Left out: the files the engine writes (error file, warnings log,
// start-up report, the server's TEMP folder) and `alsoSkip` (absolute or working-folder paths, e.g.
// the record and dump being written). Call after the configuration is read.
std::string worldContentHash(const Biosim& e, const std::vector<std::string>& alsoSkip);

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
