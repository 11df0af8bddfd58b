// The podcast window with scripted answers: checks, a new series saved to real files, an
// existing feed with a replaced episode, hosts and the account window.
#include <QComboBox>
#include <QDateEdit>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>

#include <gtest/gtest.h>

#include "dialogs/ui/scripted_dialogs.h"
#include "podcast/text_file.h"
#include "podcast/ui/ftp_account_dialog.h"
#include "podcast/ui/podcast_info_form.h"
#include "podcast/ui/show_podcast_dlg.h"
#include "podcast_test_support.h"

namespace sonthra {
namespace {

using namespace podcast;
using podcast::test::readAll;
using podcast::test::TempFolder;
using podcast::test::writeAll;

struct PodcastWindow : ::testing::Test {
    TempFolder folder;
    ScriptedDialogs dialogs;
    HostTableFiles hosts;
    PodcastInfo info;
    std::vector<QString> accountAsked;

    void SetUp() override {
        hosts.defaultPath = folder / "hostsettings.ini";
        hosts.userPath = folder / "user/hostsettings.ini";
        writeAll(hosts.defaultPath,
                 "[Alpha]\nhost=ftp.alpha.net\nhttplink=http://alpha.net/%USERNAME%/\n"
                 "uploadpath=/pub\nusername=ann\n[Beta]\nhost=ftp.beta.net\n"
                 "httplink=http://beta.net/\n");
        writeAll(folder / "ep1.mp3", std::string(4000, 'a'));
        info.AudioFile = folder / "ep1.mp3";
        info.MimeType = "audio/mpeg";
        info.IsNew = true;
    }

    std::unique_ptr<TShowPodcastDlg> window() {
        auto dlg = std::make_unique<TShowPodcastDlg>(
            dialogs, QString::fromStdString(test::sourceDir() + "/resources/podcast"), hosts);
        dlg->showAccountDialog = [this](const QString& host) {
            accountAsked.push_back(host);
            return false;
        };
        dlg->showInfoForm = [](const PodcastInfo&) { return true; };
        return dlg;
    }

    void fillEpisode(TShowPodcastDlg& dlg, const QString& title) {
        dlg.TitleEdit->setText(title);
        dlg.DescriptionMemo->setPlainText("About " + title);
        dlg.PublicationDateTime->setDate(QDate(2026, 12, 6));
    }

