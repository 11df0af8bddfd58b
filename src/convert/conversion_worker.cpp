#include "convert/conversion_worker.h"

#include <system_error>

namespace sonthra {

bool ConversionWorker::start(std::function<int()> work, int onException) {
    join();
    m_finished.store(false);
    m_result.store(0);
    try {
        m_thread = std::thread([this, onException, work = std::move(work)] {
            int result = onException;
            try {
                result = work();
            } catch (...) {
            }
            m_result.store(result);
            std::lock_guard<std::mutex> lock(m_mutex);
            m_finished.store(true, std::memory_order_release);
            m_ended.notify_all();
        });
    } catch (const std::system_error&) {
        return false;
    }
    return true;
}

bool ConversionWorker::waitFor(std::chrono::milliseconds time) {
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_ended.wait_for(lock, time, [this] { return finished(); });
}

void ConversionWorker::join() {
    if (m_thread.joinable()) m_thread.join();
}

}  // namespace sonthra
