#pragma once
// The follow-up apps' download and installation: every record's OBB, icon and app package are
// downloaded into the install folder, the screen resolution is set once, shortcuts are made and
// each app is installed through the emulator's console tool. The body of the main window's app
// thread; it never touches a window and reports only through the events, which the window turns
// into tasks posted under its token.

#include "model/app_record.h"
#include "net/http_downloader.h"

#include <atomic>
#include <functional>
#include <list>
#include <string>

struct AppInstallEvents {
    std::function<void()> onNextApp;            // a record's downloads begin
    std::function<void()> onInstallingStarted;  // every download is done; installing begins
    std::function<void(const std::wstring& lastPackage)> onFinished;  // start the emulator and end
};

class AppInstaller {
public:
    // `installFolder` with or without its trailing separator; `progress` (not owned, may be null)
    // receives the app and OBB downloads' progress.
    AppInstaller(std::list<AppRecord> apps, std::wstring installFolder, AppInstallEvents events,
                 utility::IHttpDownloadSink* progress);

    AppInstaller(const AppInstaller&) = delete;
    AppInstaller& operator=(const AppInstaller&) = delete;

    // The app thread. Blocks for the downloads and up to two minutes per console call.
    void run();
    // Any thread: ends the download in progress; the remaining steps still run without it.
    void cancel();

private:
    void downloadRecord(const AppRecord& record, std::wstring& resolution);
    void installRecord(const AppRecord& record);
    bool downloadThroughTemporary(const std::wstring& url, const std::wstring& target);

    std::list<AppRecord> m_apps;
    std::wstring m_folder;  // no trailing separator
    AppInstallEvents m_events;
    utility::IHttpDownloadSink* m_progress;
    utility::CHttpDownloader m_downloader;
    std::atomic<bool> m_cancelled{false};
};

// The emulator with the last app's package, through the shell, as the app installation ends.
void startEmulatorWithPackage(const std::wstring& installFolder, const std::wstring& package);
