// Seeded random generator, real clock and URL download (libcurl).
#include "platform/Services.h"

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#ifndef __EMSCRIPTEN__
#include <curl/curl.h>
#endif
#include <filesystem>
#include <mutex>
#include <random>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <sys/time.h>
#include <thread>
#include <unistd.h>

namespace plat {

std::uint64_t SeededRandom::nextRaw() {
    state_ += 0x9E3779B97F4A7C15ull;
    std::uint64_t z = state_;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

int SeededRandom::next(int n) {
    if (n <= 0) return 0;
    const std::uint64_t range = static_cast<std::uint64_t>(n) + 1u;
    // Rejection keeps every value of 0..n equally likely.
    const std::uint64_t limit = UINT64_MAX - (UINT64_MAX % range);
    std::uint64_t v = nextRaw();
    while (v >= limit) v = nextRaw();
    return static_cast<int>(v % range);
}

std::int64_t SystemClock::ticks() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start_)
        .count();
}

void SystemClock::sleep(int ms) {
    if (ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

std::uint64_t freshSeed() {
    std::random_device rd;
    const auto now =
        static_cast<std::uint64_t>(std::chrono::high_resolution_clock::now().time_since_epoch().count());
    return (static_cast<std::uint64_t>(rd()) << 32) ^ rd() ^ now;
}

bool onPath(const std::string& name) {
    const char* path = std::getenv("PATH");
    if (path == nullptr) return false;
    const std::string p(path);
    for (std::size_t start = 0; start <= p.size();) {
        const std::size_t end = p.find(':', start);
        const std::string dir = p.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (!dir.empty() && ::access((dir + "/" + name).c_str(), X_OK) == 0) return true;
        if (end == std::string::npos) break;
        start = end + 1;
    }
    return false;
}

bool openPartFile(const std::string& file, bool revalidate, PartFile& part) {
    namespace fs = std::filesystem;
    const fs::path target(file);
    fs::path dir = target.parent_path();
    if (dir.empty()) dir = ".";
    std::error_code ec;
    if (!fs::is_directory(dir, ec) || fs::is_directory(target, ec)) return false;
    struct stat old {};
    part.cached = revalidate && ::stat(file.c_str(), &old) == 0 && S_ISREG(old.st_mode);
    part.cachedTime = part.cached ? static_cast<std::int64_t>(old.st_mtime) : 0;
    part.path = (dir / ("." + target.filename().string() + ".part.XXXXXX")).string();
    part.fd = ::mkstemp(part.path.data());
    return part.fd >= 0;
}

// The browser build fetches through the page instead (platform/web/WebFetch.cpp).
#ifndef __EMSCRIPTEN__
namespace {

// Where one transfer writes, and how much it may write.
struct Sink {
    std::FILE* out = nullptr;
    long long written = 0;
    long long maxBytes = 0;
    bool tooBig = false;
};

std::size_t writeToSink(char* data, std::size_t size, std::size_t count, void* user) {
    Sink& sink = *static_cast<Sink*>(user);
    const long long n = static_cast<long long>(size * count);
    // A server without a Content-Length (or one that lies about it) is stopped here; returning less
    // than was handed over ends the transfer with a write error.
    if (sink.written + n > sink.maxBytes) {
        sink.tooBig = true;
        return 0;
    }
    sink.written += n;
    return std::fwrite(data, size, count, sink.out);
}

// The ETag of the last response of a transfer (a redirect's own headers are dropped when the next
// status line arrives). A value with a control character or over 1 KiB is not kept: it is sent
// back as a header line.
std::size_t readHeader(char* data, std::size_t size, std::size_t count, void* user) {
    std::string& etag = *static_cast<std::string*>(user);
    const std::size_t n = size * count;
    std::string_view line(data, n);
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.remove_suffix(1);
    if (line.rfind("HTTP/", 0) == 0) {
        etag.clear();
        return n;
    }
    const std::size_t colon = line.find(':');
    if (colon != 4) return n;
    std::string name(line.substr(0, colon));
    for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (name != "etag") return n;
    std::string_view value = line.substr(colon + 1);
    while (!value.empty() && (value.front() == ' ' || value.front() == '\t')) value.remove_prefix(1);
    while (!value.empty() && (value.back() == ' ' || value.back() == '\t')) value.remove_suffix(1);
    etag.clear();
    if (value.empty() || value.size() > 1024) return n;
    for (const char c : value) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 32 || u > 126) return n;
    }
    etag.assign(value);
    return n;
}

std::string readSmallFile(const std::string& file) {
    std::string out;
    std::FILE* f = std::fopen(file.c_str(), "rb");
    if (!f) return out;
    char buf[1100];
    const std::size_t n = std::fread(buf, 1, sizeof buf, f);
    std::fclose(f);
    if (n <= 1024) out.assign(buf, n);
    return out;
}

// Keeps `etag` beside `file` (or removes an old one when the answer had none); written to a
// temporary name and renamed, so a torn write never leaves half a tag.
void keepEtag(const std::string& file, const std::string& etag) {
    const std::string side = etagFile(file);
    if (etag.empty()) {
        ::unlink(side.c_str());
        return;
    }
    const std::string tmp = side + ".part";
    std::FILE* f = std::fopen(tmp.c_str(), "wb");
    if (!f) return;
    const bool written = std::fwrite(etag.data(), 1, etag.size(), f) == etag.size();
    if (std::fclose(f) != 0 || !written || std::rename(tmp.c_str(), side.c_str()) != 0) ::unlink(tmp.c_str());
}

// No answer at all: the server could not be reached, or the transfer timed out or broke off.
bool noAnswer(CURLcode rc) {
    switch (rc) {
    case CURLE_COULDNT_RESOLVE_PROXY:
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_CONNECT:
    case CURLE_OPERATION_TIMEDOUT:
    case CURLE_SEND_ERROR:
    case CURLE_RECV_ERROR:
    case CURLE_GOT_NOTHING:
    case CURLE_PARTIAL_FILE:
    case CURLE_SSL_CONNECT_ERROR:
        return true;
    default:
        return false;
    }
}

void curlGlobalInit() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

bool allowedScheme(const std::string& url) {
    auto starts = [&](const char* p) {
        const std::size_t n = std::char_traits<char>::length(p);
        if (url.size() < n) return false;
        for (std::size_t i = 0; i < n; ++i)
            if (std::tolower(static_cast<unsigned char>(url[i])) != p[i]) return false;
        return true;
    };
    return starts("http://") || starts("https://") || starts("file://");
}

} // namespace

