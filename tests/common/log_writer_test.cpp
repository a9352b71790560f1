#include "common/log_stream.h"
#include "common/log_writer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

class LogWriterTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        m_dir = fs::temp_directory_path() / (std::string("corvane-log-") + info->name());
        fs::remove_all(m_dir);
        fs::create_directories(m_dir);
        m_path = m_dir / "downloader.log";
    }
    void TearDown() override
    {
        std::error_code ignored;
        fs::remove_all(m_dir, ignored);
    }

    std::string readFile() const
    {
        std::ifstream in(m_path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    void writeFile(const std::string& bytes) const
    {
        std::ofstream out(m_path, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }

    fs::path m_dir;
    fs::path m_path;
};

TEST_F(LogWriterTest, AppendsToAnExistingFile)
{
    writeFile("earlier run\r\n");
    common::LogWriter writer(m_path.wstring());
    writer.append("new line\r\n");
    ASSERT_TRUE(writer.flush(5s));
    EXPECT_EQ(readFile(), "earlier run\r\nnew line\r\n");
}

TEST_F(LogWriterTest, EmptiesAFileThatStartsWithAUtf16ByteOrderMark)
{
    writeFile(std::string("\xFF\xFEh\0i\0", 6));
    common::LogWriter writer(m_path.wstring());
    writer.append("fresh\r\n");
    ASSERT_TRUE(writer.flush(5s));
    EXPECT_EQ(readFile(), "fresh\r\n");
}

TEST_F(LogWriterTest, KeepsAFileThatStartsWithOnlyHalfTheMark)
{
    writeFile("\xFFx");
    common::LogWriter writer(m_path.wstring());
    writer.append("y");
    ASSERT_TRUE(writer.flush(5s));
    EXPECT_EQ(readFile(), "\xFFxy");
}

TEST_F(LogWriterTest, WritesWithinTheIntervalWithoutAFlush)
{
    common::LogWriter writer(m_path.wstring());
    writer.append("soon\r\n");
    // The writer wakes at least every 500 ms; allow a slow machine plenty of that.
    for (int i = 0; i < 100 && readFile().empty(); ++i) {
        std::this_thread::sleep_for(100ms);
    }
    EXPECT_EQ(readFile(), "soon\r\n");
}

TEST_F(LogWriterTest, CutsTheFileBackToExactlyTheNewestTwoMebibytesPastFiftyMebibytes)
{
    // Just under the cap, with a recognisable final line, so the next write crosses it.
    const uint64_t cap = 52428800;
    std::string filler(static_cast<size_t>(cap - 100), 'o');
    writeFile(filler);

    common::LogWriter writer(m_path.wstring());
    std::string newest;
    for (int i = 0; i < 20; ++i) {
        newest = "line " + std::to_string(i) + "\r\n";
        writer.append(newest);
    }
    ASSERT_TRUE(writer.flush(30s));
    const std::string content = readFile();
    ASSERT_EQ(content.size(), 2097152u);
    EXPECT_EQ(content.substr(content.size() - newest.size()), newest);
    EXPECT_NE(content.find("line 0\r\n"), std::string::npos);

    // The file keeps growing from the kept tail.
    writer.append("after\r\n");
    ASSERT_TRUE(writer.flush(5s));
    EXPECT_EQ(readFile().size(), 2097152u + 7u);
}

TEST_F(LogWriterTest, DropsLinesOfABurstInsteadOfGrowingMemory)
{
    common::LogWriterLimits limits;
    limits.interval = std::chrono::milliseconds(60000);  // only the threshold wakes the writer
    common::LogWriter writer(m_path.wstring(), limits);

    const std::string line(100, 'x');
    const int lines = 200000;
    for (int i = 0; i < lines; ++i) {
        writer.append(line + "\r\n");
    }
    ASSERT_TRUE(writer.flush(30s));

    EXPECT_LE(writer.peakPendingBytes(), limits.flushThreshold + line.size() + 2);
    const size_t written = readFile().size() / (line.size() + 2);
    EXPECT_GT(written, 0u);
    EXPECT_LT(written, static_cast<size_t>(lines)) << "a burst this size cannot all be kept";
}

TEST_F(LogWriterTest, KeepsLinesFromManyThreadsWhole)
{
    common::LogWriter writer(m_path.wstring());
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&writer, t] {
            for (int i = 0; i < 20; ++i) {
                common::LogStamp stamp;
                stamp.threadId = static_cast<uint32_t>(1000 + t);
                common::LogStream stream("worker", i, stamp, &writer);
                stream << L"message";
            }
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    ASSERT_TRUE(writer.flush(5s));
    const std::string content = readFile();
    for (int t = 0; t < 4; ++t) {
        const std::string tag = "\t" + std::to_string(1000 + t) + "\tworker\t(19):message\r\n";
        EXPECT_NE(content.find(tag), std::string::npos) << tag;
    }
    size_t lines = 0;
    for (char c : content) {
        lines += c == '\n';
    }
    EXPECT_EQ(lines, 80u);
}

TEST_F(LogWriterTest, AFileThatCannotBeOpenedFailsSilently)
{
    common::LogWriter writer((m_dir / "missing-folder" / "downloader.log").wstring());
    writer.append("nowhere\r\n");
    EXPECT_TRUE(writer.flush(5s));
    EXPECT_FALSE(fs::exists(m_dir / "missing-folder"));
}

}  // namespace
