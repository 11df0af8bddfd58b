// Opening, the one-document rule, closing and its peak file, new documents, the recent files,
// the command handler and drops, driven through the real main window.
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMenu>
#include <QMimeData>
#include <QUrl>

#include <csignal>

#include "app/argument_block.h"
#include "app/temp_names.h"
#include "app/ui/command_states.h"
#include "app/ui/window_texts.h"
#include "docs_fixture.h"
#include "engine/mixer_start.h"
#include "messages/message_table.h"
#include "support/mpeg_frames.h"
#include "view/peak_file.h"
#include "view/ui/overview.h"
#include "view/view_errors.h"

namespace sonthra {
namespace {

namespace fs = std::filesystem;

struct timespec mtimeOf(const std::string& path) {
    struct stat st {};
    ::stat(path.c_str(), &st);
    return st.st_mtim;
}

std::string peakFileOf(const std::string& wav) {
    return fs::path(wav).replace_extension(".cvp").string();
}

TEST_F(DocumentWindowTest, OpenShowsTheFileAtOnceAndCopiesItInTheBackground) {
    const std::string path = makeWav("a rather long file name.wav", 66150);  // 1.5 s
    openByMenu(path);
    const AudioDocument* document = form.CurrentDocument();
    ASSERT_NE(document, nullptr);
    EXPECT_EQ(form.windowTitle(), "Sonthra: a rather long file name.wav");
    EXPECT_EQ(panel(0), "a rather long fi....");
    EXPECT_EQ(panel(1), "44100 Hz");
    EXPECT_EQ(panel(2), "16 Bit");
    EXPECT_EQ(panel(3), "Stereo");
    EXPECT_EQ(panel(4), QString("1:%1").arg(form.CurrentView()->ZoomLevel()));
    EXPECT_EQ(panel(5), "000:01:500");
    EXPECT_EQ(document->state, DocumentState::Clean);
    EXPECT_EQ(document->frames, 66150u);
    EXPECT_EQ(document->fileName, path);
    EXPECT_TRUE(fs::path(document->workFile).filename().string().starts_with("ST32"));
    EXPECT_EQ(fs::path(document->workFile).parent_path(), fs::path(workspace.path()));
    // The whole file fits the view, the peaks were built once and cached beside the file.
    const RIZI32DaziVereruz* view = form.CurrentView();
    EXPECT_EQ(view->ZoomLevel(), view->MaxZoomLevel());
    EXPECT_EQ(view->TotalSamples(), 66150u);
    EXPECT_TRUE(progressCaptions().contains("Building Peaks..."));
    FinishPeakFileWrite(peakFileOf(path));  // written in the background
    EXPECT_GT(fs::file_size(peakFileOf(path)), 6u);
    // Command state 12.
    EXPECT_TRUE(enabled("FileSaveMenu"));
    EXPECT_TRUE(enabled("FileCloseMenu"));
    EXPECT_TRUE(enabled("PlayButton"));
    EXPECT_FALSE(enabled("EditCutMenu"));
    EXPECT_FALSE(enabled("StopButton"));
    // The display plays from the user's file until the copy is done, then from the copy.
    EXPECT_EQ(view->WaveFileName(), path);
    ASSERT_TRUE(waitForWorkingCopy());
    EXPECT_EQ(form.CurrentDocument()->workspace, WorkspaceState::Ready);
    EXPECT_EQ(test::readFile(document->workFile), test::readFile(path));
    EXPECT_EQ(view->WaveFileName(), document->workFile);
    EXPECT_TRUE(messages().isEmpty());
    // The recent files hold it, and so does the menu.
    EXPECT_EQ(settings.readRecentFile(0).value, path);
    QAction* recent = form.findChild<QAction*>("RecentFileMenu0");
    ASSERT_NE(recent, nullptr);
    EXPECT_EQ(recent->text(), "&1 " + QString::fromStdString(path));
}

TEST_F(DocumentWindowTest, ReopeningUsesTheCachedPeaks) {
    const std::string path = makeWav("song.wav", 44100);
    openByMenu(path);
    ASSERT_TRUE(waitForWorkingCopy());
    trigger("FileCloseMenu");
    dialogs.clearShown();
    openByMenu(path);
    ASSERT_NE(form.CurrentDocument(), nullptr);
    EXPECT_FALSE(progressCaptions().contains("Building Peaks..."));
    EXPECT_EQ(form.CurrentView()->TotalSamples(), 44100u);
    // The overview shows the peaks the display loaded instead of reading the file again.
    EXPECT_EQ(&form.CurrentOverview()->model().peaks(), &form.CurrentView()->model().peaks());
}

// The peak file is written after the open has shown the waveform; when it cannot be written the
// user still hears of it, once, and the document stays open.
TEST_F(DocumentWindowTest, APeakFileThatCannotBeWrittenIsShownOnceAfterTheOpen) {
    const std::string path = makeWav("song.wav", 44100);
    fs::create_directory(peakFileOf(path));  // no file can replace a folder by that name
    // Nor in the user's cache folder, where the peaks go instead.
    const std::string cache = store.file("cache");
    ::setenv("XDG_CACHE_HOME", cache.c_str(), 1);
    struct Unset {
        ~Unset() { ::unsetenv("XDG_CACHE_HOME"); }
    } unset;
    const std::string fallback = GetPeakFileName(path, workspace.path());
    ASSERT_EQ(fallback.rfind(cache, 0), 0u) << fallback;
    fs::create_directory(fallback);
    openByMenu(path);
    ASSERT_NE(form.CurrentDocument(), nullptr);
    FinishPeakFileWrite(fallback);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !messages().isEmpty(); }, 5000));
    QApplication::processEvents();
    ASSERT_EQ(messages().size(), 1);
    EXPECT_EQ(messages()[0],
              QString::fromStdString(FormatMessage(ViewErrorToMessage(kViewErrPeakWrite))));
    EXPECT_EQ(form.CurrentView()->TotalSamples(), 44100u);
    EXPECT_TRUE(fs::is_directory(fallback));
}

