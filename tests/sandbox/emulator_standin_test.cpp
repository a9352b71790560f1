// The emulator's stand-ins, run as the installer runs them: each test starts the built programs
// under Wine in a scratch folder and judges them by what they leave on disk, in the registry, in
// the installer's IPC window and in their record file.
#include "standin_harness.h"

#include <windows.h>

#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

namespace {

using namespace standintest;
using Pairs = std::vector<std::pair<std::wstring, std::wstring>>;
using Texts = std::vector<std::wstring>;

constexpr wchar_t kScratchKey[] = L"Software\\CorvaneTests\\EmulatorStandIn";
constexpr char kScratchKeyJson[] = "\"Software\\\\CorvaneTests\\\\EmulatorStandIn\"";
constexpr wchar_t kIpcWindowClass[] = L"{2266E930-7040-4A6B-B7C8-E44663785cdd}";
constexpr UINT kMessageInstallError = 11124;
constexpr int64_t kTenMiB = 10 * 1024 * 1024;
constexpr DWORD kControlError = 99;

// Control members that keep the installer away from the keys of real installations.
std::string isolatedControl(const std::string& members)
{
    return std::string("{\"registryKey\": ") + kScratchKeyJson + (members.empty() ? "" : ", " + members) +
           "}";
}

std::wstring replaceAll(std::wstring text, const std::wstring& from, const std::wstring& to)
{
    for (size_t pos = text.find(from); pos != std::wstring::npos; pos = text.find(from, pos + to.size())) {
        text.replace(pos, from.size(), to);
    }
    return text;
}

// The stand-in installer copied into a folder of its own, as a downloaded package would be.
class InstallerPackage {
public:
    explicit InstallerPackage(const std::wstring& folder, const std::wstring& name = L"Corvane.exe")
        : m_folder(folder), m_path(folder + L"\\" + name)
    {
        makeFolder(folder);
        m_copied =
            CopyFileW(builtStandIn(L"standin-offline-installer.exe").c_str(), m_path.c_str(), FALSE) != 0;
    }
    bool copied() const { return m_copied; }
    const std::wstring& path() const { return m_path; }
    std::wstring recordFile() const { return m_folder + L"\\standin-record.jsonl"; }
    bool control(const std::string& json) const
    {
        return writeFile(m_folder + L"\\standin-installer.json", json);
    }
    std::wstring commandLine(const std::wstring& parameters) const
    {
        return quoted(m_path) + L" " + parameters;
    }
    std::wstring silentCommandLine(const std::wstring& folder) const
    {
        return commandLine(L"-silence -downloader -openid=1001 -language=en -path=" + quoted(folder));
    }

private:
    std::wstring m_folder;
    std::wstring m_path;
    bool m_copied = false;
};

bool sameBytes(const std::wstring& a, const std::wstring& b)
{
    const std::string left = readFile(a);
    return !left.empty() && left == readFile(b);
}

TEST(EmulatorStandIn, InstallerInstallsIntoThePathFolderAndRecordsItsCommandLine)
{
    ScratchFolder scratch;
    RegistryRestorer restore({kScratchKey});
    InstallerPackage package(scratch / L"package");
    ASSERT_TRUE(package.copied());
    ASSERT_TRUE(package.control(isolatedControl("")));
    // Spaces, missing parents and the trailing backslash right before the closing quote.
    const std::wstring folder = scratch / L"Install Here\\Corvane9\\";
    const std::wstring commandLine = package.commandLine(
        L"-silence -downloader -openid=1001 -language=en -path=" + quoted(folder) + L" -googleid=g_1");
    ASSERT_EQ(runToEnd(commandLine), 0u);

    EXPECT_GT(fileSize(package.path()), kTenMiB) << "a smaller package is refused as a failed download";
    for (const wchar_t* program : {L"redovedu.exe", L"duvudezur.exe"}) {
        EXPECT_TRUE(sameBytes(folder + program, builtStandIn(program))) << program;
    }
    EXPECT_TRUE(fileExists(folder + L"vms\\config\\vantrels.config"));
    EXPECT_FALSE(folderExists(folder + L"data")) << "the data folder is the installer's to create";
    EXPECT_EQ(readInstallDir(kScratchKey), folder);

    const std::vector<RecordLine> records = readRecords(package.recordFile());
    ASSERT_EQ(records.size(), 1u);
    const RecordLine& record = records[0];
    EXPECT_EQ(record.text("/program"), L"installer");
    EXPECT_EQ(record.text("/commandLine"), commandLine);
    EXPECT_EQ(record.pairs("/params"), (Pairs{{L"silence", L"true"},
                                              {L"downloader", L"true"},
                                              {L"openid", L"1001"},
                                              {L"language", L"en"},
                                              {L"path", folder},
                                              {L"googleid", L"g_1"}}));
    EXPECT_TRUE(record.has("/unknown") && record.texts("/unknown").empty());
    EXPECT_EQ(record.texts("/installed"),
              (Texts{L"redovedu.exe", L"duvudezur.exe", L"vms\\config\\vantrels.config"}));
    EXPECT_EQ(record.texts("/registryKeys"), (Texts{kScratchKey}));
    EXPECT_EQ(record.text("/installDir"), folder);
    EXPECT_EQ(record.number("/imageBytes"), fileSize(package.path()));
    EXPECT_EQ(record.number("/exitCode"), 0);
}

TEST(EmulatorStandIn, ConfigurationHoldsTheOpenidAmongOtherMembersInALayoutOfItsOwn)
{
    ScratchFolder scratch;
    RegistryRestorer restore({kScratchKey});
    InstallerPackage package(scratch / L"package");
    ASSERT_TRUE(package.copied());
    ASSERT_TRUE(package.control(isolatedControl("\"type\": 64")));
    const std::wstring folder = scratch / L"Corvane64\\";
    ASSERT_EQ(runToEnd(package.commandLine(L"-silence -downloader -openid=2040 -language=kr -path=" +
                                           quoted(folder))),
              0u);

    const std::string text = readFile(folder + L"vms\\config\\vantrels.config");
    EXPECT_EQ(text.rfind("{\r\n\t\"channelOpenId\": \"2040\",\r\n", 0), 0u) << text;
    EXPECT_EQ(text.find("    "), std::string::npos) << "a rewrite with four spaces must be told apart";
    for (size_t i = 0; i < text.size(); ++i) {
        ASSERT_FALSE(text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) << "bare line feed at " << i;
    }

    const RecordLine config(text);
    ASSERT_TRUE(config.valid()) << text;
    EXPECT_EQ(config.text("/channelOpenId"), L"2040");
    EXPECT_EQ(config.text("/language"), L"kr");
    EXPECT_EQ(config.text("/googleId"), L"");
    EXPECT_EQ(config.text("/emulatorType"), L"64");
    EXPECT_EQ(config.text("/displayName"), L"Corvane \u2014 Android 9");
    EXPECT_EQ(config.number("/vm/resolution/dpi"), 240);
    EXPECT_EQ(config.texts("/features"), (Texts{L"opengl", L"keymapping", L"multiplayer"}));
    EXPECT_TRUE(config.flag("/autoUpdate"));
    ASSERT_TRUE(config.has("/scale"));
    EXPECT_EQ(config.find("/scale")->GetDouble(), 1.5);
    ASSERT_TRUE(config.has("/lastBackup"));
    EXPECT_TRUE(config.find("/lastBackup")->IsNull());
    EXPECT_EQ(config.find("")->MemberCount(), 11u);
}

TEST(EmulatorStandIn, InstallerLeavesTheConfigurationShapeItIsAskedFor)
{
    struct Row {
        const char* shape;
        bool file;
        const char* root;     // "object", "array" or "invalid"
        const char* channel;  // kind of "channelOpenId" in an object root: "string", "number", "absent"
    };
    const Row rows[] = {
        {"standard", true, "object", "string"},         {"noChannelOpenId", true, "object", "absent"},
        {"channelNotString", true, "object", "number"}, {"notObject", true, "array", ""},
        {"invalidJson", true, "invalid", ""},           {"absent", false, "", ""},
    };
    ScratchFolder scratch;
    RegistryRestorer restore({kScratchKey});
    InstallerPackage package(scratch / L"package");
    ASSERT_TRUE(package.copied());
    int index = 0;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.shape);
        const std::wstring folder = scratch / (L"shape" + std::to_wstring(++index) + L"\\");
        ASSERT_TRUE(package.control(isolatedControl(std::string("\"configFile\": \"") + row.shape + "\"")));
        ASSERT_EQ(runToEnd(package.silentCommandLine(folder)), 0u);
        EXPECT_TRUE(fileExists(folder + L"redovedu.exe"));
        EXPECT_EQ(readInstallDir(kScratchKey), folder);

