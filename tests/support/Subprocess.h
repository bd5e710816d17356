// Runs a program (a shell command line) the way the end-to-end tests need it: in a given folder,
// with its output captured, without proxy settings, with the dummy audio driver, and under a time
// limit after which the whole process group is killed.
#pragma once

#include <string>

namespace support {

struct RunResult {
    int code = -1;         // exit code; -1 when it ended by a signal or ran out of time
    bool timedOut = false; // killed at the time limit
    std::string out, err;
};

// Runs `/bin/sh -c command` in `folder` (none: the current one). Every end-to-end run has a limit.
RunResult runCommand(const std::string& command, const std::string& folder = "", int limitSeconds = 60);

// Removes proxy settings from this process's environment and exempts 127.0.0.1 and localhost, so
// local HTTP requests go straight to the tests' own servers (also done for every runCommand child).
void clearProxySettings();

// Quotes a word for the shell.
std::string shellQuote(const std::string& word);

// True when an executable of this name is on PATH.
bool onPath(const std::string& program);

// Why a test that needs an X server from xvfb-run cannot run here; "" when it can.
std::string xvfbMissing();

} // namespace support
