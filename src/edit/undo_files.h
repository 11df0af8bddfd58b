// One level of undo and redo, kept as whole WAV files beside the working copy: an edit moves
// the working copy to the undo file and its result into the working copy's place; Undo and
// Redo swap them back and forth through the redo file. Files are never copied: every move is
// one rename, checked, which replaces its target only when it succeeds, so no move ever
// deletes the only copy of the audio. Every step that fails after moving the working copy
// aside puts it back. Plain functions over paths; call them for one document from one thread.
#pragma once

#include <string>

namespace sonthra {

inline constexpr int kMsgCannotMakeUndoRedo = 177;  // the working copy cannot become the undo file
inline constexpr int kMsgCannotCompleteEdit = 137;  // the result cannot replace the working copy
inline constexpr int kMsgCannotMakeRedo = 133;      // the working copy cannot be moved aside
inline constexpr int kMsgCannotUndo = 178;          // the undo file cannot replace the working copy

// The names of a document's working copy and of its undo and redo files (all in one folder).
struct EditFiles {
    std::string workFile;
    std::string undoFile;
    std::string redoFile;
};

// Moves source onto target by renaming it; the file that was at target, if any, goes only when
// the rename succeeds. false, with both names as they were, when source is not a regular file
// or the rename fails (another file system, a vanished folder). The source name is free
// afterwards.
bool ReplaceFile(const std::string& source, const std::string& target);

// Whether path names a regular file of at least one byte: what makes Undo or Redo available.
bool FileHasData(const std::string& path);

// The working copy becomes the undo file, replacing the one before. 0 or 177 (nothing moved).
int PushUndo(const EditFiles& files);

// After PushUndo (undoSaved: whether it succeeded), moves an edit's result into the working
// copy's place. 0, or 137 when that fails: the undo file is then moved back, so the working
// copy is the one from before the edit, and the result stays where it was for the caller to
// delete. Without a saved undo file nothing is moved back, since the working copy never left.
int InstallResult(const EditFiles& files, const std::string& result, bool undoSaved);

// Undo: the working copy goes to the redo file and the undo file takes its place. 0; 178 when
// there is no undo file with data (nothing moved); 133 when the working copy cannot be moved
// aside (nothing moved); 178 when the undo file cannot take its place (the working copy is
// moved back).
int UndoMove(const EditFiles& files);

// Redo, the mirror image: the working copy goes to the undo file and the redo file takes its
// place. 0, or 133 for each of the three failures above (the working copy is moved back after
// the last).
int RedoMove(const EditFiles& files);

// Delete the undo or the redo file; true when it is gone (or never was).
bool DropUndo(const EditFiles& files);
bool DropRedo(const EditFiles& files);

}  // namespace sonthra