        const std::wstring path = folder + L"vms\\config\\vantrels.config";
        EXPECT_EQ(fileExists(path), row.file);
        if (!row.file) {
            EXPECT_FALSE(folderExists(folder + L"vms")) << "nothing of the configuration is left";
            continue;
        }
        rapidjson::Document document;
        const std::string text = readFile(path);
        document.Parse(text.c_str(), text.size());
        const std::string root = document.HasParseError() ? "invalid"
                                 : document.IsObject()    ? "object"
                                 : document.IsArray()     ? "array"
                                                          : "other";
        EXPECT_EQ(root, row.root) << text;
        if (root == "object") {
            const auto channel = document.FindMember("channelOpenId");
            const std::string kind = channel == document.MemberEnd() ? "absent"
                                     : channel->value.IsString()     ? "string"
                                     : channel->value.IsNumber()     ? "number"
                                                                     : "other";
            EXPECT_EQ(kind, row.channel);
            EXPECT_TRUE(document.HasMember("configVersion")) << "the other members stay";
        }
    }
}

TEST(EmulatorStandIn, InstallerReadsItsArgumentsAsTheyAreWritten)
{
    struct Row {
        const wchar_t* parameters;
        Pairs params;
        Texts unknown;
    };
    const Row rows[] = {
        {L"-silence -downloader -openid=1001 -path=\"C:\\Corvane Dir\\Corvane9\\\"",
         {{L"silence", L"true"},
          {L"downloader", L"true"},
          {L"openid", L"1001"},
          {L"path", L"C:\\Corvane Dir\\Corvane9\\"}},
         {}},
        // The backslash before the quote ends the folder; the google id after it is still read.
        {L"-silence -downloader -openid=1001 -language=tw -path=\"D:\\x\\\" -googleid=a_b",
         {{L"silence", L"true"},
          {L"downloader", L"true"},
          {L"openid", L"1001"},
          {L"language", L"tw"},
          {L"path", L"D:\\x\\"},
          {L"googleid", L"a_b"}},
         {}},
        {L"-path=D:\\plain\\ -openid=5 -openid=6", {{L"openid", L"6"}, {L"path", L"D:\\plain\\"}}, {}},
        {L"-silence=1 -foo bare \"-path=D:\\q\\\"",
         {{L"path", L"D:\\q\\"}},
         {L"-silence=1", L"-foo", L"bare"}},
    };
    ScratchFolder scratch;
    InstallerPackage package(scratch / L"package");
    ASSERT_TRUE(package.copied());
    ASSERT_TRUE(package.control(isolatedControl("\"mode\": \"fail\"")));
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << toUtf8(row.parameters));
        DeleteFileW(package.recordFile().c_str());
        const std::wstring commandLine = package.commandLine(row.parameters);
        ASSERT_EQ(runToEnd(commandLine), 1u);
        const std::vector<RecordLine> records = readRecords(package.recordFile());
        ASSERT_EQ(records.size(), 1u);
        EXPECT_EQ(records[0].text("/commandLine"), commandLine);
        EXPECT_EQ(records[0].pairs("/params"), row.params);
        EXPECT_EQ(records[0].texts("/unknown"), row.unknown);
    }
}

