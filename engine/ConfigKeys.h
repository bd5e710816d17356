// ConfigKeys: the one table of biosim's configuration keys (CORE/ini.crc) and codec names.
//
// One row per key: its name, the file it is read from, the Config member it lands in (the member's
// type is the value's kind: text, int, byte or float), its default as the file would write it, a
// one-line description, and the key's extra rule when it has one. The configuration reader, the
// codec reader and the JSON dump walk this table; docs/biosim.md lists its rows, and tests hold the
// docs and Config's defaults to it. Adding a key means adding a row (and a Config member).
// Depends on: engine/Biosim.h (at the call sites of visitConfigValue), platform/TextIo.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <variant>

namespace engine {

struct Biosim;
struct Config;

// The file a key is read from: CORE/ini.crc (pairs of lines) or the codec file it names (CODECS,
// four-line records).
enum class ConfigFile { Ini, Codecs };

// Where a value lands; the alternative chosen is the key's kind.
using ConfigMember =
    std::variant<std::string Config::*, std::int32_t Config::*, std::int8_t Config::*, float Config::*>;

struct ConfigKey {
    std::string_view name;
    ConfigFile file;
    ConfigMember member;
    std::string_view defaultValue; // as the file would write it; kEngineFolderDefault: the world's CORE/
    std::string_view description;  // one line, the key's line in the docs
    // The key's extra rule, run after the value is stored (a cap, a floor, engine globals it sets).
    void (*extraRule)(Biosim&) = nullptr;
};

// The default of the two log keys: the engine's own folder (engineBasePath), which is no file, so
// nothing is written until a file is configured.
inline constexpr std::string_view kEngineFolderDefault = "CORE/";

// Every key of both files: CORE/ini.crc's in the order the dump lists them, then the codec names.
std::span<const ConfigKey> configKeys();

// The row of `name` read from `file`; nullptr when the file has no such key. Names compare whole and
// case-sensitively.
const ConfigKey* findConfigKey(ConfigFile file, std::string_view name);

// "text", "int", "byte" or "float".
std::string_view configKindName(const ConfigKey& key);

// Stores `value` converted to the key's kind (numbers that are no numbers read as 0, bytes wrap),
// then runs the key's extra rule.
void applyConfigValue(Biosim& e, const ConfigKey& key, const std::string& value);

// Calls `f` with the key's member of `c` (a std::string, std::int32_t, std::int8_t or float).
template <class C, class F> decltype(auto) visitConfigValue(C& c, const ConfigKey& key, F&& f) {
    return std::visit([&](auto member) -> decltype(auto) { return f(c.*member); }, key.member);
}

} // namespace engine
