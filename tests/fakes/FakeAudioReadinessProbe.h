#pragma once

#include "engine/AudioReadinessProviding.h"

namespace hollerbox::testing {

/// An audio readiness check that answers the snapshot the test sets.
class FakeAudioReadinessProbe final : public AudioReadinessProviding
{
public:
    AudioReadinessSnapshot currentReadiness() override
    {
        ++callCount;
        return readiness;
    }

    AudioReadinessSnapshot readiness{AudioReadinessLevel::ready, 1U, false, 0.8F, "Audio ready", "Ready."};
    int callCount = 0;
};

} // namespace hollerbox::testing
