// Seeded random generator, real clock and URL download (libcurl).
#include "platform/Services.h"

#include <cerrno>
#include <cstdio>
#include <curl/curl.h>
#include <filesystem>
#include <mutex>
#include <random>
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

namespace {

std::size_t writeToFile(char* data, std::size_t size, std::size_t count, void* user) {
    return std::fwrite(data, size, count, static_cast<std::FILE*>(user));
}

void curlGlobalInit() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

} // namespace

bool downloadUrl(const std::string& url, const std::string& file) {
    namespace fs = std::filesystem;
    if (url.empty() || file.empty()) return false;
    curlGlobalInit();
    const fs::path target(file);
    fs::path dir = target.parent_path();
    if (dir.empty()) dir = ".";
    std::error_code ec;
    if (!fs::is_directory(dir, ec) || fs::is_directory(target, ec)) return false;
    std::string tmpl = (dir / ("." + target.filename().string() + ".part.XXXXXX")).string();
    const int fd = ::mkstemp(tmpl.data());
    if (fd < 0) return false;
    std::FILE* out = ::fdopen(fd, "wb");
    if (!out) {
        ::close(fd);
        ::unlink(tmpl.c_str());
        return false;
    }
    CURL* curl = curl_easy_init();
    bool ok = false;
    if (curl) {
        curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
        curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &writeToFile);
        curl_easy_setopt(curl, CURLOPT_WRITEDATA, out);
        curl_easy_setopt(curl, CURLOPT_FAILONERROR, 1L);
        curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
        curl_easy_setopt(curl, CURLOPT_MAXREDIRS, 5L);
        curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, 10L);
        curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, 1L); // give up on a stalled server
        curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, 30L);
        curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
        curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https,file");
        const CURLcode rc = curl_easy_perform(curl);
        long status = 0;
        curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
        ok = rc == CURLE_OK && status < 400;
        curl_easy_cleanup(curl);
    }
    if (std::fflush(out) != 0) ok = false;
    if (std::fclose(out) != 0) ok = false;
    if (ok) {
        fs::permissions(tmpl,
                        fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                            fs::perms::others_read,
                        ec);
        if (std::rename(tmpl.c_str(), file.c_str()) != 0) ok = false;
    }
    if (!ok) ::unlink(tmpl.c_str());
    return ok;
}

} // namespace plat
