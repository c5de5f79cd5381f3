// SPDX-License-Identifier: MIT
// The program's one window, free of any toolkit: it owns the ball table, the
// random source, the timer and the frame, decides when to tick, when to rest
// and what to repaint. A window system's adapter (app/*/) tells it what
// happens and shows the frame it draws.
#pragma once

#include "ball_table.h"
#include "frame_surface.h"
#include "rest_watch.h"
#include "surface.h"
#include "timer.h"
#include "window_system.h"

// The buttons and keys of a press, as Form_MouseDown gets them. Every press
// adds a ball, whatever they are.
enum PressButton { LeftButton = 1, RightButton = 2, MiddleButton = 4, ExtraButton = 8 };
enum PressShift { ShiftMask = 1, CtrlMask = 2, AltMask = 4 };

class Form1 {
public:
    // The window's caption, set in the top CMakeLists.txt.
    static constexpr char Caption[] = TORVANE_CAPTION;
    // Client area at start, device-independent pixels: 9075 x 5490 twips.
    static constexpr int StartClientWidth = 605;
    static constexpr int StartClientHeight = 366;

    // `window` must outlive the form. The form starts hidden and unloaded:
    // the adapter makes its window at the start size, then calls Form_Load,
    // then shows it (Shown).
    explicit Form1(WindowSystem& window);
    Form1(const Form1&) = delete;
    Form1& operator=(const Form1&) = delete;

    // Once, before the window is first shown: the anchor goes to half the
    // client width, and the pen becomes 9 pixels wide.
    void Form_Load();
    // Every press adds a ball at the pointer, (X, Y) in world units
    // (twips); whatever the button and modifiers. Draws nothing.
    void Form_MouseDown(int Button, int Shift, float X, float Y);
    // One tick at the current client size, one draw pass, and the frame
    // drawn from it (FrameSurface::Rasterize); the window repaints only what
    // the pass changed. A tick that leaves the table as it was puts the pile
    // to rest: the timer stops until a press, a change of the client area
    // (size, pixel ratio, background), or the window being shown or
    // restored.
    void Timer1_Timer();

    // What the window system tells the form. Each may come at any time and
    // again with nothing changed: the form keeps what it was told and the
    // client area it last read, compares, and acts only on a change.
    //
    // Before Form_Load the form has no pile: a press is ignored (InitBalls
    // would wipe the ball it added, and no window is yet in view to have
    // been pressed), a wake-up or a client change finds nothing to do
    // (Form_Load reads the client area), while whether the window is shown
    // or minimised is kept, so that the timer starts at Form_Load if the
    // window is already in view. Every adapter gets the same from this
    // (WindowRules.EventsBeforeLoadWaitForIt).
    //
    // A press at (x, y), device-independent pixels from the client area's
    // top-left corner, fractions kept.
    void MouseDown(int button, int shift, double x, double y);
    // The client area's size, pixel ratio or background may have changed:
    // the form reads the ClientArea, and a change ends a rest; the next
    // tick reads the new size, and its pass draws the frame anew where
    // needed.
    void ClientChanged();
    // The window became visible or was hidden; minimised or restored.
    // Timer events run only while it can be seen.
    void Shown();
    void Hidden();
    void Minimised();
    void Restored();
    // The wake-up asked for with WindowSystem::WakeAt has come.
    void WakeUp() { Timer1.Poll(); }

    bool Visible() const { return shown_ && !minimised_; }

    // The frame the latest tick drew (device pixels, 0xFFRRGGBB words; no
    // pixels before the first tick or while none fit in memory: the window
    // then shows its background), and its device pixels per
    // device-independent pixel. What a paint handler shows; reading it
    // draws nothing.
    const PixelFrame& Frame() const { return screen_.Frame(); }
    double FrameRatio() const { return screen_.Ratio(); }

    // The whole simulation state, for the window's lifetime. Public so that
    // tests can read the pile and set up scenes.
    BallTable Table;
    // Asks for an event every millisecond; see Timer for what it gets.
    Timer Timer1;

private:
    // What of the client area changes what a tick does or what the frame
    // shows.
    struct Client {
        int width = 0;
        int height = 0;
        int deviceWidth = 0;
        int deviceHeight = 0;
        double ratio = 0;
        std::uint32_t background = 0;
        bool operator==(const Client&) const = default;
    };
    Client ReadClient() const;
    void UpdateTimer();
    // Ends a rest: something may change what the next tick does or what
    // the frame shows.
    void Wake();

    WindowSystem& window_;
    FrameSurface screen_;
    Rnd rnd_;
    RestWatch rest_;
    bool loaded_ = false;
    bool shown_ = false;
    bool minimised_ = false;
    // Whether the pile is at rest and the timer stopped for it.
    bool resting_ = false;
    // Whether the last pass had a frame to show.
    bool framed_ = false;
    Client client_;
};
