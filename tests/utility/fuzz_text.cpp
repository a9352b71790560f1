// The program's file name, command line and server answers go through these helpers.
#include "utility/path.h"
#include "utility/text.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::wstring text;
    for (size_t i = 0; i + 1 < size; i += 2) {
        text.push_back(static_cast<wchar_t>(data[i] | (data[i + 1] << 8)));
    }
    for (const wchar_t* separator : {L"_", L"|", L"="}) {
        const auto pieces = utility::split(text, separator);
        size_t total = 0;
        for (const auto& piece : pieces) {
            total += piece.size();
        }
        if (total > text.size()) {
            __builtin_trap();
        }
        (void)utility::parseKeyValues(pieces, L"=");
    }
    (void)utility::ufile::getFileName(text, false);
    const std::wstring parent = utility::ufile::getParentDir(text);
    if (parent.size() > text.size()) {
        __builtin_trap();
    }
    (void)utility::isAllDigits(text);
    return 0;
}
