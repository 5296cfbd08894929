#pragma once

#include "engine/OpenLidAlarmControllerDelegate.h"

#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

namespace hollerbox {

/// Writes the background monitor's log: each line is appended to the log file (opened anew per line) and
/// to standard output. As the controller's delegate it writes one line per changed snapshot.
class BackgroundMonitorLogger final : public OpenLidAlarmControllerDelegate
{
public:
    static constexpr std::string_view startLine = "Hollerbox background monitoring started.";
    static constexpr std::string_view activeLine = "Background monitoring is active.";
    static constexpr std::string_view terminationLine =
        "Received termination signal. Stopping background monitor.";

    /// Creates the file's directories and an empty file when none exists; failures only cost the file.
    explicit BackgroundMonitorLogger(std::string logFilePath, std::FILE* standardOutput = stdout);

    void write(std::string_view message);
    void alarmControllerDidUpdate(OpenLidAlarmController& controller,
                                  const OpenLidAlarmSnapshot& snapshot) override;

    const std::string& logFilePath() const { return m_logFilePath; }

    /// The snapshot's line: time, state, lock and lid flags, and the quoted status and detail texts.
    static std::string snapshotLine(const OpenLidAlarmSnapshot& snapshot);

private:
    std::string m_logFilePath;
    std::FILE* m_standardOutput = stdout;
    std::optional<std::string> m_lastLineSignature;
};

} // namespace hollerbox
