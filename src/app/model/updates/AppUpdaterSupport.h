#pragma once

#include <QString>

namespace hollerbox {

/// Whether this build can update itself, with the reason when it cannot.
class AppUpdaterSupport
{
public:
    enum class Kind
    {
        available,
        unavailable,
    };

    static AppUpdaterSupport available() { return AppUpdaterSupport{Kind::available, {}}; }
    static AppUpdaterSupport unavailable(QString message)
    {
        return AppUpdaterSupport{Kind::unavailable, std::move(message)};
    }

    Kind kind() const { return m_kind; }
    bool isAvailable() const { return m_kind == Kind::available; }
    /// Why updates are unavailable; empty when available.
    const QString& message() const { return m_message; }

    friend bool operator==(const AppUpdaterSupport&, const AppUpdaterSupport&) = default;

private:
    AppUpdaterSupport(Kind kind, QString message) : m_kind(kind), m_message(std::move(message)) {}

    Kind m_kind = Kind::unavailable;
    QString m_message;
};

} // namespace hollerbox
