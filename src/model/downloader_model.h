#pragma once
// The state of one installation. Process-wide singleton, created on first access on the window
// thread and destroyed with the main window (or by the app's shutdown).
//
// This first version holds only what the single-instance check needs; the launch parameters,
// install folder, version answer and workers arrive with their own pieces.

#include "utility/scoped_handle.h"

#include <windows.h>

#include <string>

class DownloaderModel {
public:
    // Window thread.
    [[nodiscard]] static DownloaderModel* instance();
    // Null when the model has not been created or has been destroyed.
    [[nodiscard]] static DownloaderModel* existingInstance();
    // Shuts the model down (if not yet) and frees it.
    static void destroyInstance();

    // True when another installer runs for this user; that instance has then been asked (message
    // 11123) to show itself. Also true when the mutex cannot be created: two installers writing the
    // same folder is worse than none.
    [[nodiscard]] bool popupExistPwnd();

    // Reads the launch parameters and starts the version request.
    void init(const std::wstring& commandLine);

    void setInstance(HINSTANCE instance) { m_instance = instance; }
    [[nodiscard]] HINSTANCE moduleInstance() const { return m_instance; }

    // Locale code of the interface language ("en_US" until the launch parameters are read).
    [[nodiscard]] std::wstring localeCode() const { return L"en_US"; }
    // Font file of the language profile, inside the unpacked font folder.
    [[nodiscard]] std::wstring fontFileName() const { return L"NotoSans-Regular.otf"; }

    // Stops the workers and releases the single-instance mutex. Idempotent.
    void shutdown();

private:
    DownloaderModel() = default;
    ~DownloaderModel() = default;

    HINSTANCE m_instance = nullptr;
    utility::ScopedKernelHandle m_mutex;
    bool m_shutDown = false;
};
