// Peak files (".cvp"): the peak arrays of a WAV file cached beside it, so that a file opened
// again need not be scanned while it has not changed. Little-endian, no header beyond this:
//   channel count (2 bytes), block count per channel (4 bytes),
//   then for each channel in order, for each block, minimum and maximum (2 bytes each).
// Also the in-place update of the arrays after a range of frames was deleted.
// Plain functions; each call works on its own files and may run on any thread.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "view/peak_data.h"
#include "view/wave_source.h"

namespace sonthra {

inline constexpr std::size_t kPeakFileHeaderBytes = 6;

// The peak file of a WAV file: the WAV path with the extension of its file name replaced by
// ".cvp" (added when the name has none), when its folder can be written and no other user may
// plant names in it (nothing is created to find out); otherwise "<name>-<hash of the WAV's
// whole path>.cvp" in the user's private cache folder (UserCacheFolder), or, without one, in
// this user's private folder inside tempFolder (the system's temporary folder when empty).
std::string GetPeakFileName(const std::string& wavName, const std::string& tempFolder);

// Writes the arrays as a peak file with the given channel count. The file is replaced whole,
// so a failed write leaves the old file as it was; it is not flushed to the disk (a peak file
// lost in a crash is built again). 0, 115 empty name, 116 the file cannot be
// created, 117 a write failed (full disk, for one). With audioFile, the peak file gets that
// file's read and write permissions.
int SavePeakFile(const std::string& name, std::uint16_t channels, const PeakData& peaks,
                 const std::string& audioFile = {});

// Writes the peaks as SavePeakFile does, on a thread of its own, and returns at once: the old
// file under name is removed first, and the new one, once complete, carries audioFile's time as
// it is now (the peaks describe the audio as it is now). 0, or 115 empty name. Every other
// call on the same name (a save, a load, FinishPeakFileWrite) waits for the write to end first;
// a newer background write of the same name gives the older one up instead (it leaves no file
// and reports nothing).
// A failure is handed to onFailure, on the writing thread, when one is given; a missing peak
// file is only built again.
int SavePeakFileInBackground(const std::string& name, std::uint16_t channels,
                             std::shared_ptr<const PeakData> peaks, const std::string& audioFile,
                             std::function<void(int code)> onFailure = {});
// Waits until no background write of name runs (at once when none does). Call it before
// moving or removing the peak file by other means.
void FinishPeakFileWrite(const std::string& name);
// Waits for every background write: before the program ends, so that none is cut off.
void FinishAllPeakFileWrites();

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

// Exact peaks after frames [start, end) (start <= end) were removed from a file, as a full
// scan of the shorter file gives them, made from the peaks before and as few samples as the
// changed blocks need: blocks before the one holding start stay; when the removed length is a
// whole number of blocks the later ones move and at most one block is scanned; otherwise every
// block from the one holding start on is scanned. Results: 0; 121 when the peaks do not fit a
// file of that many frames or the range does not; 106 or 107 as a scan.
//
// From the file after the removal, in place: peaks are the arrays before it and become those
// after (on a failed scan, partly patched: drop them).
int PatchPeaksAfterRemoval(std::vector<PeakData::Channel>& peaks, SampleFile& after,
                           std::uint32_t start, std::uint32_t end);
// The same from the file after the removal into out, leaving peaks as they are (for peaks that
// another display still shows).
int PatchPeaksFromAfter(const std::vector<PeakData::Channel>& peaks, SampleFile& after,
                        std::uint32_t start, std::uint32_t end,
                        std::vector<PeakData::Channel>& out);
// From the file before the removal, into out: so it can run on a worker while the removal is
// being made, with before opened on the file to be edited (its samples stay readable when the
// edit renames a new file over its name).
int PatchPeaksForRemoval(const std::vector<PeakData::Channel>& old, SampleFile& before,
                         std::uint32_t start, std::uint32_t end,
                         std::vector<PeakData::Channel>& out);

}  // namespace sonthra
