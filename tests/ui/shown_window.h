// SPDX-License-Identifier: MIT
// A shown Form1 whose timer runs on a fake clock: the starting point of the
// window tests.
#pragma once

#include "fake_clock.h"
#include "main_window.h"

#include <QTest>
#include <gtest/gtest.h>

class ShownWindow : public ::testing::Test {
protected:
    FakeClock clock;
    Form1 form{clock.Source()};

    void SetUp() override
    {
        form.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    }

    // Lets the clock run to the next timer event and delivers whatever is due.
    void Tick()
    {
        clock.Advance(Timer::Granularity);
        form.Timer1.Poll();
    }
};
