#pragma once

#include "motion/AccelerometerSource.h"

#include <optional>

namespace hollerbox::testing {

/// An accelerometer source with a scripted binding; tests push samples through `sampleHandler`.
class FakeAccelerometerSource final : public AccelerometerSource
{
public:
    std::optional<AccelerometerBinding> bind(SampleHandler onSample,
                                             const DiagnosticHandler& diagnostics) override
    {
        ++bindCount;
        if (!binding) {
            if (diagnostics && !notFoundMessage.empty()) {
                diagnostics(notFoundMessage);
            }
            return std::nullopt;
        }
        sampleHandler = std::move(onSample);
        isBound = true;
        return binding;
    }

    void release() override
    {
        ++releaseCount;
        isBound = false;
        ended = false;
        sampleHandler = nullptr;
    }

    bool hasEnded() const override { return isBound && ended; }

    std::string searchDescription() const override { return description; }

    std::optional<AccelerometerBinding> binding;
    std::string description = "fake accelerometers";
    std::string notFoundMessage;
    SampleHandler sampleHandler;
    bool isBound = false;
    bool ended = false;
    int bindCount = 0;
    int releaseCount = 0;
};

} // namespace hollerbox::testing
