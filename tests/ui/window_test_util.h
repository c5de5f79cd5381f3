// SPDX-License-Identifier: MIT
// Helpers shared by the window tests: the start-up size, the pixel a colour
// value gives, presses spread over the window, and a tick as the program
// runs it.
#pragma once

#include "fake_clock.h"
#include "main_window.h"
#include "sim_test_util.h"

#include <QCoreApplication>
#include <QTest>
#include <cstdint>

// The start-up client area in pixels: StartWidth x StartHeight world units.
inline constexpr QSize StartSize{605, 366};

// The pixel a colour value 0x00BBGGRR (red in the low byte) must give.
inline QRgb RgbOf(std::int32_t color)
{
    return qRgb(color & 0xFF, (color >> 8) & 0xFF, (color >> 16) & 0xFF);
}

// The k-th of a run of presses spread over the start-up client area, in
// pixels. Never (0, 0), which QTest reads as the middle of the widget.
inline QPoint Spread(int k)
{
    return QPoint(1 + (k * 37) % 604, 1 + (k * 11 + k / 604) % 365);
}

// Left-button clicks at Spread(0), Spread(1), ...
inline void PressMany(Form1& form, int presses)
{
    for (int k = 0; k < presses; ++k) {
        QTest::mouseClick(&form, Qt::LeftButton, Qt::NoModifier, Spread(k));
    }
}

// As the program runs: the clock reaches the next timer boundary, the timer
// delivers whatever is due (a tick and its draw pass while it is enabled),
// then Qt paints the frame into the window.
inline void TickAndPaint(FakeClock& clock, Form1& form)
{
    clock.Advance(Timer::Granularity);
    form.Timer1.Poll();
    QCoreApplication::processEvents();
}
