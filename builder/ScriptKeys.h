// ScriptKeys: the one table of tarn's script keys.
//
// One row per key: its name, the script file it is read from (a key in another file is skipped), its
// kind, the Settings member it lands in, its default, a one-line description, and the key's extra
// rule when it has one. The script chain reads through this table; docs/tarn.md lists its rows, and
// tests hold the docs and Settings' defaults to it. Adding a key means adding a row (and a Settings
// member).
// Depends on: builder/Builder.h.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <variant>

#include "builder/Builder.h"

namespace tarn {

// The five script files, in the order the chain reads them.
enum class ScriptFile { Start, Screen, AppPaths, Codecs, Gui };

// int and float read numbers (no number: 0); text is kept as written; path is the working folder
// followed by the value (a backslash read as a separator).
enum class ScriptKind { Int, Float, Text, Path };

// Where a value lands: an int member for Int, a float member for Float, a text member otherwise.
using ScriptMember = std::variant<int Settings::*, float Settings::*, std::string Settings::*>;

struct ScriptKey {
    std::string_view name;
    ScriptFile file;
    ScriptKind kind;
    ScriptMember member;
    std::string_view defaultValue; // the value before any file sets it
    std::string_view description;  // one line, the key's line in the docs
    // The key's extra rule, run after the value is stored (values derived from it).
    void (*extraRule)(Builder&) = nullptr;
};

// Every key, grouped by file in the chain's order.
std::span<const ScriptKey> scriptKeys();

// The row of `name` read from `file`; nullptr when that file has no such key. Names compare whole
// and case-sensitively.
const ScriptKey* findScriptKey(ScriptFile file, std::string_view name);

// Stores `value` converted by the key's kind, then runs the key's extra rule.
void applyScriptValue(Builder& b, const ScriptKey& key, const std::string& value);

} // namespace tarn
