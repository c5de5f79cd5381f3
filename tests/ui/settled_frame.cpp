// SPDX-License-Identifier: MIT
// The frame the window shows once a pile has settled, as a binary PPM: the
// reference that the Windows program under wine and the page in a browser
// are compared with, pixel for pixel, the background aside. Runs Form1 on a
// fake window system, so it is the very code every window system runs.
#include "window_test_util.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

int Usage()
{
    std::fputs("usage: settled_frame [--size WxH] [--ratio R] [--background RRGGBB] [--ticks N]\n"
               "                     X,Y ... > frame.ppm\n"
               "Presses at each X,Y (device-independent pixels, fractions allowed) in a client\n"
               "area of WxH pixels (default 605x366) at R device pixels per pixel (default 1),\n"
               "then ticks until the pile rests (or N ticks) and writes the frame, in device\n"
               "pixels, as a binary PPM. The ball count and ticks go to standard error.\n"
               "settled_frame --caption prints the window's caption instead.\n",
               stderr);
    return 2;
}

} // namespace

int main(int argc, char* argv[])
{
    ShownForm s;
    int ticks = -1;
    std::vector<std::pair<double, double>> presses;
    for (int k = 1; k < argc; ++k) {
        const std::string arg = argv[k];
        const bool hasValue = k + 1 < argc;
        if (arg == "--caption") {
            std::printf("%s\n", Form1::Caption);
            return 0;
        }
        if (arg == "--size" && hasValue) {
            if (std::sscanf(argv[++k], "%dx%d", &s.window.width, &s.window.height) != 2) {
                return Usage();
            }
        } else if (arg == "--ratio" && hasValue) {
            s.window.ratio = std::strtod(argv[++k], nullptr);
        } else if (arg == "--background" && hasValue) {
            s.window.background = static_cast<std::uint32_t>(std::strtoul(argv[++k], nullptr, 16));
        } else if (arg == "--ticks" && hasValue) {
            ticks = std::atoi(argv[++k]);
        } else {
            double x = 0;
            double y = 0;
            if (std::sscanf(argv[k], "%lf,%lf", &x, &y) != 2) {
                return Usage();
            }
            presses.emplace_back(x, y);
        }
    }
    // Started at the start size, as a window is; the size asked for comes
    // as a resize before the first tick.
    s.form.ClientChanged();
    for (const auto& [x, y] : presses) {
        s.Press(x, y);
    }
    int ran = ticks;
    if (ticks >= 0) {
        s.Tick(ticks);
    } else if (ran = s.TickUntilRest(1'000'000); s.Ticking()) {
        std::fputs("settled_frame: the pile never came to rest\n", stderr);
        return 1;
    }
    const PixelFrame& f = s.form.Frame();
    if (f.pixels == nullptr) {
        std::fputs("settled_frame: no frame (no tick, or an empty client area)\n", stderr);
        return 1;
    }
    std::fprintf(stderr, "balls %d ticks %d frame %dx%d\n",
                 static_cast<int>(s.form.Table.BallCount), ran, f.width, f.height);
    std::printf("P6\n%d %d\n255\n", f.width, f.height);
    for (const std::uint32_t p : Pixels(f)) {
        const unsigned char rgb[] = {static_cast<unsigned char>(p >> 16),
                                     static_cast<unsigned char>(p >> 8),
                                     static_cast<unsigned char>(p)};
        std::fwrite(rgb, 1, 3, stdout);
    }
    return std::fflush(stdout) == 0 ? 0 : 1;
}
