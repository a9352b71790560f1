// The offline installer's download: WinINet with the package address, then the spare one, then
// libcurl with each; progress to the window, the result to the window and the reporter.
#include "model/downloader_model.h"

#include "common/log.h"
#include "net/qv_curl_downloader.h"
#include "telemetry/md5.h"
#include "utility/file.h"
#include "utility/text_convert.h"
#include "utility/ufile.h"

#include <algorithm>
#include <cctype>
#include <vector>

namespace {

// A libcurl result must be larger to count: smaller ones are error pages saved as the package.
constexpr int64_t kMinimumPackageBytes = 10485760;
constexpr UINT kDelayedStartIntervalMs = 1000;
constexpr int kDelayedStartTicks = 2;
constexpr uint32_t kProgressIntervalMs = 1000;
constexpr DWORD kWorkerStopTimeoutMs = 1000;

int64_t fileSize(const std::wstring& path)
{
    int64_t size = 0;
    return utility::ufile::getFileSize(path, size) ? size : 0;
}

std::string fileMd5(const std::wstring& path)
{
    utility::ufile::File file;
    if (!file.openRead(path)) {
        return {};
    }
    Md5 md5;
    std::vector<char> buffer(1 << 20);
    for (;;) {
        const uint32_t read = file.read(buffer.data(), static_cast<uint32_t>(buffer.size()));
        if (read == 0) {
            break;
        }
        md5.update(buffer.data(), read);
    }
    file.close();
    return md5.hexDigest();
}

std::string lowerAscii(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

}  // namespace

std::wstring DownloaderModel::packageFile() const
{
    return ConfigImp::instance()->packageFileOnDisk(m_installFolder);
}

void DownloaderModel::startDownloadPlayer(bool resume)
{
    if (!m_versionReceived.load()) {
        common::writeLog("DownloaderModel::startDownloadPlayer", __LINE__, L"start downloader. bug getting player url");
        m_delayedStart.stop();
        m_delayedStartTicks = 0;
        (void)m_delayedStart.start(kDelayedStartIntervalMs, makeTask([this, resume] { onDelayedStartTick(resume); }));
        return;
    }
    if (m_packageUrl.empty()) {
        const ConfigImp* config = ConfigImp::instance();
        m_packageUrl = config->defaultPackageUrl();
        m_sparePackageUrl = config->defaultSparePackageUrl();
        reportUiEvent(L"download_defaultUrl", m_openid);
    }
    // A running download is cancelled before its thread is stopped: terminating a thread in the
    // middle of a transfer could leave the network stack's locks held.
    m_packageWorker.requestStop();
    m_packageDownloader.cancel();
    m_packageWorker.stop(kWorkerStopTimeoutMs);
    // The worker uses these copies: a version answer arriving during the download changes the
    // model's addresses and digest on the window thread.
    m_downloadUrl = m_packageUrl;
    m_downloadSpareUrl = m_sparePackageUrl;
    m_downloadDigest = m_packageDigest;
    (void)m_packageWorker.start(makeTask(this, &DownloaderModel::_threadDownloadPlayer, resume));
}

void DownloaderModel::onDelayedStartTick(bool resume)
{
    ++m_delayedStartTicks;
    if (m_delayedStartTicks >= kDelayedStartTicks || m_versionReceived.load()) {
        m_versionReceived.store(true);
        m_delayedStart.stop();
        startDownloadPlayer(resume);
    }
}

void DownloaderModel::_threadDownloadPlayer(bool resume)
{
    common::writeLog("DownloaderModel::_threadDownloadPlayer", __LINE__, L"download player");
    if (!utility::ufile::exists(m_installFolder)) {
        (void)utility::ufile::makeDir(m_installFolder);
    }
    m_lastProgressTime = 0;
    const std::wstring package = packageFile();
    if (!resume) {
        DeleteFileW(package.c_str());
    }
    const uint32_t startTick = GetTickCount();
    m_downloadStartTime = startTick;

    bool ok = _downloadByIE(package, resume);
    if (!ok && !m_packageWorker.isStopRequested()) {
        auto progress = [this](int percent) {
            m_token.postTask([this, percent] {
                if (m_callbacks.onCurlProgress) {
                    m_callbacks.onCurlProgress(percent);
                }
            });
        };
        const std::string packageAnsi = utility::wideToAnsi(package);
        const std::wstring urls[] = {m_downloadUrl, m_downloadSpareUrl};
        const wchar_t* logs[] = {L"download by qvcurl", L"download by qvcurl too"};
        for (int attempt = 0; attempt < 2 && !ok && !m_packageWorker.isStopRequested(); ++attempt) {
            common::writeLog("DownloaderModel::_threadDownloadPlayer", __LINE__, logs[attempt]);
            QVCurlDownloader curl;
            if (!curl.downloadFile(packageAnsi, utility::wideToAnsi(urls[attempt]), progress)) {
                continue;
            }
            if (fileSize(package) <= kMinimumPackageBytes) {
                common::writeLog("DownloaderModel::_threadDownloadPlayer", __LINE__, L"too small package");
                // The spare attempt starts from nothing; after it, what is left is evidence.
                if (attempt == 0) {
                    (void)utility::ufile::removeFile(package);
                }
                continue;
            }
            ok = verifyPackage(package);
        }
    }
    reportDownloadResult(ok, startTick);
}

// A package whose digest differs from the one the version answer named is not run with
// administrator rights: it is removed and counts as a failed attempt.
bool DownloaderModel::verifyPackage(const std::wstring& file)
{
    if (m_downloadDigest.empty()) {
        return true;
    }
    const std::string actual = fileMd5(file);
    if (actual == lowerAscii(m_downloadDigest)) {
        return true;
    }
    common::writeLog("DownloaderModel::verifyPackage", __LINE__, L"package md5 mismatch, expected %S got %S, file %s",
                     m_downloadDigest.c_str(), actual.c_str(), file.c_str());
    (void)utility::ufile::removeFile(file);
    return false;
}

void DownloaderModel::reportDownloadResult(bool ok, int64_t startTick)
{
    const uint32_t elapsedMs = GetTickCount() - static_cast<uint32_t>(startTick);
    if (ok) {
        m_token.postTask([this] {
            if (m_callbacks.onDownloadSucceeded) {
                m_callbacks.onDownloadSucceeded();
            }
        });
        reportEvent("download_success");
        reportEvent("download_duration",
                    [elapsedMs](ReportProperties& p) { p.add("duration", static_cast<int64_t>(elapsedMs)); });
    } else {
        int64_t size = fileSize(packageFile() + L".tmp");
        if (size == 0) {
            size = fileSize(packageFile());
        }
        common::writeLog("DownloaderModel::_threadDownloadPlayer", __LINE__, L"had downloaded size %lld",
                         static_cast<long long>(size));
        if (size < kMinimumPackageBytes) {
            size = 0;
        }
        m_token.postTask([this, size] {
            if (m_callbacks.onDownloadFailed) {
                m_callbacks.onDownloadFailed(size);
            }
        });
        const std::string reason = std::to_string(m_lastFailureKind) + "_" + std::to_string(m_lastFailureCode);
        reportEvent("download_fail", [reason](ReportProperties& p) { p.add("failure_reason", reason); });
    }
    const uint32_t seconds = elapsedMs / 1000;
    common::writeLog("DownloaderModel::_threadDownloadPlayer", __LINE__, L"download finished, success = %d, elapse = %d",
                     ok ? 1 : 0, static_cast<int>((seconds + 29) / 30 * 30));
}

bool DownloaderModel::_downloadByIE(const std::wstring& packageFile, bool resume)
{
    m_lastProgressTime = 0;
    common::writeLog("DownloaderModel::_downloadByIE", __LINE__, L"start download player playerurl is %s",
                     m_downloadUrl.c_str());
    const std::wstring temporary = packageFile + L".tmp";
    if (!resume) {
        DeleteFileW(temporary.c_str());
    }
    m_lastFailureKind = 9999;
    m_lastFailureCode = 0;
    m_packageDownloader.cancel();

    bool ok = m_packageDownloader.download2file(m_downloadUrl, temporary, this, resume) && verifyPackage(temporary);
    if (!ok && !m_packageWorker.isStopRequested()) {
        common::writeLog("DownloaderModel::_downloadByIE", __LINE__, L"download errro! .use spare url");
        m_packageDownloader.cancel();
        int kind = 9999;
        int code = 0;
        ok = m_packageDownloader.download2file(m_downloadSpareUrl, temporary, this, resume, kind, code);
        m_lastFailureKind = kind;
        m_lastFailureCode = code;
        if (!ok) {
            common::writeLog("DownloaderModel::_downloadByIE", __LINE__, L"download file error %d %d", kind, code);
            return false;
        }
        ok = verifyPackage(temporary);
    }
    if (!ok) {
        return false;
    }
    // A package that could not be put in place would make the installation run a stale file or
    // none; the download has failed then, whatever was transferred.
    if (!utility::ufile::moveFile(temporary, packageFile, utility::ufile::kMoveReplaceAnyVolume)) {
        return false;
    }
    common::writeLog("DownloaderModel::_downloadByIE", __LINE__, L"download file success file = %s",
                     packageFile.c_str());
    return true;
}

bool DownloaderModel::onHttpProgress(const char*, uint32_t, int64_t received, int64_t total)
{
    const uint32_t now = GetTickCount();
    if (m_lastProgressTime != 0 && now - m_lastProgressTime < kProgressIntervalMs) {
        return true;
    }
    m_lastProgressTime = now;
    m_token.postTask([this, received, total] {
        const double share = total > 0 ? static_cast<double>(received) / static_cast<double>(total) * 100.0 : 0.0;
        m_progressPercent = static_cast<int32_t>(share);
        if (m_callbacks.onDownloadProgress) {
            m_callbacks.onDownloadProgress(m_progressPercent, static_cast<uint32_t>(received),
                                           static_cast<uint32_t>(total));
        }
    });
    return true;
}
