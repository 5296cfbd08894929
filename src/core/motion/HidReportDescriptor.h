#pragma once

#include "HidElement.h"

#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace hollerbox {

/// What a HID report descriptor declares: its elements, primary usage and input report lengths.
/// Parsing never fails: malformed input ends the parse early and leaves a `problem`.
struct HidReportDescriptor
{
    static constexpr std::size_t maximumElementCount = 16384;
    static constexpr std::size_t maximumUsagesPerItem = 4096;
    static constexpr std::size_t maximumCollectionDepth = 64;
    static constexpr std::size_t maximumGlobalStackDepth = 16;
    static constexpr std::uint32_t maximumReportSize = 256;
    static constexpr std::uint32_t maximumReportCount = 65535;
    static constexpr std::size_t maximumReportLength = 16384;

    /// One element per usage of each main item and one per collection, in descriptor order.
    std::vector<HidElement> elements;
    /// Usage page and usage of the first application collection.
    std::optional<std::uint32_t> primaryUsagePage;
    std::optional<std::uint32_t> primaryUsage;
    /// Whether reports are numbered: each then starts with its report ID byte.
    bool usesReportIDs = false;
    /// Input report lengths in bytes by report ID (0 without IDs), including the ID byte when numbered;
    /// reports longer than `maximumReportLength` are left out.
    std::map<std::uint32_t, std::size_t> inputReportLengths;
    /// Why the parse ended early or what it had to cut, if anything.
    std::optional<std::string> problem;

    static HidReportDescriptor parse(std::span<const std::uint8_t> bytes);

    /// The length of the input report that `report` starts with, when known.
    std::optional<std::size_t> inputReportLength(std::span<const std::uint8_t> report) const;

    /// The reports in `bytes` read from a stream: split where the bytes are a whole sequence of input
    /// reports of known lengths, otherwise kept as one report (a device may send more than it declares).
    std::vector<std::span<const std::uint8_t>> splitInputReports(std::span<const std::uint8_t> bytes) const;
    /// As above, into `reports` (cleared first), which keeps its capacity from one read to the next.
    void splitInputReports(std::span<const std::uint8_t> bytes,
                           std::vector<std::span<const std::uint8_t>>& reports) const;
};

} // namespace hollerbox
