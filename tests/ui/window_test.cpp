// SPDX-License-Identifier: MIT
// The real window on Qt's offscreen platform, its timer driven by a fake
// clock: start-up, presses, ticks, drawing, resizing and hiding.
#include "shown_window.h"

#include <QPointingDevice>
#include <QTest>
#include <QWheelEvent>
#include <gtest/gtest.h>

using namespace std::chrono_literals;

namespace {

class WindowTest : public ShownWindow {
protected:
    void Press(QPoint at, Qt::MouseButton button = Qt::LeftButton,
               Qt::KeyboardModifiers mods = Qt::NoModifier)
    {
        QTest::mousePress(&form, button, mods, at);
        QTest::mouseRelease(&form, button, mods, at);
    }

    QRgb Background() const { return form.palette().color(QPalette::Window).rgb(); }

    // Pixel of the latest frame at a point in world units (twips).
    QRgb At(double x, double y)
    {
        const QImage& f = form.Screen().Frame();
        const qreal r = f.devicePixelRatio() / TwipsPerPixel;
        return f.pixel(static_cast<int>(x * r), static_cast<int>(y * r)) | 0xFF000000u;
    }
};

} // namespace

TEST_F(WindowTest, StartsWithCaptionSizeAndAnchor)
{
    EXPECT_EQ(form.windowTitle().toStdString(), "Torvane Beta - Quillmoss 2004 (Click to add)");
    EXPECT_EQ(form.size(), StartSize);
    EXPECT_EQ(form.Screen().ScaleWidth(), StartWidth);
    EXPECT_EQ(form.Screen().ScaleHeight(), StartHeight);
    // Form_Load initialised the table for this client width.
    EXPECT_TRUE(SameTable(form.Table, StartTable()));
    // The first timer boundary brings the first tick: the anchor falls.
    Tick();
    BallTable expected = StartTable();
    expected.MoveBalls(StartWidth, StartHeight);
    EXPECT_TRUE(SameTable(form.Table, expected));
}

TEST_F(WindowTest, EveryButtonAndModifierAddsOneBallAtThePointer)
{
    const struct {
        Qt::MouseButton button;
        Qt::KeyboardModifiers mods;
    } presses[] = {
        {Qt::LeftButton, Qt::NoModifier},
        {Qt::RightButton, Qt::NoModifier},
        {Qt::MiddleButton, Qt::NoModifier},
        {Qt::BackButton, Qt::NoModifier},
        {Qt::ForwardButton, Qt::NoModifier},
        {Qt::LeftButton, Qt::ShiftModifier},
        {Qt::LeftButton, Qt::ControlModifier},
        {Qt::LeftButton, Qt::AltModifier},
        {Qt::RightButton, Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier},
        {Qt::MiddleButton, Qt::MetaModifier},
    };
    int k = 0;
    for (const auto& p : presses) {
        SCOPED_TRACE(k);
        const QPoint at(10 + 37 * k, 300 - 11 * k);
        Press(at, p.button, p.mods);
        ++k;
        ASSERT_EQ(form.Table.BallCount, k);
        EXPECT_BITS(form.Table.BallX[k], at.x() * TwipsPerPixel);
        EXPECT_BITS(form.Table.BallY[k], at.y() * TwipsPerPixel);
    }
}

TEST_F(WindowTest, PointerFractionsAreKept)
{
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(10.25, 20.75), QPointF(10.25, 20.75),
                      Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&form, &press);
    ASSERT_EQ(form.Table.BallCount, 1);
    EXPECT_BITS(form.Table.BallX[1], 153.75f);
    EXPECT_BITS(form.Table.BallY[1], 311.25f);
}

TEST_F(WindowTest, DoubleClickIsTwoPresses)
{
    // Through the window system, which reports the second press to a widget
    // as a double-click only.
    struct : QObject {
        int doubleClicks = 0;
        bool eventFilter(QObject*, QEvent* e) override
        {
            doubleClicks += e->type() == QEvent::MouseButtonDblClick;
            return false;
        }
    } counter;
    form.installEventFilter(&counter);
    QWindow* w = form.windowHandle();
    QTest::mouseDClick(w, Qt::LeftButton, Qt::NoModifier, QPoint(50, 60));
    ASSERT_EQ(counter.doubleClicks, 1);
    EXPECT_EQ(form.Table.BallCount, 2);
    form.removeEventFilter(&counter);
}

