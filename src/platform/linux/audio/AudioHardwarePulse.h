#pragma once

#include "audio/AudioHardware.h"
#include "ports/MainQueue.h"

#include <chrono>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace hollerbox {

/// The audio hardware as a PulseAudio server (or PipeWire's pulse server) shows it: the default output device
/// is the default sink, with an ID per sink name that stays the same across reconnections; mute element 0 is
/// the sink's mute; volume element 0 is the whole sink (read: the loudest channel, write: every channel) and
/// elements 1 to N are its channels; a flat-volume sink has `volumeFollowsStreams`; the output ports are the
/// sink's ports. A sink is read once and then served from memory until the server reports a change, for at
/// most a second. Every
/// round trip has a deadline; a request that misses it drops the connection so that later calls fail at once
/// until the server answers again. A server that goes away is reconnected in the background, and the mute and
/// volume writes it missed are applied then. Main thread only, apart from construction and destruction.
class AudioHardwarePulse final : public AudioHardware
{
public:
    /// A mute or volume write the server has not confirmed, by sink name; the volume is one raw PulseAudio
    /// volume per channel (empty: none to write).
    struct MissedWrite
    {
        std::string sinkName;
        std::optional<bool> mute;
        std::vector<std::uint32_t> channelVolumes;

        friend bool operator==(const MissedWrite&, const MissedWrite&) = default;
    };

    struct Options
    {
        /// The server to use ("unix:/path/native"); none means libpulse's default (PULSE_SERVER and so on).
        std::optional<std::string> server;
        /// The most a single request may take before it counts as failed.
        std::chrono::milliseconds requestTimeout{200};
        /// How long to wait between two attempts to connect.
        std::chrono::milliseconds reconnectInterval{250};
        /// How long a read serves later calls when the server reports no change (a hung server reports none).
        std::chrono::milliseconds readLifetime{1000};
        /// How long a write the server missed is kept to be applied after a reconnection.
        std::chrono::milliseconds pendingWriteLimit{10000};
        /// Writes another connection missed, kept from the start as if this one had missed them.
        std::vector<MissedWrite> missedWrites{};
    };

    /// Connects to the server, waiting at most one request timeout for it to accept.
    AudioHardwarePulse(MainQueue& mainQueue, Options options);
    ~AudioHardwarePulse() override;

    AudioHardwarePulse(const AudioHardwarePulse&) = delete;
    AudioHardwarePulse& operator=(const AudioHardwarePulse&) = delete;

    std::optional<std::uint32_t> defaultOutputDeviceID() override;
    bool hasProperty(std::uint32_t device, AudioDeviceProperty property, std::uint32_t element) override;
    std::optional<std::uint32_t> readMute(std::uint32_t device, std::uint32_t element) override;
    std::optional<float> readVolume(std::uint32_t device, std::uint32_t element) override;
    bool writeMute(std::uint32_t device, std::uint32_t element, std::uint32_t value) override;
    bool writeVolume(std::uint32_t device, std::uint32_t element, float value) override;
    std::vector<AudioOutputPort> outputPorts(std::uint32_t device) override;
    bool selectOutputPort(std::uint32_t device, const std::string& name) override;
    void keepOwnPlaybackOn(std::optional<std::uint32_t> device) override;
    bool hasPendingWrites() override;
    /// The writes still kept to be applied once the server answers, so that another process can take them on.
    std::vector<MissedWrite> missedWrites();
    void setChangeHandler(ChangeHandler handler) override;

    /// Whether a connection to the server is established now.
    bool isConnected() const;
    /// The round trips to the server the calls above have made so far.
    std::uint64_t roundTrips() const;

private:
    class Connection;

    std::optional<std::string> nameOf(std::uint32_t device) const;
    std::uint32_t idOf(const std::string& name);

    std::shared_ptr<Connection> m_connection;
    std::map<std::string, std::uint32_t> m_ids;
    std::vector<std::string> m_names;
};

} // namespace hollerbox
