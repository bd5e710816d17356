// tarn: the map builder. Builds the SDL platform and the window layer, then hands over to the
// builder. Without arguments it runs exactly as the builder always does: the working folder is the
// current directory, the script chain starts at _DATA/ini.txt, and the editor fills the desktop.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <limits>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

#include <CLI/CLI.hpp>

#include "builder/Builder.h"
#include "builder/FatalReport.h"
#include "builder/MainLoop.h"
#include "builder/ScriptedInput.h"
#include "builder/SdlWindows.h"
#include "platform/ErrorTrap.h"
#include "platform/TextIo.h"
#include "platform/headless/VirtualInput.h"
#include "platform/sdl/SdlPlatform.h"
#include "world/TiledMaps.h"

namespace {

constexpr const char* kVersion = "tarn 0.7 (QUADRAPLAN VERSION A140811, ZEMA BUILDER VERSION 0.7)";

constexpr const char* kDescription =
    "The map builder. Run it in the folder that holds _DATA/ini.txt (the demo: cd demo && tarn).\n"
    "Without options: the full-screen editor, exactly as configured.";

constexpr const char* kFooter =
    "Input script: one action per line, '<pass> <action>', passes counting from 1:\n"
    "  move X Y | press left|right|middle | release left|right|middle | wheel N |\n"
    "  keydown SCAN | keyup SCAN | key SCAN | menu ITEM [WINDOW] | gadget N [WINDOW] | close WINDOW |\n"
    "  answer [PATH] (the next folder or file requester returns PATH; none cancels it) |\n"
    "  reply yes|no (the next Yes/No question gets this answer)\n"
    "Keys are DirectInput scan codes (15 Tab, 34 G, 35 H, 46 C, 56 left Alt, 200 Up, 201 Page Up,\n"
    "203 Left, 205 Right, 208 Down, 209 Page Down, 78 keypad +, 74 keypad -). Windows: 100 main,\n"
    "102 tiles, 103 DNA.\n"
    "\n"
    "Keys in the editor: left button places the current tile, right button deletes the topmost tile\n"
    "of the current layer under the cursor, wheel (or keypad +/-) resizes the current tile kind\n"
    "(Shift + wheel eight times faster),\n"
    "Page Up/Page Down change the layer (0..64), cursor keys scroll, G grid raster, C free placement,\n"
    "left Alt tile-sized raster, Tab shows/hides the tool windows, H quick help, U/R undo/redo,\n"
    "F5 play-test in biosim.\n"
    "Quit with the tile window's menu BUILDER: > Quit Builder.\n"
    "\n"
    "Exit code: 0; 2 for bad options or an unreadable input script; 3 when the screenshot cannot be\n"
    "written; 1 when --export-tiled or --import-tiled failed (the message says why).";

int usage(const std::string& message) {
    std::fprintf(stderr, "tarn: %s\n(tarn --help lists the options)\n", message.c_str());
    return 2;
}

struct TarnOptions {
    plat::sdl::Options platform;
    tarn::SessionOptions run;
    std::string inputFile;
    std::vector<std::string> exportTiled; // map folder, .tmj
    std::vector<std::string> importTiled; // .tmj, map folder
    std::string world;                    // the world folder (default: the working folder)
    int answer = -1;                      // --answer: 1 yes, 0 no, -1 not given
};

// Reads the options. Returns -1 to go on, otherwise the exit code (0 after --help or --version, 2
// for a wrong option).
int parseOptions(int argc, char** argv, TarnOptions& o) {
    CLI::App app{kDescription, "tarn"};
    app.footer(kFooter);
    app.get_formatter()->column_width(22);
    app.set_version_flag("--version", kVersion, "the version");
    app.set_help_flag("--help", "this text");
    const CLI::Validator fileName(
        [](std::string& v) { return std::string(v.empty() ? "needs a file name" : ""); }, "", "file name");
    bool windowed = false;
    std::string answer;
    app.add_flag("--windowed", windowed,
                 "a normal window of the desktop's size instead of the borderless screen");
    app.add_flag("--headless", o.platform.headless,
                 "no display: offscreen video, software renderer, questions and notices printed to standard "
                 "error and answered by the input script's reply lines, else by --answer");
    app.add_option("--answer", answer,
                   "answer of questions that no one can see (headless runs); without it each such question "
                   "takes the answer that loses nothing (no quit, no new map, no load over changes)")
        ->type_name("yes|no")
        ->check(CLI::IsMember({"yes", "no"}).description(""));
    app.add_option("--input", o.inputFile, "play a script of input events (see below) instead of the user's")
        ->type_name("FILE")
        ->check(fileName);
    app.add_option("--passes", o.run.passes, "leave the main loop after N passes (N from 1)")
        ->type_name("N")
        ->check(CLI::Range(1L, std::numeric_limits<long>::max()).description(""));
    app.add_option("--screenshot", o.run.screenshot, "write the editor screen as PNG after the run")
        ->type_name("FILE")
        ->check(fileName);
    app.add_option("--export-tiled", o.exportTiled,
                   "write map folder MAPFOLDER as the Tiled map OUT.tmj (and its tileset OUT.tsj), then exit")
        ->type_name("MAPFOLDER OUT.tmj")
        ->expected(2);
    app.add_option("--import-tiled", o.importTiled,
                   "write the Tiled map IN.tmj as map folder MAPFOLDER (made when missing), then exit")
        ->type_name("IN.tmj MAPFOLDER")
        ->expected(2)
        ->excludes("--export-tiled");
    app.add_option("--world", o.world,
                   "edit the world in folder DIR (it holds _DATA/ini.txt) instead of the working folder; "
                   "file names of the other options stay relative to the working folder")
        ->type_name("DIR")
        ->check(fileName);
    try {
        app.parse(argc, argv);
    } catch (const CLI::Success& e) {
        return app.exit(e); // --help, --version
    } catch (const CLI::ParseError& e) {
        app.exit(e);
        return 2;
    }
    if (windowed) o.platform.screenMode = plat::ScreenMode::Windowed;
    o.platform.answerYes = answer != "no";
    o.answer = answer.empty() ? -1 : answer == "yes" ? 1 : 0;
    return -1;
}

// Enters the world folder: file names given in the options are made absolute first, so that they
// keep meaning what they meant in the folder the program was started from.
bool enterWorld(TarnOptions& o) {
    std::vector<std::string*> files{&o.inputFile, &o.run.screenshot};
    for (std::string& f : o.exportTiled) files.push_back(&f);
    for (std::string& f : o.importTiled) files.push_back(&f);
    for (std::string* f : files)
        if (!f->empty()) *f = std::filesystem::absolute(*f).string();
    return ::chdir(o.world.c_str()) == 0;
}

// File notices (a device refused, a text file too large, a picture too big) go to standard error
// and to the editor's notice line.
void noticeToEditor(void* builder, const std::string& text) {
    std::fprintf(stderr, "tarn: %s\n", text.c_str());
    static_cast<tarn::Builder*>(builder)->edit.notice = text;
}

} // namespace