TEST_F(WindowTest, TouchTapAddsABallWheelDoesNot)
{
    // Registered with Qt for the rest of the run, which never frees it.
    static QPointingDevice* const screen =
        QTest::createTouchDevice(QInputDevice::DeviceType::TouchScreen);
    QTest::touchEvent(&form, screen).press(0, QPoint(100, 200));
    QTest::touchEvent(&form, screen).release(0, QPoint(100, 200));
    ASSERT_EQ(form.Table.BallCount, 1);
    EXPECT_BITS(form.Table.BallX[1], 1500.0f);
    EXPECT_BITS(form.Table.BallY[1], 3000.0f);

    QWheelEvent wheel(QPointF(100, 100), form.mapToGlobal(QPointF(100, 100)), QPoint(),
                      QPoint(0, 120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(&form, &wheel);
    EXPECT_EQ(form.Table.BallCount, 1);
}

TEST_F(WindowTest, ColoursAndRadiiFollowTheRandomSource)
{
    Press(QPoint(100, 100));
    Press(QPoint(200, 100));
    Rnd rnd;
    BallTable expected = StartTable();
    expected.AddBall(1500, 1500, rnd);
    expected.AddBall(3000, 1500, rnd);
    EXPECT_TRUE(SameTable(form.Table, expected));
}

TEST_F(WindowTest, BeforeTheFirstTickTheWindowShowsBackground)
{
    const QImage shown = form.grab().toImage();
    ASSERT_EQ(shown.deviceIndependentSize().toSize(), StartSize);
    for (const QPoint p : {QPoint(0, 0), QPoint(302, 183), QPoint(604, 365)}) {
        EXPECT_EQ(shown.pixel(p * shown.devicePixelRatio()) | 0xFF000000u, Background());
    }
}

TEST_F(WindowTest, APressDrawsNothingUntilTheNextTick)
{
    Tick();
    const QImage before = form.Screen().Frame().copy();
    Press(QPoint(150, 100));
    ASSERT_EQ(form.Table.BallCount, 1);
    EXPECT_EQ(form.Screen().Frame(), before);

    Tick();
    const float x = form.Table.BallX[1];
    const float y = form.Table.BallY[1];
    const float r = form.Table.BallRadius[1];
    EXPECT_BITS(y, 1545.0f); // fallen one step, nothing near it
    // The ball's colour on its ring, the background inside it.
    EXPECT_EQ(At(x + r, y), RgbOf(form.Table.BallColor[1]));
    EXPECT_EQ(At(x - r, y), RgbOf(form.Table.BallColor[1]));
    EXPECT_EQ(At(x, y + r), RgbOf(form.Table.BallColor[1]));
    EXPECT_EQ(At(x, y), Background());
}

TEST_F(WindowTest, AnchorIsABlackDotThatSinksToTheFloor)
{
    Tick();
    const float x = form.Table.BallX[0];
    EXPECT_EQ(At(x, 45), qRgb(0, 0, 0));
    for (int k = 1; k < 122; ++k) {
        Tick();
    }
    EXPECT_BITS(form.Table.BallY[0], StartHeight);
    EXPECT_EQ(At(x, StartHeight - 2 * TwipsPerPixel), qRgb(0, 0, 0));
    EXPECT_EQ(At(x, 45), Background());
}

TEST_F(WindowTest, ResizingMovesTheWallsFromTheNextTick)
{
    Press(QPoint(580, 100));
    Press(QPoint(400, 340));
    Tick();
    BallTable expected = form.Table;

    form.resize(300, 200);
    ASSERT_EQ(form.size(), QSize(300, 200));
    // Nothing moves until the tick reads the new size.
    EXPECT_TRUE(SameTable(form.Table, expected));
    Tick();
    expected.MoveBalls(4500.0f, 3000.0f);
    EXPECT_TRUE(SameTable(form.Table, expected));
    EXPECT_LE(form.Table.BallX[0], 4500.0f);
    EXPECT_LE(form.Table.BallY[0], 3000.0f);
    EXPECT_EQ(form.Screen().Frame().deviceIndependentSize().toSize(), QSize(300, 200));
}

TEST_F(WindowTest, NoTickRunsWhileHidden)
{
    // Minimising: WindowStress.MinimiseAndRestoreLeaveACrowdedPileAsItWas.
    Press(QPoint(300, 100));
    Tick();
    BallTable expected = form.Table;

    form.hide();
    EXPECT_FALSE(form.Timer1.Enabled());
    Tick();
    EXPECT_TRUE(SameTable(form.Table, expected));

    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    EXPECT_TRUE(form.Timer1.Enabled());
    Tick();
    expected.MoveBalls(StartWidth, StartHeight);
    EXPECT_TRUE(SameTable(form.Table, expected));
}
