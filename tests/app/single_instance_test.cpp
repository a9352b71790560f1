// Starts the real installer twice in the test's Wine prefix and watches what the two instances do
// through the hidden IPC window, the main window and the shared log.

#include "app/app_constants.h"

#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>

namespace {

using Clock = std::chrono::steady_clock;

std::wstring logPath()
{
    wchar_t appData[MAX_PATH] = {};
    SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, appData);
    return std::wstring(appData) + app::kDataFolder + app::kLogFileName;
}

std::string readLog()
{
    std::ifstream in(std::filesystem::path(logPath()), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool waitFor(const std::function<bool()>& condition, std::chrono::seconds limit)
{
    const auto deadline = Clock::now() + limit;
    while (Clock::now() < deadline) {
        if (condition()) {
            return true;
        }
        Sleep(50);
    }
    return condition();
}

class Installer {
public:
    bool start()
    {
        std::wstring commandLine = L"\"" + std::wstring(CORVANE_INSTALLER_PATH) + L"\"";
        STARTUPINFOW startup{};
        startup.cb = sizeof(startup);
        PROCESS_INFORMATION process{};
        if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                            &startup, &process)) {
            return false;
        }
        CloseHandle(process.hThread);
        m_process = process.hProcess;
        return true;
    }
    ~Installer()
    {
        if (m_process != nullptr) {
            if (WaitForSingleObject(m_process, 0) == WAIT_TIMEOUT) {
                TerminateProcess(m_process, 1);
            }
            CloseHandle(m_process);
        }
    }
    // Exit code, or -1 when it has not ended in time.
    long waitForExit(DWORD timeoutMs) const
    {
        if (WaitForSingleObject(m_process, timeoutMs) != WAIT_OBJECT_0) {
            return -1;
        }
        DWORD code = 0;
        GetExitCodeProcess(m_process, &code);
        return static_cast<long>(code);
    }

private:
    HANDLE m_process = nullptr;
};

bool contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

TEST(SingleInstance, ASecondStartHandsOverToTheFirstWhichEndsInOrderWhenClosed)
{
    DeleteFileW(logPath().c_str());

    Installer first;
    ASSERT_TRUE(first.start()) << "CreateProcess error " << GetLastError();
    ASSERT_TRUE(waitFor([] { return FindWindowW(app::kInstanceName, nullptr) != nullptr; },
                        std::chrono::seconds(60)))
        << "the first instance never opened its IPC window";
    const HWND mainWindow = FindWindowW(nullptr, L"Corvane");
    ASSERT_NE(mainWindow, nullptr);
    EXPECT_TRUE(IsWindowVisible(mainWindow));

    Installer second;
    ASSERT_TRUE(second.start());
    EXPECT_EQ(second.waitForExit(60000), 0) << "the second instance must end at once by itself";

    EXPECT_TRUE(waitFor([] { return contains(readLog(), "onHandleWindowIPC, msg = 11123\r\n"); },
                        std::chrono::seconds(10)))
        << readLog();
    const std::string log = readLog();
    EXPECT_TRUE(contains(log, "\tDownloaderModel::popupExistPwnd\t"));
    EXPECT_TRUE(contains(log, "):wnd not exist\r\n"));
    EXPECT_TRUE(contains(log, "):wnd exist\r\n"));
    EXPECT_TRUE(contains(log, "\tDownloadImpl::entrance\t"));
    EXPECT_TRUE(contains(log, "):It's exist\r\n"));
    EXPECT_TRUE(contains(log, "\twWinMain\t"));

    PostMessageW(mainWindow, WM_CLOSE, 0, 0);
    EXPECT_EQ(first.waitForExit(60000), 0);
    EXPECT_EQ(FindWindowW(app::kInstanceName, nullptr), nullptr);

    // What is logged on the way out is exactly what a failure report needs: it must be in the file.
    const std::string finalLog = readLog();
    EXPECT_TRUE(contains(finalLog, "):end run\r\n")) << finalLog;
    EXPECT_EQ(finalLog.substr(finalLog.size() - 9), "end run\r\n");
}

}  // namespace
