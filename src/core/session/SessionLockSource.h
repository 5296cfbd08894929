#pragma once

#include "SessionDictionary.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace hollerbox {

/// The platform's screen-lock events, delivered by name, and the property map of the current login
/// session. Used on the main thread only; handlers are called on the main thread.
class SessionLockSource
{
public:
    using ObserverToken = std::uint64_t;
    using EventHandler = std::function<void()>;

    /// Name of the event posted when the screen becomes locked.
    static constexpr std::string_view lockEventName = "com.apple.screenIsLocked";
    /// Name of the event posted when the screen becomes unlocked.
    static constexpr std::string_view unlockEventName = "com.apple.screenIsUnlocked";

    virtual ~SessionLockSource() = default;

    /// Calls `handler` for every event named `name` until the returned token is removed.
    virtual ObserverToken addObserver(std::string_view name, EventHandler handler) = 0;
    /// Stops the observation; unknown tokens are ignored.
    virtual void removeObserver(ObserverToken token) = 0;
    /// The current session's properties, or none when no session can be found. Never blocks.
    virtual std::optional<SessionDictionary> currentSessionDictionary() = 0;
    /// The name under which the dictionary carries the session's lock flag.
    virtual std::string lockFlagKey() const = 0;
};

} // namespace hollerbox
