// The installation workflow without a window: the real model under Wine, its callbacks recorded
// where the main window would act on them, against the stand-in server and the stand-in emulator.
// What the servers were asked and what the stand-ins were told is read from their records.

#include "model/app_installer.h"
#include "model/app_plan.h"
#include "model/downloader_model.h"

#include "log_capture.h"
#include "window_thread.h"
#include "standin.h"
#include "telemetry/md5.h"
#include "telemetry/qv_reporter.h"
#include "utility/run_detached.h"
#include "utility/text_convert.h"
#include "utility/ufile.h"

#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

#include <rapidjson/document.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

namespace {

using testsupport::pumpUntil;
using testsupport::removeTree;
const auto readText = testsupport::readFileBytes;

const std::wstring kFolder = L"D:\\Corvane\\Corvane9\\";
constexpr wchar_t kTypeKey[] = L"Software\\Belquor\\Corvane9";
constexpr char kPackagePath[] = "/cdn/download/package/Corvane9.0.exe";
constexpr char kSparePath[] = "/res/download/package/Corvane9.0.exe";
constexpr char kVersionPath[] = "/cdn/player_files/en/vantrel";
constexpr char kSpareVersionPath[] = "/res/player_files/en/vantrel";





// The stand-ins' record beside the installed programs: one JSON object per run.
std::vector<std::string> standinRecords(const std::string& program)
{
    std::vector<std::string> lines;
    std::string text = readText(kFolder + L"standin-record.jsonl");
    size_t start = 0;
    while (start < text.size()) {
        const size_t end = text.find('\n', start);
        const std::string line = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
        rapidjson::Document document;
        document.Parse(line.c_str());
        if (!document.HasParseError() && document.IsObject() && document.HasMember("program") &&
            program == document["program"].GetString()) {
            lines.push_back(line);
        }
        if (end == std::string::npos) {
            break;
        }
        start = end + 1;
    }
    return lines;
}

std::string member(const std::string& json, const char* name)
{
    rapidjson::Document document;
    document.Parse(json.c_str());
    if (document.HasParseError() || !document.IsObject() || !document.HasMember(name) || !document[name].IsString()) {
        return {};
    }
    return document[name].GetString();
}

// What the main window would have seen.
struct Recorder {
    std::vector<int> progress;
    std::vector<int> curlProgress;
    int succeeded = 0;
    std::vector<int64_t> failed;
    std::vector<bool> installed;

