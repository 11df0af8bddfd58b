// The song information window through the scripted dialogs: filling from each kind of tag,
// the track rules while typing and on OK, the spin buttons, and where OK puts the fields.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QCoreApplication>
#include <QDate>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include "dialogs/ui/help.h"
#include "dialogs/ui/scripted_dialogs.h"
#include "tags/document_tag.h"
#include "tags/ui/song_info_form.h"

namespace sonthra {
namespace {

class SongInfoForm : public ::testing::Test {
protected:
    QStringList messages() const {
        QStringList out;
        for (const ShownDialog& shown : dialogs.shown()) {
            if (shown.kind == ShownDialog::Kind::Message) out << shown.text;
        }
        return out;
    }
    ScriptedDialogs dialogs;
    TSongInfoForm form{dialogs};
    DocumentTag tag;
};

TEST_F(SongInfoForm, ANewTagStartsFromTheDefaultsAndOkMakesAVersion2Tag) {
    form.FormShow(tag, QStringLiteral("/music/take one.wav"));
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Enter Song Information : take one.wav"));
    EXPECT_EQ(form.trackNoEdit->text(), QStringLiteral("1"));
    EXPECT_EQ(form.genreComboBox->currentText(), QStringLiteral("Blues"));
    EXPECT_EQ(form.genreComboBox->count(), 148);
    EXPECT_EQ(form.genreComboBox->itemText(147), QStringLiteral("Synthpop"));
    EXPECT_EQ(form.yearEdit->text(), QString::number(QDate::currentDate().year()));
    EXPECT_FALSE(form.SongInfoModified());
    EXPECT_TRUE(form.composerEdit->isEnabled());

    form.titleEdit->insert(QStringLiteral("\u039A\u03B1\u03BB\u03B7 "));
    form.linkEdit->setText(QStringLiteral("http://x/"));
    form.trackNoEdit->setText(QStringLiteral("300"));
    EXPECT_TRUE(form.SongInfoModified());
    form.Button1Click();
    EXPECT_EQ(form.result(), QDialog::Accepted);
    ASSERT_NE(tag.v2(), nullptr);
    EXPECT_EQ(tag.v2()->title(), "\xCE\x9A\xCE\xB1\xCE\xBB\xCE\xB7");
    EXPECT_EQ(tag.v2()->track(), 44);
    EXPECT_EQ(tag.v2()->genre(), "Blues");
    EXPECT_EQ(tag.v2()->link(), "http://x/");
    EXPECT_TRUE(messages().isEmpty());
}

TEST_F(SongInfoForm, TrackRulesWhileTypingOnOkAndOnTheSpinButtons) {
    form.FormShow(tag, QStringLiteral("a.mp3"));
    form.trackNoEdit->selectAll();
    QTest::keyClick(form.trackNoEdit, Qt::Key_Delete);
    EXPECT_EQ(messages(), QStringList{QStringLiteral("Error: Invalid Track No.")});
    EXPECT_EQ(dialogs.shown().back().caption, QStringLiteral("Sonthra"));
    EXPECT_EQ(form.trackNoEdit->text(), QString());  // the text stays
    dialogs.clearShown();
    form.setResult(QDialog::Rejected);
    form.Button1Click();
    EXPECT_EQ(messages(), QStringList{QStringLiteral("Error: Invalid Track No.!")});
    EXPECT_EQ(form.result(), QDialog::Rejected);  // still open
    EXPECT_EQ(tag.v2(), nullptr);

    dialogs.clearShown();
    QTest::keyClicks(form.trackNoEdit, QStringLiteral("x"));
    EXPECT_EQ(messages().size(), 1);
    form.trackNoEdit->setText(QStringLiteral("0"));
    QTest::mouseClick(form.trackSpinDownButton, Qt::LeftButton);
    EXPECT_EQ(form.trackNoEdit->text(), QStringLiteral("0"));
    QTest::mouseClick(form.trackSpinUpButton, Qt::LeftButton);
    QTest::mouseClick(form.trackSpinUpButton, Qt::LeftButton);
    EXPECT_EQ(form.trackNoEdit->text(), QStringLiteral("2"));
    QTest::mouseClick(form.trackSpinDownButton, Qt::LeftButton);
    EXPECT_EQ(form.trackNoEdit->text(), QStringLiteral("1"));
    EXPECT_EQ(messages().size(), 1);
}

TEST_F(SongInfoForm, AVersion1TagFillsItsFieldsAndTakesTheGenreIndex) {
    TID3v1& v1 = tag.attachV1();
    v1.setTitle("Old");
    v1.setTrack(9);
    v1.setGenreIndex(17);
    v1.setYear("1988");
    form.FormShow(tag, QStringLiteral("old.mp3"));
    EXPECT_EQ(form.titleEdit->text(), QStringLiteral("Old"));
    EXPECT_EQ(form.trackNoEdit->text(), QStringLiteral("9"));
    EXPECT_EQ(form.genreComboBox->currentText(), QStringLiteral("Rock"));
    EXPECT_EQ(form.yearEdit->text(), QStringLiteral("1988"));
    for (QLineEdit* e : {form.composerEdit, form.copyrightEdit, form.linkEdit, form.languageEdit})
        EXPECT_FALSE(e->isEnabled());
    EXPECT_FALSE(form.SongInfoModified());

    form.genreComboBox->setCurrentIndex(8);
    form.titleEdit->setText(QString(40, QLatin1Char('t')));
    form.Button1Click();
    EXPECT_EQ(tag.v2(), nullptr);
    ASSERT_NE(tag.v1(), nullptr);
    EXPECT_EQ(tag.v1()->genreIndex(), 8);
    EXPECT_EQ(tag.v1()->title(), std::string(30, 't'));
    EXPECT_TRUE(form.SongInfoModified());

    form.FormShow(tag, QStringLiteral("old.mp3"));
    form.genreComboBox->setEditText(QStringLiteral("Not in the list"));
    form.Button1Click();
    EXPECT_EQ(tag.v1()->genreIndex(), 255);
}

TEST_F(SongInfoForm, AVersion2TagFillsEveryControlAndCancelChangesNothing) {
    TID3v2& v2 = tag.attachV2();
    v2.setTitle("T");
    v2.setArtist("A");
    v2.setGenre("My own genre");
    v2.setComposer("C");
    v2.setTrack(0);
    form.FormShow(tag, QStringLiteral("x.wav"));
    EXPECT_EQ(form.genreComboBox->currentText(), QStringLiteral("My own genre"));
    EXPECT_EQ(form.composerEdit->text(), QStringLiteral("C"));
    EXPECT_EQ(form.trackNoEdit->text(), QStringLiteral("0"));
    EXPECT_TRUE(form.composerEdit->isEnabled());

    QTimer::singleShot(0, &form, [this] {
        form.titleEdit->setText(QStringLiteral("Changed"));
        QTest::mouseClick(form.cancelButton, Qt::LeftButton);
    });
    EXPECT_EQ(form.Execute(tag, QStringLiteral("x.wav")), QDialog::Rejected);
    EXPECT_EQ(tag.v2()->title(), "T");

    QTimer::singleShot(0, &form, [this] { QTest::mouseClick(form.HelpButton, Qt::LeftButton); });
    QTimer::singleShot(0, &form, [this] { QTest::mouseClick(form.Button1, Qt::LeftButton); });
    EXPECT_EQ(form.Execute(tag, QStringLiteral("x.wav")), QDialog::Accepted);
    EXPECT_FALSE(form.SongInfoModified());
    EXPECT_EQ(tag.v2()->genre(), "My own genre");
    // Help opens topic 62 where the help pages are found.
    QString url;
    for (const ShownDialog& shown : dialogs.shown()) {
        if (shown.kind == ShownDialog::Kind::Url) url = shown.text;
    }
    const QString folder = FindHelpFolder(QCoreApplication::applicationDirPath());
    EXPECT_EQ(url, HelpTopicUrl(folder, kHelpSongInformation));
}

}  // namespace
}  // namespace sonthra
