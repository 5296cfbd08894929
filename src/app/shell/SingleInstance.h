#pragma once

#include "SingleInstanceEndpoint.h"

namespace hollerbox {

/// One running application per user session: the owner of the session-bus name org.hollerbox.Hollerbox.
class SingleInstance
{
public:
    static constexpr const char* serviceName = "org.hollerbox.Hollerbox";
    static constexpr const char* objectPath = "/org/hollerbox/Hollerbox";

    enum class Role
    {
        /// This process owns the name and serves `endpoint()`.
        primary,
        /// Another process owns the name.
        secondary,
        /// There is no session bus to tell; this process runs on its own.
        alone
    };

    SingleInstance() = default;
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    /// Exports the endpoint and asks for the name.
    Role claim();
    /// Asks the process that owns the name to show its panel; whether it answered.
    static bool askPrimaryToShowPanel();

    SingleInstanceEndpoint& endpoint() { return m_endpoint; }

private:
    SingleInstanceEndpoint m_endpoint;
};

} // namespace hollerbox
