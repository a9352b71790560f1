#include "utility/text_convert.h"

#include <windows.h>

#include <gtest/gtest.h>

namespace {

TEST(TextConvert, RoundTripsUtf8AndTheAnsiCodePage)
{
    const std::wstring text = L"Corvane \u041f\u0440\u0438\u0432\u0435\u0442 \u4e2d\u6587";
    const std::string utf8 = utility::wideToUtf8(text);
    EXPECT_EQ(utf8, "Corvane \xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82 \xE4\xB8\xAD\xE6\x96\x87");
    EXPECT_EQ(utility::utf8ToWide(utf8), text);
    EXPECT_EQ(utility::toNarrow(text, CP_UTF8), utf8);

    EXPECT_EQ(utility::ansiToWide("plain"), L"plain");
    EXPECT_EQ(utility::wideToAnsi(L"plain"), "plain");
    EXPECT_EQ(utility::ansiToUtf8("plain"), "plain");
    // In the ANSI code page (1252 here) the byte E9 is é, which is two bytes in UTF-8.
    if (GetACP() == 1252) {
        EXPECT_EQ(utility::ansiToUtf8("caf\xE9"), "caf\xC3\xA9");
    }
}

TEST(TextConvert, NullAndEmptyTextsGiveEmptyResults)
{
    EXPECT_EQ(utility::toWide(static_cast<const char*>(nullptr), CP_UTF8), L"");
    EXPECT_EQ(utility::toWide("", CP_UTF8), L"");
    EXPECT_EQ(utility::toNarrow(L"", CP_ACP), "");
}

TEST(TextConvert, KeepsEmbeddedNulsAndTheExactLength)
{
    const std::string withNul("a\0b", 3);
    EXPECT_EQ(utility::utf8ToWide(withNul), std::wstring(L"a\0b", 3));
}

}  // namespace
