#include "engine/mixer_pulse.h"

#include <algorithm>
#include <type_traits>

#include "messages/message_table.h"

namespace sonthra {

namespace {

// After a failed connection attempt, calls within this pause fail at once.
constexpr std::chrono::seconds kRetryPause{5};

ChannelSide sideOf(pa_channel_position_t position) {
    switch (position) {
        case PA_CHANNEL_POSITION_FRONT_LEFT:
        case PA_CHANNEL_POSITION_REAR_LEFT:
        case PA_CHANNEL_POSITION_FRONT_LEFT_OF_CENTER:
        case PA_CHANNEL_POSITION_SIDE_LEFT:
        case PA_CHANNEL_POSITION_TOP_FRONT_LEFT:
        case PA_CHANNEL_POSITION_TOP_REAR_LEFT:
            return ChannelSide::Left;
        case PA_CHANNEL_POSITION_FRONT_RIGHT:
        case PA_CHANNEL_POSITION_REAR_RIGHT:
        case PA_CHANNEL_POSITION_FRONT_RIGHT_OF_CENTER:
        case PA_CHANNEL_POSITION_SIDE_RIGHT:
        case PA_CHANNEL_POSITION_TOP_FRONT_RIGHT:
        case PA_CHANNEL_POSITION_TOP_REAR_RIGHT:
            return ChannelSide::Right;
        default:
            return ChannelSide::Middle;
    }
}

bool isMicrophonePort(std::uint32_t type) {
    return type == PA_DEVICE_PORT_TYPE_MIC || type == PA_DEVICE_PORT_TYPE_HEADSET ||
           type == PA_DEVICE_PORT_TYPE_HANDSET;
}

template <typename Info>
MixerDevice fromInfo(const Info& info) {
    MixerDevice d;
    d.index = info.index;
    d.name = info.name ? info.name : "";
    d.description = info.description ? info.description : d.name;
    const unsigned channels = std::min<unsigned>(info.volume.channels, PA_CHANNELS_MAX);
    for (unsigned i = 0; i < channels; ++i) {
        d.volumes.push_back(info.volume.values[i]);
        d.sides.push_back(i < info.channel_map.channels ? sideOf(info.channel_map.map[i])
                                                        : ChannelSide::Middle);
    }
    for (std::uint32_t i = 0; info.ports && i < info.n_ports && info.ports[i]; ++i) {
        const auto* port = info.ports[i];
        d.ports.push_back({port->name ? port->name : "", port->description ? port->description : "",
                           isMicrophonePort(port->type)});
    }
    if (info.active_port && info.active_port->name) d.activePort = info.active_port->name;
    return d;
}

struct DeviceQuery {
    std::vector<MixerDevice> devices;
    bool failed = false;
    bool missing = false;
};

template <typename Info>
void collect(pa_context* c, const Info* info, int eol, void* userdata) {
    auto* q = static_cast<DeviceQuery*>(userdata);
    if (eol < 0) {
        if (pa_context_errno(c) == PA_ERR_NOENTITY)
            q->missing = true;
        else
            q->failed = true;
        return;
    }
    if (eol > 0 || info == nullptr) return;
    // An exception must not unwind through the client library's C frames.
    try {
        if constexpr (std::is_same_v<Info, pa_sink_info>)
            q->devices.push_back(PulseClient::fromSink(*info));
        else
            q->devices.push_back(PulseClient::fromSource(*info));
    } catch (...) {
        q->failed = true;
    }
}

void onSuccess(pa_context*, int success, void* userdata) {
    *static_cast<int*>(userdata) = success;
}

void onOperationState(pa_operation*, void* loop) {
    pa_threaded_mainloop_signal(static_cast<pa_threaded_mainloop*>(loop), 0);
}

struct Deadline {
    pa_threaded_mainloop* loop;
    bool expired = false;
};

void onDeadline(pa_mainloop_api*, pa_time_event*, const struct timeval*, void* userdata) {
    auto* d = static_cast<Deadline*>(userdata);
    d->expired = true;
    pa_threaded_mainloop_signal(d->loop, 0);
}

pa_cvolume toCvolume(const std::vector<std::uint32_t>& volumes) {
    pa_cvolume v;
    pa_cvolume_init(&v);
    v.channels = static_cast<std::uint8_t>(std::min<std::size_t>(volumes.size(), PA_CHANNELS_MAX));
    for (unsigned i = 0; i < v.channels; ++i)
        v.values[i] = std::min<std::uint32_t>(volumes[i], PA_VOLUME_MAX);
    return v;
}

}  // namespace

MixerDevice PulseClient::fromSink(const pa_sink_info& info) {
    return fromInfo(info);
}

MixerDevice PulseClient::fromSource(const pa_source_info& info) {
    MixerDevice d = fromInfo(info);
    d.monitor = info.monitor_of_sink != PA_INVALID_INDEX;
    return d;
}

PulseClient::PulseClient(std::chrono::milliseconds timeout) : m_timeout(timeout) {
    m_loop = pa_threaded_mainloop_new();
    if (m_loop && pa_threaded_mainloop_start(m_loop) < 0) {
        pa_threaded_mainloop_free(m_loop);
        m_loop = nullptr;
    }
}

PulseClient::~PulseClient() {
    shutdown();
}

void PulseClient::shutdown() {
    if (!m_loop) return;
    lock();
    dropContext();
    unlock();
    pa_threaded_mainloop_stop(m_loop);
    pa_threaded_mainloop_free(m_loop);
    m_loop = nullptr;
}

void PulseClient::lock() {
    if (m_loop) pa_threaded_mainloop_lock(m_loop);
}

void PulseClient::unlock() {
    if (m_loop) pa_threaded_mainloop_unlock(m_loop);
}

void PulseClient::dropContext() {
    if (!m_context) return;
    pa_context_set_state_callback(m_context, nullptr, nullptr);
    pa_context_set_subscribe_callback(m_context, nullptr, nullptr);
    pa_context_disconnect(m_context);
    pa_context_unref(m_context);
    m_context = nullptr;
}

void PulseClient::onContextState(pa_context*, void* self) {
    pa_threaded_mainloop_signal(static_cast<PulseClient*>(self)->m_loop, 0);
}

void PulseClient::onEvent(pa_context*, pa_subscription_event_type_t t, std::uint32_t index,
                          void* self) {
    auto* client = static_cast<PulseClient*>(self);
    if (client->m_handler) client->m_handler(t, index);
}

bool PulseClient::connect() {
    if (!m_loop) return false;
    if (m_context) {
        if (pa_context_get_state(m_context) == PA_CONTEXT_READY) return true;
        dropContext();  // the server went away; start afresh
    }
    const auto now = std::chrono::steady_clock::now();
    if (m_lastFailure && now - *m_lastFailure < kRetryPause) return false;

    m_context = pa_context_new(pa_threaded_mainloop_get_api(m_loop), kProductCaption);
    if (!m_context) {
        m_lastFailure = now;
        return false;
    }
    pa_context_set_state_callback(m_context, &PulseClient::onContextState, this);
    bool ready = false;
    m_unanswered = false;
    if (pa_context_connect(m_context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) >= 0) {
        // A server that accepts the connection but never answers must not hang the program.
        Deadline deadline{m_loop};
        pa_time_event* timer = pa_context_rttime_new(
            m_context, pa_rtclock_now() + m_timeout.count() * PA_USEC_PER_MSEC, &onDeadline,
            &deadline);
        for (;;) {
            const pa_context_state_t state = pa_context_get_state(m_context);
            if (state == PA_CONTEXT_READY) {
                ready = true;
                break;
            }
            if (!PA_CONTEXT_IS_GOOD(state)) break;
            if (deadline.expired) {
                m_unanswered = true;
                break;
            }
            pa_threaded_mainloop_wait(m_loop);
        }
        if (timer) pa_threaded_mainloop_get_api(m_loop)->time_free(timer);
    }
    if (!ready) {
        dropContext();
        m_lastFailure = std::chrono::steady_clock::now();
        return false;
    }
    m_lastFailure.reset();
    pa_context_set_subscribe_callback(m_context, &PulseClient::onEvent, this);
    if (m_subscribed) subscribe();
    return true;
}

bool SoundServerIsSilent(std::chrono::milliseconds timeout) {
    PulseClient client(timeout);
    PulseLock lock(client);
    return !client.connect() && client.lastAttemptUnanswered();
}

pa_context* PulseClient::context() {
    return m_context && pa_context_get_state(m_context) == PA_CONTEXT_READY ? m_context : nullptr;
}

void PulseClient::setEventHandler(EventHandler handler) {
    m_handler = std::move(handler);
}

void PulseClient::subscribe() {
    m_subscribed = true;
    pa_context* c = context();
    if (!c) return;
    const auto mask = static_cast<pa_subscription_mask_t>(
        PA_SUBSCRIPTION_MASK_SINK | PA_SUBSCRIPTION_MASK_SOURCE | PA_SUBSCRIPTION_MASK_SERVER);
    // Nobody waits for the answer: events simply start to arrive.
    if (pa_operation* op = pa_context_subscribe(c, mask, nullptr, nullptr)) pa_operation_unref(op);
}

bool PulseClient::wait(pa_operation* op) {
    if (!op) return false;
    pa_operation_set_state_callback(op, &onOperationState, m_loop);
    Deadline deadline{m_loop};
    pa_time_event* timer = pa_context_rttime_new(
        m_context, pa_rtclock_now() + m_timeout.count() * PA_USEC_PER_MSEC, &onDeadline, &deadline);
    while (pa_operation_get_state(op) == PA_OPERATION_RUNNING && !deadline.expired)
        pa_threaded_mainloop_wait(m_loop);
    const bool done = pa_operation_get_state(op) == PA_OPERATION_DONE;
    // Cancelling drops the reply callback, whose data lives on the caller's stack.
    if (!done) pa_operation_cancel(op);
    pa_operation_set_state_callback(op, nullptr, nullptr);
    pa_operation_unref(op);
    if (timer) pa_threaded_mainloop_get_api(m_loop)->time_free(timer);
    return done;
}

bool PulseClient::waitForSuccess(pa_operation* op, const int& success) {
    return wait(op) && success != 0;
}

template <typename Info, typename List>
bool PulseClient::deviceList(List list, std::vector<MixerDevice>* out) {
    pa_context* c = context();
    if (!c) return false;
    DeviceQuery q;
    if (!wait(list(c, &collect<Info>, &q)) || q.failed) return false;
    *out = std::move(q.devices);
    return true;
}

bool PulseClient::sinks(std::vector<MixerDevice>* out) {
    return deviceList<pa_sink_info>(&pa_context_get_sink_info_list, out);
}

bool PulseClient::sources(std::vector<MixerDevice>* out) {
    return deviceList<pa_source_info>(&pa_context_get_source_info_list, out);
}

template <typename Info, typename Lookup>
bool PulseClient::deviceByName(Lookup lookup, const std::string& name,
                               std::optional<MixerDevice>* out) {
    pa_context* c = context();
    if (!c) return false;
    DeviceQuery q;
    if (!wait(lookup(c, name.c_str(), &collect<Info>, &q)) || q.failed) return false;
    out->reset();
    if (!q.devices.empty()) *out = std::move(q.devices.front());
    return true;
}

bool PulseClient::sinkByName(const std::string& name, std::optional<MixerDevice>* out) {
    return deviceByName<pa_sink_info>(&pa_context_get_sink_info_by_name, name, out);
}

bool PulseClient::sourceByName(const std::string& name, std::optional<MixerDevice>* out) {
    return deviceByName<pa_source_info>(&pa_context_get_source_info_by_name, name, out);
}

namespace {

struct ServerNames {
    std::string sink;
    std::string source;
    bool answered = false;
};

void onServerInfo(pa_context*, const pa_server_info* info, void* userdata) {
    auto* names = static_cast<ServerNames*>(userdata);
    if (!info) return;
    try {
        names->sink = info->default_sink_name ? info->default_sink_name : "";
        names->source = info->default_source_name ? info->default_source_name : "";
        names->answered = true;
    } catch (...) {
        names->answered = false;
    }
}

}  // namespace

bool PulseClient::defaultNames(std::string* sink, std::string* source) {
    pa_context* c = context();
    if (!c) return false;
    ServerNames names;
    if (!wait(pa_context_get_server_info(c, &onServerInfo, &names)) || !names.answered)
        return false;
    if (sink) *sink = names.sink;
    if (source) *source = names.source;
    return true;
}

bool PulseClient::setSinkVolume(const std::string& name,
                                const std::vector<std::uint32_t>& volumes) {
    pa_context* c = context();
    if (!c) return false;
    const pa_cvolume v = toCvolume(volumes);
    int success = 0;
    return waitForSuccess(
        pa_context_set_sink_volume_by_name(c, name.c_str(), &v, &onSuccess, &success), success);
}

bool PulseClient::setSourceVolume(const std::string& name,
                                  const std::vector<std::uint32_t>& volumes) {
    pa_context* c = context();
    if (!c) return false;
    const pa_cvolume v = toCvolume(volumes);
    int success = 0;
    return waitForSuccess(
        pa_context_set_source_volume_by_name(c, name.c_str(), &v, &onSuccess, &success), success);
}

bool PulseClient::setDefaultSource(const std::string& name) {
    pa_context* c = context();
    if (!c) return false;
    int success = 0;
    return waitForSuccess(pa_context_set_default_source(c, name.c_str(), &onSuccess, &success),
                          success);
}

bool PulseClient::setSourcePort(const std::string& name, const std::string& port) {
    pa_context* c = context();
    if (!c) return false;
    int success = 0;
    return waitForSuccess(
        pa_context_set_source_port_by_name(c, name.c_str(), port.c_str(), &onSuccess, &success),
        success);
}

}  // namespace sonthra
