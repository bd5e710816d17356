// Logs: the warnings log and the date text every log entry carries.
//
// The warnings log ("WARNINGS") collects nine-line blocks, one per content problem met while the
// engine runs; it never stops the engine. Depends on engine/Biosim.h and platform/TextIo.
#pragma once

#include <string>

namespace engine {

struct Biosim;

// Appends lines (each ended with CR LF) to a file, creating it when missing. A name that cannot be
// opened as a file (empty, a folder, a missing folder) writes nothing and gives false.
bool appendLines(const std::string& path, const std::string& text);

// The local date and time as "yyyy,mm,dd  TIME:hh:ii:ss".
std::string dateText();

// Appends one nine-line warning block to the "WARNINGS" file. Never fails visibly.
void warn(Biosim& e, const std::string& text);

} // namespace engine
