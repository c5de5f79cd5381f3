// SPDX-License-Identifier: MIT
// The program's one window.
#include "main_window.h"

#include "render.h"

namespace {

// Pen width of every circle, device-independent pixels.
constexpr int PenWidth = 9;
// Timer1's requested interval in milliseconds; Timer decides what it gets.
constexpr int TimerInterval = 1;

} // namespace

Form1::Form1(WindowSystem& window)
    : Timer1(window, [this] { Timer1_Timer(); }), window_(window), screen_(window)
{
    Timer1.SetInterval(TimerInterval);
}

void Form1::Form_Load()
{
    Table.InitBalls(screen_.ScaleWidth());
    screen_.DrawWidth(PenWidth);
    client_ = ReadClient();
    loaded_ = true;
    UpdateTimer();
}

void Form1::Form_MouseDown(int, int, float X, float Y)
{
    // A press on a full table is ignored; AddBall sees to it.
    Table.AddBall(X, Y, rnd_);
}

void Form1::Timer1_Timer()
{
    rest_.Before(Table);
    Table.MoveBalls(screen_.ScaleWidth(), screen_.ScaleHeight());
    DrawBalls(Table, screen_);
    // Only what the pass changed is drawn, repainted and reaches the window
    // system: a small pile in a large window costs the pixels it moves
    // over, not the whole window.
    const Damage& damage = screen_.Rasterize();
    const PixelFrame& frame = screen_.Frame();
    if (!damage.Rects().empty()) {
        window_.Repaint(damage.Rects());
    } else if (const PixelRect all{0, 0, window_.DeviceWidth(), window_.DeviceHeight()};
               frame.pixels == nullptr && framed_ && !all.Empty()) {
        // A client area too large for memory has no frame: the window shows
        // its background, repainted once when the frame goes
        // (WindowStress.AFrameTooLargeForMemoryShowsTheBackgroundUntilOneFits).
        window_.Repaint({&all, 1});
    }
    framed_ = frame.pixels != nullptr;
    // The tick is a pure function of the table and the client size, so a
    // tick that changed nothing would be followed by ticks that change
    // nothing and draw passes that draw the same frame, 64 times a second.
    // The timer stops instead; the first tick after a wake falls on the
    // timer's next 15.625 ms boundary, as a tick would have, so the pile
    // goes on exactly as if it had ticked throughout
    // (RestTest.PauseAndPressGiveThePileOfARunThatTickedThroughout).
    if (rest_.Unchanged(Table)) {
        resting_ = true;
        UpdateTimer();
    }
}

void Form1::MouseDown(int button, int shift, double x, double y)
{
    if (!loaded_) {
        return;
    }
    // Fractions of a pixel, as high-density screens and touch report them,
    // are kept: the product is formed in doubles and rounded to a float once.
    Form_MouseDown(button, shift, static_cast<float>(x * TwipsPerPixel),
                   static_cast<float>(y * TwipsPerPixel));
    Wake();
}

Form1::Client Form1::ReadClient() const
{
    return {window_.ClientWidth(),  window_.ClientHeight(), window_.DeviceWidth(),
            window_.DeviceHeight(), window_.PixelRatio(),   window_.Background() & 0xFFFFFFu};
}

// The walls and the floor move with the size the next tick reads; a new
// ratio or background has the frame drawn anew in its device pixels and
// colour. Anything else (a move, a paint) is no change.
void Form1::ClientChanged()
{
    if (!loaded_) {
        return;
    }
    const Client now = ReadClient();
    if (now != client_) {
        client_ = now;
        Wake();
    }
}

// Each ends a rest only when the window's state changed, so that an adapter
// may report what its window system says as often as it says it.
void Form1::Shown()
{
    if (!shown_) {
        shown_ = true;
        Wake();
    }
}

void Form1::Hidden()
{
    shown_ = false;
    UpdateTimer();
}

// A minimised window may report a zero client size, which would crush the
// pile against a wall at (0, 0): no tick runs until it is restored, and the
// pile then goes on as it was.
void Form1::Minimised()
{
    minimised_ = true;
    UpdateTimer();
}

void Form1::Restored()
{
    if (minimised_) {
        minimised_ = false;
        Wake();
    }
}

void Form1::UpdateTimer()
{
    Timer1.SetEnabled(loaded_ && Visible() && !resting_);
}

void Form1::Wake()
{
    resting_ = false;
    UpdateTimer();
}
