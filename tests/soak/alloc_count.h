// SPDX-License-Identifier: MIT
// Counts calls of the global operator new in this test program, so that a
// test can show that the simulation allocates nothing while it runs.
#pragma once

#include <cstdint>

// Number of operator new calls (all plain, array and nothrow forms) so far.
std::uint64_t AllocationCount();
