// Answer heads come from servers; their parsers see whatever a server sends.
#include "net/http_answer.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::wstring text;
    for (size_t i = 0; i + 1 < size; i += 2) {
        text.push_back(static_cast<wchar_t>(data[i] | (data[i + 1] << 8)));
    }
    if (utility::parseContentLength(text) < -1) {
        __builtin_trap();
    }
    utility::ContentRange range;
    if (utility::parseContentRange(text, range) &&
        (range.first < 0 || range.first > range.last || (range.total >= 0 && range.last >= range.total))) {
        __builtin_trap();
    }
    const int64_t start = utility::parseRangeStart(text);
    if (start < -1) {
        __builtin_trap();
    }
    (void)utility::isConsistentRangeAnswer(start, 206, text);
    return 0;
}
