// The model's start under Wine: launch parameters from the program's name, the language, and the
// install folder from the test prefix's real registry and drives: C: is the prefix's own disk, D:
// a fixed disk with far more room (a large tmpfs), Z: a network drive. Wine's devices answer no
// storage query, so neither counts as removable nor as an SSD.

#include "model/downloader_model.h"

#include "log_capture.h"
#include "model/install_path.h"
#include "model/windows_drives.h"

#include <windows.h>

#include <gtest/gtest.h>

namespace {

constexpr wchar_t kType9Key[] = L"Software\\Belquor\\Corvane9";

class DownloaderModelStart : public ::testing::Test {
protected:
    static void SetUpTestSuite() { MainThreadDispatcher::create(); }
    void SetUp() override
    {
        ConfigImp::instance()->reset();
        RegDeleteKeyW(HKEY_CURRENT_USER, kType9Key);
    }
    void TearDown() override
    {
        DownloaderModel::destroyInstance();
        ConfigImp::instance()->reset();
        RegDeleteKeyW(HKEY_CURRENT_USER, kType9Key);
    }
    DownloaderModel* start(const std::wstring& programName, const wchar_t* commandLine)
    {
        DownloaderModel* model = DownloaderModel::instance();
        model->setProgramPath(L"C:\\Users\\me\\Downloads\\" + programName);
        model->init(commandLine);
        return model;
    }
    testsupport::LogCapture log;
};

TEST_F(DownloaderModelStart, ListsTheFixedDrivesOfThePrefix)
{
    EXPECT_EQ(listFixedDrives(windowsDrives()), (std::vector<std::wstring>{L"C:\\", L"D:\\"}));
}

TEST_F(DownloaderModelStart, ReadsItsNameAndProposesTheBestDrive)
{
    DownloaderModel* model = start(L"corvane9_en_com.example.game_1001_gid_x (1).exe", L"");
    EXPECT_EQ(model->getOpenId(), L"1001");
    EXPECT_EQ(model->getPackageName(), L"com.example.game");
    EXPECT_EQ(model->getGoogleId(), L"gid");
    EXPECT_EQ(model->getLanguageCode(), L"en");
    EXPECT_EQ(model->getLocale(), L"en_US");
    EXPECT_EQ(model->getFontFile(), L"Roboto-Regular.otf");
    EXPECT_EQ(model->getInstallPath(), L"D:\\Corvane\\Corvane9\\");
    EXPECT_EQ(model->bestFolder(), L"D:\\Corvane\\Corvane9\\");
    EXPECT_TRUE(model->appList().empty());

    const char* init = "DownloaderModel::init";
    EXPECT_TRUE(log.contains(init, L"DownloaderModel exe filename= corvane9_en_com.example.game_1001_gid_x (1)"));
    EXPECT_TRUE(log.contains(init, L"type: corvane9, package:com.example.game, openID:1001 google id gid"));
    EXPECT_TRUE(log.contains(init, L"model. type: corvane9, language en package:com.example.game, openID:1001"));
    EXPECT_TRUE(log.contains(init, L"openid is 1001, package is com.example.game"));
    EXPECT_TRUE(log.contains(init, L"ad id : Downloader"));
    EXPECT_TRUE(log.contains("DownloaderModel::_calcInstallPath", L"read from reg: path is "));
    EXPECT_TRUE(log.contains("DownloaderModel::_calcInstallPath",
                             L"get install path from MaxFreeSpace: D:\\Corvane\\Corvane9\\"));
}

TEST_F(DownloaderModelStart, AnEarlierInstallationIsProposedAsStored)
{
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, kType9Key, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    const wchar_t folder[] = L"E:\\Emulators\\Corvane9\\";
    RegSetValueExW(key, L"InstallDir", 0, REG_SZ, reinterpret_cast<const BYTE*>(folder), sizeof(folder));
    RegCloseKey(key);

    DownloaderModel* model = start(L"corvane9_en_1001_x.exe", nullptr);
    EXPECT_EQ(model->getInstallPath(), folder);
    EXPECT_EQ(model->bestFolder(), L"");
    EXPECT_TRUE(log.contains("DownloaderModel::_calcInstallPath", L"read from reg: path is E:\\Emulators\\Corvane9\\"));
}

TEST_F(DownloaderModelStart, TheChineseEditionAndTypeFourUseTheirOwnFolderAndAdId)
{
    DownloaderModel* model = start(L"corvane4_cn_2040_x.exe", L"");
    EXPECT_EQ(ConfigImp::instance()->type(), EmulatorType::type4);
    EXPECT_EQ(model->getInstallPath(), L"D:\\VanTrel\\Corvane4.0\\");
    EXPECT_EQ(model->getLocale(), L"zh_CN");
    EXPECT_EQ(ConfigImp::instance()->adId(), L"Corvane Installer_200");
    EXPECT_TRUE(log.contains("ConfigImp::setPlayer4", L"player is 4"));
    RegDeleteKeyW(HKEY_CURRENT_USER, L"Software\\vantrel\\Corvane");
}

TEST_F(DownloaderModelStart, TheCommandLineAddsOneAppRecord)
{
    DownloaderModel* model =
        start(L"corvane9_en_1001_x.exe", L"\" NAME = My Game |package=com.my.game|apkurl=https://h/g.apk\"");
    const std::list<AppRecord> apps = model->appList();
    ASSERT_EQ(apps.size(), 1u);
    const AppRecord& app = apps.front();
    EXPECT_EQ(app.downloadUrl, L"https://h/g.apk");
    EXPECT_EQ(app.packageName, L"com.my.game");
    EXPECT_EQ(app.gameName, L"My Game");
    EXPECT_EQ(model->getPackageName(), L"") << "the command line's package is the app's, not the model's";
    EXPECT_TRUE(log.contains("DownloaderModel::init", L"cmdline is My Game, com.my.game, https://h/g.apk"));
}

TEST_F(DownloaderModelStart, ChosenFoldersAreCompletedAndStoredEvenWhenInvalid)
{
    DownloaderModel* model = start(L"corvane9_en_1001_x.exe", L"");
    const AppliedInstallPath root = model->applyInstallPath(L"D:\\");
    EXPECT_EQ(root.folder, L"D:\\Corvane\\Corvane9\\");
    EXPECT_TRUE(root.valid);
    const AppliedInstallPath odd = model->applyInstallPath(L"D:\\Ga?mes");
    EXPECT_FALSE(odd.valid);
    EXPECT_EQ(model->getInstallPath(), L"D:\\Ga?mes\\Corvane\\Corvane9\\");
}

}  // namespace
