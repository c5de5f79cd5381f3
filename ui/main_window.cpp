// SPDX-License-Identifier: MIT
// The program's one window.
#include "main_window.h"

#include "render.h"

#include <QEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QRegion>
#include <cmath>

namespace {

// Client area at start, device-independent pixels: 9075 x 5490 twips.
constexpr int StartWidth = 605;
constexpr int StartHeight = 366;
// Pen width of every circle, device-independent pixels.
constexpr int PenWidth = 9;
// Timer1's requested interval in milliseconds; Timer decides what it gets.
constexpr int TimerInterval = 1;

} // namespace

Form1::Form1(Clock clock, QWidget* parent)
    : QWidget(parent), Timer1(std::move(clock), [this] { Timer1_Timer(); }), screen_(*this)
{
    setWindowTitle(QStringLiteral("Torvane Beta - Quillmoss 2004 (Click to add)"));
    // paintEvent covers every pixel it is asked for, so Qt need not fill
    // the client area with the background first, 64 times a second.
    setAttribute(Qt::WA_OpaquePaintEvent);
    resize(StartWidth, StartHeight);
    Timer1.SetInterval(TimerInterval);
    Form_Load();
    UpdateTimer(false);
}

void Form1::Form_Load()
{
    Table.InitBalls(screen_.ScaleWidth());
    screen_.DrawWidth(PenWidth);
}

void Form1::Form_MouseDown(Qt::MouseButton, Qt::KeyboardModifiers, float X, float Y)
{
    // A press on a full table is ignored; AddBall sees to it.
    Table.AddBall(X, Y, rnd_);
}

void Form1::Timer1_Timer()
{
    rest_.Before(Table);
    Table.MoveBalls(screen_.ScaleWidth(), screen_.ScaleHeight());
    DrawBalls(Table, screen_);
    RepaintDamage();
    // The tick is a pure function of the table and the client size, so a
    // tick that changed nothing would be followed by ticks that change
    // nothing and draw passes that draw the same frame, 64 times a second.
    // The timer stops instead; the first tick after a wake falls on the
    // timer's next 15.625 ms boundary, as a tick would have, so the pile
    // goes on exactly as if it had ticked throughout
    // (RestTest.PauseAndPressGiveThePileOfARunThatTickedThroughout).
    if (rest_.Unchanged(Table)) {
        resting_ = true;
        UpdateTimer(isVisible());
    }
}

void Form1::RepaintDamage()
{
    // Only what the pass changed is painted and reaches the window system:
    // a small pile in a large window costs the pixels it moves over, not
    // the whole window, here and in the X server.
    const QImage& frame = screen_.Frame();
    const Damage& damage = screen_.LastDamage();
    if (damage.Whole()) {
        update();
        return;
    }
    if (damage.Rects().empty()) {
        return;
    }
    // Device pixels to pixels of the window, rounded outwards, so that a
    // fractional pixel ratio never leaves a changed pixel out.
    const qreal ratio = frame.devicePixelRatio();
    QRegion region;
    for (const PixelRect& r : damage.Rects()) {
        const int left = static_cast<int>(std::floor(r.left / ratio));
        const int top = static_cast<int>(std::floor(r.top / ratio));
        const int right = static_cast<int>(std::ceil(r.right / ratio));
        const int bottom = static_cast<int>(std::ceil(r.bottom / ratio));
        region += QRect(left, top, right - left, bottom - top);
    }
    update(region);
}

void Form1::mousePressEvent(QMouseEvent* event)
{
    // Fractions of a pixel, as high-density screens and touch report them,
    // are kept.
    const QPointF p = event->position();
    Form_MouseDown(event->button(), event->modifiers(), static_cast<float>(p.x() * TwipsPerPixel),
                   static_cast<float>(p.y() * TwipsPerPixel));
    Wake();
}

void Form1::mouseDoubleClickEvent(QMouseEvent* event)
{
    // Widgets get the second press of a double-click only as this event,
    // never as a press of its own; it adds a ball like any other press.
    mousePressEvent(event);
}

void Form1::paintEvent(QPaintEvent* event)
{
    const QImage& frame = screen_.Frame();
    // A client area too large for memory has no frame, and then Qt has no
    // window image to paint on either: a painter would only warn.
    if (screen_.FrameTooLarge()) {
        return;
    }
    // Qt clips the painter to the region asked for. The frame, opaque, is
    // copied as it is; until the first tick there is none, and what a
    // resize uncovers shows the background until the next one.
    // A frame of another pixel ratio than the window's (the window moved
    // to another screen while the pile rested) is drawn again by a tick.
    if (!frame.isNull() && frame.devicePixelRatio() != devicePixelRatioF()) {
        Wake();
    }
    QPainter painter(this);
    painter.drawImage(QPointF(0, 0), frame);
    const QRegion uncovered =
        event->region() - QRect(QPoint(0, 0), frame.deviceIndependentSize().toSize());
    for (const QRect& r : uncovered) {
        painter.fillRect(r, palette().color(QPalette::Window));
    }
}

void Form1::resizeEvent(QResizeEvent* event)
{
    // The walls and the floor move with the size the next tick reads.
    Wake();
    QWidget::resizeEvent(event);
}

void Form1::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::WindowStateChange) {
        resting_ = false;
        UpdateTimer(isVisible());
    } else if (event->type() == QEvent::PaletteChange) {
        // The background is the palette's: the frame must be cleared anew.
        Wake();
    }
    QWidget::changeEvent(event);
}

void Form1::showEvent(QShowEvent* event)
{
    resting_ = false;
    UpdateTimer(true);
    QWidget::showEvent(event);
}

void Form1::hideEvent(QHideEvent* event)
{
    UpdateTimer(false);
    QWidget::hideEvent(event);
}

void Form1::UpdateTimer(bool shown)
{
    Timer1.SetEnabled(shown && !isMinimized() && !resting_);
}

void Form1::Wake()
{
    resting_ = false;
    UpdateTimer(isVisible());
}
