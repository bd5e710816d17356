// Line splitting and number conversions on any bytes: no crash, and the lines never contain a line
// end.
#include "platform/TextIo.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    std::size_t total = 0;
    for (const std::string& line : textio::splitLines(text)) {
        if (line.find_first_of("\r\n") != std::string::npos) std::abort();
        total += line.size();
        volatile std::int32_t i = textio::toInt(line);
        volatile std::int8_t b = textio::toByte(line);
        volatile float r = textio::toReal(line);
        (void)i;
        (void)b;
        (void)r;
        (void)textio::nativePath(line);
    }
    if (total > size) std::abort();
    return 0;
}
