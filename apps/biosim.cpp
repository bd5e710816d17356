// biosim: the runtime. Builds the SDL platform from the program options and hands over to the engine.
// With no arguments it runs full screen from the working folder's CORE/ini.crc.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

#include <CLI/CLI.hpp>

#include "engine/Biosim.h"
#include "engine/Dump.h"
#include "engine/Engine.h"
#include "engine/InputScript.h"
#include "engine/Logs.h"
#include "makers/ContentCheck.h"
#include "makers/MapWatch.h"
#include "makers/Prefetch.h"
#include "makers/Recording.h"
#include "platform/ErrorTrap.h"
#include "platform/TextIo.h"
#include "platform/headless/VirtualClock.h"
#include "platform/headless/VirtualInput.h"
#include "platform/sdl/SdlPlatform.h"
#include "sim/TitleScreens.h"
#include "sim/WorldFrame.h"
#ifdef __EMSCRIPTEN__
#include "platform/web/WebPage.h"
#endif

using namespace engine;
using namespace sim;
using namespace makers;

namespace {

constexpr const char* kVersion = "biosim 1.0";

constexpr const char* kDescription =
    "Plays the maps configured in CORE/ini.crc under the working folder, full screen.\n"
    "Hold Escape and left Alt together to quit. Without options: the plain program.";

constexpr const char* kFooter =
    "Scripted input (--input): one event per line: '<pass> <scancode> down|up', '<pass> mouse X Y',\n"
    "'<pass> mousebutton N down|up', '<pass> wheel N', '<pass> joystick X Y',\n"
    "'<pass> joybutton N down|up', '<pass> quit'.\n"
    "\n"
    "Exit code: 0; 2 for bad options or an unreadable input script or record; 3 when the\n"
    "screenshot, the dump or the record cannot be written; 4 when a replay drifted from its record\n"
    "or the world changed since it was recorded (the replay still runs to the end).";

// Options of the makers' tools; they wrap the engine and are not part of its state.
struct ToolOptions {
    std::string record;     // write a record of the run
    std::string replay;     // play a record back (headless)
    std::int64_t mapId = 0; // first map instead of "APPENTRY"
    bool mapSet = false;
    bool watch = false; // reload the current map when its files change
    bool check = false; // report the world's content problems instead of playing
    std::vector<std::string> checkMaps;
    bool json = false;     // the content report as JSON
    bool strict = false;   // warnings of the content report count as errors
    bool prefetch = false; // fetch the served world into the cache instead of playing
    std::string world;     // the world folder (default: the working folder)
};

int usageError(const std::string& why) {
    std::fprintf(stderr, "biosim: %s\n(see biosim --help)\n", why.c_str());
    return 2;
}

// Reads the options into `opt`. Returns -1 to go on, otherwise the exit code (0 after --help or
// --version, 2 for a wrong option).
int parseOptions(int argc, char** argv, PlayOptions& opt, ToolOptions& tools) {
    CLI::App app{kDescription, "biosim"};
    app.footer(kFooter);
    app.get_formatter()->column_width(22);
    app.set_version_flag("--version", kVersion, "the program version");
    app.set_help_flag("--help", "this text");
    const CLI::Validator fileName(
        [](std::string& v) { return std::string(v.empty() ? "needs a file name" : ""); }, "", "file name");
    app.add_flag("--headless", opt.headless,
                 "no display: offscreen screen, software renderer, message boxes on standard error, "
                 "virtual clock (see --tick-ms)");
    app.add_flag("--windowed", opt.windowed, "a window of the desktop's size instead of full screen");
    app.add_flag("--no-vsync", opt.noVsync,
                 "flip without waiting for the display's refresh (play speed then follows the machine)");
    app.add_option("--frames", opt.frames, "leave the main loop after N passes")
        ->type_name("N")
        ->check(CLI::Range(std::int64_t{0}, std::int64_t{1} << 62).description(""));
    app.add_option("--screenshot", opt.screenshot, "write the last frame as PNG when the run ends")
        ->type_name("FILE")
        ->check(fileName);
    app.add_option("--dump", opt.dump, "write the engine state as JSON when the run ends")
        ->type_name("FILE")
        ->check(fileName);
    app.add_option("--input", opt.input, "scripted input, one event per line (see below)")
        ->type_name("FILE")
        ->check(fileName);
    app.add_option("--seed", opt.seed, "seed of the random generator (default: a fresh seed per run)")
        ->type_name("N");
    app.add_option("--tick-ms", opt.tickMs,
                   "milliseconds the virtual clock advances per pass in headless runs, 0..60000 (default 16)")
        ->type_name("N")
        ->check(CLI::Range(0, 60000).description(""));
    app.add_option("--map", tools.mapId, "start on map ID instead of the configured \"APPENTRY\"")
        ->type_name("ID")
        ->check(CLI::Range(-2147483647LL, 2147483647LL).description(""));
    app.add_option("--playtest-map", opt.playtestMap,
                   "play-test map ID: where the player would be sent to the title map, map ID starts again")
        ->type_name("ID")
        ->check(CLI::Range(-2147483647, 2147483647).description(""));
    app.add_flag("--watch", tools.watch,
                 "reload the current map within a second when its files change (e.g. saved by tarn)");
    app.add_option("--check", tools.checkMaps,
                   "list every content problem of the world (all maps, or these), each an error or a "
                   "warning, and exit: 0 no errors, 1 errors found; changes no file")
        ->type_name("[MAPID...]")
        ->expected(0, -1);
    app.add_flag("--json", tools.json, "with --check: the report as JSON")->needs("--check");
    app.add_flag("--prefetch", tools.prefetch,
                 "fetch every map and tile file of the served world (its MANIFEST.txt) that is missing "
                 "or changed into TEMP, so that every map plays offline, and exit: 0 all there, 1 some "
                 "could not be fetched (named)");
    app.add_flag("--strict", tools.strict, "with --check: warnings count too (exit 1)")->needs("--check");
    app.add_option("--world", tools.world,
                   "play the world in folder DIR (it holds CORE/ini.crc) instead of the working folder; "
                   "file names of the other options stay relative to the working folder")
        ->type_name("DIR")
        ->check(fileName);
    app.add_option("--record", tools.record,
                   "write the run's seed, clock and every input examined to FILE (JSON) when it ends")
        ->type_name("FILE")
        ->check(fileName);
    app.add_option("--replay", tools.replay,
                   "play a record back headless: same seed, clock, input, desktop and first map")
        ->type_name("FILE")
        ->check(fileName)
        ->excludes("--record")
        ->excludes("--input");
    try {
        app.parse(argc, argv);
    } catch (const CLI::Success& e) {
        return app.exit(e); // --help, --version
    } catch (const CLI::ParseError& e) {
        app.exit(e);
        return 2;
    }
    opt.seedSet = app.count("--seed") > 0;
    tools.mapSet = app.count("--map") > 0;
    tools.check = app.count("--check") > 0;
    return -1;
}

// Enters the world folder: file names given in the options are made absolute first, so that they
// keep meaning what they meant in the folder the program was started from.
bool enterWorld(const std::string& world, std::vector<std::string*> files) {
    for (std::string* f : files)
        if (!f->empty()) *f = std::filesystem::absolute(*f).string();
    return ::chdir(world.c_str()) == 0;
}

// File notices (a device refused, a text file too large, a picture too big) go to standard error
// and to the warnings log.
void noticeToWarnings(void* engine, const std::string& text) {
    std::fprintf(stderr, "biosim: %s\n", text.c_str());
    warn(*static_cast<Biosim*>(engine), text);
}

std::string currentFolder() {
    std::string buf(4096, '\0');
    if (!::getcwd(buf.data(), buf.size())) return "./";
    buf.resize(std::char_traits<char>::length(buf.c_str()));
    return buf.empty() ? "/" : textio::asFolder(std::move(buf));
}

// The prefetch's result on standard output, every file that could not be fetched by name; the exit
// code: 0 when every listed file is in the cache.
int reportPrefetch(const PrefetchReport& r) {
    for (const std::string& f : r.failed)
        std::fprintf(stderr, "biosim: prefetch: could not fetch %s\n", f.c_str());
    if (!r.manifest) return 1;
    std::printf("biosim: prefetch: %d files listed, %d fetched, %d already cached, %d not needed offline, "
                "%d not fetched, %d unreadable lines\n",
                r.listed, r.fetched, r.unchanged, r.notNeeded, static_cast<int>(r.failed.size()),
                r.malformed);
    return r.failed.empty() ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    PlayOptions opt;
    ToolOptions tools;
    if (const int code = parseOptions(argc, argv, opt, tools); code >= 0) return code;
    if (!tools.world.empty() &&
        !enterWorld(tools.world, {&opt.screenshot, &opt.dump, &opt.input, &tools.record, &tools.replay}))
        return usageError("cannot enter the world folder " + tools.world);

    if (tools.check) {
        ContentCheckRequest request{currentFolder(), {}};
        for (const std::string& id : tools.checkMaps) {
            if (id.empty()) continue;
            try {
                std::size_t used = 0;
                const long n = std::stol(id, &used);
                if (used != id.size() || n < INT32_MIN || n > INT32_MAX) throw std::out_of_range(id);
                request.maps.push_back(static_cast<std::int32_t>(n));
            } catch (const std::exception&) {
                return usageError("--check: \"" + id + "\" is no map id");
            }
        }
        const ContentReport report = checkContent(request);
        const std::string text = tools.json ? contentReportJson(report) : formatContentReport(report);
        std::fputs(text.c_str(), stdout);
        return contentCheckExitCode(report, tools.strict);
    }

    // A record is read and written only as a regular file: a FIFO would hold the run for ever.
    for (const std::string* f : {&tools.record, &tools.replay})
        if (!f->empty())
            if (const std::string why = recordPathProblem(*f); !why.empty())
                return usageError("record: " + why);
    RunRecord replayed;
    if (!tools.replay.empty()) {
        std::string error;
        if (!readRecord(tools.replay, replayed, error)) return usageError("replay: " + error);
        // The record decides everything that shapes the run.
        opt.headless = true;
        opt.seedSet = true;
        opt.seed = replayed.seed;
        opt.frames = replayed.passCount;
        tools.mapSet = true;
        tools.mapId = replayed.mapId;
        // A play-test sends a caught player back to its map, not to the title: so does its replay.
        opt.playtestMap = replayed.playtestMap.value_or(world::kNoMap);
    } else if (!tools.record.empty() && !opt.seedSet) {
        opt.seedSet = true; // the record needs the seed, so one is drawn here
        opt.seed = (static_cast<std::uint64_t>(std::random_device{}()) << 32) ^ std::random_device{}();
    }

    InputScript script;
    if (!opt.input.empty()) {
        std::string error;
        if (!script.load(opt.input, error)) return usageError("input script: " + error);
    }

#ifdef __EMSCRIPTEN__
    // In the page the screen is the page's canvas: a window the size of the browser's window. There
    // is no offscreen screen; --headless keeps the virtual clock of headless runs, so a test run of
    // the page plays exactly like one of the desktop program. The page paces the frames.
    const bool virtualTime = opt.headless;
    opt.headless = false;
    opt.windowed = true;
    opt.noVsync = true;
#else
    const bool virtualTime = opt.headless;
#endif
    plat::sdl::Options so;
    so.headless = opt.headless;
    if (opt.windowed) so.screenMode = plat::ScreenMode::Windowed;
    // Frames wait for the display's refresh, so play speed follows the display, not the machine
    // (a headless platform has no display and never waits).
    so.vsync = !opt.noVsync;
    if (opt.seedSet) so.seed = opt.seed;
    plat::headless::VirtualClock* virtualClock = nullptr;
    if (virtualTime) {
        auto clock = std::make_unique<plat::headless::VirtualClock>();
        virtualClock = clock.get();
        so.clock = std::move(clock);
    }
    plat::headless::VirtualInput* scriptedInput = nullptr;
    if (!opt.input.empty()) {
        auto input = std::make_unique<plat::headless::VirtualInput>();
        scriptedInput = input.get();
        so.input = std::move(input);
    }
    std::unique_ptr<plat::Platform> platform = plat::sdl::createPlatform(std::move(so));

    // Record and replay sit between the engine and the platform.
    std::unique_ptr<RecordingPlatform> recorder;
    std::unique_ptr<ReplayPlatform> replayer;
    plat::Platform* enginePlatform = platform.get();
    if (!tools.record.empty())
        enginePlatform = (recorder = std::make_unique<RecordingPlatform>(*platform)).get();
    if (!tools.replay.empty())
        enginePlatform = (replayer = std::make_unique<ReplayPlatform>(*platform, replayed)).get();

    auto e = std::make_unique<Biosim>(*enginePlatform);
    textio::setNoticeSink(&noticeToWarnings, e.get());
    e->run.options = opt;
    e->worldFrame = &worldFrame;
    // Fatal paths (start-up errors, the error handler) may run inside a signal handler: close the
    // screen, flush, and leave without running destructors.
    plat::Platform* p = platform.get();
    e->shutdownServices = [p] {
        if (p->graphics().screenOpen()) p->graphics().closeScreen();
    };
    e->exitProcess = [](int code) {
        std::fflush(nullptr);
        std::_Exit(code);
    };
    std::string worldChanged; // replay: why the record may not fit this world
    std::vector<std::string> ownFiles{tools.record, tools.replay, opt.dump, opt.screenshot};
    if (scriptedInput || recorder || replayer || tools.mapSet) {
        e->beforePass = [&, scriptedInput](std::int64_t pass) {
            if (scriptedInput) script.applyUpTo(*scriptedInput, pass);
            if (recorder) recorder->beginPass(pass);
            if (replayer) replayer->beginPass(pass);
            if (pass != 1) return;
            // The configuration is read now and no map is loaded yet.
            if (tools.mapSet) {
                e->cfg.APPENTRY = static_cast<std::int32_t>(tools.mapId);
                e->nextMapId = e->cfg.APPENTRY;
            }
            if (recorder) {
                recorder->record().mapId = e->nextMapId;
                if (opt.playtestMap != world::kNoMap) recorder->record().playtestMap = opt.playtestMap;
                stampWorld(*e, recorder->record(), ownFiles);
                recorder->record().clockStepMs = virtualTime ? opt.tickMs : 0;
                recorder->record().seed = opt.seed;
            }
            if (replayer) {
                worldChanged = worldDifference(*e, replayed, ownFiles);
                if (!worldChanged.empty()) std::fprintf(stderr, "biosim: replay: %s\n", worldChanged.c_str());
            }
        };
    }
    MapWatch watch;
#ifdef __EMSCRIPTEN__
    const bool eachPass = true; // the browser gets control back after every pass
#else
    const bool eachPass = false;
#endif
    if (virtualClock || tools.watch || eachPass) {
        const int step = opt.tickMs;
        e->afterPass = [&, virtualClock, step] {
            if (tools.watch && watch.poll(*e))
                std::fprintf(stderr, "biosim: map %d changed on disk: reloaded\n",
                             static_cast<int>(e->actualMapId));
            if (virtualClock) virtualClock->advance(step);
#ifdef __EMSCRIPTEN__
            plat::web::waitForNextPass(virtualClock != nullptr);
#endif
        };
    }

    int code = 0;
    if (tools.prefetch) {
        code = startup(*e, currentFolder()) ? reportPrefetch(prefetchWorld(*e)) : 1;
    } else {
        runEngine(*e, currentFolder());
    }
    if (!opt.screenshot.empty() && !platform->graphics().saveScreenshot(opt.screenshot)) {
        std::fprintf(stderr, "biosim: cannot write the screenshot %s\n", opt.screenshot.c_str());
        code = 3;
    }
    if (!opt.dump.empty() && !writeDump(*e, opt.dump)) {
        std::fprintf(stderr, "biosim: cannot write the dump %s\n", opt.dump.c_str());
        code = 3;
    }
    if (recorder && !writeRecord(recorder->record(), tools.record)) {
        std::fprintf(stderr, "biosim: cannot write the record %s\n", tools.record.c_str());
        code = 3;
    }
    if (replayer && !replayer->drift().empty()) {
        std::fprintf(stderr, "biosim: replay drifted from the record at %s\n", replayer->drift().c_str());
        code = 4;
    }
    if (replayer && !worldChanged.empty()) code = 4;
#ifdef __EMSCRIPTEN__
    plat::web::runEnded(code, opt.dump);
#endif
    if (platform->graphics().screenOpen()) platform->graphics().closeScreen();
    // The engine's handler must not outlive the engine it reports on; a fault while the rest
    // shuts down is still told, and the program still ends with exit code 0.
    plat::setErrorHandler(plat::endQuietlyOnFault);
    textio::setNoticeSink(nullptr, nullptr);
    e.reset();
    platform.reset();
    return code;
}
