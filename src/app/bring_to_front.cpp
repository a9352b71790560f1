#include "app/bring_to_front.h"

void bringWindowToFront(HWND window)
{
    if (IsIconic(window)) {
        SendMessageW(window, WM_SYSCOMMAND, SC_RESTORE, 0);
    }
    if ((GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0) {
        ShowWindow(window, SW_SHOW);
        return;
    }
    SetForegroundWindow(window);
    BringWindowToTop(window);
    // Top-most and back again: the only reliable way to get above windows of other processes.
    const UINT flags = SWP_SHOWWINDOW | SWP_NOMOVE | SWP_NOSIZE;
    SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0, flags);
    SetWindowPos(window, HWND_NOTOPMOST, 0, 0, 0, 0, flags);
}
