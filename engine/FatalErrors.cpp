// FatalErrors: the fatal start-up error, the run-time error report and the fatal error handler.
#include "engine/FatalErrors.h"

#include <cstdlib>

#include "engine/Biosim.h"
#include "engine/Logs.h"
#include "engine/TileKinds.h"
#include "platform/TextIo.h"

namespace {

std::string num(long long v) {
    return std::to_string(v);
}

// Whom to tell about a crash (printed at the end of the error report).
constexpr const char* kSupportContact = "the biosim maintainers (see README.md)";

} // namespace

// ---------------------------------------------------------------------------------------------
// Fatal errors
// ---------------------------------------------------------------------------------------------

void endProcess(Biosim& e, int code) {
    if (e.shutdownServices) e.shutdownServices();
    if (e.exitProcess) e.exitProcess(code);
    std::exit(code);
}

void fatalStartupError(Biosim& e, int index) {
    const std::string text = (index >= 0 && index < 8) ? e.errorTexts[static_cast<std::size_t>(index)] : "";
    e.dialogs().messageBox("KORVEX_CORE ERROR:", text, plat::Buttons::Ok);
    e.dialogs().messageBox("KORVEX_CORE INFO", "Sorry,Dear User: KORVEX has to quit, because of the error",
                           plat::Buttons::Ok);
    endProcess(e, 0);
}

std::string errorReportText(Biosim& e, const plat::ErrorInfo& info, const std::string& date) {
    // A tile name that is not one of the loaded kinds points at the map's content, not the engine.
    const bool contentError = findTileId(e, e.lastObjectName) < 0;

    static const WorldObject kNone{};
    const WorldObject& o =
        (e.objectCount >= 0 && e.objectCount < static_cast<std::int32_t>(e.objectTable.size()))
            ? e.objectTable[static_cast<std::size_t>(e.objectCount)]
            : kNone;
    int dw = 0, dh = 0, dd = 0;
    if (e.platform) {
        const plat::DesktopInfo d = e.gfx().desktop();
        dw = d.width;
        dh = d.height;
        dd = d.depth;
    }
    const std::string stars(66, '*');
    textio::LineWriter w;
    if (contentError) {
        w.line("THIS ERROR IS MAP/SEGMENT CONTENT ERROR  PLEASE CHECK CONTENT(FILES):");
        w.line("CHECK ******* SECTION FOR DETAILS, THANK YOU");
    }
    w.line(std::string(98, '-'));
    w.line("KORVEX ERROR HANDLER: ERROR DATE:" + date);
    w.line(info.message);
    w.line("Module:" + info.module + " AT LINE:" + num(info.line));
    w.line("FATAL ERROR,CAN NOT CONTINUE KORVEX_CORE, PLEASE CONTACT DEVELOPER");
    w.line("HOST-SYSTEMINFO: ");
    w.line("DESKTOPWIDTH: " + num(dw));
    w.line("DESKTOPHEIGHT: " + num(dh));
    w.line("DESKTOPDEPTH: " + num(dd));
    w.line("ACTUAL MAP ID# " + num(e.actualMapId));
    w.line("NEXT MAP ID#" + num(e.nextMapId));
    w.line("I/O STOPPED AT ID: " + num(e.objectCount));
    w.line("OBJECTS IN MAP: " + num(e.mapTileCount));
    w.line("LAST OBJECT LOAD: " + o.ObjectFile);
    w.line("OBJECT SPRITE3D ID  " + num(o.Sprite));
    w.line(stars);
    w.line("LAST MAP SEGMENT: " + e.cfg.SIMCORE + num(e.actualMapId) + "/" + num(e.mapSegment));
    w.line("TRYED TO LOAD:" + e.lastObjectName);
    w.line("AT MAP SEGMENT LINE: " + num(e.mapLineCounter));
    if (contentError) w.line(e.lastObjectName + " IS NOT PART OF THE GFXSYSTEM");
    w.line(stars);
    w.line("OBJECT USE ANIMCONTAINER: " + o.animContainer);
    w.line("OBJECT USE SOUNDFILE: " + o.worldFTileSoundFile);
    w.line("OBJECT SOUND ID: " + num(o.SoundHandle));
    w.line("I/O PREFETCH " + num(e.cfg.IOPREFETCH));
    w.line("USE LOAD SCREEN(ANIM) " + num(e.cfg.LOADPIC));
    w.line(std::string("PLEASE SEND THIS INFO: ") + kSupportContact + " OR POST INFO ON DEVELOPERs BOARD");
    w.line("");
    return w.content();
}

void fatalErrorHandler(Biosim& e, const plat::ErrorInfo& info) {
    const std::string report = errorReportText(e, info, dateText());
    appendLines(resolvePath(e, e.cfg.ERRORPATH), report);
    if (e.platform && e.gfx().screenOpen()) e.gfx().closeScreen();
    e.dialogs().messageBox("KORVEX ERRORHANDLER",
                           "Something went wrong, check " + e.cfg.ERRORPATH + " for details please",
                           plat::Buttons::Ok);
    endProcess(e, 0);
}

void registerFatalErrorHandler(Biosim& e) {
    Biosim* engine = &e;
    plat::setErrorHandler([engine](const plat::ErrorInfo& info) { fatalErrorHandler(*engine, info); });
}
