// FatalErrors: the fatal start-up error, the run-time error report and the fatal error handler.
//
// A start-up error shows two boxes and ends the process; a run-time fault (an exception or a fatal
// signal caught by the platform's error trap) appends a report to "ERRORPATH", closes the screen,
// shows one box and ends the process. Both end with exit code 0.
// Depends on: engine/Biosim.h, engine/Logs.h, engine/TileKinds.h, platform/ErrorTrap.h.
#pragma once

#include <string>

#include "platform/ErrorTrap.h"

namespace engine {

struct Biosim;

// Shows the error text of `index` (0-7) in the box "KORVEX_CORE ERROR:", then the box
// "KORVEX_CORE INFO", shuts the services down and ends the process with exit code 0. `detail`
// (the file that is missing, the screen that would not open) follows the text on its own line; it
// is all the first box says when the system texts were not read yet.
[[noreturn]] void fatalStartupError(Biosim& e, int index, const std::string& detail = "");

// The error report appended to "ERRORPATH" for a run-time error, as text (CR LF line ends).
std::string errorReportText(Biosim& e, const plat::ErrorInfo& info, const std::string& date);

// The fatal error handler: appends the error report, closes the screen, shows the box
// "KORVEX ERRORHANDLER", shuts the services down and ends the process with exit code 0.
[[noreturn]] void fatalErrorHandler(Biosim& e, const plat::ErrorInfo& info);

// Registers fatalErrorHandler for `e` with the platform's error trap.
void registerFatalErrorHandler(Biosim& e);

// Shuts the services down (e.shutdownServices) and ends the process through e.exitProcess.
[[noreturn]] void endProcess(Biosim& e, int code = 0);

} // namespace engine
