#include "app/download_impl.h"

#include "app/app_constants.h"
#include "app/bring_to_front.h"
#include "common/log.h"
#include "model/downloader_model.h"
#include "telemetry/qv_reporter.h"
#include "utility/ufile.h"

#include <curl/curl.h>

namespace {

std::wstring programPath()
{
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    return path;
}

}  // namespace

bool DownloadImpl::entrance(HINSTANCE instance, const std::wstring& commandLine)
{
    m_instance = instance;
    DownloaderModel* model = DownloaderModel::instance();
    if (model->popupExistPwnd()) {
        common::writeLog("DownloadImpl::entrance", __LINE__, L"It's exist");
        return false;
    }
    common::writeLog("DownloadImpl::entrance", __LINE__, L"path %s", programPath().c_str());

    m_curlStarted = curl_global_init(CURL_GLOBAL_ALL) == CURLE_OK;

    model->init(commandLine.c_str());
    model->setInstance(instance);

    const std::wstring appData = utility::ufile::getAppDataDir();
    if (!appData.empty()) {
        const std::wstring fontFolder = appData + app::kFontFolder;
        if (!utility::ufile::exists(fontFolder)) {
            (void)utility::ufile::makeDir(fontFolder);
        }
        unpackFonts(fontFolder);
        registerFont(fontFolder);
    }

    startUiFramework();
    showMainFrame();
    openIpcWindow();
    sendStartEvents();
    return true;
}

void DownloadImpl::unpackFonts(const std::wstring& fontFolder)
{
    // The font archive (resource 130) is unpacked here once the archive reader exists.
}

void DownloadImpl::registerFont(const std::wstring& fontFolder)
{
    m_fontPath = fontFolder + DownloaderModel::instance()->getFontFile();
    const int added = AddFontResourceExW(m_fontPath.c_str(), FR_PRIVATE, nullptr);
    common::writeLog("DownloadImpl::entrance", __LINE__, L"load Noto Sans fonts ret:%d  error:%d",
                     added, static_cast<int>(GetLastError()));
}

void DownloadImpl::startUiFramework()
{
    // The skinned UI framework (language, skin archive 129) starts here once it exists.
}

void DownloadImpl::openIpcWindow()
{
    if (!m_ipc.create(app::kInstanceName, this)) {
        common::writeLog("DownloadImpl::entrance", __LINE__, L"create ipc window failed, error:%d",
                         static_cast<int>(GetLastError()));
    }
}

void DownloadImpl::sendStartEvents()
{
    DownloaderModel* model = DownloaderModel::instance();
    model->reportUiEvent(L"download_run", model->getOpenId());
    QVReporter::instance().postEvent(L"run_downloader");
}

void DownloadImpl::showMainFrame()
{
    common::writeLog("DownloadImpl::showMainFrame", __LINE__, L"create main");
    if (!m_mainFrame) {
        auto frame = std::make_unique<StandInFrame>();
        if (!frame->create(m_instance)) {
            common::writeLog("DownloadImpl::showMainFrame", __LINE__,
                             L"create main window failed, error:%d", static_cast<int>(GetLastError()));
            return;
        }
        m_mainFrame = std::move(frame);
    }
    const HWND window = m_mainFrame->window();
    if (window == nullptr) {
        return;  // closed already; the program is ending
    }
    ShowWindow(window, SW_SHOW);
    SetFocus(window);
    BringWindowToTop(window);
    bringWindowToFront(window);
}

int DownloadImpl::onHandleWindowIPC(UINT message, WPARAM wParam, LPARAM lParam)
{
    common::writeLog("DownloadImpl::onHandleWindowIPC", __LINE__, L"onHandleWindowIPC, msg = %d",
                     static_cast<int>(message));
    if (message == app::kMessageShowMainFrame) {
        showMainFrame();
    } else if (message == app::kMessagePlayerInstallError) {
        const int code = static_cast<int>(wParam);
        common::writeLog("DownloadImpl::onHandleWindowIPC", __LINE__, L"player install error! %d", code);
        QVReporter::instance().postEvent(L"install_fail", [code](ReportProperties& properties) {
            properties.add("failure_reason", "errorcode_" + std::to_string(code));
        });
        // The install error box of the main window follows with the skinned windows.
    }
    return 0;
}

void DownloadImpl::shutdown()
{
    if (m_mainFrame && m_mainFrame->window() != nullptr) {
        ShowWindow(m_mainFrame->window(), SW_HIDE);
    }
    QVReporter::instance().shutdown();
    DownloaderModel::destroyInstance();
    if (m_curlStarted) {
        curl_global_cleanup();
        m_curlStarted = false;
    }
}
