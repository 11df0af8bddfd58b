// Peak files (".cvp"): the peak arrays of a WAV file cached beside it, so that a file opened
// again need not be scanned while it has not changed. Little-endian, no header beyond this:
//   channel count (2 bytes), block count per channel (4 bytes),
//   then for each channel in order, for each block, minimum and maximum (2 bytes each).
// Also the in-place update of the arrays after a range of frames was deleted.
// Plain functions; each call works on its own files and may run on any thread.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "view/peak_data.h"
#include "view/wave_source.h"

namespace sonthra {

inline constexpr std::size_t kPeakFileHeaderBytes = 6;

// The peak file of a WAV file: the WAV path with the extension of its file name replaced by
// ".cvp" (added when the name has none). That file is opened for writing, and created when
// missing, to see that it can be; when it cannot, the same file name inside tempFolder is used
// instead (the system's temporary folder when tempFolder is empty).
std::string GetPeakFileName(const std::string& wavName, const std::string& tempFolder);

// Writes the arrays as a peak file with the given channel count. The file is replaced whole,
// so a failed write leaves the old file as it was; it is not flushed to the disk (a peak file
// lost in a crash is built again). 0, 115 empty name, 116 the file cannot be
// created, 117 a write failed (full disk, for one).
int SavePeakFile(const std::string& name, std::uint16_t channels, const PeakData& peaks);

// Reads the peak file name for the WAV file wavName, whose whole frames are totalSamples in
// channels channels. 0 with out filled, or: 101 the WAV file's time cannot be read, 118 the
// peak file's time cannot be read, 121 the WAV file is newer than the peak file, 112 the WAV
// file has no frames, 119 the peak file cannot be opened, 120 it is cut short or unreadable,
// 121 its block count is not ceil(totalSamples / 32) or its channel count differs from the WAV
// file's. out is emptied on failure.
int LoadPeakFile(const std::string& name, const std::string& wavName, std::uint32_t totalSamples,
                 std::uint16_t channels, std::vector<PeakData::Channel>& out);

// The arrays after frames [start, end) (start <= end) were deleted from a file that now has
// newTotal frames: every block lying wholly inside the range is dropped and the others are
// kept in order, in arrays of ceil(newTotal / 32) entries. Blocks only partly inside the
// range stay, so the result is an approximation until the next full scan.
std::vector<PeakData::Channel> RemovePeakBlocks(const std::vector<PeakData::Channel>& old,
                                                std::uint32_t newTotal, std::uint32_t start,
                                                std::uint32_t end);

// The exact arrays of file, which holds what an older file held less its frames [start, end)
// (start <= end), made from old (that file's arrays) and as few of file's samples as the
// blocks need: blocks before the one holding start are kept; when the removed length is a
// whole number of blocks the later ones are moved, and at most one block is scanned; else
// every block from the one holding start on is scanned again. The result is what a full scan
// of file gives. 0, 121 when old does not fit a file of that many more frames, 106, 107 as the
// scan.
int PatchPeaksAfterRemoval(const std::vector<PeakData::Channel>& old, SampleFile& file,
                           std::uint32_t start, std::uint32_t end,
                           std::vector<PeakData::Channel>& out);

}  // namespace sonthra
