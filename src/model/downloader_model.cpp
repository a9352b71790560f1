#include "model/downloader_model.h"

#include "app/app_constants.h"
#include "app/named_mutex.h"
#include "common/log.h"
#include "model/launch_parameters.h"
#include "model/windows_drives.h"
#include "telemetry/qv_reporter.h"
#include "utility/text_convert.h"
#include "utility/ufile.h"
#include "utility/window_ipc.h"

namespace {

DownloaderModel* g_model = nullptr;

constexpr DWORD kWorkerStopTimeoutMs = 1000;

}  // namespace

DownloaderModel* DownloaderModel::instance()
{
    if (g_model == nullptr) {
        g_model = new DownloaderModel();
    }
    return g_model;
}

DownloaderModel* DownloaderModel::existingInstance()
{
    return g_model;
}

void DownloaderModel::destroyInstance()
{
    if (g_model == nullptr) {
        return;
    }
    g_model->shutdown();
    delete g_model;
    g_model = nullptr;
}

bool DownloaderModel::popupExistPwnd()
{
    HANDLE mutex = createNamedMutex(app::kInstanceName, false, true);
    if (mutex != nullptr) {
        m_mutex.reset(mutex);
        common::writeLog("DownloaderModel::popupExistPwnd", __LINE__, L"wnd not exist");
        return false;
    }
    utility::WindowIPC other;
    if (other.open(app::kInstanceName, L"")) {
        (void)other.post(app::kMessageShowMainFrame, 0, 0);
    }
    common::writeLog("DownloaderModel::popupExistPwnd", __LINE__, L"wnd exist");
    return true;
}

std::wstring DownloaderModel::programPath() const
{
    if (!m_programPath.empty()) {
        return m_programPath;
    }
    wchar_t path[MAX_PATH + 1] = {};
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    return std::wstring(path, length);
}

IDriveQueries& DownloaderModel::drives()
{
    return m_drives != nullptr ? *m_drives : windowsDrives();
}

void DownloaderModel::init(const wchar_t* commandLine)
{
    applyFileName();
    chooseLanguage();
    m_analytics = ConfigImp::instance()->analyticsProperty();
    m_analyticsSender.setProperty(m_analytics.measurementId, m_analytics.apiSecret);
    common::writeLog("DownloaderModel::init", __LINE__, L"openid is %s, package is %s", m_openid.c_str(),
                     m_packageName.c_str());
    _calcInstallPath();

    ConfigImp* config = ConfigImp::instance();
    config->setAdId(adIdForOpenId(m_openid, config->adId()));
    common::writeLog("DownloaderModel::init", __LINE__, L"ad id : %s", config->adId().c_str());

    readCommandLine(commandLine);
    m_analyticsSender.calcPCID();
    m_machineId = utility::ansiToWide(m_analyticsSender.clientId());
    QVReporter::instance().start(m_openid, m_machineId, m_shortCode);
    startVersionWorker();
}

// Steps of the file name: type, language, openid, package and google id.
void DownloaderModel::applyFileName()
{
    const std::wstring name = utility::ufile::getFileName(programPath(), false);
    common::writeLog("DownloaderModel::init", __LINE__, L"DownloaderModel exe filename= %s", name.c_str());

    const FileNameParameters parameters = parseLaunchFileName(name);
    if (parameters.recognised) {
        common::writeLog("DownloaderModel::init", __LINE__, L"type: %s, package:%s, openID:%s google id %s",
                         parameters.typeWord.c_str(), parameters.package.c_str(), parameters.openid.c_str(),
                         parameters.googleId.c_str());
        common::writeLog("DownloaderModel::init", __LINE__, L"model. type: %s, language %s package:%s, openID:%s",
                         parameters.typeWord.c_str(), parameters.language.c_str(),
                         parameters.package.c_str(), parameters.openid.c_str());
    }
    const LaunchDecision decision = decideLaunch(parameters);
    ConfigImp* config = ConfigImp::instance();
    if (m_openid == L"100") {
        m_openid = decision.openid;
    }
    if (decision.configLanguage) {
        config->setLanguage(*decision.configLanguage);
    }
    if (decision.shortCode) {
        m_shortCode = *decision.shortCode;
    }
    if (!decision.packageName.empty()) {
        m_packageName = decision.packageName;
    }
    m_googleId = decision.googleId;
    if (decision.type) {
        switch (*decision.type) {
        case EmulatorType::type4:
            config->setPlayer4();
            break;
        case EmulatorType::type64:
            config->setPlayer64();
            break;
        case EmulatorType::type3:
            config->setPlayer3();
            break;
        case EmulatorType::type9:
            config->setPlayer9();
            break;
        }
    }
}

