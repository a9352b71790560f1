// The program's own file name and command line, and folders typed by the user or stored in the
// registry by earlier installations, all reach these parsers.
#include "fake_drives.h"
#include "model/install_path.h"
#include "model/launch_parameters.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::wstring text;
    for (size_t i = 0; i + 1 < size; i += 2) {
        text.push_back(static_cast<wchar_t>(data[i] | (data[i + 1] << 8)));
    }
    const LaunchDecision decision = decideLaunch(parseLaunchFileName(text));
    (void)adIdForOpenId(decision.openid, L"Downloader");
    (void)parseLaunchCommandLine(text);

    FakeDrives drives({FakeDrive{L"C:\\", DriveKind::fixed, HotplugAnswer::fixedDevice, 50 * kGiB}});
    const AppliedInstallPath applied = completeInstallPath(drives, text, L"Corvane\\Corvane9\\", L"Corvane9\\");
    if (applied.valid && applied.folder.find(L'"') != std::wstring::npos) {
        __builtin_trap();  // a valid folder is quoted on command lines
    }
    std::wstring normalized = text;
    normalizeInstallPath(normalized);
    (void)isValidInstallPath(drives, normalized);
    return 0;
}