    DownloaderCallbacks callbacks()
    {
        DownloaderCallbacks c;
        c.onDownloadProgress = [this](int percent, uint32_t, uint32_t) { progress.push_back(percent); };
        c.onCurlProgress = [this](int percent) { curlProgress.push_back(percent); };
        c.onDownloadSucceeded = [this] { ++succeeded; };
        c.onDownloadFailed = [this](int64_t size) { failed.push_back(size); };
        c.onInstallFinished = [this](bool ok) { installed.push_back(ok); };
        return c;
    }
    [[nodiscard]] bool downloadEnded() const { return succeeded > 0 || !failed.empty(); }
};

class Workflow : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        MainThreadDispatcher::create();
        // Uploads every few hundred milliseconds instead of every 20 seconds, so a test sees its
        // events while it runs.
        QVReporter::instance().setUploadIntervalForTesting(300);
        // The test flavour's host table reads the stand-in's ports beside the program.
        CopyFileW((std::wstring(CORVANE_STANDIN_DIR) + L"/ports.json").c_str(),
                  (utility::ufile::getModuleDir() + L"standin-ports.json").c_str(), FALSE);
    }

    void SetUp() override
    {
        std::string error;
        ASSERT_TRUE(server.attach(error)) << error;
        // A stand-in started by the test before may still be ending and hold its folder.
        ASSERT_TRUE(pumpUntil([] {
            removeTree(kFolder);
            return !utility::ufile::exists(kFolder);
        }, std::chrono::seconds(30)));
        RegDeleteTreeW(HKEY_CURRENT_USER, kTypeKey);
        ConfigImp::instance()->reset();
        const std::string installer = CORVANE_STANDIN_INSTALLER;  // the host's path, for the server
        ASSERT_TRUE(server.setFiles("{\"" + std::string(kPackagePath) + "\":{\"file\":\"" + installer + "\"},\"" +
                                    kSparePath + "\":{\"file\":\"" + installer + "\"}}"));
        installerDigest = md5Hex(readText(utility::ansiToWide(CORVANE_STANDIN_INSTALLER_WIN)));
        serveVersionAnswer(installerDigest);
        mark = server.mark();
    }

    void TearDown() override
    {
        DownloaderModel::destroyInstance();
        ConfigImp::instance()->reset();
        (void)server.setFiles("{\"" + std::string(kPackagePath) + "\":null,\"" + kSparePath + "\":null,\"" +
                              kVersionPath + "\":null,\"" + kSpareVersionPath + "\":null}");
        for (const char* path : {kPackagePath, kSparePath, kVersionPath, kSpareVersionPath}) {
            (void)server.setFault(path, "null");
        }
        RegDeleteTreeW(HKEY_CURRENT_USER, kTypeKey);
    }

    void serveVersionAnswer(const std::string& digest)
    {
        const std::string answer = "{\"zaz9\":{\"ver\":\"9.4.2.1120\",\"url\":\"" + server.url(kPackagePath) +
                                   "\",\"url_spare\":\"" + server.url(kSparePath) + "\",\"md5\":\"" + digest + "\"}}";
        ASSERT_TRUE(server.setTextFile(kVersionPath, answer));
        ASSERT_TRUE(server.setTextFile(kSpareVersionPath, answer));
    }

    DownloaderModel* start(const std::wstring& programName, const wchar_t* commandLine = L"")
    {
        DownloaderModel* model = DownloaderModel::instance();
        model->setProgramPath(L"C:\\Users\\me\\Downloads\\" + programName);
        model->setCallbacks(recorder.callbacks());
        model->init(commandLine);
        return model;
    }

    // The install button, once the version worker has read everything it fetches.
    void downloadAfterAnswers(DownloaderModel* model, bool resume = false)
    {
        ASSERT_TRUE(pumpUntil([&] { return model->versionReceived() && !model->customerLink().empty(); },
                              std::chrono::seconds(60)))
            << log.dump();
        model->startDownloadPlayer(resume);
        ASSERT_TRUE(pumpUntil([&] { return recorder.downloadEnded(); }));
    }

    void installAfterDownload(DownloaderModel* model)
    {
        utility::runDetached([model] { model->_threadInsPlayer(); });
        ASSERT_TRUE(pumpUntil([&] { return !recorder.installed.empty(); }, std::chrono::seconds(240)));
    }

    std::vector<nettest::RecordedRequest> packageRequests()
    {
        std::vector<nettest::RecordedRequest> all;
        for (const char* path : {kPackagePath, kSparePath}) {
            for (auto& request : server.requests(mark, path)) {
                all.push_back(request);
            }
        }
        return all;
    }

    // The signed-upload events since the test's start, "key" or "key:failure_reason" or
    // "key:duration" when the event carries one; waits until `expected` are all there in order.
    std::vector<std::string> uploadedEvents(const std::vector<std::string>& expected)
    {
        std::vector<std::string> events;
        auto collect = [&] {
            events.clear();
            for (const auto& request : server.requests(mark, "/collect/collection/biz/upload")) {
                rapidjson::Document document;
                document.Parse(request.body.c_str());
                if (document.HasParseError() || !document.IsArray()) {
                    continue;
                }
                for (const auto& event : document.GetArray()) {
                    std::string text = event["eventKey"].GetString();
                    const auto& properties = event["properties"];
                    if (properties.HasMember("failure_reason")) {
                        text += std::string(":") + properties["failure_reason"].GetString();
                    } else if (properties.HasMember("duration")) {
                        text += ":duration";
                    }
                    events.push_back(text);
                }
            }
            size_t next = 0;
            for (const std::string& event : events) {
                if (next < expected.size() && event == expected[next]) {
                    ++next;
                }
            }
            return next == expected.size();
        };
        pumpUntil(collect, std::chrono::seconds(20));
        return events;
    }

    // The Measurement Protocol bodies since the test's start.
    std::vector<std::string> analyticsBodies()
    {
        std::vector<std::string> bodies;
        for (const auto& request : server.requests(mark, "/ga/mp/collect")) {
            bodies.push_back(request.body);
        }
        return bodies;
    }

    // True when `expected` occur in `events` in this order (other events may come between).
    static bool inOrder(const std::vector<std::string>& events, const std::vector<std::string>& expected)
    {
        size_t next = 0;
        for (const std::string& event : events) {
            if (next < expected.size() && event == expected[next]) {
                ++next;
            }
        }
        return next == expected.size();
    }

    nettest::StandIn server;
    size_t mark = 0;
    std::string installerDigest;
    Recorder recorder;
    testsupport::LogCapture log;
};

