#pragma once

#include "session/SessionLockSource.h"

#include <map>
#include <string>
#include <utility>
#include <vector>

namespace hollerbox::testing {

/// A session lock source whose dictionary the test sets and whose events the test posts.
class FakeSessionLockSource final : public SessionLockSource
{
public:
    ObserverToken addObserver(std::string_view name, EventHandler handler) override
    {
        const auto token = ++m_lastToken;
        m_observers.emplace(token, Observer{std::string{name}, std::move(handler)});
        return token;
    }
    void removeObserver(ObserverToken token) override { m_observers.erase(token); }
    std::optional<SessionDictionary> currentSessionDictionary() override
    {
        ++dictionaryReads;
        return dictionary;
    }
    std::string lockFlagKey() const override { return "LockedHint"; }

    /// Delivers an event to every observer of `name`; returns how many received it.
    int post(std::string_view name)
    {
        std::vector<EventHandler> handlers;
        for (const auto& [token, observer] : m_observers) {
            if (observer.name == name) {
                handlers.push_back(observer.handler);
            }
        }
        for (const auto& handler : handlers) {
            handler();
        }
        return static_cast<int>(handlers.size());
    }
    std::size_t observerCount() const { return m_observers.size(); }

    std::optional<SessionDictionary> dictionary;
    int dictionaryReads = 0;

private:
    struct Observer
    {
        std::string name;
        EventHandler handler;
    };
    std::map<ObserverToken, Observer> m_observers;
    ObserverToken m_lastToken = 0;
};

} // namespace hollerbox::testing
