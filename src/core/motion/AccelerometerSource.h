#pragma once

#include "SPUDecodedAxes.h"
#include "SPUProbeDeviceSummary.h"
#include "engine/DiagnosticHandler.h"

#include <functional>
#include <optional>
#include <string>

namespace hollerbox {

/// A bound accelerometer: the summary that names it in messages, and where it was found.
struct AccelerometerBinding
{
    SPUProbeDeviceSummary summary;
    std::string source;
};

/// An accelerometer other than the sensor processor's HID device (IIO, evdev) that feeds the movement
/// monitor's history. Samples are counts of 1/65536 g. Main thread only.
class AccelerometerSource
{
public:
    using SampleHandler = std::function<void(const SPUDecodedAxes& axes)>;

    virtual ~AccelerometerSource() = default;

    /// Finds and opens the sensor; when bound, delivers every sample to `onSample` on the main thread until
    /// `release()`. Says why it found or opened nothing through `diagnostics` (which may be empty).
    virtual std::optional<AccelerometerBinding> bind(SampleHandler onSample,
                                                     const DiagnosticHandler& diagnostics) = 0;
    /// Whether the bound sensor stopped for good (its node went away or failed, which the source has said
    /// through `diagnostics`); it gives samples again only after `release()` and a new `bind()`.
    virtual bool hasEnded() const = 0;
    /// Stops the samples and closes the sensor; safe when not bound.
    virtual void release() = 0;
    /// What the source looks for and where ("IIO accelerometers under /sys/bus/iio/devices"), for the
    /// sentence that follows a search that found nothing anywhere.
    virtual std::string searchDescription() const = 0;
};

} // namespace hollerbox