TEST_F(Workflow, FromStartToTheRunningEmulator)
{
    DownloaderModel* model = start(L"corvane9_en_com.example.game_10001_x.exe");
    downloadAfterAnswers(model);
    ASSERT_EQ(recorder.succeeded, 1);
    EXPECT_EQ(model->version(), L"9.4.2.1120");
    EXPECT_EQ(model->channelId(), L"3001");
    ASSERT_EQ(packageRequests().size(), 1u) << "the first way, WinINet with the package address, succeeded";
    EXPECT_FALSE(utility::ufile::exists(kFolder + L"\\Corvane.exe.tmp"));

    installAfterDownload(model);
    EXPECT_EQ(recorder.installed, std::vector<bool>{true});

    const std::vector<std::string> installs = standinRecords("installer");
    ASSERT_EQ(installs.size(), 1u);
    EXPECT_EQ(member(installs[0], "commandLine"),
              "\"D:\\Corvane\\Corvane9\\\\Corvane.exe\" -silence -downloader -openid=10001 -language=en "
              "-path=\"D:\\Corvane\\Corvane9\\\"");

    // The channel id replaced the installer's value; everything else kept its value.
    const std::string config = readText(kFolder + L"vms\\config\\vantrels.config");
    EXPECT_NE(config.find("\n    \"channelOpenId\": \"3001\",\n"), std::string::npos) << config;
    EXPECT_NE(config.find("\n    \"configVersion\": 3,\n"), std::string::npos) << config;
    EXPECT_NE(config.find("\"scale\": 1.5"), std::string::npos) << config;
    EXPECT_TRUE(log.contains("DownloaderModel::_threadInsPlayer", L"write openid sucess. first 3001 current:10001"));

    const std::wstring ini = kFolder + L"data\\data.ini";
    auto iniValue = [&](const wchar_t* key) {
        wchar_t value[256] = {};
        GetPrivateProfileStringW(L"setting", key, L"<absent>", value, 256, ini.c_str());
        return std::wstring(value);
    };
    EXPECT_EQ(iniValue(L"adshow"), L"0");
    EXPECT_EQ(iniValue(L"cleanmodel"), L"1");
    EXPECT_EQ(iniValue(L"useroot"), L"0");
    EXPECT_EQ(iniValue(L"runappstore"), L"<absent>");
    EXPECT_EQ(iniValue(L"title"), L"Starfall Tactics on Corvane");
    EXPECT_EQ(iniValue(L"heapsize"), L"512");
    EXPECT_EQ(iniValue(L"qqlink"), L"<absent>");
    EXPECT_EQ(iniValue(L"runapp"), L"com.corvane.starfall");
    EXPECT_TRUE(utility::ufile::exists(kFolder + L"data\\launch_1920.jpg"));
    EXPECT_TRUE(utility::ufile::exists(kFolder + L"data\\launch_1080.jpg"));
    EXPECT_TRUE(utility::ufile::exists(kFolder + L"data\\Starfall Tactics.ico"));
    wchar_t desktop[MAX_PATH] = {};
    SHGetFolderPathW(nullptr, CSIDL_DESKTOPDIRECTORY, nullptr, SHGFP_TYPE_CURRENT, desktop);
    const std::wstring shortcut = std::wstring(desktop) + L"\\Starfall Tactics.lnk";
    EXPECT_TRUE(utility::ufile::exists(shortcut)) << "the openid's shortcut";
    DeleteFileW(shortcut.c_str());

    model->launchPlayer();
    ASSERT_TRUE(pumpUntil([] { return !standinRecords("emulator").empty(); }, std::chrono::seconds(60)));
    EXPECT_EQ(member(standinRecords("emulator")[0], "arguments"),
              "downloadpackage=com.example.game|package=com.example.game");

    const std::vector<std::string> expected = {"download_success", "download_duration:duration", "install_success",
                                               "downloader_full_duration:duration"};
    const std::vector<std::string> events = uploadedEvents(expected);
    EXPECT_TRUE(inOrder(events, expected)) << ::testing::PrintToString(events);
    EXPECT_TRUE(analyticsBodies().empty()) << "this path sends no analytics event";
}

