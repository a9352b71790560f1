#include "utility/window_ipc.h"

#include "common/log.h"

namespace utility {

WindowIPC::~WindowIPC()
{
    // A window that outlives its object must not call into freed memory.
    if (m_ownsWindow && IsWindow(m_hwnd)) {
        SetWindowLongPtrW(m_hwnd, GWLP_USERDATA, 0);
        DestroyWindow(m_hwnd);
    }
}

bool WindowIPC::create(const std::wstring& className, IWindowIPCHandle* receiver)
{
    const HINSTANCE module = GetModuleHandleW(nullptr);
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.style = CS_DBLCLKS;
    windowClass.lpfnWndProc = &WindowIPC::windowProc;
    windowClass.hInstance = module;
    windowClass.lpszClassName = className.c_str();
    RegisterClassExW(&windowClass);  // an existing class is fine

    const HWND hwnd = CreateWindowExW(0, className.c_str(), L"", WS_POPUP, 0, 0, 0, 0, nullptr,
                                      nullptr, module, this);
    if (hwnd == nullptr) {
        m_hwnd = nullptr;
        return false;
    }
    m_ownsWindow = true;
    m_receiver = receiver;
    return true;
}

bool WindowIPC::open(const std::wstring& className, const std::wstring& windowName)
{
    SetLastError(ERROR_SUCCESS);
    m_hwnd = FindWindowW(className.c_str(), windowName.empty() ? nullptr : windowName.c_str());
    m_ownsWindow = false;
    if (m_hwnd == nullptr) {
        const DWORD error = GetLastError();
        if (error != ERROR_SUCCESS) {
            common::writeLog("utility::WindowIPC::open", __LINE__,
                             L"className:%s, windowName:%s, error:%d", className.c_str(),
                             windowName.c_str(), static_cast<int>(error));
        }
        return false;
    }
    return true;
}

bool WindowIPC::post(UINT message, WPARAM wParam, LPARAM lParam)
{
    return m_hwnd != nullptr && PostMessageW(m_hwnd, message, wParam, lParam) != FALSE;
}

LRESULT CALLBACK WindowIPC::windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
        auto* self = static_cast<WindowIPC*>(create->lpCreateParams);
        if (self != nullptr) {
            self->m_hwnd = hwnd;
        }
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }
    if (message > WM_USER || message == WM_COPYDATA) {
        auto* self = reinterpret_cast<WindowIPC*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
        if (self != nullptr && self->m_hwnd == hwnd && self->m_receiver != nullptr) {
            self->m_receiver->onHandleWindowIPC(message, wParam, lParam);
        }
        return 0;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

}  // namespace utility
