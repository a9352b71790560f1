#pragma once
// File and folder helpers on wide paths. Failures are the result plus, where stated, one log line.

#include <string>

namespace utility::ufile {

// Creates the folder and every missing parent. An existing folder is success and logs nothing.
[[nodiscard]] bool makeDir(const std::wstring& path);

// A file or folder of that name exists.
[[nodiscard]] bool exists(const std::wstring& path);

// The user's roaming application-data folder without trailing separator; empty when unknown.
[[nodiscard]] std::wstring getAppDataDir();

}  // namespace utility::ufile
