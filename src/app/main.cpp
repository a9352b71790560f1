// The program's entry: prepares the process, runs the application object and the message loop,
// and tears down in a fixed order.

#include "app/app_constants.h"
#include "app/download_impl.h"
#include "common/log.h"
#include "common/log_writer.h"
#include "utility/initialize.h"
#include "utility/ufile.h"

#include <winsock2.h>
#include <windows.h>
#include <objbase.h>

namespace {

// The framework's own message pre-translation (dialog keys, tooltips) hooks in here.
bool preTranslateMessage(MSG& message)
{
    return false;
}

void runMessageLoop()
{
    MSG message{};
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (!preTranslateMessage(message)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
}

std::wstring prepareLogPath()
{
    const std::wstring appData = utility::ufile::getAppDataDir();
    if (appData.empty()) {
        return {};  // no per-user folder: run without a log rather than write to a drive root
    }
    const std::wstring folder = appData + app::kDataFolder;
    if (!utility::ufile::exists(folder)) {
        (void)utility::ufile::makeDir(folder);
    }
    return folder + app::kLogFileName;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR commandLine, int)
{
    // First of all: the program runs elevated from a Downloads folder, so no DLL may be loaded
    // from the program's folder or the current one.
    SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);

    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {
        MessageBoxW(nullptr, L"error", L"error1", MB_OK);
        return 0;
    }
    WSADATA winsock{};
    const bool winsockStarted = WSAStartup(MAKEWORD(2, 2), &winsock) == 0;

    utility::initialize();
    common::openLog(prepareLogPath());
    common::writeLog("wWinMain", __LINE__, L"\r\n\r\n start run");

    {
        DownloadImpl impl;
        if (impl.entrance(instance, commandLine != nullptr ? commandLine : L"")) {
            runMessageLoop();
        }
        if (!impl.registeredFontPath().empty()) {
            RemoveFontResourceExW(impl.registeredFontPath().c_str(), FR_PRIVATE, nullptr);
        }
        impl.shutdown();
    }

    // The last lines are the ones a failure report needs most.
    common::writeLog("wWinMain", __LINE__, L"end run");
    common::flushLog();
    if (winsockStarted) {
        WSACleanup();
    }
    CoUninitialize();
    return 0;
}
