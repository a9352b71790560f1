#pragma once
// What happens with the app list after a successful installation: the first record decides
// whether the emulator fetches the app itself or the installer downloads and installs every
// record. File names come from server texts, so they are made safe before they touch the disk.

#include "model/app_record.h"

#include <string>

enum class AppHandling {
    emulatorFetches,  // start the emulator with `emulatorArguments` and end
    downloadHere,     // download, install through the console tool, then start the emulator
};

struct AppDecision {
    AppHandling handling = AppHandling::downloadHere;
    std::wstring emulatorArguments;
};

[[nodiscard]] AppDecision decideFirstApp(const AppRecord& first);

// A name usable as one file name inside the install folder: path separators, "..", characters
// Windows forbids in file names and control characters become "_"; trailing dots and spaces
// (which Windows drops) go; a device name ("CON", "NUL", ...) gets a leading "_"; an empty
// result is "app".
[[nodiscard]] std::wstring safeFileName(const std::wstring& name);

// The files of one record in the install folder `folder` (no trailing separator).
struct AppFiles {
    std::wstring package;  // <game name>.apk or .xapk
    std::wstring obb;      // <package name>.obb
    std::wstring icon;     // <package name>.ico
};
[[nodiscard]] AppFiles appFilesFor(const std::wstring& folder, const AppRecord& record);
