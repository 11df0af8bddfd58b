// Hands the mixer's notifications from the sound server's loop thread to the callback window on
// a thread of its own, so that the window never runs while the loop's lock is held. Internal to
// the mixer; every method may be called from any thread.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <thread>

#include "engine/mixer.h"

namespace sonthra {

class MixerNotifier {
public:
    MixerNotifier() = default;
    ~MixerNotifier() { stop(); }
    MixerNotifier(const MixerNotifier&) = delete;
    MixerNotifier& operator=(const MixerNotifier&) = delete;

    // Waits for a call in progress: once it returns the old window is not called again.
    void setWindow(MixerCallbackWindow window);
    // Starts the thread; notifications posted before are dropped.
    void start();
    // Queues a notification unless the same one is still waiting.
    void post(unsigned message, std::intptr_t wparam, std::intptr_t lparam);
    // Ends the thread; waiting notifications are dropped.
    void stop();

private:
    struct Note {
        unsigned message;
        std::intptr_t wparam;
        std::intptr_t lparam;
    };

    void run();

    std::mutex m_windowMutex;
    MixerCallbackWindow m_window;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<Note> m_queue;
    bool m_running = false;
    bool m_stopping = false;
    std::thread m_thread;
};

}  // namespace sonthra
