// Feeds arbitrary bytes to the version 1 record reader, the version 2 tag reader (in memory and
// as the start of a file) and the WAV "id3 " chunk reader and writer. Any crash, hang or
// sanitizer finding is a fault.
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>

#include "tags/id3v1.h"
#include "tags/id3v2.h"
#include "tags/wave_tag.h"

namespace {

int inputFd() {
    static const int fd = ::memfd_create("tags-fuzz-input", MFD_CLOEXEC);
    return fd;
}

bool putFile(const std::string& bytes) {
    const int fd = inputFd();
    return fd >= 0 && ::ftruncate(fd, 0) == 0 &&
           ::pwrite(fd, bytes.data(), bytes.size(), 0) == static_cast<ssize_t>(bytes.size());
}

std::string le32(std::uint32_t v) {
    std::string out(4, '\0');
    for (int i = 0; i < 4; ++i) out[i] = static_cast<char>(v >> (8 * i));
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::string input(reinterpret_cast<const char*>(data) + 1, size - 1);
    const std::string path = "/proc/self/fd/" + std::to_string(inputFd());
    sonthra::TID3v2 v2;
    switch (data[0] % 4) {
        case 0: {
            sonthra::TID3v1::Record record{};
            std::copy_n(input.begin(), std::min(input.size(), record.size()), record.begin());
            sonthra::TID3v1 v1;
            v1.readRecord(record);
            if (v1.record()[0] != 'T') __builtin_trap();
            break;
        }
        case 1: {
            // Most inputs get a valid "ID3" start so that the frames are reached.
            v2.readTag("ID3" + input);
            sonthra::TID3v2 again;
            again.readTag(v2.buildTag(0));
            if (again.title() != v2.title() || again.comment() != v2.comment()) __builtin_trap();
            break;
        }
        case 2:
            if (putFile(input)) v2.readFromFile(path);
            break;
        default: {
            // A WAVE form around the input: the chunk walk, then a write into it.
            const std::string body = "WAVE" + input;
            if (!putFile("RIFF" + le32(static_cast<std::uint32_t>(body.size())) + body)) break;
            if (sonthra::ReadId3Chunk(path, v2) == 0) v2.setTitle(v2.title() + "x");
            sonthra::WriteId3Chunk(path, v2);
            break;
        }
    }
    return 0;
}
