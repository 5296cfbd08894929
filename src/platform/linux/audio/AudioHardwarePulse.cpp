#include "AudioHardwarePulse.h"

#include "PulseOutputPortKind.h"

#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <mutex>
#include <pulse/pulseaudio.h>

namespace hollerbox {

namespace {

struct SinkState
{
    std::uint32_t index = PA_INVALID_INDEX;
    bool muted = false;
    pa_cvolume volume{};
    std::vector<AudioOutputPort> ports;
};

float toScalar(pa_volume_t volume)
{
    return static_cast<float>(static_cast<double>(volume) / PA_VOLUME_NORM);
}

pa_volume_t toVolume(float scalar)
{
    if (!(scalar > 0.0f)) {
        return PA_VOLUME_MUTED;
    }
    const auto value = std::llround(static_cast<double>(scalar) * PA_VOLUME_NORM);
    return static_cast<pa_volume_t>(std::min<long long>(value, PA_VOLUME_MAX));
}

/// One request waiting for its answer; filled on the mainloop thread, read by the caller.
template <typename T> struct Pending
{
    std::mutex mutex;
    std::condition_variable answered;
    bool done = false;
    std::optional<T> result;

    void finish(std::optional<T> value)
    {
        const std::lock_guard lock{mutex};
        if (!done) {
            result = std::move(value);
            done = true;
        }
        answered.notify_all();
    }
};

} // namespace

/// The mainloop thread, its context and the reconnection logic. Shared with jobs posted to the main queue so
/// that a late change notification finds it gone rather than dangling.
class AudioHardwarePulse::Connection : public std::enable_shared_from_this<Connection>
{
public:
    Connection(MainQueue& mainQueue, Options options) : m_mainQueue(mainQueue), m_options(std::move(options))
    {
        m_mainloop = pa_threaded_mainloop_new();
        if (!m_mainloop) {
            return;
        }
        pa_threaded_mainloop_set_name(m_mainloop, "hollerbox-pulse");
        Lock lock{*this};
        if (pa_threaded_mainloop_start(m_mainloop) < 0) {
            return;
        }
        connect();
    }

    ~Connection()
    {
        if (!m_mainloop) {
            return;
        }
        pa_threaded_mainloop_stop(m_mainloop);
        cancelReconnect();
        dropContext();
        pa_threaded_mainloop_free(m_mainloop);
    }

    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    /// Waits at most one request timeout for the first connection to be ready.
    void awaitFirstConnection()
    {
        const auto deadline = std::chrono::steady_clock::now() + m_options.requestTimeout;
        std::unique_lock lock{m_stateMutex};
        m_stateChanged.wait_until(lock, deadline, [this] { return m_firstAttemptSettled; });
    }

    bool isReady() const { return m_ready.load(); }

    void setChangeHandler(ChangeHandler handler)
    {
        m_handler = std::move(handler);
        m_hasHandler.store(static_cast<bool>(m_handler));
    }

    std::optional<std::string> defaultSinkName()
    {
        return request<std::string>([](pa_context* context, Pending<std::string>& pending) {
            return pa_context_get_server_info(
                context,
                [](pa_context*, const pa_server_info* info, void* userdata) {
                    auto& waiting = *static_cast<Pending<std::string>*>(userdata);
                    if (info && info->default_sink_name && *info->default_sink_name) {
                        waiting.finish(std::string{info->default_sink_name});
                    } else {
                        waiting.finish(std::nullopt);
                    }
                },
                &pending);
        });
    }

    std::optional<SinkState> sinkByName(const std::string& name)
    {
        return remembered([this, &name] {
            return request<SinkState>([&name](pa_context* context, Pending<SinkState>& pending) {
                return pa_context_get_sink_info_by_name(context, name.c_str(), &Connection::onSinkInfo,
                                                        &pending);
            });
        });
    }

    /// The sink as read in the last `recentSinkWindow` if nothing changed since, else as the server says now.
    std::optional<SinkState> sinkByIndex(std::uint32_t index)
    {
        {
            const std::lock_guard lock{m_recentMutex};
            if (m_recentSink && m_recentSink->index == index &&
                std::chrono::steady_clock::now() - m_recentSinkAt < recentSinkWindow) {
                return m_recentSink;
            }
        }
        return remembered([this, index] {
            return request<SinkState>([index](pa_context* context, Pending<SinkState>& pending) {
                return pa_context_get_sink_info_by_index(context, index, &Connection::onSinkInfo, &pending);
            });
        });
    }

