#include "LogindMock.h"

#include <QDBusArgument>
#include <QDBusMetaType>
#include <QDBusVariant>
#include <gtest/gtest.h>

namespace hollerbox::testing {

namespace {

// A method of a mock object as AddObject takes it: name, in and out signatures, Python code.
struct MockMethod
{
    QString name;
    QString inSignature;
    QString outSignature;
    QString code;
};

QDBusArgument& operator<<(QDBusArgument& argument, const MockMethod& method)
{
    argument.beginStructure();
    argument << method.name << method.inSignature << method.outSignature << method.code;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, MockMethod& method)
{
    argument.beginStructure();
    argument >> method.name >> method.inSignature >> method.outSignature >> method.code;
    argument.endStructure();
    return argument;
}

// State kept on the mock's manager object by SetCallerSessions, read by the two lookups.
constexpr const char* kSetCallerSessions = "self.hollerbox_by_pid = args[0]\n"
                                           "self.hollerbox_auto = args[1]\n";

constexpr const char* kGetSession =
    "sid = args[0]\n"
    "if sid == 'auto':\n"
    "    sid = getattr(self, 'hollerbox_auto', '')\n"
    "path = '/org/freedesktop/login1/session/' + sid\n"
    "if not sid or path not in objects:\n"
    "    raise dbus.exceptions.DBusException('No session \"%s\" known' % args[0],\n"
    "                                        name='org.freedesktop.login1.NoSuchSession')\n"
    "ret = dbus.ObjectPath(path)\n";

constexpr const char* kGetSessionByPid =
    "sid = getattr(self, 'hollerbox_by_pid', '')\n"
    "path = '/org/freedesktop/login1/session/' + sid\n"
    "if not sid or path not in objects:\n"
    "    raise dbus.exceptions.DBusException('PID %d does not belong to any known session' % args[0],\n"
    "                                        name='org.freedesktop.login1.NoSessionForPID')\n"
    "ret = dbus.ObjectPath(path)\n";

QVariant variant(const QVariant& value)
{
    return QVariant::fromValue(QDBusVariant{value});
}

} // namespace

LogindMock::LogindMock(const QString& systemBusAddress)
    : m_mock("logind mock", systemBusAddress, true, QStringLiteral("org.freedesktop.login1"),
             {QStringLiteral("--system"), QStringLiteral("-t"), QStringLiteral("logind")})
{}

bool LogindMock::start(Options options)
{
    if (!m_mock.start()) {
        return false;
    }
    const QString interface = QString::fromLatin1(managerInterface);
    control(QStringLiteral("AddMethod"),
            {interface, QStringLiteral("SetCallerSessions"), QStringLiteral("ss"), QString{},
             QString::fromLatin1(kSetCallerSessions)});
    control(QStringLiteral("AddMethod"), {interface, QStringLiteral("GetSession"), QStringLiteral("s"),
                                          QStringLiteral("o"), QString::fromLatin1(kGetSession)});
    control(QStringLiteral("AddMethod"), {interface, QStringLiteral("GetSessionByPID"), QStringLiteral("u"),
                                          QStringLiteral("o"), QString::fromLatin1(kGetSessionByPid)});
    if (!m_sessionOfProcess.isEmpty() || !m_autoSession.isEmpty()) {
        sendCallerSessions();
    }
    m_hasLidClosed = false;
    if (options.lidClosed) {
        setLidClosed(*options.lidClosed);
    }
    return !::testing::Test::HasFailure();
}

QString LogindMock::sessionPath(const QString& sessionId)
{
    return QStringLiteral("/org/freedesktop/login1/session/") + sessionId;
}

QString LogindMock::addSession(const QString& sessionId, bool active, unsigned userId,
                               const QString& userName)
{
    return control(QStringLiteral("AddSession"),
                   {sessionId, QStringLiteral("seat0"), QVariant::fromValue(userId), userName, active})
        .arguments()
        .value(0)
        .toString();
}

QString LogindMock::addBareSession(const QString& sessionId, const QVariantMap& properties)
{
    static const bool registered = [] {
        qDBusRegisterMetaType<MockMethod>();
        qDBusRegisterMetaType<QList<MockMethod>>();
        return true;
    }();
    Q_UNUSED(registered);
    const auto path = sessionPath(sessionId);
    control(QStringLiteral("AddObject"), {path, QString::fromLatin1(sessionInterface), properties,
                                          QVariant::fromValue(QList<MockMethod>{})});
    return path;
}

void LogindMock::removeSession(const QString& sessionId)
{
    control(QStringLiteral("RemoveObject"), {QVariant::fromValue(QDBusObjectPath{sessionPath(sessionId)})});
    announceSession(QStringLiteral("SessionRemoved"), sessionId);
}

void LogindMock::announceSession(const QString& signal, const QString& sessionId)
{
    control(QStringLiteral("EmitSignal"),
            {QString::fromLatin1(managerInterface), signal, QStringLiteral("so"),
             QVariantList{sessionId, QVariant::fromValue(QDBusObjectPath{sessionPath(sessionId)})}});
}

void LogindMock::setSessionOfProcess(const std::optional<QString>& sessionId)
{
    m_sessionOfProcess = sessionId.value_or(QString{});
    sendCallerSessions();
}

void LogindMock::setAutoSession(const std::optional<QString>& sessionId)
{
    m_autoSession = sessionId.value_or(QString{});
    sendCallerSessions();
}

void LogindMock::setCallerSession(const std::optional<QString>& sessionId)
{
    m_sessionOfProcess = sessionId.value_or(QString{});
    m_autoSession = m_sessionOfProcess;
    sendCallerSessions();
}

void LogindMock::sendCallerSessions()
{
    m_mock.call(QString::fromLatin1(managerPath), QString::fromLatin1(managerInterface),
                QStringLiteral("SetCallerSessions"), {m_sessionOfProcess, m_autoSession});
}

void LogindMock::setLockedHint(const QString& sessionId, bool locked)
{
    m_mock.call(sessionPath(sessionId), QString::fromLatin1(sessionInterface),
                QStringLiteral("SetLockedHint"), {locked});
}

void LogindMock::setSessionDesktop(const QString& sessionId, const QString& desktop)
{
    const QString interface = QString::fromLatin1(sessionInterface);
    if (m_mock
            .tryCall(sessionPath(sessionId), QString::fromLatin1(DBusMockProcess::mockInterface),
                     QStringLiteral("UpdateProperties"),
                     {interface, QVariantMap{{QStringLiteral("Desktop"), desktop}}})
            .type() != QDBusMessage::ReplyMessage) {
        control(QStringLiteral("AddProperty"), {interface, QStringLiteral("Desktop"), variant(desktop)},
                sessionPath(sessionId));
    }
}

void LogindMock::updateSessionProperties(const QString& sessionId, const QVariantMap& properties)
{
    control(QStringLiteral("UpdateProperties"), {QString::fromLatin1(sessionInterface), properties},
            sessionPath(sessionId));
}

void LogindMock::setLidClosed(const QVariant& value)
{
    const QString interface = QString::fromLatin1(managerInterface);
    if (m_hasLidClosed) {
        control(QStringLiteral("UpdateProperties"),
                {interface, QVariantMap{{QStringLiteral("LidClosed"), value}}});
    } else {
        control(QStringLiteral("AddProperty"), {interface, QStringLiteral("LidClosed"), variant(value)});
        m_hasLidClosed = true;
    }
}

void LogindMock::setCanSuspend(const QString& answer)
{
    control(QStringLiteral("AddMethod"),
            {QString::fromLatin1(managerInterface), QStringLiteral("CanSuspend"), QString{},
             QStringLiteral("s"), QStringLiteral("ret = '%1'").arg(answer)});
}

void LogindMock::refuseInhibit(const QString& errorName)
{
    control(QStringLiteral("AddMethod"),
            {QString::fromLatin1(managerInterface), QStringLiteral("Inhibit"), QStringLiteral("ssss"),
             QStringLiteral("h"),
             QStringLiteral("raise dbus.exceptions.DBusException('Inhibitor refused', name='%1')")
                 .arg(errorName)});
}

std::size_t LogindMock::managerCalls(const QString& method)
{
    const auto calls =
        control(QStringLiteral("GetMethodCalls"), {method}).arguments().value(0).value<QDBusArgument>();
    std::size_t count = 0;
    calls.beginArray();
    while (!calls.atEnd()) {
        qulonglong time = 0;
        QVariantList arguments;
        calls.beginStructure();
        calls >> time >> arguments;
        calls.endStructure();
        ++count;
    }
    calls.endArray();
    return count;
}

QDBusMessage LogindMock::control(const QString& method, const QVariantList& arguments, const QString& path)
{
    return m_mock.call(path, QString::fromLatin1(DBusMockProcess::mockInterface), method, arguments);
}

std::vector<LogindMock::Inhibitor> LogindMock::listInhibitors()
{
    const auto reply = m_mock.call(QString::fromLatin1(managerPath), QString::fromLatin1(managerInterface),
                                   QStringLiteral("ListInhibitors"));
    std::vector<Inhibitor> inhibitors;
    if (reply.type() != QDBusMessage::ReplyMessage) {
        return inhibitors;
    }
    const auto argument = reply.arguments().value(0).value<QDBusArgument>();
    argument.beginArray();
    while (!argument.atEnd()) {
        Inhibitor inhibitor;
        uint userId = 0;
        uint processId = 0;
        argument.beginStructure();
        argument >> inhibitor.what >> inhibitor.who >> inhibitor.why >> inhibitor.mode >> userId >> processId;
        argument.endStructure();
        inhibitors.push_back(inhibitor);
    }
    argument.endArray();
    return inhibitors;
}

} // namespace hollerbox::testing
