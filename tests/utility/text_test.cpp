#include "utility/path.h"
#include "utility/text.h"

#include "common/utf8.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

std::string show(const std::wstring& text)
{
    return common::toUtf8(text);
}

TEST(Split, CutsAtEverySeparatorKeepsEmptyPiecesAndTrims)
{
    struct Case {
        const wchar_t* text;
        const wchar_t* separator;
        std::vector<std::wstring> pieces;
    };
    const Case cases[] = {
        {L"a_b__c_", L"_", {L"a", L"b", L"", L"c", L""}},
        {L"abc", L"_", {L"abc"}},
        {L"_", L"_", {L"", L""}},
        {L" name = x | package=y ", L"|", {L"name = x", L"package=y"}},
        {L"\ta\t_ b", L"_", {L"\ta\t", L"b"}},
        {L"", L"_", {}},
        {L"abc", L"", {}},
        {L"a==b", L"==", {L"a", L"b"}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(utility::split(c.text, c.separator), c.pieces) << "text: " << show(c.text);
    }
}

TEST(Trim, RemovesOnlySpaces)
{
    std::wstring text = L"  \t x \r\n  ";
    utility::trim(text);
    EXPECT_EQ(text, L"\t x \r\n");
    std::wstring blank = L"   ";
    utility::trim(blank);
    EXPECT_EQ(blank, L"");
}

TEST(ToLower, LowersAsciiLettersOnly)
{
    std::wstring text = L"AbZ\u00c9\u0416[@";
    utility::toLower(text);
    EXPECT_EQ(text, L"abz\u00c9\u0416[@");
}

TEST(ParseKeyValues, TrimsLowersKeysSkipsEmptyKeysAndLetsTheLastWin)
{
    const utility::KeyValues table =
        utility::parseKeyValues({L" Name = x ", L"NAME=y", L"=orphan", L"no separator", L"apkurl=a=b"}, L"=");
    const utility::KeyValues expected = {{L"name", L"y"}, {L"apkurl", L"a=b"}};
    EXPECT_EQ(table, expected);

    std::wstring value;
    EXPECT_TRUE(utility::findValue(table, L"apkurl", value));
    EXPECT_EQ(value, L"a=b");
    EXPECT_FALSE(utility::findValue(table, L"Name", value)) << "lookup is case-sensitive";
    EXPECT_EQ(value, L"a=b") << "a failed lookup leaves the output alone";
}

TEST(IsAllDigits, AcceptsOnlyAsciiDigits)
{
    EXPECT_TRUE(utility::isAllDigits(L"0123456789"));
    EXPECT_TRUE(utility::isAllDigits(L""));
    EXPECT_FALSE(utility::isAllDigits(L"12a"));
    EXPECT_FALSE(utility::isAllDigits(L"-1"));
    EXPECT_FALSE(utility::isAllDigits(L"\u0661\u0662"));  // Arabic-Indic digits are not ASCII
}

TEST(Int64ToText, WritesDecimalForTheWholeRange)
{
    EXPECT_EQ(utility::int64ToText(0), L"0");
    EXPECT_EQ(utility::int64ToText(-42), L"-42");
    EXPECT_EQ(utility::int64ToText(INT64_MAX), L"9223372036854775807");
    EXPECT_EQ(utility::int64ToText(INT64_MIN), L"-9223372036854775808");
}

TEST(GetFileName, TakesThePartAfterTheLastSeparator)
{
    struct Case {
        const wchar_t* path;
        bool keepExtension;
        const wchar_t* name;
    };
    const Case cases[] = {
        {L"C:\\a\\b.tar.gz", false, L"b.tar"},
        {L"C:\\a\\b.tar.gz", true, L"b.tar.gz"},
        {L"bare.exe", true, L""},
        {L"http://host/dir/file.apk", true, L"file.apk"},
        {L"C:\\mixed/dir\\name.xapk", false, L"name"},
        {L"C:\\dir\\", true, L""},
        {L"C:\\dir\\noext", false, L"noext"},
        {L"C:\\dir.d\\noext", false, L"noext"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(utility::ufile::getFileName(c.path, c.keepExtension), c.name) << show(c.path);
    }
}

TEST(GetParentDir, KeepsTheTrailingSeparator)
{
    struct Case {
        const wchar_t* path;
        const wchar_t* parent;
    };
    const Case cases[] = {
        {L"C:\\a\\b\\", L"C:\\a\\"},
        {L"C:\\a\\b", L"C:\\a\\"},
        {L"C:\\file.exe", L"C:\\"},
        {L"x", L""},
        {L"", L""},
        {L"\\\\", L"\\"},
        {L"noseparator", L""},
        {L"/usr/lib/", L"/usr/"},
        {L"C:\\a/b", L"C:\\"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(utility::ufile::getParentDir(c.path), c.parent) << show(c.path);
    }
}

}  // namespace
