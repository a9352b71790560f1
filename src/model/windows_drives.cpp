#include "model/windows_drives.h"

#include "utility/scoped_handle.h"

#include <windows.h>
#include <winioctl.h>

namespace {

constexpr DWORD kInstallDirCapacity = 2048;  // bytes

utility::ScopedFileHandle openVolume(const std::wstring& drive)
{
    const std::wstring device = L"\\\\.\\" + drive;
    return utility::ScopedFileHandle(CreateFileW(device.c_str(), GENERIC_READ | GENERIC_WRITE,
                                                 FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                                 OPEN_EXISTING, 0, nullptr));
}

}  // namespace

std::vector<std::wstring> WindowsDriveQueries::logicalDrives()
{
    wchar_t buffer[512] = {};
    const DWORD length = GetLogicalDriveStringsW(static_cast<DWORD>(std::size(buffer) - 1), buffer);
    std::vector<std::wstring> roots;
    if (length == 0 || length >= std::size(buffer)) {
        return roots;
    }
    for (const wchar_t* root = buffer; *root != L'\0'; root += wcslen(root) + 1) {
        roots.emplace_back(root);
    }
    return roots;
}

DriveKind WindowsDriveQueries::driveKind(const std::wstring& root)
{
    switch (GetDriveTypeW(root.c_str())) {
    case DRIVE_NO_ROOT_DIR:
        return DriveKind::noRootDir;
    case DRIVE_REMOVABLE:
        return DriveKind::removable;
    case DRIVE_FIXED:
        return DriveKind::fixed;
    case DRIVE_REMOTE:
        return DriveKind::remote;
    case DRIVE_CDROM:
        return DriveKind::cdrom;
    case DRIVE_RAMDISK:
        return DriveKind::ramdisk;
    default:
        return DriveKind::unknown;
    }
}

HotplugAnswer WindowsDriveQueries::hotplug(const std::wstring& drive)
{
    utility::ScopedFileHandle volume = openVolume(drive);
    if (!volume) {
        return HotplugAnswer::deviceNotOpened;
    }
    STORAGE_HOTPLUG_INFO info{};
    DWORD returned = 0;
    if (!DeviceIoControl(volume.get(), IOCTL_STORAGE_GET_HOTPLUG_INFO, nullptr, 0, &info, sizeof(info),
                         &returned, nullptr)) {
        return HotplugAnswer::queryFailed;
    }
    return info.MediaRemovable || info.DeviceHotplug ? HotplugAnswer::removableOrHotplug
                                                     : HotplugAnswer::fixedDevice;
}

std::optional<uint64_t> WindowsDriveQueries::freeBytes(const std::wstring& root)
{
    ULARGE_INTEGER available{};
    if (!GetDiskFreeSpaceExW(root.c_str(), &available, nullptr, nullptr)) {
        return std::nullopt;
    }
    return available.QuadPart;
}

std::optional<std::wstring> WindowsDriveQueries::fileSystem(const std::wstring& root)
{
    wchar_t name[MAX_PATH + 1] = {};
    if (!GetVolumeInformationW(root.c_str(), nullptr, 0, nullptr, nullptr, nullptr, name,
                               MAX_PATH + 1)) {
        return std::nullopt;
    }
    return std::wstring(name);
}

bool WindowsDriveQueries::trimEnabled(const std::wstring& drive)
{
    utility::ScopedFileHandle volume = openVolume(drive);
    if (!volume) {
        return false;
    }
    STORAGE_PROPERTY_QUERY query{};
    query.PropertyId = StorageDeviceTrimProperty;
    query.QueryType = PropertyStandardQuery;
    DEVICE_TRIM_DESCRIPTOR trim{};
    DWORD returned = 0;
    if (!DeviceIoControl(volume.get(), IOCTL_STORAGE_QUERY_PROPERTY, &query, sizeof(query), &trim,
                         sizeof(trim), &returned, nullptr)) {
        return false;
    }
    return trim.TrimEnabled != FALSE;
}

IDriveQueries& windowsDrives()
{
    static WindowsDriveQueries drives;
    return drives;
}

std::wstring readInstallDir(const std::wstring& key)
{
    HKEY handle = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr,
                        &handle, nullptr) != ERROR_SUCCESS) {
        return {};
    }
    wchar_t buffer[kInstallDirCapacity / sizeof(wchar_t)] = {};
    DWORD size = sizeof(buffer);
    DWORD type = 0;
    const LONG status = RegQueryValueExW(handle, L"InstallDir", nullptr, &type,
                                         reinterpret_cast<BYTE*>(buffer), &size);
    RegCloseKey(handle);
    if (status != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) {
        return {};
    }
    const size_t characters = size / sizeof(wchar_t);
    size_t length = 0;
    while (length < characters && buffer[length] != L'\0') {
        ++length;
    }
    return std::wstring(buffer, length);
}
