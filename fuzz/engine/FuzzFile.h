// A scratch folder made once per fuzzing process; every input is written to a file in it and read
// back by the real reader, as the programs read their files.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace fuzzfile {

// A fresh folder under the system's temporary folder, removed again when the process ends normally.
class Folder {
public:
    explicit Folder(const char* tag) {
        std::string pattern =
            (std::filesystem::temp_directory_path() / (std::string(tag) + "XXXXXX")).string();
        if (!mkdtemp(pattern.data())) std::abort();
        path_ = pattern + "/";
    }
    ~Folder() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    Folder(const Folder&) = delete;
    Folder& operator=(const Folder&) = delete;
    // The folder, ending with '/'.
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

// Replaces the content of `path` with the input.
inline void write(const std::string& path, const std::uint8_t* data, std::size_t size) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) std::abort();
    if (size != 0 && std::fwrite(data, 1, size, f) != size) std::abort();
    if (std::fclose(f) != 0) std::abort();
}

} // namespace fuzzfile
