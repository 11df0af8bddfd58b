#include "edit/undo_files.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "wave/file_release.h"

namespace sonthra {

namespace {

bool isRegularFile(const std::string& path, off_t* size = nullptr) {
    struct stat st {};
    if (path.empty() || ::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
    if (size != nullptr) *size = st.st_size;
    return true;
}

// Undo and redo files are whole working copies: their space comes back in the background, so
// that an edit does not wait for a gigabyte to be freed.
bool removeFile(const std::string& path) {
    if (path.empty()) return true;
    return unlinkInBackground(path) || errno == ENOENT;
}

// The two moves of Undo and Redo: current aside to `aside`, then `back` into its place. When
// the second move fails the working copy returns from `aside`.
int swapIn(const EditFiles& files, const std::string& aside, const std::string& back, int noSource,
           int asideFailed, int backFailed) {
    if (!FileHasData(back)) return noSource;
    if (!ReplaceFile(files.workFile, aside)) return asideFailed;
    if (!ReplaceFile(back, files.workFile)) {
        ReplaceFile(aside, files.workFile);
        return backFailed;
    }
    return 0;
}

}  // namespace

bool ReplaceFile(const std::string& source, const std::string& target) {
    if (target.empty() || !isRegularFile(source)) return false;
    // rename replaces the target in one step: there is no moment without a file at target,
    // and a failed rename leaves it untouched. It never copies, so it fails across file systems
    // rather than leaving a half-written target. The file replaced is freed in the background.
    const int replaced = holdFile(target);
    const bool moved = std::rename(source.c_str(), target.c_str()) == 0;
    closeInBackground(replaced);
    return moved;
}

bool FileHasData(const std::string& path) {
    off_t size = 0;
    return isRegularFile(path, &size) && size > 0;
}

int PushUndo(const EditFiles& files) {
    return ReplaceFile(files.workFile, files.undoFile) ? 0 : kMsgCannotMakeUndoRedo;
}

int InstallResult(const EditFiles& files, const std::string& result, bool undoSaved) {
    if (ReplaceFile(result, files.workFile)) return 0;
    if (undoSaved) ReplaceFile(files.undoFile, files.workFile);
    return kMsgCannotCompleteEdit;
}

int UndoMove(const EditFiles& files) {
    return swapIn(files, files.redoFile, files.undoFile, kMsgCannotUndo, kMsgCannotMakeRedo,
                  kMsgCannotUndo);
}

int RedoMove(const EditFiles& files) {
    return swapIn(files, files.undoFile, files.redoFile, kMsgCannotMakeRedo, kMsgCannotMakeRedo,
                  kMsgCannotMakeRedo);
}

bool DropUndo(const EditFiles& files) {
    return removeFile(files.undoFile);
}

bool DropRedo(const EditFiles& files) {
    return removeFile(files.redoFile);
}

}  // namespace sonthra