TEST_F(Workflow, TheVersionAnswerComesFromTheResourceHostWhenTheCdnFails)
{
    ASSERT_TRUE(server.setFault(kVersionPath, R"({"status": 500})"));
    DownloaderModel* model = start(L"corvane9_en_1001_x.exe");
    ASSERT_TRUE(pumpUntil([&] { return model->versionReceived(); }));
    EXPECT_EQ(model->packageUrl(), utility::utf8ToWide(server.url(kPackagePath)));
    EXPECT_FALSE(server.requests(mark, kSpareVersionPath).empty());
    EXPECT_TRUE(log.contains("DownloaderModel::_threadGetPlayerUrl",
                             L"download error! try: " + utility::utf8ToWide(server.url(kSpareVersionPath))));
}

TEST_F(Workflow, WinInetFailingOnBothAddressesFallsBackToCurl)
{
    ASSERT_TRUE(server.setFault(kPackagePath, R"({"status": 404, "times": 1})"));
    ASSERT_TRUE(server.setFault(kSparePath, R"({"status": 404, "times": 1})"));
    DownloaderModel* model = start(L"corvane9_en_1001_x.exe");
    downloadAfterAnswers(model);
    EXPECT_EQ(recorder.succeeded, 1);
    const auto requests = packageRequests();
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_EQ(server.requests(mark, kPackagePath).size(), 2u) << "WinINet, then curl, on the package address";
    EXPECT_TRUE(log.contains("DownloaderModel::_downloadByIE", L"download file error -1 404"));
    EXPECT_TRUE(log.contains("DownloaderModel::_threadDownloadPlayer", L"download by qvcurl"));
}

TEST_F(Workflow, EveryWayFailingReportsTheSpareAttemptsCodes)
{
    ASSERT_TRUE(server.setFault(kPackagePath, R"({"status": 500})"));
    ASSERT_TRUE(server.setFault(kSparePath, R"({"status": 404})"));
    DownloaderModel* model = start(L"corvane9_en_1001_x.exe");
    downloadAfterAnswers(model);
    EXPECT_EQ(recorder.succeeded, 0);
    EXPECT_EQ(recorder.failed, std::vector<int64_t>{0});
    EXPECT_EQ(packageRequests().size(), 4u);
    EXPECT_TRUE(log.contains("DownloaderModel::_downloadByIE", L"download file error -1 404"));
    EXPECT_TRUE(log.contains("DownloaderModel::_threadDownloadPlayer", L"download finished, success = 0, elapse = 0"));
    const std::vector<std::string> events = uploadedEvents({"download_fail:-1_404"});
    EXPECT_TRUE(inOrder(events, {"download_fail:-1_404"})) << ::testing::PrintToString(events);
}

