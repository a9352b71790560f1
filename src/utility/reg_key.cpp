#include "utility/reg_key.h"

#include "common/log.h"
#include "utility/text_convert.h"

namespace utility {

namespace {
constexpr DWORD kValueCapacity = 1024;
}

LONG RegKey::RegRegOpen(HKEY root, const std::string& subKey, REGSAM access)
{
    close();
    const LONG status = RegOpenKeyExA(root, subKey.c_str(), 0, access, &m_hKey);
    if (status != ERROR_SUCCESS) {
        m_hKey = nullptr;
        // The registry functions report through their status, not the thread's last error, so
        // the number here may be 0; the status is what the caller receives.
        common::writeLog("utility::RegKey::RegRegOpen", __LINE__, L"open reg = %s, lastError = %d",
                         ansiToWide(subKey).c_str(), static_cast<int>(GetLastError()));
    }
    return status;
}

LONG RegKey::RegRead(const std::string& valueName, std::string& value)
{
    if (m_hKey == nullptr) {
        common::writeLog("utility::RegKey::RegRead", __LINE__, L"m_hKey is null, query reg = %s",
                         ansiToWide(valueName).c_str());
        return -1;
    }
    char buffer[kValueCapacity] = {};
    DWORD size = sizeof(buffer);
    const LONG status = RegQueryValueExA(m_hKey, valueName.c_str(), nullptr, nullptr,
                                         reinterpret_cast<BYTE*>(buffer), &size);
    if (status != ERROR_SUCCESS) {
        common::writeLog("utility::RegKey::RegRead", __LINE__, L"read reg lastError = %d",
                         static_cast<int>(GetLastError()));
        return status;
    }
    // A value stored without its terminator must not run past what was read.
    size_t length = 0;
    while (length < size && buffer[length] != '\0') {
        ++length;
    }
    value.assign(buffer, length);
    return status;
}

void RegKey::close()
{
    if (m_hKey != nullptr) {
        RegCloseKey(m_hKey);
        m_hKey = nullptr;
    }
}

}  // namespace utility
