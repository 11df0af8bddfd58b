// The document's workspace folder and the block files in it. The folder is the user's alone
// (0700) and is reached through one descriptor, so that no name in it is ever followed through a
// link; block files are made with O_EXCL and mode 0600 and never change once an edit took them.
// A BlockFile keeps its descriptor open while anything may read it, so a reader of an older
// state still reads a block whose name the document has already removed.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "sequence/piece_list.h"
#include "wave/wave_format.h"

namespace sonthra {

class Workspace {
public:
    // Opens the folder, making it (0700) when it is missing; a link or a file in its place is
    // refused. 0 or a message number.
    static int open(const std::string& folder, std::unique_ptr<Workspace>* out);
    ~Workspace();
    Workspace(const Workspace&) = delete;
    Workspace& operator=(const Workspace&) = delete;

    const std::string& path() const { return m_path; }
    // A file of the folder opened read-only (or for reading and writing), no link followed:
    // the descriptor or -1 (errno).
    int openFile(const std::string& name, bool writing = false) const;
    // A new file (0600, read and write), failing when the name exists: the descriptor or -1.
    int createFile(const std::string& name) const;
    bool removeFile(const std::string& name) const;
    bool renameFile(const std::string& from, const std::string& to) const;
    // Flushes the folder's entries (a new or renamed name) to the disk.
    bool sync() const;
    // The names of the folder's regular files.
    std::vector<std::string> fileNames() const;
    // The bytes the named files take on the disk.
    std::uint64_t diskBytes(const std::vector<std::string>& names) const;

private:
    Workspace(std::string path, int fd) : m_path(std::move(path)), m_fd(fd) {}

    std::string m_path;
    int m_fd = -1;
};

// Where a block's samples lie: bytes from dataOffset of the file name, frames of the document's
// format.
struct BlockEntry {
    BlockId id = kSilenceBlock;
    std::string name;
    std::uint64_t dataOffset = 0;
    std::uint64_t frames = 0;

    bool operator==(const BlockEntry&) const = default;
};

// An open block: closes its descriptor when the last holder lets go.
class BlockFile {
public:
    BlockFile(BlockEntry entry, int fd) : m_entry(std::move(entry)), m_fd(fd) {}
    ~BlockFile();
    BlockFile(const BlockFile&) = delete;
    BlockFile& operator=(const BlockFile&) = delete;

    const BlockEntry& entry() const { return m_entry; }
    int fd() const { return m_fd; }

private:
    BlockEntry m_entry;
    int m_fd;
};

// New audio on its way into the document (a recording, a paste from another file, an effect's
// output): one block file written in order, which an edit then takes. Dropped untaken, it
// removes its file.
class NewAudio {
public:
    NewAudio(const Workspace& workspace, const WaveFormat& format, BlockId id);
    ~NewAudio();
    NewAudio(const NewAudio&) = delete;
    NewAudio& operator=(const NewAudio&) = delete;

    // Appends whole frames. false on failure (see error()); every later call fails too.
    bool append(const void* bytes, std::size_t count);
    // Appends count bytes of another open file from offset, copied by the kernel.
    bool appendFrom(int fd, std::uint64_t offset, std::uint64_t count);
    // Flushes the file to the disk; the edit that takes the block calls it.
    bool flush();
    std::uint64_t frames() const;
    // errno of the first failure (ENOSPC, EFBIG for a full disk), 0 when none.
    int error() const { return m_error; }
    const BlockEntry& entry() const { return m_entry; }
    // Hands the descriptor to the document's block table; the file now stays.
    std::shared_ptr<BlockFile> take();

private:
    bool fail(int err);

    const Workspace& m_workspace;
    BlockEntry m_entry;
    std::uint16_t m_blockAlign;
    std::uint64_t m_bytes = 0;
    int m_fd = -1;
    int m_error = 0;
};

// The name of block id's file.
std::string blockFileName(BlockId id);

}  // namespace sonthra
