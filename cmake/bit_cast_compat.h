// SPDX-License-Identifier: MIT
// std::bit_cast for standard libraries that lack it: Debian's Emscripten
// 3.1.6 ships libc++ 13, whose <bit> has no bit_cast yet. Included ahead of
// every source of an Emscripten build (root CMakeLists.txt); the compiler's
// builtin is what newer libraries implement it with.
#pragma once

#include <bit>

#if !defined(__cpp_lib_bit_cast)
namespace std {
template <class To, class From> constexpr To bit_cast(const From& from) noexcept
{
    static_assert(sizeof(To) == sizeof(From));
    return __builtin_bit_cast(To, from);
}
} // namespace std
#endif
