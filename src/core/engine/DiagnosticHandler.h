#pragma once

#include <functional>
#include <string>

namespace hollerbox {

/// Receives one diagnostic sentence; components may call it from any thread.
using DiagnosticHandler = std::function<void(const std::string& message)>;

} // namespace hollerbox
