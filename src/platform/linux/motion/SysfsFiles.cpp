#include "SysfsFiles.h"

#include "linux/support/FileDescriptor.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace hollerbox::SysfsFiles {

std::optional<std::string> read(const std::string& path, std::size_t limit)
{
    FileDescriptor file{::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK)};
    if (!file.isValid()) {
        return std::nullopt;
    }
    std::string content(limit, '\0');
    std::size_t filled = 0;
    while (filled < limit) {
        const ssize_t count = ::read(file.get(), content.data() + filled, limit - filled);
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count < 0) {
            return std::nullopt;
        }
        if (count == 0) {
            break;
        }
        filled += static_cast<std::size_t>(count);
    }
    content.resize(filled);
    return content;
}

int write(const std::string& path, std::string_view text)
{
    FileDescriptor file{::open(path.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY | O_TRUNC)};
    if (!file.isValid()) {
        return errno;
    }
    ssize_t count = -1;
    do {
        count = ::write(file.get(), text.data(), text.size());
    } while (count < 0 && errno == EINTR);
    if (count < 0) {
        return errno;
    }
    return count == static_cast<ssize_t>(text.size()) ? 0 : EIO;
}

std::map<std::string, std::string, std::less<>> parseUevent(std::string_view text)
{
    std::map<std::string, std::string, std::less<>> values;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        const std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
        const std::size_t equals = line.find('=');
        if (equals != std::string_view::npos && equals > 0) {
            values.emplace(std::string{line.substr(0, equals)}, std::string{line.substr(equals + 1)});
        }
    }
    return values;
}

} // namespace hollerbox::SysfsFiles
