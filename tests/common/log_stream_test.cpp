#include "common/log.h"
#include "common/log_stream.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

common::LogStamp fixedStamp()
{
    common::LogStamp stamp;
    stamp.month = 3;
    stamp.day = 7;
    stamp.hour = 9;
    stamp.minute = 5;
    stamp.second = 4;
    stamp.millisecond = 12;
    stamp.threadId = 42;
    return stamp;
}

std::string buildLine(const char* function, int line, std::wstring_view message)
{
    common::LogStream stream(function, line, fixedStamp(), nullptr);
    stream << message;
    return stream.line();
}

TEST(LogStream, WritesTheHeaderFieldsZeroPaddedAndEndsWithCrLf)
{
    EXPECT_EQ(buildLine("DownloadImpl::entrance", 57, L"It's exist"),
              "03-07\t09:05:04.012\t0042\tDownloadImpl::entrance\t(57):It's exist\r\n");
}

TEST(LogStream, KeepsWideThreadIdsAndNegativeLines)
{
    common::LogStamp stamp = fixedStamp();
    stamp.threadId = 123456;
    common::LogStream stream("f", -1, stamp, nullptr);
    EXPECT_EQ(stream.line(), "03-07\t09:05:04.012\t123456\tf\t(-1):\r\n");
}

TEST(LogStream, EncodesNonAsciiAsUtf8)
{
    const std::string line = buildLine("f", 1, L"\u041f\u0440\u0438\u0432\u0435\u0442 \u4e2d\u6587");
    EXPECT_NE(line.find("(1):\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82 \xE4\xB8\xAD\xE6\x96\x87\r\n"),
              std::string::npos);
}

TEST(LogStream, CutsAnOverlongMessageOnACharacterBoundaryInsteadOfLosingTheLine)
{
    // Three-byte characters make the cut fall inside a character unless it is moved back.
    const std::wstring message(5000, L'\u4e2d');
    const std::string line = buildLine("f", 1, message);
    ASSERT_FALSE(line.empty());
    EXPECT_LE(line.size(), common::kLogLineCapacity);
    EXPECT_GT(line.size(), common::kLogLineCapacity - 4);
    ASSERT_EQ(line.substr(line.size() - 2), "\r\n");
    const std::string body = line.substr(line.find("(1):") + 4);
    EXPECT_EQ((body.size() - 2) % 3, 0u) << "a character was split";
}

TEST(LogStream, FailsOnlyWhenTheHeaderItselfCannotFit)
{
    const std::string hugeName(common::kLogLineCapacity, 'x');
    common::LogStream stream(hugeName.c_str(), 1, fixedStamp(), nullptr);
    stream << L"lost";
    EXPECT_TRUE(stream.failed());
    EXPECT_TRUE(stream.line().empty());
}

// Captures what writeLog hands to the sink.
std::vector<std::wstring> g_captured;
void captureSink(const char*, int, const wchar_t* text)
{
    g_captured.emplace_back(text);
}

class WriteLog : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_captured.clear();
        common::setLineSink(&captureSink);
    }
    void TearDown() override { common::setLineSink(nullptr); }
};

TEST_F(WriteLog, FormatsWithWindowsWideRules)
{
    const std::wstring path = L"C:\\Users\\\u00e9";
    common::writeLog("f", 1, L"path %s code %d big %I64d narrow %S", path.c_str(), -5,
                     static_cast<long long>(1) << 40, "ansi");
    ASSERT_EQ(g_captured.size(), 1u);
    EXPECT_EQ(g_captured[0], L"path C:\\Users\\\u00e9 code -5 big 1099511627776 narrow ansi");
}

TEST_F(WriteLog, PassesPercentSignsInArgumentsThrough)
{
    common::writeLog("f", 1, L"url %s", L"http://x/a%20b?%d%s");
    ASSERT_EQ(g_captured.size(), 1u);
    EXPECT_EQ(g_captured[0], L"url http://x/a%20b?%d%s");
}

TEST_F(WriteLog, CutsMessagesAtTheMessageCapacity)
{
    const std::wstring longText(20000, L'a');
    common::writeLog("f", 1, L"%s", longText.c_str());
    ASSERT_EQ(g_captured.size(), 1u);
    EXPECT_EQ(g_captured[0].size(), common::kLogMessageCapacity - 1);
}

TEST(WriteLogWithoutSink, DoesNothing)
{
    g_captured.clear();
    common::setLineSink(nullptr);
    common::writeLog("f", 1, L"%s", L"dropped");
    EXPECT_TRUE(g_captured.empty());
}

}  // namespace