TEST_F(Workflow, ASmallCurlResultIsRemovedAndTheSpareTried)
{
    ASSERT_TRUE(server.setFault(kPackagePath, R"({"status": 404, "times": 1})"));
    ASSERT_TRUE(server.setFault(kSparePath, R"({"status": 404, "times": 1})"));
    ASSERT_TRUE(server.setFiles("{\"" + std::string(kPackagePath) + "\":{\"size\":9437184,\"seed\":\"small\"}}"));
    DownloaderModel* model = start(L"corvane9_en_1001_x.exe");
    downloadAfterAnswers(model);
    EXPECT_EQ(recorder.succeeded, 1) << "the spare address serves the real package";
    EXPECT_TRUE(log.contains("DownloaderModel::_threadDownloadPlayer", L"too small package"));
    EXPECT_TRUE(log.contains("DownloaderModel::_threadDownloadPlayer", L"download by qvcurl too"));
}

TEST_F(Workflow, APackageWhoseDigestDiffersIsRefused)
{
    serveVersionAnswer("00000000000000000000000000000000");
    DownloaderModel* model = start(L"corvane9_en_1001_x.exe");
    downloadAfterAnswers(model);
    EXPECT_EQ(recorder.succeeded, 0);
    EXPECT_EQ(recorder.failed.size(), 1u);
    EXPECT_EQ(packageRequests().size(), 4u) << "every way was tried";
    EXPECT_FALSE(utility::ufile::exists(kFolder + L"\\Corvane.exe"));
    EXPECT_FALSE(utility::ufile::exists(kFolder + L"\\Corvane.exe.tmp"));
}

TEST_F(Workflow, ARetryResumesTheTemporaryFile)
{
    // The package address is missing and the spare one breaks off after 11 MiB, for WinINet (into
    // the temporary file) and for curl alike.
    ASSERT_TRUE(server.setFault(kPackagePath, R"({"status": 404})"));
    ASSERT_TRUE(server.setFault(kSparePath, R"({"reset_after": 11534336})"));
    DownloaderModel* model = start(L"corvane9_en_1001_x.exe");
    downloadAfterAnswers(model);
    ASSERT_EQ(recorder.failed.size(), 1u);
    int64_t partial = 0;
    ASSERT_TRUE(utility::ufile::getFileSize(kFolder + L"\\Corvane.exe.tmp", partial)) << log.dump();
    EXPECT_GE(partial, 10485760);
    EXPECT_EQ(recorder.failed[0], partial) << "a partial size of 10 MiB or more is reported";

    ASSERT_TRUE(server.setFault(kPackagePath, "null"));
    ASSERT_TRUE(server.setFault(kSparePath, "null"));
    const size_t before = server.mark();
    model->startDownloadPlayer(true);
    ASSERT_TRUE(pumpUntil([&] { return recorder.succeeded > 0; }));
    const auto resumed = server.requests(before, kPackagePath);  // WinINet's first way, resuming
    ASSERT_FALSE(resumed.empty());
    EXPECT_EQ(resumed[0].header("Range"), "bytes=" + std::to_string(partial) + "-");
    EXPECT_EQ(md5Hex(readText(kFolder + L"\\Corvane.exe")), installerDigest);
}

TEST_F(Workflow, TheInstallButtonBeforeTheAnswerStartsAtTheFirstTickAfterIt)
{
    ASSERT_TRUE(server.setFault(kVersionPath, R"({"delay": 1.2})"));
    DownloaderModel* model = start(L"corvane9_en_1001_x.exe");
    model->startDownloadPlayer(false);
    EXPECT_TRUE(log.contains("DownloaderModel::startDownloadPlayer", L"start downloader. bug getting player url"));
    ASSERT_TRUE(pumpUntil([&] { return recorder.downloadEnded(); }));
    EXPECT_EQ(recorder.succeeded, 1);
    EXPECT_EQ(model->packageUrl(), utility::utf8ToWide(server.url(kPackagePath)));
}