int main(int argc, char** argv) {
    TarnOptions opt;
    if (const int code = parseOptions(argc, argv, opt); code >= 0) return code;
    if (!opt.world.empty() && !enterWorld(opt)) return usage("cannot enter the world folder " + opt.world);
    if (!opt.exportTiled.empty() || !opt.importTiled.empty()) {
        const world::TiledResult r = opt.exportTiled.empty()
                                         ? world::importTiledMap(opt.importTiled[0], opt.importTiled[1])
                                         : world::exportTiledMap(opt.exportTiled[0], opt.exportTiled[1]);
        std::fprintf(r.ok ? stdout : stderr, "tarn: %s\n", r.message.c_str());
        return r.ok ? 0 : 1;
    }
    plat::sdl::Options& options = opt.platform;
    const tarn::SessionOptions& run = opt.run;
    const std::string& inputFile = opt.inputFile;

    tarn::SdlWindowOptions windowOptions;
    windowOptions.answer = opt.answer;
    if (!inputFile.empty()) {
        std::string text, error;
        if (!textio::readFile(inputFile, text)) return usage("cannot read the input script " + inputFile);
        if (!tarn::parseInputScript(text, windowOptions.script, error)) return usage(error);
        auto input = std::make_unique<plat::headless::VirtualInput>();
        windowOptions.scriptedInput = input.get();
        options.input = std::move(input);
    }

    tarn::prepareSdlWindows();
    std::unique_ptr<plat::Platform> platform = plat::sdl::createPlatform(std::move(options));
    std::unique_ptr<tarn::Windows> windows = tarn::createSdlWindows(*platform, std::move(windowOptions));
    auto builder = std::make_unique<tarn::Builder>();
    builder->services.platform = platform.get();
    builder->services.windows = windows.get();
    textio::setNoticeSink(&noticeToEditor, builder.get());
    tarn::installFatalErrorHandler(*builder);
    const int code = tarn::runBuilder(*builder, tarn::currentFolder(), run);
    // The builder's handler must not outlive the builder it saves.
    plat::setErrorHandler(plat::endQuietlyOnFault);
    textio::setNoticeSink(nullptr, nullptr);
    windows.reset();
    return code;
}
