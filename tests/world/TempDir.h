// A fresh temporary folder per test, removed afterwards; small file helpers.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

#include "platform/TextIo.h"

namespace worldtest {

class TempDir {
public:
    TempDir() {
        std::string tmpl = (std::filesystem::temp_directory_path() / "worldfmt.XXXXXX").string();
        if (::mkdtemp(tmpl.data())) path_ = tmpl + "/";
    }
    ~TempDir() {
        std::error_code ec;
        if (!path_.empty()) {
            // Restore write access so a read-only test folder can be removed.
            std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                         std::filesystem::perm_options::add, ec);
            std::filesystem::remove_all(path_, ec);
        }
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    // The folder, ending with '/'.
    const std::string& path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + name; }

private:
    std::string path_;
};

inline void writeText(const std::string& path, const std::string& content) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return;
    std::fwrite(content.data(), 1, content.size(), f);
    std::fclose(f);
}

inline std::string readText(const std::string& path) {
    std::string s;
    textio::readFile(path, s);
    return s;
}

// True when chmod can stop this process from writing (not so for root).
inline bool permissionsEnforced(const std::string& probeFolder) {
    namespace fs = std::filesystem;
    const std::string dir = probeFolder + "probe_ro/";
    fs::create_directories(dir);
    fs::permissions(dir, fs::perms::owner_read | fs::perms::owner_exec);
    const std::string file = dir + "x";
    FILE* f = std::fopen(file.c_str(), "wb");
    const bool enforced = f == nullptr;
    if (f) std::fclose(f);
    fs::permissions(dir, fs::perms::owner_all);
    std::error_code ec;
    fs::remove_all(dir, ec);
    return enforced;
}

} // namespace worldtest
