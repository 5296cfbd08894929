#pragma once

#include "ServiceProcess.h"

#include <QString>
#include <memory>

namespace hollerbox::testing {

/// An X server of the test's own (Xvfb) without a window manager, for programs whose tray needs a real
/// windowing platform.
class VirtualDisplay
{
public:
    /// Starts the server and waits until it accepts connections; false (with an added failure) otherwise.
    bool start();
    /// The value for DISPLAY.
    QString name() const { return QStringLiteral(":%1").arg(m_number); }

private:
    int m_number = 0;
    std::unique_ptr<ServiceProcess> m_process;
};

} // namespace hollerbox::testing
