// SPDX-License-Identifier: MIT
// Shows, hides, minimises or restores the program's window from another
// process, as the taskbar or another program would: windows-check.sh runs
// it under wine, where no window manager minimises windows.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <cstdio>
#include <cstring>
#include <windows.h>

int main(int argc, char* argv[])
{
    struct Command {
        const char* name;
        int show;
    };
    static const Command commands[] = {
        {"minimise", SW_MINIMIZE}, {"restore", SW_RESTORE}, {"hide", SW_HIDE}, {"show", SW_SHOW}};
    if (argc == 2) {
        for (const Command& command : commands) {
            if (std::strcmp(argv[1], command.name) == 0) {
                // The program's window class (app/win32/win32_window.cpp).
                HWND window = FindWindowW(L"Torvane", nullptr);
                if (!window) {
                    std::fputs("show_window: no Torvane window\n", stderr);
                    return 1;
                }
                ShowWindow(window, command.show);
                return 0;
            }
        }
    }
    std::fputs("usage: show_window minimise|restore|hide|show\n", stderr);
    return 2;
}
