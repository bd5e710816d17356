// The served world's manifest (biosim --prefetch) on any bytes: no crash; every line that is read
// names a relative path without an empty, "." or ".." part, a backslash or a control character.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "makers/Prefetch.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        makers::ManifestEntry entry;
        if (makers::parseManifestLine(text.substr(start, end - start), entry)) {
            const std::string& p = entry.path;
            if (p.empty() || p.front() == '/' || p.back() == '/') std::abort();
            if (p.find("//") != std::string::npos || p.find('\\') != std::string::npos) std::abort();
            if (p == ".." || p.rfind("../", 0) == 0 || p.find("/../") != std::string::npos ||
                (p.size() >= 3 && p.compare(p.size() - 3, 3, "/..") == 0))
                std::abort();
            for (const char c : p)
                if (static_cast<unsigned char>(c) < 32) std::abort();
        }
        start = end + 1;
    }
    return 0;
}
