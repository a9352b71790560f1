#include "model/app_installer.h"

#include "common/log.h"
#include "model/app_plan.h"
#include "model/emulator_files.h"
#include "utility/process.h"
#include "utility/shortcut.h"
#include "utility/ufile.h"

namespace {

constexpr int kIconAttempts = 3;
constexpr DWORD kIconRetryMs = 20;
constexpr DWORD kInstallPauseMs = 500;

std::wstring withoutTrailingSeparator(std::wstring folder)
{
    while (!folder.empty() && (folder.back() == L'\\' || folder.back() == L'/')) {
        folder.pop_back();
    }
    return folder;
}

}  // namespace

AppInstaller::AppInstaller(std::list<AppRecord> apps, std::wstring installFolder, AppInstallEvents events,
                           utility::IHttpDownloadSink* progress)
    : m_apps(std::move(apps)),
      m_folder(withoutTrailingSeparator(std::move(installFolder))),
      m_events(std::move(events)),
      m_progress(progress)
{
}

void AppInstaller::cancel()
{
    m_cancelled.store(true);
    m_downloader.cancel();
}

void AppInstaller::run()
{
    std::wstring resolution;
    for (const AppRecord& record : m_apps) {
        if (m_events.onNextApp) {
            m_events.onNextApp();
        }
        downloadRecord(record, resolution);
    }
    const std::wstring console = m_folder + L"\\" + emulator::kConsoleTool;
    if (!resolution.empty()) {
        common::writeLog("CMainFrame::_threadDownloadApk", __LINE__, L"setup resolution %s", resolution.c_str());
        (void)utility::process::execute(console, emulator::setResolutionCommand(resolution), false, INFINITE);
    }
    if (m_events.onInstallingStarted) {
        m_events.onInstallingStarted();
    }
    Sleep(kInstallPauseMs);
    std::wstring lastPackage;
    for (const AppRecord& record : m_apps) {
        installRecord(record);
        lastPackage = record.packageName;
    }
    if (m_events.onFinished) {
        m_events.onFinished(lastPackage);
    }
}

bool AppInstaller::downloadThroughTemporary(const std::wstring& url, const std::wstring& target)
{
    if (m_cancelled.load()) {
        return false;
    }
    const std::wstring temporary = target + L".tmp";
    DeleteFileW(temporary.c_str());
    if (!m_downloader.download2file(url, temporary, m_progress, false)) {
        return false;
    }
    return utility::ufile::moveFile(temporary, target, utility::ufile::kMoveReplaceAnyVolume);
}

void AppInstaller::downloadRecord(const AppRecord& record, std::wstring& resolution)
{
    const AppFiles files = appFilesFor(m_folder, record);
    if (!record.obbUrl.empty()) {
        (void)downloadThroughTemporary(record.obbUrl, files.obb);
    }
    if (!record.iconUrl.empty() && !m_cancelled.load()) {
        utility::CHttpDownloader iconDownloader;
        for (int attempt = 0; attempt < kIconAttempts; ++attempt) {
            if (iconDownloader.download2file(record.iconUrl, files.icon, nullptr, false)) {
                break;
            }
            Sleep(kIconRetryMs);
        }
    }
    if (!record.resolution.empty()) {
        resolution = record.resolution;
    }
    (void)downloadThroughTemporary(record.downloadUrl, files.package);
}

void AppInstaller::installRecord(const AppRecord& record)
{
    const AppFiles files = appFilesFor(m_folder, record);
    if (utility::ufile::exists(files.icon)) {
        common::writeLog("CMainFrame::_threadDownloadApk", __LINE__, L"create short cut %s", record.gameName.c_str());
        helper::disk::createShortcut(safeFileName(record.gameName), files.icon, m_folder,
                                     m_folder + L"\\" + emulator::kProgram,
                                     emulator::startWithPackage(record.packageName));
    }
    const std::wstring command =
        emulator::installApkCommand(files.package, record.packageName, record.obbUrl.empty() ? L"" : files.obb);
    (void)utility::process::execute(m_folder + L"\\" + emulator::kConsoleTool, command, false,
                                    emulator::kInstallApkTimeoutMs);
}

void startEmulatorWithPackage(const std::wstring& installFolder, const std::wstring& package)
{
    (void)utility::process::shell(withoutTrailingSeparator(installFolder) + L"\\" + emulator::kProgram,
                                  emulator::startWithPackage(package), true, false);
}
