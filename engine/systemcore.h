// systemcore: configuration, codec and system text files, the start-up report, the warnings log,
// the fatal start-up error and the fatal error handler.
//
// Files: CORE/ini.crc (pairs of a key line and a value line), the codec file (four-line records),
// the system text file (pairs of an error code and a text). Keys compare whole, case-sensitively,
// without trimming. Every file operation here fails silently except the two fatal start-up cases.
// Depends on: engine/Biosim.h, platform/textio, platform/ErrorTrap.h.
#pragma once

#include <string>

#include "platform/ErrorTrap.h"

struct Biosim;

// Reads engineBasePath + "ini.crc" into e.cfg and the globals the keys set, then the codec file,
// then (with a server) the server locations and the greeting, then writes the start-up report.
// A missing file ends the process through fatalStartupError(e, 5).
void readConfiguration(Biosim& e);

// Applies one key/value pair of the configuration file; false when the key is not in the table.
bool applyConfigPair(Biosim& e, const std::string& key, const std::string& value);

// Reads the codec file (GFXCODEC, SOUNDCODEC, MUSICCODEC); a missing file changes nothing.
void loadCodecs(Biosim& e, const std::string& path);

// Reads the "SYSTEMTEXT" file into e.errorTexts; a missing file is fatal start-up error 5.
void loadSystemTexts(Biosim& e);

// Fetches "SERVER" + "SERVERNODE" + "HELLO" into "TEMP" + "HELLO"; sets e.serverReachable on success.
void greetServer(Biosim& e);

// Writes the start-up report to the "PATH" file, replacing what the file held before. An empty
// name writes nothing.
void writeStartupReport(Biosim& e);

// The local date and time as "yyyy,mm,dd  TIME:hh:ii:ss".
std::string dateText();

// Appends one nine-line warning block to the "WARNINGS" file. Never fails visibly.
void warn(Biosim& e, const std::string& text);

// Shows the error text of `index` (0-7) in the box "KORVEX_CORE ERROR:", then the box
// "KORVEX_CORE INFO", shuts the services down and ends the process with exit code 0.
[[noreturn]] void fatalStartupError(Biosim& e, int index);

// The error report appended to "ERRORPATH" for a run-time error, as text (CR LF line ends).
std::string errorReportText(Biosim& e, const plat::ErrorInfo& info, const std::string& date);

// The fatal error handler: appends the error report, closes the screen, shows the box
// "KORVEX ERRORHANDLER", shuts the services down and ends the process with exit code 0.
[[noreturn]] void fatalErrorHandler(Biosim& e, const plat::ErrorInfo& info);

// Registers fatalErrorHandler for `e` with the platform's error trap.
void registerFatalErrorHandler(Biosim& e);

// Shuts the services down (e.shutdownServices) and ends the process through e.exitProcess.
[[noreturn]] void endProcess(Biosim& e, int code = 0);
