// FatalReport: tarn's fatal error handler.
//
// The handler appends a report to USER/ERR!!!!.txt, saves the map as USER/_LAZARUS<seconds since
// 1970> (old map format), tells the user where both are and ends the program with exit code 0.
#pragma once

#include <cstdint>
#include <string>

#include "builder/Builder.h"
#include "platform/ErrorTrap.h"

namespace tarn {

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
// Installs the fatal error handler for `b` with the platform's error trap. On a fault the error file
// entry and the recovery map are written first, without allocating (they reach the disk even when
// the fault left the allocator or the window system stuck); then the box and the shutdown follow,
// under the trap's watchdog. Installing it again for the same builder costs nothing.
void installFatalErrorHandler(Builder& b);

} // namespace tarn
