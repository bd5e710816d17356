// Startup: start-up (the script chain, the windows, the DNA set, the start map) and shutdown.
#include "builder/Startup.h"

#include <filesystem>

#include "builder/DnaSet.h"
#include "builder/DnaWindow.h"
#include "builder/MapFiles.h"
#include "builder/Messages.h"
#include "builder/ScriptChain.h"
#include "builder/TileMenu.h"
#include "builder/UndoSnapshots.h"
#include "builder/Windows.h"
#include "platform/ErrorTrap.h"
#include "platform/TextIo.h"

namespace tarn {

bool startBuilder(Builder& b, const std::string& workingFolder) {
    BT_CHECKPOINT();
    initBuilder(b, workingFolder);
    // The start script names the screen script, which names the application paths file; each of the
    // three must open or the builder ends with the script result box.
    if (!readStartScript(b, b.paths.startScript)) {
        scriptResultMessage(b, 0, b.paths.startScript);
        return false;
    }
    if (!readScreenScript(b, b.cfg.DEFAULTINISCRIPT)) {
        scriptResultMessage(b, 0, b.cfg.GFXSCRIPTS + b.cfg.DEFAULTINISCRIPT);
        return false;
    }
    if (!readAppPaths(b, b.cfg.APPINIFILE)) {
        scriptResultMessage(b, 0, b.cfg.APPINIFILE);
        return false;
    }
    if (b.cfg.WINDOWMODE == 0) {
        const plat::DesktopInfo desktop = b.gfx().desktop();
        b.cfg.WIDTH = static_cast<float>(desktop.width);
        b.cfg.HEIGHT = static_cast<float>(desktop.height);
        if (!openWindowsAndScreen(b)) {
            shutdown(b);
            return false;
        }
    }
    fitDesignArea(b);
    BT_CHECKPOINT();
    readAppPaths(b, b.cfg.APPINIFILE);
    // A save killed mid-way leaves its temporary file beside the file it was replacing; the folders
    // the builder writes to are swept of those at every start.
    for (const std::string& prefix : {std::string("./"), std::string("USER/"), b.cfg.GFXPATH, b.cfg.SAVEPATH,
                                      b.cfg.LOADPATH, b.cfg.LOGFILE}) {
        const std::filesystem::path folder =
            std::filesystem::path(textio::nativePath(prefix) + "x").parent_path();
        textio::removeStaleTemporaries(folder.empty() ? "." : folder.string());
    }
    readCodecList(b);
    loadDnaSet(b);
    b.input().examineMouse();
    readGuiSettings(b);
    drawTileMenu(b);
    b.mapFile.name = "1";
    loadMapOld(b, b.mapFile.name);
    startSnapshots(b);
    if (b.services.windows == nullptr || !b.services.windows->isOpen(kMainWindow)) {
        reportError(b, 100);
        shutdown(b);
        return false;
    }
    b.services.windows->activate(kTileWindow);
    return true;
}

bool openWindowsAndScreen(Builder& b) {
    BT_CHECKPOINT();
    if (b.services.windows == nullptr) return reportError(b, 100);
    const plat::DesktopInfo desktop = b.gfx().desktop();
    if (!b.services.windows->openMain(kMainTitle, desktop.width, desktop.height)) return reportError(b, 100);
    b.screen.desktopWidth = desktop.width;
    b.screen.desktopHeight = desktop.height;
    const int quarterW = desktop.width / 4, quarterH = desktop.height / 4;
    if (!b.services.windows->openTool(kTileWindow, "Tiles", 0, 0, quarterW, quarterH))
        return reportError(b, 102);
    b.services.windows->setMenuBar(kTileWindow, tileMenuBar());
    // Every entry of the DNA window shows at 1024 x 768 and up (its title and menu bars are a line
    // of text each).
    const WindowRect dna = dnaWindowRect(defaultDnaEntryCount(b), desktop.width, desktop.height, 2 * 19);
    if (!b.services.windows->openTool(kDnaWindow, "DNA_DESCRIPTOR_WINDOW", dna.x, dna.y, dna.w, dna.h)) {
        reportError(b, 119);
    } else {
        buildDnaEntries(b);
        b.services.windows->setMenuBar(kDnaWindow, dnaWindowMenu());
    }
    b.services.windows->activate(kMainWindow);
    return true;
}

void shutdown(Builder& b) {
    if (b.services.windows == nullptr) return;
    for (int w : {kAboutWindow, kTileWindow, kSpareWindow, kDnaWindow, kMainWindow})
        if (b.services.windows->isOpen(w)) b.services.windows->close(w);
}

} // namespace tarn
