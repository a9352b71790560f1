#pragma once
// The code tables between the three kinds of language code: the short code ("tw", "kr", "en"),
// the locale code ("zh_TW"; the string table's column) and the Windows UI language identifier,
// plus the per-language font profile and string bundle. Exact, case-sensitive comparisons.

#include <cstdint>
#include <string>

struct LanguageProfile {
    std::wstring profileCode;  // key of the customer texts for this language
    std::wstring fontFace;
    std::wstring fontFile;     // empty when the language needs no font of ours
};

// Chinese (primary language 4) of either script gives "zh_TW"; unlisted languages "en_US".
[[nodiscard]] std::wstring localeFromUiLanguage(uint16_t languageId);
// Unlisted short codes give "en_US".
[[nodiscard]] std::wstring localeFromShortCode(const std::wstring& shortCode);
// Unlisted locales give "en".
[[nodiscard]] std::wstring shortCodeFromLocale(const std::wstring& locale);
[[nodiscard]] LanguageProfile languageProfileFor(const std::wstring& shortCode);
// "language\downloader_<code>.xml", with "en" for codes that have no bundle.
[[nodiscard]] std::wstring languageBundlePath(const std::wstring& shortCode);