TEST(EmulatorStandIn, InstallerWritesInstallDirUnderTheKeyOfItsTypeAndEdition)
{
    const std::wstring belquor = L"Software\\Belquor\\";
    const std::wstring vantrel = L"Software\\vantrel\\";
    const Texts allKeys = {belquor + L"Corvane",
                           belquor + L"Corvane64",
                           belquor + L"Corvane9",
                           L"Software\\Morvath\\Corvane",
                           vantrel + L"Corvane",
                           vantrel + L"Corvane64",
                           vantrel + L"Corvane9",
                           L"Software\\Morvath2\\redovedu",
                           L"Software\\Morvath\\redovedu-tw",
                           L"Software\\Morvath\\redovedu-kr",
                           kScratchKey};
    struct Row {
        std::string control;
        const wchar_t* language;  // null: no -language=
        Texts keys;
    };
    const Row rows[] = {
        {"{}", L"en", {belquor + L"Corvane9"}},
        {"{\"type\": 4}", L"en", {belquor + L"Corvane"}},
        {"{\"type\": 64}", L"kr", {belquor + L"Corvane64"}},
        {"{\"type\": 3}", nullptr, {L"Software\\Morvath\\Corvane"}},
        {"{\"type\": 9}", L"cn", {vantrel + L"Corvane9"}},
        {"{\"type\": 4}", L"cn", {vantrel + L"Corvane"}},
        {"{\"type\": 64}", L"cn", {vantrel + L"Corvane64"}},
        {"{\"type\": 3}", L"cn", {L"Software\\Morvath2\\redovedu"}},
        {"{\"type\": 9}", L"tw", {belquor + L"Corvane9", L"Software\\Morvath\\redovedu-tw"}},
        {"{\"type\": 3}", L"kr", {L"Software\\Morvath\\Corvane", L"Software\\Morvath\\redovedu-kr"}},
        {"{\"type\": 4}", L"tw", {belquor + L"Corvane"}},
        {isolatedControl("\"type\": 4"), L"cn", {kScratchKey}},
        {"{\"registryKey\": \"\"}", L"en", {}},
    };
    ScratchFolder scratch;
    RegistryRestorer restore(allKeys);
    InstallerPackage package(scratch / L"package");
    ASSERT_TRUE(package.copied());
    int index = 0;
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << row.control << " " << (row.language ? toUtf8(row.language) : "-"));
        for (const std::wstring& key : allKeys) {
            deleteInstallDir(key);
        }
        DeleteFileW(package.recordFile().c_str());
        ASSERT_TRUE(package.control(row.control));
        const std::wstring folder = scratch / (L"keys" + std::to_wstring(++index) + L"\\");
        const std::wstring language = row.language ? L" -language=" + std::wstring(row.language) : L"";
        ASSERT_EQ(runToEnd(package.commandLine(L"-silence -downloader -openid=1001" + language + L" -path=" +
                                               quoted(folder))),
                  0u);
        for (const std::wstring& key : allKeys) {
            const bool expected = std::find(row.keys.begin(), row.keys.end(), key) != row.keys.end();
            EXPECT_EQ(readInstallDir(key), expected ? std::optional<std::wstring>(folder) : std::nullopt)
                << toUtf8(key);
        }
        const std::vector<RecordLine> records = readRecords(package.recordFile());
        ASSERT_EQ(records.size(), 1u);
        EXPECT_EQ(records[0].texts("/registryKeys"), row.keys);
    }
}

