#pragma once

#include "AppUpdater.h"
#include "AppUpdaterSupport.h"

#include <QObject>
#include <QString>
#include <QVariantMap>
#include <memory>

namespace hollerbox {

class SettingsStore;

/// The application's update switch and check command. An updater exists only when the build is configured
/// for updates and an updater factory is given; without one, both values stay false unless the user sets the
/// automatic switch. Main thread only.
class AppUpdaterController : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool canCheckForUpdates READ canCheckForUpdates NOTIFY canCheckForUpdatesChanged)
    Q_PROPERTY(bool automaticallyChecksForUpdates READ automaticallyChecksForUpdates WRITE
                   setAutomaticallyChecksForUpdates NOTIFY automaticallyChecksForUpdatesChanged)
    Q_PROPERTY(QString support READ supportKind CONSTANT)
    Q_PROPERTY(QString unavailableMessage READ unavailableMessage CONSTANT)
    Q_PROPERTY(bool didChooseAutomaticChecksPreference READ didChooseAutomaticChecksPreference NOTIFY
                   didChooseAutomaticChecksPreferenceChanged)

public:
    /// Checks the configuration of the build at `bundlePath` with its `information`; when available and
    /// `createUpdater` is given, creates the updater and follows its values from the next turn of the event
    /// loop on. On Linux the application passes its executable's directory and an empty map.
    AppUpdaterController(const QString& bundlePath, const QVariantMap& information, SettingsStore& settings,
                         AppUpdaterFactory createUpdater = {}, QObject* parent = nullptr);
    ~AppUpdaterController() override;

    bool canCheckForUpdates() const { return m_canCheckForUpdates; }
    bool automaticallyChecksForUpdates() const { return m_automaticallyChecksForUpdates; }
    const AppUpdaterSupport& support() const { return m_support; }
    /// "available" or "unavailable", for the views.
    QString supportKind() const
    {
        return m_support.isAvailable() ? QStringLiteral("available") : QStringLiteral("unavailable");
    }
    QString unavailableMessage() const { return m_support.message(); }
    /// Whether the user has answered the question of automatic checks, here or in an earlier run.
    bool didChooseAutomaticChecksPreference() const;

    /// Sets the updater's switch (if any) and the published value, and records that the user chose.
    void setAutomaticallyChecksForUpdates(bool enabled);
    /// Only while available: switches automatic checks off and records that the user chose.
    Q_INVOKABLE void continueWithoutAutomaticChecks();
    /// Records that the user answered the question of automatic checks without changing anything, as the
    /// welcome flow does where updates are unavailable.
    Q_INVOKABLE void recordAutomaticChecksChoice();
    /// Asks the updater to check now; nothing without an updater.
    Q_INVOKABLE void checkForUpdates();

Q_SIGNALS:
    void canCheckForUpdatesChanged();
    void automaticallyChecksForUpdatesChanged();
    void didChooseAutomaticChecksPreferenceChanged();

private:
    void copyUpdaterValues();
    void publishCanCheckForUpdates(bool value);
    void publishAutomaticallyChecksForUpdates(bool value);

    AppUpdaterSupport m_support;
    SettingsStore& m_settings;
    std::unique_ptr<AppUpdater> m_updater;
    bool m_canCheckForUpdates = false;
    bool m_automaticallyChecksForUpdates = false;
};

} // namespace hollerbox
