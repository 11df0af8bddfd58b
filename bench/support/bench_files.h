// What the benchmarks share: running a peer tool, making a large 16-bit stereo WAV input, and
// giving every contender the same start (the file in the page cache, nothing left to write back).
#pragma once

#include <spawn.h>
#include <sys/wait.h>

#include <cstdint>
#include <string>
#include <vector>

#include "wave/wave_writer.h"

extern char** environ;

namespace sonthra::bench {

inline bool runCommand(std::vector<std::string> args) {
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) return false;
    int status = 0;
    return waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// A 44,100 Hz 16-bit stereo file of about bytes sample bytes, written by the program (so its
// header is as long as a working copy's).
inline bool makeFile(const std::string& path, std::uint64_t bytes) {
    auto writer = WaveWriter::create(path, 44100, 16, 2);
    if (!writer) return false;
    std::vector<std::int16_t> block(1 << 19);
    for (std::size_t i = 0; i < block.size(); ++i) {
        block[i] = static_cast<std::int16_t>((i * 37) % 20000 - 10000);
    }
    const std::uint64_t blockBytes = block.size() * sizeof(block[0]);
    for (std::uint64_t done = 0; done < bytes; done += blockBytes) {
        if (!writer->write(block.data(), blockBytes)) return false;
    }
    return writer->finish();
}

inline void settle(const std::string& path) {
    runCommand({"sh", "-c", "cat \"$0\" > /dev/null", path});
    runCommand({"sync"});
}

}  // namespace sonthra::bench
