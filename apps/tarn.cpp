// tarn: the map builder. Builds the SDL platform and the window layer, then hands over to the
// builder. Without arguments it runs exactly as the builder always does: the working folder is the
// current directory, the script chain starts at _DATA/ini.txt, and the editor fills the desktop.
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "builder/Builder.h"
#include "builder/FatalReport.h"
#include "builder/MainLoop.h"
#include "builder/ScriptedInput.h"
#include "builder/SdlWindows.h"
#include "platform/ErrorTrap.h"
#include "platform/TextIo.h"
#include "platform/sdl/SdlPlatform.h"
#include "platform/test/TestPlatform.h"

namespace {

constexpr const char* kVersion = "tarn 0.7 (QUADRAPLAN VERSION A140811, ZEMA BUILDER VERSION 0.7)";

constexpr const char* kHelp =
    "Usage: tarn [options]\n"
    "The map builder. Run it in the folder that holds _DATA/ini.txt (the demo: cd demo && tarn).\n"
    "\n"
    "Options (none: full-screen editor, exactly as configured):\n"
    "  --windowed         a normal window of the desktop's size instead of the borderless screen\n"
    "  --headless         no display: offscreen video, software renderer, message boxes printed\n"
    "                     to standard error and answered by --answer\n"
    "  --answer yes|no    answer of question boxes in headless runs (default yes)\n"
    "  --input FILE       play a script of input events (see below) instead of the user's\n"
    "  --passes N         leave the main loop after N passes\n"
    "  --screenshot FILE  write the editor screen as PNG after the run (exit code 3 if it fails)\n"
    "  --help             this text\n"
    "  --version          the version\n"
    "\n"
    "Input script: one action per line, '<pass> <action>', passes counting from 1:\n"
    "  move X Y | press left|right|middle | release left|right|middle | wheel N |\n"
    "  keydown SCAN | keyup SCAN | key SCAN | menu ITEM [WINDOW] | gadget N [WINDOW] | close WINDOW\n"
    "Keys are DirectInput scan codes (15 Tab, 34 G, 35 H, 46 C, 56 left Alt, 200 Up, 201 Page Up,\n"
    "203 Left, 205 Right, 208 Down, 209 Page Down, 78 keypad +, 74 keypad -). Windows: 100 main,\n"
    "102 tiles, 103 DNA.\n"
    "\n"
    "Keys in the editor: left button places the current tile, right button deletes the topmost tile\n"
    "of the current layer under the cursor, wheel (or keypad +/-) resizes the current tile kind,\n"
    "Page Up/Page Down change the layer (0..64), cursor keys scroll, G grid raster, C free placement,\n"
    "left Alt tile-sized raster, Tab shows/hides the tool windows, H quick help, U/R undo/redo.\n"
    "Quit with the tile window's menu BUILDER: > Quit Builder.\n";

int usage(const std::string& message) {
    std::fprintf(stderr, "tarn: %s\n(tarn --help lists the options)\n", message.c_str());
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    plat::sdl::Options options;
    tarn::RunOptions run;
    std::string inputFile;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const auto value = [&](std::string& out) {
            if (i + 1 >= argc) return false;
            out = argv[++i];
            return true;
        };
        std::string v;
        if (arg == "--help") {
            std::fputs(kHelp, stdout);
            return 0;
        } else if (arg == "--version") {
            std::printf("%s\n", kVersion);
            return 0;
        } else if (arg == "--headless") {
            options.headless = true;
        } else if (arg == "--windowed") {
            options.screenMode = plat::ScreenMode::Windowed;
        } else if (arg == "--input") {
            if (!value(inputFile)) return usage("--input needs a file");
        } else if (arg == "--passes") {
            if (!value(v)) return usage("--passes needs a number");
            char* end = nullptr;
            const long n = std::strtol(v.c_str(), &end, 10);
            if (end == v.c_str() || *end != '\0' || n < 1) return usage("--passes needs a number from 1");
            run.passes = n;
        } else if (arg == "--screenshot") {
            if (!value(run.screenshot) || run.screenshot.empty()) return usage("--screenshot needs a file");
        } else if (arg == "--answer") {
            if (!value(v) || (v != "yes" && v != "no")) return usage("--answer needs yes or no");
            options.answerYes = v == "yes";
        } else {
            return usage("unknown option " + arg);
        }
    }

    tarn::SdlWindowOptions windowOptions;
    if (!inputFile.empty()) {
        std::string text, error;
        if (!textio::readFile(inputFile, text)) return usage("cannot read the input script " + inputFile);
        if (!tarn::parseInputScript(text, windowOptions.script, error)) return usage(error);
        auto input = std::make_unique<plat::test::TestInput>();
        windowOptions.scriptedInput = input.get();
        options.input = std::move(input);
    }

    tarn::prepareSdlWindows();
    std::unique_ptr<plat::Platform> platform = plat::sdl::createPlatform(std::move(options));
    std::unique_ptr<tarn::Windows> windows = tarn::createSdlWindows(*platform, std::move(windowOptions));
    auto builder = std::make_unique<tarn::Builder>();
    builder->platform = platform.get();
    builder->windows = windows.get();
    tarn::installFatalErrorHandler(*builder);
    const int code = tarn::runBuilder(*builder, tarn::currentFolder(), run);
    // The builder's handler must not outlive the builder it saves.
    plat::setErrorHandler(plat::endQuietlyOnFault);
    windows.reset();
    return code;
}
