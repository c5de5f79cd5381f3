// SPDX-License-Identifier: MIT
// The window on Windows: a Win32 window, a high-resolution waitable timer
// and a DIB of the frame, around the toolkit-free Form1.
#pragma once

#include "main_window.h"

#include <cmath>
#include <windows.h>

class Win32Window final : public WindowSystem {
public:
    explicit Win32Window(HINSTANCE instance);
    ~Win32Window() override;
    Win32Window(const Win32Window&) = delete;
    Win32Window& operator=(const Win32Window&) = delete;

    // Makes the window at the start size, loads the form and shows the
    // window as `show` (wWinMain's nCmdShow) says; false if Windows could
    // not make it.
    bool Create(int show);
    // The message loop, until the window is closed; the program's exit code.
    int Run();

    // WindowSystem: what the window has now, asked of Windows every time.
    int ClientWidth() const override { return int(std::lround(DeviceWidth() / PixelRatio())); }
    int ClientHeight() const override { return int(std::lround(DeviceHeight() / PixelRatio())); }
    int DeviceWidth() const override { return ClientRect().right; }
    int DeviceHeight() const override { return ClientRect().bottom; }
    double PixelRatio() const override;
    // COLORREF is 0x00BBGGRR, as a colour value.
    std::uint32_t Background() const override
    {
        return RgbWordOf(std::int32_t(GetSysColor(COLOR_BTNFACE)));
    }
    std::chrono::nanoseconds Now() const override { return SteadyClock().Now(); }
    void WakeAt(std::chrono::nanoseconds at) override;
    void CancelWake() override { CancelWaitableTimer(timer_); }
    void Repaint(std::span<const PixelRect> rects) override;

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
    void Press(UINT message, WPARAM wParam, LPARAM lParam);
    void Paint();
    RECT ClientRect() const;
    // The waker thread: posts WakeMessage each time the timer goes off.
    static DWORD WINAPI Waker(void* self);

    HINSTANCE instance_;
    HWND window_ = nullptr;
    // The one wake-up asked for, and the thread that waits for it and the
    // event that ends that thread.
    HANDLE timer_ = nullptr;
    HANDLE stop_ = nullptr;
    HANDLE waker_ = nullptr;
    Form1 form_{*this};
};
