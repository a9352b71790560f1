#pragma once
// Everything the installer passes to the installed emulator and relies on: file and process
// names, the offline installer's command line, the console tool's commands and the start
// arguments. Paths are built by plain concatenation with the install folder (which ends in "\").

#include <array>
#include <optional>
#include <string>

namespace emulator {

inline constexpr wchar_t kProgram[] = L"redovedu.exe";
inline constexpr wchar_t kConsoleTool[] = L"duvudezur.exe";
inline constexpr wchar_t kConfigFile[] = L"\\vms\\config\\vantrels.config";
inline constexpr char kChannelMember[] = "channelOpenId";
inline constexpr wchar_t kDataFolder[] = L"data\\";
inline constexpr wchar_t kIniFile[] = L"data.ini";
inline constexpr wchar_t kIniSection[] = L"setting";
inline constexpr wchar_t kLandscapePicture[] = L"launch_1920.jpg";
inline constexpr wchar_t kPortraitPicture[] = L"launch_1080.jpg";
inline constexpr wchar_t kRunKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
inline constexpr wchar_t kRunValue[] = L"RUDiza";
inline constexpr wchar_t kInstallDirValue[] = L"InstallDir";

// Closed before installing, in this order; matched exactly (case-sensitive).
inline constexpr std::array<const wchar_t*, 4> kRunningProcesses = {
    L"redovedu.exe", L"qzmultiplayer.exe", L"qzmultiplayerex.exe", L"faultrep.exe"};

// The offline installer may run this long before the installation counts as failed.
inline constexpr unsigned kInstallerTimeoutMs = 180000;
inline constexpr unsigned kInstallApkTimeoutMs = 120000;

struct InstallerArguments {
    std::wstring openid;
    std::wstring language;   // short code; omitted when empty
    std::wstring folder;
    std::wstring googleId;   // omitted when empty
};

// "-silence -downloader -openid=… [-language=…] -path="…" [-googleid=…]". Nothing when the
// folder holds a double quote, which would end the quoted path early and let the rest of the
// folder name become further arguments of a program that runs with administrator rights.
[[nodiscard]] std::optional<std::wstring> installerParameters(const InstallerArguments& arguments);

// The full command: the quoted package path, one space, the parameters.
[[nodiscard]] std::wstring installerCommand(const std::wstring& packageFile, const std::wstring& parameters);

// Emulator start arguments.
[[nodiscard]] std::wstring startWithPackage(const std::wstring& package);           // "package=…"
[[nodiscard]] std::wstring startAfterDownload(const std::wstring& package);         // "downloadpackage=…|package=…"

// Console tool commands.
[[nodiscard]] std::wstring setResolutionCommand(const std::wstring& resolution);
[[nodiscard]] std::wstring installApkCommand(const std::wstring& appFile, const std::wstring& package,
                                             const std::wstring& obbFile);

// Parameters of "taskkill" for one process name.
[[nodiscard]] std::wstring taskkillParameters(const std::wstring& processName);

}  // namespace emulator
