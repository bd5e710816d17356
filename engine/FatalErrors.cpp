// FatalErrors: the fatal start-up error, the run-time error report and the fatal error handler.
#include "engine/FatalErrors.h"

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <string_view>

#include "engine/Biosim.h"
#include "engine/Logs.h"
#include "engine/ServerFetch.h"
#include "engine/TileKinds.h"
#include "platform/TextIo.h"

namespace engine {

namespace {

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

void fatalStartupError(Biosim& e, int index, const std::string& detail) {
    std::string text = (index >= 0 && index < 8) ? e.errorTexts[static_cast<std::size_t>(index)] : "";
    if (!detail.empty()) text += (text.empty() ? "" : "\n") + detail;
    e.dialogs().messageBox("KORVEX_CORE ERROR:", text, plat::Buttons::Ok);
    e.dialogs().messageBox("KORVEX_CORE INFO", "Sorry,Dear User: KORVEX has to quit, because of the error",
                           plat::Buttons::Ok);
    endProcess(e, 0);
}

namespace {

// Every field from the engine is cut at kFieldMax bytes, so the report always fits its buffer
// whatever a hostile map put into the names.
constexpr std::size_t kFieldMax = 1024;

// A report line builder over plat::FaultText (no allocation: it serves the signal path).
class FixedText : public plat::FaultText {
public:
    using plat::FaultText::FaultText;
    void field(std::string_view s) { add(s.substr(0, kFieldMax)); }
};

constexpr std::size_t kReportMax = 64 * 1024;

struct Desktop {
    int width = 0, height = 0, depth = 0;
};

// Whether `name` is one of the loaded kinds (as findTileId, without allocating).
bool isKnownTile(const Biosim& e, const std::string& name) {
    const std::int32_t last = std::min<std::int32_t>(e.kinds.lastTileId, e.kinds.tileCount);
    for (std::int32_t t = 0; t <= last && t < static_cast<std::int32_t>(e.kinds.tileNames.size()); ++t)
        if (e.kinds.tileNames[static_cast<std::size_t>(t)] == name) return true;
    return false;
}

// The report, from the engine globals as they stand; reads only, allocates nothing.
void formatReport(const Biosim& e, std::string_view message, std::string_view module, int line,
                  std::string_view date, const Desktop& d, FixedText& w) {
    // A tile name that is not one of the loaded kinds points at the map's content, not the engine.
    const bool contentError = !isKnownTile(e, e.lastObjectName);
    static const WorldObject kNone{};
    const WorldObject& o =
        (e.level.objectCount >= 0 && e.level.objectCount < static_cast<std::int32_t>(e.objectTable.size()))
            ? e.objectTable[static_cast<std::size_t>(e.level.objectCount)]
            : kNone;
    const std::string_view stars = "******************************************************************";
    static_assert(
        std::string_view("******************************************************************").size() == 66);
    if (contentError) {
        w.line("THIS ERROR IS MAP/SEGMENT CONTENT ERROR  PLEASE CHECK CONTENT(FILES):");
        w.line("CHECK ******* SECTION FOR DETAILS, THANK YOU");
    }
    for (int i = 0; i < 98; ++i) w.add("-");
    w.end();
    w.add("KORVEX ERROR HANDLER: ERROR DATE:");
    w.line(date);
    w.field(message);
    w.end();
    w.add("Module:");
    w.field(module);
    w.add(" AT LINE:");
    w.num(line);
    w.end();
    w.line("FATAL ERROR,CAN NOT CONTINUE KORVEX_CORE, PLEASE CONTACT DEVELOPER");
    w.line("HOST-SYSTEMINFO: ");
    w.add("DESKTOPWIDTH: ");
    w.num(d.width);
    w.end();
    w.add("DESKTOPHEIGHT: ");
    w.num(d.height);
    w.end();
    w.add("DESKTOPDEPTH: ");
    w.num(d.depth);
    w.end();
    w.add("ACTUAL MAP ID# ");
    w.num(e.actualMapId);
    w.end();
    w.add("NEXT MAP ID#");
    w.num(e.nextMapId);
    w.end();
    w.add("I/O STOPPED AT ID: ");
    w.num(e.level.objectCount);
    w.end();
    w.add("OBJECTS IN MAP: ");
    w.num(e.mapTileCount);
    w.end();
    w.add("LAST OBJECT LOAD: ");
    w.field(o.ObjectFile);
    w.end();
    w.add("OBJECT SPRITE3D ID  ");
    w.num(o.Sprite);
    w.end();
    w.line(stars);
    w.add("LAST MAP SEGMENT: ");
    w.field(mapsFolder(e));
    w.num(e.actualMapId);
    w.add("/");
    w.num(e.mapSegment);
    w.end();
    w.add("TRYED TO LOAD:");
    w.field(e.lastObjectName);
    w.end();
    w.add("AT MAP SEGMENT LINE: ");
    w.num(e.mapLineCounter);
    w.end();
    if (contentError) {
        w.field(e.lastObjectName);
        w.line(" IS NOT PART OF THE GFXSYSTEM");
    }
    w.line(stars);
    w.add("OBJECT USE ANIMCONTAINER: ");
    w.field(o.animContainer);
    w.end();
    w.add("OBJECT USE SOUNDFILE: ");
    w.field(o.worldFTileSoundFile);
    w.end();
    w.add("OBJECT SOUND ID: ");
    w.num(o.SoundHandle);
    w.end();
    w.add("I/O PREFETCH ");
    w.num(e.cfg.IOPREFETCH);
    w.end();
    w.add("USE LOAD SCREEN(ANIM) ");
    w.num(e.cfg.LOADPIC);
    w.end();
    w.add("PLEASE SEND THIS INFO: ");
    w.add(kSupportContact);
    w.line(" OR POST INFO ON DEVELOPERs BOARD");
    w.line("");
}

// "yyyy,mm,dd  TIME:hh:ii:ss" without allocating.
void dateInto(char* out, std::time_t now, long offset) {
    const plat::CivilTime c = plat::civilTime(now, offset);
    plat::FaultText w(out, 31);
    w.num(c.year);
    w.add(",");
    w.two(c.month);
    w.add(",");
    w.two(c.day);
    w.add("  TIME:");
    w.two(c.hour);
    w.add(":");
    w.two(c.minute);
    w.add(":");
    w.two(c.second);
    out[w.size()] = '\0';
}

// Everything the signal path needs, prepared when the handler is registered. Two per process (the
// error trap is per process): a new registration fills the one not in use and then swaps, so a
// fault during the change still finds a complete one. Never freed: a fault may come during exit.
struct PreparedReport {
    Biosim* engine = nullptr;
    std::string errorPathSetting; // the "ERRORPATH" value the path was resolved from
    std::string errorPath;        // resolved; c_str() is read by the signal path
    Desktop desktop;
    long utcOffset = 0;
    char buffer[kReportMax];
};
PreparedReport* preparedPair() {
    static PreparedReport* p = new PreparedReport[2]();
    return p;
}

void writeReportOnFault(const plat::FaultRecord& fault, void* user) {
    PreparedReport& p = *static_cast<PreparedReport*>(user);
    if (!p.engine) return;
    char date[32];
    dateInto(date, std::time(nullptr), p.utcOffset);
    FixedText w(p.buffer, sizeof p.buffer);
    formatReport(*p.engine, fault.message, fault.module, fault.line, date, p.desktop, w);
    plat::appendWhole(p.errorPath.c_str(), w.view());
}

Desktop desktopNow(Biosim& e) {
    Desktop d;
    if (e.platform) {
        const plat::DesktopInfo info = e.gfx().desktop();
        d = {info.width, info.height, info.depth};
    }
    return d;
}

// The handler's part after the report is on disk: the screen, the box, the end.
[[noreturn]] void closeAndTell(Biosim& e) {
    if (e.platform && e.gfx().screenOpen()) e.gfx().closeScreen();
    e.dialogs().messageBox("KORVEX ERRORHANDLER",
                           "Something went wrong, check " + e.cfg.ERRORPATH + " for details please",
                           plat::Buttons::Ok);
    endProcess(e, 0);
}

} // namespace

std::string errorReportText(Biosim& e, const plat::ErrorInfo& info, const std::string& date) {
    std::string buf(kReportMax, '\0');
    FixedText w(buf.data(), buf.size());
    formatReport(e, info.message, info.module, info.line, date, desktopNow(e), w);
    buf.resize(w.view().size());
    return buf;
}

void fatalErrorHandler(Biosim& e, const plat::ErrorInfo& info) {
    const std::string report = errorReportText(e, info, dateText());
    plat::appendWhole(resolvePath(e, e.cfg.ERRORPATH).c_str(), report);
    closeAndTell(e);
}

void registerFatalErrorHandler(Biosim& e) {
    PreparedReport* pair = preparedPair();
    void* const current = plat::faultWriterUser();
    // Registered on every loop pass: once the handler is set for this engine and its error path,
    // a pass costs one comparison.
    for (int i = 0; i < 2; ++i)
        if (current == &pair[i] && pair[i].engine == &e && pair[i].errorPathSetting == e.cfg.ERRORPATH)
            return;
    PreparedReport& p = current == &pair[0] ? pair[1] : pair[0];
    p.engine = &e;
    p.errorPathSetting = e.cfg.ERRORPATH;
    p.errorPath = resolvePath(e, e.cfg.ERRORPATH);
    p.desktop = desktopNow(e);
    p.utcOffset = plat::utcOffsetNow();
    Biosim* engine = &e;
    plat::setErrorHandler([engine](const plat::ErrorInfo&) { closeAndTell(*engine); }, &writeReportOnFault,
                          &p);
}

} // namespace engine
