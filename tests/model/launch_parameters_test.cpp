#include "model/launch_parameters.h"

#include "common/utf8.h"

#include <gtest/gtest.h>

namespace {

struct NameCase {
    const wchar_t* fileName;  // without extension, as the program reads its own name
    std::optional<EmulatorType> type;
    std::optional<std::wstring> configLanguage;
    std::optional<std::wstring> shortCode;
    const wchar_t* openid;
    const wchar_t* package;
    const wchar_t* googleId;
    const wchar_t* adId;
};

TEST(LaunchFileName, DecidesEveryExample)
{
    const std::wstring d = L"Downloader";
    const NameCase cases[] = {
        {L"Corvane9_en_1001_x", EmulatorType::type9, L"en", L"en", L"1001", L"", L"", L"Downloader"},
        {L"CORVANE64_kr_1001_abc_x", EmulatorType::type64, L"kr", L"kr", L"1001", L"", L"abc", L"Downloader"},
        {L"corvane9_ens_com.example.game_2040_a_b_x", EmulatorType::type9, L"en", std::nullopt, L"2040",
         L"com.example.game", L"a_b", L"Corvane Installer_200"},
        {L"corvane4_cn_1001_x", EmulatorType::type4, L"cn", L"cn", L"1001", L"", L"", L"Downloader"},
        {L"Corvane_setup", std::nullopt, std::nullopt, std::nullopt, L"100", L"", L"", L"Downloader"},
        {L"corvane9_en_1001_x (1)", EmulatorType::type9, L"en", L"en", L"1001", L"", L"", L"Downloader"},
        {L"corvane9_en_com.app_1001_x", EmulatorType::type9, L"en", L"en", L"1001", L"com.app", L"", L"Downloader"},
        {L"corvane9_en_a.b_1001_x", EmulatorType::type9, L"en", L"en", L"1001", L"", L"", L"Downloader"},
        {L"corvane9_engl_1001_x", EmulatorType::type9, std::nullopt, std::nullopt, L"1001", L"", L"", L"Downloader"},
        {L"corvane3_xyz_2001_x", EmulatorType::type3, L"xyz", L"xyz", L"2001", L"", L"", L"Corvane Installer_200"},
        {L"corvane9_en_2999_x", EmulatorType::type9, L"en", L"en", L"2999", L"", L"", L"Corvane Installer_200"},
        {L"corvane9_en_3000_x", EmulatorType::type9, L"en", L"en", L"3000", L"", L"", L"Downloader"},
        {L"corvane9_en_2000_x", EmulatorType::type9, L"en", L"en", L"2000", L"", L"", L"Downloader"},
        {L"MyEmu_br_1001_x", std::nullopt, L"br", L"br", L"1001", L"", L"", L"Downloader"},
        {L"corvane9__1001_x", EmulatorType::type9, std::nullopt, std::nullopt, L"1001", L"", L"", L"Downloader"},
        {L"corvane9_en__x", EmulatorType::type9, L"en", L"en", L"100", L"", L"", L"Downloader"},
        {L"corvane9_en_com.example.game_1001_g1_g2_g3_tail", EmulatorType::type9, L"en", L"en", L"1001",
         L"com.example.game", L"g1_g2_g3", L"Downloader"},
    };
    for (const NameCase& c : cases) {
        SCOPED_TRACE(common::toUtf8(c.fileName));
        const LaunchDecision decision = decideLaunch(parseLaunchFileName(c.fileName));
        EXPECT_EQ(decision.type, c.type);
        EXPECT_EQ(decision.configLanguage, c.configLanguage);
        EXPECT_EQ(decision.shortCode, c.shortCode);
        EXPECT_EQ(decision.openid, c.openid);
        EXPECT_EQ(decision.packageName, c.package);
        EXPECT_EQ(decision.googleId, c.googleId);
        EXPECT_EQ(adIdForOpenId(decision.openid, d), c.adId);
    }
}

TEST(LaunchFileName, ThreeCharacterPackageStillMovesTheOpenid)
{
    const FileNameParameters parameters = parseLaunchFileName(L"corvane9_en_a.b_1001_x");
    EXPECT_EQ(parameters.package, L"a.b");
    EXPECT_EQ(parameters.openid, L"1001");
    EXPECT_EQ(decideLaunch(parameters).packageName, L"");
}

TEST(AdId, ReadsOnlyTheLeadingDigits)
{
    EXPECT_EQ(adIdForOpenId(L"2500abc", L"D"), L"Corvane Installer_200");
    EXPECT_EQ(adIdForOpenId(L"abc2500", L"D"), L"D");
    EXPECT_EQ(adIdForOpenId(L"", L"D"), L"D");
    EXPECT_EQ(adIdForOpenId(L"99999999999999999999999", L"D"), L"D");
}

TEST(LaunchCommandLine, ReadsTheAppPairs)
{
    struct Case {
        const wchar_t* commandLine;
        bool hasPairs;
        const wchar_t* name;
        const wchar_t* package;
        const wchar_t* apkUrl;
    };
    const Case cases[] = {
        {L"\"name=Game|package=com.x.game|apkurl=https://h/a.apk\"", true, L"Game", L"com.x.game",
         L"https://h/a.apk"},
        {L"  APKURL = https://h/b.apk ", true, L"", L"", L"https://h/b.apk"},
        {L"name=a|name=b", true, L"b", L"", L""},
        {L"", false, L"", L"", L""},
        {L"no pairs at all", false, L"", L"", L""},
        {L"\"x=1\"", true, L"", L"", L""},  // short: quotes stay, the pair is still read
        {L"apkurl=https://h/c.apk?a=b|package=p", true, L"", L"p", L"https://h/c.apk?a=b"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(common::toUtf8(c.commandLine));
        const std::optional<CommandLineApp> app = parseLaunchCommandLine(c.commandLine);
        ASSERT_EQ(app.has_value(), c.hasPairs);
        if (app) {
            EXPECT_EQ(app->name, c.name);
            EXPECT_EQ(app->package, c.package);
            EXPECT_EQ(app->apkUrl, c.apkUrl);
        }
    }
}

}  // namespace
