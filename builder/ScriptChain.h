// ScriptChain: the builder's chain of script files.
//
// Five small files in one format: four-line records (key, an ignored line, value, an ignored line)
// until the end of the file; a record cut short reads its missing lines as empty. Keys compare whole
// and case-sensitively; unknown keys are skipped; the later of two records wins. The start script
// names the screen script, the screen script names the application paths file, which names the
// codec list and the GUI settings file. Which keys each file holds, their kinds and where they land is
// the key table's (builder/ScriptKeys.h).
#pragma once

#include <string>
#include <string_view>

#include "builder/Builder.h"

namespace tarn {

// Each reader returns false when its file cannot be opened (nothing changes then).
bool readStartScript(Builder& b, const std::string& path);
bool readScreenScript(Builder& b, const std::string& name); // reads GFXSCRIPTS + name
bool readAppPaths(Builder& b, const std::string& path);
bool readCodecList(Builder& b);   // the CODECS path
bool readGuiSettings(Builder& b); // the GUIINI path

// The box for a script file that cannot be opened: title "TARN ERROR ", the path and the result.
void scriptResultMessage(Builder& b, int result, const std::string& path);

// Calls `record(key, value)` for every four-line record of `content`.
template <class F> void forEachScriptRecord(std::string_view content, F&& record);

} // namespace tarn

#include "platform/TextIo.h"

template <class F> void tarn::forEachScriptRecord(std::string_view content, F&& record) {
    textio::LineReader in{std::string(content)};
    while (!in.eof()) {
        const std::string key = in.readLine();
        (void)in.readLine();
        const std::string value = in.readLine();
        (void)in.readLine();
        record(key, value);
    }
}
