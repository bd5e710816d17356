// Text files and numbers shared by every reader and writer.
#include "platform/TextIo.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace textio {

bool LineReader::open(const std::string& path) {
    data_.clear();
    pos_ = 0;
    open_ = readFile(path, data_);
    if (!open_) data_.clear();
    return open_;
}

std::string_view LineReader::readLineView() {
    if (pos_ >= data_.size()) return {};
    const std::size_t start = pos_;
    std::size_t end = start;
    while (end < data_.size() && data_[end] != '\r' && data_[end] != '\n') ++end;
    pos_ = end;
    if (pos_ < data_.size()) {
        if (data_[pos_] == '\r') {
            ++pos_;
            if (pos_ < data_.size() && data_[pos_] == '\n') ++pos_;
        } else {
            ++pos_;
        }
    }
    return std::string_view(data_).substr(start, end - start);
}

std::string LineReader::readLine() {
    return std::string(readLineView());
}

std::vector<std::string> splitLines(std::string_view text) {
    LineReader r{std::string(text)};
    std::vector<std::string> lines;
    while (!r.eof()) lines.push_back(r.readLine());
    return lines;
}

std::int32_t toInt(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
        negative = text[i] == '-';
        ++i;
    }
    // Unsigned arithmetic wraps like the 32-bit integer the value lands in.
    std::uint32_t value = 0;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
        value = value * 10u + static_cast<std::uint32_t>(text[i] - '0');
        ++i;
    }
    if (negative) value = 0u - value;
    return static_cast<std::int32_t>(value);
}

std::int8_t toByte(std::string_view text) {
    return static_cast<std::int8_t>(
        static_cast<std::uint8_t>(static_cast<std::uint32_t>(toInt(text)) & 0xffu));
}

double toDouble(std::string_view text) {
    // strtod needs a terminated string; long texts are no numbers we care about beyond 64 chars.
    char buf[128];
    const std::size_t n = text.size() < sizeof(buf) - 1 ? text.size() : sizeof(buf) - 1;
    text.copy(buf, n);
    buf[n] = '\0';
    char* end = nullptr;
    errno = 0;
    const double v = std::strtod(buf, &end);
    if (end == buf) return 0.0;
    return v;
}

float toReal(std::string_view text) {
    const double v = toDouble(text);
    return static_cast<float>(v);
}

namespace {

NoticeSink gNoticeSink = nullptr;
void* gNoticeUser = nullptr;

void closeQuietly(int fd) {
    while (::close(fd) != 0 && errno == EINTR) {
    }
}

const char* kindOf(mode_t mode) {
    if (S_ISDIR(mode)) return "A FOLDER";
    if (S_ISFIFO(mode)) return "A FIFO";
    if (S_ISSOCK(mode)) return "A SOCKET";
    if (S_ISCHR(mode) || S_ISBLK(mode)) return "A DEVICE";
    return "NO REGULAR FILE";
}

constexpr const char* kPartial = ".partial-";

} // namespace

void setNoticeSink(NoticeSink sink, void* user) {
    gNoticeSink = sink;
    gNoticeUser = user;
}

void notice(const std::string& text) {
    if (gNoticeSink) {
        gNoticeSink(gNoticeUser, text);
    } else {
        std::fprintf(stderr, "%s\n", text.c_str());
    }
}

bool readRegularFile(const std::string& path, std::string& content, std::uint64_t maxBytes,
                     std::string* problem) {
    if (problem) problem->clear();
    // Non-blocking open: a FIFO without a writer would otherwise wait for ever in open().
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) return false;
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        closeQuietly(fd);
        return false;
    }
    if (!S_ISREG(st.st_mode)) {
        // Folders are asked for by default settings that name a folder; only the odd kinds are news.
        if (!S_ISDIR(st.st_mode) && problem)
            *problem = std::string(kindOf(st.st_mode)) + ", NOT READ: " + path;
        closeQuietly(fd);
        return false;
    }
    const auto tooLarge = [&] {
        if (problem)
            *problem = "FILE LARGER THAN " + std::to_string(maxBytes >> 20) + " MiB, NOT READ: " + path;
        closeQuietly(fd);
        return false;
    };
    if (static_cast<std::uint64_t>(st.st_size) > maxBytes) return tooLarge();
    std::string data;
    data.reserve(static_cast<std::size_t>(st.st_size));
    char buf[1 << 16];
    for (;;) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0) {
            if (errno == EINTR) continue;
            closeQuietly(fd);
            return false;
        }
        if (n == 0) break;
        // The file may grow while it is read.
        if (data.size() + static_cast<std::size_t>(n) > maxBytes) return tooLarge();
        data.append(buf, static_cast<std::size_t>(n));
    }
    closeQuietly(fd);
    content = std::move(data);
    return true;
}

