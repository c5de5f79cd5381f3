// SPDX-License-Identifier: MIT
// Tells the window when its pile has come to rest: a tick that left every
// field of the ball table bit for bit as it was.
#pragma once

#include "ball_table.h"

// A tick is a pure function of the table and the client size (the grid it
// builds is scratch, rebuilt every tick). So once a tick leaves the table as
// it found it, every further tick at that size does too, and every draw pass
// issues the same calls: nothing can change until a press, a change of the
// client area (its size, pixel ratio or background), or the window being
// shown or restored. Tested in tests/ui/rest_test.cpp.
class RestWatch {
public:
    // Keeps a copy of the table before a tick.
    void Before(const BallTable& table) { before_ = table; }
    // Whether the live slots, BallCount, Pi and HitAngle are bit for bit
    // what Before saw: the same bits, so that -0.0 and 0.0 differ and a NaN
    // equals itself.
    bool Unchanged(const BallTable& table) const;

private:
    BallTable before_;
};
