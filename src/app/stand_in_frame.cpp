#include "app/stand_in_frame.h"

namespace {
constexpr wchar_t kClassName[] = L"CorvaneMainFrame";
constexpr int kWidth = 640;
constexpr int kHeight = 400;
}  // namespace

StandInFrame::~StandInFrame()
{
    if (IsWindow(m_hwnd)) {
        SetWindowLongPtrW(m_hwnd, GWLP_USERDATA, 0);
        DestroyWindow(m_hwnd);
    }
}

bool StandInFrame::create(HINSTANCE instance)
{
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = &StandInFrame::windowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = CreateSolidBrush(RGB(0x14, 0x19, 0x29));
    windowClass.lpszClassName = kClassName;
    RegisterClassExW(&windowClass);

    const int x = (GetSystemMetrics(SM_CXSCREEN) - kWidth) / 2;
    const int y = (GetSystemMetrics(SM_CYSCREEN) - kHeight) / 2;
    m_hwnd = CreateWindowExW(0, kClassName, L"Corvane",
                             WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, x, y, kWidth,
                             kHeight, nullptr, nullptr, instance, this);
    return m_hwnd != nullptr;
}

LRESULT CALLBACK StandInFrame::windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<StandInFrame*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (message == WM_DESTROY) {
        if (self != nullptr) {
            self->m_hwnd = nullptr;
        }
        // The main window's end is the program's end.
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}
