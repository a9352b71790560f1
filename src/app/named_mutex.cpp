#include "app/named_mutex.h"

HANDLE createNamedMutex(const std::wstring& name, bool initiallyOwned, bool failIfExists)
{
    HANDLE mutex = CreateMutexW(nullptr, initiallyOwned ? TRUE : FALSE, name.c_str());
    if (mutex != nullptr && failIfExists && GetLastError() == ERROR_ALREADY_EXISTS) {
        CloseHandle(mutex);
        return nullptr;
    }
    return mutex;
}
