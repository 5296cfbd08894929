#pragma once

#include "HollerboxModel.h"
#include "linux/assembly/ProtectionServicesLinux.h"
#include "linux/base/ClockSystem.h"
#include "linux/base/MainQueueQt.h"

#include <memory>

namespace hollerbox {

/// The real machine behind the tray application's model: the Qt main queue, the system clock, the program's
/// sound, sensor and session services, the monitor launcher and the hardware facts. Build it after the Qt
/// application exists and keep it until the model built from it is gone.
class ApplicationServices
{
public:
    ApplicationServices();
    ~ApplicationServices();

    ApplicationServices(const ApplicationServices&) = delete;
    ApplicationServices& operator=(const ApplicationServices&) = delete;

    /// Everything a model needs, with the default locations of its files.
    HollerboxModel::Services modelServices();

private:
    ClockSystem m_clock;
    MainQueueQt m_mainQueue;
    std::unique_ptr<ProtectionServicesLinux> m_services;
};

} // namespace hollerbox
