#include "AudioHardwarePulse.h"

#include "OwnAudioStreams.h"
#include "PulseOutputPortKind.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <pulse/pulseaudio.h>
#include <utility>

namespace hollerbox {

namespace {

using SteadyClock = std::chrono::steady_clock;

struct SinkState
{
    bool muted = false;
    bool flatVolume = false;
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

/// A value read from the server, valid while the generation it was read in lasts, for a bounded time.
template <typename T> struct Remembered
{
    T value{};
    std::uint64_t generation = 0;
    SteadyClock::time_point readAt{};
};

/// A sink's mute and volume as the server last answered for them (a read or an accepted write) on one
/// connection.
struct Confirmed
{
    std::optional<bool> mute;
    std::optional<pa_cvolume> volume;
    std::uint64_t connection = 0;
};

/// The mute and volume last written to a sink that the server has not confirmed yet.
struct PendingWrite
{
    std::optional<bool> mute;
    std::uint64_t muteSerial = 0;
    std::optional<pa_cvolume> volume;
    std::uint64_t volumeSerial = 0;
    SteadyClock::time_point since{};
};

} // namespace

/// The mainloop thread, its context, the reconnection logic, the sinks read since the last change and the
/// writes still to be applied. Shared with jobs posted to the main queue so that a late change notification
/// finds it gone rather than dangling.
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
        for (const auto& missed : std::exchange(m_options.missedWrites, {})) {
            keepMissed(missed);
        }
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
        const auto deadline = SteadyClock::now() + m_options.requestTimeout;
        std::unique_lock lock{m_stateMutex};
        m_stateChanged.wait_until(lock, deadline, [this] { return m_firstAttemptSettled; });
    }

    bool isReady() const { return m_ready.load(); }
    std::uint64_t roundTrips() const { return m_roundTrips; }

    void setChangeHandler(ChangeHandler handler)
    {
        m_handler = std::move(handler);
        m_hasHandler.store(static_cast<bool>(m_handler));
    }

