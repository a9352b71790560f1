#include "model/downloader_model.h"

#include "app/named_mutex.h"
#include "app/app_constants.h"
#include "common/log.h"
#include "utility/window_ipc.h"

namespace {
DownloaderModel* g_model = nullptr;
}

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

void DownloaderModel::init(const std::wstring& commandLine)
{
    // The launch parameters, install folder and version request come with their own pieces.
}

void DownloaderModel::shutdown()
{
    if (m_shutDown) {
        return;
    }
    m_shutDown = true;
    m_mutex.reset();
}