TEST(EmulatorStandIn, InstallerEndsAsItsControlFileSays)
{
    struct Row {
        std::string control;  // members next to the scratch key; a leading "!" writes the rest as it is
        DWORD exitCode;
        bool installs;
        bool controlError;
        DWORD minimumMs;
    };
    const Row rows[] = {
        {"", 0, true, false, 0},
        {"\"mode\": \"ok\", \"exitCode\": 7", 7, true, false, 0},
        {"\"mode\": \"ok\", \"delayMs\": 700", 0, true, false, 700},
        {"\"mode\": \"fail\"", 1, false, false, 0},
        {"\"mode\": \"fail\", \"exitCode\": 5", 5, false, false, 0},
        {"\"mode\": \"hang\", \"hangMs\": 400, \"exitCode\": 4", 4, false, false, 400},
        {"\"mode\": \"crash\"", kControlError, false, true, 0},
        {"\"mode\": \"ok\", \"exitcode\": 0", kControlError, false, true, 0},
        {"\"type\": 5", kControlError, false, true, 0},
        {"\"delayMs\": \"600\"", kControlError, false, true, 0},
        {"\"configFile\": \"empty\"", kControlError, false, true, 0},
        {"!mode: fail", kControlError, false, true, 0},
    };
    ScratchFolder scratch;
    RegistryRestorer restore({kScratchKey});
    InstallerPackage package(scratch / L"package");
    ASSERT_TRUE(package.copied());
    int index = 0;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.control);
        deleteInstallDir(kScratchKey);
        DeleteFileW(package.recordFile().c_str());
        const bool raw = !row.control.empty() && row.control[0] == '!';
        ASSERT_TRUE(package.control(raw ? row.control.substr(1) : isolatedControl(row.control)));
        const std::wstring folder = scratch / (L"end" + std::to_wstring(++index) + L"\\");

        const DWORD start = GetTickCount();
        EXPECT_EQ(runToEnd(package.silentCommandLine(folder)), row.exitCode);
        EXPECT_GE(GetTickCount() - start, row.minimumMs);
        EXPECT_EQ(fileExists(folder + L"redovedu.exe"), row.installs);
        EXPECT_EQ(fileExists(folder + L"vms\\config\\vantrels.config"), row.installs);
        EXPECT_EQ(readInstallDir(kScratchKey).has_value(), row.installs);

        const std::vector<RecordLine> records = readRecords(package.recordFile());
        ASSERT_EQ(records.size(), 1u);
        EXPECT_EQ(records[0].has("/controlError"), row.controlError)
            << toUtf8(records[0].text("/controlError"));
        EXPECT_EQ(records[0].number("/exitCode"), static_cast<int64_t>(row.exitCode));
        EXPECT_EQ(records[0].text("/params/path"), folder) << "arguments are recorded whatever happens next";
    }
}

