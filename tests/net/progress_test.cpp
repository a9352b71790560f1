#include "net/curl_progress.h"
#include "net/file_progress.h"
#include "net/memory_answer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// One libcurl progress call and what the rule must answer to it.
struct Call {
    double total;
    double received;
    uint32_t now;
    int report;  // -1: no report
};

void play(utility::CurlProgressRule rule, const std::vector<Call>& calls, const char* name)
{
    for (size_t i = 0; i < calls.size(); ++i) {
        const Call& c = calls[i];
        EXPECT_EQ(rule.next(c.total, c.received, c.now), c.report) << name << ", call " << i;
    }
}

TEST(CurlProgressRule, ReportsAtMostOncePerSecondAndNever100)
{
    play(utility::CurlProgressRule(0),
         {
             {0, 0, 50000, -1},       // no length yet
             {0.05, 0, 50000, -1},    // still "no length"
             {1000, 10, 50000, 1},    // the first call with a length reports at once
             {1000, 500, 50500, -1},  // too soon
             {1000, 600, 51000, -1},  // exactly 1000 ms is still too soon
             {1000, 601, 51001, 60},
             {1000, 999, 53000, 99},   // truncated, not rounded
             {1000, 1000, 55000, -1},  // 100 is for the caller to report
             {1000, 1000, 57000, -1},
         },
         "fresh download");
}

TEST(CurlProgressRule, CountsTheResumedPartAsDone)
{
    // 3000 bytes were on disk; 3000 more are announced.
    play(utility::CurlProgressRule(3000),
         {
             {3000, 0, 10000, 50},
             {3000, 1500, 11001, 75},
             {3000, 3000, 13000, -1},
         },
         "resumed download");
}

TEST(CurlProgressRule, TheTickCountMayWrap)
{
    play(utility::CurlProgressRule(0),
         {
             {100, 10, 0xFFFFFF00u, 10},
             {100, 20, 0x00000100u, -1},  // 512 ms later, across the wrap
             {100, 30, 0x00000300u, 30},  // 1024 ms later
         },
         "wrapping ticks");
}

TEST(CurlProgressRule, CountsThatMakeNoPercentageAreNotReported)
{
    play(utility::CurlProgressRule(0),
         {
             {-5, 1, 10000, -1},
             {10, -20, 20000, -1},
             {0.5, 1e300, 30000, -1},
         },
         "absurd counts");
}

TEST(FileProgress, ResumedBytesCountAsReceivedAndAMissingLengthIsEstimated)
{
    struct Case {
        int64_t contentLength;
        int64_t offset;
        int64_t total;
    };
    const Case cases[] = {
        {5000, 0, 5000},     {4900, 100, 5000}, {-1, 0, 10485760},
        {-1, 100, 10485860}, {0, 0, 10485760},  // an announced 0 says nothing useful either
    };
    for (const Case& c : cases) {
        utility::FileProgress progress;
        progress.start(c.contentLength, c.offset);
        EXPECT_EQ(progress.total(), c.total) << "length " << c.contentLength << ", offset " << c.offset;
        EXPECT_EQ(progress.received(), c.offset);
        EXPECT_EQ(progress.add(10), c.offset + 10);
    }
}

TEST(MemoryAnswer, KeepsUpToTheLimitAndThenRefusesForGood)
{
    utility::MemoryAnswer answer(10);
    EXPECT_EQ(answer.append("12345", 5), utility::MemoryAnswer::Append::kDone);
    EXPECT_EQ(answer.append("67890", 5), utility::MemoryAnswer::Append::kDone) << "exactly the limit fits";
    EXPECT_EQ(answer.append("x", 1), utility::MemoryAnswer::Append::kOverLimit);
    EXPECT_TRUE(answer.refused());
    EXPECT_EQ(answer.size(), 10u) << "the refused block is not kept in part";
    EXPECT_EQ(answer.append("", 0), utility::MemoryAnswer::Append::kOverLimit)
        << "a refused answer stays refused";
    EXPECT_EQ(answer.take(), "1234567890");
    EXPECT_EQ(answer.size(), 0u);
}

TEST(MemoryAnswer, ABlockThatWouldCrossTheLimitIsRefusedWhole)
{
    utility::MemoryAnswer answer(10);
    EXPECT_EQ(answer.append("123456", 6), utility::MemoryAnswer::Append::kDone);
    EXPECT_EQ(answer.append("789012", 6), utility::MemoryAnswer::Append::kOverLimit);
    EXPECT_EQ(answer.take(), "123456");
}

TEST(MemoryAnswer, TheSharedLimitIsOneMebibyte)
{
    EXPECT_EQ(utility::kMemoryAnswerLimit, 1048576u);
    utility::MemoryAnswer answer;
    const std::string block(utility::kMemoryAnswerLimit, 'a');
    EXPECT_EQ(answer.append(block.data(), block.size()), utility::MemoryAnswer::Append::kDone);
    EXPECT_EQ(answer.append("b", 1), utility::MemoryAnswer::Append::kOverLimit);
}

}  // namespace