    QString lastText() const { return dialogs.shown().empty() ? "" : dialogs.shown().back().text; }
};

TEST_F(PodcastWindow, NewSeriesIsSavedAsFeedDescriptionFileAndPage) {
    auto dlg = window();
    ASSERT_TRUE(dlg->prepareForEdit(info));
    EXPECT_EQ(dlg->ExistingHostComboBox->count(), 3);
    EXPECT_EQ(dlg->ExistingHostComboBox->itemText(2), "<Custom>");
    EXPECT_EQ(dlg->PodcastLinkEdit->text(), "(your web address)/ep1.mp3");
    fillEpisode(*dlg, "Q&A <live>");
    dlg->NewSeriesEdit->setText("Talks");
    dlg->ExistingHostComboBoxChange("Alpha");
    EXPECT_TRUE(accountAsked.empty());  // a user name is stored
    EXPECT_EQ(dlg->PodcastLinkEdit->text(), "http://alpha.net/ann/ep1.mp3");
    EXPECT_EQ(dlg->SeriesLinkEdit->text(), "http://alpha.net/ann/Talks.xml");
    dlg->SeriesTitleEdit->setText("Talks");
    dlg->SeriesDescriptionMemo->setPlainText("Weekly talks");

    dialogs.queueFile(QString::fromStdString(folder / "show.txt"));
    dlg->OkButtonClick();
    EXPECT_EQ(dlg->result(), TShowPodcastDlg::kSavedResult);
    EXPECT_TRUE(readAll(folder / "Talks.xml").find("Q&amp;A &lt;live&gt;") != std::string::npos);
    EXPECT_TRUE(fileExists(folder / "Talks.htm"));
    const std::string pdi = readAll(folder / "show.pdi");
    EXPECT_NE(pdi.find("[Feed File]=" + folder / "Talks.xml"), std::string::npos);
    EXPECT_NE(pdi.find("[UploadPath]=/pub"), std::string::npos);
    EXPECT_EQ(lastText(), "Your podcast has been saved as " +
                              QString::fromStdString(folder / "show.pdi") +
                              "\n\rPlease use this file for opening this podcast in future.");
    EXPECT_FALSE(dlg->OkButton->isEnabled());

    const QString feed = dlg->finishEdit(info, dlg->result());
    EXPECT_EQ(feed, QString::fromStdString(folder / "Talks.xml"));
    EXPECT_EQ(info.NewFeedFile, folder / "Talks.xml");
    EXPECT_EQ(info.DescriptionFile, folder / "show.pdi");
    EXPECT_EQ(info.PubDate, "2026-12-06");
    EXPECT_EQ(info.UploadPath, "/pub");

    const PodcastSummary summary = podcastSummary(info);
    EXPECT_EQ(summary.feedLink, "http://alpha.net/ann/Talks.xml");
    EXPECT_EQ(summary.htmlLink, "http://alpha.net/ann/Talks.htm");
    EXPECT_EQ(summary.htmlPath, QString::fromStdString(folder / "Talks.htm"));
}

TEST_F(PodcastWindow, ChecksStopTheSaveWithTheProductsMessages) {
    auto dlg = window();
    ASSERT_TRUE(dlg->prepareForEdit(info));
    dlg->NewSeriesEdit->setText("Talks");
    EXPECT_FALSE(dlg->CheckAllParameters());
    EXPECT_EQ(dialogs.shown().back().caption, "Incomplete Information");
    EXPECT_TRUE(lastText().endsWith("(1) Title\n\r(2) Description\n\r"));

    fillEpisode(*dlg, "One");
    dlg->NewSeriesEdit->setText("My Talks");
    dialogs.queueAnswer(DialogAnswer::Yes);
    EXPECT_FALSE(dlg->CheckAllParameters());
    EXPECT_EQ(dlg->NewSeriesEdit->text(), "My_Talks");
    dlg->NewSeriesEdit->setText("a/b");
    EXPECT_FALSE(dlg->CheckAllParameters());
    EXPECT_TRUE(lastText().startsWith("Please Enter Valid Series Name Without SPACE,$ ,%&?*:/]["));

    dlg->NewSeriesEdit->setText("Talks");
    dlg->SeriesLinkEdit->setText("http://x.net/Talks.xml");
    dlg->PodcastLinkEdit->setText("http://x.net/EP1.mp3");
    EXPECT_FALSE(dlg->CheckAllParameters());
    EXPECT_EQ(lastText(), "Saved Audio Filename ep1.mp3 Does Not Exist In The Podcast Link.");
    dlg->PodcastLinkEdit->setText("HTTP://x.net/(old)/ep1.mp3");
    EXPECT_FALSE(dlg->CheckAllParameters());
    EXPECT_EQ(lastText(), "Please remove the round brackets from your URL.");
    dlg->PodcastLinkEdit->setText("HTTP://x.net/ep1.mp3");
    EXPECT_FALSE(dlg->CheckAllParameters());
    EXPECT_EQ(lastText(), "The URL HTTP://x.net/ep1.mp3 doesnot appear to be valid. Please Check!");
    dlg->PodcastLinkEdit->setText("https://x.net/ep1.mp3");
    EXPECT_TRUE(dlg->CheckAllParameters());

    // Closing unsaved asks first; No keeps the window.
    dlg->setResult(-1);
    dialogs.queueAnswer(DialogAnswer::No);
    dlg->CancelButtonClick();
    EXPECT_EQ(dialogs.shown().back().caption, "Save Podcast");
    EXPECT_EQ(dlg->result(), -1);
    dialogs.queueAnswer(DialogAnswer::Yes);
    dlg->CancelButtonClick();
    EXPECT_EQ(dlg->result(), QDialog::Rejected);

    PodcastInfo spaced = info;
    spaced.AudioFile = folder / "my ep.mp3";
    EXPECT_FALSE(dlg->prepareForEdit(spaced));
    EXPECT_TRUE(lastText().startsWith("Please Save as Filename Without SPACE,"));
}

TEST_F(PodcastWindow, ExistingFeedListsItsEpisodesAndAsksBeforeReplacing) {
    // A first save makes the feed, then the document's record opens it in existing-feed mode.
    auto first = window();
    ASSERT_TRUE(first->prepareForEdit(info));
    fillEpisode(*first, "One");
    first->NewSeriesEdit->setText("Talks");
    first->SeriesLinkEdit->setText("http://x.net/Talks.xml");
    first->PodcastLinkEdit->setText("http://x.net/ep1.mp3");
    dialogs.queueFile(QString::fromStdString(folder / "show.pdi"));
    first->OkButtonClick();
    ASSERT_EQ(first->finishEdit(info, first->result()),
              QString::fromStdString(folder / "Talks.xml"));
    info.FeedFile = info.NewFeedFile;
    info.IsNew = false;

    auto dlg = window();
    ASSERT_TRUE(dlg->prepareForEdit(info));
    EXPECT_TRUE(dlg->PreExistingSeriesRadio->isChecked());
    EXPECT_FALSE(dlg->NewSeriesEdit->isEnabled());
    EXPECT_EQ(dlg->ExistingItemsListBox->count(), 1);
    EXPECT_EQ(dlg->SeriesLinkEdit->text(), "http://x.net/Talks.xml");
    EXPECT_EQ(dlg->TitleEdit->text(), "One");
    dlg->ExistingItemsListBox->setCurrentRow(0);

    const std::string before = readAll(folder / "Talks.xml");
    dlg->DescriptionMemo->setPlainText("Changed");
    dialogs.queueFile(QString::fromStdString(folder / "show.pdi"));
    dialogs.queueAnswer(DialogAnswer::Yes);  // overwrite the description file
    dialogs.queueAnswer(DialogAnswer::No);   // but do not update the episode
    dlg->OkButtonClick();
    EXPECT_EQ(dialogs.shown().back().caption, "Update Podcast Info");
    EXPECT_EQ(readAll(folder / "Talks.xml"), before);
    EXPECT_NE(dlg->result(), TShowPodcastDlg::kSavedResult);

    dialogs.queueFile(QString::fromStdString(folder / "show.pdi"));
    dialogs.queueAnswer(DialogAnswer::Yes);
    dialogs.queueAnswer(DialogAnswer::Yes);
    dlg->OkButtonClick();
    EXPECT_EQ(dlg->result(), TShowPodcastDlg::kSavedResult);
    EXPECT_NE(readAll(folder / "Talks.xml").find("Changed"), std::string::npos);
    EXPECT_EQ(dlg->ExistingItemsListBox->count(), 1);
}

TEST_F(PodcastWindow, HostWithoutAccountAsksAndTheAccountWindowStoresIt) {
    auto dlg = window();
    ASSERT_TRUE(dlg->prepareForEdit(info));
    dlg->PodcastLinkEdit->setText("http://mine/ep1.mp3");
    dlg->ExistingHostComboBoxChange("Beta");
    ASSERT_EQ(accountAsked.size(), 1u);
    EXPECT_EQ(dlg->PodcastLinkEdit->text(), "http://mine/ep1.mp3");  // Cancel changes nothing

    TFTPAccountDialog account(dialogs, hosts, "Beta");
    EXPECT_EQ(account.windowTitle(), "Sonthra - Beta Configuration");
    EXPECT_EQ(account.HostComboBox->currentText(), "Beta");
    account.UserNameEdit->setText("bob");
    account.LoginNameEdit->setText("secret");
    account.OkButtonClick();
    const std::string stored = readAll(hosts.userPath);
    EXPECT_NE(stored.find("username=bob"), std::string::npos);
    EXPECT_EQ(stored.find("secret"), std::string::npos);
    EXPECT_EQ(readAll(hosts.defaultPath).find("bob"), std::string::npos);

    TFTPAccountDialog again(dialogs, hosts, "Beta");
    EXPECT_EQ(again.LoginNameEdit->text(), "secret");
    again.OkButtonClick();  // unchanged: the stored text stays as it was
    EXPECT_EQ(readAll(hosts.userPath), stored);
    account.FreeSpaceButton->click();
    EXPECT_EQ(dialogs.shown().back().kind, ShownDialog::Kind::Url);
}

}  // namespace
}  // namespace sonthra
