// Startup: start-up and shutdown.
//
// Start-up reads the script chain, opens the main window with the editor screen and the two tool
// windows, loads the DNA set and the start map "1". Shutdown closes the windows that are open.
#pragma once

#include <string>

#include "builder/Builder.h"

namespace tarn {

// Start-up steps 1 to 14. false when the builder must end (a box has already told the user).
bool startBuilder(Builder& b, const std::string& workingFolder);
// Opens windows 100, 102 and 103 (the screen script's settings are handed over but the desktop's
// size is what counts). false when the builder must end.
bool openWindowsAndScreen(Builder& b);
// Closes the windows that are open, in the order 101, 102, 120, 103, 100.
void shutdown(Builder& b);

} // namespace tarn
