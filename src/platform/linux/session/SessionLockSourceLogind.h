#pragma once

#include "BusConnection.h"
#include "session/SessionLockSource.h"

#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusServiceWatcher>
#include <QObject>
#include <QSet>
#include <QTimer>
#include <chrono>
#include <functional>
#include <map>
#include <optional>

namespace hollerbox {

/// Screen-lock events and the session dictionary of a Linux desktop.
///
/// Events: changes of the session's `LockedHint` on the system bus, and `ActiveChanged(true/false)` of
/// `org.freedesktop.ScreenSaver` and `org.gnome.ScreenSaver` on the session bus, from any object, are the
/// lock and unlock events. A screen saver that reported active and then leaves the bus (or takes the session
/// bus with it) counts as an unlock.
///
/// A screen saver also turns active for an idle blank without locking, so where the desktop's locker
/// maintains `LockedHint` the hint alone decides and `ActiveChanged(true)` is no lock event. The hint is
/// taken as maintained (1) once it has been true in this session; else (2) as the desktop says, from the
/// entries of `Options::desktop` and of the session's `Desktop` (case-insensitive): not where one names a
/// GNOME-based desktop with a locker of its own ("Budgie*", "GNOME-Flashback*", "Unity"), else where one
/// names GNOME or KDE ("GNOME", "gnome-*", "KDE", "plasma*"); else (3) for `ActiveChanged` of
/// `org.gnome.ScreenSaver`, which outside those GNOME-based desktops only GNOME Shell sends. Any other
/// `ActiveChanged(true)` (swaylock, i3lock, light-locker and the like) is a lock event.
/// `ActiveChanged(false)` is always an unlock event.
///
/// Dictionary: the properties of the caller's logind session, found through XDG_SESSION_ID, else
/// `GetSessionByPID`, else `GetSession("auto")`, read once and then kept current from `PropertiesChanged`, so
/// reading it never blocks. While a screen saver whose activation counted as a lock is active and the hint
/// is not maintained, a false `LockedHint` is left out of the dictionary so that it cannot overrule the
/// screen saver. No system bus, no logind, or no session: no dictionary.
///
/// Lookups made while constructing wait at most `callTimeout` each; all later ones are asynchronous. Buses,
/// logind and sessions that appear, vanish or come back later are followed: buses and unanswered lookups are
/// retried every `retryInterval`, logind and sessions are noticed from the bus's own signals. Lives on the
/// main thread.
class SessionLockSourceLogind final : public QObject, public SessionLockSource
{
    Q_OBJECT

public:
    struct Options
    {
        /// Session to follow first; empty skips that lookup.
        QString sessionId = qEnvironmentVariable("XDG_SESSION_ID");
        /// Process whose session `GetSessionByPID` looks up.
        quint32 processId = currentProcessId();
        /// The desktop as XDG_CURRENT_DESKTOP names it: entries separated by colons.
        QString desktop = qEnvironmentVariable("XDG_CURRENT_DESKTOP");
        std::chrono::milliseconds callTimeout{100};
        /// How soon a missing bus or an unanswered session lookup is tried again (buses back off from there).
        std::chrono::milliseconds retryInterval{2000};
    };

    SessionLockSourceLogind();
    explicit SessionLockSourceLogind(Options options);
    ~SessionLockSourceLogind() override;

    ObserverToken addObserver(std::string_view name, EventHandler handler) override;
    void removeObserver(ObserverToken token) override;
    std::optional<SessionDictionary> currentSessionDictionary() override;
    std::string lockFlagKey() const override { return "LockedHint"; }

    /// The object path of the session followed, empty while none is known.
    QString sessionPath() const { return m_sessionPath.path(); }
    /// Whether the session's properties have been read.
    bool hasSessionProperties() const { return m_properties.has_value(); }

private slots:
    void onSessionPropertiesChanged(const QString& interface, const QVariantMap& changed,
                                    const QStringList& invalidated);
    void onSessionNew(const QString& sessionId, const QDBusObjectPath& path);
    void onSessionRemoved(const QString& sessionId, const QDBusObjectPath& path);
    void onScreenSaverActiveChanged(bool active, const QDBusMessage& message);

private:
    using ReplyHandler = std::function<void(const QDBusMessage& reply)>;

    static quint32 currentProcessId();

    void maintain();
    void attachSystemBus(QDBusConnection bus);
    void detachSystemBus();
    void attachSessionBus(QDBusConnection bus);
    void detachSessionBus();
    void resolveSession();
    void tryLookup(std::size_t step);
    void followSession(const QDBusObjectPath& path);
    void readSessionProperties();
    void forgetSession();
    void onLogindOwnerChanged(const QString& service, const QString& oldOwner, const QString& newOwner);
    void onScreenSaverUnregistered(const QString& uniqueName);
    void issue(const QDBusMessage& message, ReplyHandler handler);
    void post(std::string_view name);
    /// Whether `LockedHint` is maintained, judged by the desktop alone; none when the desktop does not say.
    std::optional<bool> desktopMaintainsHint() const;
    /// Whether `LockedHint` decides alone when a screen saver of `interface` turns active.
    bool hintMaintained(const QString& interface) const;

    Options m_options;
    BusConnection m_systemBus;
    BusConnection m_sessionBus;
    std::optional<QDBusConnection> m_system;
    std::optional<QDBusConnection> m_session;
    QDBusServiceWatcher m_logindWatcher;
    QDBusServiceWatcher m_screenSaverWatcher;
    QTimer m_maintenance;

    bool m_synchronous = false;
    quint64 m_generation = 0;
    bool m_busy = false;
    // Whether the current session's `LockedHint` has been seen true, i.e. its locker maintains the hint.
    bool m_lockedHintSeen = false;
    // A lookup went unanswered or the session vanished unannounced: the maintenance timer looks again.
    bool m_retryLookup = false;
    QDBusObjectPath m_sessionPath;
    std::optional<SessionDictionary> m_properties;
    // Screen savers whose activation counted as a lock and that have not reported inactive since.
    QSet<QString> m_activeScreenSavers;

    struct Observer
    {
        std::string name;
        EventHandler handler;
    };
    std::map<ObserverToken, Observer> m_observers;
    ObserverToken m_lastToken = 0;
};

} // namespace hollerbox
