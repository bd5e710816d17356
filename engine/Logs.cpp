// Logs: the warnings log and the date text every log entry carries.
#include "engine/Logs.h"

#include <cerrno>
#include <cstdio>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "engine/Biosim.h"
#include "platform/TextIo.h"

namespace engine {

// Appends lines (each ended with CR LF) to a file, creating it when missing. A name that cannot be
// opened as a file (empty, a folder, a missing folder) writes nothing. The block lands whole or not
// at all: its space is reserved before the first byte is written, and a write that still comes up
// short (a full disk) is cut back off, so a log never ends in half a block. Only regular files
// are appended to: a FIFO would block the engine, a device is no log.
bool appendLines(const std::string& path, const std::string& text) {
    if (path.empty()) return false;
    const int fd =
        ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_NONBLOCK | O_CLOEXEC | O_NOCTTY, 0644);
    if (fd < 0) return false;
    struct stat st {};
    bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    const off_t before = ok ? st.st_size : 0;
    if (ok && ::fallocate(fd, FALLOC_FL_KEEP_SIZE, before, static_cast<off_t>(text.size())) != 0 &&
        errno != EOPNOTSUPP && errno != ENOSYS)
        ok = false; // no room for the whole block
    std::size_t done = 0;
    while (ok && done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            ok = false;
            if (::ftruncate(fd, before) != 0) {
                // Nothing more can be done for a file that can neither grow nor shrink.
            }
            break;
        }
        done += static_cast<std::size_t>(n);
    }
    return ::close(fd) == 0 && ok;
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

} // namespace engine
