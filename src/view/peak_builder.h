// The peak scan: reads the sample data of a WAV file once, front to back, and fills one peak
// array per channel. Runs on a worker thread; the only things it shares with the GUI thread are
// the progress integer it writes and the state it reads.
#pragma once

#include <atomic>
#include <cstdint>
#include <vector>

#include "sequence/sequence_reader.h"
#include "view/peak_data.h"
#include "view/wave_source.h"

namespace sonthra {

// The display's peak states, with the numbers the product stores for them.
enum class PeakState : std::int32_t {
    FileSet = 1,
    Building = 2,
    Built = 3,
    CancelRequested = 4,
    Idle = 5,
};

// Bytes read at a time: eight of the product's 65,520-byte buffers, which is a whole number of
// 32-frame blocks for every frame size (1, 2 or 4 bytes), so a block never straddles two reads.
inline constexpr std::size_t kPeakReadBytes = 65520 * 8;
// Bytes scanned at a time from the file's memory map: a whole number of reads, so of blocks.
inline constexpr std::size_t kPeakMapBytes = kPeakReadBytes * 8;

// Scans file (open, 8 or 16 bits, 1 or 2 channels) into out, one array of
// ceil(totalSamples / 32) entries per channel, through the file's memory map where it has one
// and by reads otherwise; a mapped file of two stretches or more is scanned in two halves at
// once where there is a second processor. progress moves from 0 to 99 as the bytes are
// scanned (a stereo file passes 49 half way), never backwards, changing once per stretch. Results:
// 0; 106 when the arrays or the buffer cannot be had; 107 when the sample data cannot be read; 110
// as soon as state is no longer Building. out is emptied on failure.
int ScanPeaks(SampleFile& file, std::vector<PeakData::Channel>& out,
              std::atomic<std::int32_t>& progress, const std::atomic<PeakState>& state);

// Scans frames [from, to) of file (to cut to its frames), as blocks of 32 frames counted from
// `from`, into the arrays of out from index outBlock on; the other entries stay as they are.
// 0, 107 when the samples cannot be read, 106 when out lacks room for them.
int ScanPeakStretch(SampleFile& file, std::uint64_t from, std::uint64_t to, std::size_t outBlock,
                    std::vector<PeakData::Channel>& out);
// Sizes out to channels arrays of count blocks without writing them; large arrays ask for huge
// pages, which makes touching them for the first time far cheaper (where there are none this
// changes nothing).
void SizePeakArrays(std::vector<PeakData::Channel>& out, int channels, std::size_t count);
// The same for frames of format held in memory.
void ScanPeakFrames(const unsigned char* p, std::size_t frames, const WaveFormat& format,
                    std::vector<PeakData::Channel>& out, std::size_t outBlock);

// The peaks of a document's audio (8 or 16 bits, 1 or 2 channels) read through reader: one array
// of ceil(frames / 32) entries per channel, the same grid of 32 frames from the audio's start as a
// file's. 0, 106 when the arrays cannot be had, 107 when a block cannot be read.
int ScanSequencePeaks(SequenceReader& reader, std::vector<PeakData::Channel>& out);
// After an edit replaced `removed` frames from frame `from` by `inserted` others, peaks (those
// of the audio before) become those of the audio after, which reader reads, exactly as a fresh
// scan gives them: the blocks before the one holding from stay, the blocks the edit touched are
// scanned, and when the length changed by a whole number of blocks the later ones move
// unscanned; otherwise every block from the edit on is scanned. 0; 121 when the peaks do not
// fit the audio before or the range does not fit it; 106 or 107 as a scan (drop the peaks).
int PatchSequencePeaks(SequenceReader& reader, std::uint64_t from, std::uint64_t removed,
                       std::uint64_t inserted, std::vector<PeakData::Channel>& peaks);

// The block scans of 16-bit stereo data, the common case, each kept so that they can be checked
// against one another: blocks whole 32-frame blocks from p into left and right. false when
// the processor lacks what the kernel needs.
enum class PeakKernel { Plain, Sse2, Avx2 };
bool ScanStereo16(PeakKernel kernel, const unsigned char* p, std::size_t blocks, TPeak* left,
                  TPeak* right);

// round(numerator / denominator) with ties to even, for non-negative values.
std::int64_t roundHalfEven(std::int64_t numerator, std::int64_t denominator);

}  // namespace sonthra
