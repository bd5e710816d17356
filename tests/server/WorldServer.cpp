#include "WorldServer.h"

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <sstream>
#include <sys/stat.h>

#include "tests/support/Subprocess.h"

namespace servertest {

namespace {

std::string httpDate(std::time_t t) {
    char buf[64];
    std::tm tm{};
    gmtime_r(&t, &tm);
    std::strftime(buf, sizeof buf, "%a, %d %b %Y %H:%M:%S GMT", &tm);
    return buf;
}

bool parseHttpDate(const std::string& text, std::time_t& out) {
    std::tm tm{};
    const char* end = strptime(text.c_str(), "%a, %d %b %Y %H:%M:%S GMT", &tm);
    if (!end) return false;
    out = timegm(&tm);
    return true;
}

} // namespace

WorldServer::WorldServer(std::string folder) : folder_(std::move(folder)) {
    support::clearProxySettings();
    server_.set_keep_alive_max_count(100000);
    // As a web server does (nginx keeps an idle connection 75 s): a slow run's map switches, seconds
    // apart, still share one connection.
    server_.set_keep_alive_timeout(75);
    server_.Get(R"(/.*)", [this](const httplib::Request& req, httplib::Response& res) { serve(req, res); });
    port_ = server_.bind_to_any_port("127.0.0.1");
    thread_ = std::thread([this] { server_.listen_after_bind(); });
    while (!server_.is_running()) std::this_thread::sleep_for(std::chrono::milliseconds(2));
}

WorldServer::~WorldServer() {
    stop();
}

void WorldServer::stop() {
    stopping_ = true;
    if (thread_.joinable()) {
        server_.stop();
        thread_.join();
    }
}

std::string WorldServer::base() const {
    return "http://127.0.0.1:" + std::to_string(port_) + "/";
}

void WorldServer::override(const std::string& path, Handler h) {
    std::lock_guard<std::mutex> lock(mutex_);
    overrides_[path] = std::move(h);
}

int WorldServer::requests(const std::string& path) const {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = requests_.find(path);
    return it == requests_.end() ? 0 : it->second;
}

int WorldServer::fullAnswers(const std::string& path) const {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = full_.find(path);
    return it == full_.end() ? 0 : it->second;
}

int WorldServer::totalRequests() const {
    std::lock_guard<std::mutex> lock(mutex_);
    int n = 0;
    for (const auto& [p, c] : requests_) n += c;
    return n;
}

int WorldServer::connections() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return static_cast<int>(peers_.size());
}

void WorldServer::resetCounts() {
    std::lock_guard<std::mutex> lock(mutex_);
    requests_.clear();
    full_.clear();
    peers_.clear();
}

void WorldServer::serve(const httplib::Request& req, httplib::Response& res) {
    Handler h;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        ++requests_[req.path];
        peers_.insert(req.remote_addr + ":" + std::to_string(req.remote_port));
        auto it = overrides_.find(req.path);
        if (it != overrides_.end()) h = it->second;
    }
    if (delayMs_ > 0) std::this_thread::sleep_for(std::chrono::milliseconds(delayMs_.load()));
    if (h) {
        h(req, res);
        return;
    }
    const std::string file = folder_ + req.path.substr(1);
    struct stat st {};
    if (req.path.find("..") != std::string::npos || ::stat(file.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
        res.status = 404;
        return;
    }
    std::ifstream in(file, std::ios::binary);
    std::stringstream body;
    body << in.rdbuf();
    if (etags_) {
        const std::string tag = "\"" + std::to_string(std::hash<std::string>{}(body.str())) + "\"";
        res.set_header("ETag", tag);
        if (req.get_header_value("If-None-Match") == tag) {
            res.status = 304;
            return;
        }
    } else {
        res.set_header("Last-Modified", httpDate(st.st_mtime));
    }
    std::time_t since = 0;
    if (!etags_ && req.has_header("If-Modified-Since") &&
        parseHttpDate(req.get_header_value("If-Modified-Since"), since) && st.st_mtime <= since) {
        res.status = 304;
        return;
    }
    res.set_content(body.str(), "application/octet-stream");
    std::lock_guard<std::mutex> lock(mutex_);
    ++full_[req.path];
}

} // namespace servertest
