#include "engine/mixer.h"

#include <algorithm>
#include <new>
#include <optional>

#include "engine/mixer_notifier.h"
#include "engine/mixer_pulse.h"

namespace sonthra {

namespace {

template <typename F>
int guarded(F&& body) {
    try {
        return body();
    } catch (const std::bad_alloc&) {
        return kMixerNoMemory;
    } catch (...) {
        return kMixerRequestFailed;
    }
}

bool validIndex(int index, std::size_t size) {
    return index >= 0 && static_cast<std::size_t>(index) < size;
}

}  // namespace

// Everything below the notifier is guarded by the client's lock: public calls take it, and the
// loop thread holds it while it runs the event handler and the reply callbacks.
class ROZadEro::Impl {
public:
    explicit Impl(std::chrono::milliseconds timeout) : m_client(timeout) {
        m_client.setEventHandler([this](pa_subscription_event_type_t type, std::uint32_t index) {
            onEvent(type, index);
        });
    }

    ~Impl() {
        m_client.shutdown();
        m_notifier.stop();
    }

    MixerNotifier m_notifier;
    PulseClient m_client;

    std::vector<MixerDevice> m_inputDevices;
    std::vector<MixerDevice> m_outputDevices;
    bool m_inputsListed = false;
    bool m_outputsListed = false;
    std::optional<std::string> m_inputDevice;
    std::optional<std::string> m_outputDevice;
    std::vector<MixerSourceEntry> m_sources;
    bool m_sourcesListed = false;

    // What the last look at the server showed, so that only real changes are reported.
    bool m_watching = false;
    std::uint32_t m_sinkIndex = PA_INVALID_INDEX;
    std::vector<std::uint32_t> m_outputVolumes;
    std::string m_defaultSource;
    std::uint32_t m_defaultSourceIndex = PA_INVALID_INDEX;
    std::string m_defaultSourcePort;
    std::vector<std::uint32_t> m_inputVolumes;

    // Connects when needed; a fresh connection re-reads what the notifications compare with.
    bool connected() {
        const bool fresh = m_client.context() == nullptr;
        if (!m_client.connect()) return false;
        if (fresh) refreshWatch();
        return true;
    }

    void refreshWatch() {
        std::string source;
        if (m_client.defaultNames(nullptr, &source)) rememberDefaultSource(source);
        if (m_outputDevice) {
            std::optional<MixerDevice> sink;
            if (m_client.sinkByName(*m_outputDevice, &sink) && sink) {
                m_sinkIndex = sink->index;
                m_outputVolumes = sink->volumes;
            }
        }
    }

    void rememberDefaultSource(const std::string& name) {
        m_defaultSource = name;
        m_defaultSourceIndex = PA_INVALID_INDEX;
        m_defaultSourcePort.clear();
        m_inputVolumes.clear();
        std::optional<MixerDevice> device;
        if (m_client.sourceByName(name, &device) && device) rememberSourceState(*device);
    }

    void rememberSourceState(const MixerDevice& device) {
        m_defaultSourceIndex = device.index;
        m_defaultSourcePort = device.activePort;
        m_inputVolumes = device.volumes;
    }

    bool listInputs() {
        std::vector<MixerDevice> all;
        if (!m_client.sources(&all)) return false;
        m_inputDevices.clear();
        for (MixerDevice& d : all)
            if (!d.monitor) m_inputDevices.push_back(d);
        // A machine without a microphone can still record what it plays.
        if (m_inputDevices.empty()) m_inputDevices = std::move(all);
        m_inputsListed = true;
        return true;
    }

    bool listOutputs() {
        if (!m_client.sinks(&m_outputDevices)) return false;
        m_outputsListed = true;
        return true;
    }

    int listSources() {
        std::optional<MixerDevice> device;
        if (!m_client.sourceByName(*m_inputDevice, &device)) return kMixerRequestFailed;
        if (!device) return kMixerInputDeviceGone;
        std::vector<MixerDevice> all;
        if (!m_client.sources(&all)) return kMixerRequestFailed;
        m_sources = BuildInputSources(*device, all);
        m_sourcesListed = true;
        return 0;
    }

    // Checks that shared by the source calls: a device, a server, and the source list.
    int prepareSources() {
        if (!m_inputDevice) return kMixerNoInputSelected;
        if (!connected()) return kMixerInputUnreachable;
        return m_sourcesListed ? 0 : listSources();
    }

