#include "edit/undo_files.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "wave/wave_test_files.h"

namespace sonthra {
namespace {

using testing::readBytes;
using testing::TempDir;
using testing::writeBytes;

bool exists(const std::string& path) {
    return std::filesystem::exists(path);
}

// A document's three files in one folder, the working copy holding "A" and an older undo
// state "U".
struct Files {
    TempDir dir;
    EditFiles files{dir.file("work.tmp"), dir.file("undo.tmp"), dir.file("redo.tmp")};
    Files() {
        writeBytes(files.workFile, "A");
        writeBytes(files.undoFile, "U");
    }
};

// A folder on another file system than the temporary folder, where a rename cannot reach.
std::string otherFileSystem() {
    struct stat tmp {};
    struct stat shm {};
    if (::stat("/dev/shm", &shm) != 0 || ::stat(testing::TempDir().path().c_str(), &tmp) != 0 ||
        shm.st_dev == tmp.st_dev) {
        return {};
    }
    return "/dev/shm";
}

TEST(UndoFiles, ReplaceFileRenamesAndNeverLosesTheTarget) {
    TempDir dir;
    const std::string a = dir.file("a");
    const std::string b = dir.file("b");
    writeBytes(a, "new");
    writeBytes(b, "old");
    EXPECT_TRUE(ReplaceFile(a, b));
    EXPECT_EQ(readBytes(b), "new");
    EXPECT_FALSE(exists(a)) << "the source name is free afterwards";

    // A missing source leaves the target as it was (a delete-then-rename would lose it).
    EXPECT_FALSE(ReplaceFile(a, b));
    EXPECT_EQ(readBytes(b), "new");
    // So does a folder as the source, a vanished target folder and an empty target name.
    std::filesystem::create_directory(dir.file("folder"));
    EXPECT_FALSE(ReplaceFile(dir.file("folder"), b));
    EXPECT_EQ(readBytes(b), "new");
    EXPECT_FALSE(ReplaceFile(b, dir.file("gone/b")));
    EXPECT_EQ(readBytes(b), "new");
    EXPECT_FALSE(ReplaceFile(b, ""));
    EXPECT_EQ(readBytes(b), "new");
}

TEST(UndoFiles, ReplaceFileDoesNotCopyAcrossFileSystems) {
    const std::string other = otherFileSystem();
    if (other.empty()) GTEST_SKIP() << "no second file system here";
    TempDir dir;
    writeBytes(dir.file("a"), "new");
    const std::string target = other + "/sonthra-replace-" + std::to_string(::getpid());
    writeBytes(target, "old");
    EXPECT_FALSE(ReplaceFile(dir.file("a"), target));
    EXPECT_EQ(readBytes(target), "old");
    EXPECT_EQ(readBytes(dir.file("a")), "new");
    std::filesystem::remove(target);
}

TEST(UndoFiles, FileHasDataNeedsARegularFileWithBytes) {
    TempDir dir;
    writeBytes(dir.file("empty"), "");
    writeBytes(dir.file("full"), "x");
    EXPECT_FALSE(FileHasData(dir.file("empty")));
    EXPECT_TRUE(FileHasData(dir.file("full")));
    EXPECT_FALSE(FileHasData(dir.file("missing")));
    EXPECT_FALSE(FileHasData(dir.path()));
    EXPECT_FALSE(FileHasData(""));
}

TEST(UndoFiles, AnEditUndoAndRedoAlternateBetweenTheSameTwoStates) {
    Files f;
    writeBytes(f.dir.file("result"), "B");
    ASSERT_EQ(PushUndo(f.files), 0);
    ASSERT_EQ(InstallResult(f.files, f.dir.file("result"), true), 0);
    EXPECT_EQ(readBytes(f.files.workFile), "B");
    EXPECT_EQ(readBytes(f.files.undoFile), "A");
    EXPECT_FALSE(exists(f.dir.file("result")));

    for (int round = 0; round < 2; ++round) {
        ASSERT_EQ(UndoMove(f.files), 0);
        EXPECT_EQ(readBytes(f.files.workFile), "A");
        EXPECT_EQ(readBytes(f.files.redoFile), "B");
        EXPECT_FALSE(FileHasData(f.files.undoFile));
        ASSERT_EQ(RedoMove(f.files), 0);
        EXPECT_EQ(readBytes(f.files.workFile), "B");
        EXPECT_EQ(readBytes(f.files.undoFile), "A");
        EXPECT_FALSE(FileHasData(f.files.redoFile));
    }
    EXPECT_EQ(f.dir.names(), (std::vector<std::string>{"undo.tmp", "work.tmp"}));
}

TEST(UndoFiles, UndoAndRedoWithoutTheirFileMoveNothing) {
    Files f;
    std::filesystem::remove(f.files.undoFile);
    EXPECT_EQ(UndoMove(f.files), kMsgCannotUndo);
    EXPECT_EQ(readBytes(f.files.workFile), "A");
    EXPECT_EQ(RedoMove(f.files), kMsgCannotMakeRedo);
    EXPECT_EQ(readBytes(f.files.workFile), "A");
    // An empty file, as a reserved name that was never used, counts as none.
    writeBytes(f.files.undoFile, "");
    EXPECT_EQ(UndoMove(f.files), kMsgCannotUndo);
    EXPECT_EQ(readBytes(f.files.workFile), "A");
    EXPECT_EQ(f.dir.names(), (std::vector<std::string>{"undo.tmp", "work.tmp"}));
}

TEST(UndoFiles, AWorkingCopyThatCannotBeMovedAsideStaysInPlace) {
    Files f;
    EditFiles files = f.files;
    files.redoFile = f.dir.file("vanished/redo.tmp");
    EXPECT_EQ(UndoMove(files), kMsgCannotMakeRedo);
    EXPECT_EQ(readBytes(files.workFile), "A");
    EXPECT_EQ(readBytes(files.undoFile), "U");

    files.undoFile = f.dir.file("vanished/undo.tmp");
    EXPECT_EQ(PushUndo(files), kMsgCannotMakeUndoRedo);
    EXPECT_EQ(readBytes(files.workFile), "A");
}

// The second move of an undo or redo failing: the working copy has been moved aside already
// and must come back, so the document never loses its audio.
TEST(UndoFiles, AFailedSecondMovePutsTheWorkingCopyBack) {
    const std::string other = otherFileSystem();
    if (other.empty()) GTEST_SKIP() << "no second file system here";
    Files f;
    const std::string foreign = other + "/sonthra-undo-" + std::to_string(::getpid());
    writeBytes(foreign, "U");
    EditFiles files = f.files;
    files.undoFile = foreign;
    EXPECT_EQ(UndoMove(files), kMsgCannotUndo);
    EXPECT_EQ(readBytes(files.workFile), "A");
    EXPECT_FALSE(exists(files.redoFile));
    EXPECT_EQ(readBytes(foreign), "U");

    // After an undo there is a redo file and no undo file.
    files = f.files;
    files.redoFile = foreign;
    std::filesystem::remove(files.undoFile);
    EXPECT_EQ(RedoMove(files), kMsgCannotMakeRedo);
    EXPECT_EQ(readBytes(files.workFile), "A");
    EXPECT_FALSE(exists(files.undoFile));
    EXPECT_EQ(readBytes(foreign), "U");
    std::filesystem::remove(foreign);
}

TEST(UndoFiles, AResultThatCannotTakeThePlaceBringsTheUndoFileBack) {
    Files f;
    // The result is missing: the working copy comes back from the undo file.
    ASSERT_EQ(PushUndo(f.files), 0);
    EXPECT_EQ(InstallResult(f.files, f.dir.file("no-result"), true), kMsgCannotCompleteEdit);
    EXPECT_EQ(readBytes(f.files.workFile), "A");
    EXPECT_FALSE(exists(f.files.undoFile));

    // Without a saved undo file the working copy never left, and an older undo file must not
    // be moved over it.
    writeBytes(f.files.undoFile, "U");
    EXPECT_EQ(InstallResult(f.files, f.dir.file("no-result"), false), kMsgCannotCompleteEdit);
    EXPECT_EQ(readBytes(f.files.workFile), "A");
    EXPECT_EQ(readBytes(f.files.undoFile), "U");
}

TEST(UndoFiles, DroppingDeletesOnlyItsOwnFile) {
    Files f;
    writeBytes(f.files.redoFile, "R");
    EXPECT_TRUE(DropRedo(f.files));
    EXPECT_FALSE(exists(f.files.redoFile));
    EXPECT_TRUE(DropRedo(f.files)) << "a file already gone is dropped";
    EXPECT_TRUE(DropUndo(f.files));
    EXPECT_FALSE(exists(f.files.undoFile));
    EXPECT_EQ(readBytes(f.files.workFile), "A");
    EXPECT_TRUE(DropUndo(EditFiles{}));
}

}  // namespace
}  // namespace sonthra
