// Opening a file that turns out to be unreadable keeps the document that was open.
#include "app_edit/edit_fixture.h"

namespace sonthra {
namespace {

TEST_F(EditWindowTest, AnUnreadableFileIsRefusedBeforeTheOpenDocumentCloses) {
    const std::string audio = openRamp(44100);
    const std::string kept = form.CurrentDocument()->fileName;
    const std::string bad = user.file("bad.wav");
    test::writeFile(bad, "RIFF\x10\0\0\0WAVEjunkjunkjunk");
    dialogs.queueFile(QString::fromStdString(bad));
    trigger("FileOpenMenu");
    QTest::qWait(200);
    ASSERT_NE(form.CurrentDocument(), nullptr) << "the open document stays";
    EXPECT_EQ(form.CurrentDocument()->fileName, kept);
    EXPECT_EQ(work(), audio);
    ASSERT_EQ(messages().size(), 1) << "the refusal is told";
}

}  // namespace
}  // namespace sonthra