TEST_F(DocumentWindowTest, BrokenAndMissingFilesOpenNothing) {
    openByMenu(user.file("nowhere.wav"));
    EXPECT_EQ(form.CurrentDocument(), nullptr);
    EXPECT_EQ(messages(),
              QStringList{"Error : The file " + QString::fromStdString(user.file("nowhere.wav")) +
                          " does not exist."});
    dialogs.clearShown();
    test::writeFile(user.file("broken.wav"), "RIFF\x10\0\0\0WAVEjunkjunk");
    openByMenu(user.file("broken.wav"));
    EXPECT_EQ(form.CurrentDocument(), nullptr);
    EXPECT_EQ(messages().size(), 1);
    EXPECT_EQ(form.windowTitle(), "Sonthra");
    EXPECT_FALSE(enabled("FileCloseMenu"));
    // Nothing of the failed document stays in the workspace.
    EXPECT_TRUE(workspaceFiles().empty());
}

TEST_F(DocumentWindowTest, Mp3WithoutTheConverterIsTheMissingComponent) {
    form.Files().SetMp3Services({});  // as when the MP3 component is missing
    const std::string wav = makeWav("keep.wav", 4410);
    openByMenu(wav);
    ASSERT_TRUE(waitForWorkingCopy());
    test::writeFile(user.file("tune.MP3"), testing::mpegFrames(3));
    dialogs.clearShown();
    dialogs.queueAnswer(DialogAnswer::Yes);
    openByMenu(user.file("tune.MP3"));
    const QStringList shown = messages();
    ASSERT_EQ(shown.size(), 1);
    EXPECT_TRUE(shown[0].startsWith("Warning: This machine does not have the suitable component"));
    EXPECT_EQ(dialogs.shown().back().kind, ShownDialog::Kind::Url);
    // The open document stays as it was.
    ASSERT_NE(form.CurrentDocument(), nullptr);
    EXPECT_EQ(form.CurrentDocument()->fileName, wav);
    EXPECT_EQ(form.Documents().count(), 1u);
}

// A block naming several files, as a second copy given them hands over (a command line carries
// only its first).
ArgumentBlock handedOver(const std::vector<std::string>& files) {
    ArgumentBlock block;
    for (std::size_t i = 0; i < files.size(); ++i) block.setSlot(i, files[i]);
    block.setCount(static_cast<std::int32_t>(files.size()));
    return block;
}

