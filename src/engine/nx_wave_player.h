// The audio engine as the program drives it: one object offering every engine call, the
// devices, playback, recording and level test of AudioIO and the file edits and clipboard of
// AudioEditor. Call every method from the GUI thread (see the two parts for their threads).
#pragma once

#include <string>

#include "engine/audio_edit.h"
#include "engine/audio_io.h"

namespace sonthra {

class NXWavePlayer : public AudioIO, public AudioEditor {
public:
    NXWavePlayer() = default;

    // Both halves keep their temporary files (recordings, the clipboard) in this folder.
    int SetTempPath(const std::string& folder) {
        const int result = AudioIO::SetTempPath(folder);
        if (result != 0) return result;
        return AudioEditor::SetTempPath(folder);
    }
};

}  // namespace sonthra
