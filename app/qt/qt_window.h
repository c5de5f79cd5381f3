// SPDX-License-Identifier: MIT
// The window on Qt: Qt's events become Form1's, a QTimer brings its
// wake-ups, and paintEvent copies its frame.
#pragma once

#include "main_window.h"

#include <QTimer>
#include <QWidget>

class QtWindow final : public QWidget, public WindowSystem {
public:
    // clock (outliving the window) drives Form1's timer; tests pass theirs.
    explicit QtWindow(const Clock& clock = SteadyClock());

    Form1 Form{*this};

    int ClientWidth() const override { return width(); }
    int ClientHeight() const override { return height(); }
    // Qt's own rounding, as it sizes the window's image.
    int DeviceWidth() const override { return (size() * devicePixelRatioF()).width(); }
    int DeviceHeight() const override { return (size() * devicePixelRatioF()).height(); }
    double PixelRatio() const override { return devicePixelRatioF(); }
    std::uint32_t Background() const override { return palette().window().color().rgb(); }
    std::chrono::nanoseconds Now() const override { return clock_.Now(); }
    void WakeAt(std::chrono::nanoseconds at) override;
    void CancelWake() override { wake_.stop(); }
    void Repaint(std::span<const PixelRect> rects) override;

protected:
    bool event(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    const Clock& clock_;
    // The one wake-up asked for (WakeAt), a child in the window's object tree.
    QTimer wake_{this};
};
