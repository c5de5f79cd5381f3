// SPDX-License-Identifier: MIT
// The program's one window: it owns the ball table, the random source and
// the timer, and wires presses and timer events to the simulation.
#pragma once

#include "ball_table.h"
#include "frame_surface.h"
#include "rest_watch.h"
#include "surface.h"
#include "timer.h"

#include <QWidget>

class Form1 : public QWidget {
public:
    // clock drives Timer1; a test passes one it controls.
    explicit Form1(Clock clock = SteadyClock(), QWidget* parent = nullptr);

    // Once, before the window is first shown: the anchor goes to half the
    // client width, and the pen becomes 9 pixels wide.
    void Form_Load();
    // Every press adds a ball at the pointer, (X, Y) in world units
    // (twips); whatever the button and modifiers. Draws nothing.
    void Form_MouseDown(Qt::MouseButton Button, Qt::KeyboardModifiers Shift, float X, float Y);
    // One tick at the current client size, then one draw pass; the window
    // repaints only what the pass changed. A tick that leaves the table as
    // it was puts the pile to rest: the timer stops until a press, a
    // resize, or the window being shown or restored.
    void Timer1_Timer();
    // Whether the pile is at rest and the timer stopped for it.
    bool Resting() const { return resting_; }

    // The whole simulation state, for the window's lifetime. Public so that
    // tests can read the pile and set up scenes.
    BallTable Table;
    // Asks for an event every millisecond; see Timer for what it gets.
    Timer Timer1;

    // The surface the draw pass draws through, holding the latest frame.
    FrameSurface& Screen() { return screen_; }

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    // Timer events run only while the window can be seen: a minimised
    // window may report a zero client size, which would crush the pile
    // against a wall at (0, 0). On restore the pile continues as it was.
    void UpdateTimer(bool shown);
    // Asks Qt to repaint what the last draw pass changed.
    void RepaintDamage();
    // Ends a rest: something may change what the next tick does or what
    // the frame shows.
    void Wake();

    FrameSurface screen_;
    Rnd rnd_;
    RestWatch rest_;
    bool resting_ = false;
};