    bool setSinkMute(std::uint32_t index, bool muted)
    {
        forgetRecentSink();
        return request<bool>([index, muted](pa_context* context, Pending<bool>& pending) {
                   return pa_context_set_sink_mute_by_index(context, index, muted ? 1 : 0,
                                                            &Connection::onSuccess, &pending);
               })
            .value_or(false);
    }

    bool setSinkVolume(std::uint32_t index, const pa_cvolume& volume)
    {
        forgetRecentSink();
        return request<bool>([index, &volume](pa_context* context, Pending<bool>& pending) {
                   return pa_context_set_sink_volume_by_index(context, index, &volume, &Connection::onSuccess,
                                                              &pending);
               })
            .value_or(false);
    }

    bool setSinkPort(std::uint32_t index, const std::string& port)
    {
        forgetRecentSink();
        return request<bool>([index, &port](pa_context* context, Pending<bool>& pending) {
                   return pa_context_set_sink_port_by_index(context, index, port.c_str(),
                                                            &Connection::onSuccess, &pending);
               })
            .value_or(false);
    }

private:
    /// How long a sink's answer serves the reads that follow it (one readiness check reads the same sink
    /// five times), unless the server reports a change or the sink is written first.
    static constexpr std::chrono::milliseconds recentSinkWindow{10};

    /// The answer of `fetch`, kept as the recent sink unless the server reported a change meanwhile.
    template <typename Fetch> std::optional<SinkState> remembered(Fetch fetch)
    {
        std::uint64_t generation = 0;
        {
            const std::lock_guard lock{m_recentMutex};
            generation = m_recentGeneration;
        }
        auto sink = fetch();
        const std::lock_guard lock{m_recentMutex};
        if (sink && generation == m_recentGeneration) {
            m_recentSink = sink;
            m_recentSinkAt = std::chrono::steady_clock::now();
        }
        return sink;
    }

    void forgetRecentSink()
    {
        const std::lock_guard lock{m_recentMutex};
        m_recentSink.reset();
        ++m_recentGeneration;
    }

    class Lock
    {
    public:
        explicit Lock(Connection& connection) : m_mainloop(connection.m_mainloop)
        {
            pa_threaded_mainloop_lock(m_mainloop);
        }
        ~Lock() { pa_threaded_mainloop_unlock(m_mainloop); }
        Lock(const Lock&) = delete;
        Lock& operator=(const Lock&) = delete;

    private:
        pa_threaded_mainloop* m_mainloop;
    };

    static void onSinkInfo(pa_context*, const pa_sink_info* info, int eol, void* userdata)
    {
        auto& pending = *static_cast<Pending<SinkState>*>(userdata);
        if (eol != 0 || !info) {
            pending.finish(std::nullopt);
            return;
        }
        SinkState state{info->index, info->mute != 0, info->volume, {}};
        for (std::uint32_t i = 0; i < info->n_ports; ++i) {
            const auto* port = info->ports[i];
            if (!port || !port->name) {
                continue;
            }
#if PA_CHECK_VERSION(14, 0, 0)
            const auto type = port->type;
#else
            const std::uint32_t type = 0;
#endif
            state.ports.push_back({port->name, pulseOutputPortKind(port->name, type),
                                   port->available == PA_PORT_AVAILABLE_NO, port->priority,
                                   port == info->active_port});
        }
        pending.finish(std::move(state));
    }

    static void onSuccess(pa_context*, int success, void* userdata)
    {
        static_cast<Pending<bool>*>(userdata)->finish(success != 0);
    }

    /// Runs one round trip: `start` issues the operation with `pending` as its callback data. The answer,
    /// or none when the server is not connected, refuses, or misses the deadline.
    template <typename T, typename Start> std::optional<T> request(Start start)
    {
        if (!m_mainloop) {
            return std::nullopt;
        }
        Pending<T> pending;
        pa_operation* operation = nullptr;
        {
            Lock lock{*this};
            if (!m_context || pa_context_get_state(m_context) != PA_CONTEXT_READY) {
                return std::nullopt;
            }
            operation = start(m_context, pending);
            if (!operation) {
                return std::nullopt;
            }
        }
        bool answered = false;
        {
            std::unique_lock lock{pending.mutex};
            answered =
                pending.answered.wait_for(lock, m_options.requestTimeout, [&] { return pending.done; });
        }
        {
            Lock lock{*this};
            if (!answered && !pending.done) {
                pa_operation_cancel(operation);
                // A server that does not answer in time is treated as gone until it accepts a new connection.
                if (m_context) {
                    pa_context_disconnect(m_context);
                }
            }
            pa_operation_unref(operation);
        }
        const std::lock_guard lock{pending.mutex};
        return pending.result;
    }

