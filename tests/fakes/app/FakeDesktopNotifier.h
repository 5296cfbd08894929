#pragma once

#include "report/DesktopNotifier.h"

#include <memory>
#include <vector>

namespace hollerbox::testing {

/// A notifier that records what it was asked to show and completes at once, with `failure` if set.
class FakeDesktopNotifier final : public DesktopNotifier
{
public:
    struct Record
    {
        std::vector<DesktopNotification> shown;
        std::optional<std::string> failure;
    };

    explicit FakeDesktopNotifier(std::shared_ptr<Record> record) : m_record(std::move(record)) {}

    void notify(const DesktopNotification& notification, Completion done) override
    {
        m_record->shown.push_back(notification);
        done(m_record->failure);
    }

private:
    std::shared_ptr<Record> m_record;
};

} // namespace hollerbox::testing
