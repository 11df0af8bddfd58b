#include "engine/mixer_notifier.h"

namespace sonthra {

void MixerNotifier::setWindow(MixerCallbackWindow window) {
    std::lock_guard guard(m_windowMutex);
    m_window = std::move(window);
}

void MixerNotifier::start() {
    std::lock_guard guard(m_mutex);
    if (m_running) return;
    m_running = true;
    m_stopping = false;
    m_thread = std::thread([this] { run(); });
}

void MixerNotifier::post(unsigned message, std::intptr_t wparam, std::intptr_t lparam) {
    {
        std::lock_guard guard(m_mutex);
        if (!m_running) return;
        // A burst of identical changes needs only one read-back.
        for (const Note& n : m_queue)
            if (n.message == message && n.wparam == wparam && n.lparam == lparam) return;
        m_queue.push_back({message, wparam, lparam});
    }
    m_wake.notify_one();
}

void MixerNotifier::stop() {
    {
        std::lock_guard guard(m_mutex);
        if (!m_running) return;
        m_stopping = true;
    }
    m_wake.notify_one();
    m_thread.join();
    std::lock_guard guard(m_mutex);
    m_running = false;
    m_queue.clear();
}

void MixerNotifier::run() {
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [this] { return m_stopping || !m_queue.empty(); });
        if (m_stopping) return;
        const Note note = m_queue.front();
        m_queue.pop_front();
        lock.unlock();
        try {
            // Held during the call, so that a window replaced or cleared is never called again.
            std::lock_guard guard(m_windowMutex);
            if (m_window) m_window(note.message, note.wparam, note.lparam);
        } catch (...) {
            // A failing receiver loses this notification, not the mixer.
        }
        lock.lock();
    }
}

}  // namespace sonthra
