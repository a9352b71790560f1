#pragma once
// What the install-folder choice asks of the machine's drives. The Windows implementation asks the
// system; tests hand in fake drives, so scoring and advice are checked without real disks.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

enum class DriveKind { unknown, noRootDir, removable, fixed, remote, cdrom, ramdisk };

enum class HotplugAnswer {
    deviceNotOpened,     // the volume could not be opened: the drive stays in
    queryFailed,         // opened, but the system would not say: the drive stays in
    removableOrHotplug,  // left out
    fixedDevice,
};

class IDriveQueries {
public:
    virtual ~IDriveQueries() = default;
    // Roots such as "C:\", in the system's order.
    [[nodiscard]] virtual std::vector<std::wstring> logicalDrives() = 0;
    [[nodiscard]] virtual DriveKind driveKind(const std::wstring& root) = 0;
    // `drive` such as "C:".
    [[nodiscard]] virtual HotplugAnswer hotplug(const std::wstring& drive) = 0;
    // Bytes available to the user on the drive of `root` (its first three characters).
    [[nodiscard]] virtual std::optional<uint64_t> freeBytes(const std::wstring& root) = 0;
    // The volume's file-system name ("NTFS", "FAT32", "exFAT", ...); nothing when unreadable.
    [[nodiscard]] virtual std::optional<std::wstring> fileSystem(const std::wstring& root) = 0;
    // TRIM enabled on the device of `drive` ("C:"); false when it cannot be opened or asked.
    [[nodiscard]] virtual bool trimEnabled(const std::wstring& drive) = 0;
};
