#include "standin_support.h"

#include <rapidjson/error/en.h>
#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

#include <cstdio>
#include <vector>

namespace standin {

namespace {

// Control files are a few lines written by a test; anything larger is a mistake.
constexpr DWORD kMaxControlFileBytes = 64 * 1024;
// How long a writer waits for another stand-in that holds the record file.
constexpr DWORD kRecordLockWaitMs = 10000;

std::string isoTimeNow()
{
    SYSTEMTIME now{};
    GetSystemTime(&now);
    char text[40] = {};
    std::snprintf(text, sizeof(text), "%04u-%02u-%02uT%02u:%02u:%02u.%03uZ", now.wYear, now.wMonth, now.wDay,
                  now.wHour, now.wMinute, now.wSecond, now.wMilliseconds);
    return text;
}

bool readSmallFile(const std::wstring& path, std::string& content, DWORD& error)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        error = GetLastError();
        return false;
    }
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file, &size) || size.QuadPart > kMaxControlFileBytes) {
        CloseHandle(file);
        error = ERROR_FILE_TOO_LARGE;
        return false;
    }
    content.assign(static_cast<size_t>(size.QuadPart), '\0');
    DWORD read = 0;
    const BOOL ok =
        content.empty() || ReadFile(file, content.data(), static_cast<DWORD>(content.size()), &read, nullptr);
    CloseHandle(file);
    if (!ok || read != content.size()) {
        error = ok ? ERROR_READ_FAULT : GetLastError();
        return false;
    }
    return true;
}

}  // namespace

std::wstring modulePath()
{
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length < buffer.size()) {
            return std::wstring(buffer.data(), length);
        }
        buffer.resize(buffer.size() * 2);
    }
}

std::wstring moduleDir()
{
    const std::wstring path = modulePath();
    const size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1);
}

std::string toUtf8(const std::wstring& text)
{
    if (text.empty()) {
        return {};
    }
    const int length = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                           nullptr, nullptr);
    std::string result(static_cast<size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), result.data(), length,
                        nullptr, nullptr);
    return result;
}

std::wstring fromUtf8(const std::string& text)
{
    if (text.empty()) {
        return {};
    }
    const int length =
        MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring result(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), result.data(), length);
    return result;
}

std::wstring joinPath(const std::wstring& folder, const std::wstring& name)
{
    if (folder.empty()) {
        return name;
    }
    const wchar_t last = folder.back();
    return (last == L'\\' || last == L'/') ? folder + name : folder + L"\\" + name;
}

