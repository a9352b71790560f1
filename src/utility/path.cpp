#include "utility/path.h"

namespace utility::ufile {
namespace {

size_t lastSeparator(std::wstring_view path)
{
    const size_t backslash = path.rfind(L'\\');
    return backslash != std::wstring_view::npos ? backslash : path.rfind(L'/');
}

}  // namespace

std::wstring getFileName(std::wstring_view path, bool keepExtension)
{
    const size_t separator = lastSeparator(path);
    if (separator == std::wstring_view::npos) {
        return {};
    }
    std::wstring name(path.substr(separator + 1));
    if (!keepExtension) {
        const size_t dot = name.rfind(L'.');
        if (dot != std::wstring::npos) {
            name.erase(dot);
        }
    }
    return name;
}

std::wstring getParentDir(std::wstring_view path)
{
    if (path.size() <= 1) {
        return {};
    }
    if (path.back() == L'\\' || path.back() == L'/') {
        path.remove_suffix(1);
    }
    const size_t separator = lastSeparator(path);
    if (separator == std::wstring_view::npos) {
        return {};
    }
    return std::wstring(path.substr(0, separator + 1));
}

}  // namespace utility::ufile
