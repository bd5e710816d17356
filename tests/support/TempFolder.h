// A fresh folder under the system's temporary folder for one test, removed with everything in it
// however the test ends: by its destructor (also after a failed assertion) and, should the process
// end through exit() first, by an exit handler. A forked child never removes its parent's folders.
#pragma once

#include <string>

namespace support {

class TempFolder {
public:
    explicit TempFolder(const std::string& prefix = "bt");
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    // The folder, ending with '/'.
    const std::string& path() const { return path_; }
    // path() + rel.
    std::string file(const std::string& rel) const { return path_ + rel; }
    std::string operator/(const std::string& rel) const { return path_ + rel; }

    // Writes `content` to path() + rel, creating folders on the way; false when it cannot.
    bool write(const std::string& rel, const std::string& content) const;
    void mkdir(const std::string& rel) const;
    bool exists(const std::string& rel) const;
    // The whole file; "" when it cannot be read.
    std::string read(const std::string& rel) const;

private:
    std::string path_;
};

// The same for absolute paths.
bool writeFile(const std::string& path, const std::string& content);
std::string readFile(const std::string& path);

// Removes a folder tree, giving back write access to read-only folders on the way.
void removeTree(const std::string& path);

} // namespace support
