#pragma once

#include "StandardOutputWriter.h"
#include "engine/OpenLidAlarmControllerDelegate.h"

#include <chrono>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

namespace hollerbox {

/// Writes the background monitor's log: each line is appended to the log file (opened anew per line) at
/// once, and handed to a `StandardOutputWriter` for standard output, which drops lines rather than block
/// when nobody reads them. As the controller's delegate it writes one line per changed snapshot.
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
    /// Waits at most `limit` until standard output has every line written so far; true when it has.
    bool flushStandardOutput(std::chrono::milliseconds limit) { return m_standardOutput.flush(limit); }
    void alarmControllerDidUpdate(OpenLidAlarmController& controller,
                                  const OpenLidAlarmSnapshot& snapshot) override;

    const std::string& logFilePath() const { return m_logFilePath; }

    /// The snapshot's line: time, state, lock and lid flags, and the quoted status and detail texts.
    static std::string snapshotLine(const OpenLidAlarmSnapshot& snapshot);

private:
    std::string m_logFilePath;
    StandardOutputWriter m_standardOutput;
    std::optional<std::string> m_lastLineSignature;
};

} // namespace hollerbox