bool makeDirs(const std::wstring& folder)
{
    // Every prefix that ends before a separator is a folder to create; "C:" and "\\server\share"
    // prefixes already exist and simply fail with "already exists" or "access denied".
    for (size_t i = 1; i <= folder.size(); ++i) {
        if (i == folder.size() || folder[i] == L'\\' || folder[i] == L'/') {
            const std::wstring prefix = folder.substr(0, i);
            if (!prefix.empty() && prefix.back() != L':') {
                CreateDirectoryW(prefix.c_str(), nullptr);
            }
        }
    }
    const DWORD attributes = GetFileAttributesW(folder.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool writeWholeFile(const std::wstring& path, const void* data, size_t size)
{
    HANDLE file =
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    const char* bytes = static_cast<const char*>(data);
    bool ok = true;
    while (ok && size > 0) {
        const DWORD chunk = size > (1u << 30) ? (1u << 30) : static_cast<DWORD>(size);
        DWORD written = 0;
        ok = WriteFile(file, bytes, chunk, &written, nullptr) && written == chunk;
        bytes += chunk;
        size -= chunk;
    }
    const DWORD error = GetLastError();
    CloseHandle(file);
    SetLastError(error);
    return ok;
}

int64_t fileSize(const std::wstring& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data) ||
        (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        return -1;
    }
    return (static_cast<int64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

std::wstring argumentsAfterProgram(const wchar_t* commandLine)
{
    const wchar_t* p = commandLine;
    if (*p == L'"') {
        ++p;
        while (*p != L'\0' && *p != L'"') {
            ++p;
        }
        if (*p == L'"') {
            ++p;
        }
    } else {
        while (*p != L'\0' && *p != L' ' && *p != L'\t') {
            ++p;
        }
    }
    while (*p == L' ' || *p == L'\t') {
        ++p;
    }
    return p;
}

Control::Control(const std::wstring& path, std::initializer_list<const char*> knownMembers) : m_path(path)
{
    std::string content;
    DWORD error = 0;
    if (!readSmallFile(path, content, error)) {
        if (error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND) {
            m_present = true;
            fail("cannot read the control file (error " + std::to_string(error) + ")");
        }
        return;
    }
    m_present = true;
    m_document.Parse(content.c_str(), content.size());
    if (m_document.HasParseError()) {
        fail(std::string("control file is not JSON: ") +
             rapidjson::GetParseError_En(m_document.GetParseError()) + " at offset " +
             std::to_string(m_document.GetErrorOffset()));
        return;
    }
    if (!m_document.IsObject()) {
        fail("control file is not a JSON object");
        return;
    }
    for (auto it = m_document.MemberBegin(); it != m_document.MemberEnd(); ++it) {
        bool known = false;
        for (const char* name : knownMembers) {
            known = known || std::string(name) == it->name.GetString();
        }
        if (!known) {
            fail(std::string("unknown control member \"") + it->name.GetString() + "\"");
        }
    }
}

const rapidjson::Value* Control::member(const char* name) const
{
    if (!m_document.IsObject()) {
        return nullptr;
    }
    const auto it = m_document.FindMember(name);
    return it == m_document.MemberEnd() ? nullptr : &it->value;
}

bool Control::has(const char* name) const
{
    return member(name) != nullptr;
}

void Control::fail(const std::string& why)
{
    if (m_error.empty()) {
        m_error = why;
    }
}

int Control::integer(const char* name, int fallback)
{
    const rapidjson::Value* value = member(name);
    if (value == nullptr) {
        return fallback;
    }
    if (!value->IsInt()) {
        fail(std::string("control member \"") + name + "\" must be an integer");
        return fallback;
    }
    return value->GetInt();
}

std::wstring Control::text(const char* name, const std::wstring& fallback)
{
    const rapidjson::Value* value = member(name);
    if (value == nullptr) {
        return fallback;
    }
    if (!value->IsString()) {
        fail(std::string("control member \"") + name + "\" must be a string");
        return fallback;
    }
    return fromUtf8(std::string(value->GetString(), value->GetStringLength()));
}

rapidjson::Value jsonText(const std::wstring& value, rapidjson::Document::AllocatorType& allocator)
{
    const std::string utf8 = toUtf8(value);
    return rapidjson::Value(utf8.c_str(), static_cast<rapidjson::SizeType>(utf8.size()), allocator);
}

Record::Record(const char* program)
{
    m_document.SetObject();
    setText("program", program);
    setText("time", isoTimeNow().c_str());
    setNumber("pid", static_cast<int64_t>(GetCurrentProcessId()));
    setText("image", modulePath());
    setText("commandLine", std::wstring(GetCommandLineW()));
}

rapidjson::Value Record::key(const char* name)
{
    return rapidjson::Value(name, allocator());
}

void Record::setText(const char* name, const std::wstring& value)
{
    rapidjson::Value text = jsonText(value, allocator());
    setValue(name, text);
}

void Record::setText(const char* name, const char* value)
{
    rapidjson::Value text(value, allocator());
    setValue(name, text);
}

void Record::setNumber(const char* name, int64_t value)
{
    rapidjson::Value number(value);
    setValue(name, number);
}

void Record::setFlag(const char* name, bool value)
{
    rapidjson::Value flag(value);
    setValue(name, flag);
}

void Record::setValue(const char* name, rapidjson::Value& value)
{
    const auto it = m_document.FindMember(name);
    if (it != m_document.MemberEnd()) {
        it->value = value;
        return;
    }
    m_document.AddMember(key(name), value, allocator());
}

bool Record::appendTo(const std::wstring& path) const
{
    rapidjson::StringBuffer buffer;
    rapidjson::Writer<rapidjson::StringBuffer> writer(buffer);
    m_document.Accept(writer);
    std::string line(buffer.GetString(), buffer.GetSize());
    line += '\n';

    const DWORD start = GetTickCount();
    for (;;) {
        HANDLE file = CreateFileW(path.c_str(), FILE_APPEND_DATA, 0, nullptr, OPEN_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            DWORD written = 0;
            const BOOL ok = WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
            CloseHandle(file);
            return ok && written == line.size();
        }
        if (GetLastError() != ERROR_SHARING_VIOLATION || GetTickCount() - start > kRecordLockWaitMs) {
            return false;
        }
        Sleep(10);
    }
}

std::wstring recordPath(Control& control)
{
    return control.text("record", moduleDir() + kRecordFileName);
}

}  // namespace standin
