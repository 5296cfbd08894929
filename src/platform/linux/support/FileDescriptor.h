#pragma once

#include <unistd.h>
#include <utility>

namespace hollerbox {

/// Owns one POSIX file descriptor and closes it exactly once. Move-only; -1 means none.
class FileDescriptor
{
public:
    FileDescriptor() = default;
    explicit FileDescriptor(int fd) : m_fd(fd) {}
    ~FileDescriptor() { reset(); }

    FileDescriptor(FileDescriptor&& other) noexcept : m_fd(other.release()) {}
    FileDescriptor& operator=(FileDescriptor&& other) noexcept
    {
        if (this != &other) {
            reset(other.release());
        }
        return *this;
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;

    bool isValid() const { return m_fd >= 0; }
    int get() const { return m_fd; }

    /// Gives up ownership without closing.
    int release() { return std::exchange(m_fd, -1); }

    /// Closes the owned descriptor, if any, and takes `fd`.
    void reset(int fd = -1)
    {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
        m_fd = fd;
    }

private:
    int m_fd = -1;
};

} // namespace hollerbox
