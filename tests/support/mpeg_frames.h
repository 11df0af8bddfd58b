// Silent MPEG audio frames (layer III, 128 kbit/s, 44.1 kHz, 417 bytes each): an MP3 file as far
// as telling a file's kind from its content goes, for tests whose converter is a stand-in.
#pragma once

#include <string>

namespace sonthra::testing {

inline std::string mpegFrames(int count) {
    std::string frame("\xFF\xFB\x90\x00", 4);
    frame.resize(417, '\0');
    std::string frames;
    for (int i = 0; i < count; ++i) frames += frame;
    return frames;
}

}  // namespace sonthra::testing