// The temporary folder cannot hold the first file's working copy: the files after it are not
// tried, so the user sees one warning, not one per file.
TEST_F(DocumentWindowTest, NoRoomForOneHandedOverFileStopsTheRest) {
    Mp3Services mp3;
    mp3.canConvert = [](const std::string&) { return true; };
    mp3.bitRate = [](const std::string&) { return 8u; };  // decodes to ~176 times its size
    mp3.convertToWave = [](const std::string&, const std::string&) { return 0; };
    form.Files().SetMp3Services(mp3);
    const std::string big = user.file("long.mp3");
    test::writeFile(big, testing::mpegFrames(2));
    std::filesystem::resize_file(big, std::uint64_t{4} << 30);  // sparse: nothing is written
    const std::string after = makeWav("after.wav", 4410);
    dialogs.clearShown();
    form.CommandHandler(handedOver({big, after}));
    EXPECT_EQ(form.CurrentDocument(), nullptr) << "the file after the refused one stays shut";
    ASSERT_EQ(messages().size(), 1);
    EXPECT_TRUE(messages()[0].startsWith("Warning : There is not enough free space"));
    EXPECT_FALSE(form.Busy().isSet());
}

// Message 104 also means the system ran out of memory: a handed-over file failing that way is
// not a full temporary folder, so the files after it are still opened.
TEST_F(DocumentWindowTest, OneHandedOverFileFailingForMemoryDoesNotStopTheRest) {
    Mp3Services mp3;
    mp3.canConvert = [](const std::string&) { return true; };
    mp3.bitRate = [](const std::string&) { return 128u; };
    mp3.convertToWave = [](const std::string&, const std::string&) { return kNoMemory; };
    form.Files().SetMp3Services(mp3);
    const std::string failing = user.file("failing.mp3");
    test::writeFile(failing, testing::mpegFrames(2));
    const std::string after = makeWav("after.wav", 4410);
    form.CommandHandler(handedOver({failing, after}));
    ASSERT_NE(form.CurrentDocument(), nullptr) << "the file after the failed one opens";
    EXPECT_EQ(form.CurrentDocument()->fileName, after);
    EXPECT_FALSE(form.Busy().isSet());
}

TEST_F(DocumentWindowTest, SecondFilePromptsForTheFirstAndLeavesOneDocument) {
    // An unsaved document holding audio asks before it goes.
    const std::string first = makeWav("first.wav", 22050);
    const std::string second = makeWav("second.wav", 22050);
    form.Files().OpenAsUnsaved(QString::fromStdString(first), {}, false);
    ASSERT_NE(form.CurrentDocument(), nullptr);
    EXPECT_EQ(form.CurrentDocument()->fileName, "Untitled1.wav");
    dialogs.clearShown();
    dialogs.queueAnswer(DialogAnswer::Cancel);
    openByMenu(second);
    EXPECT_EQ(messages(),
              QStringList{"Warning: The file Untitled1.wav has changed. Do you want to save it?"});
    EXPECT_EQ(form.CurrentDocument()->fileName, "Untitled1.wav");
    dialogs.clearShown();
    dialogs.queueAnswer(DialogAnswer::No);
    openByMenu(second);
    EXPECT_EQ(messages().size(), 1);
    EXPECT_EQ(form.Documents().count(), 1u);
    EXPECT_EQ(form.CurrentDocument()->fileName, second);
    // A clean document goes without a question.
    ASSERT_TRUE(waitForWorkingCopy());
    dialogs.clearShown();
    openByMenu(first);
    EXPECT_TRUE(messages().isEmpty());
    EXPECT_EQ(form.Documents().count(), 1u);
    EXPECT_EQ(form.CurrentDocument()->fileName, first);
    // The user's files were only read.
    EXPECT_TRUE(fs::exists(first));
    EXPECT_TRUE(fs::exists(second));
}

TEST_F(DocumentWindowTest, CleanDocumentClosedLeavesItsPeakFileWithTheWavTime) {
    const std::string path = makeWav("clean.wav", 44100);
    openByMenu(path);
    ASSERT_TRUE(waitForWorkingCopy());
    const std::string work = form.CurrentDocument()->workFile;
    trigger("FileCloseMenu");
    EXPECT_EQ(form.CurrentDocument(), nullptr);
    ASSERT_TRUE(fs::exists(peakFileOf(path)));
    const struct timespec peaks = mtimeOf(peakFileOf(path));
    const struct timespec wav = mtimeOf(path);
    EXPECT_EQ(peaks.tv_sec, wav.tv_sec);
    EXPECT_EQ(peaks.tv_nsec, wav.tv_nsec);
    // The working files are gone, and the window is back to no document.
    EXPECT_FALSE(fs::exists(work));
    EXPECT_TRUE(workspaceFiles().empty());
    EXPECT_EQ(form.windowTitle(), "Sonthra");
    for (int i = 0; i < TMainForm::kStatusPanels; ++i) EXPECT_TRUE(panel(i).isEmpty()) << i;
    EXPECT_TRUE(enabled("FileOpenMenu"));
    EXPECT_FALSE(enabled("FileCloseMenu"));
    EXPECT_FALSE(enabled("PlayButton"));
    // The cached peaks are used again.
    dialogs.clearShown();
    openByMenu(path);
    EXPECT_FALSE(progressCaptions().contains("Building Peaks..."));
}

