// The worker thread of one conversion: started by the GUI thread (or sonthra-cli), polled
// through finished() and result(), joined before it is dropped.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace sonthra {

class ConversionWorker {
public:
    ConversionWorker() = default;
    ~ConversionWorker() { join(); }
    ConversionWorker(const ConversionWorker&) = delete;
    ConversionWorker& operator=(const ConversionWorker&) = delete;

    // Runs work on a new thread; false when no thread could be started (nothing ran). An
    // exception out of work ends it with the result onException.
    bool start(std::function<int()> work, int onException);
    // The work has returned; result() is then its value.
    bool finished() const { return m_finished.load(std::memory_order_acquire); }
    // Waits until the work has returned or the time is up: finished(). A caller that waits
    // for the end and checks for a stop meanwhile wakes at once when the work ends.
    bool waitFor(std::chrono::milliseconds time);
    int result() const { return m_result.load(); }
    // Waits for the thread; no-op when none runs.
    void join();

private:
    std::thread m_thread;
    std::atomic<bool> m_finished{false};
    std::atomic<int> m_result{0};
    std::mutex m_mutex;
    std::condition_variable m_ended;
};

}  // namespace sonthra
