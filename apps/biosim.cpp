// biosim: the runtime. Builds the SDL platform from the program options and hands over to the engine.
// With no arguments it runs full screen from the working folder's CORE/ini.crc.
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <unistd.h>

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

constexpr const char* kHelp =
    "Usage: biosim [options]\n"
    "Plays the maps configured in CORE/ini.crc under the working folder, full screen.\n"
    "Hold Escape and left Alt together to quit.\n"
    "\n"
    "Options (none: the plain program):\n"
    "  --headless         no display: offscreen screen, software renderer, message boxes on\n"
    "                     standard error, virtual clock (see --tick-ms)\n"
    "  --windowed         a window of the desktop's size instead of full screen\n"
    "  --frames N         leave the main loop after N passes\n"
    "  --screenshot FILE  write the last frame as PNG when the run ends\n"
    "  --dump FILE        write the engine state as JSON when the run ends\n"
    "  --input FILE       scripted input, one event per line: '<pass> <scancode> down|up',\n"
    "                     '<pass> mouse X Y', '<pass> mousebutton N down|up', '<pass> wheel N',\n"
    "                     '<pass> joystick X Y', '<pass> joybutton N down|up', '<pass> quit'\n"
    "  --seed N           seed of the random generator (default: a fresh seed per run)\n"
    "  --tick-ms N        milliseconds the virtual clock advances per pass in headless runs\n"
    "                     (default 16)\n"
    "  --help             this text\n"
    "  --version          the program version\n"
    "\n"
    "Exit code: 0; 2 for bad options or an unreadable input script; 3 when the screenshot or the\n"
    "dump cannot be written.\n";

bool parseNumber(const char* text, long long lo, long long hi, long long& out) {
    const std::string s = text;
    auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), out);
    return ec == std::errc() && p == s.data() + s.size() && !s.empty() && out >= lo && out <= hi;
}

bool parseSeed(const char* text, std::uint64_t& out) {
    const std::string s = text;
    auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), out);
    return ec == std::errc() && p == s.data() + s.size() && !s.empty();
}

int usageError(const std::string& why) {
    std::fprintf(stderr, "biosim: %s\n(see biosim --help)\n", why.c_str());
    return 2;
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
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto needValue = [&](const char* name) -> const char* {
            if (i + 1 >= argc) return nullptr;
            (void)name;
            return argv[++i];
        };
        long long n = 0;
        if (a == "--help") {
            std::fputs(kHelp, stdout);
            return 0;
        } else if (a == "--version") {
            std::printf("%s\n", kVersion);
            return 0;
        } else if (a == "--headless") {
            opt.headless = true;
        } else if (a == "--windowed") {
            opt.windowed = true;
        } else if (a == "--frames") {
            const char* v = needValue("--frames");
            if (!v || !parseNumber(v, 0, 1LL << 62, n))
                return usageError("--frames needs a number of passes");
            opt.frames = n;
        } else if (a == "--screenshot") {
            const char* v = needValue("--screenshot");
            if (!v || !*v) return usageError("--screenshot needs a file name");
            opt.screenshot = v;
        } else if (a == "--dump") {
            const char* v = needValue("--dump");
            if (!v || !*v) return usageError("--dump needs a file name");
            opt.dump = v;
        } else if (a == "--input") {
            const char* v = needValue("--input");
            if (!v || !*v) return usageError("--input needs a file name");
            opt.input = v;
        } else if (a == "--seed") {
            const char* v = needValue("--seed");
            if (!v || !parseSeed(v, opt.seed)) return usageError("--seed needs a number");
            opt.seedSet = true;
        } else if (a == "--tick-ms") {
            const char* v = needValue("--tick-ms");
            if (!v || !parseNumber(v, 0, 60000, n)) return usageError("--tick-ms needs 0..60000");
            opt.tickMs = static_cast<int>(n);
        } else {
            return usageError("unknown option " + a);
        }
    }

    InputScript script;
    if (!opt.input.empty()) {
        std::string error;
        if (!script.load(opt.input, error)) return usageError("input script: " + error);
    }

    plat::sdl::Options so;
    so.headless = opt.headless;
    if (opt.windowed) so.screenMode = plat::ScreenMode::Windowed;
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
