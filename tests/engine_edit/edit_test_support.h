// What the tests of the engine's edits share: an editor with small blocks (so that small files
// already take many blocks), files of known samples, and running one edit to its end.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>
#include <thread>

#include "engine/audio_edit.h"
#include "wave/wave_probe.h"
#include "wave/wave_test_files.h"

namespace sonthra::testing {

struct Wav {
    std::uint16_t channels;
    std::uint16_t bits;
    std::uint32_t rate;
    std::string samples;

    std::size_t align() const { return channels * bits / 8u; }
    std::uint32_t frames() const { return static_cast<std::uint32_t>(samples.size() / align()); }
    std::string bytes(std::uint32_t first, std::uint32_t last) const {
        return samples.substr(first * align(), (last - first) * align());
    }
    std::string from(std::uint32_t first) const { return samples.substr(first * align()); }
};

inline Wav makeWav(std::uint16_t channels, std::uint16_t bits, std::uint32_t frames,
                   std::uint32_t seed = 0) {
    return Wav{channels, bits, 8000, rampSamples(channels, bits, frames, seed)};
}

inline void writeWav(const std::string& path, const Wav& wav, const std::string& extra = {}) {
    writeBytes(path, riff("WAVE", {chunk("fmt ", fmtBody(wav.channels, wav.rate, wav.bits)),
                                   chunk("data", wav.samples), extra}));
}

// The samples of a WAV file this editor wrote, after checking that its header tells the truth.
inline std::string samplesOf(const std::string& path, const Wav& like) {
    const std::string bytes = readBytes(path);
    if (bytes.size() < 46 || get32(bytes, 16) != 18 || get32(bytes, 42) > bytes.size() - 46) {
        ADD_FAILURE() << path << " is not a WAV file as the writer lays it out";
        return {};
    }
    EXPECT_EQ(bytes.substr(20, 18), fmtBody(like.channels, like.rate, like.bits)) << path;
    return bytes.substr(46, get32(bytes, 42));
}

inline std::string silence(const Wav& like, std::uint32_t frames) {
    return std::string(frames * like.align(), like.bits == 8 ? '\x80' : '\0');
}

// Waits for an edit that has started to end, closes its handle and returns its exit reason.
inline int finish(AudioEditor& editor, std::uint32_t handle) {
    while (!editor.AudioEditProcessIsOver(handle)) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    const int reason = editor.AudioEditGetReasonForProcessExit(handle);
    editor.AudioEditCloseHandle(&handle);
    return reason;
}

// Runs one edit call to its end: the call's own error, or else the edit's exit reason.
inline int runEdit(AudioEditor& editor,
                   const std::function<int(std::uint32_t* handle)>& startEdit) {
    std::uint32_t handle = 12345;
    const int started = startEdit(&handle);
    if (started != 0) {
        EXPECT_EQ(handle, 0u) << "a refused edit returns no handle";
        return started;
    }
    return finish(editor, handle);
}

inline EditOptions smallBlocks() {
    EditOptions options;
    options.blockBytes = 4096;
    return options;
}

}  // namespace sonthra::testing