TEST(EmulatorStandIn, HangingInstallerRecordsItsStartAndRunsUntilKilled)
{
    ScratchFolder scratch;
    InstallerPackage package(scratch / L"package");
    ASSERT_TRUE(package.copied());
    ASSERT_TRUE(package.control(isolatedControl("\"mode\": \"hang\"")));
    const std::wstring folder = scratch / L"hung\\";
    Process installer(package.silentCommandLine(folder));
    ASSERT_TRUE(installer.started());
    ASSERT_TRUE(waitForRecords(package.recordFile(), 1, 30000));
    EXPECT_FALSE(installer.waitForEnd(1500)) << "a hung installer does not end by itself";
    EXPECT_EQ(readRecords(package.recordFile())[0].text("/mode"), L"hang");
    EXPECT_FALSE(folderExists(folder));
    installer.terminate();
    EXPECT_FALSE(installer.running());
}

struct ReceivedMessage {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};
std::vector<ReceivedMessage> g_received;

LRESULT CALLBACK recordingWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message > WM_USER) {
        g_received.push_back({message, wParam, lParam});
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

// The running installer's hidden IPC window, as far as the offline installer can see it.
class IpcWindow {
public:
    IpcWindow()
    {
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = &recordingWindowProc;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.lpszClassName = kIpcWindowClass;
        RegisterClassW(&windowClass);
        m_window = CreateWindowExW(0, kIpcWindowClass, L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                   GetModuleHandleW(nullptr), nullptr);
    }
    ~IpcWindow() { close(); }
    bool open() const { return m_window != nullptr; }
    void close()
    {
        if (m_window != nullptr) {
            DestroyWindow(m_window);
            m_window = nullptr;
        }
    }

private:
    HWND m_window = nullptr;
};

void pumpPending()
{
    MSG message{};
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

TEST(EmulatorStandIn, InstallerPostsItsErrorCodeToTheInstallersWindow)
{
    ScratchFolder scratch;
    InstallerPackage package(scratch / L"package");
    ASSERT_TRUE(package.copied());
    ASSERT_TRUE(package.control(isolatedControl("\"mode\": \"post11124\", \"errorCode\": 5023")));
    const std::wstring folder = scratch / L"posted\\";
    g_received.clear();
    IpcWindow window;
    ASSERT_TRUE(window.open());
    {
        Process installer(package.silentCommandLine(folder));
        ASSERT_TRUE(installer.waitForEnd(60000, true));
        pumpPending();
        EXPECT_EQ(installer.exitCode(), 1u);
    }
    ASSERT_EQ(g_received.size(), 1u);
    EXPECT_EQ(g_received[0].message, kMessageInstallError);
    EXPECT_EQ(g_received[0].wParam, 5023u);
    EXPECT_EQ(g_received[0].lParam, 0);
    EXPECT_FALSE(folderExists(folder));
    std::vector<RecordLine> records = readRecords(package.recordFile());
    ASSERT_EQ(records.size(), 1u);
    EXPECT_TRUE(records[0].flag("/posted"));
    EXPECT_EQ(records[0].number("/errorCode"), 5023);

    // Without the window the installer still fails, and its record says nothing reached anyone.
    window.close();
    EXPECT_EQ(runToEnd(package.silentCommandLine(folder)), 1u);
    pumpPending();
    EXPECT_EQ(g_received.size(), 1u);
    records = readRecords(package.recordFile());
    ASSERT_EQ(records.size(), 2u);
    EXPECT_TRUE(records[1].has("/posted"));
    EXPECT_FALSE(records[1].flag("/posted"));
}

TEST(EmulatorStandIn, EmulatorRecordsItsArgumentTextAndPairs)
{
    const std::wstring storeUrl =
        L"https://h/a.apk;S.package=p.q;S.appname=My Game;S.appicon=https://h/i.png;S.appsize=96";
    struct Row {
        std::wstring afterProgram;
        std::wstring arguments;
        Pairs params;
    };
    const Row rows[] = {
        {L" downloadpackage=com.example.game|package=com.example.game",
         L"downloadpackage=com.example.game|package=com.example.game",
         {{L"downloadpackage", L"com.example.game"}, {L"package", L"com.example.game"}}},
        {L" package=com.example.game", L"package=com.example.game", {{L"package", L"com.example.game"}}},
        // A start through the shell's token puts a space after the program even for no arguments.
        {L" ", L"", {}},
        {L"", L"", {}},
        {L" apk=|show=true|package=p.q|downloadapkurl=" + storeUrl,
         L"apk=|show=true|package=p.q|downloadapkurl=" + storeUrl,
         {{L"apk", L""}, {L"show", L"true"}, {L"package", L"p.q"}, {L"downloadapkurl", storeUrl}}},
        {L" show", L"show", {{L"show", L"null"}}},
    };
    ScratchFolder scratch;
    const std::wstring folder = scratch / L"Emulator Dir";
    ASSERT_TRUE(makeFolder(folder));
    const std::wstring program = folder + L"\\redovedu.exe";
    ASSERT_TRUE(CopyFileW(builtStandIn(L"redovedu.exe").c_str(), program.c_str(), FALSE));
    const std::wstring recordFile = folder + L"\\standin-record.jsonl";
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << "after the program: [" << toUtf8(row.afterProgram) << "]");
        DeleteFileW(recordFile.c_str());
        const std::wstring commandLine = quoted(program) + row.afterProgram;
        ASSERT_EQ(runToEnd(commandLine), 0u);
        const std::vector<RecordLine> records = readRecords(recordFile);
        ASSERT_EQ(records.size(), 1u);
        EXPECT_EQ(records[0].text("/program"), L"emulator");
        EXPECT_EQ(records[0].text("/commandLine"), commandLine);
        EXPECT_EQ(records[0].text("/arguments"), row.arguments);
        EXPECT_EQ(records[0].pairs("/params"), row.params);
    }
}

