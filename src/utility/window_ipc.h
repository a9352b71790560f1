#pragma once
// Window-message channel between processes: a hidden top-level window of a well-known class
// receives posted messages; other processes find it by class name and post to it.

#include <windows.h>

#include <string>

namespace utility {

class IWindowIPCHandle {
public:
    // Window thread. Every message above WM_USER and WM_COPYDATA that reaches the hidden window.
    virtual int onHandleWindowIPC(UINT message, WPARAM wParam, LPARAM lParam) = 0;

protected:
    ~IWindowIPCHandle() = default;
};

class WindowIPC {
public:
    WindowIPC() = default;
    // The receiving window lives until the process ends, as the protocol expects; the object only
    // has to outlive the messages it may still receive, which it does as a member of the app object.
    ~WindowIPC();

    WindowIPC(const WindowIPC&) = delete;
    WindowIPC& operator=(const WindowIPC&) = delete;

    // Receiving side, window thread (which must pump messages). False when no window came into
    // being. `receiver` is not owned.
    [[nodiscard]] bool create(const std::wstring& className, IWindowIPCHandle* receiver);

    // Sending side, any thread. Finds a top-level window of the class (and title, unless empty).
    [[nodiscard]] bool open(const std::wstring& className, const std::wstring& windowName = L"");

    // Posts to the window found or created; never waits for the receiver.
    [[nodiscard]] bool post(UINT message, WPARAM wParam, LPARAM lParam);

    [[nodiscard]] HWND window() const { return m_hwnd; }

private:
    static LRESULT CALLBACK windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

    HWND m_hwnd = nullptr;
    IWindowIPCHandle* m_receiver = nullptr;
    bool m_ownsWindow = false;
};

}  // namespace utility
