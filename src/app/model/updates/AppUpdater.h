#pragma once

#include <QUrl>
#include <functional>
#include <memory>

namespace hollerbox {

/// An update framework's updater as the controller drives it. No such framework exists on Linux: the
/// interface keeps the updater's side of the controller testable.
class AppUpdater
{
public:
    using ChangeHandler = std::function<void()>;

    virtual ~AppUpdater() = default;

    /// Whether a manual check may start now.
    virtual bool canCheckForUpdates() const = 0;
    virtual bool automaticallyChecksForUpdates() const = 0;
    virtual void setAutomaticallyChecksForUpdates(bool enabled) = 0;
    /// Starts a check the user sees.
    virtual void checkForUpdates() = 0;
    /// `handler` is called, from any thread, whenever either value changes.
    virtual void setChangeHandler(ChangeHandler handler) = 0;
};

/// Creates the updater of the feed at the given location.
using AppUpdaterFactory = std::function<std::unique_ptr<AppUpdater>(const QUrl& appcastUrl)>;

} // namespace hollerbox
