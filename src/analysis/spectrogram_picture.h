// The spectrogram of a whole file as a picture: one column per pixel, computed on several
// workers, and written as a PNG image in a skin's colours.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "analysis/spectrogram.h"
#include "analysis/spectrogram_model.h"

namespace sonthra {

struct SpectrogramPicture {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> levels;  // row by row from the top, width levels each
};

// Draws the whole audio that open gives in width columns of settings.rows rows, on `threads`
// workers: 0, 129 on cancel, 105 for a width of 0 or settings that are not valid, or the
// sources' and analyzers' failures.
int drawSpectrogram(const FrameSourceOpener& open, int width, const SpectrogramSettings& settings,
                    int threads, SpectrogramPicture& picture,
                    const std::atomic<bool>* cancel = nullptr);

// Writes picture as an 8-bit RGB PNG file at path, replacing it whole: 0, or 153 when the file
// cannot be written (the old one, if any, stays).
int writeSpectrogramPng(const std::string& path, const SpectrogramPicture& picture,
                        SpectrogramPalette palette);

}  // namespace sonthra
