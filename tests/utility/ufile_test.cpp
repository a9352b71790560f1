#include "utility/file.h"
#include "utility/ufile.h"

#include "log_capture.h"
#include "window_thread.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

namespace {

class UfileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        wchar_t temp[MAX_PATH] = {};
        GetTempPathW(MAX_PATH, temp);
        m_dir = std::wstring(temp) + L"corvane-ufile-" + std::to_wstring(GetCurrentProcessId());
        ASSERT_TRUE(CreateDirectoryW(m_dir.c_str(), nullptr));
    }
    void TearDown() override { testsupport::removeTree(m_dir); }
    std::wstring path(const std::wstring& name) const { return m_dir + L"\\" + name; }
    void writeFile(const std::wstring& name, const std::string& bytes) const
    {
        HANDLE file = CreateFileW(path(name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE);
        DWORD written = 0;
        WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
        CloseHandle(file);
    }

    std::wstring m_dir;
    testsupport::LogCapture m_log;
};

TEST_F(UfileTest, MakeDirCreatesParentsAndIsSilentForAnExistingFolder)
{
    EXPECT_TRUE(utility::ufile::makeDir(path(L"a\\b\\c")));
    EXPECT_TRUE(utility::ufile::exists(path(L"a\\b\\c")));
    EXPECT_TRUE(utility::ufile::makeDir(path(L"a\\b\\c")));
    EXPECT_TRUE(m_log.empty());
}

TEST_F(UfileTest, MakeDirBelowOrOnAFileFailsWithTheLogLine)
{
    writeFile(L"file", "x");
    EXPECT_FALSE(utility::ufile::makeDir(path(L"file\\sub")));
    ASSERT_EQ(m_log.lines().size(), 1u);
    EXPECT_EQ(m_log.lines()[0].function, "utility::ufile::makeDir");
    EXPECT_EQ(m_log.lines()[0].text.rfind(L"make dir failed! error = ", 0), 0u);

    m_log.clear();
    EXPECT_FALSE(utility::ufile::makeDir(path(L"file"))) << "a file is not a folder";
    EXPECT_EQ(m_log.lines().size(), 1u);
}

TEST_F(UfileTest, MoveFileReplacesTheDestinationAndLogsFailures)
{
    writeFile(L"from", "new");
    writeFile(L"to", "old");
    EXPECT_TRUE(utility::ufile::moveFile(path(L"from"), path(L"to"), utility::ufile::kMoveReplaceAnyVolume));
    int64_t size = 0;
    ASSERT_TRUE(utility::ufile::getFileSize(path(L"to"), size));
    EXPECT_EQ(size, 3);
    EXPECT_FALSE(utility::ufile::exists(path(L"from")));

    EXPECT_FALSE(utility::ufile::moveFile(path(L"missing"), path(L"to"), 3));
    const std::wstring expected = L"move file from [ " + path(L"missing") + L" ] to [ " + path(L"to") +
                                  L" ] flag = 3 failed! error = 2.";
    EXPECT_TRUE(m_log.contains("utility::ufile::moveFile", expected));
}

TEST_F(UfileTest, RemoveFileLogsAMissingFile)
{
    writeFile(L"gone", "x");
    EXPECT_TRUE(utility::ufile::removeFile(path(L"gone")));
    EXPECT_FALSE(utility::ufile::exists(path(L"gone")));
    EXPECT_FALSE(utility::ufile::removeFile(path(L"gone")));
    EXPECT_TRUE(m_log.contains("utility::ufile::removeFile",
                               L"removeFile file from [ " + path(L"gone") + L" ] error = 2."));
}

TEST_F(UfileTest, GetFileSizeOnlyForFilesThatCanBeRead)
{
    writeFile(L"five", "12345");
    int64_t size = -1;
    EXPECT_TRUE(utility::ufile::getFileSize(path(L"five"), size));
    EXPECT_EQ(size, 5);
    EXPECT_FALSE(utility::ufile::getFileSize(path(L"none"), size));
    EXPECT_TRUE(m_log.empty());
}

TEST_F(UfileTest, ModuleAndAppDataFolders)
{
    const std::wstring moduleDir = utility::ufile::getModuleDir();
    ASSERT_FALSE(moduleDir.empty());
    EXPECT_EQ(moduleDir.back(), L'\\');
    EXPECT_TRUE(utility::ufile::exists(moduleDir + L"utility_ufile_test.exe"));

    const std::wstring appData = utility::ufile::getAppDataDir();
    ASSERT_FALSE(appData.empty());
    EXPECT_NE(appData.back(), L'\\');
    EXPECT_TRUE(utility::ufile::exists(appData));
}

TEST_F(UfileTest, FileHandleReadsWritesAndAppends)
{
    utility::ufile::File file;
    ASSERT_TRUE(file.create(path(L"data")));
    ASSERT_TRUE(file.write("abc", 3));
    file.close();

    ASSERT_TRUE(file.openReadWrite(path(L"data"), false));
    file.seekEnd();
    ASSERT_TRUE(file.write("de", 2));
    file.close();

    ASSERT_TRUE(file.openRead(path(L"data")));
    EXPECT_EQ(file.size(), 5u);
    char buffer[8] = {};
    EXPECT_EQ(file.read(buffer, sizeof(buffer)), 5u);
    EXPECT_EQ(std::string(buffer, 5), "abcde");
    EXPECT_FALSE(file.write("x", 1)) << "opened for reading only";
    file.close();

    EXPECT_FALSE(file.openRead(path(L"missing")));
    EXPECT_FALSE(file.openReadWrite(path(L"missing"), false));
    EXPECT_TRUE(file.openReadWrite(path(L"missing"), true));
    file.close();
    EXPECT_TRUE(utility::ufile::exists(path(L"missing")));
}

}  // namespace
