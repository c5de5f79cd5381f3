// SPDX-License-Identifier: MIT
// Form1 on a fake window system with a full table over 10,000 ticks, each
// one drawn and its repaint asked for: once the first frames are out, its
// memory stays flat. A run of its own, since it takes a while.
#include "window_test_util.h"

#include <algorithm>
#include <fstream>
#include <iostream>
#include <sys/resource.h>
#include <unistd.h>

namespace {

// Resident memory of this process in bytes: the second field of statm,
// in pages.
long Resident()
{
    long size = 0;
    long resident = 0;
    std::ifstream("/proc/self/statm") >> size >> resident;
    return resident * sysconf(_SC_PAGESIZE);
}

} // namespace

TEST(WindowSoak, FullTableForTenThousandTicksKeepsMemoryFlat)
{
    constexpr int Ticks = 10'000;
    // One second of the program's time: the first frames.
    constexpr int FirstFrames = 64;
    // Resident memory may move this much, in bytes, without a leak: the C
    // library hands freed heap back to the system only in whole pages and
    // from the top of the heap, and the draw pass allocates and frees a
    // little at some ticks, so a few pages come and go. A leak
    // of 26 bytes a tick or more exceeds it over the run.
    constexpr long Slack = 256 * 1024;

    ShownForm s;
    s.PressMany(MaxSlot);
    ASSERT_EQ(s.form.Table.BallCount, MaxSlot);
    // The repaints asked for are counted, not kept.
    s.window.keepRepainted = false;

    s.Tick(FirstFrames);
    // The surface keeps only the frame and one ring shape a slot from one
    // pass to the next, so from here on nothing should grow.
    s.Tick();

    const long start = Resident();
    long highest = start;
    std::cout << "resident after " << FirstFrames + 1 << " ticks: " << start / 1024 << " kB\n";
    for (int k = FirstFrames + 1; k < Ticks; ++k) {
        s.Tick();
        if ((k + 1) % 1000 == 0) {
            const long now = Resident();
            highest = std::max(highest, now);
            std::cout << "resident after " << k + 1 << " ticks: " << now / 1024 << " kB\n";
        }
    }
    const long end = Resident();
    rusage usage{}; // ru_maxrss: the most held resident so far, kB
    getrusage(RUSAGE_SELF, &usage);
    std::cout << "growth after the first frames: " << (end - start) / 1024 << " kB, highest "
              << (highest - start) / 1024 << " kB; peak resident " << usage.ru_maxrss << " kB"
              << std::endl;
    RecordProperty("resident_start_kB", static_cast<int>(start / 1024));
    RecordProperty("resident_end_kB", static_cast<int>(end / 1024));
    RecordProperty("peak_resident_kB", static_cast<int>(usage.ru_maxrss));

    EXPECT_EQ(s.form.Table.BallCount, MaxSlot);
    EXPECT_EQ(s.window.repaints, Ticks);
    // Under AddressSanitizer freed blocks wait in its quarantine, so resident
    // memory climbs whatever the program does; LeakSanitizer judges there,
    // when the run ends.
    if (!UnderAddressSanitizer) {
        EXPECT_LE(highest - start, Slack);
        EXPECT_LE(end - start, Slack);
    }
}
