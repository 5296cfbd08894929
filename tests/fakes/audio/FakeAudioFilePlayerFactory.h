#pragma once

#include "audio/AudioFilePlayer.h"

#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace hollerbox::testing {

/// Opens sounds from a table of known files (unknown paths fail to open) and logs what each player is asked
/// to do, as "open <name>", "volume <name> 1", "play <name>", "stop <name>". A player opened before the last
/// `serverRestarts` increment fails once played, as one whose sound server went away. Safe to use from a
/// worker thread.
class FakeAudioFilePlayerFactory final : public AudioFilePlayerFactory
{
public:
    struct File
    {
        std::optional<double> durationSeconds;
        std::string error;
        /// When set, the duration becomes known only after this many `durationSeconds` calls while playing.
        int durationKnownAfterQueries = 0;
    };

    AudioFilePlayerOpening openFile(const std::string& path) override
    {
        const std::lock_guard lock{m_mutex};
        m_log.push_back("open " + path);
        const auto found = files.find(path);
        if (found == files.end()) {
            return {nullptr, "The file \"" + path + "\" couldn't be opened because there is no such file."};
        }
        if (!found->second.error.empty()) {
            return {nullptr, found->second.error};
        }
        return {std::make_unique<Player>(*this, path, found->second), {}};
    }

    AudioFilePlayerOpening openWavData(std::vector<std::uint8_t> bytes) override
    {
        const std::lock_guard lock{m_mutex};
        const auto name = "wav#" + std::to_string(wavBuffers.size());
        wavBuffers.push_back(bytes);
        m_log.push_back("open " + name);
        if (!wavError.empty()) {
            return {nullptr, wavError};
        }
        const double seconds = bytes.size() > 44 ? static_cast<double>(bytes.size() - 44) / 88200.0 : 0.0;
        return {std::make_unique<Player>(*this, name, File{seconds, {}, 0}), {}};
    }

    std::vector<std::string> log() const
    {
        const std::lock_guard lock{m_mutex};
        return m_log;
    }

    void clearLog()
    {
        const std::lock_guard lock{m_mutex};
        m_log.clear();
    }

    int livePlayers() const { return m_livePlayers.load(); }

    std::map<std::string, File> files;
    std::atomic<int> serverRestarts{0};
    std::string wavError;
    std::vector<std::vector<std::uint8_t>> wavBuffers;

private:
    class Player final : public AudioFilePlayer
    {
    public:
        Player(FakeAudioFilePlayerFactory& factory, std::string name, File file)
            : m_factory(factory), m_name(std::move(name)), m_file(file),
              m_serverRestarts(factory.serverRestarts.load())
        {
            ++m_factory.m_livePlayers;
        }
        ~Player() override { --m_factory.m_livePlayers; }

        std::optional<double> durationSeconds() override
        {
            if (m_file.durationKnownAfterQueries > 0 &&
                (!m_playing || m_queries++ < m_file.durationKnownAfterQueries)) {
                return std::nullopt;
            }
            return m_file.durationSeconds;
        }
        void setVolume(float volume) override
        {
            add("volume " + m_name + " " + std::to_string(static_cast<int>(volume)));
        }
        void play() override
        {
            m_playing = true;
            add("play " + m_name);
        }
        void stop() override
        {
            m_playing = false;
            add("stop " + m_name);
        }
        bool hasFailed() const override
        {
            return m_playing && m_serverRestarts != m_factory.serverRestarts.load();
        }

    private:
        void add(std::string entry)
        {
            const std::lock_guard lock{m_factory.m_mutex};
            m_factory.m_log.push_back(std::move(entry));
        }

        FakeAudioFilePlayerFactory& m_factory;
        std::string m_name;
        File m_file;
        bool m_playing = false;
        int m_queries = 0;
        int m_serverRestarts = 0;
    };

    mutable std::mutex m_mutex;
    std::vector<std::string> m_log;
    std::atomic<int> m_livePlayers{0};
};

} // namespace hollerbox::testing