bool isRegularFile(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) return false;
    struct stat st {};
    const bool regular = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    closeQuietly(fd);
    return regular;
}

bool readFile(const std::string& path, std::string& content) {
    std::string problem;
    const bool ok = readRegularFile(path, content, kMaxTextFileBytes, &problem);
    if (!problem.empty()) notice(problem);
    return ok;
}

namespace {

// Writes `content` into a new temporary file in `dir` named after `name` (see removeStaleTemporaries)
// with the permissions `mode`, flushed to the disk when `sync` is set. false (nothing left) when it
// cannot be written complete; `tmpl` then names no file.
bool writeTemporaryIn(const std::filesystem::path& dir, const std::string& fileName, std::string_view content,
                      mode_t mode, bool sync, std::string& tmpl) {
    // The name stays within the file system's 255 bytes however long the file's own name is.
    const std::string name = fileName.substr(0, 200);
    tmpl = (dir / ("." + name + "." + std::to_string(::getpid()) + kPartial + "XXXXXX")).string();
    int fd = ::mkostemp(tmpl.data(), O_CLOEXEC);
    if (fd < 0) {
        tmpl.clear();
        return false;
    }
    const char* p = content.data();
    std::size_t left = content.size();
    bool ok = true;
    while (left > 0) {
        const ssize_t w = ::write(fd, p, left);
        if (w < 0) {
            if (errno == EINTR) continue;
            ok = false;
            break;
        }
        p += w;
        left -= static_cast<std::size_t>(w);
    }
    // mkstemp creates 0600; the new file keeps the old one's permissions (0644 for a new file).
    if (ok && ::fchmod(fd, mode) != 0) ok = false;
    if (ok && sync && ::fsync(fd) != 0) ok = false;
    if (::close(fd) != 0) ok = false;
    if (!ok) {
        ::unlink(tmpl.c_str());
        tmpl.clear();
    }
    return ok;
}

// fsync of a folder (its names); false when it cannot be opened or synced.
bool syncFolderNames(const std::string& folder, bool wholeFileSystem) {
    const int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return false;
    bool ok = true;
    // syncfs flushes the folder's own names too.
    if (wholeFileSystem ? ::syncfs(fd) != 0 : ::fsync(fd) != 0) ok = false;
    closeQuietly(fd);
    return ok;
}

} // namespace

bool writeTemporary(const std::string& path, std::string_view content, std::string& temp) {
    temp.clear();
    if (path.empty()) return false;
    mode_t mode = 0644;
    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0) {
        if (!S_ISREG(st.st_mode) && !S_ISLNK(st.st_mode)) {
            notice(std::string(kindOf(st.st_mode)) + ", NOT REPLACED: " + path);
            return false;
        }
        if (S_ISREG(st.st_mode)) mode = st.st_mode & 07777;
    }
    const std::filesystem::path t(path);
    std::filesystem::path dir = t.parent_path();
    if (dir.empty()) dir = ".";
    return writeTemporaryIn(dir, t.filename().string(), content, mode, false, temp);
}

bool syncFolderFiles(const std::string& folder) {
    return syncFolderNames(folder, true);
}

bool syncFolder(const std::string& folder) {
    return syncFolderNames(folder, false);
}

bool writeFileAtomic(const std::string& path, std::string_view content) {
    namespace fs = std::filesystem;
    if (path.empty()) return false;
    // Only a regular file is replaced by rename; anything else would be swapped for a plain file
    // (a log path naming /dev/full, a FIFO another program reads). A link is followed so that the
    // file it names is replaced and the link itself stays.
    std::string target = path;
    mode_t mode = 0644;
    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0) {
        if (S_ISLNK(st.st_mode)) {
            char* real = ::realpath(path.c_str(), nullptr);
            if (!real || ::stat(real, &st) != 0) {
                std::free(real);
                notice("LINK TO A MISSING FILE, NOT WRITTEN: " + path);
                return false;
            }
            target = real;
            std::free(real);
        }
        if (!S_ISREG(st.st_mode)) {
            notice(std::string(kindOf(st.st_mode)) + ", NOT REPLACED: " + path);
            return false;
        }
        mode = st.st_mode & 07777;
    }
    const fs::path t(target);
    fs::path dir = t.parent_path();
    if (dir.empty()) dir = ".";
    std::string tmpl;
    if (!writeTemporaryIn(dir, t.filename().string(), content, mode, true, tmpl)) return false;
    if (std::rename(tmpl.c_str(), target.c_str()) != 0) {
        ::unlink(tmpl.c_str());
        return false;
    }
    return true;
}

