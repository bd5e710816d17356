#include "Subprocess.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <sstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "TempFolder.h"

namespace support {

// Proxy settings would send the tests' local HTTP requests elsewhere.
void clearProxySettings() {
    for (const char* v : {"http_proxy", "https_proxy", "HTTP_PROXY", "HTTPS_PROXY", "all_proxy", "ALL_PROXY",
                          "ftp_proxy", "FTP_PROXY"})
        ::unsetenv(v);
    ::setenv("no_proxy", "127.0.0.1,localhost", 1);
    ::setenv("NO_PROXY", "127.0.0.1,localhost", 1);
}

std::string shellQuote(const std::string& word) {
    std::string q = "'";
    for (char c : word) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

RunResult runCommand(const std::string& command, const std::string& folder, int limitSeconds) {
    TempFolder io("bt_run");
    const std::string outPath = io.file("out"), errPath = io.file("err");
    RunResult r;
    const pid_t pid = ::fork();
    if (pid < 0) return r;
    if (pid == 0) {
        ::setpgid(0, 0); // its own group, so the time limit ends its children too
        if (!folder.empty() && ::chdir(folder.c_str()) != 0) ::_exit(127);
        const int in = ::open("/dev/null", O_RDONLY);
        const int out = ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (in < 0 || out < 0 || err < 0) ::_exit(127);
        ::dup2(in, 0);
        ::dup2(out, 1);
        ::dup2(err, 2);
        clearProxySettings();
        ::setenv("SDL_AUDIODRIVER", "dummy", 1);
        ::execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::setpgid(pid, pid);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(limitSeconds);
    int status = 0;
    for (;;) {
        const pid_t done = ::waitpid(pid, &status, WNOHANG);
        if (done == pid) break;
        if (done < 0 && errno != EINTR) return r;
        if (std::chrono::steady_clock::now() >= deadline) {
            ::kill(-pid, SIGKILL);
            ::waitpid(pid, &status, 0);
            r.timedOut = true;
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    // Whatever the command left running in its group goes too.
    ::kill(-pid, SIGKILL);
    r.code = !r.timedOut && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    r.out = readFile(outPath);
    r.err = readFile(errPath);
    if (r.timedOut) r.err += "\n[killed after " + std::to_string(limitSeconds) + " s]\n";
    return r;
}

bool onPath(const std::string& program) {
    const char* path = std::getenv("PATH");
    std::stringstream ss(path ? path : "");
    std::string dir;
    while (std::getline(ss, dir, ':'))
        if (!dir.empty() && ::access((dir + "/" + program).c_str(), X_OK) == 0) return true;
    return false;
}

std::string xvfbMissing() {
    if (!onPath("xvfb-run")) return "xvfb-run is not installed (Debian package xvfb)";
    if (!onPath("xauth")) return "xauth is not installed (Debian package xauth); xvfb-run needs it";
    return "";
}

} // namespace support
