// SPDX-License-Identifier: MIT
// What the Qt adapter does itself, on Qt's offscreen platform with Form1's
// timer on a clock the test sets: presses and window events reach the form,
// the paint shows its frame, repaints become update regions, closing ends the
// ticks (what the form does with them: tests/ui). And the rasterizer beside
// Qt's antialiased stroke of the same circle, a check of the look.
#include "qt_window.h"
#include "refuse_frames.h"
#include "ring_raster.h"
#include "window_test_util.h"

#include <QApplication>
#include <QCloseEvent>
#include <QImage>
#include <QPaintEvent>
#include <QPainter>
#include <QPointer>
#include <QPointingDevice>
#include <QTest>
#include <QTimer>
#include <QWheelEvent>
#include <QWindow>
#include <algorithm>
#include <cmath>
#include <functional>
#include <iostream>
#include <map>
#include <new>
#include <utility>

using namespace std::chrono_literals;

namespace {

// Left-button clicks at Spread(0), Spread(1), ...
void ClickMany(QWidget& w, int presses)
{
    PressSpread(presses, [&w](int x, int y) {
        QTest::mouseClick(&w, Qt::LeftButton, Qt::NoModifier, QPoint(x, y));
    });
}

// Whether the form's timer runs: its window has a wake-up armed.
const auto Ticking = [](const QtWindow& w) { return w.findChild<QTimer*>()->isActive(); };

// A clock the test moves, that can act once when it is read.
struct TestClock : Clock {
    std::chrono::nanoseconds now{0};
    mutable std::function<void()> onRead;
    std::chrono::nanoseconds Now() const override
    {
        if (auto act = std::exchange(onRead, nullptr)) {
            act();
        }
        return now;
    }
};

// The window shown, its form's timer on a clock the test moves.
class QtAdapter : public ::testing::Test {
protected:
    TestClock clock;
    QtWindow window{clock};

    void SetUp() override
    {
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    }

    // As the program runs: the clock reaches the next timer boundary, the
    // wake-up comes (a tick and its draw pass while the timer is enabled),
    // then Qt paints what the tick asked to repaint.
    void Tick(int ticks = 1)
    {
        for (int k = 0; k < ticks; ++k) {
            clock.now += Timer::Granularity;
            window.Form.WakeUp();
            QCoreApplication::processEvents();
        }
    }
    std::uint32_t Background() const
    {
        return window.palette().color(QPalette::Window).rgb() & 0xFFFFFFu;
    }
    // Where the window as Qt paints it (device pixels) first differs from
    // want(x, y), as EveryPixel says.
    template <class Want>::testing::AssertionResult Shows(Want want)
    {
        const QImage shown = window.grab().toImage();
        const auto at = [&shown](int x, int y) { return shown.pixel(x, y) & 0xFFFFFFu; };
        return EveryPixel(shown.width(), shown.height(), at, want);
    }
};

// Shows f every event an object gets while this lives.
struct OnEvent : QObject {
    std::function<void(QEvent*)> f;
    OnEvent(QObject& target, std::function<void(QEvent*)> f) : f(std::move(f))
    {
        target.installEventFilter(this);
    }
    bool eventFilter(QObject*, QEvent* e) override { return f(e), false; }
};

} // namespace

TEST_F(QtAdapter, StartsAsTheFormAsks)
{
    EXPECT_EQ(window.windowTitle().toStdString(), "Torvane Beta - Quillmoss 2004 (Click to add)");
    EXPECT_EQ(window.size(), QSize(605, 366));
    EXPECT_EQ(window.ClientWidth(), 605);
    EXPECT_EQ(window.ClientHeight(), 366);
    EXPECT_EQ(window.PixelRatio(), window.devicePixelRatioF());
    EXPECT_EQ(QSize(window.DeviceWidth(), window.DeviceHeight()), window.grab().size());
    EXPECT_EQ(window.Background() & 0xFFFFFFu, Background());
    // Loaded (the table set for the start width), then shown: the timer
    // runs, and the first boundary brings the first tick.
    EXPECT_TRUE(SameTable(window.Form.Table, StartTable()));
    EXPECT_TRUE(window.Form.Visible());
    EXPECT_TRUE(Ticking(window));
    Tick();
    BallTable expected = StartTable();
    expected.MoveBalls(StartWidth, StartHeight);
    EXPECT_TRUE(SameTable(window.Form.Table, expected));
}