StreamingFileWriter::StreamingFileWriter(const std::string& path) : path_(path) {
    struct stat st {};
    mode_t mode = 0644;
    if (::lstat(path.c_str(), &st) == 0) {
        if (!S_ISREG(st.st_mode)) {
            notice(std::string(kindOf(st.st_mode)) + ", NOT REPLACED: " + path);
            return;
        }
        mode = st.st_mode & 07777;
    }
    const std::filesystem::path t(path);
    std::filesystem::path dir = t.parent_path();
    if (dir.empty()) dir = ".";
    temp_ = (dir / ("." + t.filename().string().substr(0, 200) + "." + std::to_string(::getpid()) + kPartial +
                    "XXXXXX"))
                .string();
    fd_ = ::mkostemp(temp_.data(), O_CLOEXEC);
    if (fd_ < 0) {
        temp_.clear();
        return;
    }
    ok_ = ::fchmod(fd_, mode) == 0;
}

StreamingFileWriter::~StreamingFileWriter() {
    if (fd_ >= 0) closeQuietly(fd_);
    if (!temp_.empty()) ::unlink(temp_.c_str());
}

void StreamingFileWriter::flush() {
    const char* p = buffer_.data();
    std::size_t left = buffer_.size();
    while (ok_ && left > 0) {
        const ssize_t w = ::write(fd_, p, left);
        if (w < 0) {
            if (errno != EINTR) ok_ = false;
            continue;
        }
        p += w;
        left -= static_cast<std::size_t>(w);
    }
    buffer_.clear();
}

void StreamingFileWriter::write(std::string_view text) {
    if (!ok_) return;
    buffer_.append(text);
    if (buffer_.size() >= (1u << 16)) flush();
}

bool StreamingFileWriter::commit() {
    if (!ok_ || fd_ < 0) return false;
    flush();
    if (ok_ && ::fsync(fd_) != 0) ok_ = false;
    if (::close(fd_) != 0) ok_ = false;
    fd_ = -1;
    if (ok_ && std::rename(temp_.c_str(), path_.c_str()) != 0) ok_ = false;
    if (ok_) temp_.clear();
    return ok_;
}

int removeStaleTemporaries(const std::string& folder) {
    DIR* d = ::opendir(folder.empty() ? "." : folder.c_str());
    if (!d) return 0;
    int removed = 0;
    const std::string base = asFolder(folder);
    while (const dirent* ent = ::readdir(d)) {
        const std::string_view n(ent->d_name);
        const std::size_t at = n.rfind(kPartial);
        if (n.empty() || n[0] != '.' || at == std::string_view::npos || at + 9 + 6 != n.size()) continue;
        const std::size_t dot = n.rfind('.', at - 1);
        if (dot == std::string_view::npos || dot == 0 || dot + 1 >= at) continue;
        const std::string_view digits = n.substr(dot + 1, at - dot - 1);
        if (digits.size() > 9 || digits.find_first_not_of("0123456789") != std::string_view::npos) continue;
        const pid_t pid = static_cast<pid_t>(toInt(digits));
        // A temporary of a process that still runs is a save in progress (or this process's own).
        if (pid == ::getpid() || pid <= 0 || ::kill(pid, 0) == 0 || errno != ESRCH) continue;
        const std::string full = base + std::string(n);
        struct stat st {};
        if (::lstat(full.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::unlink(full.c_str()) == 0) ++removed;
    }
    ::closedir(d);
    return removed;
}

std::string nativePath(std::string_view path) {
    std::string out(path);
    for (char& c : out)
        if (c == '\\') c = '/';
    return out;
}

std::string asFolder(std::string path) {
    if (!path.empty() && path.back() != '/') path.push_back('/');
    return path;
}

std::string joinPath(std::string_view folder, std::string_view name) {
    std::string out(folder);
    out.append(name);
    return nativePath(out);
}

std::string formatReal(double value) {
    // The shortest plain decimal that reads back as the same value: data files hold no exponents
    // (the integer reader would take "8e+02" as 8).
    if (!std::isfinite(value)) return "0";
    char buf[400];
#if defined(_LIBCPP_VERSION) && _LIBCPP_VERSION < 170000
    // libc++ before 17 (the browser build's) has no to_chars for doubles: the fewest decimals that
    // read back as the same value, which is the same text below 2^53.
    for (int decimals = 0; decimals <= 340; ++decimals) {
        const int n = std::snprintf(buf, sizeof buf, "%.*f", decimals, value);
        if (n <= 0 || n >= static_cast<int>(sizeof buf)) return "0";
        if (std::strtod(buf, nullptr) == value) return std::string(buf, static_cast<std::size_t>(n));
    }
    return "0";
#else
    const auto r = std::to_chars(buf, buf + sizeof(buf), value, std::chars_format::fixed);
    if (r.ec != std::errc()) return "0";
    return std::string(buf, r.ptr);
#endif
}

} // namespace textio
