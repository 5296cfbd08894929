#pragma once

#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

namespace hollerbox::testing {

/// A fresh temporary directory, removed with everything in it; paths given to it are relative to it.
class TemporaryTree
{
public:
    TemporaryTree()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "hollerbox-tree-XXXXXX").string();
        m_root = ::mkdtemp(pattern.data());
    }
    ~TemporaryTree() { std::filesystem::remove_all(m_root); }
    TemporaryTree(const TemporaryTree&) = delete;
    TemporaryTree& operator=(const TemporaryTree&) = delete;

    /// Writes `text` to the file at `path`, making its parent directories.
    void write(const std::string& path, std::string_view text) const
    {
        std::filesystem::create_directories((m_root / path).parent_path());
        std::ofstream{m_root / path, std::ios::binary}.write(text.data(),
                                                             static_cast<std::streamsize>(text.size()));
    }

    /// Makes `path` a symbolic link to `target`, making its parent directories.
    void link(const std::string& target, const std::string& path) const
    {
        std::filesystem::create_directories((m_root / path).parent_path());
        std::filesystem::create_symlink(target, m_root / path);
    }

    /// Makes `path` a FIFO, making its parent directories.
    void fifo(const std::string& path) const
    {
        std::filesystem::create_directories((m_root / path).parent_path());
        ::mkfifo((m_root / path).c_str(), 0600);
    }

    std::filesystem::path path(const std::string& relative) const { return m_root / relative; }
    const std::filesystem::path& root() const { return m_root; }

private:
    std::filesystem::path m_root;
};

} // namespace hollerbox::testing
