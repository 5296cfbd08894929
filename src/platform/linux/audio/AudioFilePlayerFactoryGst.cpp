#include "AudioFilePlayerFactoryGst.h"

#include "GstControlThread.h"
#include "OwnAudioStreams.h"
#include "SoundFileDecoderSndfile.h"
#include "linux/support/FileDescriptor.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <condition_variable>
#include <gst/gst.h>
#include <mutex>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace hollerbox {

namespace {

constexpr unsigned kPlayFlagAudio = 1u << 1;
constexpr auto kStateChangeMargin = std::chrono::milliseconds{500};

bool initialiseGStreamer(std::string& error)
{
    static std::once_flag once;
    static bool initialised = false;
    static std::string failure;
    std::call_once(once, [] {
        GError* gerror = nullptr;
        initialised = gst_init_check(nullptr, nullptr, &gerror);
        if (!initialised) {
            failure = gerror ? gerror->message : "GStreamer could not be initialised.";
            g_clear_error(&gerror);
        }
    });
    error = failure;
    return initialised;
}

/// One playbin with its pulsesink. Built, changed and destroyed on the control thread only.
struct Pipeline
{
    GstElement* playbin = nullptr;
    GstElement* sink = nullptr;
    FileDescriptor memory;
    std::atomic<bool> playing{false};
    std::atomic<bool> failed{false};
    std::atomic<float> volume{1.0f};
    std::vector<gulong> handlers;

    Pipeline() = default;
    Pipeline(const Pipeline&) = delete;
    Pipeline& operator=(const Pipeline&) = delete;

    ~Pipeline()
    {
        for (const auto handler : handlers) {
            g_signal_handler_disconnect(sink, handler);
        }
        if (playbin) {
            gst_element_set_state(playbin, GST_STATE_NULL);
            GstBus* bus = gst_element_get_bus(playbin);
            gst_bus_set_sync_handler(bus, nullptr, nullptr, nullptr);
            gst_object_unref(bus);
            gst_object_unref(playbin);
        }
        if (sink) {
            gst_object_unref(sink);
        }
    }

    /// Puts the stream back to the player's volume and unmuted if anything else changed it.
    void enforceStreamVolume()
    {
        if (!playing.load() || !sink) {
            return;
        }
        gdouble current = 1.0;
        gboolean muted = FALSE;
        g_object_get(sink, "volume", &current, "mute", &muted, nullptr);
        const double target = volume.load();
        if (muted || std::fabs(current - target) > 0.001) {
            g_object_set(playbin, "volume", target, "mute", FALSE, nullptr);
        }
    }
};

/// Notes errors of an opened pipeline and keeps no message.
GstBusSyncReply noteErrors(GstBus*, GstMessage* message, gpointer data)
{
    if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_ERROR) {
        static_cast<Pipeline*>(data)->failed.store(true);
    }
    return GST_BUS_DROP;
}

struct HandlerData
{
    std::weak_ptr<Pipeline> pipeline;
    std::shared_ptr<GstControlThread> mailbox;
};

void onStreamChanged(GObject*, GParamSpec*, gpointer userdata)
{
    const auto& data = *static_cast<HandlerData*>(userdata);
    data.mailbox->post([weak = data.pipeline] {
        if (const auto pipeline = weak.lock()) {
            pipeline->enforceStreamVolume();
        }
    });
}

/// The outcome of one open, shared by the caller, who may stop waiting, and the control thread.
struct OpenState
{
    std::mutex mutex;
    std::condition_variable settled;
    bool done = false;
    bool abandoned = false;
    std::shared_ptr<Pipeline> pipeline;
    std::optional<double> duration;
    std::string error;
};

std::optional<double> queryDuration(GstElement* playbin)
{
    gint64 nanoseconds = 0;
    if (gst_element_query_duration(playbin, GST_FORMAT_TIME, &nanoseconds) && nanoseconds > 0) {
        return static_cast<double>(nanoseconds) / GST_SECOND;
    }
    return std::nullopt;
}

std::string takeError(GstMessage* message)
{
    GError* error = nullptr;
    gchar* debug = nullptr;
    gst_message_parse_error(message, &error, &debug);
    std::string text = error && error->message ? error->message : "Unknown playback error.";
    g_clear_error(&error);
    g_free(debug);
    return text;
}

