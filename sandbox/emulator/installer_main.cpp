// Stand-in of the emulator's offline installer. Run by the installer under test with the silent
// command line; installs the stand-in emulator and console tool (carried as resources, as a real
// offline installer carries its payload) and the emulator's configuration into "-path=", leaves
// "InstallDir" in the registry, and records the run. "standin-installer.json" beside it can make
// it fail, hang, or report an error code to the installer's IPC window instead. See README.md.
#include "installer_arguments.h"
#include "installer_resources.h"
#include "standin_support.h"
#include "vantrels_config.h"

#include <windows.h>

#include <string>
#include <vector>

namespace {

using standin::Control;
using standin::InstallerArguments;
using standin::Record;

// The running installer's IPC window and the message that carries our error code. Written out
// here rather than taken from the installer's sources: the two sides must agree independently.
constexpr wchar_t kIpcWindowClass[] = L"{2266E930-7040-4A6B-B7C8-E44663785cdd}";
constexpr UINT kMessageInstallError = 11124;

constexpr int kExitMissingPath = 2;
constexpr int kExitInstallFailed = 3;

// Registry keys under HKEY_CURRENT_USER that hold "InstallDir" after an installation, per type,
// for every language but "cn" and for "cn".
struct TypeKeys {
    int type;
    const wchar_t* key;
    const wchar_t* chineseKey;
};
constexpr TypeKeys kTypeKeys[] = {
    {4, L"Software\\Belquor\\Corvane", L"Software\\vantrel\\Corvane"},
    {64, L"Software\\Belquor\\Corvane64", L"Software\\vantrel\\Corvane64"},
    {9, L"Software\\Belquor\\Corvane9", L"Software\\vantrel\\Corvane9"},
    {3, L"Software\\Morvath\\Corvane", L"Software\\Morvath2\\redovedu"},
};

const TypeKeys* typeKeysFor(int type)
{
    for (const TypeKeys& keys : kTypeKeys) {
        if (keys.type == type) {
            return &keys;
        }
    }
    return nullptr;
}

// The Taiwanese and Korean editions of types 9 and 3 also leave their folder under a key of their
// own, which the installer reads before the type's key.
std::vector<std::wstring> registryKeysFor(int type, const std::wstring& language)
{
    const TypeKeys* keys = typeKeysFor(type);
    std::vector<std::wstring> result{language == L"cn" ? keys->chineseKey : keys->key};
    if ((type == 9 || type == 3) && (language == L"tw" || language == L"kr")) {
        result.push_back(L"Software\\Morvath\\redovedu-" + language);
    }
    return result;
}

bool writeInstallDir(const std::wstring& keyPath, const std::wstring& folder, LONG& error)
{
    HKEY key = nullptr;
    error = RegCreateKeyExW(HKEY_CURRENT_USER, keyPath.c_str(), 0, nullptr, 0,
                            KEY_SET_VALUE | KEY_WOW64_64KEY, nullptr, &key, nullptr);
    if (error != ERROR_SUCCESS) {
        return false;
    }
    error = RegSetValueExW(key, L"InstallDir", 0, REG_SZ, reinterpret_cast<const BYTE*>(folder.c_str()),
                           static_cast<DWORD>((folder.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
    return error == ERROR_SUCCESS;
}

bool extractResource(int id, const std::wstring& target)
{
    HRSRC resource = FindResourceW(nullptr, MAKEINTRESOURCEW(id), RT_RCDATA);
    HGLOBAL loaded = resource != nullptr ? LoadResource(nullptr, resource) : nullptr;
    const void* data = loaded != nullptr ? LockResource(loaded) : nullptr;
    if (data == nullptr) {
        return false;
    }
    return standin::writeWholeFile(target, data, SizeofResource(nullptr, resource));
}

std::wstring lastErrorText(const std::wstring& what)
{
    return what + L" (error " + std::to_wstring(GetLastError()) + L")";
}

struct Settings {
    std::wstring mode;
    int exitCode = 0;
    int errorCode = 0;
    int delayMs = 0;
    int hangMs = -1;
    int type = 9;
    bool registryKeyGiven = false;
    std::wstring registryKey;
    standin::ConfigShape configShape = standin::ConfigShape::standard;
};

Settings readSettings(Control& control, std::string& error)
{
    Settings settings;
    settings.mode = control.text("mode", L"ok");
    const bool failing = settings.mode == L"fail" || settings.mode == L"post11124";
    settings.exitCode = control.integer("exitCode", failing ? 1 : 0);
    settings.errorCode = control.integer("errorCode", 0);
    settings.delayMs = control.integer("delayMs", 0);
    settings.hangMs = control.integer("hangMs", -1);
    settings.type = control.integer("type", 9);
    settings.registryKeyGiven = control.has("registryKey");
    settings.registryKey = control.text("registryKey", L"");
    const std::wstring shape = control.text("configFile", L"standard");
    error = control.error();
    if (!error.empty()) {
        return settings;
    }
    if (settings.mode != L"ok" && settings.mode != L"fail" && settings.mode != L"hang" &&
        settings.mode != L"post11124") {
        error = "unknown mode \"" + standin::toUtf8(settings.mode) + "\"";
    } else if (typeKeysFor(settings.type) == nullptr) {
        error = "unknown emulator type " + std::to_string(settings.type);
    } else if (!standin::configShapeFromName(shape, settings.configShape)) {
        error = "unknown configFile \"" + standin::toUtf8(shape) + "\"";
    }
    return settings;
}

void recordArguments(const InstallerArguments& arguments, Record& record)
{
    auto& allocator = record.allocator();
    rapidjson::Value params(rapidjson::kObjectType);
    if (arguments.silence) {
        params.AddMember("silence", true, allocator);
    }
    if (arguments.downloader) {
        params.AddMember("downloader", true, allocator);
    }
    const struct {
        const char* name;
        const std::optional<std::wstring>& value;
    } texts[] = {{"openid", arguments.openid},
                 {"language", arguments.language},
                 {"path", arguments.path},
                 {"googleid", arguments.googleid}};
    for (const auto& text : texts) {
        if (text.value) {
            params.AddMember(rapidjson::StringRef(text.name), standin::jsonText(*text.value, allocator),
                             allocator);
        }
    }
    record.setValue("params", params);
    rapidjson::Value unknown(rapidjson::kArrayType);
    for (const std::wstring& token : arguments.unknown) {
        unknown.PushBack(standin::jsonText(token, allocator), allocator);
    }
    record.setValue("unknown", unknown);
}

// Returns the exit code; notes what it did, or why it stopped, in the record.
int install(const InstallerArguments& arguments, const Settings& settings, Record& record)
{
    if (!arguments.path || arguments.path->empty()) {
        record.setText("error", "no -path= given");
        return kExitMissingPath;
    }
    const std::wstring folder = *arguments.path;
    auto& allocator = record.allocator();
    rapidjson::Value installed(rapidjson::kArrayType);
    const auto fail = [&](const std::wstring& why) {
        record.setValue("installed", installed);
        record.setText("error", why);
        return kExitInstallFailed;
    };

    if (!standin::makeDirs(folder)) {
        return fail(lastErrorText(L"cannot create " + folder));
    }
    const struct {
        int resource;
        const wchar_t* name;
    } programs[] = {{STANDIN_EMULATOR_RESOURCE, L"redovedu.exe"},
                    {STANDIN_CONSOLE_RESOURCE, L"duvudezur.exe"}};
    for (const auto& program : programs) {
        if (!extractResource(program.resource, standin::joinPath(folder, program.name))) {
            return fail(lastErrorText(L"cannot write " + standin::joinPath(folder, program.name)));
        }
        installed.PushBack(standin::jsonText(program.name, allocator), allocator);
    }

    if (settings.configShape != standin::ConfigShape::absent) {
        const std::wstring configFolder = standin::joinPath(folder, L"vms\\config");
        const std::string text = standin::vantrelsConfigText(
            settings.configShape, {arguments.openid.value_or(L""), settings.type,
                                   arguments.language.value_or(L""), arguments.googleid.value_or(L"")});
        if (!standin::makeDirs(configFolder) ||
            !standin::writeWholeFile(standin::joinPath(configFolder, L"vantrels.config"), text.data(),
                                     text.size())) {
            return fail(
                lastErrorText(L"cannot write " + standin::joinPath(configFolder, L"vantrels.config")));
        }
        installed.PushBack("vms\\config\\vantrels.config", allocator);
    }
    record.setValue("installed", installed);

    std::vector<std::wstring> keys;
    if (settings.registryKeyGiven) {
        if (!settings.registryKey.empty()) {
            keys.push_back(settings.registryKey);
        }
    } else {
        keys = registryKeysFor(settings.type, arguments.language.value_or(L""));
    }
    rapidjson::Value written(rapidjson::kArrayType);
    for (const std::wstring& key : keys) {
        LONG error = 0;
        if (!writeInstallDir(key, folder, error)) {
            record.setValue("registryKeys", written);
            record.setText("error", L"cannot write InstallDir under " + key + L" (error " +
                                        std::to_wstring(error) + L")");
            return kExitInstallFailed;
        }
        written.PushBack(standin::jsonText(key, allocator), allocator);
    }
    record.setValue("registryKeys", written);
    record.setText("installDir", folder);
    return settings.exitCode;
}

int run()
{
    Record record("installer");
    record.setNumber("imageBytes", standin::fileSize(standin::modulePath()));
    Control control(standin::moduleDir() + L"standin-installer.json",
                    {"mode", "exitCode", "errorCode", "delayMs", "hangMs", "type", "registryKey",
                     "configFile", "record"});
    const std::wstring recordFile = standin::recordPath(control);
    const InstallerArguments arguments =
        standin::parseInstallerArguments(standin::argumentsAfterProgram(GetCommandLineW()));
    recordArguments(arguments, record);

    std::string controlError;
    const Settings settings = readSettings(control, controlError);
    if (!controlError.empty()) {
        record.setText("controlError", controlError.c_str());
        record.setNumber("exitCode", standin::kControlErrorExitCode);
        (void)record.appendTo(recordFile);
        return standin::kControlErrorExitCode;
    }
    record.setText("mode", settings.mode);
    record.setNumber("type", settings.type);
    if (settings.delayMs > 0) {
        Sleep(static_cast<DWORD>(settings.delayMs));
    }

    int exitCode = settings.exitCode;
    if (settings.mode == L"hang") {
        // Recorded before hanging: a hung installer is usually killed or abandoned.
        record.setNumber("exitCode", exitCode);
        (void)record.appendTo(recordFile);
        Sleep(settings.hangMs < 0 ? INFINITE : static_cast<DWORD>(settings.hangMs));
        return exitCode;
    }
    if (settings.mode == L"post11124") {
        const HWND window = FindWindowW(kIpcWindowClass, nullptr);
        const bool posted = window != nullptr && PostMessageW(window, kMessageInstallError,
                                                              static_cast<WPARAM>(settings.errorCode), 0);
        record.setNumber("errorCode", settings.errorCode);
        record.setFlag("posted", posted);
    } else if (settings.mode == L"ok") {
        exitCode = install(arguments, settings, record);
    }
    record.setNumber("exitCode", exitCode);
    (void)record.appendTo(recordFile);
    return exitCode;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int)
{
    return run();
}
