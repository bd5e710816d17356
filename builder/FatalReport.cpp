// FatalReport: tarn's fatal error handler - the error file entry, the recovery map and the box.
#include "builder/FatalReport.h"

#include <cstdio>
#include <ctime>
#include <sys/stat.h>

#include "builder/MapFiles.h"
#include "builder/Startup.h"

namespace tarn {

std::string errorFileEntry(const plat::ErrorInfo& info, std::int64_t t) {
    const std::time_t tt = static_cast<std::time_t>(t);
    std::tm tm{};
    localtime_r(&tt, &tm);
    char date[32], clock[32];
    std::snprintf(date, sizeof date, "%04d,%02d,%02d", tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday);
    std::snprintf(clock, sizeof clock, "%02d:%02d:%02d", tm.tm_hour, tm.tm_min, tm.tm_sec);
    const std::string module = info.module.empty() || info.module == "tarn" ? "Main Module" : info.module;
    std::string entry;
    entry += "ZEMA ERROR INFO: DATE: " + std::string(date) + "   " + clock + "\r\n";
    entry += "ERROR: Include: " + module + "\r\n";
    entry += "LINE: " + std::to_string(info.line) + "\r\n";
    entry += "WHAT: " + info.message + "\r\n";
    entry += "-\r\n-\r\n-\r\n";
    return entry;
}

std::int64_t writeFatalReport(Builder& b, const plat::ErrorInfo& info, const std::string& folder,
                              std::int64_t t) {
    const std::string user = folder + "USER/";
    // A missing USER folder would lose both the report and the user's map; it is made first.
    ::mkdir(user.c_str(), 0777);
    if (std::FILE* f = std::fopen((user + "ERR!!!!.txt").c_str(), "ab")) {
        const std::string entry = errorFileEntry(info, t);
        std::fwrite(entry.data(), 1, entry.size(), f);
        std::fclose(f);
    }
    writeMapOld(b, user + "_LAZARUS" + std::to_string(t));
    return t;
}

std::string fatalBoxText(std::int64_t number) {
    return "Description is stored in: _ERR!!!!.txt\nBackup off your work is stored:USER\\_LAZARUS" +
           std::to_string(number) + "\nTo Restore your work load the _LAZARUS With the  MAP EDITOR";
}

void fatalErrorHandler(Builder& b, const plat::ErrorInfo& info) {
    const std::int64_t number =
        writeFatalReport(b, info, currentFolder(), static_cast<std::int64_t>(std::time(nullptr)));
    b.dialogs().messageBox("QUADRAPLAN FATAL ERROR:", fatalBoxText(number), plat::Buttons::Ok);
    shutdown(b);
    std::_Exit(0);
}

void installFatalErrorHandler(Builder& b) {
    plat::setErrorHandler([&b](const plat::ErrorInfo& info) { fatalErrorHandler(b, info); });
}

} // namespace tarn