TEST(EmulatorStandIn, EmulatorAskedToStayRunsUnderItsOwnNameUntilClosed)
{
    ScratchFolder scratch;
    const std::wstring program = scratch / L"redovedu.exe";
    ASSERT_TRUE(CopyFileW(builtStandIn(L"redovedu.exe").c_str(), program.c_str(), FALSE));
    ASSERT_TRUE(writeFile(scratch / L"standin-emulator.json", "{\"stayAliveMs\": 60000}"));
    Process emulator(quoted(program) + L" package=com.example.game");
    ASSERT_TRUE(emulator.started());
    ASSERT_TRUE(waitForRecords(scratch / L"standin-record.jsonl", 1, 30000));
    EXPECT_FALSE(emulator.waitForEnd(500));

    // Running emulators are found by their executable name in a process snapshot.
    std::wstring name;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry)) {
        if (entry.th32ProcessID == emulator.id()) {
            name = entry.szExeFile;
        }
    }
    CloseHandle(snapshot);
    EXPECT_EQ(name, L"redovedu.exe");
    EXPECT_EQ(readRecords(scratch / L"standin-record.jsonl")[0].number("/stayAliveMs"), 60000);
    emulator.terminate();
    EXPECT_FALSE(emulator.running());
}

TEST(EmulatorStandIn, ConsoleToolRecordsItsCommandAndTheFilesItWasGiven)
{
    struct File {
        const wchar_t* option;
        const wchar_t* path;  // placeholder
        bool exists;
        int64_t size;
    };
    struct Row {
        const wchar_t* arguments;  // {apk}, {obb}, {missing} stand for paths in the tool's folder
        std::string control;
        DWORD exitCode;
        const wchar_t* command;
        Pairs options;
        std::vector<File> files;
        bool recordElsewhere;
    };
    const Row rows[] = {
        {L"installapk --index 0 --filename \"{apk}\" --wait --hide",
         "",
         0,
         L"installapk",
         {{L"index", L"0"}, {L"filename", L"{apk}"}, {L"wait", L"true"}, {L"hide", L"true"}},
         {{L"filename", L"{apk}", true, 1234}},
         false},
        {L"installapk --index 0 --filename \"{apk}\" --packagename com.example.game --fileobb \"{obb}\" "
         L"--wait --hide",
         "",
         0,
         L"installapk",
         {{L"index", L"0"},
          {L"filename", L"{apk}"},
          {L"packagename", L"com.example.game"},
          {L"fileobb", L"{obb}"},
          {L"wait", L"true"},
          {L"hide", L"true"}},
         {{L"filename", L"{apk}", true, 1234}, {L"fileobb", L"{obb}", true, 4321}},
         false},
        {L"installapk --index 0 --filename \"{missing}\" --wait --hide",
         "",
         1,
         L"installapk",
         {{L"index", L"0"}, {L"filename", L"{missing}"}, {L"wait", L"true"}, {L"hide", L"true"}},
         {{L"filename", L"{missing}", false, -1}},
         false},
        {L"installapk --index 0 --filename \"{apk}\" --packagename p --fileobb \"{missing}\" --wait --hide",
         "",
         1,
         L"installapk",
         {{L"index", L"0"},
          {L"filename", L"{apk}"},
          {L"packagename", L"p"},
          {L"fileobb", L"{missing}"},
          {L"wait", L"true"},
          {L"hide", L"true"}},
         {{L"filename", L"{apk}", true, 1234}, {L"fileobb", L"{missing}", false, -1}},
         false},
        {L"modify --index 0 --resolution 1280x720",
         "",
         0,
         L"modify",
         {{L"index", L"0"}, {L"resolution", L"1280x720"}},
         {},
         false},
        {L"installapk --index 0 --wait --hide",
         "",
         2,
         L"installapk",
         {{L"index", L"0"}, {L"wait", L"true"}, {L"hide", L"true"}},
         {},
         false},
        {L"uninstall --index 0", "", 2, L"uninstall", {{L"index", L"0"}}, {}, false},
        {L"installapk --filename \"{missing}\"",
         "{\"exitCode\": 0, \"record\": \"{elsewhere}\"}",
         0,
         L"installapk",
         {{L"filename", L"{missing}"}},
         {{L"filename", L"{missing}", false, -1}},
         true},
    };
    ScratchFolder scratch;
    const std::wstring folder = scratch / L"Corvane Dir";
    ASSERT_TRUE(makeFolder(folder));
    const std::wstring program = folder + L"\\duvudezur.exe";
    ASSERT_TRUE(CopyFileW(builtStandIn(L"duvudezur.exe").c_str(), program.c_str(), FALSE));
    const std::wstring apk = folder + L"\\My Game.apk";
    const std::wstring obb = folder + L"\\com.example.game.obb";
    ASSERT_TRUE(writeFile(apk, std::string(1234, 'a')));
    ASSERT_TRUE(writeFile(obb, std::string(4321, 'o')));
    const std::wstring elsewhere = scratch / L"elsewhere.jsonl";
    const auto fill = [&](const std::wstring& text) {
        std::wstring result = replaceAll(text, L"{apk}", apk);
        result = replaceAll(result, L"{obb}", obb);
        result = replaceAll(result, L"{missing}", folder + L"\\Missing Game.apk");
        return replaceAll(result, L"{elsewhere}", replaceAll(elsewhere, L"\\", L"\\\\"));
    };

    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << toUtf8(row.arguments) << " " << row.control);
        const std::wstring recordFile = row.recordElsewhere ? elsewhere : folder + L"\\standin-record.jsonl";
        DeleteFileW(recordFile.c_str());
        DeleteFileW((folder + L"\\standin-console.json").c_str());
        if (!row.control.empty()) {
            ASSERT_TRUE(writeFile(folder + L"\\standin-console.json", toUtf8(fill(fromUtf8(row.control)))));
        }
        const std::wstring commandLine = quoted(program) + L" " + fill(row.arguments);
        EXPECT_EQ(runToEnd(commandLine), row.exitCode);

        const std::vector<RecordLine> records = readRecords(recordFile);
        ASSERT_EQ(records.size(), 1u);
        const RecordLine& record = records[0];
        EXPECT_EQ(record.text("/program"), L"console");
        EXPECT_EQ(record.text("/commandLine"), commandLine);
        EXPECT_EQ(record.text("/command"), row.command);
        Pairs options;
        for (const auto& option : row.options) {
            options.emplace_back(option.first, fill(option.second));
        }
        EXPECT_EQ(record.pairs("/options"), options);
        EXPECT_EQ(record.number("/exitCode"), static_cast<int64_t>(row.exitCode));
        const rapidjson::Value* files = record.find("/files");
        ASSERT_EQ(files != nullptr, !row.files.empty() || std::wstring(row.command) == L"installapk");
        ASSERT_EQ(files == nullptr ? 0u : files->Size(), row.files.size());
        for (size_t i = 0; i < row.files.size(); ++i) {
            const std::string at = "/files/" + std::to_string(i);
            EXPECT_EQ(record.text((at + "/option").c_str()), row.files[i].option);
            EXPECT_EQ(record.text((at + "/path").c_str()), fill(row.files[i].path));
            EXPECT_EQ(record.flag((at + "/exists").c_str()), row.files[i].exists);
            EXPECT_EQ(record.number((at + "/size").c_str()), row.files[i].size);
        }
    }
}

