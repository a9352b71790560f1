#include "model/server_answers.h"

#include "common/utf8.h"

#include <gtest/gtest.h>

namespace {

TextDecoders decoders()
{
    // Latin-1 stands in for the ANSI code page, so a test sees which decoder a member went through.
    return {[](std::string_view text) { return common::fromUtf8(text); },
            [](std::string_view text) {
                std::wstring wide;
                for (char c : text) {
                    wide.push_back(static_cast<wchar_t>(static_cast<unsigned char>(c)));
                }
                return wide;
            }};
}

constexpr char kFullAnswer[] = R"({
  "zaz4": {"ver": "4.1", "url": "https://a/4.exe", "url_spare": "https://b/4.exe", "md5": "d4"},
  "zaz64": {"ver": "64.1", "url": "https://a/64.exe", "url_spare": "https://b/64.exe", "md5": "d64"},
  "zaz9": {"ver": "9.1", "url": "https://a/9.exe", "md5": "d9"},
  "zaz": {"ver": "3.1", "url": "https://a/3.exe", "url_spare": "https://b/3.exe", "md5": "d3"}
})";

TEST(VersionAnswer, ChoosesTheEntryOfTheType)
{
    const VersionAnswer answer = readVersionAnswer(kFullAnswer, decoders());
    ASSERT_TRUE(answer.isObject);
    struct Case {
        EmulatorType type;
        const wchar_t* version;
        const wchar_t* url;
        const wchar_t* spare;
        const char* digest;
    };
    const Case cases[] = {
        {EmulatorType::type4, L"4.1", L"https://a/4.exe", L"https://b/4.exe", "d4"},
        {EmulatorType::type64, L"64.1", L"https://a/64.exe", L"https://b/64.exe", "d64"},
        {EmulatorType::type9, L"9.1", L"https://a/9.exe", L"https://a/9.exe", "d9"},  // no spare: the main one
        {EmulatorType::type3, L"3.1", L"https://a/3.exe", L"https://b/3.exe", "d3"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(common::toUtf8(c.version));
        const ChosenVersion chosen = chooseVersion(answer, c.type, {});
        EXPECT_EQ(chosen.current.version, c.version);
        EXPECT_EQ(chosen.current.packageUrl, c.url);
        EXPECT_EQ(chosen.current.sparePackageUrl, c.spare);
        EXPECT_EQ(chosen.digest, c.digest);
        EXPECT_EQ(chosen.type4.packageUrl, L"https://a/4.exe") << "the type-4 entry is kept for a switch";
    }
}

TEST(VersionAnswer, AMissingEntryLeavesTheAddressesEmptyButKeepsTheTypeFourDigest)
{
    const VersionAnswer answer =
        readVersionAnswer(R"({"zaz4": {"md5": "only4"}, "zaz9": "not an object"})", decoders());
    ASSERT_TRUE(answer.isObject);
    const ChosenVersion chosen = chooseVersion(answer, EmulatorType::type9, {});
    EXPECT_EQ(chosen.current.version, L"");
    EXPECT_EQ(chosen.current.packageUrl, L"");
    EXPECT_EQ(chosen.current.sparePackageUrl, L"");
    EXPECT_EQ(chosen.digest, "only4");
}

TEST(VersionAnswer, MembersOfTheWrongTypeAreIgnored)
{
    const VersionAnswer answer =
        readVersionAnswer(R"({"zaz9": {"ver": 9, "url": "https://a/9.exe", "md5": null}})", decoders());
    const ChosenVersion chosen = chooseVersion(answer, EmulatorType::type9, {});
    EXPECT_EQ(chosen.current.version, L"");
    EXPECT_EQ(chosen.current.packageUrl, L"https://a/9.exe");
    EXPECT_EQ(chosen.digest, "");
}

TEST(VersionAnswer, NotAnObject)
{
    for (const char* text : {"", "[]", "<html>404</html>", "{\"zaz9\":", "\"text\"", "{} trailing"}) {
        EXPECT_FALSE(readVersionAnswer(text, decoders()).isObject) << text;
        EXPECT_FALSE(isJsonObject(text)) << text;
    }
    EXPECT_TRUE(isJsonObject(" {} "));
}

TEST(VersionAnswer, DeepNestingDoesNotExhaustTheStack)
{
    const std::string deep = std::string(200000, '[') + std::string(200000, ']');
    EXPECT_FALSE(readVersionAnswer(deep, decoders()).isObject);
}

TEST(PackageConfiguration, KeepsAppsThatNameSomethingToInstallInOrder)
{
    const char* json = R"({"result": [
        {"app_download_url": "https://h/a.apk", "app_package_name": "com.a", "gamename": "\u00c4 game",
         "app_icon": "https://h/a.png", "app_obb": "https://h/a.obb", "game_slt_url": "https://h/s.png",
         "resolution": "1280x720", "gameid": "", "xapk": "1", "from_appstore": "0"},
        {"gamename": "only a name"},
        {"gameid": "77", "resolution": "caf\u00e9", "xapk": 1, "from_appstore": "1"},
        "not an object",
        {"app_package_name": "com.c", "app_obb": ""}
    ]})";
    const PackageConfiguration configuration = readPackageApps(json, decoders());
    ASSERT_EQ(configuration.apps.size(), 3u);
    const AppRecord& a = configuration.apps[0];
    EXPECT_EQ(a.downloadUrl, L"https://h/a.apk");
    EXPECT_EQ(a.packageName, L"com.a");
    EXPECT_EQ(a.gameName, L"\u00c4 game");
    EXPECT_EQ(a.iconUrl, L"https://h/a.png");
    EXPECT_EQ(a.obbUrl, L"https://h/a.obb");
    EXPECT_EQ(a.gameSltUrl, L"https://h/s.png");
    EXPECT_EQ(a.resolution, L"1280x720");
    EXPECT_TRUE(a.isXapk);
    EXPECT_FALSE(a.fromAppStore);
    const AppRecord& b = configuration.apps[1];
    EXPECT_EQ(b.gameId, L"77");
    EXPECT_EQ(b.resolution, L"caf\u00c3\u00a9") << "resolution is read in the ANSI code page, not UTF-8";
    EXPECT_FALSE(b.isXapk) << "only the text \"1\" counts";
    EXPECT_TRUE(b.fromAppStore);
    EXPECT_EQ(configuration.apps[2].packageName, L"com.c");
    EXPECT_EQ(configuration.apps[2].obbUrl, L"");

    EXPECT_TRUE(readPackageApps(R"({"result": {}})", decoders()).apps.empty());
    EXPECT_TRUE(readPackageApps("[1]", decoders()).apps.empty());
}

