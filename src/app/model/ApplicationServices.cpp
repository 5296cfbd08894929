#include "ApplicationServices.h"

#include "audio/SystemAudioOverrideController.h"
#include "linux/checks/MachineFactsLinux.h"
#include "linux/notify/DesktopNotifierFreedesktop.h"
#include "model/checks/PlatformHardwareCheck.h"
#include "model/launch/BackgroundMonitorLauncher.h"

namespace hollerbox {

ApplicationServices::ApplicationServices()
    : m_services(std::make_unique<ProtectionServicesLinux>(ProtectionServicesLinux::Program::application,
                                                           m_mainQueue, m_clock))
{}

ApplicationServices::~ApplicationServices() = default;

HollerboxModel::Services ApplicationServices::modelServices()
{
    ProtectionServicesLinux& services = *m_services;
    HollerboxModel::Services model{m_mainQueue, m_clock};
    model.makeController = [&services](const ProtectionConfiguration& configuration) {
        return services.makeController(configuration);
    };
    model.makePreviewController = [&services] {
        return std::make_unique<AlarmPreviewController>(
            std::make_unique<SystemAudioOverrideController>(services.audioHardware()), services.players(),
            services.sounds(), services.mainQueue(), services.worker(), services.clock());
    };
    model.backgroundMonitorLauncher = std::make_unique<BackgroundMonitorLauncher>();
    model.desktopNotifier = std::make_unique<DesktopNotifierFreedesktop>();
    model.platformCheckProvider = [] {
        return PlatformHardwareCheck::evaluate(MachineFactsLinux{}.platformFacts());
    };
    return model;
}

} // namespace hollerbox
