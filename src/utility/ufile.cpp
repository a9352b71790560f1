#include "utility/ufile.h"

#include "common/log.h"
#include "utility/scoped_handle.h"

#include <windows.h>
#include <shlobj.h>

namespace utility::ufile {

bool makeDir(const std::wstring& path)
{
    const int result = SHCreateDirectoryExW(nullptr, path.c_str(), nullptr);
    if (result == ERROR_SUCCESS) {
        return true;
    }
    if (result == ERROR_ALREADY_EXISTS || result == ERROR_FILE_EXISTS) {
        // The shell says "exists" also when the name is a file; only a folder is success.
        const DWORD attributes = GetFileAttributesW(path.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
            return true;
        }
    }
    common::writeLog("utility::ufile::makeDir", __LINE__, L"make dir failed! error = %d.", result);
    return false;
}

bool moveFile(const std::wstring& from, const std::wstring& to, unsigned flags)
{
    if (MoveFileExW(from.c_str(), to.c_str(), flags)) {
        return true;
    }
    common::writeLog("utility::ufile::moveFile", __LINE__,
                     L"move file from [ %s ] to [ %s ] flag = %d failed! error = %d.", from.c_str(),
                     to.c_str(), static_cast<int>(flags), static_cast<int>(GetLastError()));
    return false;
}

bool removeFile(const std::wstring& path)
{
    if (DeleteFileW(path.c_str())) {
        return true;
    }
    common::writeLog("utility::ufile::removeFile", __LINE__, L"removeFile file from [ %s ] error = %d.",
                     path.c_str(), static_cast<int>(GetLastError()));
    return false;
}

bool exists(const std::wstring& path)
{
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool getFileSize(const std::wstring& path, int64_t& size)
{
    ScopedFileHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        return false;
    }
    LARGE_INTEGER bytes{};
    if (!GetFileSizeEx(file.get(), &bytes)) {
        return false;
    }
    size = bytes.QuadPart;
    return true;
}

std::wstring getModuleDir()
{
    wchar_t path[MAX_PATH + 1] = {};
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    return getParentDir(std::wstring_view(path, length));
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
