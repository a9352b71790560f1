#include "model/product_config.h"

#include "common/utf8.h"

#include <gtest/gtest.h>

#include <set>

namespace {

class ProductConfig : public ::testing::Test {
protected:
    void SetUp() override { config().reset(); }
    void TearDown() override { config().reset(); }
    static ConfigImp& config() { return *ConfigImp::instance(); }
};

TEST_F(ProductConfig, TypeAndEditionSelectFoldersKeysAndPackages)
{
    struct Case {
        EmulatorType type;
        const wchar_t* language;
        const wchar_t* subPath;
        const wchar_t* folderName;
        const wchar_t* key;
        const wchar_t* package;
    };
    const Case cases[] = {
        {EmulatorType::type4, L"en", L"Corvane\\Corvane4.0\\", L"4.0\\", L"Software\\Belquor\\Corvane", L"Corvane4.0.exe"},
        {EmulatorType::type4, L"cn", L"VanTrel\\Corvane4.0\\", L"Corvane4.0\\", L"Software\\vantrel\\Corvane", L"Corvane4.0.exe"},
        {EmulatorType::type64, L"kr", L"Corvane\\Corvane64\\", L"Corvane64\\", L"Software\\Belquor\\Corvane64", L"Corvane64.exe"},
        {EmulatorType::type9, L"en", L"Corvane\\Corvane9\\", L"Corvane9\\", L"Software\\Belquor\\Corvane9", L"Corvane9.0.exe"},
        {EmulatorType::type9, L"cn", L"VanTrel\\Corvane9\\", L"Corvane9\\", L"Software\\vantrel\\Corvane9", L"Corvane9.0.exe"},
        {EmulatorType::type3, L"en", L"Corvane\\Corvane3.0\\", L"Corvane3.0\\", L"Software\\Morvath\\Corvane", L"Corvane3.0.exe"},
        {EmulatorType::type3, L"cn", L"VanTrel\\Corvane3.0\\", L"Corvane3.0\\", L"Software\\Morvath2\\redovedu", L"Corvane3.0.exe"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(common::toUtf8(c.subPath) + " " + common::toUtf8(c.language));
        config().setType(c.type);
        config().setLanguage(c.language);
        EXPECT_EQ(config().installSubPath(), c.subPath);
        EXPECT_EQ(config().folderNameAfterVantrel(), c.folderName);
        EXPECT_EQ(config().registryKey(), c.key);
        EXPECT_EQ(config().packageFileName(), c.package);
    }
}

TEST_F(ProductConfig, ChineseEditionStoresThePackageUnderItsOwnName)
{
    EXPECT_EQ(config().packageFileOnDisk(L"D:\\Corvane\\Corvane9\\"), L"D:\\Corvane\\Corvane9\\\\Corvane.exe");
    config().setLanguage(L"cn");
    EXPECT_EQ(config().packageFileOnDisk(L"D:\\VanTrel\\Corvane4.0\\"), L"D:\\VanTrel\\Corvane4.0\\\\qvinst.exe");
}

TEST_F(ProductConfig, AddressesFollowTheLanguageAndType)
{
    config().setLanguage(L"kr");
    const std::wstring cdn = config().versionUrl(false);
    const std::wstring res = config().versionUrl(true);
    EXPECT_EQ(cdn.substr(cdn.size() - 24), L"/player_files/en/vantrel");
    EXPECT_NE(cdn, res);
    EXPECT_NE(config().channelUrl(L"abc").find(L"apikr."), std::wstring::npos);
    EXPECT_EQ(config().channelUrl(L"abc").substr(config().channelUrl(L"abc").size() - 28),
              L"/check/machine/channel?m=abc");
    EXPECT_EQ(config().defaultPackageUrl().substr(cdn.size() - 24), L"/download/package/Corvane9.0.exe");
    EXPECT_EQ(config().openidConfigUrl(L"1001").rfind(cdn.substr(0, cdn.size() - 24), 0), 0u)
        << "outside the Chinese edition the CDN serves package configurations";
    config().setLanguage(L"cn");
    EXPECT_NE(config().openidConfigUrl(L"1001").rfind(cdn.substr(0, cdn.size() - 24), 0), 0u);
    EXPECT_EQ(config().manualDownloadLink(), config().webSite()) << "the Chinese edition links its own site";
}

TEST_F(ProductConfig, WebSitesByLanguage)
{
    std::set<std::wstring> sites;
    for (const wchar_t* code : {L"cn", L"tw", L"kr", L"de", L"en", L"it", L"xyz"}) {
        config().setLanguage(code);
        sites.insert(config().webSite());
    }
    EXPECT_EQ(sites.size(), 5u) << "cn, tw, kr and de have their own; en, it and xyz share the main site";
}

TEST_F(ProductConfig, AnalyticsPropertiesAreWellFormedAndSharedAsIntended)
{
    auto isIdCharacter = [](wchar_t c) { return (c >= L'A' && c <= L'Z') || (c >= L'0' && c <= L'9'); };
    auto isSecretCharacter = [&](wchar_t c) {
        return isIdCharacter(c) || (c >= L'a' && c <= L'z') || c == L'-' || c == L'_';
    };
    std::set<std::wstring> ids;
    for (const wchar_t* code : {L"cn", L"tw", L"kr", L"vn", L"th", L"ru", L"pt", L"jp", L"id", L"fr", L"es",
                                L"de", L"ar", L"fa", L"en", L"it", L"xyz"}) {
        config().setLanguage(code);
        const AnalyticsProperty property = config().analyticsProperty();
        SCOPED_TRACE(common::toUtf8(code));
        ASSERT_EQ(property.measurementId.size(), 12u);
        EXPECT_EQ(property.measurementId.substr(0, 2), L"G-");
        for (wchar_t c : property.measurementId.substr(2)) {
            EXPECT_TRUE(isIdCharacter(c));
        }
        ASSERT_EQ(property.apiSecret.size(), 22u);
        for (wchar_t c : property.apiSecret) {
            EXPECT_TRUE(isSecretCharacter(c));
        }
        ids.insert(property.measurementId);
    }
    EXPECT_EQ(ids.size(), 14u);
    config().setLanguage(L"cn");
    const std::wstring cn = config().analyticsProperty().measurementId;
    config().setLanguage(L"tw");
    EXPECT_EQ(config().analyticsProperty().measurementId, cn);
}

}  // namespace
