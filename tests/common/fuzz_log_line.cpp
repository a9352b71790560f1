// Log lines are built from whatever the program logs, including server answers and paths.
#include "common/log_stream.h"
#include "common/wide_format.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1) {
        return 0;
    }
    const size_t split = data[0] % (size);
    std::string function(reinterpret_cast<const char*>(data + 1), split > 0 ? split - 1 : 0);
    std::wstring message;
    for (size_t i = split + 1; i + 1 < size; i += 2) {
        message.push_back(static_cast<wchar_t>(data[i] | (data[i + 1] << 8)));
    }
    {
        common::LogStream stream(function.c_str(), static_cast<int>(size), common::LogStamp{}, nullptr);
        stream << message;
        const std::string line = stream.line();
        if (!stream.failed() && (line.size() > common::kLogLineCapacity || line.size() < 2)) {
            __builtin_trap();
        }
    }
    (void)common::translateWindowsWideFormat(message);
    return 0;
}
