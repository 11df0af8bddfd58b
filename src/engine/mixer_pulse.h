// The mixer's connection to the sound server: a threaded main loop, one context, and blocking
// requests with a deadline on top of the asynchronous client interface. Internal to the mixer.
//
// Requests and connect() must be called with the lock held (PulseLock), and never from the
// loop's thread, since they wait for the server. The event handler runs on the loop's thread
// with the lock held; it may use context() to start asynchronous requests but never waits.
#pragma once

#include <pulse/pulseaudio.h>

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "engine/mixer_model.h"

namespace sonthra {

class PulseClient {
public:
    using EventHandler =
        std::function<void(pa_subscription_event_type_t type, std::uint32_t index)>;

    explicit PulseClient(std::chrono::milliseconds timeout);
    ~PulseClient();
    PulseClient(const PulseClient&) = delete;
    PulseClient& operator=(const PulseClient&) = delete;

    void lock();
    void unlock();

    // Stops the loop thread: no handler runs after this returns. Call without the lock.
    void shutdown();

    // Connects when not connected; true when the server is ready. After a failed attempt the
    // next one waits a few seconds, so that a program without a server does not stall on every
    // call.
    bool connect();
    // Whether the last attempt failed because the server took the connection and then did not
    // answer before the deadline (rather than being absent or refusing).
    bool lastAttemptUnanswered() const { return m_unanswered; }
    // The connected context, or nullptr.
    pa_context* context();

    // Subscribing is kept across reconnections; events go to the handler.
    void setEventHandler(EventHandler handler);
    void subscribe();

    // Requests. False when the request failed or timed out; a missing device is not a failure.
    bool sinks(std::vector<MixerDevice>* out);
    bool sources(std::vector<MixerDevice>* out);
    bool sinkByName(const std::string& name, std::optional<MixerDevice>* out);
    bool sourceByName(const std::string& name, std::optional<MixerDevice>* out);
    bool defaultNames(std::string* sink, std::string* source);
    bool setSinkVolume(const std::string& name, const std::vector<std::uint32_t>& volumes);
    bool setSourceVolume(const std::string& name, const std::vector<std::uint32_t>& volumes);
    bool setDefaultSource(const std::string& name);
    bool setSourcePort(const std::string& name, const std::string& port);

    // Conversions shared with the asynchronous queries of the event handler.
    static MixerDevice fromSink(const pa_sink_info& info);
    static MixerDevice fromSource(const pa_source_info& info);

private:
    // Every sink or source through list (pa_context_get_sink_info_list or the source's).
    template <typename Info, typename List>
    bool deviceList(List list, std::vector<MixerDevice>* out);
    // One device by its name through lookup (pa_context_get_sink_info_by_name or the
    // source's).
    template <typename Info, typename Lookup>
    bool deviceByName(Lookup lookup, const std::string& name, std::optional<MixerDevice>* out);
    bool wait(pa_operation* op);
    bool waitForSuccess(pa_operation* op, const int& success);
    void dropContext();

    static void onContextState(pa_context* c, void* self);
    static void onEvent(pa_context* c, pa_subscription_event_type_t t, std::uint32_t index,
                        void* self);

    pa_threaded_mainloop* m_loop = nullptr;
    pa_context* m_context = nullptr;
    std::chrono::milliseconds m_timeout;
    std::optional<std::chrono::steady_clock::time_point> m_lastFailure;
    bool m_subscribed = false;
    bool m_unanswered = false;
    EventHandler m_handler;
};

// Whether the sound server this process would reach takes connections and then does not answer
// within timeout. A server that is not there is not silent: connecting to it fails at once.
bool SoundServerIsSilent(std::chrono::milliseconds timeout);

// Holds the client's lock for a scope.
class PulseLock {
public:
    explicit PulseLock(PulseClient& client) : m_client(client) { m_client.lock(); }
    ~PulseLock() { m_client.unlock(); }
    PulseLock(const PulseLock&) = delete;
    PulseLock& operator=(const PulseLock&) = delete;

private:
    PulseClient& m_client;
};

}  // namespace sonthra
