// SPDX-License-Identifier: MIT
// A shown Form1 whose timer runs on a fake clock: the starting point of the
// window tests.
#pragma once

#include "fake_clock.h"
#include "main_window.h"
#include "window_test_util.h"

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

    void Tick() { TickAndPaint(clock, form); }

    // One press per slot.
    void FillTable()
    {
        PressMany(form, MaxSlot);
        ASSERT_EQ(form.Table.BallCount, MaxSlot);
    }
};
