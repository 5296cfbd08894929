#include "VirtualDisplay.h"

#include "WaitFor.h"

#include <QFile>
#include <gtest/gtest.h>
#include <unistd.h>

namespace hollerbox::testing {

bool VirtualDisplay::start()
{
    for (int attempt = 0; attempt < 20; ++attempt) {
        m_number = 200 + (static_cast<int>(::getpid()) + attempt * 37) % 700;
        const QString socket = QStringLiteral("/tmp/.X11-unix/X%1").arg(m_number);
        if (QFile::exists(socket) || QFile::exists(QStringLiteral("/tmp/.X%1-lock").arg(m_number))) {
            continue;
        }
        m_process = std::make_unique<ServiceProcess>(
            "Xvfb", QStringLiteral("Xvfb"),
            QStringList{name(), QStringLiteral("-screen"), QStringLiteral("0"), QStringLiteral("1280x800x24"),
                        QStringLiteral("-nolisten"), QStringLiteral("tcp")});
        if (m_process->start() &&
            waitFor([&] { return QFile::exists(socket) || !m_process->isRunning(); },
                    std::chrono::seconds{10}) &&
            m_process->isRunning()) {
            return true;
        }
    }
    ADD_FAILURE() << "Xvfb did not start: " << (m_process ? m_process->logs() : std::string{});
    return false;
}

} // namespace hollerbox::testing
