#include "model/emulator_processes.h"

#include "common/log.h"
#include "model/emulator_files.h"
#include "utility/process.h"
#include "utility/scoped_handle.h"

#include <tlhelp32.h>

#include <map>

namespace {

constexpr DWORD kTaskkillTimeoutMs = 2000;
constexpr size_t kTokenCommandLineLimit = 1023;

std::map<std::wstring, DWORD> runningProcesses()
{
    std::map<std::wstring, DWORD> processes;
    utility::ScopedKernelHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot || snapshot.get() == INVALID_HANDLE_VALUE) {
        (void)snapshot.release();
        return processes;
    }
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Process32FirstW(snapshot.get(), &entry); more; more = Process32NextW(snapshot.get(), &entry)) {
        processes[entry.szExeFile] = entry.th32ProcessID;
    }
    return processes;
}

std::wstring firstModulePath(DWORD processId)
{
    utility::ScopedKernelHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, processId));
    if (!snapshot || snapshot.get() == INVALID_HANDLE_VALUE) {
        (void)snapshot.release();
        return {};
    }
    MODULEENTRY32W module{};
    module.dwSize = sizeof(module);
    return Module32FirstW(snapshot.get(), &module) ? std::wstring(module.szExePath) : std::wstring();
}

}  // namespace

void closeEmulatorProcesses()
{
    const std::map<std::wstring, DWORD> running = runningProcesses();
    for (const wchar_t* name : emulator::kRunningProcesses) {
        if (running.count(name) != 0) {
            (void)utility::process::execute(L"taskkill", emulator::taskkillParameters(name), false,
                                            kTaskkillTimeoutMs);
        }
    }
}

InstallerRun runSilentInstaller(const std::wstring& packageFile, const std::wstring& parameters, DWORD timeoutMs)
{
    std::wstring command = emulator::installerCommand(packageFile, parameters);
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOW;
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, CREATE_NEW_CONSOLE, nullptr, nullptr,
                        &startup, &info)) {
        common::writeLog("runSilentInstaller", __LINE__, L"start installer failed, error = %d",
                         static_cast<int>(GetLastError()));
        return InstallerRun::couldNotStart;
    }
    CloseHandle(info.hThread);
    utility::ScopedKernelHandle process(info.hProcess);
    switch (WaitForSingleObject(process.get(), timeoutMs)) {
    case WAIT_OBJECT_0:
        return InstallerRun::finished;
    case WAIT_TIMEOUT:
        return InstallerRun::timedOut;
    case WAIT_FAILED:
        return InstallerRun::waitFailed;
    default:
        return InstallerRun::other;
    }
}

HANDLE getShellToken()
{
    wchar_t windows[MAX_PATH] = {};
    GetWindowsDirectoryW(windows, MAX_PATH);
    const std::wstring shellPath = std::wstring(windows) + L"\\explorer.exe";

    utility::ScopedKernelHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot || snapshot.get() == INVALID_HANDLE_VALUE) {
        (void)snapshot.release();
        return nullptr;
    }
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Process32FirstW(snapshot.get(), &entry); more; more = Process32NextW(snapshot.get(), &entry)) {
        utility::ScopedKernelHandle process(OpenProcess(PROCESS_ALL_ACCESS, FALSE, entry.th32ProcessID));
        if (!process) {
            continue;
        }
        std::wstring image = firstModulePath(entry.th32ProcessID);
        if (image.empty()) {
            image = entry.szExeFile;
        }
        if (image != shellPath && image != L"explorer.exe") {
            continue;
        }
        HANDLE token = nullptr;
        HANDLE primary = nullptr;
        if (OpenProcessToken(process.get(), TOKEN_DUPLICATE, &token)) {
            if (!DuplicateTokenEx(token, TOKEN_ALL_ACCESS, nullptr, SecurityImpersonation, TokenPrimary, &primary)) {
                primary = nullptr;
            }
            CloseHandle(token);
        }
        return primary;
    }
    return nullptr;
}

int runWithShellToken(const std::wstring& program, const std::wstring& arguments)
{
    std::wstring commandLine = L"\"" + program + L"\" " + arguments;
    if (commandLine.size() > kTokenCommandLineLimit) {
        return -1;
    }
    utility::ScopedKernelHandle token(getShellToken());
    if (!token) {
        return -1;
    }
    using CreateWithToken = BOOL(WINAPI*)(HANDLE, DWORD, LPCWSTR, LPWSTR, DWORD, LPVOID, LPCWSTR,
                                          LPSTARTUPINFOW, LPPROCESS_INFORMATION);
    const HMODULE advapi = GetModuleHandleW(L"advapi32.dll");
    const auto create = advapi != nullptr ? reinterpret_cast<CreateWithToken>(reinterpret_cast<void*>(
                                                GetProcAddress(advapi, "CreateProcessWithTokenW")))
                                          : nullptr;
    if (create == nullptr) {
        return -1;
    }
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    if (!create(token.get(), LOGON_WITH_PROFILE, nullptr, commandLine.data(), 0, nullptr, nullptr, &startup, &info)) {
        return -1;
    }
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    return 0;
}

bool isWindows8OrLater()
{
    using RtlGetVersionFn = LONG(WINAPI*)(OSVERSIONINFOW*);
    OSVERSIONINFOW info{};
    info.dwOSVersionInfoSize = sizeof(info);
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    const auto getVersion = ntdll != nullptr ? reinterpret_cast<RtlGetVersionFn>(
                                                   reinterpret_cast<void*>(GetProcAddress(ntdll, "RtlGetVersion")))
                                             : nullptr;
    if (getVersion == nullptr || getVersion(&info) != 0) {
        return false;
    }
    return info.dwMajorVersion > 6 || (info.dwMajorVersion == 6 && info.dwMinorVersion >= 2);
}
