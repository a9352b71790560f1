#pragma once

#include <windows.h>

// Restores a minimised window and lifts it above the others without leaving it pinned on top.
void bringWindowToFront(HWND window);
