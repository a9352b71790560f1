#pragma once

#include <string>

namespace helper::disk {

// Creates (or replaces) "<desktop>\<name>.lnk". Any thread: COM is initialised for the call when
// the thread has not done it. Failures are logged; the caller carries on without a shortcut.
void createShortcut(const std::wstring& name, const std::wstring& iconFile,
                    const std::wstring& workingFolder, const std::wstring& targetFile,
                    const std::wstring& arguments);

}  // namespace helper::disk
