#include "utility/ufile.h"

#include "common/log.h"

#include <windows.h>
#include <shlobj.h>

namespace utility::ufile {

bool makeDir(const std::wstring& path)
{
    const int result = SHCreateDirectoryExW(nullptr, path.c_str(), nullptr);
    if (result == ERROR_SUCCESS || result == ERROR_ALREADY_EXISTS || result == ERROR_FILE_EXISTS) {
        // SHCreateDirectoryEx reports "exists" also when the name is a file; only a folder counts.
        if (result == ERROR_SUCCESS) {
            return true;
        }
        const DWORD attributes = GetFileAttributesW(path.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
            return true;
        }
    }
    common::writeLog("utility::ufile::makeDir", __LINE__, L"make dir failed! error = %d.", result);
    return false;
}

bool exists(const std::wstring& path)
{
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::wstring getAppDataDir()
{
    wchar_t path[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, path))) {
        return {};
    }
    std::wstring result(path);
    while (!result.empty() && (result.back() == L'\\' || result.back() == L'/')) {
        result.pop_back();
    }
    return result;
}

}  // namespace utility::ufile
