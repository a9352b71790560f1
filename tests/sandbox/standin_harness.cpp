#include "standin_harness.h"

#include <rapidjson/pointer.h>
#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

#include <algorithm>
#include <atomic>
#include <set>

namespace standintest {

namespace {

constexpr DWORD kRunTimeoutMs = 60000;

bool keyExists(const std::wstring& key)
{
    HKEY handle = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, KEY_READ | KEY_WOW64_64KEY, &handle) !=
        ERROR_SUCCESS) {
        return false;
    }
    RegCloseKey(handle);
    return true;
}

void writeInstallDir(const std::wstring& key, const std::wstring& value)
{
    HKEY handle = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE | KEY_WOW64_64KEY,
                        nullptr, &handle, nullptr) == ERROR_SUCCESS) {
        RegSetValueExW(handle, L"InstallDir", 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                       static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
        RegCloseKey(handle);
    }
}

void removeTree(const std::wstring& folder)
{
    WIN32_FIND_DATAW entry{};
    HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &entry);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = entry.cFileName;
            if (name == L"." || name == L"..") {
                continue;
            }
            const std::wstring path = folder + L"\\" + name;
            if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                removeTree(path);
            } else {
                SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileW(path.c_str());
            }
        } while (FindNextFileW(search, &entry));
        FindClose(search);
    }
    RemoveDirectoryW(folder.c_str());
}

}  // namespace

std::wstring builtStandIn(const wchar_t* name)
{
    return std::wstring(CORVANE_STANDIN_DIR) + name;
}

std::wstring quoted(const std::wstring& text)
{
    return L"\"" + text + L"\"";
}

ScratchFolder::ScratchFolder()
{
    static std::atomic<int> counter{0};
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    m_path = std::wstring(temp) + L"corvane-standin-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
             std::to_wstring(++counter);
    removeTree(m_path);
    CreateDirectoryW(m_path.c_str(), nullptr);
}

ScratchFolder::~ScratchFolder()
{
    removeTree(m_path);
}

bool fileExists(const std::wstring& path)
{
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool folderExists(const std::wstring& path)
{
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

int64_t fileSize(const std::wstring& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) {
        return -1;
    }
    return (static_cast<int64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

std::string readFile(const std::wstring& path)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return {};
    }
    std::string content;
    char buffer[64 * 1024];
    DWORD read = 0;
    while (ReadFile(file, buffer, sizeof(buffer), &read, nullptr) && read > 0) {
        content.append(buffer, read);
    }
    CloseHandle(file);
    return content;
}

bool writeFile(const std::wstring& path, const std::string& content)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    DWORD written = 0;
    const BOOL ok = WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
    CloseHandle(file);
    return ok && written == content.size();
}

bool makeFolder(const std::wstring& path)
{
    return CreateDirectoryW(path.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS;
}

std::string toUtf8(const std::wstring& text)
{
    const int length = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                           nullptr, nullptr);
    std::string result(static_cast<size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), result.data(), length,
                        nullptr, nullptr);
    return result;
}

std::wstring fromUtf8(const std::string& text)
{
    const int length =
        MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring result(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), result.data(), length);
    return result;
}

std::string jsonQuoted(const std::wstring& text)
{
    const std::string utf8 = toUtf8(text);
    rapidjson::StringBuffer buffer;
    rapidjson::Writer<rapidjson::StringBuffer> writer(buffer);
    writer.String(utf8.c_str(), static_cast<rapidjson::SizeType>(utf8.size()));
    return std::string(buffer.GetString(), buffer.GetSize());
}

Process::Process(const std::wstring& commandLine)
{
    std::wstring line = commandLine;
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    if (CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) {
        CloseHandle(info.hThread);
        m_process = info.hProcess;
        m_id = info.dwProcessId;
    }
}

Process::~Process()
{
    if (m_process != nullptr) {
        terminate();
        CloseHandle(m_process);
    }
}