TEST_F(DocumentWindowTest, NewDocumentOfLengthZeroClosesWithoutAPrompt) {
    trigger("FileNewMenu");
    const AudioDocument* document = form.CurrentDocument();
    ASSERT_NE(document, nullptr);
    EXPECT_EQ(document->fileName, "Untitled1.wav");
    EXPECT_EQ(document->state, DocumentState::New);
    EXPECT_EQ(document->sampleRate, 44100u);
    EXPECT_EQ(document->format.blockAlign, 4);
    EXPECT_EQ(form.windowTitle(), "Sonthra: Untitled1.wav");
    EXPECT_EQ(panel(5), "000:00:000");
    EXPECT_TRUE(enabled("FileSaveMenu"));
    EXPECT_FALSE(enabled("FileExportMenu"));
    EXPECT_FALSE(enabled("PlayButton"));
    EXPECT_EQ(workspaceFiles().size(), 3u);  // working copy, undo and redo names
    trigger("FileCloseMenu");
    EXPECT_TRUE(dialogs.shown().empty());
    EXPECT_EQ(form.CurrentDocument(), nullptr);
    EXPECT_TRUE(workspaceFiles().empty());
    // The counter never goes back.
    trigger("FileNewMenu");
    EXPECT_EQ(form.CurrentDocument()->fileName, "Untitled2.wav");
}

TEST_F(DocumentWindowTest, RecentFilesKeepOrderWithoutDuplicates) {
    const std::string a = makeWav("a.wav", 4410);
    const std::string b = makeWav("b.wav", 4410);
    const std::string c = makeWav("c.wav", 4410);
    for (const std::string& path : {a, b, c, a}) {
        openByMenu(path);
        ASSERT_TRUE(waitForWorkingCopy());
    }
    RecentFiles recent = settings.readRecentFiles().value;
    EXPECT_EQ(recent[0], a);
    EXPECT_EQ(recent[1], c);
    EXPECT_EQ(recent[2], b);
    EXPECT_EQ(recent[3], "");
    // Choosing entry 3 (b) opens it and brings it to the front.
    QAction* item = form.findChild<QAction*>("RecentFileMenu2");
    ASSERT_NE(item, nullptr);
    item->trigger();
    EXPECT_EQ(form.CurrentDocument()->fileName, b);
    recent = settings.readRecentFiles().value;
    EXPECT_EQ(recent[0], b);
    EXPECT_EQ(recent[1], a);
    EXPECT_EQ(recent[2], c);
    EXPECT_EQ(form.findChild<QAction*>("RecentFileMenu0")->text(),
              "&1 " + QString::fromStdString(b));
    // An entry whose file has gone shows why, and the open document stays.
    ASSERT_TRUE(waitForWorkingCopy());
    fs::remove(c);
    dialogs.clearShown();
    form.findChild<QAction*>("RecentFileMenu2")->trigger();
    EXPECT_EQ(messages().size(), 1);
    EXPECT_EQ(form.CurrentDocument()->fileName, b);
}

TEST_F(DocumentWindowTest, CommandHandlerOpensFilesAndUnsavedCopies) {
    const std::string path = makeWav("handed.wav", 8820);
    ArgumentBlock block = ArgumentBlock::fromArguments({path});
    form.CommandHandler(block);
    ASSERT_NE(form.CurrentDocument(), nullptr);
    EXPECT_EQ(form.CurrentDocument()->fileName, path);
    EXPECT_FALSE(form.Busy().isSet());
    ASSERT_TRUE(waitForWorkingCopy());

    // "/Unsaved" after the file: a new document working on a copy; the user's file stays.
    ArgumentBlock unsaved;
    unsaved.setSlot(0, path);
    unsaved.setSlot(1, "/Unsaved");
    unsaved.setCount(2);
    form.CommandHandler(unsaved);
    const AudioDocument* document = form.CurrentDocument();
    ASSERT_NE(document, nullptr);
    EXPECT_EQ(document->state, DocumentState::New);
    EXPECT_EQ(document->fileName, "Untitled1.wav");
    EXPECT_EQ(document->frames, 8820u);
    // A copy not yet saved is unsaved work.
    EXPECT_EQ(form.windowTitle(), "Sonthra: *Untitled1.wav");
    EXPECT_TRUE(enabled("FileSaveMenu"));
    dialogs.queueAnswer(DialogAnswer::No);
    trigger("FileCloseMenu");
    EXPECT_EQ(form.CurrentDocument(), nullptr);
    EXPECT_TRUE(fs::exists(path));
    EXPECT_TRUE(workspaceFiles().empty());

    // A WMA file goes to the WMA import, which refuses one that is not WMA.
    test::writeFile(user.file("x.WMA"), "wma");
    dialogs.clearShown();
    form.CommandHandler(ArgumentBlock::fromArguments({user.file("x.WMA")}));
    ASSERT_EQ(dialogs.shown().size(), 1u);
    EXPECT_EQ(dialogs.shown()[0].text, "WMA File format is not proper!!");
    EXPECT_EQ(form.CurrentDocument(), nullptr);
}

