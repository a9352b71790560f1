#include "utility/shortcut.h"

#include "log_capture.h"

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <gtest/gtest.h>

#include <string>
#include <thread>

namespace {

std::wstring desktopFolder()
{
    wchar_t path[MAX_PATH] = {};
    SHGetFolderPathW(nullptr, CSIDL_DESKTOPDIRECTORY, nullptr, SHGFP_TYPE_CURRENT, path);
    return path;
}

TEST(CreateShortcut, MadeOnAWorkerWithoutComLoadsBackWithEveryField)
{
    const std::wstring name = L"Corvane Test Shortcut";
    const std::wstring linkPath = desktopFolder() + L"\\" + name + L".lnk";
    DeleteFileW(linkPath.c_str());
    testsupport::LogCapture log;

    // Worker threads of the installer never initialise COM themselves.
    std::thread worker([&] {
        helper::disk::createShortcut(name, L"C:\\Corvane\\app.ico", L"C:\\Corvane",
                                     L"C:\\Corvane\\redovedu.exe", L"-x 1");
    });
    worker.join();
    EXPECT_TRUE(log.empty());
    ASSERT_NE(GetFileAttributesW(linkPath.c_str()), INVALID_FILE_ATTRIBUTES);

    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    IShellLinkW* link = nullptr;
    ASSERT_TRUE(SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER,
                                           IID_IShellLinkW, reinterpret_cast<void**>(&link))));
    IPersistFile* file = nullptr;
    ASSERT_TRUE(SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file))));
    ASSERT_TRUE(SUCCEEDED(file->Load(linkPath.c_str(), STGM_READ)));

    wchar_t text[MAX_PATH] = {};
    link->GetPath(text, MAX_PATH, nullptr, SLGP_RAWPATH);
    EXPECT_STREQ(text, L"C:\\Corvane\\redovedu.exe");
    link->GetArguments(text, MAX_PATH);
    EXPECT_STREQ(text, L"-x 1");
    link->GetWorkingDirectory(text, MAX_PATH);
    EXPECT_STREQ(text, L"C:\\Corvane");
    int icon = -1;
    link->GetIconLocation(text, MAX_PATH, &icon);
    EXPECT_STREQ(text, L"C:\\Corvane\\app.ico");
    EXPECT_EQ(icon, 0);

    file->Release();
    link->Release();
    CoUninitialize();
    DeleteFileW(linkPath.c_str());
}

}  // namespace
