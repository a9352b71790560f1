#pragma once
// The state of one installation: launch parameters, language, install folder, version answer,
// app list, launch settings, workers, and the callbacks through which the main window hears of
// progress. Process-wide singleton, created on first access on the window thread and destroyed
// with the main window (or by the app's shutdown).
//
// Threads: everything here runs on the window thread unless a member says otherwise. The
// callbacks are always invoked on the window thread, through tasks posted under the model's
// token, and never after the model is gone.

#include "model/app_record.h"
#include "net/http_downloader.h"
#include "telemetry/event_bodies.h"
#include "telemetry/google_analytics.h"
#include "model/drive_queries.h"
#include "model/install_path.h"
#include "model/launch_settings.h"
#include "model/product_config.h"
#include "ui/language_tables.h"
#include "utility/main_thread.h"
#include "utility/scoped_handle.h"
#include "utility/task_thread.h"

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <list>
#include <mutex>
#include <string>

struct DownloaderCallbacks {
    std::function<void(int percent, uint32_t received, uint32_t total)> onDownloadProgress;
    std::function<void(int percent)> onCurlProgress;
    std::function<void()> onDownloadSucceeded;
    std::function<void(int64_t downloadedBytes)> onDownloadFailed;
    std::function<void(bool success)> onInstallFinished;
};

class DownloaderModel : public utility::IHttpDownloadSink {
public:
    [[nodiscard]] static DownloaderModel* instance();
    // Null when the model has not been created or has been destroyed.
    [[nodiscard]] static DownloaderModel* existingInstance();
    // Shuts the model down (if not yet) and frees it.
    static void destroyInstance();

    // True when another installer runs for this user; that instance has then been asked (message
    // 11123) to show itself. Also true when the mutex cannot be created.
    [[nodiscard]] bool popupExistPwnd();

    // Once, from the app's start: reads the file name and command line, settles the language and
    // the install folder, and starts the version request.
    void init(const wchar_t* commandLine);

    // Proposes the install folder (again after a switch of type).
    void _calcInstallPath();
    // The user's chosen folder, completed; stored even when invalid (the window marks it).
    AppliedInstallPath applyInstallPath(const std::wstring& chosen);

    void setCallbacks(DownloaderCallbacks callbacks) { m_callbacks = std::move(callbacks); }

    // Analytics events: queued, and sent at once. Any thread.
    void reportUiEvent(const std::wstring& name, const std::wstring& label);
    void reportUiEventNow(const std::wstring& name, const std::wstring& label);
    // A signed-upload event, with optional extra properties. Any thread.
    void reportEvent(const std::string& key, PropertyFiller filler = {});

    // Version and channel information: the body of the version worker and its steps.
    void _threadGetPlayerUrl();
    void _getPackageByOpenID();
    void _threadReqOpenid();
    void _threadCustomerInfo();
    // Window thread: reads the version answer the worker fetched.
    void readVersionAnswer(const std::string& text);

    // Window thread. Downloads the offline installer (waiting up to two ticks of one second for
    // the version answer first). `resume` keeps what an earlier attempt left.
    void startDownloadPlayer(bool resume);
    // Package worker.
    void _threadDownloadPlayer(bool resume);
    [[nodiscard]] bool _downloadByIE(const std::wstring& packageFile, bool resume);
    // WinINet transfer thread: posts progress at most once a second.
    bool onHttpProgress(const char* bytes, uint32_t count, int64_t received, int64_t total) override;

    // The installation: runs on its own detached task after a successful download; blocks for up
    // to the installer's time-out; reports through onInstallFinished.
    void _threadInsPlayer();
    // Window thread. Starts the installed emulator (with the package arguments when a package
    // was named) without administrator rights where the desktop shell allows it.
    void launchPlayer();
    void runPlayer(const std::wstring& arguments);

    [[nodiscard]] bool versionReceived() const { return m_versionReceived.load(); }
    [[nodiscard]] std::wstring packageUrl() const { return m_packageUrl; }
    [[nodiscard]] std::wstring sparePackageUrl() const { return m_sparePackageUrl; }
    [[nodiscard]] std::wstring version() const { return m_version; }
    [[nodiscard]] std::string packageDigest() const { return m_packageDigest; }
    [[nodiscard]] VersionEntry type4Version() const { return m_type4Version; }
    [[nodiscard]] std::wstring channelId() const;
    [[nodiscard]] LaunchSettings launchSettings() const;
    [[nodiscard]] std::wstring installErrorText() const;
    [[nodiscard]] std::wstring customerLink() const;
    [[nodiscard]] std::wstring machineId() const { return m_machineId; }
    [[nodiscard]] int progressPercent() const { return m_progressPercent; }
    // The package file in the install folder.
    [[nodiscard]] std::wstring packageFile() const;

