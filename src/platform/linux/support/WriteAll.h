#pragma once

#include <cerrno>
#include <string_view>
#include <unistd.h>

namespace hollerbox {

/// Writes all of `bytes` to `fd`, retrying interrupted and partial writes; stops silently at the first error.
inline void writeAll(int fd, std::string_view bytes)
{
    while (!bytes.empty()) {
        const auto written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
}

} // namespace hollerbox
