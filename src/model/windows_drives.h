#pragma once
// The machine's drives and earlier installations, as Windows reports them.

#include "model/drive_queries.h"

#include <string>

class WindowsDriveQueries : public IDriveQueries {
public:
    std::vector<std::wstring> logicalDrives() override;
    DriveKind driveKind(const std::wstring& root) override;
    HotplugAnswer hotplug(const std::wstring& drive) override;
    std::optional<uint64_t> freeBytes(const std::wstring& root) override;
    std::optional<std::wstring> fileSystem(const std::wstring& root) override;
    bool trimEnabled(const std::wstring& drive) override;
};

// The process's instance; stateless, any thread.
[[nodiscard]] IDriveQueries& windowsDrives();

// "InstallDir" under HKEY_CURRENT_USER\<key> (created when missing, as the emulator's installer
// expects the key to exist); empty when the key cannot be opened or the value is missing.
[[nodiscard]] std::wstring readInstallDir(const std::wstring& key);
