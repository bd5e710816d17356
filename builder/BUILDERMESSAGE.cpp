// BUILDERMESSAGE: the builder's numbered message boxes and its fatal error handler.
#include "builder/BUILDERMESSAGE.h"

#include <cstdio>
#include <ctime>
#include <sys/stat.h>

#include "builder/BUILDERFUNDAMENT.h"
#include "builder/BUILDERWORLD.h"
#include "builder/BUILDERio.h"

namespace tarn {

namespace {
constexpr const char* kErrorTitle = "MAP BUILDER ERROR:";
constexpr const char* kAboutText = "A map builder made by the BIOSIM developers\n"
                                   "QUADRAPLAN MAP BUILDER (tarn)\n"
                                   "*ZEMA ENGINE*\n"
                                   "DEVELOPER VERSION";
} // namespace

void askOrInform(Builder& b, int code) {
    plat::Dialogs& d = b.dialogs();
    switch (code) {
    case 107:
        d.messageBox("MAP BUILDER MESSAGE:\n", kAboutText, plat::Buttons::Ok);
        break;
    case 112:
        b.quit = d.messageBox("MAP BUILDER: Quit?",
                              "Do you really want to quit\nMAP Builder?\nNot saved MAPs will be lost",
                              plat::Buttons::YesNo)
                     ? 1
                     : 0;
        break;
    case 117:
        if (d.messageBox(kErrorTitle, "START NEW MAP ?", plat::Buttons::YesNo)) newMap(b);
        break;
    default:
        break;
    }
}

bool reportError(Builder& b, int code) {
    plat::Dialogs& d = b.dialogs();
    switch (code) {
    case 100:
        d.messageBox(kErrorTitle, "Can Not Open Main Window", plat::Buttons::Ok);
        return false;
    case 119:
        d.messageBox(kErrorTitle, "MAP Builder did not find default DNA\nQUADRAPLAN  will use default DNA",
                     plat::Buttons::Ok);
        return true;
    case 124:
        d.messageBox(kErrorTitle, "Sorry! Could not save DNA?!?", plat::Buttons::Ok);
        return true;
    default:
        return false;
    }
}

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
