#pragma once
// Running the emulator's stand-ins in scratch folders and reading what they leave behind.
#include <windows.h>

#include <rapidjson/document.h>

#include <optional>
#include <string>
#include <vector>

namespace standintest {

// The built stand-in with this file name ("redovedu.exe", ...).
std::wstring builtStandIn(const wchar_t* name);

std::wstring quoted(const std::wstring& text);

// A fresh folder under the temporary folder, removed with everything in it at the end.
class ScratchFolder {
public:
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    // The folder without a trailing separator.
    const std::wstring& path() const { return m_path; }
    std::wstring operator/(const std::wstring& name) const { return m_path + L"\\" + name; }

private:
    std::wstring m_path;
};

bool fileExists(const std::wstring& path);
bool folderExists(const std::wstring& path);
int64_t fileSize(const std::wstring& path);
std::string readFile(const std::wstring& path);
bool writeFile(const std::wstring& path, const std::string& content);
bool makeFolder(const std::wstring& path);
std::string toUtf8(const std::wstring& text);
std::wstring fromUtf8(const std::string& text);
// The text as a JSON string literal, quotes included.
std::string jsonQuoted(const std::wstring& text);

// A started program; terminated when still running at the end.
class Process {
public:
    explicit Process(const std::wstring& commandLine);
    ~Process();
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;

    bool started() const { return m_process != nullptr; }
    DWORD id() const { return m_id; }
    // Waits for the end; while waiting, dispatches this thread's window messages when asked to.
    bool waitForEnd(DWORD timeoutMs, bool pumpMessages = false);
    bool running() const;
    DWORD exitCode() const;
    void terminate();

private:
    HANDLE m_process = nullptr;
    DWORD m_id = 0;
};

// Runs the command line to its end (at most 60 s); the exit code, or none when it did not start
// or end.
std::optional<DWORD> runToEnd(const std::wstring& commandLine);

// One JSON line of a record file, read through JSON pointers such as "/params/path".
class RecordLine {
public:
    explicit RecordLine(const std::string& line);

    bool valid() const { return !m_document.HasParseError() && m_document.IsObject(); }
    const rapidjson::Value* find(const char* pointer) const;
    bool has(const char* pointer) const { return find(pointer) != nullptr; }
    // Empty (text), -12345 (number) or false (flag) when absent or of another kind.
    std::wstring text(const char* pointer) const;
    int64_t number(const char* pointer) const;
    bool flag(const char* pointer) const;
    // The texts of an array, empty when there is none.
    std::vector<std::wstring> texts(const char* pointer) const;
    // The member names and texts of an object ("true" for true), in order.
    std::vector<std::pair<std::wstring, std::wstring>> pairs(const char* pointer) const;

private:
    rapidjson::Document m_document;
};

std::vector<RecordLine> readRecords(const std::wstring& path);

// Waits until the record file holds at least this many lines.
bool waitForRecords(const std::wstring& path, size_t count, DWORD timeoutMs);

// "InstallDir" under HKEY_CURRENT_USER\key in the 64-bit view; none when the key or value is missing.
std::optional<std::wstring> readInstallDir(const std::wstring& key);
void deleteInstallDir(const std::wstring& key);

// Remembers the "InstallDir" values of these keys and which of their keys and parent keys exist,
// and puts all of it back at the end: the stand-in writes keys that earlier installations (and
// other tests) use.
class RegistryRestorer {
public:
    explicit RegistryRestorer(const std::vector<std::wstring>& keys);
    ~RegistryRestorer();
    RegistryRestorer(const RegistryRestorer&) = delete;
    RegistryRestorer& operator=(const RegistryRestorer&) = delete;

private:
    struct Saved {
        std::wstring key;
        std::optional<std::wstring> installDir;
    };
    std::vector<Saved> m_saved;
    std::vector<std::wstring> m_createdKeys;  // deepest first
};

}  // namespace standintest
