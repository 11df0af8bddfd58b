#include "convert/wma_import.h"

#include <sys/stat.h>
#include <sys/statvfs.h>

#include <chrono>

namespace sonthra {
namespace {

static_assert(sizeof(std::atomic<std::int32_t>) == sizeof(std::int32_t) &&
              std::atomic<std::int32_t>::is_always_lock_free);

// The libraries write through plain 32-bit pointers; the fields are lock-free atomics of the
// same size so that the window's reads are well defined.
std::int32_t* raw(std::atomic<std::int32_t>& field) {
    return reinterpret_cast<std::int32_t*>(&field);
}

constexpr std::uint32_t kLowestWmaBits = 16000;

}  // namespace

std::uint64_t estimateWmaWaveBytes(std::uint64_t fileBytes, std::uint32_t bitsPerSecond) {
    const std::uint64_t bits = bitsPerSecond < kLowestWmaBits ? kLowestWmaBits : bitsPerSecond;
    // 44100 × 16 × 2 = 1,411,200; a file above 13 EB would overflow, none is that large.
    return fileBytes * 1411200ull / bits;
}

std::uint64_t freeBytesIn(const std::string& folder) {
    struct statvfs st {};
    if (::statvfs(folder.c_str(), &st) != 0) return 0;
    return static_cast<std::uint64_t>(st.f_bavail) * st.f_frsize;
}

WmaImportCheck checkWmaImport(const WmaPlaybackLibrary& library, const std::string& path,
                              const std::string& workspaceFolder) {
    std::uint32_t bits = 0;
    const int info = library.fileInfo(path, bits);
    if (info == kWmaInfoProtected) return WmaImportCheck::Protected;
    if (info != 0) return WmaImportCheck::NotReadable;
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return WmaImportCheck::NotReadable;
    const std::uint64_t need = estimateWmaWaveBytes(static_cast<std::uint64_t>(st.st_size), bits);
    if (freeBytesIn(workspaceFolder) < need) return WmaImportCheck::NoSpace;
    return WmaImportCheck::Ready;
}

bool WmaImportJob::start(const WmaPlaybackLibrary& library, const std::string& source,
                         const std::string& destination) {
    m_worker.join();
    m_source = source;
    m_destination = destination;
    m_cancel.store(0);
    m_progress.store(0);
    m_state.store(kWmaImportRunning);
    const bool started = m_worker.start(
        [this, &library] {
            const int code = library.convert(m_source, m_destination, raw(m_cancel),
                                             raw(m_progress), raw(m_state));
            // A library that returned without a final state has failed.
            if (m_state.load() == kWmaImportRunning) m_state.store(kWmaImportFailed);
            return code;
        },
        kWmaFormatNotProper);
    if (!started) m_state.store(kWmaImportFailed);
    return started;
}

int importWmaFile(const WmaPlaybackLibrary& library, const std::string& source,
                  const std::string& destination, const std::atomic<bool>* stop) {
    WmaImportJob job;
    if (!job.start(library, source, destination)) return kWmaFormatNotProper;
    do {
        if (stop && stop->load()) job.cancel();
    } while (!job.waitFor(std::chrono::milliseconds(20)));
    job.wait();
    switch (job.state()) {
        case kWmaImportFinished:
            return job.result() == kWmaWaveTooLarge ? kWmaWaveTooLarge : 0;
        case kWmaImportAborted:
            return kWmaImportAbortedMessage;
        default:
            return kWmaFormatNotProper;
    }
}

}  // namespace sonthra
