#pragma once
// A plain native window that takes the main window's place until the skinned one exists: it lets
// the message loop run and ends the program, in order, when the user closes it.

#include <windows.h>

class StandInFrame {
public:
    StandInFrame() = default;
    ~StandInFrame();

    StandInFrame(const StandInFrame&) = delete;
    StandInFrame& operator=(const StandInFrame&) = delete;

    // Window thread. Creates the 640x400 window titled "Corvane", centred, not yet shown.
    [[nodiscard]] bool create(HINSTANCE instance);
    [[nodiscard]] HWND window() const { return m_hwnd; }

private:
    static LRESULT CALLBACK windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

    HWND m_hwnd = nullptr;
};
