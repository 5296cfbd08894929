#include "SPUProbeResult.h"

#include "HexFormatting.h"
#include "engine/HollerboxDiagnostics.h"
#include "engine/NumberFormatting.h"

#include <algorithm>

namespace hollerbox {

namespace {

constexpr std::size_t kListedInterestingElements = 6;
constexpr std::size_t kListedAttempts = 12;
constexpr std::size_t kListedDecodedSamples = 8;
constexpr std::size_t kListedReports = 12;

std::string hex(std::int64_t value)
{
    return "0x" + formatSignedHex(value);
}

template <typename T> std::span<const T> lastItems(const std::vector<T>& items, std::size_t count)
{
    const std::size_t start = items.size() > count ? items.size() - count : 0;
    return std::span<const T>{items}.subspan(start);
}

void appendCandidate(std::vector<std::string>& lines, const SPUProbeDeviceSummary& candidate)
{
    lines.push_back("- " + candidate.product);
    lines.push_back("  transport: " + candidate.transport);
    lines.push_back("  vendorID: " + std::to_string(candidate.vendorID));
    lines.push_back("  productID: " + std::to_string(candidate.productID));
    lines.push_back("  usagePage: " + hex(candidate.usagePage));
    lines.push_back("  usage: " + hex(candidate.usage));
    std::vector<const SPUProbeElementSummary*> interesting;
    for (const auto& element : candidate.reportElements) {
        if (element.usagePage == SPUProbeDeviceSummary::vendorUsagePage || element.reportID > 0) {
            interesting.push_back(&element);
        }
    }
    if (interesting.empty()) {
        return;
    }
    lines.emplace_back("  interesting elements:");
    for (std::size_t index = 0; index < std::min(interesting.size(), kListedInterestingElements); ++index) {
        const auto& element = *interesting[index];
        lines.push_back("    type=" + element.type + " reportID=" + std::to_string(element.reportID) +
                        " usagePage=" + hex(element.usagePage) + " usage=" + hex(element.usage) + " size=" +
                        std::to_string(element.reportSize) + "x" + std::to_string(element.reportCount));
    }
}

std::string axisText(std::int32_t raw, double g)
{
    return std::to_string(raw) + " (" + formatFixed(g, 4) + "g)";
}

std::string joinLines(const std::vector<std::string>& lines)
{
    std::string text;
    for (std::size_t index = 0; index < lines.size(); ++index) {
        if (index > 0) {
            text += '\n';
        }
        text += lines[index];
    }
    return text;
}

} // namespace

std::string SPUProbeResult::formattedText() const
{
    std::vector<std::string> lines;
    lines.emplace_back("Apple SPU sensor probe");
    lines.push_back("Effective UID: " + std::to_string(effectiveUserID) +
                    (effectiveUserID == 0 ? " (root)" : " (non-root)"));
    lines.push_back("Device count: " + std::to_string(deviceCount));
    lines.push_back("SPU candidates: " + std::to_string(candidates.size()));
    lines.push_back("Sample duration: " + formatFixed(sampleDurationSeconds, 1) + "s");
    lines.emplace_back();
    if (requiresElevatedPrivilegesHint) {
        lines.emplace_back(
            "Hint: some Apple Silicon SPU accelerometer paths may require elevated privileges or "
            "a privileged helper.");
        if (effectiveUserID != 0) {
            lines.emplace_back(
                "Suggested retry: use the app build or a privileged helper to inspect SPU access "
                "on this machine.");
        }
        lines.emplace_back();
    }
    if (candidates.empty()) {
        lines.emplace_back("No SPU-like HID candidate device was found.");
        lines.push_back(note);
        return joinLines(lines);
    }

    lines.emplace_back("Candidates:");
    for (const auto& candidate : candidates) {
        appendCandidate(lines, candidate);
    }
    lines.emplace_back();

    if (selectedDevice) {
        lines.push_back("Selected device: " + selectedDevice->product);
        if (selectedSource) {
            lines.push_back("Selected source: " + *selectedSource);
        }
        lines.push_back("Selected transport: " + selectedDevice->transport);
        lines.push_back("Selected usagePage: " + hex(selectedDevice->usagePage));
        lines.push_back("Selected usage: " + hex(selectedDevice->usage));
    }
    if (openIOReturn) {
        lines.push_back("Open result: " + std::to_string(*openIOReturn) + " hex=" + hex(*openIOReturn));
    }
    if (!driverWakeAttempts.empty()) {
        lines.emplace_back("Driver wake attempts:");
        for (std::size_t index = 0; index < std::min(driverWakeAttempts.size(), kListedAttempts); ++index) {
            const auto& attempt = driverWakeAttempts[index];
            lines.push_back("  " + attempt.property + "=" + std::to_string(attempt.value) +
                            " result=" + std::to_string(attempt.result) + " hex=" + hex(attempt.result));
        }
        lines.emplace_back();
    }

    lines.push_back("Sample count: " + std::to_string(sampleCount));
    std::string reportIDs;
    for (const std::int64_t reportID : uniqueReportIDs) {
        reportIDs += (reportIDs.empty() ? "" : ", ") + std::to_string(reportID);
    }
    lines.push_back("Unique report IDs: " + (reportIDs.empty() ? std::string{"none"} : reportIDs));
    lines.emplace_back();

    if (!directReportAttempts.empty()) {
        lines.emplace_back("Direct report attempts:");
        for (std::size_t index = 0; index < std::min(directReportAttempts.size(), kListedAttempts); ++index) {
            const auto& attempt = directReportAttempts[index];
            lines.push_back("  " + attempt.reportType + " reportID=" + std::to_string(attempt.reportID) +
                            " requested=" + std::to_string(attempt.requestedLength) +
                            " result=" + std::to_string(attempt.result) + " hex=" + hex(attempt.result) +
                            " returned=" + std::to_string(attempt.returnedLength) +
                            " preview=" + (attempt.hexPreview.empty() ? "none" : attempt.hexPreview));
        }
        lines.emplace_back();
    }

    if (samples.empty()) {
        lines.emplace_back("No input reports were captured during the watch window.");
        lines.push_back(note);
        return joinLines(lines);
    }

    if (!recentDecodedSamples.empty()) {
        lines.emplace_back("Recent decoded samples:");
        for (const auto& sample : lastItems(recentDecodedSamples, kListedDecodedSamples)) {
            const SPUDecodedAxes axes = sample.decodedAxes.value_or(SPUDecodedAxes{});
            lines.push_back(HollerboxDiagnostics::formatTimestamp(sample.timestamp) +
                            "  x=" + axisText(axes.xRaw, axes.xG()) + " y=" + axisText(axes.yRaw, axes.yG()) +
                            " z=" + axisText(axes.zRaw, axes.zG()));
        }
        lines.emplace_back();
    }

    lines.emplace_back("Recent reports:");
    for (const auto& sample : lastItems(samples, kListedReports)) {
        lines.push_back(HollerboxDiagnostics::formatTimestamp(sample.timestamp) +
                        "  reportID=" + std::to_string(sample.reportID) +
                        " length=" + std::to_string(sample.length) + " bytes preview=" + sample.hexPreview);
    }
    lines.emplace_back();
    lines.push_back(note);
    return joinLines(lines);
}

} // namespace hollerbox