bool Process::waitForEnd(DWORD timeoutMs, bool pumpMessages)
{
    if (m_process == nullptr) {
        return false;
    }
    const DWORD start = GetTickCount();
    for (;;) {
        const DWORD elapsed = GetTickCount() - start;
        const DWORD left = elapsed >= timeoutMs ? 0 : timeoutMs - elapsed;
        const DWORD result = pumpMessages ? MsgWaitForMultipleObjects(1, &m_process, FALSE, left, QS_ALLINPUT)
                                          : WaitForSingleObject(m_process, left);
        if (result == WAIT_OBJECT_0) {
            return true;
        }
        if (result != WAIT_OBJECT_0 + 1 || !pumpMessages) {
            return false;
        }
        MSG message{};
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
}

bool Process::running() const
{
    return m_process != nullptr && WaitForSingleObject(m_process, 0) == WAIT_TIMEOUT;
}

DWORD Process::exitCode() const
{
    DWORD code = 0;
    if (m_process == nullptr || !GetExitCodeProcess(m_process, &code)) {
        return 0xFFFFFFFF;
    }
    return code;
}

void Process::terminate()
{
    if (running()) {
        TerminateProcess(m_process, 0xDEAD);
        WaitForSingleObject(m_process, 10000);
    }
}

std::optional<DWORD> runToEnd(const std::wstring& commandLine)
{
    Process process(commandLine);
    if (!process.waitForEnd(kRunTimeoutMs)) {
        return std::nullopt;
    }
    return process.exitCode();
}

RecordLine::RecordLine(const std::string& line)
{
    m_document.Parse(line.c_str(), line.size());
}

const rapidjson::Value* RecordLine::find(const char* pointer) const
{
    if (!valid()) {
        return nullptr;
    }
    return rapidjson::Pointer(pointer).Get(m_document);
}

std::wstring RecordLine::text(const char* pointer) const
{
    const rapidjson::Value* value = find(pointer);
    if (value == nullptr || !value->IsString()) {
        return {};
    }
    return fromUtf8(std::string(value->GetString(), value->GetStringLength()));
}

int64_t RecordLine::number(const char* pointer) const
{
    const rapidjson::Value* value = find(pointer);
    return value != nullptr && value->IsInt64() ? value->GetInt64() : -12345;
}

bool RecordLine::flag(const char* pointer) const
{
    const rapidjson::Value* value = find(pointer);
    return value != nullptr && value->IsBool() && value->GetBool();
}

std::vector<std::wstring> RecordLine::texts(const char* pointer) const
{
    std::vector<std::wstring> result;
    const rapidjson::Value* value = find(pointer);
    if (value == nullptr || !value->IsArray()) {
        return result;
    }
    for (const auto& item : value->GetArray()) {
        result.push_back(item.IsString() ? fromUtf8(std::string(item.GetString(), item.GetStringLength()))
                                         : L"<not a string>");
    }
    return result;
}

std::vector<std::pair<std::wstring, std::wstring>> RecordLine::pairs(const char* pointer) const
{
    std::vector<std::pair<std::wstring, std::wstring>> result;
    const rapidjson::Value* value = find(pointer);
    if (value == nullptr || !value->IsObject()) {
        return result;
    }
    for (const auto& member : value->GetObject()) {
        std::wstring text = L"<other>";
        if (member.value.IsString()) {
            text = fromUtf8(std::string(member.value.GetString(), member.value.GetStringLength()));
        } else if (member.value.IsBool()) {
            text = member.value.GetBool() ? L"true" : L"false";
        } else if (member.value.IsNull()) {
            text = L"null";
        }
        result.emplace_back(fromUtf8(member.name.GetString()), text);
    }
    return result;
}

std::vector<RecordLine> readRecords(const std::wstring& path)
{
    std::vector<RecordLine> lines;
    const std::string content = readFile(path);
    size_t start = 0;
    while (start < content.size()) {
        size_t end = content.find('\n', start);
        if (end == std::string::npos) {
            end = content.size();
        }
        lines.emplace_back(content.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

bool waitForRecords(const std::wstring& path, size_t count, DWORD timeoutMs)
{
    const DWORD start = GetTickCount();
    for (;;) {
        if (readRecords(path).size() >= count) {
            return true;
        }
        if (GetTickCount() - start > timeoutMs) {
            return false;
        }
        Sleep(20);
    }
}

std::optional<std::wstring> readInstallDir(const std::wstring& key)
{
    wchar_t value[2048] = {};
    DWORD size = sizeof(value) - sizeof(wchar_t);
    DWORD type = 0;
    if (RegGetValueW(HKEY_CURRENT_USER, key.c_str(), L"InstallDir", RRF_RT_ANY | RRF_SUBKEY_WOW6464KEY, &type,
                     value, &size) != ERROR_SUCCESS ||
        type != REG_SZ) {
        return std::nullopt;
    }
    return std::wstring(value);
}

void deleteInstallDir(const std::wstring& key)
{
    HKEY handle = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, KEY_SET_VALUE | KEY_WOW64_64KEY, &handle) ==
        ERROR_SUCCESS) {
        RegDeleteValueW(handle, L"InstallDir");
        RegCloseKey(handle);
    }
}

RegistryRestorer::RegistryRestorer(const std::vector<std::wstring>& keys)
{
    std::set<std::wstring> missing;
    for (const std::wstring& key : keys) {
        m_saved.push_back({key, readInstallDir(key)});
        for (size_t slash = key.find(L'\\');; slash = key.find(L'\\', slash + 1)) {
            const std::wstring part = key.substr(0, slash);
            if (!keyExists(part)) {
                missing.insert(part);
            }
            if (slash == std::wstring::npos) {
                break;
            }
        }
    }
    m_createdKeys.assign(missing.begin(), missing.end());
    // A key sorts after its parents; deleting in reverse order removes children first.
    std::reverse(m_createdKeys.begin(), m_createdKeys.end());
}

RegistryRestorer::~RegistryRestorer()
{
    for (const Saved& saved : m_saved) {
        if (saved.installDir) {
            writeInstallDir(saved.key, *saved.installDir);
        } else {
            deleteInstallDir(saved.key);
        }
    }
    for (const std::wstring& key : m_createdKeys) {
        RegDeleteKeyExW(HKEY_CURRENT_USER, key.c_str(), KEY_WOW64_64KEY, 0);
    }
}

}  // namespace standintest
