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
            m_finished.store(true, std::memory_order_release);
        });
    } catch (const std::system_error&) {
        return false;
    }
    return true;
}

void ConversionWorker::join() {
    if (m_thread.joinable()) m_thread.join();
}

}  // namespace sonthra