TEST(EmulatorStandIn, InstalledProgramsWorkAndShareTheInstallFoldersRecord)
{
    ScratchFolder scratch;
    RegistryRestorer restore({kScratchKey});
    // As downloaded: the package lies in the folder it installs into.
    const std::wstring folder = scratch / L"Corvane\\Corvane9\\";
    ASSERT_TRUE(makeFolder(scratch / L"Corvane"));
    InstallerPackage package(scratch / L"Corvane\\Corvane9");
    ASSERT_TRUE(package.copied());
    ASSERT_TRUE(package.control(isolatedControl("")));
    ASSERT_EQ(runToEnd(package.silentCommandLine(folder)), 0u);

    EXPECT_EQ(runToEnd(quoted(folder + L"duvudezur.exe") + L" modify --index 0 --resolution 1280x720"), 0u);
    EXPECT_EQ(runToEnd(quoted(folder + L"redovedu.exe") + L" package=com.example.game"), 0u);

    const std::vector<RecordLine> records = readRecords(folder + L"standin-record.jsonl");
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[0].text("/program"), L"installer");
    EXPECT_EQ(records[1].text("/program"), L"console");
    EXPECT_EQ(records[1].text("/options/resolution"), L"1280x720");
    EXPECT_EQ(records[2].text("/program"), L"emulator");
    EXPECT_EQ(records[2].text("/params/package"), L"com.example.game");
}

}  // namespace
