#include "utility/process.h"

#include "log_capture.h"
#include "utility/ufile.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <string>

namespace {

std::wstring helper(const wchar_t* name)
{
    return utility::ufile::getModuleDir() + name;
}

std::wstring tempPath(const std::wstring& name)
{
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    return std::wstring(temp) + name;
}

bool waitForFile(const std::wstring& path, DWORD timeoutMs)
{
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < timeoutMs) {
        if (utility::ufile::exists(path)) {
            return true;
        }
        Sleep(20);
    }
    return utility::ufile::exists(path);
}

std::wstring readRecorded(const std::wstring& path)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return L"<none>";
    }
    wchar_t buffer[2048] = {};
    DWORD read = 0;
    ReadFile(file, buffer, sizeof(buffer) - sizeof(wchar_t), &read, nullptr);
    CloseHandle(file);
    return std::wstring(buffer, read / sizeof(wchar_t));
}

bool loggedWithPrefix(const testsupport::LogCapture& log, const std::wstring& prefix)
{
    for (const auto& line : log.lines()) {
        if (line.text.rfind(prefix, 0) == 0) {
            return true;
        }
    }
    return false;
}

class ProcessTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_record = tempPath(L"corvane-recorded-" + std::to_wstring(GetCurrentProcessId()) + L".txt");
        DeleteFileW(m_record.c_str());
        SetEnvironmentVariableW(L"CORVANE_RECORD_FILE", m_record.c_str());
    }
    void TearDown() override { DeleteFileW(m_record.c_str()); }

    std::wstring m_record;
    testsupport::LogCapture m_log;
};

TEST_F(ProcessTest, ExecuteJudgesByExitCode)
{
    EXPECT_TRUE(utility::process::execute(helper(L"helper_exit_with.exe"), L"0", false, 30000)) << m_log.dump();
    EXPECT_TRUE(loggedWithPrefix(m_log, L"execute exitcode = 0 lastError = ")) << m_log.dump();

    m_log.clear();
    EXPECT_FALSE(utility::process::execute(helper(L"helper_exit_with.exe"), L"1", false, 30000));
    EXPECT_TRUE(loggedWithPrefix(m_log, L"execute exitcode = 1 lastError = "));
    EXPECT_TRUE(m_log.contains("utility::process::create",
                               L"createProcess filename = [" + helper(L"helper_exit_with.exe") +
                                   L"], param = [1], show = 0"));
}

TEST_F(ProcessTest, TimeOutZeroReturnsAtOnceWhateverTheProgramDoesLater)
{
    const std::wstring marker = tempPath(L"corvane-marker-zero.txt");
    DeleteFileW(marker.c_str());
    EXPECT_TRUE(utility::process::execute(helper(L"helper_sleep_then_mark.exe"), L"1500 \"" + marker + L"\"",
                                          false, 0));
    EXPECT_FALSE(utility::ufile::exists(marker)) << "returned before the program finished";
    EXPECT_TRUE(waitForFile(marker, 30000));
    DeleteFileW(marker.c_str());
}

TEST_F(ProcessTest, ATimeOutGivesFalseAndLeavesTheProgramRunning)
{
    const std::wstring marker = tempPath(L"corvane-marker-timeout.txt");
    DeleteFileW(marker.c_str());
    EXPECT_FALSE(utility::process::execute(helper(L"helper_sleep_then_mark.exe"), L"1500 \"" + marker + L"\"",
                                           false, 100));
    EXPECT_TRUE(m_log.contains("utility::process::execute", L"execute timeout!!!"));
    EXPECT_TRUE(waitForFile(marker, 30000)) << "the program was not left running";
    DeleteFileW(marker.c_str());
}

TEST_F(ProcessTest, QuotesTheProgramAndAddsNoSpaceForEmptyParameters)
{
    const std::wstring folder = tempPath(L"corvane dir with spaces");
    CreateDirectoryW(folder.c_str(), nullptr);
    const std::wstring program = folder + L"\\record command line.exe";
    ASSERT_TRUE(CopyFileW(helper(L"helper_record_command_line.exe").c_str(), program.c_str(), FALSE));

    EXPECT_TRUE(utility::process::execute(program, L"", false, 30000));
    EXPECT_EQ(readRecorded(m_record), L"\"" + program + L"\"");

    EXPECT_TRUE(utility::process::execute(program, L"-path=\"C:\\x y\" -z", false, 30000));
    EXPECT_EQ(readRecorded(m_record), L"\"" + program + L"\" -path=\"C:\\x y\" -z");

    DeleteFileW(program.c_str());
    RemoveDirectoryW(folder.c_str());
}

TEST_F(ProcessTest, AMissingProgramFailsWithBothLines)
{
    const std::wstring missing = helper(L"no_such_program.exe");
    EXPECT_EQ(utility::process::create(missing, L"", false), nullptr);
    EXPECT_TRUE(m_log.contains("utility::process::create", L"createProcess failed!!! lastError = 2"));
    EXPECT_FALSE(utility::process::execute(missing, L"", false, 1000));
    EXPECT_TRUE(loggedWithPrefix(m_log, L"execute failed!!! last error = "));
}

TEST_F(ProcessTest, CreateReportsTheProcessId)
{
    DWORD id = 0;
    HANDLE process = utility::process::create(helper(L"helper_exit_with.exe"), L"7", false, &id);
    ASSERT_NE(process, nullptr);
    EXPECT_EQ(GetProcessId(process), id);
    EXPECT_EQ(WaitForSingleObject(process, 30000), WAIT_OBJECT_0);
    DWORD code = 0;
    GetExitCodeProcess(process, &code);
    EXPECT_EQ(code, 7u);
    CloseHandle(process);
}

TEST_F(ProcessTest, ShellStartsAProgramAndReportsAMissingOne)
{
    EXPECT_TRUE(utility::process::shell(helper(L"helper_record_command_line.exe"), L"a b", false, false));
    EXPECT_TRUE(m_log.contains("utility::process::shell",
                               L"shell filename = [" + helper(L"helper_record_command_line.exe") +
                                   L"], param = [a b], runas = 0, show = 0"));
    EXPECT_TRUE(waitForFile(m_record, 30000));

    m_log.clear();
    EXPECT_FALSE(utility::process::shell(helper(L"no_such_program.exe"), L"", true, false));
    EXPECT_TRUE(loggedWithPrefix(m_log, L"shellEx ret . lastError = "));
    EXPECT_TRUE(loggedWithPrefix(m_log, L"shellEx failed!!! lastError = "));
}

}  // namespace