void DownloaderModel::chooseLanguage()
{
    if (!m_shortCode.empty()) {
        m_locale = localeFromShortCode(m_shortCode);
    } else {
        m_locale = localeFromUiLanguage(GetUserDefaultUILanguage());
        m_shortCode = shortCodeFromLocale(m_locale);
    }
    m_profile = languageProfileFor(m_shortCode);
}

void DownloaderModel::readCommandLine(const wchar_t* commandLine)
{
    if (commandLine == nullptr) {
        return;
    }
    const std::optional<CommandLineApp> app = parseLaunchCommandLine(commandLine);
    if (!app) {
        return;
    }
    if (!app->apkUrl.empty()) {
        AppRecord record;
        record.downloadUrl = app->apkUrl;
        record.packageName = app->package;
        record.gameName = app->name;
        std::lock_guard<std::mutex> guard(m_serverDataLock);
        m_appList.push_back(record);
    }
    common::writeLog("DownloaderModel::init", __LINE__, L"cmdline is %s, %s, %s", app->name.c_str(),
                     app->package.c_str(), app->apkUrl.c_str());
}

void DownloaderModel::setLanguage(const std::wstring& locale)
{
    m_locale = locale;
    m_shortCode = shortCodeFromLocale(locale);
}

void DownloaderModel::_calcInstallPath()
{
    const ConfigImp* config = ConfigImp::instance();
    const InstallPathChoice choice =
        chooseInstallPath(drives(), readInstallDir, config->type(), config->language(), config->registryKey(),
                          config->installSubPath());
    m_installFolder = choice.installFolder;
    if (!choice.bestFolder.empty()) {
        m_bestFolder = choice.bestFolder;
        m_bestHasSsd = choice.bestHasSsd;
    }
}

AppliedInstallPath DownloaderModel::applyInstallPath(const std::wstring& chosen)
{
    if (chosen == m_installFolder) {
        return {m_installFolder, isValidInstallPath(drives(), m_installFolder)};
    }
    const ConfigImp* config = ConfigImp::instance();
    AppliedInstallPath applied =
        completeInstallPath(drives(), chosen, config->installSubPath(), config->folderNameAfterVantrel());
    m_installFolder = applied.folder;
    return applied;
}

void DownloaderModel::reportUiEvent(const std::wstring& name, const std::wstring& label)
{
    m_analyticsSender.postEvent(name, label);
}

void DownloaderModel::reportUiEventNow(const std::wstring& name, const std::wstring& label)
{
    m_analyticsSender.sendEventNow(name, label);
}

void DownloaderModel::startVersionWorker()
{
    if (!m_versionWorker.start(makeTask(this, &DownloaderModel::_threadGetPlayerUrl))) {
        common::writeLog("DownloaderModel::init", __LINE__, L"start version worker failed");
    }
}

std::list<AppRecord> DownloaderModel::appList() const
{
    std::lock_guard<std::mutex> guard(m_serverDataLock);
    return m_appList;
}

std::wstring DownloaderModel::channelId() const
{
    std::lock_guard<std::mutex> guard(m_serverDataLock);
    return m_channelId;
}

LaunchSettings DownloaderModel::launchSettings() const
{
    std::lock_guard<std::mutex> guard(m_serverDataLock);
    return m_launchSettings;
}

std::wstring DownloaderModel::installErrorText() const
{
    std::lock_guard<std::mutex> guard(m_serverDataLock);
    return m_installErrorText;
}

std::wstring DownloaderModel::customerLink() const
{
    std::lock_guard<std::mutex> guard(m_serverDataLock);
    return m_customerLink;
}

void DownloaderModel::reportEvent(const std::string& key, PropertyFiller filler)
{
    QVReporter::instance().postEvent(utility::ansiToWide(key), std::move(filler));
}

void DownloaderModel::shutdown()
{
    if (m_shutDown) {
        return;
    }
    m_shutDown = true;
    m_delayedStart.stop();
    m_mutex.reset();
    // Transfers are cancelled before their threads are stopped, so the threads end by themselves
    // instead of being terminated inside the network stack.
    m_versionWorker.requestStop();
    m_versionDownloader.cancel();
    m_textDownloader.cancel();
    m_versionWorker.stop(kWorkerStopTimeoutMs);
    m_packageWorker.requestStop();
    m_packageDownloader.cancel();
    m_packageWorker.stop(kWorkerStopTimeoutMs);
    m_analyticsSender.disable();
    m_token.cancel();
}