TEST_F(Workflow, WithoutAnAnswerTheSecondTickUsesTheFixedAddresses)
{
    ASSERT_TRUE(server.setFault(kVersionPath, R"({"delay": 6})"));
    DownloaderModel* model = start(L"corvane9_en_1001_x.exe");
    model->startDownloadPlayer(false);
    ASSERT_TRUE(pumpUntil([&] { return recorder.downloadEnded(); }));
    EXPECT_EQ(model->packageUrl(), ConfigImp::instance()->defaultPackageUrl());
    EXPECT_EQ(recorder.succeeded, 1);
    ASSERT_TRUE(pumpUntil([&] { return !analyticsBodies().empty(); }, std::chrono::seconds(20)));
    EXPECT_NE(analyticsBodies()[0].find(R"("events":[{"name":"download_defaultUrl","params":{"event_category":"4.9","event_label":"1001"}}])"),
              std::string::npos)
        << analyticsBodies()[0];
}

TEST_F(Workflow, AHungInstallerTimesOut)
{
    DownloaderModel* model = start(L"corvane9_en_1001_x.exe");
    downloadAfterAnswers(model);
    ASSERT_EQ(recorder.succeeded, 1);
    std::ofstream(std::filesystem::path(kFolder + L"standin-installer.json")) << R"({"mode": "hang", "hangMs": 20000})";
    model->setInstallerTimeoutMs(1500);
    installAfterDownload(model);
    EXPECT_EQ(recorder.installed, std::vector<bool>{false});
    const std::vector<std::string> events = uploadedEvents({"download_success", "install_fail:timeout"});
    EXPECT_TRUE(inOrder(events, {"download_success", "install_fail:timeout"})) << ::testing::PrintToString(events);
}

class AppWorkflow : public Workflow {
protected:
    void SetUp() override
    {
        Workflow::SetUp();
        utility::ufile::makeDir(kFolder);
        for (const wchar_t* program : {L"redovedu.exe", L"duvudezur.exe"}) {
            ASSERT_TRUE(CopyFileW((utility::ansiToWide(CORVANE_STANDIN_PROGRAMS_WIN) + L"/" + program).c_str(),
                                  (kFolder + program).c_str(), FALSE));
        }
    }
    AppRecord app(const std::string& apk, const std::wstring& game, const std::wstring& package) const
    {
        AppRecord record;
        record.downloadUrl = utility::utf8ToWide(server.url(apk));
        record.gameName = game;
        record.packageName = package;
        return record;
    }
};