class PlayerGst final : public AudioFilePlayer
{
public:
    PlayerGst(std::shared_ptr<Pipeline> pipeline, std::shared_ptr<GstControlThread> mailbox,
              std::optional<double> duration)
        : m_pipeline(std::move(pipeline)), m_mailbox(std::move(mailbox)), m_duration(duration)
    {}

    ~PlayerGst() override
    {
        m_pipeline->playing.store(false);
        auto pipeline = std::move(m_pipeline);
        m_mailbox->post([pipeline = std::move(pipeline)]() mutable { pipeline.reset(); });
    }

    std::optional<double> durationSeconds() override
    {
        if (!m_duration) {
            m_duration = queryDuration(m_pipeline->playbin);
        }
        return m_duration;
    }

    void setVolume(float volume) override
    {
        const float clamped = std::isfinite(volume) ? std::clamp(volume, 0.0f, 1.0f) : 0.0f;
        m_pipeline->volume.store(clamped);
        m_mailbox->post([pipeline = m_pipeline, clamped] {
            g_object_set(pipeline->playbin, "volume", static_cast<gdouble>(clamped), "mute", FALSE, nullptr);
        });
    }

    void play() override
    {
        m_pipeline->playing.store(true);
        m_mailbox->post([pipeline = m_pipeline] {
            gst_element_set_state(pipeline->playbin, GST_STATE_PLAYING);
            pipeline->enforceStreamVolume();
        });
    }

    bool hasFailed() const override { return m_pipeline->failed.load(); }

    void stop() override
    {
        m_pipeline->playing.store(false);
        m_mailbox->post(
            [pipeline = m_pipeline] { gst_element_set_state(pipeline->playbin, GST_STATE_NULL); });
    }

private:
    std::shared_ptr<Pipeline> m_pipeline;
    std::shared_ptr<GstControlThread> m_mailbox;
    std::optional<double> m_duration;
};

} // namespace

AudioFilePlayerFactoryGst::AudioFilePlayerFactoryGst(Options options)
    : m_options(std::move(options)), m_control(std::make_shared<GstControlThread>())
{
    std::string error;
    initialiseGStreamer(error);
}

AudioFilePlayerFactoryGst::~AudioFilePlayerFactoryGst()
{
    m_control->shutdown();
}

AudioFilePlayerOpening AudioFilePlayerFactoryGst::openFile(const std::string& path)
{
    if (path.empty() || path.front() != '/') {
        return {nullptr, "The file path is not absolute."};
    }
    // A pipe or a device would block the reader for as long as nobody writes to it.
    struct stat status
    {};
    if (::stat(path.c_str(), &status) == 0 && !S_ISREG(status.st_mode) && !S_ISDIR(status.st_mode)) {
        return {nullptr, "The file is not a regular file."};
    }
    if (SoundFileDecoderSndfile::isDecodedHere(path)) {
        auto decoding = SoundFileDecoderSndfile::decodeToWav(path);
        if (decoding.wav.empty()) {
            return {nullptr, decoding.error};
        }
        return openWavData(std::move(decoding.wav));
    }
    gchar* uri = gst_filename_to_uri(path.c_str(), nullptr);
    if (!uri) {
        return {nullptr, "The file path cannot be used."};
    }
    auto opening = openUri(uri, -1);
    g_free(uri);
    return opening;
}

AudioFilePlayerOpening AudioFilePlayerFactoryGst::openWavData(std::vector<std::uint8_t> bytes)
{
    FileDescriptor memory{::memfd_create("hollerbox-sound", MFD_CLOEXEC)};
    if (!memory.isValid()) {
        return {nullptr, "No memory for the sound."};
    }
    std::size_t written = 0;
    while (written < bytes.size()) {
        const auto count = ::write(memory.get(), bytes.data() + written, bytes.size() - written);
        if (count <= 0) {
            return {nullptr, "No memory for the sound."};
        }
        written += static_cast<std::size_t>(count);
    }
    const auto uri = "file:///proc/self/fd/" + std::to_string(memory.get());
    return openUri(uri, memory.release());
}

