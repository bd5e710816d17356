// MainLoop: the main loop and a whole run.
//
// The main loop takes one window event per pass without waiting (the window layer sleeps briefly in
// passes without one), hands it to the event handler and then to the keys, until the quit question
// is answered yes.
#pragma once

#include <string>

#include "builder/Builder.h"

namespace tarn {

struct SessionOptions {
    long passes = 0;        // leave the main loop after this many passes (0: only by quitting)
    std::string screenshot; // PNG of the editor screen after the run ("" = none)
};

// The main loop; returns the number of passes run.
long mainLoop(Builder& b, long maxPasses);
// Start-up, main loop and shutdown; the exit code (always 0, or 3 when a screenshot was asked for
// and could not be written).
int runBuilder(Builder& b, const std::string& workingFolder, const SessionOptions& options);

} // namespace tarn
