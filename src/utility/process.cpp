#include "utility/process.h"

#include "common/log.h"
#include "utility/scoped_handle.h"
#include "utility/usystem.h"

#include <shellapi.h>

namespace utility::process {

bool shell(const std::wstring& program, const std::wstring& parameters, bool runas, bool show)
{
    common::writeLog("utility::process::shell", __LINE__,
                     L"shell filename = [%s], param = [%s], runas = %d, show = %d", program.c_str(),
                     parameters.c_str(), runas ? 1 : 0, show ? 1 : 0);
    const wchar_t* verb = runas && usystem::isVistaOrLater() ? L"runas" : L"open";
    const HINSTANCE result = ShellExecuteW(nullptr, verb, program.c_str(), parameters.c_str(),
                                           nullptr, show ? SW_SHOW : SW_HIDE);
    const DWORD error = GetLastError();
    common::writeLog("utility::process::shell", __LINE__, L"shellEx ret . lastError = %d",
                     static_cast<int>(error));
    if (reinterpret_cast<INT_PTR>(result) > 32) {
        return true;
    }
    common::writeLog("utility::process::shell", __LINE__, L"shellEx failed!!! lastError = %d",
                     static_cast<int>(error));
    return false;
}

std::wstring buildCommandLine(const std::wstring& program, const std::wstring& parameters)
{
    std::wstring commandLine = L"\"" + program + L"\"";
    if (!parameters.empty()) {
        commandLine += L" " + parameters;
    }
    return commandLine;
}

HANDLE create(const std::wstring& program, const std::wstring& parameters, bool show, DWORD* processId)
{
    common::writeLog("utility::process::create", __LINE__,
                     L"createProcess filename = [%s], param = [%s], show = %d", program.c_str(),
                     parameters.c_str(), show ? 1 : 0);
    std::wstring commandLine = buildCommandLine(program, parameters);
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = static_cast<WORD>(show ? SW_SHOW : SW_HIDE);
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, CREATE_NEW_CONSOLE,
                        nullptr, nullptr, &startup, &info)) {
        common::writeLog("utility::process::create", __LINE__, L"createProcess failed!!! lastError = %d",
                         static_cast<int>(GetLastError()));
        return nullptr;
    }
    CloseHandle(info.hThread);
    if (processId != nullptr) {
        *processId = info.dwProcessId;
    }
    return info.hProcess;
}

bool execute(const std::wstring& program, const std::wstring& parameters, bool show, DWORD timeoutMs)
{
    ScopedKernelHandle process(create(program, parameters, show));
    if (!process) {
        common::writeLog("utility::process::execute", __LINE__, L"execute failed!!! last error = %d",
                         static_cast<int>(GetLastError()));
        return false;
    }
    if (timeoutMs == 0) {
        return true;
    }
    switch (WaitForSingleObject(process.get(), timeoutMs)) {
    case WAIT_OBJECT_0: {
        DWORD exitCode = static_cast<DWORD>(-1);
        GetExitCodeProcess(process.get(), &exitCode);
        common::writeLog("utility::process::execute", __LINE__, L"execute exitcode = %d lastError = %d",
                         static_cast<int>(exitCode), static_cast<int>(GetLastError()));
        return exitCode == 0;
    }
    case WAIT_TIMEOUT:
        common::writeLog("utility::process::execute", __LINE__, L"execute timeout!!!");
        return false;
    case WAIT_FAILED:
        common::writeLog("utility::process::execute", __LINE__, L"execute failed!!! lastError = %d",
                         static_cast<int>(GetLastError()));
        return false;
    default:
        return false;
    }
}

}  // namespace utility::process
