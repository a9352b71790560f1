#include "telemetry/machine_identity.h"

#include "common/log.h"
#include "utility/file.h"
#include "utility/reg_key.h"
#include "utility/text_convert.h"
#include "utility/ufile.h"

#include <windows.h>

#include <cstring>

namespace {

constexpr char kLogName[] = "GoogleAnalytics::calcPCID";
constexpr char kValueName[] = "pcmac";
constexpr wchar_t kIdentifierFile[] = L"\\morvath_vantrel.data";
// A stored identifier this short is a leftover of an older scheme, not an identifier.
constexpr size_t kShortestStoredId = 11;
// The identifier file is read only this far; a file this short holds no identifier.
constexpr uint32_t kIdentifierFileLimit = 128;
constexpr uint32_t kShortestIdentifierFile = 31;

std::string readStoredId(const MachineIdSources& sources)
{
    utility::RegKey key;
    std::string value;
    if (key.RegRegOpen(HKEY_CURRENT_USER, utility::wideToAnsi(sources.registryKey), KEY_READ | KEY_WOW64_64KEY) !=
            ERROR_SUCCESS ||
        key.RegRead(kValueName, value) != ERROR_SUCCESS) {
        return {};
    }
    return value;
}

// The file holds UTF-16 text without a byte order mark; it ends at its first NUL, if any.
bool readIdentifierFile(const MachineIdSources& sources, std::wstring& text)
{
    const std::wstring folder = sources.appDataDir.empty() ? utility::ufile::getAppDataDir() : sources.appDataDir;
    if (folder.empty()) {
        return false;
    }
    utility::ufile::File file;
    if (!file.openRead(folder + kIdentifierFile)) {
        return false;
    }
    char bytes[kIdentifierFileLimit] = {};
    const uint32_t count = file.read(bytes, sizeof(bytes));
    if (count < kShortestIdentifierFile) {
        return false;
    }
    std::wstring wide(count / 2, L'\0');
    std::memcpy(wide.data(), bytes, wide.size() * sizeof(wchar_t));
    text = wide.substr(0, wide.find(L'\0'));
    return true;
}

void saveId(const MachineIdSources& sources, const std::string& id)
{
    HKEY key = nullptr;
    LONG status = RegCreateKeyExW(HKEY_CURRENT_USER, sources.registryKey.c_str(), 0, nullptr, 0,
                                  KEY_QUERY_VALUE | KEY_SET_VALUE | KEY_CREATE_SUB_KEY | KEY_WOW64_64KEY, nullptr,
                                  &key, nullptr);
    if (status == ERROR_SUCCESS) {
        const std::wstring value = utility::ansiToWide(id);
        status = RegSetValueExW(key, L"pcmac", 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                                static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
        RegCloseKey(key);
    }
    if (status != ERROR_SUCCESS) {
        // The registry calls report through their status, not the thread's last error.
        common::writeLog(kLogName, __LINE__, L"save rcmac error %d", static_cast<int>(status));
    }
}

}  // namespace

std::string findMachineId(const MachineIdSources& sources)
{
    const std::string stored = readStoredId(sources);
    if (stored.size() >= kShortestStoredId) {
        common::writeLog(kLogName, __LINE__, L"read pcmac from pc %s", utility::ansiToWide(stored).c_str());
        return stored;
    }

    std::string id;
    std::wstring fileText;
    if (readIdentifierFile(sources, fileText)) {
        common::writeLog(kLogName, __LINE__, L"read from vantrel %s", fileText.c_str());
        id = utility::wideToAnsi(fileText);
    }
    if (id.empty()) {
        id = machineIdFromAdapters(sources.adapters ? sources.adapters() : AdapterAddresses{});
        if (id.empty()) {
            if (const auto guid = newGuidFields()) {
                id = formatGuid(*guid);
            }
        }
        common::writeLog(kLogName, __LINE__, L"create pcmac %s", utility::ansiToWide(id).c_str());
        if (id.empty()) {
            return id;
        }
    }
    saveId(sources, id);
    return id;
}
