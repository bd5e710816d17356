// BUILDERFUNDAMENT and BUILDERscreen: start-up, the windows, the main loop and shutdown.
//
// Start-up reads the script chain, opens the main window with the editor screen and the two tool
// windows, loads the DNA set and the start map "1", then the main loop takes one window event per
// pass without waiting (the window layer sleeps briefly in passes without one) until the quit
// question is answered yes.
#pragma once

#include <string>

#include "builder/BUILDERENV.h"

namespace tarn {

struct RunOptions {
    long passes = 0;        // leave the main loop after this many passes (0: only by quitting)
    std::string screenshot; // PNG of the editor screen after the run ("" = none)
};

// Start-up steps 1 to 14. false when the builder must end (a box has already told the user).
bool startBuilder(Builder& b, const std::string& workingFolder);
// Opens windows 100, 102 and 103 (the screen script's settings are handed over but the desktop's
// size is what counts). false when the builder must end.
bool openWindowsAndScreen(Builder& b);
// The main loop; returns the number of passes run.
long mainLoop(Builder& b, long maxPasses);
// Closes the windows that are open, in the order 101, 102, 120, 103, 100.
void shutdown(Builder& b);
// Start-up, main loop and shutdown; the exit code (always 0, or 3 when a screenshot was asked for
// and could not be written).
int runBuilder(Builder& b, const std::string& workingFolder, const RunOptions& options);

} // namespace tarn
