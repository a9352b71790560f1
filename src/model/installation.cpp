// The silent installation and the emulator's first start.
#include "model/downloader_model.h"

#include "common/log.h"
#include "model/app_plan.h"
#include "model/emulator_config.h"
#include "model/emulator_files.h"
#include "model/emulator_processes.h"
#include "utility/file.h"
#include "utility/process.h"
#include "utility/shortcut.h"
#include "utility/text_convert.h"
#include "utility/ufile.h"

namespace {

// The emulator's configuration is a small JSON file; anything larger is not it.
constexpr uint32_t kConfigFileLimit = 4 * 1024 * 1024;
constexpr int kPictureAttempts = 3;
constexpr DWORD kPictureRetryMs = 200;

bool readWholeFile(const std::wstring& path, std::string& bytes)
{
    utility::ufile::File file;
    if (!file.openRead(path) || file.size() > kConfigFileLimit) {
        return false;
    }
    bytes.resize(static_cast<size_t>(file.size()));
    const uint32_t read = bytes.empty() ? 0 : file.read(bytes.data(), static_cast<uint32_t>(bytes.size()));
    bytes.resize(read);
    return true;
}

bool replaceFile(const std::wstring& path, const std::string& bytes)
{
    utility::ufile::File file;
    return file.create(path) && file.write(bytes.data(), static_cast<uint32_t>(bytes.size()));
}

void downloadWithRetries(const std::wstring& url, const std::wstring& path)
{
    if (url.empty()) {
        return;
    }
    utility::CHttpDownloader downloader;
    for (int attempt = 0; attempt < kPictureAttempts; ++attempt) {
        if (downloader.download2file(url, path, nullptr, false)) {
            return;
        }
        Sleep(kPictureRetryMs);
    }
}

std::wstring installerFailureReason(InstallerRun run)
{
    switch (run) {
    case InstallerRun::couldNotStart:
        return L"package_error";
    case InstallerRun::timedOut:
        return L"timeout";
    case InstallerRun::waitFailed:
        return L"failed";
    default:
        return L"other";
    }
}

}  // namespace

void DownloaderModel::_threadInsPlayer()
{
    const std::wstring package = packageFile();
    const std::optional<std::wstring> parameters =
        emulator::installerParameters({m_openid, m_shortCode, m_installFolder, m_googleId});
    common::writeLog("DownloaderModel::_threadInsPlayer", __LINE__, L"install player param: %s",
                     parameters ? parameters->c_str() : L"(refused: the folder holds a double quote)");
    closeEmulatorProcesses();
    if (!utility::ufile::exists(package)) {
        reportUiEvent(L"download_installPlayerNotExit", m_openid + L"_1");
    }

    bool ok = false;
    const InstallerRun run =
        parameters ? runSilentInstaller(package, *parameters, m_installerTimeoutMs) : InstallerRun::couldNotStart;
    if (run == InstallerRun::finished) {
        ok = true;
        reportEvent("install_success");
        const uint32_t elapsed = GetTickCount() - m_downloadStartTime;
        reportEvent("downloader_full_duration",
                    [elapsed](ReportProperties& p) { p.add("duration", static_cast<int64_t>(elapsed)); });
    } else {
        const std::string reason = utility::wideToAnsi(installerFailureReason(run));
        reportEvent("install_fail", [reason](ReportProperties& p) { p.add("failure_reason", reason); });
    }

    writeChannelId();
    const std::wstring dataFolder = m_installFolder + emulator::kDataFolder;
    (void)utility::ufile::makeDir(dataFolder);
    const LaunchSettings settings = launchSettings();
    downloadLaunchFiles(settings);
    writeLaunchIni(settings);

    if (!settings.shortcutName.empty()) {
        const std::wstring name = safeFileName(settings.shortcutName);
        const std::wstring icon = dataFolder + name + L".ico";
        if (utility::ufile::exists(icon)) {
            helper::disk::createShortcut(name, icon, m_installFolder, m_installFolder + L"\\" + emulator::kProgram,
                                         emulator::startWithPackage(settings.appToRun));
        }
    }
    postInstallFinished(ok);
}

void DownloaderModel::postInstallFinished(bool ok)
{
    m_token.postTask([this, ok] {
        if (m_callbacks.onInstallFinished) {
            m_callbacks.onInstallFinished(ok);
        }
    });
}

