#pragma once
// Drives described by a table, for the install-folder decisions.

#include "model/drive_queries.h"

#include <cwctype>
#include <map>
#include <string>
#include <vector>

struct FakeDrive {
    std::wstring root;  // "C:\"
    DriveKind kind = DriveKind::fixed;
    HotplugAnswer hotplug = HotplugAnswer::fixedDevice;
    std::optional<uint64_t> freeBytes;
    std::optional<std::wstring> fileSystem = std::wstring(L"NTFS");
    bool trim = false;
};

class FakeDrives : public IDriveQueries {
public:
    explicit FakeDrives(std::vector<FakeDrive> drives = {}) : m_drives(std::move(drives)) {}

    std::vector<std::wstring> logicalDrives() override
    {
        std::vector<std::wstring> roots;
        for (const FakeDrive& drive : m_drives) {
            roots.push_back(drive.root);
        }
        return roots;
    }
    DriveKind driveKind(const std::wstring& root) override
    {
        const FakeDrive* drive = find(root);
        return drive != nullptr ? drive->kind : DriveKind::noRootDir;
    }
    HotplugAnswer hotplug(const std::wstring& drive) override
    {
        const FakeDrive* found = find(drive);
        return found != nullptr ? found->hotplug : HotplugAnswer::deviceNotOpened;
    }
    std::optional<uint64_t> freeBytes(const std::wstring& root) override
    {
        const FakeDrive* drive = find(root);
        return drive != nullptr ? drive->freeBytes : std::nullopt;
    }
    std::optional<std::wstring> fileSystem(const std::wstring& root) override
    {
        const FakeDrive* drive = find(root);
        return drive != nullptr ? drive->fileSystem : std::nullopt;
    }
    bool trimEnabled(const std::wstring& drive) override
    {
        const FakeDrive* found = find(drive);
        return found != nullptr && found->trim;
    }

private:
    // Matches by drive letter, case-insensitively, as Windows does ("c:\" is "C:\").
    const FakeDrive* find(const std::wstring& path) const
    {
        if (path.size() < 2 || path[1] != L':') {
            return nullptr;
        }
        for (const FakeDrive& drive : m_drives) {
            if (std::towupper(drive.root[0]) == std::towupper(path[0])) {
                return &drive;
            }
        }
        return nullptr;
    }

    std::vector<FakeDrive> m_drives;
};

inline constexpr uint64_t kGiB = 1024ull * 1024 * 1024;
