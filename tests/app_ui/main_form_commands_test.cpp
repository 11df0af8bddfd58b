// The main window's command line, recent files, effect items, help, about, drops and shutdown.
#include <QAbstractButton>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QLabel>
#include <QMimeData>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QUrl>

#include "app/ui/about_form.h"
#include "app/ui/effects_controller.h"
#include "app/ui/command_states.h"
#include "dialogs/ui/help.h"
#include "app_ui/main_form_fixture.h"

using namespace sonthra;

namespace {

QStringList openedPaths(const QSignalSpy& spy) {
    QStringList paths;
    for (const QList<QVariant>& call : spy) paths << call.at(0).toString();
    return paths;
}

}  // namespace

TEST_F(MainFormTest, FirstShowPostsTheCommandLineOnce) {
    QSignalSpy spy(&form, &TMainForm::OpenRequested);
    form.SetStartupArguments({"take.wav", "other.wav"});
    form.show();
    EXPECT_EQ(spy.count(), 0);  // queued, not run inside the show
    QCoreApplication::processEvents();
    ASSERT_EQ(spy.count(), 1);  // only the first file travels
    EXPECT_EQ(spy.at(0).at(0).toString(), QDir::current().absoluteFilePath("take.wav"));
    EXPECT_FALSE(spy.at(0).at(1).toBool());
    form.hide();
    form.show();
    QCoreApplication::processEvents();
    EXPECT_EQ(spy.count(), 1);
    EXPECT_TRUE(form.Action("WindowEditMenu")->isChecked());
    EXPECT_FALSE(form.Busy().isSet());
}

TEST_F(MainFormTest, FirstShowWithoutFilesOpensNothing) {
    QSignalSpy spy(&form, &TMainForm::OpenRequested);
    form.SetStartupArguments({"/NoSplash"});
    form.show();
    QCoreApplication::processEvents();
    EXPECT_EQ(spy.count(), 0);
}

TEST_F(MainFormTest, CommandHandlerOpensEachFileInOrder) {
    QSignalSpy spy(&form, &TMainForm::OpenRequested);
    bool busyWhileOpening = false;
    QObject::connect(&form, &TMainForm::OpenRequested, &form,
                     [&] { busyWhileOpening = form.Busy().isSet(); });
    form.CommandHandler(block({"/music/a.wav", "relative/b.mp3", "/Unsaved"}));
    EXPECT_EQ(openedPaths(spy),
              QStringList({"/music/a.wav", QDir::current().absoluteFilePath("relative/b.mp3")}));
    EXPECT_TRUE(spy.at(0).at(1).toBool());
    EXPECT_TRUE(spy.at(1).at(1).toBool());
    EXPECT_TRUE(busyWhileOpening);
    EXPECT_FALSE(form.Busy().isSet());
}

TEST_F(MainFormTest, CommandHandlerRefusesBusyBurnAndEmptyBlocks) {
    QSignalSpy spy(&form, &TMainForm::OpenRequested);
    form.Busy().set();
    form.CommandHandler(block({"/music/a.wav"}));
    EXPECT_EQ(spy.count(), 0);
    EXPECT_TRUE(form.Busy().isSet());  // someone else's operation keeps its flag
    form.Busy().clear();
    form.CommandHandler(block({"/BURN", "/music/a.wav"}));
    form.CommandHandler(block({}));
    EXPECT_EQ(spy.count(), 0);
    EXPECT_FALSE(form.Busy().isSet());
}

TEST_F(MainFormTest, PostedBlockWaitsForTheEventLoop) {
    QSignalSpy spy(&form, &TMainForm::OpenRequested);
    form.PostCommandBlock(block({"/music/a.wav"}));
    EXPECT_EQ(spy.count(), 0);
    QCoreApplication::processEvents();
    EXPECT_EQ(openedPaths(spy), QStringList({"/music/a.wav"}));
    EXPECT_FALSE(form.IsVisibleForHandOver());
    form.show();
    EXPECT_TRUE(form.IsVisibleForHandOver());
}