    // The source being recorded, fresh from the server.
    int recordingSource(std::optional<MixerDevice>* out) {
        if (!m_inputDevice) return kMixerNoInputSelected;
        if (!connected()) return kMixerInputUnreachable;
        std::string name;
        if (!m_client.defaultNames(nullptr, &name)) return kMixerRequestFailed;
        if (!m_client.sourceByName(name, out)) return kMixerRequestFailed;
        return *out ? 0 : kMixerInputDeviceGone;
    }

    int playbackSink(std::optional<MixerDevice>* out) {
        if (!m_outputDevice) return kMixerNoOutputSelected;
        if (!connected()) return kMixerOutputUnreachable;
        if (!m_client.sinkByName(*m_outputDevice, out)) return kMixerRequestFailed;
        return *out ? 0 : kMixerOutputDeviceGone;
    }

    // The server's notifications, on its loop thread. Each change is looked up without waiting
    // and compared with what was seen last.
    void onEvent(pa_subscription_event_type_t type, std::uint32_t index) {
        if (!m_watching) return;
        if ((type & PA_SUBSCRIPTION_EVENT_TYPE_MASK) != PA_SUBSCRIPTION_EVENT_CHANGE) return;
        pa_context* c = m_client.context();
        if (!c) return;
        pa_operation* op = nullptr;
        switch (type & PA_SUBSCRIPTION_EVENT_FACILITY_MASK) {
            case PA_SUBSCRIPTION_EVENT_SINK:
                if (m_outputDevice && index == m_sinkIndex)
                    op = pa_context_get_sink_info_by_index(c, index, &Impl::onSinkInfo, this);
                break;
            case PA_SUBSCRIPTION_EVENT_SOURCE:
                if (index == m_defaultSourceIndex)
                    op = pa_context_get_source_info_by_index(c, index, &Impl::onSourceInfo, this);
                break;
            case PA_SUBSCRIPTION_EVENT_SERVER:
                op = pa_context_get_server_info(c, &Impl::onServerInfo, this);
                break;
            default:
                break;
        }
        if (op) pa_operation_unref(op);
    }

    static void onSinkInfo(pa_context*, const pa_sink_info* info, int eol, void* self) {
        if (eol != 0 || !info) return;
        auto* impl = static_cast<Impl*>(self);
        try {
            const MixerDevice sink = PulseClient::fromSink(*info);
            if (!impl->m_outputDevice || sink.name != *impl->m_outputDevice) return;
            if (sink.volumes == impl->m_outputVolumes) return;
            impl->m_outputVolumes = sink.volumes;
            impl->m_notifier.post(kMixerOutputVolumeChanged, 0, 0);
        } catch (...) {
        }
    }

    static void onSourceInfo(pa_context*, const pa_source_info* info, int eol, void* self) {
        if (eol != 0 || !info) return;
        auto* impl = static_cast<Impl*>(self);
        try {
            const MixerDevice source = PulseClient::fromSource(*info);
            if (source.name != impl->m_defaultSource) return;
            const bool portChanged = source.activePort != impl->m_defaultSourcePort;
            const bool volumeChanged = source.volumes != impl->m_inputVolumes;
            impl->rememberSourceState(source);
            if (portChanged) impl->postSourceChange();
            if (volumeChanged) impl->m_notifier.post(kMixerInputVolumeChanged, 0, 0);
        } catch (...) {
        }
    }

    static void onServerInfo(pa_context* c, const pa_server_info* info, void* self) {
        if (!info || !info->default_source_name) return;
        auto* impl = static_cast<Impl*>(self);
        try {
            if (impl->m_defaultSource == info->default_source_name) return;
            impl->m_defaultSource = info->default_source_name;
            impl->m_defaultSourceIndex = PA_INVALID_INDEX;
            if (pa_operation* op = pa_context_get_source_info_by_name(
                    c, info->default_source_name, &Impl::onNewDefaultSource, impl))
                pa_operation_unref(op);
        } catch (...) {
        }
    }

    static void onNewDefaultSource(pa_context*, const pa_source_info* info, int eol, void* self) {
        auto* impl = static_cast<Impl*>(self);
        if (eol < 0) {
            impl->postSourceChange();  // gone again already: the index says "not in the list"
            return;
        }
        if (eol != 0 || !info) return;
        try {
            const MixerDevice source = PulseClient::fromSource(*info);
            if (source.name != impl->m_defaultSource) return;
            impl->rememberSourceState(source);
            impl->postSourceChange();
        } catch (...) {
        }
    }

