// biosim: the runtime. Builds the SDL platform from the program options and hands over to the engine.
// With no arguments it runs full screen from the working folder's CORE/ini.crc.
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <unistd.h>

#include <CLI/CLI.hpp>

#include "engine/Biosim.h"
#include "engine/Dump.h"
#include "engine/Engine.h"
#include "engine/InputScript.h"
#include "platform/ErrorTrap.h"
#include "platform/sdl/SdlPlatform.h"
#include "platform/test/TestPlatform.h"
#include "sim/WorldFrame.h"

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
    "Exit code: 0; 2 for bad options or an unreadable input script; 3 when the screenshot or the\n"
    "dump cannot be written.";

int usageError(const std::string& why) {
    std::fprintf(stderr, "biosim: %s\n(see biosim --help)\n", why.c_str());
    return 2;
}

// Reads the options into `opt`. Returns -1 to go on, otherwise the exit code (0 after --help or
// --version, 2 for a wrong option).
int parseOptions(int argc, char** argv, RunOptions& opt) {
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
    try {
        app.parse(argc, argv);
    } catch (const CLI::Success& e) {
        return app.exit(e); // --help, --version
    } catch (const CLI::ParseError& e) {
        app.exit(e);
        return 2;
    }
    opt.seedSet = app.count("--seed") > 0;
    return -1;
}

std::string currentFolder() {
    std::string buf(4096, '\0');
    if (!::getcwd(buf.data(), buf.size())) return "./";
    buf.resize(std::char_traits<char>::length(buf.c_str()));
    if (buf.empty() || buf.back() != '/') buf += '/';
    return buf;
}

} // namespace

int main(int argc, char** argv) {
    RunOptions opt;
    if (const int code = parseOptions(argc, argv, opt); code >= 0) return code;

    InputScript script;
    if (!opt.input.empty()) {
        std::string error;
        if (!script.load(opt.input, error)) return usageError("input script: " + error);
    }

    plat::sdl::Options so;
    so.headless = opt.headless;
    if (opt.windowed) so.screenMode = plat::ScreenMode::Windowed;
    // Frames wait for the display's refresh, so play speed follows the display, not the machine.
    so.vsync = !opt.headless && !opt.noVsync;
    if (opt.seedSet) so.seed = opt.seed;
    plat::test::TestClock* virtualClock = nullptr;
    if (opt.headless) {
        auto clock = std::make_unique<plat::test::TestClock>();
        virtualClock = clock.get();
        so.clock = std::move(clock);
    }
    plat::test::TestInput* scriptedInput = nullptr;
    if (!opt.input.empty()) {
        auto input = std::make_unique<plat::test::TestInput>();
        scriptedInput = input.get();
        so.input = std::move(input);
    }
    std::unique_ptr<plat::Platform> platform = plat::sdl::createPlatform(std::move(so));

    auto e = std::make_unique<Biosim>(*platform);
    e->options = opt;
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
    if (scriptedInput) {
        e->beforePass = [&script, scriptedInput](std::int64_t pass) {
            script.applyUpTo(*scriptedInput, pass);
        };
    }
    if (virtualClock) {
        const int step = opt.tickMs;
        e->afterPass = [virtualClock, step] { virtualClock->advance(step); };
    }

    runEngine(*e, currentFolder());

    int code = 0;
    if (!opt.screenshot.empty() && !platform->graphics().saveScreenshot(opt.screenshot)) {
        std::fprintf(stderr, "biosim: cannot write the screenshot %s\n", opt.screenshot.c_str());
        code = 3;
    }
    if (!opt.dump.empty() && !writeDump(*e, opt.dump)) {
        std::fprintf(stderr, "biosim: cannot write the dump %s\n", opt.dump.c_str());
        code = 3;
    }
    if (platform->graphics().screenOpen()) platform->graphics().closeScreen();
    // The engine's handler must not outlive the engine it reports on; a fault while the rest
    // shuts down is still told, and the program still ends with exit code 0.
    plat::setErrorHandler(plat::endQuietlyOnFault);
    e.reset();
    platform.reset();
    return code;
}
