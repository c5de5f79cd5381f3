// SPDX-License-Identifier: MIT
// The Windows program's window (app/win32) when memory cannot hold its
// frame: it shows the background, not the frame it had, and runs on; once a
// frame fits, the rings are back. windows-check.sh runs it under wine. The
// frame's memory comes from the standard nothrow array new, which this
// program replaces (tests/ui/refuse_frames.h) to refuse frame-sized blocks
// while told to: the window allocates as it always does.
#include "refuse_frames.h"
#include "win32_window.h"

#include <cstdio>
#include <new>

namespace {

int failures = 0;
int step = 0;

// Counts a failure, and says what failed, unless ok.
void Expect(bool ok, const char* what)
{
    if (!ok) {
        std::fprintf(stderr, "frame_memory: %s\n", what);
        ++failures;
    }
}

// How many pixels of a grid over the client area are not the background.
int Rings(HWND window)
{
    RECT client;
    GetClientRect(window, &client);
    HDC dc = GetDC(window);
    int rings = 0;
    for (int y = 0; y < client.bottom; y += 3) {
        for (int x = 0; x < client.right; x += 3) {
            rings += GetPixel(dc, x, y) != GetSysColor(COLOR_BTNFACE);
        }
    }
    ReleaseDC(window, dc);
    return rings;
}

// Every half second, one step, on the window's own thread.
void CALLBACK Step(HWND, UINT, UINT_PTR, DWORD)
{
    HWND window = FindWindowW(L"Torvane", nullptr);
    switch (step++) {
    case 0:
        for (int k = 0; k < 40; ++k) {
            PostMessageW(window, WM_LBUTTONDOWN, 0, MAKELPARAM(20 + k * 14, 40 + (k * 37) % 280));
        }
        break;
    case 2:
        Expect(Rings(window) > 0, "no rings before the frame is refused");
        // A new size wants a new frame, which cannot be had.
        RefuseFrames = true;
        SetWindowPos(window, nullptr, 0, 0, 700, 480, SWP_NOMOVE | SWP_NOZORDER);
        break;
    case 3:
        RefuseFrames = false;
        Expect(Rings(window) == 0, "pixels sampled without a frame are not the background");
        break;
    case 4:
        Expect(Rings(window) > 0, "no rings once a frame fits again");
        PostMessageW(window, WM_CLOSE, 0, 0);
        break;
    default:
        break;
    }
}

} // namespace

int main()
{
    Win32Window program(GetModuleHandleW(nullptr));
    Expect(program.Create(SW_SHOWNORMAL), "no window");
    if (failures == 0) {
        SetTimer(nullptr, 0, 500, Step);
        Expect(program.Run() == 0 && step >= 5, "the program did not run to its close");
    }
    return failures == 0 ? 0 : 1;
}
