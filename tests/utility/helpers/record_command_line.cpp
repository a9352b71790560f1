// Test helper: writes its own command line, as UTF-16, to the file named by the environment
// variable CORVANE_RECORD_FILE, so a test sees exactly what the starter built.
#include <windows.h>

int wmain()
{
    wchar_t path[MAX_PATH] = {};
    if (GetEnvironmentVariableW(L"CORVANE_RECORD_FILE", path, MAX_PATH) == 0) {
        return 2;
    }
    HANDLE file = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return 3;
    }
    const wchar_t* line = GetCommandLineW();
    DWORD written = 0;
    WriteFile(file, line, static_cast<DWORD>(lstrlenW(line) * sizeof(wchar_t)), &written, nullptr);
    CloseHandle(file);
    return 0;
}
