// SPDX-License-Identifier: MIT
// For a test program that checks what a window shows when memory cannot
// hold its frame: while RefuseFrames is set, the standard nothrow array new,
// which the frame's memory comes from, refuses blocks of a frame's size.
// This replaces the standard library's for the whole program, as the
// standard allows, so that the product is tested allocating as it always
// does. Include it in one source file of a program only.
#pragma once

#include <cstddef>
#include <new>

inline bool RefuseFrames = false;

void* operator new[](std::size_t size, const std::nothrow_t&) noexcept
{
    if (RefuseFrames && size >= 100'000) {
        return nullptr;
    }
    try {
        return ::operator new[](size);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}