TEST_F(AppWorkflow, DownloadsEveryAppThenInstallsThemInOrderAndStartsTheLast)
{
    AppRecord first = app("/res/apps/starfall-tactics.apk", L"Starfall Tactics", L"com.corvane.starfall");
    first.resolution = L"1280x720";
    AppRecord second = app("/res/apps/starfall-tactics.apk", L"..\\..\\x", L"com.corvane.second");
    second.obbUrl = utility::utf8ToWide(server.url("/res/apps/main.1.com.corvane.starfall.obb"));
    second.iconUrl = utility::utf8ToWide(server.url("/res/icons/starfall.ico"));
    ASSERT_EQ(decideFirstApp(first).handling, AppHandling::downloadHere);

    int nextApps = 0;
    bool installing = false;
    std::wstring last;
    AppInstallEvents events;
    events.onNextApp = [&] { ++nextApps; };
    events.onInstallingStarted = [&] { installing = true; };
    events.onFinished = [&](const std::wstring& package) {
        last = package;
        startEmulatorWithPackage(kFolder, package);
    };
    AppInstaller installer({first, second}, kFolder, events, nullptr);
    installer.run();

    EXPECT_EQ(nextApps, 2);
    EXPECT_TRUE(installing);
    EXPECT_EQ(last, L"com.corvane.second");
    EXPECT_TRUE(utility::ufile::exists(kFolder + L"Starfall Tactics.apk"));
    EXPECT_TRUE(utility::ufile::exists(kFolder + L"______x.apk")) << "the server's name stays in the folder";
    EXPECT_FALSE(utility::ufile::exists(L"D:\\x.apk"));
    EXPECT_TRUE(utility::ufile::exists(kFolder + L"com.corvane.second.obb"));

    const std::vector<std::string> console = standinRecords("console");
    ASSERT_EQ(console.size(), 3u);
    EXPECT_EQ(member(console[0], "commandLine"), "\"D:\\Corvane\\Corvane9\\duvudezur.exe\" modify --index 0 --resolution 1280x720");
    EXPECT_EQ(member(console[1], "commandLine"),
              "\"D:\\Corvane\\Corvane9\\duvudezur.exe\" installapk --index 0 --filename "
              "\"D:\\Corvane\\Corvane9\\Starfall Tactics.apk\" --wait --hide");
    EXPECT_EQ(member(console[2], "commandLine"),
              "\"D:\\Corvane\\Corvane9\\duvudezur.exe\" installapk --index 0 --filename "
              "\"D:\\Corvane\\Corvane9\\______x.apk\" --packagename com.corvane.second --fileobb "
              "\"D:\\Corvane\\Corvane9\\com.corvane.second.obb\" --wait --hide");
    ASSERT_TRUE(pumpUntil([] { return !standinRecords("emulator").empty(); }, std::chrono::seconds(60)));
    EXPECT_EQ(member(standinRecords("emulator")[0], "arguments"), "package=com.corvane.second");

    wchar_t desktop[MAX_PATH] = {};
    SHGetFolderPathW(nullptr, CSIDL_DESKTOPDIRECTORY, nullptr, SHGFP_TYPE_CURRENT, desktop);
    const std::wstring shortcut = std::wstring(desktop) + L"\\______x.lnk";
    EXPECT_TRUE(utility::ufile::exists(shortcut)) << "the second app had an icon";
    DeleteFileW(shortcut.c_str());
}

TEST_F(AppWorkflow, AppsTheEmulatorFetchesItselfAreHandedOverInItsArguments)
{
    DownloaderModel* model = start(L"corvane9_en_1001_x.exe");
    AppRecord store = app("/res/apps/starfall-tactics.apk", L"Starfall", L"com.corvane.starfall");
    store.fromAppStore = true;
    AppRecord game;
    game.gameId = L"77";
    game.packageName = L"com.corvane.game";
    AppRecord packageOnly;
    packageOnly.packageName = L"com.corvane.only";
    const std::pair<AppRecord, std::string> cases[] = {
        {store, "apk=|show=true|package=com.corvane.starfall|downloadapkurl=" + server.url("/res/apps/starfall-tactics.apk") +
                    ";S.package=com.corvane.starfall;S.appname=Starfall;S.appicon=;S.appsize=96"},
        {game, "apk=|show=true|package=com.corvane.game|downloadgameid=77"},
        {packageOnly, "apk=|show=true|package=com.corvane.only|downloadpackage=com.corvane.only"},
    };
    for (const auto& [record, arguments] : cases) {
        SCOPED_TRACE(arguments);
        DeleteFileW((kFolder + L"standin-record.jsonl").c_str());
        const AppDecision decision = decideFirstApp(record);
        ASSERT_EQ(decision.handling, AppHandling::emulatorFetches);
        model->runPlayer(decision.emulatorArguments);
        ASSERT_TRUE(pumpUntil([] { return !standinRecords("emulator").empty(); }, std::chrono::seconds(60)));
        EXPECT_EQ(member(standinRecords("emulator")[0], "arguments"), arguments);
        EXPECT_TRUE(standinRecords("console").empty()) << "nothing is downloaded or installed here";
    }
}

}  // namespace
