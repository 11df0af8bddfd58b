// The podcast controller without the main window: the document controller on a plain surface
// holds the document, scripted dialogs answer, and the hooks count what the window would do.
#include "app/ui/podcast_controller.h"

#include <gtest/gtest.h>

#include "app_controllers/plain_surfaces.h"

namespace sonthra {
namespace {

class PodcastControllerTest : public ::testing::Test, protected WindowlessDocuments {
protected:
    PodcastController::Hooks hooks() {
        PodcastController::Hooks h;
        h.saveDocument = [this] { ++saves; };
        h.refreshCommands = [this] { ++refreshes; };
        h.settings = [] { return nullptr; };
        return h;
    }
    QStringList messages() const {
        QStringList texts;
        for (const ShownDialog& d : dialogs.shown()) {
            if (d.kind == ShownDialog::Kind::Message) texts << d.text;
        }
        return texts;
    }

    int saves = 0;
    int refreshes = 0;
    PodcastController podcast{dialogs, session, &window, hooks()};
};

TEST_F(PodcastControllerTest, NothingHappensWithoutADocumentAndUnsavedAudioIsSavedFirst) {
    podcast.FileSaveAsPodcastClick();
    podcast.FileUploadPodcastClick();
    podcast.PodcastInfoCoolButtonClick();
    EXPECT_TRUE(dialogs.shown().empty());

    openTake();
    ASSERT_NE(session.Current(), nullptr);
    session.Current()->state = DocumentState::Modified;
    // No: nothing is saved and the podcast window does not open.
    dialogs.queueAnswer(DialogAnswer::No);
    podcast.FileSaveAsPodcastClick();
    EXPECT_EQ(messages(), QStringList{kSaveBeforePodcastText});
    EXPECT_EQ(saves, 0);
    // Yes, and a save that did not happen: the command stops there as well.
    dialogs.queueAnswer(DialogAnswer::Yes);
    podcast.FileSaveAsPodcastClick();
    EXPECT_EQ(saves, 1);
    EXPECT_EQ(messages().size(), 2);
    EXPECT_FALSE(session.Current()->podcastDescription);
    EXPECT_EQ(refreshes, 0);
    EXPECT_FALSE(session.Busy().isSet());
}

TEST_F(PodcastControllerTest, UploadOfANonPodcastAsksForItsDescriptionFileAndKeepsTheDocument) {
    openTake();
    ASSERT_NE(session.Current(), nullptr);
    ASSERT_EQ(session.Current()->state, DocumentState::Clean);
    // The file window is cancelled: nothing is loaded, nothing is uploaded.
    podcast.FileUploadPodcastClick();
    ASSERT_FALSE(dialogs.shown().empty());
    EXPECT_EQ(dialogs.shown().front().kind, ShownDialog::Kind::OpenFile);
    EXPECT_FALSE(session.Current()->podcastDescription);
    EXPECT_TRUE(podcast.PodcastFile(session.Current()).empty());
    EXPECT_FALSE(session.Busy().isSet());

    // A description file that cannot be read gets a message, never a podcast.
    dialogs.queueFile(QString::fromStdString(user.file("missing.pdi")));
    podcast.FileUploadPodcastClick();
    EXPECT_FALSE(session.Current()->podcastDescription);
    EXPECT_FALSE(messages().isEmpty());
    EXPECT_FALSE(session.Busy().isSet());
}

}  // namespace
}  // namespace sonthra
