#pragma once
// The application object: one per run, a local of wWinMain. Refuses a second instance, builds the
// installation's state, brings up the windows and the IPC endpoint, and tears down in order.

#include "app/stand_in_frame.h"
#include "utility/window_ipc.h"

#include <windows.h>

#include <memory>
#include <string>

class DownloadImpl : public utility::IWindowIPCHandle {
public:
    DownloadImpl() = default;
    virtual ~DownloadImpl() = default;

    DownloadImpl(const DownloadImpl&) = delete;
    DownloadImpl& operator=(const DownloadImpl&) = delete;

    // Window thread. False when another instance runs (it has been asked to show itself) and this
    // one must end without entering the message loop; true when the main window is up.
    [[nodiscard]] bool entrance(HINSTANCE instance, const std::wstring& commandLine);

    // Window thread, after the message loop. Safe to call when entrance returned false.
    void shutdown();

    // Window thread, from the hidden IPC window.
    int onHandleWindowIPC(UINT message, WPARAM wParam, LPARAM lParam) override;

    // Creates the main window on first use and brings it to the front.
    void showMainFrame();

    // The privately registered font, to be removed after the message loop; empty when none.
    [[nodiscard]] const std::wstring& registeredFontPath() const { return m_fontPath; }

private:
    void unpackFonts(const std::wstring& fontFolder);
    void registerFont(const std::wstring& fontFolder);
    void startUiFramework();
    void openIpcWindow();
    void sendStartEvents();

    utility::WindowIPC m_ipc;
    std::unique_ptr<StandInFrame> m_mainFrame;
    HINSTANCE m_instance = nullptr;
    std::wstring m_fontPath;
    bool m_curlStarted = false;
};
