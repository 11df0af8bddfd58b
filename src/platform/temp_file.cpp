#include "platform/temp_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <random>

namespace sonthra {

namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
constexpr std::uint64_t kLetters = sizeof kAlphabet - 1;
constexpr int kRandomChars = 4;
// Tries before giving up on a folder full of our names.
constexpr int kAttempts = 1000;

}  // namespace

std::string TemporaryTagOf(std::int64_t pid) {
    const auto n = static_cast<std::uint64_t>(pid) % (kLetters * kLetters);
    return {kAlphabet[n / kLetters], kAlphabet[n % kLetters]};
}

std::string CreateTemporaryFile(const std::string& folder, const std::string& tail, bool hidden) {
    thread_local std::mt19937 random{std::random_device{}()};
    std::uniform_int_distribution<std::uint64_t> pick(0, kLetters - 1);
    std::string head = folder;
    while (head.size() > 1 && head.back() == '/') head.pop_back();
    if (head != "/") head += '/';
    if (hidden) head += '.';
    head += kTemporaryPrefix;
    head += TemporaryTagOf(::getpid());
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        std::string path = head;
        for (int i = 0; i < kRandomChars; ++i) path += kAlphabet[pick(random)];
        path += tail;
        const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd >= 0) {
            ::close(fd);
            return path;
        }
        if (errno != EEXIST) return {};
    }
    errno = EEXIST;
    return {};
}

}  // namespace sonthra
