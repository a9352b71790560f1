// The process-wide log: nothing before it opens, everything up to an orderly exit after.

#include "common/log.h"
#include "common/log_writer.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace fs = std::filesystem;

namespace {

std::string readFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST(ProcessLog, WritesNothingBeforeItOpensAndEverythingUpToTheFlush)
{
    const fs::path dir = fs::temp_directory_path() / "corvane-log-open";
    fs::remove_all(dir);
    fs::create_directories(dir);
    const fs::path path = dir / "downloader.log";

    common::setLineSink(&common::logToFile);
    common::writeLog("early", 1, L"before open");
    ASSERT_EQ(common::LogWriter::current(), nullptr);

    common::openLog(path.wstring());
    common::LogWriter* writer = common::LogWriter::current();
    ASSERT_NE(writer, nullptr);
    common::openLog((dir / "other.log").wstring());
    EXPECT_EQ(common::LogWriter::current(), writer) << "a second open must not replace the log";

    for (int i = 0; i < 50; ++i) {
        common::writeLog("late", i, L"line %d", i);
    }
    common::flushLog();

    const std::string content = readFile(path);
    EXPECT_EQ(content.find("before open"), std::string::npos);
    EXPECT_NE(content.find("\tlate\t(0):line 0\r\n"), std::string::npos);
    EXPECT_NE(content.find("\tlate\t(49):line 49\r\n"), std::string::npos);
    EXPECT_FALSE(fs::exists(dir / "other.log"));
}

}  // namespace
