#pragma once

#include "ServiceProcess.h"

#include <QProcess>
#include <QTemporaryDir>
#include <chrono>
#include <memory>
#include <string>

namespace hollerbox::testing {

/// A private PulseAudio server with one sink (the default), on its own socket, runtime directory and home.
/// Runs without sound hardware or a session bus. Its log is printed when the test fails.
class PulseAudioServer
{
public:
    static constexpr const char* sinkName = "hollerbox_test_sink";
    static constexpr const char* speakerPort = "[Out] Speaker";
    static constexpr const char* headphonesPort = "[Out] Headphones";

    enum class Sink
    {
        /// A null sink without ports.
        null,
        /// The sink of an emulated sound card (umockdev, an ALSA use-case configuration) with a speaker port
        /// and a headphones port, the headphones active at start; its sound goes on in real time to a second
        /// private server's null sink.
        twoPorts
    };

    explicit PulseAudioServer(Sink sink = Sink::null);
    ~PulseAudioServer();

    PulseAudioServer(const PulseAudioServer&) = delete;
    PulseAudioServer& operator=(const PulseAudioServer&) = delete;

    /// Null sinks loaded before the test sink from the next start on, so that it gets another index.
    void setSinksBefore(const QStringList& names);
    /// Whether the test sink is loaded when the server starts, from the next start on (otherwise a test loads
    /// it later, as a server does whose devices come up after it).
    void setTestSinkAtStart(bool loaded);
    /// Makes every sink's volume follow its loudest stream (flat volumes) from the next start on.
    void setFlatVolumes(bool flat);

    /// Starts the server and waits until it answers; false (with the reason logged) otherwise.
    bool start(std::chrono::milliseconds limit = std::chrono::seconds{10});
    /// Stops the server; its socket disappears.
    void stop();
    /// Kills the server at once, as a crash would.
    void kill();
    /// Freezes and thaws the server: while frozen it accepts connections but never answers.
    void freeze();
    void thaw();
    bool isRunning() const;

    /// The address clients connect to ("unix:<runtime>/native").
    std::string serverAddress() const;
    /// The environment a child process needs to reach this server.
    QProcessEnvironment clientEnvironment() const;

    /// Runs `pactl` against this server (bounded); its standard output, or none when it failed.
    std::optional<std::string> pactl(const QStringList& arguments) const;

    /// Starts `pactl` against this server and returns at once, so that the caller's event loop keeps running.
    std::unique_ptr<QProcess> startPactl(const QStringList& arguments) const;
    /// The indexes of the streams playing to the sink.
    std::vector<std::uint32_t> sinkInputs() const;
    /// The index of the sink the stream `input` plays on.
    std::optional<std::uint32_t> sinkOfInput(std::uint32_t input) const;

    /// Sink state as `pactl` reports it.
    struct SinkState
    {
        std::uint32_t index = 0;
        bool muted = false;
        std::vector<double> channelVolumes;
        std::string activePort;
    };
    std::optional<SinkState> sinkState(const char* name = sinkName) const;
    /// Sets the sink's channel volumes (fractions of full volume) and mute through `pactl`.
    bool setSinkVolumes(const std::vector<double>& volumes, const char* name = sinkName) const;
    bool setSinkMute(bool muted, const char* name = sinkName) const;

    /// The server's log so far.
    std::string logs();

private:
    void writeTwoPortCardFiles();
    void writeScript();

    Sink m_sink;
    QStringList m_sinksBefore;
    bool m_testSinkAtStart = true;
    QTemporaryDir m_directory;
    std::unique_ptr<PulseAudioServer> m_backing;
    std::unique_ptr<ServiceProcess> m_process;
};

} // namespace hollerbox::testing
