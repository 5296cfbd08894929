#pragma once

#include "ports/Clock.h"

#include <atomic>

namespace hollerbox::testing {

/// A clock that only moves when told to.
class VirtualClock final : public Clock
{
public:
    explicit VirtualClock(WallTime start = WallTime{std::chrono::seconds{1'780'000'000}}) : m_now(start) {}

    WallTime now() const override { return m_now.load(); }
    void set(WallTime time) { m_now.store(time); }
    void advance(std::chrono::microseconds by) { m_now.store(m_now.load() + by); }

private:
    std::atomic<WallTime> m_now;
};

} // namespace hollerbox::testing
