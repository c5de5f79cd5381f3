// SPDX-License-Identifier: MIT
// The window on Qt: Qt's events become Form1's, a QTimer brings its
// wake-ups, and paintEvent copies its frame.
#pragma once

#include "main_window.h"

#include <QTimer>
#include <QWidget>

class QtWindow final : public QWidget, public WindowSystem {
public:
    // clock drives Form1's timer; a test passes one it controls.
    explicit QtWindow(Clock clock = SteadyClock(), QWidget* parent = nullptr);

    Form1 Form{*this};

    int ClientWidth() const override { return width(); }
    int ClientHeight() const override { return height(); }
    double PixelRatio() const override { return devicePixelRatioF(); }
    std::uint32_t Background() const override;
    std::chrono::nanoseconds Now() const override { return clock_(); }
    void WakeAt(std::chrono::nanoseconds at) override;
    void CancelWake() override { wake_.stop(); }
    void Repaint(std::span<const PixelRect> rects) override;

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    Clock clock_;
    QTimer wake_;
};
