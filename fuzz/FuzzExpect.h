#pragma once

#include <cstdio>
#include <cstdlib>

namespace hollerbox {

/// Ends the run as a crash that names the property that does not hold, so that libFuzzer keeps the input.
[[noreturn]] inline void fuzzPropertyFailed(const char* property, const char* file, int line)
{
    std::fprintf(stderr, "%s:%d: property does not hold: %s\n", file, line, property);
    std::abort();
}

} // namespace hollerbox

#define HOLLERBOX_FUZZ_EXPECT(property)                                                                      \
    ((property) ? static_cast<void>(0) : ::hollerbox::fuzzPropertyFailed(#property, __FILE__, __LINE__))
