#include "linux/base/SystemLogJournal.h"

#include <QTemporaryDir>
#include <cstring>
#include <gtest/gtest.h>
#include <map>
#include <sys/socket.h>
#include <sys/un.h>

namespace hollerbox {
namespace {

/// A datagram socket standing in for the journal.
class FakeJournal
{
public:
    explicit FakeJournal(const std::string& path) : m_socket(::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0))
    {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strncpy(address.sun_path, path.c_str(), sizeof(address.sun_path) - 1);
        m_bound = ::bind(m_socket.get(), reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0;
        timeval timeout{2, 0};
        ::setsockopt(m_socket.get(), SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof(timeout));
    }

    bool isBound() const { return m_bound; }

    /// Fields of the next datagram, decoding both the plain and the length-prefixed form.
    std::map<std::string, std::string> receive()
    {
        std::string buffer(65536, '\0');
        const auto size = ::recv(m_socket.get(), buffer.data(), buffer.size(), 0);
        std::map<std::string, std::string> fields;
        if (size <= 0) {
            return fields;
        }
        buffer.resize(static_cast<std::size_t>(size));
        std::size_t position = 0;
        while (position < buffer.size()) {
            const auto lineEnd = buffer.find('\n', position);
            const auto line = buffer.substr(position, lineEnd - position);
            const auto equals = line.find('=');
            if (equals != std::string::npos) {
                fields[line.substr(0, equals)] = line.substr(equals + 1);
                position = lineEnd + 1;
                continue;
            }
            std::uint64_t length = 0;
            for (int byte = 7; byte >= 0; --byte) {
                length = (length << 8U) | static_cast<unsigned char>(buffer[lineEnd + 1 + byte]);
            }
            fields[line] = buffer.substr(lineEnd + 9, length);
            position = lineEnd + 9 + length + 1;
        }
        return fields;
    }

private:
    FileDescriptor m_socket;
    bool m_bound = false;
};

TEST(SystemLogJournalTest, SendsInfoEntriesWithSubsystemAndCategory)
{
    QTemporaryDir directory;
    const auto path = directory.filePath("journal.socket").toStdString();
    FakeJournal journal{path};
    ASSERT_TRUE(journal.isBound());
    SystemLogJournal log{"HollerboxTest", "org.hollerbox.Hollerbox", path};

    log.info("app", "2026-03-14T09:15:02Z  Controller started.");
    auto fields = journal.receive();
    EXPECT_EQ(fields["MESSAGE"], "2026-03-14T09:15:02Z  Controller started.");
    EXPECT_EQ(fields["PRIORITY"], "6");
    EXPECT_EQ(fields["SYSLOG_IDENTIFIER"], "HollerboxTest");
    EXPECT_EQ(fields["HOLLERBOX_SUBSYSTEM"], "org.hollerbox.Hollerbox");
    EXPECT_EQ(fields["HOLLERBOX_CATEGORY"], "app");

    log.info("app", "two\nlines");
    fields = journal.receive();
    EXPECT_EQ(fields["MESSAGE"], "two\nlines");
}

} // namespace
} // namespace hollerbox
