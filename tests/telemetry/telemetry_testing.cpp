#include "telemetry_testing.h"

#include "utility/file.h"

#include <rapidjson/document.h>

#include <regex>

#ifndef CORVANE_STANDIN_DIR
#error "CORVANE_STANDIN_DIR: the fixture server's work folder, in Windows form"
#endif

namespace telemetrytest {

ScratchRegistryKey::ScratchRegistryKey()
{
    static int counter = 0;
    m_path = L"Software\\CorvaneTests\\telemetry-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
             std::to_wstring(++counter) + L"\\";
    RegDeleteTreeW(HKEY_CURRENT_USER, m_path.substr(0, m_path.size() - 1).c_str());
}

ScratchRegistryKey::~ScratchRegistryKey()
{
    RegDeleteTreeW(HKEY_CURRENT_USER, m_path.substr(0, m_path.size() - 1).c_str());
}

bool ScratchRegistryKey::setValue(const wchar_t* name, DWORD type, const std::string& bytes) const
{
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, m_path.c_str(), 0, nullptr, 0, KEY_SET_VALUE | KEY_WOW64_64KEY,
                        nullptr, &key, nullptr) != ERROR_SUCCESS) {
        return false;
    }
    const LONG status = RegSetValueExW(key, name, 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                                       static_cast<DWORD>(bytes.size()));
    RegCloseKey(key);
    return status == ERROR_SUCCESS;
}

bool ScratchRegistryKey::value(const wchar_t* name, DWORD& type, std::string& bytes) const
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, m_path.c_str(), 0, KEY_QUERY_VALUE | KEY_WOW64_64KEY, &key) !=
        ERROR_SUCCESS) {
        return false;
    }
    DWORD size = 0;
    LONG status = RegQueryValueExW(key, name, nullptr, &type, nullptr, &size);
    if (status == ERROR_SUCCESS) {
        bytes.assign(size, '\0');
        status = RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(bytes.data()), &size);
        bytes.resize(size);
    }
    RegCloseKey(key);
    return status == ERROR_SUCCESS;
}

std::string wideBytes(const std::wstring& text)
{
    return std::string(reinterpret_cast<const char*>(text.data()), text.size() * sizeof(wchar_t));
}

std::vector<std::optional<bool>> signatureVerdicts(size_t mark)
{
    // The net tests' reader leaves this member out; the record file is read here for it alone.
    std::vector<std::optional<bool>> verdicts;
    std::string text;
    if (!nettest::readFile(std::wstring(CORVANE_STANDIN_DIR) + L"/requests.jsonl", text)) {
        return verdicts;
    }
    size_t line = 0;
    size_t start = 0;
    for (size_t end = text.find('\n'); end != std::string::npos; start = end + 1, end = text.find('\n', start)) {
        if (line++ < mark) {
            continue;
        }
        rapidjson::Document record;
        record.Parse(text.c_str() + start, end - start);
        if (record.HasParseError() || !record.IsObject() || !record.HasMember("path") ||
            !record["path"].IsString() || std::string(record["path"].GetString()) != kUploadPath) {
            continue;
        }
        const auto found = record.FindMember("signatureValid");
        verdicts.push_back(found != record.MemberEnd() && found->value.IsBool()
                               ? std::optional<bool>(found->value.GetBool())
                               : std::nullopt);
    }
    return verdicts;
}

std::vector<nettest::RecordedRequest> waitForRequests(const nettest::StandIn& server, size_t mark,
                                                      const std::string& path, size_t count, DWORD timeoutMs)
{
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    for (;;) {
        std::vector<nettest::RecordedRequest> found = server.requests(mark, path);
        if (found.size() >= count || GetTickCount64() >= deadline) {
            return found;
        }
        Sleep(50);
    }
}

bool isGuidShaped(const std::string& text)
{
    static const std::regex shape("[0-9A-F]{8}_[0-9A-F]{4}_[0-9a-f]{4}_[0-9A-F]{4}_[0-9A-F]{12}");
    return std::regex_match(text, shape);
}

}  // namespace telemetrytest