TEST_F(DocumentWindowTest, DroppedFileOpens) {
    const std::string path = makeWav("dropped.wav", 4410);
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(QString::fromStdString(path))});
    QDragEnterEvent enter(QPoint(50, 50), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&form, &enter);
    QDropEvent drop(QPointF(50, 50), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&form, &drop);
    ASSERT_TRUE(QTest::qWaitFor([&] { return form.CurrentDocument() != nullptr; }));
    EXPECT_EQ(form.CurrentDocument()->fileName, path);
}

// A file size limit stops the workspace copy half way: the document stays open, read-only,
// reading the user's file.
TEST_F(DocumentWindowTest, FailedWorkspaceCopyLeavesTheDocumentReadOnly) {
    const std::string path = makeWav("large.wav", 441000);  // 1.7 MB
    struct rlimit old {};
    ::getrlimit(RLIMIT_FSIZE, &old);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    // Room for the peak file and the settings, not for the copy.
    const struct rlimit small { 600000, old.rlim_max };
    ::setrlimit(RLIMIT_FSIZE, &small);
    openByMenu(path);
    const bool ended = waitForWorkingCopy();
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    ASSERT_TRUE(ended);
    const AudioDocument* document = form.CurrentDocument();
    ASSERT_NE(document, nullptr);
    EXPECT_EQ(document->workspace, WorkspaceState::ReadOnly);
    const QStringList shown = messages();
    ASSERT_EQ(shown.size(), 2);
    EXPECT_TRUE(shown[0].endsWith("Error code 153")) << shown[0].toStdString();
    EXPECT_TRUE(shown[1].endsWith("Error code 182")) << shown[1].toStdString();
    EXPECT_EQ(form.windowTitle(), "Sonthra: large.wav (Read Only)");
    EXPECT_EQ(form.CurrentView()->WaveFileName(), path);
    // Saving needs the working copy: nothing happens.
    dialogs.clearShown();
    trigger("FileSaveAsMenu");
    EXPECT_TRUE(dialogs.shown().empty());
    EXPECT_FALSE(form.Session().EnsureWorkingCopy(true));
}

// The temporary folder on a file system too small for the working copy.
TEST_F(DocumentWindowTest, NoRoomForTheWorkingCopyIsWarnedAbout) {
    const std::string small = store.file("small");
    fs::create_directory(small);
    if (::mount("tmpfs", small.c_str(), "tmpfs", 0, "size=64k") != 0) {
        GTEST_SKIP() << "cannot mount a small file system here";
    }
    struct Unmount {
        std::string path;
        ~Unmount() { ::umount2(path.c_str(), MNT_DETACH); }
    } unmount{small};
    settings.writeTempPath(small);
    const std::string path = makeWav("big.wav", 44100);  // 176 kB
    openByMenu(path);
    EXPECT_EQ(form.CurrentDocument(), nullptr);
    ASSERT_EQ(messages().size(), 1);
    EXPECT_EQ(messages()[0],
              "Warning : There is not enough free space on your temporary drive. It is "
              "recommended to make more free space available, and try again.?");
    // No file is left there (only, in a folder others may write, this user's own folder).
    for (const auto& entry : fs::recursive_directory_iterator(small)) {
        EXPECT_TRUE(entry.is_directory()) << entry.path();
    }
}

