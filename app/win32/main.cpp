// SPDX-License-Identifier: MIT
// Entry on Windows: the one window and its message loop.
#include "win32_window.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show)
{
    Win32Window window(instance);
    if (!window.Create(show)) {
        return 1;
    }
    return window.Run();
}
