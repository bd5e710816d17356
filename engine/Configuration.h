// Configuration: the configuration, codec and system text files, the server greeting and the
// start-up report.
//
// Files: CORE/ini.crc (pairs of a key line and a value line), the codec file (four-line records),
// the system text file (pairs of an error code and a text). Keys compare whole, case-sensitively,
// without trimming. Every file operation here fails silently except the two fatal start-up cases.
// Depends on: engine/Biosim.h, engine/FatalErrors.h, platform/TextIo.
#pragma once

#include <string>

namespace engine {

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

} // namespace engine
