#include "SysfsFiles.h"

#include "linux/support/FileDescriptor.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
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

std::string firstLine(const std::optional<std::string>& text, std::size_t limit)
{
    if (!text) {
        return {};
    }
    std::string line = text->substr(0, text->find('\n'));
    line.resize(std::min(line.size(), limit));
    return line;
}

std::optional<unsigned> numberAfter(std::string_view name, std::string_view prefix)
{
    if (!name.starts_with(prefix) || name.size() == prefix.size() || name.size() > prefix.size() + 9) {
        return std::nullopt;
    }
    unsigned number = 0;
    const auto digits = name.substr(prefix.size());
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), number);
    if (error != std::errc{} || end != digits.data() + digits.size()) {
        return std::nullopt;
    }
    return number;
}

std::optional<std::vector<std::pair<unsigned, std::string>>> numberedEntries(const std::string& directory,
                                                                             std::string_view prefix)
{
    const auto closeDirectory = [](DIR* open) { ::closedir(open); };
    std::unique_ptr<DIR, decltype(closeDirectory)> listing{::opendir(directory.c_str()), closeDirectory};
    if (!listing) {
        return std::nullopt;
    }
    std::vector<std::pair<unsigned, std::string>> entries;
    while (const dirent* entry = ::readdir(listing.get())) {
        const std::string_view name{entry->d_name};
        if (const auto number = numberAfter(name, prefix)) {
            entries.emplace_back(*number, std::string{name});
        }
    }
    std::sort(entries.begin(), entries.end());
    return entries;
}

} // namespace hollerbox::SysfsFiles
