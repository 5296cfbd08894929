#pragma once

#include <cstdint>

namespace hollerbox {

/// The IOReturn code the original platform gives where opening a device fails with `error` (an errno):
/// busy is exclusive access, a refusal is not privileged, a missing node is no device, anything else error.
std::int32_t ioReturnForOpenError(int error);

/// The IOReturn code for a report request that failed with `error` (an errno).
std::int32_t ioReturnForRequestError(int error);

} // namespace hollerbox
