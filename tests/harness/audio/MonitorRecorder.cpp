#include "MonitorRecorder.h"

#include "WaitFor.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace hollerbox::testing {

MonitorRecorder::MonitorRecorder(std::string serverAddress, std::string sinkName)
    : m_serverAddress(std::move(serverAddress)), m_sinkName(std::move(sinkName))
{}

MonitorRecorder::~MonitorRecorder()
{
    stop();
}

bool MonitorRecorder::start(std::chrono::milliseconds limit)
{
    stop();
    const bool started =
        m_parec.start({"parec", "--server=" + m_serverAddress, "--device=" + m_sinkName + ".monitor", "--raw",
                       "--format=s16le", "--rate=44100", "--channels=2", "--latency-msec=10"},
                      [this, carry = std::string{}](std::string_view bytes, TimePoint arrivedAt) mutable {
                          carry.append(bytes);
                          const auto usable = carry.size() / 4 * 4;
                          std::vector<std::int16_t> samples(usable / 2);
                          std::memcpy(samples.data(), carry.data(), usable);
                          carry.erase(0, usable);
                          const std::lock_guard lock{m_mutex};
                          m_blocks.push_back({arrivedAt, m_samples.size() / 2});
                          m_samples.insert(m_samples.end(), samples.begin(), samples.end());
                      });
    return started && waitFor([this] { return frameCount() > 0; }, limit);
}

void MonitorRecorder::stop()
{
    m_parec.stop();
}

std::size_t MonitorRecorder::frameCount() const
{
    const std::lock_guard lock{m_mutex};
    return m_samples.size() / 2;
}

std::size_t MonitorRecorder::frameAt(TimePoint time) const
{
    const std::lock_guard lock{m_mutex};
    for (const auto& block : m_blocks) {
        if (block.arrivedAt >= time) {
            return block.firstFrame;
        }
    }
    return m_samples.size() / 2;
}

double MonitorRecorder::rms(std::size_t from, std::size_t to) const
{
    const std::lock_guard lock{m_mutex};
    to = std::min(to, m_samples.size() / 2);
    if (from >= to) {
        return 0.0;
    }
    double sum = 0.0;
    for (auto i = from * 2; i < to * 2; ++i) {
        const double value = m_samples[i] / 32768.0;
        sum += value * value;
    }
    return std::sqrt(sum / static_cast<double>((to - from) * 2));
}

double MonitorRecorder::peak(std::size_t from, std::size_t to) const
{
    const std::lock_guard lock{m_mutex};
    to = std::min(to, m_samples.size() / 2);
    double largest = 0.0;
    for (auto i = from * 2; i < to * 2; ++i) {
        largest = std::max(largest, std::abs(m_samples[i] / 32768.0));
    }
    return largest;
}

std::optional<MonitorRecorder::TimePoint> MonitorRecorder::firstAudibleAt(std::size_t from,
                                                                          double threshold) const
{
    const std::lock_guard lock{m_mutex};
    const auto limit = static_cast<int>(threshold * 32768.0);
    for (std::size_t b = 0; b < m_blocks.size(); ++b) {
        const auto begin = std::max(m_blocks[b].firstFrame, from);
        const auto end = b + 1 < m_blocks.size() ? m_blocks[b + 1].firstFrame : m_samples.size() / 2;
        for (auto i = begin * 2; i < end * 2; ++i) {
            if (std::abs(static_cast<int>(m_samples[i])) > limit) {
                return m_blocks[b].arrivedAt;
            }
        }
    }
    return std::nullopt;
}

double MonitorRecorder::longestQuietRunMs(std::size_t from, std::size_t to, double threshold) const
{
    const std::lock_guard lock{m_mutex};
    to = std::min(to, m_samples.size() / 2);
    const auto limit = static_cast<int>(threshold * 32768.0);
    std::size_t longest = 0;
    std::size_t run = 0;
    for (auto frame = from; frame < to; ++frame) {
        const bool quiet = std::abs(static_cast<int>(m_samples[frame * 2])) < limit ||
                           std::abs(static_cast<int>(m_samples[frame * 2 + 1])) < limit;
        run = quiet ? run + 1 : 0;
        longest = std::max(longest, run);
    }
    return static_cast<double>(longest) * 1000.0 / sampleRate;
}

std::vector<double> MonitorRecorder::windowedRms(std::size_t from, int windowMs) const
{
    const auto window = static_cast<std::size_t>(sampleRate) * static_cast<std::size_t>(windowMs) / 1000;
    std::vector<double> values;
    const auto total = frameCount();
    for (auto start = from; start + window <= total; start += window) {
        values.push_back(rms(start, start + window));
    }
    return values;
}

} // namespace hollerbox::testing
