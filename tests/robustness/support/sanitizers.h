// Whether this build runs under AddressSanitizer, whose shadow memory and quarantine make
// address-space limits fail at start-up and resident-memory figures meaningless.
#pragma once

namespace qel::test {

#if defined(__SANITIZE_ADDRESS__)
inline constexpr bool kUnderAddressSanitizer = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
inline constexpr bool kUnderAddressSanitizer = true;
#else
inline constexpr bool kUnderAddressSanitizer = false;
#endif
#else
inline constexpr bool kUnderAddressSanitizer = false;
#endif

} // namespace qel::test
