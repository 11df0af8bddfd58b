// The files around a document: the space its working copy needs, the hand-over of a peak file
// to the user's file when a clean document closes, and removing the working files. Plain
// functions over paths; any thread.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace sonthra {

// Whether the name ends in ext (".mp3", ".wav"), without regard to letter case.
bool HasExtension(const std::string& name, const std::string& ext);

// The bytes the working copy of a file of fileSize bytes needs: the size itself for a WAV file;
// for an MP3 file of bitRateKbps, fileSize x 44,100 x 16 x 2 / (bit rate x 1,000), the size of
// its decoded CD-quality audio. An MP3 bit rate of 0 is taken as the lowest MP3 rate (8 kbit/s),
// which gives the largest estimate instead of a division by zero.
std::uint64_t EstimateWorkspaceBytes(std::uint64_t fileSize, bool mp3, std::uint32_t bitRateKbps);

// Free bytes available to the user on the file system that holds folder; nullopt when the
// folder cannot be asked.
std::optional<std::uint64_t> FreeSpaceBytes(const std::string& folder);

// The size of a regular file, nullopt when it cannot be read.
std::optional<std::uint64_t> FileSize(const std::string& path);

// Makes the working copy's peak file the peak file of the user's file userFile (replacing the
// old one), so that the next opening reuses it. A working peak file that is missing or empty
// holds nothing worth keeping: it is deleted and the user's peak file stays. Either way the
// user's peak file, when there is one, then gets userFile's last-write time. Crosses file
// systems by copying. 0, or an errno; the working peak file is gone afterwards in every case.
int HandOverPeakFile(const std::string& workPeakFile, const std::string& userPeakFile,
                     const std::string& userFile);

// Deletes a file, when a name is given. false when a file was there and stays.
bool RemoveFile(const std::string& path);

// Empties a reserved file (undo or redo) while keeping its name reserved.
bool EmptyFile(const std::string& path);

}  // namespace sonthra