    void postSourceChange() {
        const int index = FindSourceIndex(m_sources, m_defaultSource, m_defaultSourcePort);
        m_notifier.post(kMixerSourceChanged, 0, index);
    }
};

ROZadEro::ROZadEro(std::chrono::milliseconds timeout) : m_impl(std::make_unique<Impl>(timeout)) {}

ROZadEro::~ROZadEro() = default;

int ROZadEro::SetCVMixCallbackWindow(MixerCallbackWindow window) {
    return guarded([&] {
        m_impl->m_notifier.setWindow(std::move(window));
        return 0;
    });
}

int ROZadEro::CreateCVMixCallbackThread() {
    return guarded([&] {
        m_impl->m_notifier.start();
        PulseLock lock(m_impl->m_client);
        m_impl->m_watching = true;
        // Subscribing is remembered, so a server that comes later still gets watched.
        m_impl->m_client.subscribe();
        if (!m_impl->connected()) return kMixerServerUnreachable;
        m_impl->refreshWatch();
        return 0;
    });
}

int ROZadEro::GetNumberOfInputDevices() {
    try {
        PulseLock lock(m_impl->m_client);
        if (!m_impl->connected() || !m_impl->listInputs()) return 0;
        return static_cast<int>(m_impl->m_inputDevices.size());
    } catch (...) {
        return 0;
    }
}

int ROZadEro::GetNumberOfOutputDevices() {
    try {
        PulseLock lock(m_impl->m_client);
        if (!m_impl->connected() || !m_impl->listOutputs()) return 0;
        return static_cast<int>(m_impl->m_outputDevices.size());
    } catch (...) {
        return 0;
    }
}

int ROZadEro::GetInputDeviceDescription(int index, std::string* text) {
    return guarded([&] {
        if (!text) return kMixerInputDescriptionFailed;
        PulseLock lock(m_impl->m_client);
        if (!m_impl->m_inputsListed && (!m_impl->connected() || !m_impl->listInputs()))
            return kMixerInputDescriptionFailed;
        if (!validIndex(index, m_impl->m_inputDevices.size())) return kMixerInvalidInputIndex;
        *text = m_impl->m_inputDevices[index].description;
        return 0;
    });
}

int ROZadEro::GetOutputDeviceDescription(int index, std::string* text) {
    return guarded([&] {
        if (!text) return kMixerOutputDescriptionFailed;
        PulseLock lock(m_impl->m_client);
        if (!m_impl->m_outputsListed && (!m_impl->connected() || !m_impl->listOutputs()))
            return kMixerOutputDescriptionFailed;
        if (!validIndex(index, m_impl->m_outputDevices.size())) return kMixerInvalidOutputIndex;
        *text = m_impl->m_outputDevices[index].description;
        return 0;
    });
}

namespace {

int indexOfName(const std::vector<MixerDevice>& devices, const std::string& name) {
    for (std::size_t i = 0; i < devices.size(); ++i)
        if (devices[i].name == name) return static_cast<int>(i);
    return 0;
}

}  // namespace

int ROZadEro::GetPreferredInputDeviceIndex(int* index) {
    return guarded([&] {
        if (!index) return kMixerRequestFailed;
        PulseLock lock(m_impl->m_client);
        if (!m_impl->connected()) return kMixerInputUnreachable;
        std::string source;
        if (!m_impl->m_client.defaultNames(nullptr, &source)) return kMixerRequestFailed;
        if (!m_impl->m_inputsListed && !m_impl->listInputs()) return kMixerRequestFailed;
        if (m_impl->m_inputDevices.empty()) return kMixerInvalidInputIndex;
        *index = indexOfName(m_impl->m_inputDevices, source);
        return 0;
    });
}

int ROZadEro::GetPreferredOutputDeviceIndex(int* index) {
    return guarded([&] {
        if (!index) return kMixerRequestFailed;
        PulseLock lock(m_impl->m_client);
        if (!m_impl->connected()) return kMixerOutputUnreachable;
        std::string sink;
        if (!m_impl->m_client.defaultNames(&sink, nullptr)) return kMixerRequestFailed;
        if (!m_impl->m_outputsListed && !m_impl->listOutputs()) return kMixerRequestFailed;
        if (m_impl->m_outputDevices.empty()) return kMixerInvalidOutputIndex;
        *index = indexOfName(m_impl->m_outputDevices, sink);
        return 0;
    });
}

int ROZadEro::SelectInputDevice(int index) {
    return guarded([&] {
        PulseLock lock(m_impl->m_client);
        if (!m_impl->connected()) return kMixerInputUnreachable;
        if (!m_impl->m_inputsListed && !m_impl->listInputs()) return kMixerRequestFailed;
        if (!validIndex(index, m_impl->m_inputDevices.size())) return kMixerInvalidInputIndex;
        const std::string name = m_impl->m_inputDevices[index].name;
        std::optional<MixerDevice> device;
        if (!m_impl->m_client.sourceByName(name, &device)) return kMixerRequestFailed;
        if (!device) return kMixerInputDeviceGone;
        m_impl->m_inputDevice = name;
        m_impl->m_sources.clear();
        m_impl->m_sourcesListed = false;
        return 0;
    });
}

int ROZadEro::SelectOutputDevice(int index) {
    return guarded([&] {
        PulseLock lock(m_impl->m_client);
        if (!m_impl->connected()) return kMixerOutputUnreachable;
        if (!m_impl->m_outputsListed && !m_impl->listOutputs()) return kMixerRequestFailed;
        if (!validIndex(index, m_impl->m_outputDevices.size())) return kMixerInvalidOutputIndex;
        const std::string name = m_impl->m_outputDevices[index].name;
        std::optional<MixerDevice> sink;
        if (!m_impl->m_client.sinkByName(name, &sink)) return kMixerRequestFailed;
        if (!sink) return kMixerOutputDeviceGone;
        m_impl->m_outputDevice = name;
        m_impl->m_sinkIndex = sink->index;
        m_impl->m_outputVolumes = sink->volumes;
        return 0;
    });
}

int ROZadEro::DeselectInputDevice() {
    PulseLock lock(m_impl->m_client);
    m_impl->m_inputDevice.reset();
    m_impl->m_sources.clear();
    m_impl->m_sourcesListed = false;
    return 0;
}

int ROZadEro::DeselectOutputDevice() {
    PulseLock lock(m_impl->m_client);
    m_impl->m_outputDevice.reset();
    m_impl->m_sinkIndex = PA_INVALID_INDEX;
    m_impl->m_outputVolumes.clear();
    return 0;
}

int ROZadEro::GetNumberOfInputSources(int* count) {
    return guarded([&] {
        if (!count) return kMixerRequestFailed;
        PulseLock lock(m_impl->m_client);
        if (!m_impl->m_inputDevice) return kMixerNoInputSelected;
        if (!m_impl->connected()) return kMixerInputUnreachable;
        if (const int r = m_impl->listSources()) return r;
        *count = static_cast<int>(m_impl->m_sources.size());
        return 0;
    });
}

int ROZadEro::GetInputSourceDescription(int index, char (&text)[kSourceDescriptionSize]) {
    text[0] = '\0';
    return guarded([&] {
        PulseLock lock(m_impl->m_client);
        if (const int r = m_impl->prepareSources()) return r;
        if (!validIndex(index, m_impl->m_sources.size())) return kMixerInvalidInputIndex;
        CopySourceDescription(m_impl->m_sources[index].description, text);
        return 0;
    });
}

int ROZadEro::GetMicrophoneSourceIndex(int* index) {
    return guarded([&] {
        if (!index) return kMixerRequestFailed;
        PulseLock lock(m_impl->m_client);
        if (const int r = m_impl->prepareSources()) return r;
        // The source recording now is the fallback when no entry looks like a microphone.
        std::string current, port;
        std::optional<MixerDevice> device;
        if (m_impl->m_client.defaultNames(nullptr, &current) &&
            m_impl->m_client.sourceByName(current, &device) && device)
            port = device->activePort;
        *index = FindMicrophoneSource(m_impl->m_sources, current, port);
        return 0;
    });
}

int ROZadEro::SelectInputSource(int index) {
    return guarded([&] {
        PulseLock lock(m_impl->m_client);
        if (const int r = m_impl->prepareSources()) return r;
        if (!validIndex(index, m_impl->m_sources.size())) return kMixerInvalidInputIndex;
        const MixerSourceEntry entry = m_impl->m_sources[index];
        std::optional<MixerDevice> device;
        if (!m_impl->m_client.sourceByName(entry.source, &device)) return kMixerRequestFailed;
        if (!device) return kMixerInputDeviceGone;
        // Our own choice is not news for the callback window: what the notifications compare
        // with changes first, because the server's events may arrive while we wait below.
        m_impl->m_defaultSource = entry.source;
        m_impl->rememberSourceState(*device);
        if (!entry.port.empty()) m_impl->m_defaultSourcePort = entry.port;
        const bool done = (entry.port.empty() || device->activePort == entry.port ||
                           m_impl->m_client.setSourcePort(entry.source, entry.port)) &&
                          m_impl->m_client.setDefaultSource(entry.source);
        if (!done) {
            m_impl->refreshWatch();
            return kMixerRequestFailed;
        }
        return 0;
    });
}

bool ROZadEro::IsCurrentInputSourceSelected(int index) {
    try {
        PulseLock lock(m_impl->m_client);
        if (m_impl->prepareSources() != 0) return false;
        if (!validIndex(index, m_impl->m_sources.size())) return false;
        const MixerSourceEntry& entry = m_impl->m_sources[index];
        std::string current;
        if (!m_impl->m_client.defaultNames(nullptr, &current) || current != entry.source)
            return false;
        if (entry.port.empty()) return true;
        std::optional<MixerDevice> device;
        return m_impl->m_client.sourceByName(current, &device) && device &&
               device->activePort == entry.port;
    } catch (...) {
        return false;
    }
}

int ROZadEro::GetOutputVolumeBounds(std::uint32_t* lower, std::uint32_t* upper) {
    PulseLock lock(m_impl->m_client);
    if (!m_impl->m_outputDevice) return kMixerOutputBoundsFailed;
    if (lower) *lower = PA_VOLUME_MUTED;
    if (upper) *upper = PA_VOLUME_NORM;
    return 0;
}

int ROZadEro::GetInputVolumeBounds(std::uint32_t* lower, std::uint32_t* upper) {
    PulseLock lock(m_impl->m_client);
    if (!m_impl->m_inputDevice) return kMixerInputBoundsFailed;
    if (lower) *lower = PA_VOLUME_MUTED;
    if (upper) *upper = PA_VOLUME_NORM;
    return 0;
}

int ROZadEro::GetCurrentOutputVolSetting(unsigned channels, std::uint32_t* values) {
    return guarded([&] {
        if (!values) return kMixerRequestFailed;
        PulseLock lock(m_impl->m_client);
        std::optional<MixerDevice> sink;
        if (const int r = m_impl->playbackSink(&sink)) return r;
        const auto read = ReadChannelValues(*sink, channels, PA_VOLUME_NORM, true);
        if (!read) return kMixerNoSuchControl;
        std::copy(read->begin(), read->end(), values);
        return 0;
    });
}

int ROZadEro::SetCurrentOutputVolSetting(unsigned channels, const std::uint32_t* values) {
    return guarded([&] {
        if (!values) return kMixerRequestFailed;
        PulseLock lock(m_impl->m_client);
        std::optional<MixerDevice> sink;
        if (const int r = m_impl->playbackSink(&sink)) return r;
        const auto volumes = WriteChannelValues(*sink, channels, values, PA_VOLUME_NORM, true);
        if (!volumes) return kMixerNoSuchControl;
        // Noted before the request, because the server's event may arrive while we wait.
        m_impl->m_outputVolumes = *volumes;
        if (!m_impl->m_client.setSinkVolume(sink->name, *volumes)) {
            m_impl->m_outputVolumes = sink->volumes;
            return kMixerRequestFailed;
        }
        return 0;
    });
}

int ROZadEro::GetCurrentInputVolSetting(unsigned channels, std::uint32_t* values) {
    return guarded([&] {
        if (!values) return kMixerRequestFailed;
        PulseLock lock(m_impl->m_client);
        std::optional<MixerDevice> source;
        if (const int r = m_impl->recordingSource(&source)) return r;
        const auto read = ReadChannelValues(*source, channels, PA_VOLUME_NORM, false);
        if (!read) return kMixerNoSuchControl;
        std::copy(read->begin(), read->end(), values);
        return 0;
    });
}

int ROZadEro::SetCurrentInputVolSetting(unsigned channels, const std::uint32_t* values) {
    return guarded([&] {
        if (!values) return kMixerRequestFailed;
        PulseLock lock(m_impl->m_client);
        std::optional<MixerDevice> source;
        if (const int r = m_impl->recordingSource(&source)) return r;
        const auto volumes = WriteChannelValues(*source, channels, values, PA_VOLUME_NORM, false);
        if (!volumes) return kMixerNoSuchControl;
        const bool watched = source->name == m_impl->m_defaultSource;
        if (watched) m_impl->m_inputVolumes = *volumes;  // before the server's event can come
        if (!m_impl->m_client.setSourceVolume(source->name, *volumes)) {
            if (watched) m_impl->m_inputVolumes = source->volumes;
            return kMixerRequestFailed;
        }
        return 0;
    });
}

}  // namespace sonthra
