#include "common/utf8.h"
#include "common/wide_format.h"

#include <gtest/gtest.h>

namespace {

struct FormatCase {
    const wchar_t* windows;
    const wchar_t* posix;
};

TEST(TranslateWindowsWideFormat, MapsTextConversionsAndSizePrefixes)
{
    const FormatCase cases[] = {
        {L"plain", L"plain"},
        {L"%s", L"%ls"},
        {L"%S", L"%s"},
        {L"%hs and %ws and %ls", L"%s and %ls and %ls"},
        {L"%c%C%hc%lc", L"%lc%c%c%lc"},
        {L"%-10.3s|", L"%-10.3ls|"},
        {L"%*s", L"%*ls"},
        {L"%I64d %I64u %I32d %Iu", L"%lld %llu %d %zu"},
        {L"%d %ld %lld %hd %hhd %u %x %p", L"%d %ld %lld %hd %hhd %u %x %p"},
        {L"100%% %s", L"100%% %ls"},
        {L"%", L"%"},
        {L"%l", L"%l"},
        {L"%h", L"%h"},
    };
    for (const FormatCase& c : cases) {
        EXPECT_EQ(common::translateWindowsWideFormat(c.windows), c.posix) << "format: " << common::toUtf8(c.windows);
    }
}

TEST(Utf8, EncodesEveryLengthAndReplacesBrokenSurrogates)
{
    EXPECT_EQ(common::toUtf8(L"a\u00e9\u4e2d"), "a\xC3\xA9\xE4\xB8\xAD");
    if constexpr (sizeof(wchar_t) == 2) {
        const wchar_t pair[] = {0xD83D, 0xDE00, 0};  // U+1F600
        EXPECT_EQ(common::toUtf8(pair), "\xF0\x9F\x98\x80");
        const wchar_t lone[] = {0xD83D, L'x', 0};
        EXPECT_EQ(common::toUtf8(lone), "\xEF\xBF\xBDx");
    } else {
        const wchar_t emoji[] = {static_cast<wchar_t>(0x1F600), 0};
        EXPECT_EQ(common::toUtf8(emoji), "\xF0\x9F\x98\x80");
        const wchar_t beyond[] = {static_cast<wchar_t>(0x110000), 0};
        EXPECT_EQ(common::toUtf8(beyond), "\xEF\xBF\xBD");
    }
}

TEST(Utf8, PrefixLengthNeverSplitsACharacter)
{
    const std::string text = "ab\xE4\xB8\xAD";  // a, b, one three-byte character
    EXPECT_EQ(common::utf8PrefixLength(text, 10), 5u);
    EXPECT_EQ(common::utf8PrefixLength(text, 5), 5u);
    EXPECT_EQ(common::utf8PrefixLength(text, 4), 2u);
    EXPECT_EQ(common::utf8PrefixLength(text, 3), 2u);
    EXPECT_EQ(common::utf8PrefixLength(text, 2), 2u);
    EXPECT_EQ(common::utf8PrefixLength(text, 0), 0u);
}

}  // namespace
