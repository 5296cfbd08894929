#include "ScreenLockMonitor.h"

#include <type_traits>

namespace hollerbox {

namespace {

std::string_view text(bool value)
{
    return value ? "true" : "false";
}

std::string quotedKeyList(const SessionDictionary& dictionary)
{
    std::string list = "[";
    for (auto it = dictionary.begin(); it != dictionary.end(); ++it) {
        if (it != dictionary.begin()) {
            list += ", ";
        }
        list += '"' + it->first + '"';
    }
    return list + "]";
}

} // namespace

ScreenLockMonitor::ScreenLockMonitor(std::shared_ptr<SessionLockSource> center) : m_center(std::move(center))
{}

ScreenLockMonitor::~ScreenLockMonitor()
{
    stop();
}

void ScreenLockMonitor::start()
{
    report("ScreenLockMonitor starting. Initial isLocked=" + std::string{text(m_isLocked)} + ".");
    stop();
    m_observations.push_back(m_center->addObserver(m_lockName, [this] { handleLock(); }));
    m_observations.push_back(m_center->addObserver(m_unlockName, [this] { handleUnlock(); }));
    refreshCurrentState();
}

void ScreenLockMonitor::stop()
{
    for (const auto token : m_observations) {
        m_center->removeObserver(token);
    }
    m_observations.clear();
}

void ScreenLockMonitor::refreshCurrentState()
{
    const auto dictionary = m_center->currentSessionDictionary();
    if (!dictionary) {
        report("CGSessionCopyCurrentDictionary returned nil while refreshing lock state.");
        return;
    }
    report("CGSessionCopyCurrentDictionary keys: " + quotedKeyList(*dictionary));

    const auto entry = dictionary->find(m_center->lockFlagKey());
    if (entry != dictionary->end()) {
        const auto flag = std::visit(
            [](const auto& value) -> std::optional<bool> {
                using Value = std::decay_t<decltype(value)>;
                if constexpr (std::is_same_v<Value, bool>) {
                    return value;
                } else if constexpr (std::is_arithmetic_v<Value>) {
                    return value != 0;
                } else {
                    return std::nullopt;
                }
            },
            entry->second);
        if (flag) {
            m_isLocked = *flag;
            return;
        }
    }
    report("CGSSessionScreenIsLocked missing from session dictionary.");
}

void ScreenLockMonitor::handleLock()
{
    m_isLocked = true;
    report("Received distributed lock notification.");
}

void ScreenLockMonitor::handleUnlock()
{
    m_isLocked = false;
    report("Received distributed unlock notification.");
}

void ScreenLockMonitor::report(std::string_view message) const
{
    if (m_diagnosticHandler) {
        m_diagnosticHandler(std::string{message});
    }
}

} // namespace hollerbox
