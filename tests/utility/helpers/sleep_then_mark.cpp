// Test helper: sleeps the given milliseconds, then creates the given marker file, which shows
// that it was left running for that long.
#include <windows.h>

#include <cstdlib>

int wmain(int argc, wchar_t** argv)
{
    if (argc < 2) {
        return 2;
    }
    Sleep(static_cast<DWORD>(_wtoi(argv[1])));
    if (argc > 2) {
        HANDLE file = CreateFileW(argv[2], GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            CloseHandle(file);
        }
    }
    return 0;
}
