// The data files of a small biosim world, written into a test folder.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace support {

using KV = std::vector<std::pair<std::string, std::string>>;

// Key/value pairs as a configuration or DNA file body: key line, value line, each ended by CR LF.
std::string pairs(const KV& kv);
// A script file of four-line records: key, ";", value, ";".
std::string script(const KV& records);

// A complete small world in `folder` (ending with '/'): CORE/ini.crc (with `extra` pairs appended:
// the last value of a key wins), CORE/systext.txt and CORE/codec.txt with ".bmp" graphics and
// ".ogg" sounds. No map: the engine starts on its status screen.
void writeWorld(const std::string& folder, const KV& extra = {});

// writeWorld plus map 0 with two tile kinds from the shared graphics folder: "grass" (16 x 16,
// at 10, 20) and "wall" (32 x 8, colliding, at 100, 40); start-up report, warnings and error
// files in CORE/.
void writeWorldWithMap(const std::string& folder, const KV& extra = {});

} // namespace support
