// Stand-in of the emulator's console tool "duvudezur.exe": records the command, its options and,
// for "installapk", whether the files it was asked to install exist and how large they are; then
// ends with the code a console tool would give. "standin-console.json" beside it can delay the
// end or force the exit code. See README.md.
#include "standin_support.h"

#include <windows.h>

#include <shellapi.h>

#include <string>
#include <vector>

namespace {

constexpr int kExitMissingFile = 1;
constexpr int kExitUsage = 2;

// Options of the form "--name value" or a bare "--flag", in the order given.
struct Option {
    std::wstring name;
    bool hasValue = false;
    std::wstring value;
};

std::vector<std::wstring> commandLineWords()
{
    int count = 0;
    wchar_t** words = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::wstring> result;
    for (int i = 0; words != nullptr && i < count; ++i) {
        result.emplace_back(words[i]);
    }
    LocalFree(words);
    return result;
}

std::vector<Option> readOptions(const std::vector<std::wstring>& words, size_t first)
{
    std::vector<Option> options;
    for (size_t i = first; i < words.size(); ++i) {
        Option option;
        if (words[i].rfind(L"--", 0) == 0) {
            option.name = words[i].substr(2);
            if (i + 1 < words.size() && words[i + 1].rfind(L"--", 0) != 0) {
                option.hasValue = true;
                option.value = words[++i];
            }
        } else {
            // A stray word is kept under an empty name, so the record shows it.
            option.hasValue = true;
            option.value = words[i];
        }
        options.push_back(option);
    }
    return options;
}

const Option* findOption(const std::vector<Option>& options, const wchar_t* name)
{
    const Option* found = nullptr;
    for (const Option& option : options) {
        if (option.name == name) {
            found = &option;
        }
    }
    return found;
}

int run()
{
    standin::Record record("console");
    standin::Control control(standin::moduleDir() + L"standin-console.json",
                             {"exitCode", "delayMs", "record"});
    const std::wstring recordFile = standin::recordPath(control);
    auto& allocator = record.allocator();

    const std::vector<std::wstring> words = commandLineWords();
    rapidjson::Value argv(rapidjson::kArrayType);
    for (const std::wstring& word : words) {
        argv.PushBack(standin::jsonText(word, allocator), allocator);
    }
    record.setValue("argv", argv);
    const std::wstring command = words.size() > 1 ? words[1] : std::wstring();
    record.setText("command", command);
    const std::vector<Option> options = readOptions(words, 2);
    rapidjson::Value recorded(rapidjson::kObjectType);
    for (const Option& option : options) {
        rapidjson::Value value =
            option.hasValue ? standin::jsonText(option.value, allocator) : rapidjson::Value(true);
        recorded.AddMember(standin::jsonText(option.name, allocator), value, allocator);
    }
    record.setValue("options", recorded);

    int exitCode = 0;
    if (command == L"installapk") {
        rapidjson::Value files(rapidjson::kArrayType);
        const Option* apk = findOption(options, L"filename");
        exitCode = apk == nullptr || !apk->hasValue ? kExitUsage : 0;
        for (const wchar_t* name : {L"filename", L"fileobb"}) {
            const Option* option = findOption(options, name);
            if (option == nullptr || !option->hasValue) {
                continue;
            }
            const int64_t size = standin::fileSize(option->value);
            rapidjson::Value file(rapidjson::kObjectType);
            file.AddMember("option", standin::jsonText(name, allocator), allocator);
            file.AddMember("path", standin::jsonText(option->value, allocator), allocator);
            file.AddMember("exists", size >= 0, allocator);
            file.AddMember("size", size, allocator);
            files.PushBack(file, allocator);
            if (size < 0 && exitCode == 0) {
                exitCode = kExitMissingFile;
            }
        }
        record.setValue("files", files);
    } else if (command != L"modify") {
        exitCode = kExitUsage;
    }

    exitCode = control.integer("exitCode", exitCode);
    const int delayMs = control.integer("delayMs", 0);
    if (!control.error().empty()) {
        record.setText("controlError", control.error().c_str());
        exitCode = standin::kControlErrorExitCode;
    }
    record.setNumber("exitCode", exitCode);
    // Recorded before the delay: a caller that gives up waiting has still made the call.
    (void)record.appendTo(recordFile);
    if (delayMs > 0 && exitCode != standin::kControlErrorExitCode) {
        Sleep(static_cast<DWORD>(delayMs));
    }
    return exitCode;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int)
{
    return run();
}
