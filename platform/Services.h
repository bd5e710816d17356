// Machine-independent services that every backend shares: the seeded random generator, the real
// millisecond clock and the URL download.
#pragma once

#include "platform/Platform.h"

#include <chrono>
#include <cstdint>
#include <string>

namespace plat {

// A small deterministic generator (SplitMix64): the same seed gives the same sequence on every
// machine and compiler, which the standard library's distributions do not promise.
class SeededRandom : public Random {
public:
    explicit SeededRandom(std::uint64_t seed = 0) : state_(seed) {}
    void seed(std::uint64_t seed) override { state_ = seed; }
    int next(int n) override;
    std::uint64_t nextRaw();

private:
    std::uint64_t state_;
};

// Milliseconds since the clock was made, from the monotonic clock; sleep really sleeps.
class SystemClock : public Clock {
public:
    SystemClock() : start_(std::chrono::steady_clock::now()) {}
    std::int64_t ticks() override;
    void sleep(int ms) override;

private:
    std::chrono::steady_clock::time_point start_;
};

// A seed that differs from run to run (time and address entropy).
std::uint64_t freshSeed();

// One libcurl handle kept for all fetches, so that the many small requests of a map travel over one
// connection (libcurl keeps the connection open between requests on the same handle).
class CurlSession {
public:
    CurlSession() = default;
    ~CurlSession();
    CurlSession(const CurlSession&) = delete;
    CurlSession& operator=(const CurlSession&) = delete;
    Fetch fetch(const std::string& url, const std::string& file, bool revalidate,
                const DownloadLimits& limits);

private:
    void* curl_ = nullptr; // CURL*, made on first use
};

// The temporary file a download is written to before it replaces its target, made beside the
// target (".<name>.part.XXXXXX"), and the kept copy a revalidating download asks about. Both
// download clients (libcurl, the browser's fetch) start here.
struct PartFile {
    std::string path;            // the temporary file
    int fd = -1;                 // open for writing
    bool cached = false;         // a kept copy to revalidate exists
    std::int64_t cachedTime = 0; // its time (the server's, or 0 when the server sent none)
};
// False (and nothing made) when the target's folder is missing, the target is a folder, or the
// temporary file cannot be made.
bool openPartFile(const std::string& file, bool revalidate, PartFile& part);

// Fetches `url` (http://, https://, file://) into `file` through libcurl with a session of its own.
// The target is replaced only when the whole transfer succeeded (HTTP 200 with its whole body).
bool downloadUrl(const std::string& url, const std::string& file, const DownloadLimits& limits = {});

// Whether an executable file of that name stands in one of the folders of PATH.
bool onPath(const std::string& name);

// The libcurl network of the programs.
class CurlNetwork : public Network {
public:
    Fetch fetch(const std::string& url, const std::string& file, bool revalidate) override {
        return session_.fetch(url, file, revalidate, limits_);
    }
    void setLimits(const DownloadLimits& limits) override { limits_ = limits; }

private:
    CurlSession session_;
    DownloadLimits limits_;
};

} // namespace plat
