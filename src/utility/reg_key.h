#pragma once
// A registry key opened by ANSI name and read as ANSI text; closed when the object goes.

#include <windows.h>

#include <string>

namespace utility {

class RegKey {
public:
    RegKey() = default;
    ~RegKey() { close(); }

    RegKey(const RegKey&) = delete;
    RegKey& operator=(const RegKey&) = delete;

    // Status code, 0 on success. Failure logs "open reg = %s, lastError = %d".
    [[nodiscard]] LONG RegRegOpen(HKEY root, const std::string& subKey, REGSAM access);
    // Status code, 0 on success; -1 when no key is open. Reads at most 1024 bytes; the text ends at
    // its first NUL.
    [[nodiscard]] LONG RegRead(const std::string& valueName, std::string& value);
    void close();

    [[nodiscard]] bool isOpen() const { return m_hKey != nullptr; }

private:
    HKEY m_hKey = nullptr;
};

}  // namespace utility