TEST_F(MainFormTest, DroppedFileTakesTheCommandLineWay) {
    QTemporaryDir dir;
    const QString path = dir.filePath("dropped.wav");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    QSignalSpy spy(&form, &TMainForm::OpenRequested);
    form.show();
    // A drop arrives as the platform delivers it: entering, then dropping.
    auto drag = [&](const QMimeData& mime) {
        QDragEnterEvent enter(QPoint(50, 50), Qt::CopyAction, &mime, Qt::LeftButton,
                              Qt::NoModifier);
        QCoreApplication::sendEvent(&form, &enter);
        QDropEvent drop(QPointF(50, 50), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(&form, &drop);
        QCoreApplication::processEvents();
        return enter.isAccepted();
    };
    QMimeData mime;
    mime.setUrls({QUrl("https://example.org/x.wav"), QUrl::fromLocalFile(dir.path()),
                  QUrl::fromLocalFile(path), QUrl::fromLocalFile(dir.filePath("second.wav"))});
    EXPECT_TRUE(drag(mime));
    EXPECT_EQ(openedPaths(spy), QStringList({path}));

    QMimeData noFile;
    noFile.setText("not a file");
    EXPECT_FALSE(drag(noFile));
    QMimeData folderOnly;
    folderOnly.setUrls({QUrl::fromLocalFile(dir.path())});
    EXPECT_FALSE(drag(folderOnly));
    EXPECT_EQ(spy.count(), 1);
}

TEST_F(MainFormTest, RecentFilesFollowExit) {
    QMenu* file = menu("FileMenu");
    QAction* exit = form.Action("FileExitMenu");
    auto after = [&] {
        const QList<QAction*> items = file->actions();
        return items.mid(items.indexOf(exit) + 1);
    };
    form.RebuildRecentFilesMenu({"/music/one.wav", "", "/music/R&B.mp3"});
    QList<QAction*> items = after();
    ASSERT_EQ(items.size(), 3);
    EXPECT_TRUE(items[0]->isSeparator());
    EXPECT_EQ(items[1]->text(), "&1 /music/one.wav");
    EXPECT_EQ(items[2]->text(), "&3 /music/R&&B.mp3");
    QSignalSpy chosen(&form, &TMainForm::RecentFileChosen);
    items[2]->trigger();
    ASSERT_EQ(chosen.count(), 1);
    EXPECT_EQ(chosen.at(0).at(0).toInt(), 2);

    // Rebuilding replaces the items; an empty first entry brings no separator.
    form.RebuildRecentFilesMenu({"", "/music/two.wav"});
    items = after();
    ASSERT_EQ(items.size(), 1);
    EXPECT_EQ(items[0]->text(), "&2 /music/two.wav");
    form.RebuildRecentFilesMenu({});
    EXPECT_TRUE(after().isEmpty());
}

TEST(RecentFilePaths, LongPathsLoseInnerFoldersFirst) {
    EXPECT_EQ(ShortenMenuPath("/home/me/a.wav"), "/home/me/a.wav");
    const QString inner = QString("x").repeated(30);
    const QString path = "/home/" + inner + "1/" + inner + "2/" + inner + "3/song.wav";
    const QString shortened = ShortenMenuPath(path);
    EXPECT_LE(shortened.size(), 100);
    EXPECT_EQ(shortened, "/home/.../" + inner + "2/" + inner + "3/song.wav");
    EXPECT_EQ(ShortenMenuPath(path, 20), "/home/.../song.wav");
    // With no folder left to give up, the text stays as long as it is.
    EXPECT_EQ(ShortenMenuPath("/home/" + inner + ".wav", 20), "/home/" + inner + ".wav");
    EXPECT_EQ(ShortenMenuPath("relative/" + inner + "/b.wav", 30), "relative/.../b.wav");
}

// Which item a button runs is the effects controller's (tests/effects/effect_buttons_test.cpp).
TEST_F(MainFormTest, EffectItemsAndTheirPopupTwins) {
    form.SetCommandState(kStateNewDocument);
    form.Effects().AddEffectMenuItem("Fade &In...");
    QAction* fadeOut = form.Effects().AddEffectMenuItem("Fade &Out...");
    form.Effects().AddEffectMenuItem("E&Qualize...");
    QAction* mix = form.Effects().AddEffectMenuItem("Mi&x...");
    QSignalSpy fadeOutSpy(fadeOut, &QAction::triggered);
    auto click = [&](const char* name) { form.findChild<QAbstractButton*>(name)->click(); };

    // The popup's items run the Effects menu item each was made with.
    ASSERT_EQ(form.Effects().EffectsPopupMenu()->actions().size(), 4);
    form.Effects().EffectsPopupMenu()->actions().at(1)->trigger();
    EXPECT_EQ(fadeOutSpy.count(), 1);

    // An effect chosen while something else holds the busy flag leaves it set.
    form.Busy().set();
    mix->trigger();
    EXPECT_TRUE(form.Busy().isSet());
    form.Busy().clear();
    mix->trigger();
    EXPECT_FALSE(form.Busy().isSet());

    form.Effects().FreeEffectMenuItems();
    EXPECT_TRUE(menu("EffectsMenu")->actions().isEmpty());
    EXPECT_TRUE(form.Effects().EffectsPopupMenu()->actions().isEmpty());
    click("EffectsButton2");  // nothing left to run, and nothing breaks
}

TEST_F(MainFormTest, MoreButtonPopsTheEffectsUpBelowItself) {
    form.SetCommandState(kStateNewDocument);
    form.Effects().AddEffectMenuItem("&Echo...");
    form.show();
    auto* more = form.findChild<QAbstractButton*>("MoreEffectsButton");
    more->click();
    QMenu* popup = form.Effects().EffectsPopupMenu();
    ASSERT_TRUE(popup->isVisible());
    EXPECT_EQ(popup->pos(), more->mapToGlobal(QPoint(0, more->height())));
    popup->hide();
}

TEST_F(MainFormTest, RecordButtonDoesNotStayDownWithoutARecording) {
    auto* record = form.findChild<QAbstractButton*>("StartStopRecordingButton");
    EXPECT_TRUE(record->isCheckable());
    record->click();
    EXPECT_FALSE(record->isChecked());
}

TEST_F(MainFormTest, HelpContentsOpensTheIndexPage) {
    form.Action("HelpContentsMenu")->trigger();
    ASSERT_EQ(dialogs.shown().size(), 1u);
    const ShownDialog& shown = dialogs.shown().front();
    EXPECT_EQ(shown.kind, ShownDialog::Kind::Url);
    const QUrl url(shown.text);
    EXPECT_TRUE(url.isLocalFile());
    EXPECT_TRUE(url.toLocalFile().endsWith("/help/index.html"));
    EXPECT_TRUE(QFileInfo::exists(url.toLocalFile()));
}

TEST_F(MainFormTest, AboutShowsCaptionAndVersion) {
    form.show();
    form.Action("HelpAboutMenu")->trigger();
    auto* about = form.findChild<TAboutForm*>("TAboutForm");
    ASSERT_NE(about, nullptr);
    EXPECT_TRUE(about->isVisible());
    EXPECT_EQ(about->findChild<QLabel*>("ProductLabel")->text(), "Sonthra");
    EXPECT_EQ(about->findChild<QLabel*>("VersionLabel")->text(), "Version 0.1.0");
    about->accept();
    EXPECT_FALSE(about->isVisible());
}

namespace {

// Records the order in which shutdown runs the steps of other pieces.
ShutdownSteps recordingSteps(QStringList& log, bool closeResult, CloseMode* mode = nullptr) {
    ShutdownSteps steps;
    steps.stopTransport = [&log] { log << "transport"; };
    steps.closeDocuments = [&log, closeResult, mode](CloseMode m) {
        log << "documents";
        if (mode != nullptr) *mode = m;
        return closeResult;
    };
    steps.stopLevelTest = [&log] { log << "level test"; };
    steps.storeColorScheme = [&log] { log << "colours"; };
    steps.storeRecordSource = [&log] { log << "record source"; };
    steps.releaseMixer = [&log] { log << "mixer"; };
    steps.stopEffectHost = [&log] { log << "effects"; };
    return steps;
}

const QStringList kAllSteps = {"transport",     "documents", "level test", "colours",
                               "record source", "mixer",     "effects"};

}  // namespace

TEST_F(MainFormTest, ExitRunsEveryShutdownStepInOrder) {
    QStringList log;
    CloseMode mode = CloseMode::KeepUnsaved;
    form.SetShutdownSteps(recordingSteps(log, true, &mode));
    form.Effects().AddEffectMenuItem("&Echo...");
    form.show();
    form.Action("FileExitMenu")->trigger();
    EXPECT_EQ(log, kAllSteps);
    EXPECT_EQ(mode, CloseMode::AskToSave);
    EXPECT_FALSE(form.isVisible());
    EXPECT_TRUE(menu("EffectsMenu")->actions().isEmpty());
    EXPECT_TRUE(form.Busy().isSet());  // no hand-over is taken while the program ends
}

TEST_F(MainFormTest, CancelledSavePromptKeepsTheWindowOpen) {
    QStringList log;
    form.SetShutdownSteps(recordingSteps(log, false));
    form.Effects().AddEffectMenuItem("&Echo...");
    form.show();
    EXPECT_FALSE(form.close());
    EXPECT_EQ(log, QStringList({"transport", "documents"}));
    EXPECT_TRUE(form.isVisible());
    EXPECT_FALSE(form.Busy().isSet());
    EXPECT_EQ(menu("EffectsMenu")->actions().size(), 1);
    // The user can try again.
    form.SetShutdownSteps(recordingSteps(log, true));
    log.clear();
    EXPECT_TRUE(form.close());
    EXPECT_EQ(log, kAllSteps);
}

TEST_F(MainFormTest, ShutdownWithoutAskingKeepsUnsavedWorkAndEnds) {
    QStringList log;
    CloseMode mode = CloseMode::AskToSave;
    // Even a document step that reports it could not close everything does not keep the
    // program alive when the system asks it to end.
    form.SetShutdownSteps(recordingSteps(log, false, &mode));
    form.show();
    form.ShutdownWithoutAsking();
    EXPECT_EQ(log, kAllSteps);
    EXPECT_EQ(mode, CloseMode::KeepUnsaved);
    EXPECT_FALSE(form.isVisible());
    EXPECT_TRUE(dialogs.shown().empty());
    form.ShutdownWithoutAsking();  // a second signal changes nothing
    EXPECT_EQ(log, kAllSteps);
}
