// FatalReport: tarn's fatal error handler - the error file entry, the recovery map and the box.
#include "builder/FatalReport.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "builder/MapFiles.h"
#include "builder/Startup.h"
#include "platform/Rounding.h"
#include "world/MapFormat.h"

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
    plat::appendWhole((user + "ERR!!!!.txt").c_str(), errorFileEntry(info, t));
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

namespace {

// What the signal path needs, prepared when the handler is installed (two, so that a new
// installation fills the one not in use and then swaps; never freed, a fault may come during exit).
struct Prepared {
    Builder* builder = nullptr;
    std::string userFolder, errorFile, recoveryPrefix;
    long utcOffset = 0;
    std::int64_t number = 0; // the recovery map's number, set by the writer
    char buffer[64 * 1024];
};

Prepared* preparedPair() {
    static Prepared* p = new Prepared[2]();
    return p;
}

// Writes `text` to fd, flushing the buffer through plain write(2) whenever it fills.
class Chunks {
public:
    Chunks(int fd, char* buf, std::size_t cap) : fd_(fd), text_(buf, cap), cap_(cap) {}
    void add(std::string_view s) {
        while (!s.empty()) {
            const std::size_t room = cap_ - text_.size();
            if (room == 0) {
                flush();
                continue;
            }
            const std::size_t n = std::min(room, s.size());
            text_.add(s.substr(0, n));
            s.remove_prefix(n);
        }
    }
    void line(std::string_view s) {
        add(s);
        add("\r\n");
    }
    void num(long long v) {
        char tmp[24];
        plat::FaultText t(tmp, sizeof tmp);
        t.num(v);
        line(t.view());
    }
    bool flush() {
        std::string_view v = text_.view();
        while (ok_ && !v.empty()) {
            const ssize_t n = ::write(fd_, v.data(), v.size());
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0)
                ok_ = false;
            else
                v.remove_prefix(static_cast<std::size_t>(n));
        }
        text_.clear();
        return ok_;
    }

private:
    int fd_;
    plat::FaultText text_;
    std::size_t cap_;
    bool ok_ = true;
};

// The error file entry and the recovery map, with plain system calls and the prepared buffer.
void writeOnFault(const plat::FaultRecord& fault, void* user) {
    Prepared& p = *static_cast<Prepared*>(user);
    if (!p.builder) return;
    const Builder& b = *p.builder;
    ::mkdir(p.userFolder.c_str(), 0777);
    const std::int64_t t = static_cast<std::int64_t>(std::time(nullptr));
    p.number = t;

    const plat::CivilTime c = plat::civilTime(t, p.utcOffset);
    plat::FaultText w(p.buffer, sizeof p.buffer);
    w.add("ZEMA ERROR INFO: DATE: ");
    w.num(c.year);
    w.add(",");
    w.two(c.month);
    w.add(",");
    w.two(c.day);
    w.add("   ");
    w.two(c.hour);
    w.add(":");
    w.two(c.minute);
    w.add(":");
    w.two(c.second);
    w.end();
    const std::string_view module = fault.module;
    w.add("ERROR: Include: ");
    w.line(module.empty() || module == "tarn" ? std::string_view("Main Module") : module);
    w.add("LINE: ");
    w.num(fault.line);
    w.end();
    w.add("WHAT: ");
    w.line(fault.message);
    w.line("-");
    w.line("-");
    w.line("-");
    plat::appendWhole(p.errorFile.c_str(), w.view());

    // The recovery map in the old format, record by record, as the map writer lays it out; written
    // under a temporary name first, so that a full disk leaves no cut map that looks like a backup.
    char path[4200], partial[4220];
    plat::FaultText name(path, sizeof path - 1);
    name.add(p.recoveryPrefix);
    name.num(t);
    path[name.size()] = '\0';
    plat::FaultText temp(partial, sizeof partial - 1);
    temp.add(name.view());
    temp.add(".partial");
    partial[temp.size()] = '\0';
    const int fd = ::open(partial, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0644);
    if (fd < 0) return;
    Chunks out(fd, p.buffer, sizeof p.buffer);
    out.line("0");
    out.line("0");
    for (int i = 0; i <= b.map.lastObject && i < static_cast<int>(b.map.objects.size()); ++i) {
        const EditorObject& o = b.map.objects[static_cast<std::size_t>(i)];
        if (o.present == 0 || !world::isWritableTileName(o.name)) continue;
        out.line(world::kTileMarker);
        out.line(o.name);
        out.num(o.kind);
        out.num(plat::roundHalfAwayInt32(o.x));
        out.num(plat::roundHalfAwayInt32(o.y));
        out.num(plat::roundHalfAwayInt32(o.width));
        out.num(plat::roundHalfAwayInt32(o.height));
        out.num(o.layer);
    }
    out.line(world::kMapEndMarker);
    const bool written = out.flush();
    if (::close(fd) == 0 && written && ::rename(partial, path) == 0) return;
    ::unlink(partial);
}

} // namespace

void installFatalErrorHandler(Builder& b) {
    Prepared* pair = preparedPair();
    void* const current = plat::faultWriterUser();
    // Installed on every main-loop pass: once set for this builder, a pass costs one comparison.
    if ((current == &pair[0] && pair[0].builder == &b) || (current == &pair[1] && pair[1].builder == &b))
        return;
    Prepared& p = current == &pair[0] ? pair[1] : pair[0];
    const std::string folder = currentFolder();
    p.builder = &b;
    p.userFolder = folder + "USER";
    p.errorFile = folder + "USER/ERR!!!!.txt";
    p.recoveryPrefix = folder + "USER/_LAZARUS";
    p.utcOffset = plat::utcOffsetNow();
    Prepared* prepared = &p;
    plat::setErrorHandler(
        [&b, prepared](const plat::ErrorInfo&) {
            // The report and the map are on disk; the box names them.
            b.dialogs().messageBox("QUADRAPLAN FATAL ERROR:", fatalBoxText(prepared->number),
                                   plat::Buttons::Ok);
            shutdown(b);
            std::_Exit(0);
        },
        &writeOnFault, &p);
}

} // namespace tarn