void DownloaderModel::writeChannelId()
{
    const std::wstring channel = channelId();
    if (channel.empty()) {
        return;
    }
    const std::wstring path = m_installFolder + emulator::kConfigFile;
    if (!utility::ufile::exists(path)) {
        common::writeLog("DownloaderModel::_threadInsPlayer", __LINE__, L"vantrels config not exist!!");
        return;
    }
    std::string text;
    if (!readWholeFile(path, text)) {
        common::writeLog("DownloaderModel::_threadInsPlayer", __LINE__, L"not object!");
        return;
    }
    const ChannelWriteResult result = rewriteChannelId(text, utility::wideToUtf8(channel));
    if (result.status == ChannelWrite::notObject) {
        common::writeLog("DownloaderModel::_threadInsPlayer", __LINE__, L"not object!");
        return;
    }
    if (result.status == ChannelWrite::noChannelMember) {
        common::writeLog("DownloaderModel::_threadInsPlayer", __LINE__, L"no channel id");
        return;
    }
    if (!replaceFile(path, result.document)) {
        common::writeLog("DownloaderModel::_threadInsPlayer", __LINE__, L"write vantrels config failed, error = %d",
                         static_cast<int>(GetLastError()));
        return;
    }
    common::writeLog("DownloaderModel::_threadInsPlayer", __LINE__, L"write openid sucess. first %s current:%s",
                     channel.c_str(), utility::utf8ToWide(result.oldValue).c_str());
}

void DownloaderModel::downloadLaunchFiles(const LaunchSettings& settings)
{
    const std::wstring dataFolder = m_installFolder + emulator::kDataFolder;
    downloadWithRetries(settings.landscapePictureUrl, dataFolder + emulator::kLandscapePicture);
    downloadWithRetries(settings.portraitPictureUrl, dataFolder + emulator::kPortraitPicture);
    if (!settings.shortcutName.empty()) {
        downloadWithRetries(settings.shortcutIconUrl, dataFolder + safeFileName(settings.shortcutName) + L".ico");
    }
}

void DownloaderModel::writeLaunchIni(const LaunchSettings& settings)
{
    const std::wstring ini = m_installFolder + emulator::kDataFolder + emulator::kIniFile;
    const LaunchIniPlan plan = planLaunchIni(settings);
    auto write = [&](const IniEntry& entry) {
        if (entry.throughAnsiProfile) {
            // The emulator reads these two as UTF-8 bytes.
            const std::string value = utility::ansiToUtf8(utility::wideToAnsi(entry.value));
            WritePrivateProfileStringA(utility::wideToAnsi(emulator::kIniSection).c_str(),
                                       utility::wideToAnsi(entry.key).c_str(), value.c_str(),
                                       utility::wideToAnsi(ini).c_str());
        } else {
            WritePrivateProfileStringW(emulator::kIniSection, entry.key.c_str(), entry.value.c_str(), ini.c_str());
        }
    };
    for (const IniEntry& entry : plan.beforeRunValue) {
        write(entry);
    }
    if (plan.deleteRunValue) {
        HKEY run = nullptr;
        if (RegOpenKeyExW(HKEY_CURRENT_USER, emulator::kRunKey, 0, KEY_SET_VALUE, &run) == ERROR_SUCCESS) {
            RegDeleteValueW(run, emulator::kRunValue);
            RegCloseKey(run);
        }
    }
    for (const IniEntry& entry : plan.afterRunValue) {
        write(entry);
    }
}

void DownloaderModel::launchPlayer()
{
    runPlayer(m_packageName.empty() ? std::wstring() : emulator::startAfterDownload(m_packageName));
}

void DownloaderModel::runPlayer(const std::wstring& arguments)
{
    const std::wstring program = m_installFolder + L"\\" + emulator::kProgram;
    if (!isWindows8OrLater()) {
        (void)utility::process::shell(program, arguments, true, false);
        return;
    }
    common::writeLog("DownloaderModel::runPlayer", __LINE__, L"runPlayer no amdin");
    if (runWithShellToken(program, arguments) == -1) {
        common::writeLog("DownloaderModel::runPlayer", __LINE__, L"runPlayer no amdin error %d",
                         static_cast<int>(GetLastError()));
        (void)utility::process::shell(program, arguments, true, false);
    }
}
