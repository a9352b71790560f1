#pragma once
// What the emulator's stand-in programs share: where they live, their optional control file, and
// the record file every run appends one JSON line to. Test tooling, never shipped.
#include <windows.h>

#include <rapidjson/document.h>

#include <cstdint>
#include <initializer_list>
#include <string>

namespace standin {

// Exit code of a run refused because its control file is unusable: a test that wrote a wrong
// control file must not mistake the run for one of the behaviours it asked for.
inline constexpr int kControlErrorExitCode = 99;

// Every stand-in appends to this file beside itself unless its control file names another.
inline constexpr wchar_t kRecordFileName[] = L"standin-record.jsonl";

// The running program's own path and its folder (the folder with a trailing backslash).
std::wstring modulePath();
std::wstring moduleDir();

std::string toUtf8(const std::wstring& text);
std::wstring fromUtf8(const std::string& text);

// folder + "\" + name, without doubling a separator the folder already ends with.
std::wstring joinPath(const std::wstring& folder, const std::wstring& name);

// Creates the folder and every missing parent.
[[nodiscard]] bool makeDirs(const std::wstring& folder);

[[nodiscard]] bool writeWholeFile(const std::wstring& path, const void* data, size_t size);

// Size in bytes, or -1 when there is no such file.
int64_t fileSize(const std::wstring& path);

// The command line after the program's own token (quoted or not) and the blanks that follow it.
std::wstring argumentsAfterProgram(const wchar_t* commandLine);

// An optional JSON object of settings. A missing file means "all defaults"; a file that is not a
// JSON object, a member of the wrong kind or an unknown member makes the control unusable, and
// error() says why.
class Control {
public:
    Control(const std::wstring& path, std::initializer_list<const char*> knownMembers);

    const std::wstring& path() const { return m_path; }
    bool present() const { return m_present; }
    const std::string& error() const { return m_error; }

    int integer(const char* name, int fallback);
    std::wstring text(const char* name, const std::wstring& fallback);
    bool has(const char* name) const;

private:
    const rapidjson::Value* member(const char* name) const;
    void fail(const std::string& why);

    std::wstring m_path;
    bool m_present = false;
    std::string m_error;
    rapidjson::Document m_document;
};

// One line of the record file: a JSON object that starts with the program's role, the time, its
// process id, its image path and its full command line.
class Record {
public:
    explicit Record(const char* program);

    rapidjson::Document::AllocatorType& allocator() { return m_document.GetAllocator(); }
    void setText(const char* name, const std::wstring& value);
    void setText(const char* name, const char* value);
    void setNumber(const char* name, int64_t value);
    void setFlag(const char* name, bool value);
    void setValue(const char* name, rapidjson::Value& value);  // moved from

    // Appends the line to the file (created when missing). Holds the file exclusively while
    // writing, so stand-ins running at the same time never interleave their lines.
    [[nodiscard]] bool appendTo(const std::wstring& path) const;

private:
    rapidjson::Value key(const char* name);

    rapidjson::Document m_document;
};

rapidjson::Value jsonText(const std::wstring& value, rapidjson::Document::AllocatorType& allocator);

// The control file's "record" member, else the record file beside the program.
std::wstring recordPath(Control& control);

}  // namespace standin
