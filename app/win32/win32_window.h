// SPDX-License-Identifier: MIT
// The window on Windows: a Win32 window, a high-resolution waitable timer
// and a DIB of the frame, around the toolkit-free Form1.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include "main_window.h"

#include <chrono>
#include <cstdint>
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

    // WindowSystem.
    int ClientWidth() const override;
    int ClientHeight() const override;
    double PixelRatio() const override;
    std::uint32_t Background() const override { return background_; }
    std::chrono::nanoseconds Now() const override;
    void WakeAt(std::chrono::nanoseconds at) override;
    void CancelWake() override;
    void Repaint(std::span<const PixelRect> rects) override;

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
    void Press(int button, WPARAM wParam, LPARAM lParam);
    void Paint();
    // Runs the form's wake-up once it is due; else sets the timer again for
    // what is left.
    void WakeIfDue();
    // Sets the timer to go off `delay` from now (at least 100 ns).
    void ArmTimer(std::chrono::nanoseconds delay);
    // The window's DPI: its monitor's where the system scales per monitor,
    // else the system's.
    UINT WindowDpi() const;
    // Tells the form when the window comes into view or leaves it, once a
    // change.
    void SetShown(bool shown);

    HINSTANCE instance_;
    HWND window_ = nullptr;
    // Counts a second of QueryPerformanceCounter.
    long long frequency_ = 1;
    // The one wake-up asked for; the waitable timer, or SetTimer's where
    // none could be made.
    HANDLE timer_ = nullptr;
    bool wakePending_ = false;
    std::chrono::nanoseconds wakeAt_{0};
    UINT dpi_ = 96;
    std::uint32_t background_ = 0;
    bool shown_ = false;
    // Events reach the form only after Form_Load, as they would on a form.
    bool loaded_ = false;
    Form1 form_{*this};
};
