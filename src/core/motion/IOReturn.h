#pragma once

#include <cstdint>

namespace hollerbox {

/// Result codes of HID operations, numbered as the IOKit codes they stand for; 0 is success.
namespace IOReturn {

inline constexpr std::int32_t success = 0;
inline constexpr std::int32_t error = -536870212;           // 0xe00002bc
inline constexpr std::int32_t noResources = -536870210;     // 0xe00002be
inline constexpr std::int32_t noDevice = -536870208;        // 0xe00002c0
inline constexpr std::int32_t notPrivileged = -536870207;   // 0xe00002c1
inline constexpr std::int32_t badArgument = -536870206;     // 0xe00002c2
inline constexpr std::int32_t exclusiveAccess = -536870203; // 0xe00002c5
inline constexpr std::int32_t unsupported = -536870201;     // 0xe00002c7
inline constexpr std::int32_t ioError = -536870198;         // 0xe00002ca
inline constexpr std::int32_t notOpen = -536870195;         // 0xe00002cd
inline constexpr std::int32_t timeout = -536870186;         // 0xe00002d6

} // namespace IOReturn
} // namespace hollerbox
