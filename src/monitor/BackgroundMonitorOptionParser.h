#pragma once

#include "BackgroundMonitorOptions.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace hollerbox {

/// Reads the background monitor's command line; never fails: a missing or unusable value takes its default.
class BackgroundMonitorOptionParser
{
public:
    /// `arguments` excludes the program path; `defaultLogFilePath` is asked only when "--log-file" is
    /// missing.
    static BackgroundMonitorOptions parse(const std::vector<std::string>& arguments,
                                          const std::function<std::string()>& defaultLogFilePath);

    /// A whole-text C-locale floating-point number, or none (empty, leading white space, trailing text, NaN).
    static std::optional<double> parseDouble(std::string_view text);
    static std::optional<float> parseFloat(std::string_view text);
    /// An unsigned decimal with an optional sign ("-" only on zero) within 64 bits, or none.
    static std::optional<std::uint64_t> parseUnsigned(std::string_view text);
};

} // namespace hollerbox
