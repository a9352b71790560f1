#include "ui/language_tables.h"

#include <array>
#include <utility>

namespace {

struct CodePair {
    const wchar_t* shortCode;
    const wchar_t* locale;
};

// Tested in this order in both directions.
constexpr std::array<CodePair, 20> kCodePairs = {{
    {L"tw", L"zh_TW"}, {L"kr", L"ko_KR"}, {L"vn", L"vi_VN"}, {L"th", L"th_TH"}, {L"ru", L"ru_RU"},
    {L"pt", L"pt_PT"}, {L"tr", L"tr_TR"}, {L"es", L"es_ES"}, {L"ar", L"ar_IL"}, {L"jp", L"ja_JP"},
    {L"fa", L"fa_IR"}, {L"in", L"hi_IN"}, {L"de", L"de_DE"}, {L"fr", L"fr_FR"}, {L"id", L"in_ID"},
    {L"cn", L"zh_CN"}, {L"it", L"it_IT"}, {L"en", L"en_US"}, {L"my", L"ms_MY"}, {L"ua", L"uk_UA"},
}};

struct UiLanguage {
    uint16_t primary;
    const wchar_t* locale;
};

constexpr uint16_t kPrimaryChinese = 4;
constexpr std::array<UiLanguage, 19> kUiLanguages = {{
    {1, L"ar_IL"},  {7, L"de_DE"},  {9, L"en_US"},  {10, L"es_ES"}, {12, L"fr_FR"},
    {16, L"it_IT"}, {17, L"ja_JP"}, {18, L"ko_KR"}, {22, L"pt_PT"}, {25, L"ru_RU"},
    {30, L"th_TH"}, {31, L"tr_TR"}, {33, L"in_ID"}, {34, L"uk_UA"}, {41, L"fa_IR"},
    {42, L"vi_VN"}, {57, L"hi_IN"}, {62, L"ms_MY"}, {kPrimaryChinese, L"zh_TW"},
}};

constexpr wchar_t kNotoSans[] = L"NotoSans-Regular.otf";
constexpr wchar_t kRoboto[] = L"Roboto-Regular.otf";

struct ProfileRow {
    const wchar_t* shortCode;
    const wchar_t* profileCode;
    const wchar_t* fontFace;
    const wchar_t* fontFile;
};

constexpr std::array<ProfileRow, 13> kProfiles = {{
    {L"tw", L"tw", L"Noto Sans", kNotoSans}, {L"kr", L"kr", L"Noto Sans", kNotoSans},
    {L"jp", L"jp", L"Noto Sans", kNotoSans}, {L"vn", L"vn", L"Roboto", kRoboto},
    {L"th", L"th", L"Arial", L""},           {L"pt", L"pt", L"Roboto", kRoboto},
    {L"br", L"pt", L"Roboto", kRoboto},      {L"ru", L"ru", L"Roboto", kRoboto},
    {L"es", L"es", L"Roboto", kRoboto},      {L"ar", L"ar", L"Roboto", kRoboto},
    {L"de", L"de", L"Roboto", kRoboto},      {L"fr", L"fr", L"Roboto", kRoboto},
    {L"id", L"id", L"Roboto", kRoboto},
}};

constexpr std::array<const wchar_t*, 15> kBundleCodes = {
    L"cn", L"tw", L"kr", L"vn", L"th", L"ru", L"pt", L"fr", L"jp", L"es", L"id", L"ar", L"fa", L"tr", L"de"};

}  // namespace

std::wstring localeFromUiLanguage(uint16_t languageId)
{
    const uint16_t primary = languageId & 0x3FF;
    for (const UiLanguage& row : kUiLanguages) {
        if (row.primary == primary) {
            return row.locale;
        }
    }
    return L"en_US";
}

std::wstring localeFromShortCode(const std::wstring& shortCode)
{
    for (const CodePair& pair : kCodePairs) {
        if (shortCode == pair.shortCode) {
            return pair.locale;
        }
    }
    return L"en_US";
}

std::wstring shortCodeFromLocale(const std::wstring& locale)
{
    for (const CodePair& pair : kCodePairs) {
        if (locale == pair.locale) {
            return pair.shortCode;
        }
    }
    return L"en";
}

LanguageProfile languageProfileFor(const std::wstring& shortCode)
{
    for (const ProfileRow& row : kProfiles) {
        if (shortCode == row.shortCode) {
            return {row.profileCode, row.fontFace, row.fontFile};
        }
    }
    return {L"en", L"Roboto", kRoboto};
}

std::wstring languageBundlePath(const std::wstring& shortCode)
{
    for (const wchar_t* code : kBundleCodes) {
        if (shortCode == code) {
            return L"language\\downloader_" + shortCode + L".xml";
        }
    }
    return L"language\\downloader_en.xml";
}
