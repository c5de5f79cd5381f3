// SPDX-License-Identifier: MIT
// Acts on the program's window from another process, as the taskbar, another
// program or a user at the keyboard would: windows-check.sh runs it under
// wine, where no window manager minimises windows and no user drags them.
//   minimise, restore, hide, show: ShowWindow.
//   move, size, menu: the window's own system command (WM_SYSCOMMAND with
//   SC_MOVE, SC_SIZE, SC_KEYMENU), which runs the modal loop a drag of the
//   caption or a border, or the system menu, runs; waits until the
//   window's thread is in that loop.
//   idle: waits until the window's thread is in no such loop.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <cstdio>
#include <cstring>
#include <windows.h>

namespace {

// Waits up to 5 s for the window's thread to be in a move or size loop or
// a menu (`in`), or in none.
bool WaitForLoop(HWND window, bool in)
{
    const DWORD thread = GetWindowThreadProcessId(window, nullptr);
    for (int k = 0; k < 100; ++k) {
        GUITHREADINFO info{};
        info.cbSize = sizeof info;
        if (GetGUIThreadInfo(thread, &info) &&
            ((info.flags & (GUI_INMOVESIZE | GUI_INMENUMODE)) != 0) == in) {
            return true;
        }
        Sleep(50);
    }
    return false;
}

} // namespace

int main(int argc, char* argv[])
{
    struct Command {
        const char* name;
        int show;
        WPARAM command;
    } static const commands[] = {{"minimise", SW_MINIMIZE, 0}, {"restore", SW_RESTORE, 0},
                                 {"hide", SW_HIDE, 0},         {"show", SW_SHOW, 0},
                                 {"move", -1, SC_MOVE},        {"size", -1, SC_SIZE},
                                 {"menu", -1, SC_KEYMENU},     {"idle", -1, 0}};
    if (argc == 2) {
        for (const Command& command : commands) {
            if (std::strcmp(argv[1], command.name) == 0) {
                // The program's window class (app/win32/win32_window.cpp).
                HWND window = FindWindowW(L"Torvane", nullptr);
                if (!window) {
                    std::fputs("show_window: no Torvane window\n", stderr);
                    return 1;
                }
                if (command.show >= 0) {
                    ShowWindow(window, command.show);
                    return 0;
                }
                // SC_KEYMENU with a space opens the system menu.
                if (command.command != 0) {
                    PostMessageW(window, WM_SYSCOMMAND, command.command,
                                 command.command == SC_KEYMENU ? ' ' : 0);
                }
                if (!WaitForLoop(window, command.command != 0)) {
                    std::fprintf(stderr, "show_window %s: the window's thread is %s a loop\n",
                                 command.name, command.command != 0 ? "in no" : "still in");
                    return 1;
                }
                return 0;
            }
        }
    }
    std::fputs("usage: show_window minimise|restore|hide|show|move|size|menu|idle\n", stderr);
    return 2;
}
