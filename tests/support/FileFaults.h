// Ways to make a file write fail that hold for every user, root included (root ignores file
// permissions, so a read-only folder proves nothing in CI): a file size limit, which makes write()
// fail with EFBIG part way as a full disk would; a regular file where a folder is expected; a folder
// where the file is expected. Hard links show whether a writer replaced a file or wrote into it.
#pragma once

#include <csignal>
#include <cstdint>
#include <string>
#include <sys/resource.h>
#include <vector>

namespace support {

// While alive, files of this process cannot grow beyond `bytes` (SIGXFSZ is ignored, so the write
// just fails). Restores the previous limit.
class FileSizeLimit {
public:
    explicit FileSizeLimit(std::uint64_t bytes);
    ~FileSizeLimit();
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit old_{};
    struct sigaction oldAction_ {};
};

// Makes a hard link `link` to `path`: after a writer replaced `path`, the link still shows the old
// content; after a writer that wrote in place, it shows the new one.
bool hardLink(const std::string& path, const std::string& link);

// The names in a folder, sorted (to see that a failed write left no temporary file behind).
std::vector<std::string> folderEntries(const std::string& folder);

} // namespace support