    // The functions below run with the mainloop lock held.

    void connect()
    {
        dropContext();
        pa_proplist* properties = pa_proplist_new();
        pa_proplist_sets(properties, PA_PROP_APPLICATION_NAME, "Hollerbox");
        pa_proplist_sets(properties, PA_PROP_APPLICATION_ID, "org.hollerbox.Hollerbox");
        m_context =
            pa_context_new_with_proplist(pa_threaded_mainloop_get_api(m_mainloop), "Hollerbox", properties);
        pa_proplist_free(properties);
        if (!m_context) {
            scheduleReconnect();
            return;
        }
        pa_context_set_state_callback(m_context, &Connection::onStateChanged, this);
        pa_context_set_subscribe_callback(m_context, &Connection::onServerEvent, this);
        const char* server = m_options.server ? m_options.server->c_str() : nullptr;
        if (pa_context_connect(m_context, server, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) {
            settleFirstAttempt();
            scheduleReconnect();
        }
    }

    void dropContext()
    {
        if (!m_context) {
            return;
        }
        pa_context_set_state_callback(m_context, nullptr, nullptr);
        pa_context_set_subscribe_callback(m_context, nullptr, nullptr);
        pa_context_disconnect(m_context);
        pa_context_unref(m_context);
        m_context = nullptr;
        m_ready.store(false);
        forgetRecentSink();
    }

    static void onStateChanged(pa_context* context, void* userdata)
    {
        auto& self = *static_cast<Connection*>(userdata);
        self.forgetRecentSink();
        switch (pa_context_get_state(context)) {
        case PA_CONTEXT_READY:
            self.m_ready.store(true);
            if (auto* operation =
                    pa_context_subscribe(context,
                                         static_cast<pa_subscription_mask_t>(PA_SUBSCRIPTION_MASK_SINK |
                                                                             PA_SUBSCRIPTION_MASK_SINK_INPUT |
                                                                             PA_SUBSCRIPTION_MASK_SERVER),
                                         nullptr, nullptr)) {
                pa_operation_unref(operation);
            }
            self.settleFirstAttempt();
            self.notifyChange();
            break;
        case PA_CONTEXT_FAILED:
        case PA_CONTEXT_TERMINATED:
            self.m_ready.store(false);
            self.settleFirstAttempt();
            self.scheduleReconnect();
            self.notifyChange();
            break;
        default:
            break;
        }
    }

    static void onServerEvent(pa_context*, pa_subscription_event_type_t, std::uint32_t, void* userdata)
    {
        auto& self = *static_cast<Connection*>(userdata);
        self.forgetRecentSink();
        self.notifyChange();
    }

    void settleFirstAttempt()
    {
        const std::lock_guard lock{m_stateMutex};
        m_firstAttemptSettled = true;
        m_stateChanged.notify_all();
    }

    void scheduleReconnect()
    {
        if (m_reconnectTimer) {
            return;
        }
        timeval when{};
        pa_gettimeofday(&when);
        pa_timeval_add(&when, static_cast<pa_usec_t>(m_options.reconnectInterval.count()) * PA_USEC_PER_MSEC);
        auto* api = pa_threaded_mainloop_get_api(m_mainloop);
        m_reconnectTimer = api->time_new(
            api, &when,
            [](pa_mainloop_api* loop, pa_time_event* event, const timeval*, void* userdata) {
                auto& self = *static_cast<Connection*>(userdata);
                loop->time_free(event);
                self.m_reconnectTimer = nullptr;
                self.connect();
            },
            this);
    }

    void cancelReconnect()
    {
        if (m_reconnectTimer) {
            auto* api = pa_threaded_mainloop_get_api(m_mainloop);
            api->time_free(m_reconnectTimer);
            m_reconnectTimer = nullptr;
        }
    }

    /// Posts one change notification to the main thread unless one is already on its way.
    void notifyChange()
    {
        if (!m_hasHandler.load() || m_notificationPending.exchange(true)) {
            return;
        }
        m_mainQueue.post([weak = weak_from_this()] {
            const auto self = weak.lock();
            if (!self) {
                return;
            }
            self->m_notificationPending.store(false);
            if (self->m_handler) {
                auto handler = self->m_handler;
                handler();
            }
        });
    }

    MainQueue& m_mainQueue;
    Options m_options;
    pa_threaded_mainloop* m_mainloop = nullptr;
    pa_context* m_context = nullptr;
    pa_time_event* m_reconnectTimer = nullptr;
    std::atomic<bool> m_ready{false};
    std::atomic<bool> m_hasHandler{false};
    std::atomic<bool> m_notificationPending{false};
    ChangeHandler m_handler;
    std::mutex m_recentMutex;
    std::optional<SinkState> m_recentSink;
    std::chrono::steady_clock::time_point m_recentSinkAt{};
    std::uint64_t m_recentGeneration = 0;
    std::mutex m_stateMutex;
    std::condition_variable m_stateChanged;
    bool m_firstAttemptSettled = false;
};

AudioHardwarePulse::AudioHardwarePulse(MainQueue& mainQueue, Options options)
    : m_connection(std::make_shared<Connection>(mainQueue, std::move(options)))
{
    m_connection->awaitFirstConnection();
}

AudioHardwarePulse::~AudioHardwarePulse() = default;

bool AudioHardwarePulse::isConnected() const
{
    return m_connection->isReady();
}

std::optional<std::uint32_t> AudioHardwarePulse::defaultOutputDeviceID()
{
    const auto name = m_connection->defaultSinkName();
    if (!name) {
        return std::nullopt;
    }
    const auto sink = m_connection->sinkByName(*name);
    if (!sink || sink->index == PA_INVALID_INDEX) {
        return std::nullopt;
    }
    return sink->index + 1;
}

bool AudioHardwarePulse::hasProperty(std::uint32_t device, AudioDeviceProperty property,
                                     std::uint32_t element)
{
    if (device == 0 || element > 2 || (property == AudioDeviceProperty::mute && element != 0)) {
        return false;
    }
    const auto sink = m_connection->sinkByIndex(device - 1);
    return sink && (element == 0 || element <= sink->volume.channels);
}

std::optional<std::uint32_t> AudioHardwarePulse::readMute(std::uint32_t device, std::uint32_t element)
{
    if (device == 0 || element != 0) {
        return std::nullopt;
    }
    const auto sink = m_connection->sinkByIndex(device - 1);
    if (!sink) {
        return std::nullopt;
    }
    return sink->muted ? 1u : 0u;
}

std::optional<float> AudioHardwarePulse::readVolume(std::uint32_t device, std::uint32_t element)
{
    if (device == 0 || element > 2) {
        return std::nullopt;
    }
    const auto sink = m_connection->sinkByIndex(device - 1);
    if (!sink) {
        return std::nullopt;
    }
    if (element == 0) {
        return toScalar(pa_cvolume_max(&sink->volume));
    }
    if (element > sink->volume.channels) {
        return std::nullopt;
    }
    return toScalar(sink->volume.values[element - 1]);
}

bool AudioHardwarePulse::writeMute(std::uint32_t device, std::uint32_t element, std::uint32_t value)
{
    if (device == 0 || element != 0) {
        return false;
    }
    return m_connection->setSinkMute(device - 1, value != 0);
}

bool AudioHardwarePulse::writeVolume(std::uint32_t device, std::uint32_t element, float value)
{
    if (device == 0 || element > 2) {
        return false;
    }
    const auto sink = m_connection->sinkByIndex(device - 1);
    if (!sink || (element > 0 && element > sink->volume.channels)) {
        return false;
    }
    auto volume = sink->volume;
    if (element == 0) {
        pa_cvolume_set(&volume, volume.channels, toVolume(value));
    } else {
        volume.values[element - 1] = toVolume(value);
    }
    return m_connection->setSinkVolume(device - 1, volume);
}

std::vector<AudioOutputPort> AudioHardwarePulse::outputPorts(std::uint32_t device)
{
    if (device == 0) {
        return {};
    }
    auto sink = m_connection->sinkByIndex(device - 1);
    return sink ? std::move(sink->ports) : std::vector<AudioOutputPort>{};
}

bool AudioHardwarePulse::selectOutputPort(std::uint32_t device, const std::string& name)
{
    return device != 0 && m_connection->setSinkPort(device - 1, name);
}

void AudioHardwarePulse::setChangeHandler(ChangeHandler handler)
{
    m_connection->setChangeHandler(std::move(handler));
}

} // namespace hollerbox
