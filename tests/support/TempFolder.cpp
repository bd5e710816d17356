#include "TempFolder.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <set>
#include <sstream>
#include <stdexcept>
#include <unistd.h>

namespace support {

namespace fs = std::filesystem;

namespace {

// Folders alive in this process, for the exit handler.
struct Registry {
    std::mutex m;
    std::set<std::string> live;
    pid_t owner = ::getpid();
};

Registry& registry() {
    static Registry* r = [] {
        auto* made = new Registry; // never destroyed: the exit handler may run after static teardown
        std::atexit([] {
            Registry& reg = registry();
            if (::getpid() != reg.owner) return; // a forked child leaves the parent's folders alone
            std::lock_guard<std::mutex> lock(reg.m);
            for (const auto& p : reg.live) removeTree(p);
            reg.live.clear();
        });
        return made;
    }();
    return *r;
}

} // namespace

void removeTree(const std::string& path) {
    std::error_code ec;
    if (path.empty() || !fs::exists(fs::symlink_status(path, ec))) return;
    // A test may leave a folder read-only; give write access back so its entries can go.
    for (auto it = fs::recursive_directory_iterator(path, fs::directory_options::skip_permission_denied, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        if (it->is_directory(ec) && !it->is_symlink(ec))
            fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
    }
    fs::permissions(path, fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(path, ec);
}

TempFolder::TempFolder(const std::string& prefix) {
    std::string tmpl = (fs::temp_directory_path() / (prefix + "_XXXXXX")).string();
    if (::mkdtemp(tmpl.data()) == nullptr) throw std::runtime_error("cannot make a temporary folder");
    path_ = tmpl + "/";
    Registry& reg = registry();
    std::lock_guard<std::mutex> lock(reg.m);
    if (::getpid() == reg.owner) reg.live.insert(path_);
}

TempFolder::~TempFolder() {
    Registry& reg = registry();
    {
        std::lock_guard<std::mutex> lock(reg.m);
        reg.live.erase(path_);
    }
    if (::getpid() == reg.owner) removeTree(path_);
}

bool TempFolder::write(const std::string& rel, const std::string& content) const {
    return writeFile(path_ + rel, content);
}

void TempFolder::mkdir(const std::string& rel) const {
    fs::create_directories(path_ + rel);
}

bool TempFolder::exists(const std::string& rel) const {
    return fs::exists(path_ + rel);
}

std::string TempFolder::read(const std::string& rel) const {
    return readFile(path_ + rel);
}

bool writeFile(const std::string& path, const std::string& content) {
    std::error_code ec;
    const fs::path parent = fs::path(path).parent_path();
    if (!parent.empty()) fs::create_directories(parent, ec);
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    if (!f) return false;
    f << content;
    f.close();
    return static_cast<bool>(f);
}

std::string readFile(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
}

} // namespace support
