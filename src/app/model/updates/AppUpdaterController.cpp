#include "AppUpdaterController.h"

#include "UpdateConfigurationStatus.h"
#include "model/settings/SettingsKeys.h"
#include "model/settings/SettingsStore.h"

namespace hollerbox {

AppUpdaterController::AppUpdaterController(const QString& bundlePath, const QVariantMap& information,
                                           SettingsStore& settings, AppUpdaterFactory createUpdater,
                                           QObject* parent)
    : QObject(parent), m_support(AppUpdaterSupport::available()), m_settings(settings)
{
    const auto status = UpdateConfigurationStatus::check(bundlePath, information);
    m_support = status.support;
    if (!m_support.isAvailable() || !createUpdater) {
        return;
    }
    m_updater = createUpdater(*status.appcastUrl);
    if (!m_updater) {
        return;
    }
    const auto scheduleCopy = [this] {
        QMetaObject::invokeMethod(this, &AppUpdaterController::copyUpdaterValues, Qt::QueuedConnection);
    };
    m_updater->setChangeHandler(scheduleCopy);
    scheduleCopy();
}

AppUpdaterController::~AppUpdaterController()
{
    if (m_updater) {
        m_updater->setChangeHandler({});
        m_updater.reset();
    }
}

void AppUpdaterController::setAutomaticallyChecksForUpdates(bool enabled)
{
    if (m_updater) {
        m_updater->setAutomaticallyChecksForUpdates(enabled);
    }
    publishAutomaticallyChecksForUpdates(enabled);
    recordAutomaticChecksChoice();
}

void AppUpdaterController::continueWithoutAutomaticChecks()
{
    if (!m_support.isAvailable()) {
        return;
    }
    if (m_updater) {
        m_updater->setAutomaticallyChecksForUpdates(false);
    }
    publishAutomaticallyChecksForUpdates(false);
    recordAutomaticChecksChoice();
}

void AppUpdaterController::recordAutomaticChecksChoice()
{
    const bool changed = !didChooseAutomaticChecksPreference();
    m_settings.writeBool(SettingsKeys::didChooseAutomaticChecksPreference, true);
    m_settings.sync();
    if (changed) {
        Q_EMIT didChooseAutomaticChecksPreferenceChanged();
    }
}

bool AppUpdaterController::didChooseAutomaticChecksPreference() const
{
    return m_settings.readBool(SettingsKeys::didChooseAutomaticChecksPreference).value_or(false);
}

void AppUpdaterController::checkForUpdates()
{
    if (m_updater) {
        m_updater->checkForUpdates();
    }
}

void AppUpdaterController::copyUpdaterValues()
{
    if (m_updater) {
        publishCanCheckForUpdates(m_updater->canCheckForUpdates());
        publishAutomaticallyChecksForUpdates(m_updater->automaticallyChecksForUpdates());
    }
}

void AppUpdaterController::publishCanCheckForUpdates(bool value)
{
    if (m_canCheckForUpdates != value) {
        m_canCheckForUpdates = value;
        Q_EMIT canCheckForUpdatesChanged();
    }
}

void AppUpdaterController::publishAutomaticallyChecksForUpdates(bool value)
{
    if (m_automaticallyChecksForUpdates != value) {
        m_automaticallyChecksForUpdates = value;
        Q_EMIT automaticallyChecksForUpdatesChanged();
    }
}

} // namespace hollerbox
