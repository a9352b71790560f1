#include "net/http_answer.h"
#include "net/http_error_kind.h"
#include "net/http_header_text.h"

#include "common/utf8.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace {

std::string show(const std::wstring& text)
{
    return common::toUtf8(text);
}

TEST(HeaderText, DefaultsAreAddedAndLinesFollowTheTableOrder)
{
    struct Case {
        utility::HttpHeaderTable table;
        std::wstring text;
    };
    const Case cases[] = {
        {{}, L"Content-Type: application/x-www-form-urlencoded\r\nUser-Agent: zxrdzo/7.3.4J\r\n"},
        // A resumed download: the three lines in exactly this order.
        {{{L"Range", L"bytes=100-"}},
         L"Content-Type: application/x-www-form-urlencoded\r\n"
         L"Range: bytes=100-\r\n"
         L"User-Agent: zxrdzo/7.3.4J\r\n"},
        // The caller's values win over the defaults.
        {{{L"Content-Type", L"text/plain"}, {L"User-Agent", L"other"}},
         L"Content-Type: text/plain\r\nUser-Agent: other\r\n"},
        // Names compare case-sensitively: lower case sorts after every upper-case name.
        {{{L"accept", L"x"}, {L"X-Id", L"7"}},
         L"Content-Type: application/x-www-form-urlencoded\r\n"
         L"User-Agent: zxrdzo/7.3.4J\r\n"
         L"X-Id: 7\r\n"
         L"accept: x\r\n"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(show(utility::buildHeaderText(c.table)), show(c.text));
    }
}

TEST(HeaderText, BuildingLeavesTheTableAlone)
{
    const utility::HttpHeaderTable table = {{L"Range", L"bytes=1-"}};
    (void)utility::buildHeaderText(table);
    EXPECT_EQ(table.size(), 1u);
}

TEST(HeaderText, RangeFromAnOffset)
{
    EXPECT_EQ(utility::rangeFrom(100), L"bytes=100-");
    EXPECT_EQ(utility::rangeFrom(5368709120LL), L"bytes=5368709120-") << "past 32 bits";
}

TEST(ContentLength, OnlyPlainDecimalNumbersThatFit)
{
    struct Case {
        const wchar_t* text;
        int64_t length;
    };
    const Case cases[] = {
        {L"0", 0},
        {L"12587011", 12587011},
        {L" 42\t", 42},
        {L"5368709120", 5368709120LL},
        {L"9223372036854775807", INT64_MAX},
        {L"9223372036854775808", -1},
        {L"", -1},
        {L"  ", -1},
        {L"-1", -1},
        {L"+5", -1},
        {L"12 34", -1},
        {L"0x10", -1},
        {L"12abc", -1},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(utility::parseContentLength(c.text), c.length) << "text: '" << show(c.text) << "'";
    }
}

TEST(ContentRange, ParsesTheSatisfiedFormOnly)
{
    struct Case {
        const wchar_t* text;
        bool ok;
        int64_t first;
        int64_t last;
        int64_t total;
    };
    const Case cases[] = {
        {L"bytes 100-12587010/12587011", true, 100, 12587010, 12587011},
        {L"bytes 0-0/1", true, 0, 0, 1},
        {L"BYTES 5-9/*", true, 5, 9, -1},
        {L"  bytes  7-8/9 ", true, 7, 8, 9},
        {L"bytes */12587011", false, 0, 0, 0},
        {L"bytes 9-5/10", false, 0, 0, 0},
        {L"bytes 5-10/10", false, 0, 0, 0},
        {L"bytes=5-9/10", false, 0, 0, 0},
        {L"bytes5-9/10", false, 0, 0, 0},
        {L"items 5-9/10", false, 0, 0, 0},
        {L"bytes 5-9", false, 0, 0, 0},
        {L"bytes 5-9/10x", false, 0, 0, 0},
        {L"bytes -5-9/10", false, 0, 0, 0},
        {L"bytes 99999999999999999999-1/2", false, 0, 0, 0},
        {L"", false, 0, 0, 0},
    };
    for (const Case& c : cases) {
        utility::ContentRange range;
        range.first = -7;
        EXPECT_EQ(utility::parseContentRange(c.text, range), c.ok) << "text: '" << show(c.text) << "'";
        if (c.ok) {
            EXPECT_EQ(range.first, c.first) << show(c.text);
            EXPECT_EQ(range.last, c.last) << show(c.text);
            EXPECT_EQ(range.total, c.total) << show(c.text);
        } else {
            EXPECT_EQ(range.first, -7) << "a refused text leaves the range alone: " << show(c.text);
        }
    }
}

TEST(RangeStart, OnlyTheOpenEndedFormThisProgramSends)
{
    EXPECT_EQ(utility::parseRangeStart(L"bytes=100-"), 100);
    EXPECT_EQ(utility::parseRangeStart(L"bytes=0-"), 0);
    EXPECT_EQ(utility::parseRangeStart(L"bytes=100-200"), -1);
    EXPECT_EQ(utility::parseRangeStart(L"bytes=-100"), -1);
    EXPECT_EQ(utility::parseRangeStart(L"bytes=1-,5-"), -1);
    EXPECT_EQ(utility::parseRangeStart(L"lines=1-"), -1);
    EXPECT_EQ(utility::parseRangeStart(L""), -1);
}

TEST(RangeAnswer, APartialAnswerMustStartWhereTheRequestAsked)
{
    struct Case {
        int64_t requestedFrom;
        int status;
        const wchar_t* contentRange;
        bool consistent;
    };
    const Case cases[] = {
        {100, 206, L"bytes 100-199/200", true},
        {100, 206, L"bytes 0-199/200", false},    // the whole file as a "part"
        {100, 206, L"bytes 150-199/200", false},  // a hole before it
        {100, 206, L"", false},                   // no Content-Range at all
        {100, 206, L"bytes */200", false},
        {-1, 206, L"bytes 0-199/200", false},  // a part nobody asked for
        {100, 200, L"", true},                 // the whole file: handled by restarting
        {-1, 200, L"", true},
        {100, 204, L"garbage", true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(utility::isConsistentRangeAnswer(c.requestedFrom, c.status, c.contentRange), c.consistent)
            << "from " << c.requestedFrom << ", status " << c.status << ", '" << show(c.contentRange) << "'";
    }
}

TEST(ErrorKind, UnreachableServersAreConnectFailures)
{
    EXPECT_EQ(utility::sendFailureKind(12029), utility::kHttpErrorConnect);  // cannot connect
    EXPECT_EQ(utility::sendFailureKind(12007), utility::kHttpErrorConnect);  // name not resolved
    EXPECT_EQ(utility::sendFailureKind(12038), utility::kHttpErrorSend);     // certificate name
    EXPECT_EQ(utility::sendFailureKind(12002), utility::kHttpErrorSend);     // time-out
    EXPECT_EQ(utility::kHttpErrorConnect, 2);
    EXPECT_EQ(utility::kHttpErrorSend, 6);
}

}  // namespace
