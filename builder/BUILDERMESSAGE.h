// BUILDERMESSAGE: the builder's numbered message boxes and its fatal error handler.
//
// Two tables: questions and information (107 about, 112 quit, 117 new map) and errors (100 main
// window, 119 default DNA missing, 124 DNA not saved). The fatal error handler appends a report to
// USER/ERR!!!!.txt, saves the map as USER/_LAZARUS<seconds since 1970> (old map format), tells the
// user where both are and ends the program with exit code 0.
#pragma once

#include <cstdint>
#include <string>

#include "builder/BUILDERENV.h"
#include "platform/ErrorTrap.h"

namespace tarn {

// Ask or inform: shows the box of `code` and applies the answer.
void askOrInform(Builder& b, int code);
// Report error: shows the box of `code` (if it has one). Returns true when the builder goes on,
// false when it must end now (100, and every code without a text, such as 102).
bool reportError(Builder& b, int code);

// The entry the fatal error handler appends to the error file, seven lines, for the local time `t`.
std::string errorFileEntry(const plat::ErrorInfo& info, std::int64_t t);
// Writes the error file entry and the recovery map; returns the recovery map's number (the time in
// seconds). `folder` is the process's current directory (ending with '/').
std::int64_t writeFatalReport(Builder& b, const plat::ErrorInfo& info, const std::string& folder,
                              std::int64_t t);
// The text of the box that names both files.
std::string fatalBoxText(std::int64_t number);
// The fatal error handler: report, box, shutdown, exit code 0. Never returns.
[[noreturn]] void fatalErrorHandler(Builder& b, const plat::ErrorInfo& info);
// Installs the fatal error handler for `b` with the platform's error trap.
void installFatalErrorHandler(Builder& b);

} // namespace tarn
