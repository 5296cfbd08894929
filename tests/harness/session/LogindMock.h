#pragma once

#include "DBusMockProcess.h"

#include <QVariant>
#include <optional>
#include <vector>

namespace hollerbox::testing {

/// python-dbusmock's logind template on a private system bus, completed with what the template lacks:
/// the Manager's `LidClosed` property, `GetSessionByPID`, and `GetSession` that knows "auto" and refuses
/// sessions that do not exist.
class LogindMock
{
public:
    struct Inhibitor
    {
        QString what;
        QString who;
        QString why;
        QString mode;
    };

    struct Options
    {
        /// The initial `LidClosed`; none leaves the property out, as the template does.
        std::optional<bool> lidClosed = false;
    };

    static constexpr const char* managerPath = "/org/freedesktop/login1";
    static constexpr const char* managerInterface = "org.freedesktop.login1.Manager";
    static constexpr const char* sessionInterface = "org.freedesktop.login1.Session";

    explicit LogindMock(const QString& systemBusAddress);

    bool start(Options options);
    bool start() { return start(Options{}); }
    void stop() { m_mock.stop(); }
    void pause() { m_mock.pause(); }
    void resume() { m_mock.resume(); }
    bool isRunning() const { return m_mock.isRunning(); }

    static QString sessionPath(const QString& sessionId);

    /// Adds the session "c1" (or `sessionId`) as the one of this process and of "auto", as a login does.
    void addCallerSession(const QString& sessionId = QStringLiteral("c1"))
    {
        setCallerSession(sessionId);
        addSession(sessionId);
    }
    /// Adds a session of the given user on seat0, announces it with `SessionNew` and returns its object path.
    QString addSession(const QString& sessionId, bool active = true, unsigned userId = 1000,
                       const QString& userName = QStringLiteral("ada"));
    /// Adds a session object that carries only the given properties (no `LockedHint` unless given).
    QString addBareSession(const QString& sessionId, const QVariantMap& properties);
    /// Removes the session's object and announces `SessionRemoved`.
    void removeSession(const QString& sessionId);
    /// Emits the Manager's `SessionNew` or `SessionRemoved`, as logind does.
    void announceSession(const QString& signal, const QString& sessionId);
    /// The answer of `GetSessionByPID` for any process; none makes it fail as for a process outside sessions.
    void setSessionOfProcess(const std::optional<QString>& sessionId);
    /// The session `GetSession("auto")` stands for; none makes it fail.
    void setAutoSession(const std::optional<QString>& sessionId);
    /// Both of the above. A session may be named before it is added; name it first when a watcher that
    /// reacts to `SessionNew` is already running, as logind knows a session's processes when it announces it.
    void setCallerSession(const std::optional<QString>& sessionId);

    /// Sets `LockedHint` through the session's own `SetLockedHint`, which announces the change.
    void setLockedHint(const QString& sessionId, bool locked);
    /// Gives the session logind's `Desktop` property (which the template lacks), as display managers set it.
    void setSessionDesktop(const QString& sessionId, const QString& desktop);
    /// Replaces session properties with values of any type and announces them in `PropertiesChanged`.
    void updateSessionProperties(const QString& sessionId, const QVariantMap& properties);

    /// Sets `LidClosed` to a value of any type, adding the property when it is missing.
    void setLidClosed(const QVariant& value);
    /// The answer of `CanSuspend()`.
    void setCanSuspend(const QString& answer);
    /// Makes `Inhibit` fail with the given D-Bus error, as logind does when polkit says no.
    void refuseInhibit(const QString& errorName);
    std::vector<Inhibitor> listInhibitors();
    /// How many calls of the Manager's `method` the mock has handled.
    std::size_t managerCalls(const QString& method);

    DBusMockProcess& process() { return m_mock; }

private:
    void sendCallerSessions();
    /// Calls a method of the mock's control interface on the object at `path` (the Manager by default).
    QDBusMessage control(const QString& method, const QVariantList& arguments,
                         const QString& path = QString::fromLatin1(managerPath));

    DBusMockProcess m_mock;
    bool m_hasLidClosed = false;
    QString m_sessionOfProcess;
    QString m_autoSession;
};

} // namespace hollerbox::testing