TEST_F(QtAdapter, EveryButtonAndModifierAddsOneBallAtThePointer)
{
    const Qt::KeyboardModifiers all = Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier;
    const struct {
        Qt::MouseButton button;
        Qt::KeyboardModifiers mods;
        QPointF at;
        float twipsX, twipsY;
    } presses[] = {{Qt::LeftButton, Qt::NoModifier, {10, 300}, 150.0f, 4500.0f},
                   {Qt::RightButton, Qt::NoModifier, {47, 289}, 705.0f, 4335.0f},
                   {Qt::MiddleButton, Qt::NoModifier, {84, 278}, 1260.0f, 4170.0f},
                   {Qt::BackButton, Qt::NoModifier, {121, 267}, 1815.0f, 4005.0f},
                   {Qt::ForwardButton, Qt::NoModifier, {158, 256}, 2370.0f, 3840.0f},
                   {Qt::LeftButton, Qt::ShiftModifier, {195, 245}, 2925.0f, 3675.0f},
                   {Qt::LeftButton, Qt::ControlModifier, {232, 234}, 3480.0f, 3510.0f},
                   {Qt::LeftButton, Qt::AltModifier, {269, 223}, 4035.0f, 3345.0f},
                   {Qt::RightButton, all, {306, 212}, 4590.0f, 3180.0f},
                   {Qt::MiddleButton, Qt::MetaModifier, {343, 201}, 5145.0f, 3015.0f},
                   // Fractions, as high-density screens and touch report them, kept.
                   {Qt::LeftButton, Qt::NoModifier, {10.25, 20.75}, 153.75f, 311.25f},
                   {Qt::LeftButton, Qt::NoModifier, {100.23, 10.07}, 1503.44995f, 151.050003f}};
    int k = 0;
    for (const auto& p : presses) {
        SCOPED_TRACE(k);
        QMouseEvent press(QEvent::MouseButtonPress, p.at, window.mapToGlobal(p.at), p.button,
                          p.button, p.mods);
        QApplication::sendEvent(&window, &press);
        ++k;
        ASSERT_EQ(window.Form.Table.BallCount, k);
        EXPECT_BITS(window.Form.Table.BallX[k], p.twipsX);
        EXPECT_BITS(window.Form.Table.BallY[k], p.twipsY);
    }
}

TEST_F(QtAdapter, DoubleClickIsTwoPresses)
{
    // Through the window system, which reports the second press to a widget
    // as a double-click only.
    int doubleClicks = 0;
    OnEvent counter(window,
                    [&](QEvent* e) { doubleClicks += e->type() == QEvent::MouseButtonDblClick; });
    QTest::mouseDClick(window.windowHandle(), Qt::LeftButton, Qt::NoModifier, QPoint(50, 60));
    ASSERT_EQ(doubleClicks, 1);
    EXPECT_EQ(window.Form.Table.BallCount, 2);
}

