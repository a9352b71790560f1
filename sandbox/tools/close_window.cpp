// Closes a top-level window by title, as a user clicking its close button would. Used by the demo
// to end the installer in order. Exit code 0 when the window was found.
#include <windows.h>

int wmain(int argc, wchar_t** argv)
{
    if (argc < 2) {
        return 2;
    }
    const HWND window = FindWindowW(nullptr, argv[1]);
    if (window == nullptr) {
        return 1;
    }
    PostMessageW(window, WM_CLOSE, 0, 0);
    return 0;
}
