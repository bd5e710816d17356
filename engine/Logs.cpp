// Logs: the warnings log and the date text every log entry carries.
#include "engine/Logs.h"

#include <cstdio>
#include <ctime>

#include "engine/Biosim.h"
#include "platform/TextIo.h"

// Appends lines (each ended with CR LF) to a file, creating it when missing. A name that cannot be
// opened as a file (empty, a folder, a missing folder) writes nothing.
bool appendLines(const std::string& path, const std::string& text) {
    if (path.empty()) return false;
    std::FILE* f = std::fopen(path.c_str(), "ab");
    if (!f) return false;
    const bool ok = std::fwrite(text.data(), 1, text.size(), f) == text.size();
    return std::fclose(f) == 0 && ok;
}

std::string dateText() {
    std::time_t now = std::time(nullptr);
    std::tm t{};
    localtime_r(&now, &t);
    char buf[64];
    std::snprintf(buf, sizeof buf, "%04d,%02d,%02d  TIME:%02d:%02d:%02d", t.tm_year + 1900, t.tm_mon + 1,
                  t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec);
    return buf;
}

void warn(Biosim& e, const std::string& text) {
    if (e.cfg.WARNINGS.empty()) return;
    textio::LineWriter w;
    w.line("Warning:");
    w.line("Following Situation Caused This Warning:");
    w.line("");
    w.line("KORVEX WARNING:DATE:" + dateText());
    w.line(text);
    w.line("Program/Engine Is Continued");
    w.line("To Awoid Warnings Add Needed File(s) Or Use Correct Path/Data");
    w.line(
        "This Situation Is NOT Critical, Engine / Application Will Work Fine, But Without The Missing Data");
    w.line("");
    appendLines(resolvePath(e, e.cfg.WARNINGS), w.content());
}
