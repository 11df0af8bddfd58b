// The media controller without a window: the document controller with a plain surface holds the
// documents, scripted dialogs answer, and the song information window is answered where it
// opens. Checks that the song information reaches the current document and what the export
// commands do without a document or before the controller is attached.
#include "app/ui/media_controller.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include "app_controllers/plain_surfaces.h"
#include "messages/message_table.h"
#include "tags/ui/song_info_form.h"

namespace sonthra {
namespace {

class MediaControllerTest : public ::testing::Test, protected WindowlessDocuments {};

TEST_F(MediaControllerTest, SongInformationReachesTheCurrentDocumentAndExportsWaitForADocument) {
    MediaController media(dialogs, session, files, transport, nullptr, [](AudioDocument&) {});

    // Nothing open: no window opens, nothing is exported, and the WMA window is not made yet.
    media.songInfoMenuClick();
    media.FileExportToWmaMenuClick();
    media.BatchExportMenuClick();
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_TRUE(dialogs.shown().empty());
    EXPECT_EQ(media.ExportToWma(user.file("a.wma"), user.file("a.wav")), kCancelled);

    openTake(4410);
    ASSERT_NE(session.Current(), nullptr);
    ASSERT_EQ(session.Current()->state, DocumentState::Clean);

    bool answered = false;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* window = qobject_cast<TSongInfoForm*>(QApplication::activeModalWidget());
        if (window == nullptr || answered) return;
        answered = true;
        window->titleEdit->setText("Take One");
        window->Button1->click();
    });
    poll.start(10);
    media.songInfoMenuClick();
    poll.stop();
    ASSERT_TRUE(answered) << "the song information window did not open";
    // A changed tag alone: the document asks to be saved, its audio is still the file's.
    const AudioDocument* document = session.Current();
    EXPECT_EQ(document->state, DocumentState::Modified);
    EXPECT_TRUE(document->tagOnly);
    EXPECT_NE(document->tag.v2(), nullptr);
    EXPECT_TRUE(documentSurface.commands[EditCommand::Save]);
}

}  // namespace
}  // namespace sonthra
