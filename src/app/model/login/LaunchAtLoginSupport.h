#pragma once

#include <QString>

namespace hollerbox {

/// Whether the running build can change its launch at login, with the reason when it cannot.
class LaunchAtLoginSupport
{
public:
    enum class Kind
    {
        available,
        /// The system holds the change until the user approves it (not produced on Linux).
        requiresApproval,
        unavailable,
    };

    static LaunchAtLoginSupport available() { return LaunchAtLoginSupport{Kind::available, {}}; }
    static LaunchAtLoginSupport requiresApproval()
    {
        return LaunchAtLoginSupport{Kind::requiresApproval, {}};
    }
    static LaunchAtLoginSupport unavailable(QString message)
    {
        return LaunchAtLoginSupport{Kind::unavailable, std::move(message)};
    }

    Kind kind() const { return m_kind; }
    /// Why launch at login is unavailable; empty for the other kinds.
    const QString& message() const { return m_message; }

    friend bool operator==(const LaunchAtLoginSupport&, const LaunchAtLoginSupport&) = default;

private:
    LaunchAtLoginSupport(Kind kind, QString message) : m_kind(kind), m_message(std::move(message)) {}

    Kind m_kind = Kind::available;
    QString m_message;
};

} // namespace hollerbox
