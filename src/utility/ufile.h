#pragma once
// File and folder helpers on wide paths. Failures are the result plus, where stated, one log line.

#include "utility/path.h"

#include <cstdint>
#include <string>

namespace utility::ufile {

// Replace an existing destination; copy and delete when moving between volumes.
inline constexpr unsigned kMoveReplaceAnyVolume = 3;

// Creates the folder and every missing parent. An existing folder is success and logs nothing;
// a file of that name is a failure.
[[nodiscard]] bool makeDir(const std::wstring& path);

[[nodiscard]] bool moveFile(const std::wstring& from, const std::wstring& to, unsigned flags);
[[nodiscard]] bool removeFile(const std::wstring& path);

// A file or folder of that name exists.
[[nodiscard]] bool exists(const std::wstring& path);

// Size of an existing file that can be opened for reading; false otherwise. Logs nothing.
[[nodiscard]] bool getFileSize(const std::wstring& path, int64_t& size);

// The running program's folder, with its trailing "\".
[[nodiscard]] std::wstring getModuleDir();

// The user's roaming application-data folder without trailing separator; empty when unknown.
[[nodiscard]] std::wstring getAppDataDir();

}  // namespace utility::ufile