    // For tests: how long the offline installer may run (180 s in the product).
    void setInstallerTimeoutMs(unsigned timeoutMs) { m_installerTimeoutMs = timeoutMs; }

    [[nodiscard]] std::wstring getOpenId() const { return m_openid; }
    [[nodiscard]] std::wstring getInstallPath() const { return m_installFolder; }
    void clearInstallPath() { m_installFolder.clear(); }
    [[nodiscard]] std::wstring getLanguageCode() const { return m_shortCode; }
    [[nodiscard]] std::wstring getLocale() const { return m_locale; }
    [[nodiscard]] std::wstring getFontFile() const { return m_profile.fontFile; }
    [[nodiscard]] const LanguageProfile& languageProfile() const { return m_profile; }
    // The locale switch of the main window; the profile stays the one chosen at start.
    void setLanguage(const std::wstring& locale);

    [[nodiscard]] std::wstring getPackageName() const { return m_packageName; }
    [[nodiscard]] std::wstring getGoogleId() const { return m_googleId; }
    // A copy: the version worker may still be filling the list.
    [[nodiscard]] std::list<AppRecord> appList() const;
    [[nodiscard]] std::wstring bestFolder() const { return m_bestFolder; }
    [[nodiscard]] bool bestDriveHasSsd() const { return m_bestHasSsd; }
    [[nodiscard]] AnalyticsProperty analyticsProperty() const { return m_analytics; }

    void setInstance(HINSTANCE instance) { m_instance = instance; }
    [[nodiscard]] HINSTANCE moduleInstance() const { return m_instance; }

    // For tests: the drives the folder choice asks (not owned; null restores the system's).
    void setDriveQueries(IDriveQueries* drives) { m_drives = drives; }
    // For tests: the program path whose file name carries the launch parameters.
    void setProgramPath(const std::wstring& path) { m_programPath = path; }

    // Stops the workers, releases the single-instance mutex and drops the model's queued tasks.
    // Idempotent.
    void shutdown();

private:
    DownloaderModel() = default;
    ~DownloaderModel() = default;

    void applyFileName();
    void chooseLanguage();
    void readCommandLine(const wchar_t* commandLine);
    void startVersionWorker();
    void onDelayedStartTick(bool resume);
    [[nodiscard]] bool verifyPackage(const std::wstring& file);
    void reportDownloadResult(bool ok, int64_t startTick);
    void writeChannelId();
    void downloadLaunchFiles(const LaunchSettings& settings);
    void writeLaunchIni(const LaunchSettings& settings);
    void postInstallFinished(bool ok);
    [[nodiscard]] IDriveQueries& drives();
    [[nodiscard]] std::wstring programPath() const;

    // Fields in the order of the installation's data; the token is last so that it is destroyed
    // first, before anything a queued task could touch.
    DownloaderCallbacks m_callbacks;
    std::wstring m_packageName;
    TaskThread m_versionWorker;
    utility::CHttpDownloader m_versionDownloader;
    utility::CHttpDownloader m_textDownloader;
    TaskThread m_packageWorker;
    utility::CHttpDownloader m_packageDownloader;
    utility::ScopedKernelHandle m_mutex;
    std::wstring m_installFolder;
    std::atomic<bool> m_versionReceived{false};
    std::wstring m_openid = L"100";
    std::wstring m_packageUrl;
    std::wstring m_sparePackageUrl;
    std::wstring m_version;
    std::string m_packageDigest;
    // What the running download uses, copied when it starts.
    std::wstring m_downloadUrl;
    std::wstring m_downloadSpareUrl;
    std::string m_downloadDigest;
    std::wstring m_shortCode;
    std::wstring m_locale;
    std::wstring m_googleId;
    std::wstring m_channelId;
    MainThreadTimer m_delayedStart;
    int m_delayedStartTicks = 0;
    uint32_t m_lastProgressTime = 0;
    uint32_t m_downloadStartTime = 0;
    int32_t m_progressPercent = 0;
    std::list<AppRecord> m_appList;
    AnalyticsProperty m_analytics;
    GoogleAnalytics m_analyticsSender;
    LaunchSettings m_launchSettings;
    std::wstring m_bestFolder;
    bool m_bestHasSsd = false;
    VersionEntry m_type4Version;
    int32_t m_lastFailureKind = 9999;
    int32_t m_lastFailureCode = 0;
    HINSTANCE m_instance = nullptr;
    LanguageProfile m_profile;
    std::wstring m_installErrorText;
    std::wstring m_customerLink;

    // Guards what the version worker writes while the window thread may read it: the app list,
    // the launch settings, the channel id and the customer texts.
    mutable std::mutex m_serverDataLock;
    std::wstring m_machineId;
    unsigned m_installerTimeoutMs = 180000;
    IDriveQueries* m_drives = nullptr;
    std::wstring m_programPath;
    bool m_shutDown = false;
    MainThreadToken m_token;
};