    std::optional<std::string> defaultSinkName()
    {
        const auto generation = m_serverGeneration.load();
        if (m_defaultSinkName && m_defaultSinkName->generation == generation &&
            isRecent(*m_defaultSinkName)) {
            return m_defaultSinkName->value;
        }
        auto name = request<std::string>([](pa_context* context, Pending<std::string>& pending) {
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
        if (name) {
            m_defaultSinkName = Remembered<std::string>{*name, generation, SteadyClock::now()};
        }
        return name;
    }

    std::optional<SinkState> sink(const std::string& name)
    {
        const auto generation = m_sinkGeneration.load();
        if (const auto* known = current(name)) {
            return *known;
        }
        auto state = request<SinkState>([&name](pa_context* context, Pending<SinkState>& pending) {
            return pa_context_get_sink_info_by_name(context, name.c_str(), &Connection::onSinkInfo, &pending);
        });
        if (state) {
            m_sinks[name] = {*state, generation, SteadyClock::now()};
            m_shapes[name] = {*state, m_connectionSerial.load()};
            m_lastVolumes[name] = state->volume;
            confirm(name, state->muted, state->volume);
        }
        return state;
    }

    /// The sink as read since the last change, or as read last on this connection: its channels, ports and
    /// flags do not change with its mute or volume.
    std::optional<SinkState> sinkShape(const std::string& name)
    {
        if (const auto* known = current(name)) {
            return *known;
        }
        const auto found = m_shapes.find(name);
        if (found != m_shapes.end() && found->second.second == m_connectionSerial.load()) {
            return found->second.first;
        }
        return sink(name);
    }

    /// The sink's volume as read since the last change, or as last confirmed on this connection.
    std::optional<pa_cvolume> knownVolume(const std::string& name) const
    {
        if (const auto* known = current(name)) {
            return known->volume;
        }
        const auto* known = confirmed(name);
        return known ? known->volume : std::nullopt;
    }

    /// The sink's volume as last read or written, even on an earlier connection.
    std::optional<pa_cvolume> lastVolume(const std::string& name) const
    {
        const auto found = m_lastVolumes.find(name);
        return found == m_lastVolumes.end() ? std::nullopt : std::optional{found->second};
    }

    bool setSinkMute(const std::string& name, bool muted)
    {
        // A write that changes nothing costs no round trip. What this connection saw last serves even after
        // a change event (most are our own writes): any other change brings a refresh that reads again.
        const auto* known = current(name);
        const auto knownMute = known ? std::optional{known->muted} : mutedAsConfirmed(name);
        if (knownMute == muted) {
            forgetPending(name, &PendingWrite::mute);
            return true;
        }
        const auto connection = m_connectionSerial.load();
        const auto serial = keep(name, [muted](PendingWrite& write, std::uint64_t serial) {
            write.mute = muted;
            write.muteSerial = serial;
        });
        const auto accepted = request<bool>([&name, muted](pa_context* context, Pending<bool>& pending) {
            return pa_context_set_sink_mute_by_name(context, name.c_str(), muted ? 1 : 0,
                                                    &Connection::onSuccess, &pending);
        });
        if (accepted) {
            settle(name, serial, &PendingWrite::mute, &PendingWrite::muteSerial);
        }
        if (accepted == true) {
            updateRemembered(name, [muted](SinkState& state) { state.muted = muted; });
            confirm(name, muted, std::nullopt, connection);
        } else {
            m_confirmed.erase(name);
        }
        return accepted.value_or(false);
    }

    bool setSinkVolume(const std::string& name, const pa_cvolume& volume)
    {
        if (const auto known = knownVolume(name); known && pa_cvolume_equal(&*known, &volume)) {
            forgetPending(name, &PendingWrite::volume);
            return true;
        }
        const auto connection = m_connectionSerial.load();
        const auto serial = keep(name, [&volume](PendingWrite& write, std::uint64_t serial) {
            write.volume = volume;
            write.volumeSerial = serial;
        });
        m_lastVolumes[name] = volume;
        const auto accepted = request<bool>([&name, &volume](pa_context* context, Pending<bool>& pending) {
            return pa_context_set_sink_volume_by_name(context, name.c_str(), &volume, &Connection::onSuccess,
                                                      &pending);
        });
        if (accepted) {
            settle(name, serial, &PendingWrite::volume, &PendingWrite::volumeSerial);
        }
        if (accepted == true) {
            updateRemembered(name, [&volume](SinkState& state) { state.volume = volume; });
            confirm(name, std::nullopt, volume, connection);
        } else {
            m_confirmed.erase(name);
        }
        return accepted.value_or(false);
    }

    bool setSinkPort(const std::string& name, const std::string& port)
    {
        // The new port brings its own mute and volume.
        ++m_sinkGeneration;
        m_confirmed.erase(name);
        return request<bool>([&name, &port](pa_context* context, Pending<bool>& pending) {
                   return pa_context_set_sink_port_by_name(context, name.c_str(), port.c_str(),
                                                           &Connection::onSuccess, &pending);
               })
            .value_or(false);
    }

    bool hasPendingWrites()
    {
        const std::lock_guard lock{m_pendingMutex};
        dropExpiredWrites();
        return !m_pendingWrites.empty();
    }

    std::vector<MissedWrite> missedWrites()
    {
        const std::lock_guard lock{m_pendingMutex};
        dropExpiredWrites();
        std::vector<MissedWrite> writes;
        for (const auto& [name, write] : m_pendingWrites) {
            MissedWrite missed{name, write.mute, {}};
            if (write.volume) {
                missed.channelVolumes.assign(write.volume->values,
                                             write.volume->values + write.volume->channels);
            }
            writes.push_back(std::move(missed));
        }
        return writes;
    }

    void keepOwnPlaybackOn(std::optional<std::string> name)
    {
        if (!m_mainloop) {
            return;
        }
        Lock lock{*this};
        m_playbackSink = std::move(name);
        bringBackOwnStreams(PA_INVALID_INDEX);
    }

private:
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

    /// The sink as read since the server last reported a change, or null.
    const SinkState* current(const std::string& name) const
    {
        const auto found = m_sinks.find(name);
        return found != m_sinks.end() && found->second.generation == m_sinkGeneration.load() &&
                       isRecent(found->second)
                   ? &found->second.value
                   : nullptr;
    }

    /// A server that hangs sends no change: what was read is trusted for a bounded time only.
    template <typename T> bool isRecent(const Remembered<T>& remembered) const
    {
        return SteadyClock::now() - remembered.readAt < m_options.readLifetime;
    }

    const Confirmed* confirmed(const std::string& name) const
    {
        const auto found = m_confirmed.find(name);
        return found != m_confirmed.end() && found->second.connection == m_connectionSerial.load()
                   ? &found->second
                   : nullptr;
    }

    std::optional<bool> mutedAsConfirmed(const std::string& name) const
    {
        const auto* known = confirmed(name);
        return known ? known->mute : std::nullopt;
    }

    void confirm(const std::string& name, std::optional<bool> muted, std::optional<pa_cvolume> volume,
                 std::optional<std::uint64_t> connection = std::nullopt)
    {
        const auto serial = connection.value_or(m_connectionSerial.load());
        auto& known = m_confirmed[name];
        if (known.connection != serial) {
            known = Confirmed{{}, {}, serial};
        }
        if (muted) {
            known.mute = muted;
        }
        if (volume) {
            known.volume = volume;
        }
    }

    /// A write that would change nothing replaces a pending one.
    template <typename T> void forgetPending(const std::string& name, std::optional<T> PendingWrite::*value)
    {
        const std::lock_guard lock{m_pendingMutex};
        const auto found = m_pendingWrites.find(name);
        if (found != m_pendingWrites.end()) {
            (found->second.*value).reset();
            if (!found->second.mute && !found->second.volume) {
                m_pendingWrites.erase(found);
            }
        }
    }

    /// Our own write keeps the sink remembered (with the written value) until the server reports it.
    template <typename Change> void updateRemembered(const std::string& name, Change change)
    {
        const auto found = m_sinks.find(name);
        if (found != m_sinks.end()) {
            change(found->second.value);
        }
    }

    /// Records a write as pending until the server confirms it; its serial.
    template <typename Change> std::uint64_t keep(const std::string& name, Change change)
    {
        const std::lock_guard lock{m_pendingMutex};
        auto& write = m_pendingWrites[name];
        write.since = SteadyClock::now();
        const auto serial = ++m_writeSerial;
        change(write, serial);
        return serial;
    }

    /// Keeps a write another connection missed; one with a volume that is no valid channel volume keeps its
    /// mute alone.
    void keepMissed(const MissedWrite& missed)
    {
        std::optional<pa_cvolume> volume;
        const auto& values = missed.channelVolumes;
        if (!values.empty() && values.size() <= PA_CHANNELS_MAX &&
            std::all_of(values.begin(), values.end(),
                        [](std::uint32_t value) { return value <= PA_VOLUME_MAX; })) {
            volume.emplace();
            pa_cvolume_init(&*volume);
            volume->channels = static_cast<std::uint8_t>(values.size());
            std::copy(values.begin(), values.end(), volume->values);
        }
        if (missed.sinkName.empty() || (!missed.mute && !volume)) {
            return;
        }
        keep(missed.sinkName, [&](PendingWrite& write, std::uint64_t serial) {
            write.mute = missed.mute;
            write.muteSerial = serial;
            write.volume = volume;
            write.volumeSerial = serial;
        });
    }

    /// Forgets a pending value once the server has answered for it, unless a later write replaced it.
    template <typename T>
    void settle(const std::string& name, std::uint64_t serial, std::optional<T> PendingWrite::*value,
                std::uint64_t PendingWrite::*valueSerial)
    {
        const std::lock_guard lock{m_pendingMutex};
        const auto found = m_pendingWrites.find(name);
        if (found == m_pendingWrites.end() || found->second.*valueSerial != serial) {
            return;
        }
        (found->second.*value).reset();
        if (!found->second.mute && !found->second.volume) {
            m_pendingWrites.erase(found);
        }
    }

    void dropExpiredWrites()
    {
        const auto now = SteadyClock::now();
        std::erase_if(m_pendingWrites, [&](const auto& entry) {
            return now - entry.second.since > m_options.pendingWriteLimit;
        });
    }

    static void onSinkInfo(pa_context*, const pa_sink_info* info, int eol, void* userdata)
    {
        auto& pending = *static_cast<Pending<SinkState>*>(userdata);
        if (eol != 0 || !info) {
            pending.finish(std::nullopt);
            return;
        }
        SinkState state{info->mute != 0, (info->flags & PA_SINK_FLAT_VOLUME) != 0, info->volume, {}};
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

    /// A sink that is not there (unplugged, or not yet back) leaves a write unanswered rather than refused, so
    /// that it is kept for when the sink appears.
    static void onSuccess(pa_context* context, int success, void* userdata)
    {
        auto& pending = *static_cast<Pending<bool>*>(userdata);
        if (success == 0 && pa_context_errno(context) == PA_ERR_NOENTITY) {
            pending.finish(std::nullopt);
        } else {
            pending.finish(success != 0);
        }
    }

    /// Runs one round trip: `start` issues the operation with `pending` as its callback data. The answer,
    /// or none when the server is not connected or misses the deadline.
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
        ++m_roundTrips;
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
        pa_proplist_sets(properties, PA_PROP_APPLICATION_NAME, OwnAudioStreams::applicationName);
        pa_proplist_sets(properties, PA_PROP_APPLICATION_ID, OwnAudioStreams::applicationID);
        m_context = pa_context_new_with_proplist(pa_threaded_mainloop_get_api(m_mainloop),
                                                 OwnAudioStreams::applicationName, properties);
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
        forgetEverythingRead();
        if (!m_context) {
            return;
        }
        pa_context_set_state_callback(m_context, nullptr, nullptr);
        pa_context_set_subscribe_callback(m_context, nullptr, nullptr);
        pa_context_disconnect(m_context);
        pa_context_unref(m_context);
        m_context = nullptr;
        m_ready.store(false);
    }

    void forgetEverythingRead()
    {
        ++m_sinkGeneration;
        ++m_serverGeneration;
    }

    static void onStateChanged(pa_context* context, void* userdata)
    {
        auto& self = *static_cast<Connection*>(userdata);
        self.forgetEverythingRead();
        ++self.m_connectionSerial;
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
            self.applyPendingWrites();
            self.bringBackOwnStreams(PA_INVALID_INDEX);
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

    static void onServerEvent(pa_context*, pa_subscription_event_type_t type, std::uint32_t index,
                              void* userdata)
    {
        auto& self = *static_cast<Connection*>(userdata);
        switch (type & PA_SUBSCRIPTION_EVENT_FACILITY_MASK) {
        case PA_SUBSCRIPTION_EVENT_SINK:
            ++self.m_sinkGeneration;
            if ((type & PA_SUBSCRIPTION_EVENT_TYPE_MASK) == PA_SUBSCRIPTION_EVENT_NEW) {
                // A write refused for want of its sink (one that comes up after the server) lands now.
                self.applyPendingWrites();
            }
            break;
        case PA_SUBSCRIPTION_EVENT_SINK_INPUT:
            if ((type & PA_SUBSCRIPTION_EVENT_TYPE_MASK) != PA_SUBSCRIPTION_EVENT_REMOVE) {
                self.bringBackOwnStreams(index);
            }
            break;
        default:
            self.forgetEverythingRead();
            break;
        }
        self.notifyChange();
    }

    /// Sends the writes the server missed, each as it stands when it is sent; an answer settles it.
    void applyPendingWrites()
    {
        const std::lock_guard lock{m_pendingMutex};
        dropExpiredWrites();
        for (const auto& entry : m_pendingWrites) {
            const std::string& name = entry.first;
            const auto& write = entry.second;
            if (write.mute) {
                sendPendingWrite(name, write.muteSerial, true, [&](pa_context_success_cb_t done, void* data) {
                    return pa_context_set_sink_mute_by_name(m_context, name.c_str(), *write.mute ? 1 : 0,
                                                            done, data);
                });
            }
            if (write.volume) {
                sendPendingWrite(name, write.volumeSerial, false,
                                 [&](pa_context_success_cb_t done, void* data) {
                                     return pa_context_set_sink_volume_by_name(m_context, name.c_str(),
                                                                               &*write.volume, done, data);
                                 });
            }
        }
    }

    struct PendingAnswer
    {
        std::weak_ptr<Connection> connection;
        std::string name;
        std::uint64_t serial = 0;
        bool mute = false;
    };

    template <typename Send>
    void sendPendingWrite(const std::string& name, std::uint64_t serial, bool mute, Send send)
    {
        auto* answer = new PendingAnswer{weak_from_this(), name, serial, mute};
        auto* operation = send(
            [](pa_context*, int success, void* userdata) {
                const std::unique_ptr<PendingAnswer> answer{static_cast<PendingAnswer*>(userdata)};
                if (const auto self = answer->connection.lock(); self && success != 0) {
                    if (answer->mute) {
                        self->settle(answer->name, answer->serial, &PendingWrite::mute,
                                     &PendingWrite::muteSerial);
                    } else {
                        self->settle(answer->name, answer->serial, &PendingWrite::volume,
                                     &PendingWrite::volumeSerial);
                    }
                }
            },
            answer);
        if (operation) {
            pa_operation_unref(operation);
        } else {
            delete answer;
        }
    }

    /// Moves this program's streams (the one at `index`, or all of them for PA_INVALID_INDEX) back to the
    /// sink it plays on. Moving a stream to the sink it is on does nothing.
    void bringBackOwnStreams(std::uint32_t index)
    {
        if (!m_playbackSink || !m_context || pa_context_get_state(m_context) != PA_CONTEXT_READY) {
            return;
        }
        const auto onInfo = [](pa_context* context, const pa_sink_input_info* info, int eol, void* userdata) {
            auto& self = *static_cast<Connection*>(userdata);
            if (eol != 0 || !info || !self.m_playbackSink) {
                return;
            }
            const char* application = pa_proplist_gets(info->proplist, PA_PROP_APPLICATION_ID);
            if (application && std::strcmp(application, OwnAudioStreams::applicationID) == 0) {
                if (auto* operation = pa_context_move_sink_input_by_name(
                        context, info->index, self.m_playbackSink->c_str(), nullptr, nullptr)) {
                    pa_operation_unref(operation);
                }
            }
        };
        auto* operation = index == PA_INVALID_INDEX
                              ? pa_context_get_sink_input_info_list(m_context, onInfo, this)
                              : pa_context_get_sink_input_info(m_context, index, onInfo, this);
        if (operation) {
            pa_operation_unref(operation);
        }
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
    std::mutex m_stateMutex;
    std::condition_variable m_stateChanged;
    bool m_firstAttemptSettled = false;
    // Read on the main thread; the generations move on the mainloop thread whenever the server reports a
    // change, which makes what was read before stale.
    std::atomic<std::uint64_t> m_sinkGeneration{1};
    std::atomic<std::uint64_t> m_serverGeneration{1};
    std::optional<Remembered<std::string>> m_defaultSinkName;
    std::map<std::string, Remembered<SinkState>> m_sinks;
    std::map<std::string, pa_cvolume> m_lastVolumes;
    std::map<std::string, Confirmed> m_confirmed;
    std::map<std::string, std::pair<SinkState, std::uint64_t>> m_shapes;
    std::atomic<std::uint64_t> m_connectionSerial{1};
    std::uint64_t m_roundTrips = 0;
    // Shared with the mainloop thread.
    std::mutex m_pendingMutex;
    std::map<std::string, PendingWrite> m_pendingWrites;
    std::uint64_t m_writeSerial = 0;
    // Mainloop lock.
    std::optional<std::string> m_playbackSink;
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

std::uint64_t AudioHardwarePulse::roundTrips() const
{
    return m_connection->roundTrips();
}

std::optional<std::string> AudioHardwarePulse::nameOf(std::uint32_t device) const
{
    if (device == 0 || device > m_names.size()) {
        return std::nullopt;
    }
    return m_names[device - 1];
}

std::uint32_t AudioHardwarePulse::idOf(const std::string& name)
{
    const auto [found, added] = m_ids.try_emplace(name, static_cast<std::uint32_t>(m_names.size() + 1));
    if (added) {
        m_names.push_back(name);
    }
    return found->second;
}

std::optional<std::uint32_t> AudioHardwarePulse::defaultOutputDeviceID()
{
    const auto name = m_connection->defaultSinkName();
    if (!name || !m_connection->sink(*name)) {
        return std::nullopt;
    }
    return idOf(*name);
}

bool AudioHardwarePulse::hasProperty(std::uint32_t device, AudioDeviceProperty property,
                                     std::uint32_t element)
{
    const auto name = nameOf(device);
    if (!name || (property != AudioDeviceProperty::volume && element != 0) || element > PA_CHANNELS_MAX) {
        return false;
    }
    const auto sink = m_connection->sinkShape(*name);
    if (!sink) {
        return false;
    }
    switch (property) {
    case AudioDeviceProperty::mute:
        return true;
    case AudioDeviceProperty::volume:
        return element <= sink->volume.channels;
    case AudioDeviceProperty::volumeFollowsStreams:
        return sink->flatVolume;
    }
    return false;
}

std::optional<std::uint32_t> AudioHardwarePulse::readMute(std::uint32_t device, std::uint32_t element)
{
    const auto name = nameOf(device);
    const auto sink = name && element == 0 ? m_connection->sink(*name) : std::nullopt;
    if (!sink) {
        return std::nullopt;
    }
    return sink->muted ? 1u : 0u;
}

std::optional<float> AudioHardwarePulse::readVolume(std::uint32_t device, std::uint32_t element)
{
    const auto name = nameOf(device);
    const auto sink = name ? m_connection->sink(*name) : std::nullopt;
    if (!sink || element > sink->volume.channels) {
        return std::nullopt;
    }
    return toScalar(element == 0 ? pa_cvolume_max(&sink->volume) : sink->volume.values[element - 1]);
}

bool AudioHardwarePulse::writeMute(std::uint32_t device, std::uint32_t element, std::uint32_t value)
{
    const auto name = nameOf(device);
    return name && element == 0 && m_connection->setSinkMute(*name, value != 0);
}

bool AudioHardwarePulse::writeVolume(std::uint32_t device, std::uint32_t element, float value)
{
    const auto name = nameOf(device);
    if (!name) {
        return false;
    }
    // Setting every channel needs only their number, and a sink the server does not show now gets the write
    // composed on its last known volume (kept until it is back).
    auto volume = m_connection->knownVolume(*name);
    if (!volume && element > 0) {
        if (const auto sink = m_connection->sink(*name)) {
            volume = sink->volume;
        }
    }
    if (!volume) {
        volume = m_connection->lastVolume(*name);
    }
    if (!volume || element > volume->channels) {
        return false;
    }
    if (element == 0) {
        pa_cvolume_set(&*volume, volume->channels, toVolume(value));
    } else {
        volume->values[element - 1] = toVolume(value);
    }
    return m_connection->setSinkVolume(*name, *volume);
}

std::vector<AudioOutputPort> AudioHardwarePulse::outputPorts(std::uint32_t device)
{
    const auto name = nameOf(device);
    auto sink = name ? m_connection->sink(*name) : std::nullopt;
    return sink ? std::move(sink->ports) : std::vector<AudioOutputPort>{};
}

bool AudioHardwarePulse::selectOutputPort(std::uint32_t device, const std::string& name)
{
    const auto sinkName = nameOf(device);
    return sinkName && m_connection->setSinkPort(*sinkName, name);
}

void AudioHardwarePulse::keepOwnPlaybackOn(std::optional<std::uint32_t> device)
{
    m_connection->keepOwnPlaybackOn(device ? nameOf(*device) : std::nullopt);
}

bool AudioHardwarePulse::hasPendingWrites()
{
    return m_connection->hasPendingWrites();
}

std::vector<AudioHardwarePulse::MissedWrite> AudioHardwarePulse::missedWrites()
{
    return m_connection->missedWrites();
}

void AudioHardwarePulse::setChangeHandler(ChangeHandler handler)
{
    m_connection->setChangeHandler(std::move(handler));
}

} // namespace hollerbox
