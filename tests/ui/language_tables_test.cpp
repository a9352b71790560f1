#include "ui/language_tables.h"

#include "common/utf8.h"

#include <gtest/gtest.h>

namespace {

TEST(LanguageCodes, ShortCodesAndLocalesMapBothWays)
{
    const std::pair<const wchar_t*, const wchar_t*> pairs[] = {
        {L"tw", L"zh_TW"}, {L"kr", L"ko_KR"}, {L"vn", L"vi_VN"}, {L"th", L"th_TH"}, {L"ru", L"ru_RU"},
        {L"pt", L"pt_PT"}, {L"tr", L"tr_TR"}, {L"es", L"es_ES"}, {L"ar", L"ar_IL"}, {L"jp", L"ja_JP"},
        {L"fa", L"fa_IR"}, {L"in", L"hi_IN"}, {L"de", L"de_DE"}, {L"fr", L"fr_FR"}, {L"id", L"in_ID"},
        {L"cn", L"zh_CN"}, {L"it", L"it_IT"}, {L"en", L"en_US"}, {L"my", L"ms_MY"}, {L"ua", L"uk_UA"},
    };
    for (const auto& [shortCode, locale] : pairs) {
        EXPECT_EQ(localeFromShortCode(shortCode), locale) << common::toUtf8(shortCode);
        EXPECT_EQ(shortCodeFromLocale(locale), shortCode) << common::toUtf8(locale);
    }
    EXPECT_EQ(localeFromShortCode(L"br"), L"en_US");
    EXPECT_EQ(localeFromShortCode(L"xyz"), L"en_US");
    EXPECT_EQ(localeFromShortCode(L"TW"), L"en_US") << "comparisons are case-sensitive";
    EXPECT_EQ(shortCodeFromLocale(L"nl_NL"), L"en");
    EXPECT_EQ(shortCodeFromLocale(L"zh_tw"), L"en");
}

TEST(LanguageCodes, UiLanguagesByPrimaryLanguage)
{
    struct Case {
        uint16_t id;
        const wchar_t* locale;
    };
    const Case cases[] = {
        {0x0804, L"zh_TW"}, {0x0404, L"zh_TW"}, {0x0C04, L"zh_TW"}, {0x1404, L"zh_TW"}, {0x7C04, L"zh_TW"},
        {0x1004, L"zh_TW"}, {0x0412, L"ko_KR"}, {0x0409, L"en_US"}, {0x0809, L"en_US"}, {0x0C0A, L"es_ES"},
        {0x0416, L"pt_PT"}, {0x0421, L"in_ID"}, {0x0439, L"hi_IN"}, {0x043E, L"ms_MY"}, {0x0429, L"fa_IR"},
        {0x0422, L"uk_UA"}, {0x0401, L"ar_IL"}, {0x041E, L"th_TH"}, {0x0413, L"en_US"}, {0x0000, L"en_US"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(localeFromUiLanguage(c.id), c.locale) << std::hex << c.id;
    }
}

TEST(LanguageCodes, ProfilesAndBundles)
{
    struct Case {
        const wchar_t* shortCode;
        const wchar_t* profile;
        const wchar_t* face;
        const wchar_t* file;
        const wchar_t* bundle;
    };
    const Case cases[] = {
        {L"tw", L"tw", L"Noto Sans", L"NotoSans-Regular.otf", L"language\\downloader_tw.xml"},
        {L"kr", L"kr", L"Noto Sans", L"NotoSans-Regular.otf", L"language\\downloader_kr.xml"},
        {L"th", L"th", L"Arial", L"", L"language\\downloader_th.xml"},
        {L"br", L"pt", L"Roboto", L"Roboto-Regular.otf", L"language\\downloader_en.xml"},
        {L"in", L"en", L"Roboto", L"Roboto-Regular.otf", L"language\\downloader_en.xml"},
        {L"cn", L"en", L"Roboto", L"Roboto-Regular.otf", L"language\\downloader_cn.xml"},
        {L"xyz", L"en", L"Roboto", L"Roboto-Regular.otf", L"language\\downloader_en.xml"},
        {L"it", L"en", L"Roboto", L"Roboto-Regular.otf", L"language\\downloader_en.xml"},
        {L"de", L"de", L"Roboto", L"Roboto-Regular.otf", L"language\\downloader_de.xml"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(common::toUtf8(c.shortCode));
        const LanguageProfile profile = languageProfileFor(c.shortCode);
        EXPECT_EQ(profile.profileCode, c.profile);
        EXPECT_EQ(profile.fontFace, c.face);
        EXPECT_EQ(profile.fontFile, c.file);
        EXPECT_EQ(languageBundlePath(c.shortCode), c.bundle);
    }
}

TEST(LanguageCodes, EnsOnAKoreanSystemGivesKoreanInterface)
{
    // "ens": the interface follows the system; a Korean system gives the Korean locale and profile.
    const std::wstring locale = localeFromUiLanguage(0x0412);
    const std::wstring shortCode = shortCodeFromLocale(locale);
    EXPECT_EQ(locale, L"ko_KR");
    EXPECT_EQ(shortCode, L"kr");
    EXPECT_EQ(languageProfileFor(shortCode).fontFace, L"Noto Sans");
}

}  // namespace