TEST_F(DocumentWindowTest, VanishedTemporaryFolderFallsBackToTheSystemFolder) {
    const std::string gone = store.file("gone");
    settings.writeTempPath(gone);
    trigger("FileNewMenu");
    ASSERT_NE(form.CurrentDocument(), nullptr);
    const fs::path work = form.CurrentDocument()->workFile;
    EXPECT_TRUE(fs::exists(work));
    // The system's folder, or this user's own folder inside it when others may write there.
    EXPECT_EQ(work.parent_path(), fs::path(ResolveTempFolder(gone)));
    EXPECT_EQ(ResolveTempFolder(gone).rfind(fs::path(systemTempFolder()).parent_path(), 0), 0u);
    trigger("FileCloseMenu");
    EXPECT_FALSE(fs::exists(work));
}

TEST_F(DocumentWindowTest, ShutdownClosesDocumentsAndCancelKeepsThem) {
    const std::string path = makeWav("u.wav", 4410);
    form.Files().OpenAsUnsaved(QString::fromStdString(path), "Take 1.wav", false);
    ASSERT_NE(form.CurrentDocument(), nullptr);
    dialogs.queueAnswer(DialogAnswer::Cancel);
    EXPECT_FALSE(form.close());
    EXPECT_NE(form.CurrentDocument(), nullptr);
    EXPECT_EQ(messages(),
              QStringList{"Warning: The file Take 1.wav has changed. Do you want to save it?"});
    dialogs.queueAnswer(DialogAnswer::No);
    EXPECT_TRUE(form.close());
    EXPECT_EQ(form.CurrentDocument(), nullptr);
    EXPECT_TRUE(workspaceFiles().empty());
}

// When the system ends the program nobody answers: unsaved audio keeps its working copy.
TEST_F(DocumentWindowTest, ShutdownWithoutAskingKeepsUnsavedAudio) {
    const std::string path = makeWav("u.wav", 4410);
    form.Files().OpenAsUnsaved(QString::fromStdString(path), {}, false);
    ASSERT_NE(form.CurrentDocument(), nullptr);
    const std::string work = form.CurrentDocument()->workFile;
    dialogs.clearShown();
    form.ShutdownWithoutAsking();
    EXPECT_TRUE(dialogs.shown().empty());
    EXPECT_EQ(form.CurrentDocument(), nullptr);
    EXPECT_EQ(test::readFile(work), test::readFile(path));
}

// Saving right after opening waits for the working copy under its own progress dialog.
TEST_F(DocumentWindowTest, SaveDuringTheWorkspaceCopyWaitsForIt) {
    const std::string path = makeWav("fresh.wav", 441000);
    openByMenu(path);
    ASSERT_EQ(form.CurrentDocument()->workspace, WorkspaceState::BeingCreated);
    dialogs.clearShown();
    dialogs.queueFile(QString::fromStdString(user.file("copy.wav")));
    trigger("FileSaveAsMenu");
    const QStringList captions = progressCaptions();
    ASSERT_EQ(captions.size(), 2);
    EXPECT_EQ(captions[0], "Preparing file for editing...");
    EXPECT_TRUE(dialogs.shown()[0].cancelOffered);
    EXPECT_EQ(captions[1], "Saving wave file...");
    EXPECT_EQ(form.CurrentDocument()->workspace, WorkspaceState::Ready);
    EXPECT_EQ(test::readFile(user.file("copy.wav")), test::readFile(path));
    // The copy's own news arrives later and changes nothing.
    QTest::qWait(50);
    EXPECT_EQ(form.CurrentDocument()->workspace, WorkspaceState::Ready);
    EXPECT_TRUE(messages().isEmpty());
}

// An engine refusal to play is shown and leaves the transport as it was.
TEST_F(DocumentWindowTest, PlaybackThatCannotStartChangesNothing) {
    const std::string path = makeWav("gone.wav", 4410);
    openByMenu(path);
    ASSERT_TRUE(waitForWorkingCopy());
    std::filesystem::remove(form.CurrentDocument()->workFile);
    dialogs.clearShown();
    click("PlayButton");
    EXPECT_FALSE(form.Transport().IsPlaying());
    EXPECT_EQ(messages().size(), 1);
    EXPECT_FALSE(form.Busy().isSet());
    EXPECT_TRUE(form.findChild<QWidget*>("PlayButton")->isVisible());
    EXPECT_FALSE(form.findChild<QWidget*>("PauseButton")->isVisible());
    EXPECT_TRUE(enabled("PlayButton"));
    EXPECT_FALSE(enabled("StopButton"));
}

}  // namespace
}  // namespace sonthra
