#pragma once

#include "AudioReadinessSnapshot.h"

namespace hollerbox {

/// Describes whether the default audio output can make the alarm heard; quick and non-blocking.
class AudioReadinessProviding
{
public:
    virtual ~AudioReadinessProviding() = default;

    virtual AudioReadinessSnapshot currentReadiness() = 0;
};

} // namespace hollerbox
