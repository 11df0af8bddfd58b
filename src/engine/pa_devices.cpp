#include "engine/pa_devices.h"

#include <alsa/asoundlib.h>
#include <dlfcn.h>
#include <portaudio.h>

#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <mutex>

#include "engine/mixer_pulse.h"

namespace sonthra {
namespace {

// PortAudio probes every ALSA device it can name, and ALSA reports each one that is missing
// on stderr; the engine reports its own failures, so that noise is dropped.
void quietAlsa(const char*, int, const char*, int, const char*, ...) {}

void quietJack(const char*) {}

// PortAudio also asks for a JACK server, and the JACK library reports its absence the same way.
// It is reached by name, so that the engine needs the library only when PortAudio brought it.
void silenceJack() {
    using Setter = void (*)(void (*)(const char*));
    for (const char* name : {"jack_set_error_function", "jack_set_info_function"}) {
        if (auto set = reinterpret_cast<Setter>(dlsym(RTLD_DEFAULT, name))) set(&quietJack);
    }
}

void silenceAlsaOnce() {
    static std::once_flag once;
    std::call_once(once, [] {
        snd_lib_error_set_handler(&quietAlsa);
        silenceJack();
    });
}

// ALSA's way to the sound server waits for its answer without a deadline, so a server that takes
// connections and never answers (stopped, or stuck on a device) would hang the program at its
// start. Such a server is left alone for the rest of this process: the devices are listed
// without it, and the program starts without sound instead of not at all. A server that is
// only slow to start gets ten seconds.
constexpr auto kServerPatience = std::chrono::seconds(10);
// Where no server ever listens: connecting there fails at once.
constexpr const char* kNoServer = "unix:/dev/null";

void leaveASilentServerAlone() {
    if (SoundServerIsSilent(kServerPatience)) ::setenv("PULSE_SERVER", kNoServer, 1);
}

int lookUp(const std::vector<int>& devices, int index, int fallback) {
    if (index == -1) return fallback;
    if (index < 0 || index >= static_cast<int>(devices.size())) return -1;
    return devices[static_cast<std::size_t>(index)];
}

int indexOf(const std::vector<int>& devices, int device) {
    const auto it = std::find(devices.begin(), devices.end(), device);
    return it == devices.end() ? -1 : static_cast<int>(it - devices.begin());
}

std::string nameOf(int device) {
    const PaDeviceInfo* info = device >= 0 ? Pa_GetDeviceInfo(device) : nullptr;
    return info && info->name ? std::string(info->name) : std::string();
}

}  // namespace

bool isFormatRefusal(int paError) {
    return paError == paInvalidSampleRate || paError == paInvalidChannelCount ||
           paError == paSampleFormatNotSupported;
}

PaDevices::PaDevices() {
    silenceAlsaOnce();
    leaveASilentServerAlone();
    m_ready = Pa_Initialize() == paNoError;
    if (!m_ready) return;
    const int count = Pa_GetDeviceCount();
    for (int d = 0; d < count; ++d) {
        const PaDeviceInfo* info = Pa_GetDeviceInfo(d);
        if (!info) continue;
        if (info->maxInputChannels > 0) m_inputs.push_back(d);
        if (info->maxOutputChannels > 0) m_outputs.push_back(d);
    }
}

PaDevices::~PaDevices() {
    if (m_ready) Pa_Terminate();
}

int PaDevices::inputDevice(int index) const {
    if (!m_ready) return -1;
    const int fallback = Pa_GetDefaultInputDevice();
    return lookUp(m_inputs, index, fallback == paNoDevice ? -1 : fallback);
}

int PaDevices::outputDevice(int index) const {
    if (!m_ready) return -1;
    const int fallback = Pa_GetDefaultOutputDevice();
    return lookUp(m_outputs, index, fallback == paNoDevice ? -1 : fallback);
}

int PaDevices::preferredInput() const {
    return m_ready ? indexOf(m_inputs, Pa_GetDefaultInputDevice()) : -1;
}

int PaDevices::preferredOutput() const {
    return m_ready ? indexOf(m_outputs, Pa_GetDefaultOutputDevice()) : -1;
}

std::string PaDevices::inputName(int index) const {
    return nameOf(inputDevice(index));
}

std::string PaDevices::outputName(int index) const {
    return nameOf(outputDevice(index));
}

bool PaDevices::inputSupports(int index, double sampleRate, int bitsPerSample, int channels) const {
    const int device = inputDevice(index);
    const PaDeviceInfo* info = device >= 0 ? Pa_GetDeviceInfo(device) : nullptr;
    if (!info || sampleRate <= 0 || (bitsPerSample != 8 && bitsPerSample != 16) ||
        (channels != 1 && channels != 2) || channels > info->maxInputChannels)
        return false;
    PaStreamParameters p{};
    p.device = device;
    p.channelCount = channels;
    p.sampleFormat = bitsPerSample == 8 ? paUInt8 : paInt16;
    p.suggestedLatency = info->defaultHighInputLatency;
    return Pa_IsFormatSupported(&p, nullptr, sampleRate) == paFormatIsSupported;
}

bool PaDevices::outputSupports(int index, double sampleRate, int channels) const {
    const int device = outputDevice(index);
    const PaDeviceInfo* info = device >= 0 ? Pa_GetDeviceInfo(device) : nullptr;
    if (!info || sampleRate <= 0 || channels < 1 || channels > info->maxOutputChannels)
        return false;
    PaStreamParameters p{};
    p.device = device;
    p.channelCount = channels;
    p.sampleFormat = paInt16;
    p.suggestedLatency = info->defaultHighOutputLatency;
    return Pa_IsFormatSupported(nullptr, &p, sampleRate) == paFormatIsSupported;
}

}  // namespace sonthra