TEST(PackageConfiguration, LaunchSettingsOnlyFromMembersOfTheRightType)
{
    LaunchSettings settings;
    readLaunchSettings(R"({"launch_h": "https://h/h.jpg", "launch_V": "https://h/v.jpg", "title": "T\u00ed",
        "runapp": "com.run", "qqlink": "https://q", "shortcutname": "Play", "shortcuturl": "https://h/i.ico",
        "heapsize": "2048", "ad": 0, "cleanmodel": 1, "runappstore": 0, "root": false})",
                       decoders(), settings);
    EXPECT_EQ(settings.landscapePictureUrl, L"https://h/h.jpg");
    EXPECT_EQ(settings.portraitPictureUrl, L"https://h/v.jpg");
    EXPECT_EQ(settings.title, L"T\u00ed");
    EXPECT_EQ(settings.appToRun, L"com.run");
    EXPECT_EQ(settings.communityLink, L"https://q");
    EXPECT_EQ(settings.shortcutName, L"Play");
    EXPECT_EQ(settings.shortcutIconUrl, L"https://h/i.ico");
    EXPECT_EQ(settings.heapSize, L"2048");
    EXPECT_FALSE(settings.showAds);
    EXPECT_TRUE(settings.cleanMode);
    EXPECT_FALSE(settings.runAppStore);
    EXPECT_EQ(settings.root, 0);

    LaunchSettings untouched;
    readLaunchSettings(R"({"ad": "0", "root": 1, "title": 5, "cleanmodel": true})", decoders(), untouched);
    EXPECT_TRUE(untouched.showAds);
    EXPECT_EQ(untouched.root, -1);
    EXPECT_EQ(untouched.title, L"");
    EXPECT_FALSE(untouched.cleanMode);
}

TEST(ChannelAnswer, OnlyAPositiveIntegerUnderCode200)
{
    struct Case {
        const char* json;
        ChannelStatus status;
        const wchar_t* channel;
    };
    const Case cases[] = {
        {R"({"code": 200, "data": 30412})", ChannelStatus::ok, L"30412"},
        {R"({"code": 200, "data": 0})", ChannelStatus::ok, L""},
        {R"({"code": 200, "data": -5})", ChannelStatus::ok, L""},
        {R"({"code": 200, "data": "30412"})", ChannelStatus::ok, L""},
        {R"({"code": 200, "data": 9007199254740993})", ChannelStatus::ok, L"9007199254740993"},
        {R"({"code": "200", "data": 1})", ChannelStatus::codeNotRight, L""},
        {R"({"code": 500, "data": 1})", ChannelStatus::codeNotRight, L""},
        {R"([200])", ChannelStatus::notJson, L""},
        {"<html/>", ChannelStatus::notJson, L""},
    };
    for (const Case& c : cases) {
        const ChannelAnswer answer = readChannelAnswer(c.json);
        EXPECT_EQ(answer.status, c.status) << c.json;
        EXPECT_EQ(answer.channelId, c.channel) << c.json;
    }
}

TEST(CustomerTexts, TheMemberOfTheLanguageProfile)
{
    const char* json = R"({"en": {"installError": "Install failed", "customerLink": "https://s/en"},
                           "kr": {"installError": "\uc124\uce58 \uc2e4\ud328", "customerLink": 7}})";
    CustomerTexts texts = readCustomerTexts(json, L"", decoders());
    EXPECT_EQ(texts.installError, L"Install failed");
    EXPECT_EQ(texts.customerLink, L"https://s/en");
    texts = readCustomerTexts(json, L"kr", decoders());
    EXPECT_EQ(texts.installError, L"\uc124\uce58 \uc2e4\ud328");
    EXPECT_FALSE(texts.customerLink.has_value());
    texts = readCustomerTexts(json, L"de", decoders());
    EXPECT_TRUE(texts.isObject);
    EXPECT_FALSE(texts.installError.has_value());
    EXPECT_FALSE(readCustomerTexts("nope", L"en", decoders()).isObject);
}

}  // namespace
