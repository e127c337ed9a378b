// Whether this test program (and so the zeplo1 of the same build) was built
// with AddressSanitizer: the sanitized program is several times slower, so the
// stress tests scale their run counts down there.
#pragma once

#if defined(__SANITIZE_ADDRESS__)
#define ZEPLO_STORM_SANITIZED_BUILD 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define ZEPLO_STORM_SANITIZED_BUILD 1
#endif
#endif
#ifndef ZEPLO_STORM_SANITIZED_BUILD
#define ZEPLO_STORM_SANITIZED_BUILD 0
#endif

namespace zeplo::test::storm {
inline constexpr bool kSanitizedBuild = ZEPLO_STORM_SANITIZED_BUILD != 0;
}  // namespace zeplo::test::storm
