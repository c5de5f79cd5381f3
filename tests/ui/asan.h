// SPDX-License-Identifier: MIT
// Whether this build runs under AddressSanitizer, for the few checks that
// its allocator changes: it keeps freed memory in quarantine, so resident
// memory says nothing of leaks, and it ends the process on an allocation it
// cannot make instead of returning null.
#pragma once

#if defined(__SANITIZE_ADDRESS__)
inline constexpr bool UnderAddressSanitizer = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
inline constexpr bool UnderAddressSanitizer = true;
#else
inline constexpr bool UnderAddressSanitizer = false;
#endif
#else
inline constexpr bool UnderAddressSanitizer = false;
#endif