CurlSession::~CurlSession() {
    if (curl_) curl_easy_cleanup(static_cast<CURL*>(curl_));
}

Fetch CurlSession::fetch(const std::string& url, const std::string& file, bool revalidate,
                         const DownloadLimits& limits) {
    namespace fs = std::filesystem;
    if (url.empty() || file.empty() || !allowedScheme(url)) return Fetch::Failed;
    curlGlobalInit();
    if (!curl_) curl_ = curl_easy_init();
    CURL* curl = static_cast<CURL*>(curl_);
    if (!curl) return Fetch::Failed;
    PartFile part;
    if (!openPartFile(file, revalidate, part)) return Fetch::Failed;
    const std::string& tmpl = part.path;
    const bool cached = part.cached;
    const int fd = part.fd;
    Sink sink;
    sink.out = ::fdopen(fd, "wb");
    sink.maxBytes = limits.maxBytes;
    if (!sink.out) {
        ::close(fd);
        ::unlink(tmpl.c_str());
        return Fetch::Failed;
    }
    // Reset clears the options of the last request but keeps its open connection for this one.
    curl_easy_reset(curl);
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &writeToSink);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &sink);
    // No CURLOPT_FAILONERROR: it drops the connection on a 404, and a map's fetch ends with one. The
    // short error page is read into the temporary file and removed with it.
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https,file");
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, limits.maxRedirects > 0 ? 1L : 0L);
    curl_easy_setopt(curl, CURLOPT_MAXREDIRS, limits.maxRedirects);
    // A server may send us on to another web address, never to a file of this machine.
    curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, limits.connectSeconds);
    curl_easy_setopt(curl, CURLOPT_TIMEOUT, limits.totalSeconds);
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, limits.lowSpeedBytes);
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, limits.lowSpeedSeconds);
    curl_easy_setopt(curl, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(limits.maxBytes));
    curl_easy_setopt(curl, CURLOPT_FILETIME, 1L);
    std::string etag;
    curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, &readHeader);
    curl_easy_setopt(curl, CURLOPT_HEADERDATA, &etag);
    // What the server said of the kept copy: its ETag, and its time (0 when it sent none, and then
    // no date is asked about: a time of our own would hide a changed file).
    curl_slist* headers = nullptr;
    const std::string oldTag = cached ? readSmallFile(etagFile(file)) : std::string();
    if (!oldTag.empty()) {
        headers = curl_slist_append(headers, ("If-None-Match: " + oldTag).c_str());
        curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
    }
    if (cached && part.cachedTime > 0) {
        curl_easy_setopt(curl, CURLOPT_TIMECONDITION, static_cast<long>(CURL_TIMECOND_IFMODSINCE));
        curl_easy_setopt(curl, CURLOPT_TIMEVALUE_LARGE, static_cast<curl_off_t>(part.cachedTime));
    }
    const bool asked = !oldTag.empty() || (cached && part.cachedTime > 0);
    const CURLcode rc = curl_easy_perform(curl);
    if (headers) curl_slist_free_all(headers);
    long status = 0;
    long unmet = 0;
    curl_off_t filetime = -1;
    curl_off_t length = -1;
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
    curl_easy_getinfo(curl, CURLINFO_CONDITION_UNMET, &unmet);
    curl_easy_getinfo(curl, CURLINFO_FILETIME_T, &filetime);
    curl_easy_getinfo(curl, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);

    // Only a whole 200 (or a file:// read, which has no status) is stored; a 304 keeps the copy,
    // and only when there is one that was asked about.
    Fetch result = Fetch::Failed;
    if (rc == CURLE_OK && (status == 200 || status == 0)) {
        if (asked && unmet != 0) {
            result = Fetch::Unchanged;
        } else if (length < 0 || length == sink.written) {
            result = Fetch::Fetched;
        }
    } else if (rc == CURLE_OK && status == 304) {
        if (asked) result = Fetch::Unchanged;
    } else if ((rc == CURLE_OK && (status == 404 || status == 410)) || rc == CURLE_FILE_COULDNT_READ_FILE) {
        result = Fetch::Missing;
    } else if (rc != CURLE_OK && !sink.tooBig && noAnswer(rc)) {
        result = Fetch::Unreachable;
    }
    if (std::fflush(sink.out) != 0 || std::fclose(sink.out) != 0) {
        if (result == Fetch::Fetched) result = Fetch::Failed;
    }
    if (result == Fetch::Fetched) {
        std::error_code ec;
        fs::permissions(tmpl,
                        fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                            fs::perms::others_read,
                        ec);
        // The file carries the server's time, which the next revalidation sends back; without one,
        // time 0, never the time of the download.
        const time_t t = filetime >= 0 ? static_cast<time_t>(filetime) : 0;
        const timeval times[2] = {{t, 0}, {t, 0}};
        ::utimes(tmpl.c_str(), times);
        if (std::rename(tmpl.c_str(), file.c_str()) != 0) result = Fetch::Failed;
        if (result == Fetch::Fetched) keepEtag(file, etag);
    } else if (result == Fetch::Unchanged && !etag.empty() && etag != oldTag) {
        keepEtag(file, etag);
    }
    if (result != Fetch::Fetched) ::unlink(tmpl.c_str());
    return result;
}

bool downloadUrl(const std::string& url, const std::string& file, const DownloadLimits& limits) {
    CurlSession session;
    return session.fetch(url, file, false, limits) == Fetch::Fetched;
}
#endif

} // namespace plat