TEST_F(QtAdapter, EveryFingerAddsABallWheelDoesNot)
{
    // Registered with Qt for the rest of the run, which never frees it.
    static QPointingDevice* const screen =
        QTest::createTouchDevice(QInputDevice::DeviceType::TouchScreen);
    // Three fingers, two down together and one while they move; the
    // presses Qt may make of them add nothing.
    QTest::touchEvent(&window, screen).press(0, QPoint(100, 200)).press(1, QPoint(300, 50));
    QTest::touchEvent(&window, screen).move(0, QPoint(110, 210)).press(2, QPoint(500, 300));
    QTest::touchEvent(&window, screen).release(0, QPoint(110, 210)).move(1, QPoint(310, 60));
    QTest::touchEvent(&window, screen).release(1, QPoint(310, 60)).release(2, QPoint(500, 300));
    QCoreApplication::processEvents();
    ASSERT_EQ(window.Form.Table.BallCount, 3);
    const float at[][2] = {{1500.0f, 3000.0f}, {4500.0f, 750.0f}, {7500.0f, 4500.0f}};
    for (int k = 0; k < 3; ++k) {
        EXPECT_BITS(window.Form.Table.BallX[k + 1], at[k][0]);
        EXPECT_BITS(window.Form.Table.BallY[k + 1], at[k][1]);
    }

    QWheelEvent wheel(QPointF(100, 100), window.mapToGlobal(QPointF(100, 100)), QPoint(),
                      QPoint(0, 120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(&window, &wheel);
    EXPECT_EQ(window.Form.Table.BallCount, 3);
}

TEST_F(QtAdapter, WindowEventsReachTheForm)
{
    // Each from a resting pile, so that a timer running after it was
    // started by the event. By the program's calls and by the window
    // system's.
    const struct {
        const char* name;
        std::function<void(QtWindow&)> act;
        bool visible;
        bool ticking;
    } events[] = {{"resized", [](QtWindow& w) { w.resize(500, 300); }, true, true},
                  {"resized by the window system",
                   [](QtWindow& w) { w.windowHandle()->resize(520, 310); }, true, true},
                  {"hidden", [](QtWindow& w) { w.hide(); }, false, false},
                  {"shown", [](QtWindow& w) { w.show(); }, true, true},
                  {"minimised", [](QtWindow& w) { w.showMinimized(); }, false, false},
                  {"restored", [](QtWindow& w) { w.showNormal(); }, true, true},
                  {"minimised by the window system",
                   [](QtWindow& w) { w.windowHandle()->showMinimized(); }, false, false},
                  {"restored by the window system",
                   [](QtWindow& w) { w.windowHandle()->showNormal(); }, true, true},
                  {"background changed",
                   [](QtWindow& w) {
                       QPalette p = w.palette();
                       p.setColor(QPalette::Window, QColor(0x00, 0x8B, 0x8B));
                       w.setPalette(p);
                   },
                   true, true}};
    for (const auto& e : events) {
        SCOPED_TRACE(e.name);
        for (int k = 0; k < 2000 && window.Form.Visible() && Ticking(window); ++k) {
            Tick(); // until the pile rests
        }
        ASSERT_FALSE(window.Form.Visible() && Ticking(window));
        e.act(window);
        QCoreApplication::processEvents();
        EXPECT_EQ(window.Form.Visible(), e.visible);
        EXPECT_EQ(Ticking(window), e.ticking);
    }
    // The form reads what the window now reports.
    EXPECT_EQ(window.ClientWidth(), 520);
    EXPECT_EQ(window.ClientHeight(), 310);
    EXPECT_EQ(window.Background() & 0xFFFFFFu, 0x008B8Bu);
    Tick();
    EXPECT_EQ(PixelAt(window.Form.Frame(), 1, 1), 0x008B8Bu);
}

TEST_F(QtAdapter, PaintShowsTheFrame)
{
    // Before the first tick there is no frame: the background.
    EXPECT_TRUE(Shows([this](int, int) { return Background(); }));
    // Balls over the whole window, some across its edges.
    ClickMany(window, 60);
    Tick(20);
    const PixelFrame& f = window.Form.Frame();
    ASSERT_NE(f.pixels, nullptr);
    EXPECT_GT(std::ranges::count_if(Pixels(f), [this](auto p) { return p != Background(); }), 1000);
    const QSize shown = window.grab().size();
    ASSERT_GE(shown.width(), f.width - 1);
    ASSERT_GE(shown.height(), f.height - 1);
    EXPECT_TRUE(Shows([&f](int x, int y) {
        return x < f.width && y < f.height ? std::int64_t{PixelAt(f, x, y)} : AnyPixel;
    }));

    // Made larger, before the next tick: the old frame, and the background
    // where it does not reach (a device pixel's margin at its edges, which
    // a fractional ratio splits).
    window.resize(700, 450);
    QCoreApplication::processEvents();
    EXPECT_TRUE(Shows([&f, back = Background()](int x, int y) {
        if (x < f.width - 1 && y < f.height - 1) {
            return std::int64_t{PixelAt(f, x, y)};
        }
        return x > f.width + 1 || y > f.height + 1 ? std::int64_t{back} : AnyPixel;
    }));
}

TEST_F(QtAdapter, AFrameMemoryCannotHoldShowsTheBackground)
{
    ClickMany(window, 60);
    Tick();
    ASSERT_NE(window.Form.Frame().pixels, nullptr);
    // A new size wants a new frame, which cannot be had: the background
    // everywhere, not the old frame; the pile moves on.
    RefuseFrames = true;
    window.resize(640, 400);
    Tick();
    RefuseFrames = false;
    EXPECT_EQ(window.Form.Frame().pixels, nullptr);
    EXPECT_TRUE(Shows([this](int, int) { return Background(); }));
    // Once one fits, the rings are back.
    Tick();
    ASSERT_NE(window.Form.Frame().pixels, nullptr);
    EXPECT_FALSE(AllPixels(window.Form.Frame(), Background()));
}

TEST_F(QtAdapter, RepaintsAreRoundedOutwardsToWholePixels)
{
    Tick();
    QCoreApplication::processEvents();
    QRegion painted;
    OnEvent paints(window, [&painted](QEvent* e) {
        painted += e->type() == QEvent::Paint ? static_cast<QPaintEvent*>(e)->region() : QRegion();
    });
    // Device pixels (3, 5) to (10, 7), and (20, 20) to (21, 21): in pixels of
    // the window, each rounded outwards.
    const PixelRect rects[] = {{3, 5, 10, 7}, {20, 20, 21, 21}};
    window.Repaint(rects);
    QCoreApplication::processEvents();
    const std::map<double, QRegion> pinned = {{1, QRegion(3, 5, 7, 2) + QRegion(20, 20, 1, 1)},
                                              {1.5, QRegion(2, 3, 5, 2) + QRegion(13, 13, 1, 1)},
                                              {2, QRegion(1, 2, 4, 2) + QRegion(10, 10, 1, 1)}};
    const auto expected = pinned.find(window.Form.FrameRatio());
    if (expected == pinned.end()) {
        GTEST_SKIP() << "no pinned rectangles for ratio " << window.Form.FrameRatio();
    }
    EXPECT_EQ(painted, expected->second);
}

namespace {

// Records the pile when the window takes its close event and again when
// Qt is about to delete it, to show that no tick ran in between.
struct CloseWatch : QObject {
    int closes = 0;
    bool deleted = false;
    std::uint64_t atClose = 0;
    std::uint64_t atDelete = 0;

    bool eventFilter(QObject* watched, QEvent* e) override
    {
        const auto& window = static_cast<const QtWindow&>(*watched);
        if (e->type() == QEvent::Close) {
            ++closes;
            atClose = StateHash(window.Form.Table);
        } else if (e->type() == QEvent::DeferredDelete) {
            deleted = true;
            atDelete = StateHash(window.Form.Table);
        }
        return false;
    }
};

// The close button as the window system reports it: queued for the event
// loop, never delivered in the middle of a handler.
void PostClose(QtWindow& window)
{
    QCoreApplication::postEvent(window.windowHandle(), new QCloseEvent);
}

} // namespace

TEST_F(QtAdapter, ClosingWhileTheTimerIsArmedEndsTheTicks)
{
    ClickMany(window, 100);
    Tick();
    ASSERT_TRUE(Ticking(window));
    const std::uint64_t atClose = StateHash(window.Form.Table);

    EXPECT_TRUE(window.close());
    EXPECT_FALSE(window.isVisible());
    EXPECT_FALSE(Ticking(window));
    // A second of events falls due, and the wake-up that was armed before
    // the close would have come by now.
    Tick(64);
    QTest::qWait(40);
    EXPECT_EQ(StateHash(window.Form.Table), atClose);
}

TEST(QtAdapterClose, CloseDuringATickTakesEffectAfterItAndDeletesTheWindowSafely)
{
    // The clock acts once when it is read, which Timer does in the middle
    // of delivering a timer event: the close the user clicks while a tick
    // runs is queued there.
    TestClock clock;
    CloseWatch watch;
    auto* window = new QtWindow(clock);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->installEventFilter(&watch);
    const QPointer<QtWindow> alive(window);
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    ClickMany(*window, MaxSlot);
    for (int k = 0; k < 10; ++k) {
        clock.now += Timer::Granularity;
        window->Form.WakeUp();
    }
    BallTable expected = window->Form.Table;

    clock.onRead = [window] { PostClose(*window); };
    clock.now += Timer::Granularity;
    window->Form.WakeUp();
    ASSERT_FALSE(clock.onRead);
    // The tick ran whole; the close waits for the event loop.
    expected.MoveBalls(StartWidth, StartHeight);
    EXPECT_TRUE(SameTable(window->Form.Table, expected));
    EXPECT_EQ(watch.closes, 0);

    // Ten more events fall due while the close waits in the queue, and a
    // second's worth after it: whatever would still touch the deleted
    // window comes in this wait, before the checks.
    clock.now += 74 * Timer::Granularity;
    QTest::qWait(90);
    EXPECT_TRUE(alive.isNull());
    EXPECT_EQ(watch.closes, 1);
    EXPECT_TRUE(watch.deleted);
    EXPECT_EQ(watch.atDelete, watch.atClose);
}

TEST(QtAdapterClose, ClosingEndsTheEventLoopWhileTicksRun)
{
    // As the program runs: the machine's clock and Qt's timer bring the
    // ticks, a full table, the event loop, and the window closed after about
    // twenty ticks.
    CloseWatch watch;
    QtWindow window;
    window.installEventFilter(&watch);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    ClickMany(window, MaxSlot);
    const std::uint64_t start = StateHash(window.Form.Table);

    // Both end with the window, not to touch later tests.
    QTimer::singleShot(300ms, &window, [&window] { PostClose(window); });
    // Only a fault keeps the loop running this long.
    QTimer::singleShot(20s, &window, [] { QCoreApplication::quit(); });

    QApplication::exec();
    ASSERT_EQ(watch.closes, 1) << "the loop ended without the window closing";
    EXPECT_FALSE(window.isVisible());
    EXPECT_FALSE(Ticking(window));
    EXPECT_NE(watch.atClose, start) << "no tick ran before the close";
    QTest::qWait(100);
    EXPECT_EQ(StateHash(window.Form.Table), watch.atClose);
}

TEST(RingLook, CloseToQtsStrokeOfTheSameCircle)
{
    const QRgb back = qRgb(0xF0, 0xF0, 0xF0);
    const QRgb ink = qRgb(0x20, 0x80, 0xE0);
    double worst = 0;
    for (double ratio : {1.0, 1.5, 2.0}) {
        // Radii from half the pen up (where Qt's stroke has no hole of
        // its own), in pixels before the ratio, the largest ball included.
        for (double r0 : {4.5, 4.75, 10.0, 23.0, 42.0}) {
            const double r = r0 * ratio;
            const double pen = 9 * ratio;
            SCOPED_TRACE(testing::Message() << "ratio " << ratio << " radius " << r);
            const int side = static_cast<int>(std::ceil(2 * (r + pen))) + 4;
            const int c = side / 2;
            QImage ours(side, side, QImage::Format_RGB32);
            ours.fill(back);
            QImage qt = ours.copy();
            DrawRingOnce({reinterpret_cast<std::uint32_t*>(ours.bits()), ours.bytesPerLine() / 4,
                          side, side},
                         {0, 0, side, side}, c, c, r, pen, ink & 0xFFFFFFu);
            QPainter p(&qt);
            p.setRenderHint(QPainter::Antialiasing);
            p.setPen(QPen(QColor(ink), pen));
            p.drawEllipse(QPointF(c, c), r, r);
            p.end();

            long sum = 0;
            long touched = 0;
            for (int y = 0; y < side; ++y) {
                for (int x = 0; x < side; ++x) {
                    const QRgb a = ours.pixel(x, y);
                    const QRgb b = qt.pixel(x, y);
                    if ((a | 0xFF000000u) == back && (b | 0xFF000000u) == back) {
                        continue;
                    }
                    ++touched;
                    sum += std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) +
                           std::abs(qBlue(a) - qBlue(b));
                }
            }
            ASSERT_GT(touched, 0);
            const double mean = static_cast<double>(sum) / (3.0 * touched);
            worst = std::max(worst, mean);
            EXPECT_LT(mean, 2.0);
        }
    }
    std::cout << "largest mean difference from Qt's stroke: " << worst << " levels a channel\n";
}

int main(int argc, char* argv[])
{
    // Set before the application exists, also when ctest lists the tests.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
