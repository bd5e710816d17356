// A real HTTP server on 127.0.0.1 (cpp-httplib) that serves the files of one folder, as a static web
// server serves a published world: Last-Modified from each file's time, 304 for a request whose
// If-Modified-Since is not older, 404 for what is not there. A test may take over any path (to make
// it slow, huge or hostile) and counts what was asked and over how many connections.
#pragma once

#include <httplib.h>

#include <atomic>
#include <functional>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <thread>

namespace servertest {

class WorldServer {
public:
    // Serves `folder` (ending with '/') on a free port of 127.0.0.1. Proxy settings of the process are
    // cleared, so that libcurl talks to it directly.
    explicit WorldServer(std::string folder);
    ~WorldServer();
    WorldServer(const WorldServer&) = delete;
    WorldServer& operator=(const WorldServer&) = delete;

    // "http://127.0.0.1:port/".
    std::string base() const;
    // A handler for one path ("/MAPS/5/0"); it replaces the folder's file.
    using Handler = std::function<void(const httplib::Request&, httplib::Response&)>;
    void override(const std::string& path, Handler h);
    void stop();
    // Answers as a server that validates by ETag only (a hash of the file's bytes, answered with 304
    // for a matching If-None-Match) and sends no Last-Modified; and a delay before every answer.
    void useEtags(bool on) { etags_ = on; }
    void delayAnswers(int ms) { delayMs_ = ms; }

    // Requests of a path, answers with a body (200), connections seen.
    int requests(const std::string& path) const;
    int fullAnswers(const std::string& path) const;
    int totalRequests() const;
    int connections() const;
    void resetCounts();
    // Set when the server is stopped: a handler that streams stops streaming.
    const std::atomic<bool>& stopping() const { return stopping_; }

private:
    void serve(const httplib::Request& req, httplib::Response& res);

    std::string folder_;
    httplib::Server server_;
    std::thread thread_;
    int port_ = 0;
    std::atomic<bool> stopping_{false};
    std::atomic<bool> etags_{false};
    std::atomic<int> delayMs_{0};
    mutable std::mutex mutex_;
    std::map<std::string, Handler> overrides_;
    std::map<std::string, int> requests_;
    std::map<std::string, int> full_;
    std::set<std::string> peers_;
};

} // namespace servertest
