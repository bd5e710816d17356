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

// Fetches `url` (http://, https://, file://) into `file` through libcurl. The data goes to a
// temporary file beside the target, which replaces the target only when the whole transfer
// succeeded (HTTP status below 400). A failed download leaves an old file untouched.
bool downloadUrl(const std::string& url, const std::string& file);

// A libcurl download that the Network interface hands out.
class CurlNetwork : public Network {
public:
    bool download(const std::string& url, const std::string& file) override { return downloadUrl(url, file); }
};

} // namespace plat
