// Text files and numbers shared by every reader and writer.
#include "platform/TextIo.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
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

bool readFile(const std::string& path, std::string& content) {
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec)) return false;
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::ostringstream ss;
    ss << in.rdbuf();
    content = std::move(ss).str();
    return !in.bad();
}

bool writeFileAtomic(const std::string& path, std::string_view content) {
    namespace fs = std::filesystem;
    const fs::path target(path);
    fs::path dir = target.parent_path();
    if (dir.empty()) dir = ".";
    std::error_code ec;
    if (fs::is_directory(target, ec)) return false;
    std::string tmpl = (dir / ("." + target.filename().string() + ".XXXXXX")).string();
    int fd = ::mkstemp(tmpl.data());
    if (fd < 0) return false;
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
    if (ok && ::fsync(fd) != 0) ok = false;
    if (::close(fd) != 0) ok = false;
    if (ok) {
        // mkstemp creates 0600; data files are ordinary user files.
        fs::permissions(tmpl,
                        fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                            fs::perms::others_read,
                        ec);
        if (std::rename(tmpl.c_str(), path.c_str()) != 0) ok = false;
    }
    if (!ok) ::unlink(tmpl.c_str());
    return ok;
}

std::string nativePath(std::string_view path) {
    std::string out(path);
    for (char& c : out)
        if (c == '\\') c = '/';
    return out;
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
    const auto r = std::to_chars(buf, buf + sizeof(buf), value, std::chars_format::fixed);
    if (r.ec != std::errc()) return "0";
    return std::string(buf, r.ptr);
}

} // namespace textio
