#pragma once

#include "AppUpdaterSupport.h"

#include <QString>
#include <QUrl>
#include <QVariantMap>
#include <optional>

namespace hollerbox {

/// Whether a build is configured for updates, and where its update feed is.
struct UpdateConfigurationStatus
{
    AppUpdaterSupport support = AppUpdaterSupport::available();
    /// The feed; present only when available.
    std::optional<QUrl> appcastUrl;

    /// Available when `bundlePath` ends in ".app" and `information` holds "SUFeedURL" as text that is a valid
    /// URL and not blank, and "SUPublicEDKey" as text that is not blank.
    static UpdateConfigurationStatus check(const QString& bundlePath, const QVariantMap& information);

    friend bool operator==(const UpdateConfigurationStatus&, const UpdateConfigurationStatus&) = default;
};

} // namespace hollerbox