AudioFilePlayerOpening AudioFilePlayerFactoryGst::openUri(const std::string& uri, int memoryFd)
{
    FileDescriptor memory{memoryFd};
    std::string initError;
    if (!initialiseGStreamer(initError)) {
        return {nullptr, initError};
    }
    auto state = std::make_shared<OpenState>();
    const auto mailbox = m_control;
    const auto timeout = m_options.prerollTimeout;
    const auto server = m_options.server;
    auto memoryShared = std::make_shared<FileDescriptor>(std::move(memory));
    const bool posted = mailbox->post([state, mailbox, uri, timeout, server, memoryShared] {
        auto pipeline = std::make_shared<Pipeline>();
        pipeline->memory = std::move(*memoryShared);
        std::string error;
        std::optional<double> duration;
        pipeline->playbin = gst_element_factory_make("playbin", nullptr);
        pipeline->sink = gst_element_factory_make("pulsesink", nullptr);
        GstElement* videoSink = gst_element_factory_make("fakesink", nullptr);
        if (!pipeline->playbin || !pipeline->sink || !videoSink) {
            error = "The GStreamer playbin or pulsesink element is not installed.";
            if (videoSink) {
                gst_object_unref(videoSink);
            }
        } else {
            gst_object_ref_sink(pipeline->playbin);
            gst_object_ref_sink(pipeline->sink);
            GstStructure* properties = gst_structure_new(
                "properties", "application.id", G_TYPE_STRING, OwnAudioStreams::applicationID,
                "application.name", G_TYPE_STRING, OwnAudioStreams::applicationName, nullptr);
            // A synchronised sink would hold a prepared sound back for as long as it waited paused: the sound
            // server paces a single stream anyway.
            g_object_set(pipeline->sink, "client-name", OwnAudioStreams::applicationName, "stream-properties",
                         properties, "sync", FALSE, nullptr);
            gst_structure_free(properties);
            if (server) {
                g_object_set(pipeline->sink, "server", server->c_str(), nullptr);
            }
            g_object_set(pipeline->playbin, "uri", uri.c_str(), "audio-sink", pipeline->sink, "video-sink",
                         videoSink, "flags", kPlayFlagAudio, "volume", 1.0, "mute", FALSE, nullptr);
            for (const auto* signal : {"notify::volume", "notify::mute"}) {
                pipeline->handlers.push_back(g_signal_connect_data(
                    pipeline->sink, signal, G_CALLBACK(onStreamChanged), new HandlerData{pipeline, mailbox},
                    [](gpointer data, GClosure*) { delete static_cast<HandlerData*>(data); },
                    GConnectFlags{}));
            }
            GstBus* bus = gst_element_get_bus(pipeline->playbin);
            const auto change = gst_element_set_state(pipeline->playbin, GST_STATE_PAUSED);
            const auto wait =
                change == GST_STATE_CHANGE_FAILURE
                    ? 0
                    : static_cast<GstClockTime>(
                          std::chrono::duration_cast<std::chrono::nanoseconds>(timeout).count());
            GstMessage* message = gst_bus_timed_pop_filtered(
                bus, wait, static_cast<GstMessageType>(GST_MESSAGE_ERROR | GST_MESSAGE_ASYNC_DONE));
            if (message && GST_MESSAGE_TYPE(message) == GST_MESSAGE_ERROR) {
                error = takeError(message);
            } else if (!message) {
                error = change == GST_STATE_CHANGE_FAILURE ? "The sound could not be prepared."
                                                           : "The sound could not be prepared in time.";
            } else {
                gint audioStreams = 0;
                g_object_get(pipeline->playbin, "n-audio", &audioStreams, nullptr);
                if (audioStreams <= 0) {
                    error = "The file contains no audio.";
                }
                duration = queryDuration(pipeline->playbin);
            }
            if (message) {
                gst_message_unref(message);
            }
            gst_bus_set_sync_handler(bus, noteErrors, pipeline.get(), nullptr);
            gst_bus_set_flushing(bus, TRUE);
            gst_bus_set_flushing(bus, FALSE);
            gst_object_unref(bus);
        }
        std::unique_lock lock{state->mutex};
        if (state->abandoned || !error.empty()) {
            lock.unlock();
            pipeline.reset();
            lock.lock();
        } else {
            state->pipeline = std::move(pipeline);
        }
        state->error = error;
        state->duration = duration;
        state->done = true;
        state->settled.notify_all();
    });
    if (!posted) {
        return {nullptr, "The sound player has shut down."};
    }
    std::unique_lock lock{state->mutex};
    if (!state->settled.wait_for(lock, timeout + kStateChangeMargin, [&] { return state->done; })) {
        state->abandoned = true;
        return {nullptr, "The sound could not be prepared in time."};
    }
    if (!state->pipeline) {
        return {nullptr, state->error.empty() ? "The sound could not be prepared." : state->error};
    }
    return {std::make_unique<PlayerGst>(std::move(state->pipeline), mailbox, state->duration), {}};
}

} // namespace hollerbox
