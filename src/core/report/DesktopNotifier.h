#pragma once

#include <functional>
#include <optional>
#include <string>

namespace hollerbox {

/// A message for the user's desktop: a short title and a plain-text body.
struct DesktopNotification
{
    std::string title;
    std::string body;

    friend bool operator==(const DesktopNotification&, const DesktopNotification&) = default;
};

/// Shows notifications on the user's desktop.
class DesktopNotifier
{
public:
    /// Receives the reason the notification was not shown, or none once it was handed to the desktop.
    using Completion = std::function<void(std::optional<std::string> failure)>;

    virtual ~DesktopNotifier() = default;

    /// Hands `notification` to the desktop without blocking; `done` runs once, later, on the main thread,
    /// and never after the notifier is gone.
    virtual void notify(const DesktopNotification& notification, Completion done) = 0;
};

} // namespace hollerbox
