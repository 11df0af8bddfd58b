// Publishing a recording through the real main window: Save As Podcast with a host from the
// host table, compression to MP3 and the upload of feed, audio and page to a local FTP server;
// then Ctrl+U on a description file saved earlier, with an audio file rewritten since. The
// windows are answered by a driver that acts on whichever modal window is open, the questions
// and file windows by scripted answers; the uploaded feed is judged by feedparser.
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>

#include <cstdio>
#include <fstream>
#include <functional>
#include <map>

#include "app/ui/podcast_controller.h"
#include "app_docs/docs_fixture.h"
#include "convert/ui/wave_to_mp3_form.h"
#include "fixtures/ftp/ftp_test_server.h"
#include "ftp/password_scramble.h"
#include "ftp/ui/cvftp_main_form.h"
#include "podcast/ui/podcast_info_form.h"
#include "podcast/ui/show_podcast_dlg.h"

namespace sonthra {
namespace {

namespace fs = std::filesystem;
using testing::FtpTestServer;

// What feedparser makes of a feed: "key=value" lines for the first entry.
std::map<std::string, std::string> judgeFeed(const std::string& feed) {
    const std::string script =
        "import sys, feedparser\n"
        "d = feedparser.parse(sys.argv[1])\n"
        "e = d.entries[0] if d.entries else {}\n"
        "enc = e.get('enclosures', [{}])[0] if e else {}\n"
        "print('bozo=%d' % int(d.bozo))\n"
        "print('entries=%d' % len(d.entries))\n"
        "print('title=%s' % e.get('title', ''))\n"
        "print('link=%s' % e.get('link', ''))\n"
        "print('href=%s' % enc.get('href', ''))\n"
        "print('type=%s' % enc.get('type', ''))\n"
        "print('length=%s' % enc.get('length', ''))\n";
    const std::string scriptPath = feed + ".judge.py";
    std::ofstream(scriptPath) << script;
    std::map<std::string, std::string> result;
    FILE* pipe = popen(("/usr/bin/python3 '" + scriptPath + "' '" + feed + "'").c_str(), "r");
    if (pipe == nullptr) return result;
    char line[4096];
    while (fgets(line, sizeof line, pipe) != nullptr) {
        std::string text(line);
        if (!text.empty() && text.back() == '\n') text.pop_back();
        const auto eq = text.find('=');
        if (eq != std::string::npos) result[text.substr(0, eq)] = text.substr(eq + 1);
    }
    pclose(pipe);
    fs::remove(scriptPath);
    return result;
}

class PodcastFlowTest : public DocumentWindowTest {
protected:
    PodcastFlowTest() {
        fs::create_directories(server.root() / "shows");
        // The user's copy of the host table, beside the settings store, with an account.
        std::ofstream(store.file("hostsettings.ini"))
            << "[Loopback Host]\nhost=127.0.0.1\nhttplink=http://127.0.0.1/%username%/\n"
            << "uploadpath=/shows\nappend=\nusername=" << FtpTestServer::kUser
            << "\nloginname=" << ftp::ScramblePassword(FtpTestServer::kPassword) << "\n";
        m_driver.setInterval(30);
        QObject::connect(&m_driver, &QTimer::timeout, [this] { drive(); });
        m_driver.start();
    }

    // Acts on the modal window that is open; never twice at once (the FTP window and the MP3
    // window run event loops of their own while they work).
    void drive() {
        if (m_driving) return;
        QWidget* modal = QApplication::activeModalWidget();
        if (modal == nullptr) return;
        m_driving = true;
        if (auto* dlg = dynamic_cast<TShowPodcastDlg*>(modal)) {
            if (onPodcastDialog) onPodcastDialog(*dlg);
        } else if (auto* summary = dynamic_cast<TPodcastInfoForm*>(modal)) {
            ++summaries;
            (uploadNow ? summary->UploadNowButton : summary->UploadLaterButton)->click();
        } else if (auto* mp3 = dynamic_cast<TWaveToMP3ConversionForm*>(modal)) {
            auto* start = mp3->findChild<QPushButton*>("StartButton");
            if (start->isEnabled() && mp3 != m_startedMp3) {
                m_startedMp3 = mp3;
                start->click();
            }
        } else if (auto* ftp = dynamic_cast<TCVFTPMainForm*>(modal)) {
            ftpCaption = ftp->windowTitle();
            ftpUser = ftp->findChild<QLineEdit*>("UserIDEditBox")->text();
            ftpHost = ftp->findChild<QLineEdit*>("HostNameEditBox")->text();
            if (ftpUser.isEmpty()) {
                ftp->setLoginDetails("127.0.0.1", FtpTestServer::kUser, FtpTestServer::kPassword);
            }
            ftp->findChild<QLineEdit*>("PortEditBox")->setText(QString::number(server.port()));
            ftp->ConnectButtonClick();
            if (ftp->isConnected()) ftp->UploadButtonClick();
            uploaded = ftp->uploadedCount();
            ftp->close();
        }
        m_driving = false;
    }

    // Fills the podcast window for a new series and confirms it.
    void fillNewSeries(TShowPodcastDlg& dlg, const QString& title, const QString& host) {
        dlg.TitleEdit->setText(title);
        dlg.DescriptionMemo->setPlainText("First line\nSecond & last");
        dlg.NewSeriesEdit->setText("Talks");
        dlg.NewSeriesEditExit();
        if (!host.isEmpty()) {
            dlg.ExistingHostComboBoxChange(host);
        } else {
            const QString audio =
                QString::fromStdString(BaseName(form.CurrentDocument()->fileName));
            dlg.PodcastLinkEdit->setText("http://example.org/pod/" + audio);
            dlg.SeriesLinkEdit->setText("http://example.org/pod/Talks.xml");
        }
        dlg.SeriesTitleEdit->setText("Talks <weekly>");
        dlg.SeriesDescriptionMemo->setPlainText("Weekly talks");
        dlg.OkButtonClick();
    }

    void openClean(const std::string& path) {
        openByMenu(path);
        ASSERT_TRUE(waitForWorkingCopy());
        ASSERT_EQ(form.CurrentDocument()->state, DocumentState::Clean);
        dialogs.clearShown();
    }
    void keys(Qt::Key key) {
        form.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
        QTest::keyClick(&form, key, Qt::ControlModifier);
    }

    FtpTestServer server;
    QTimer m_driver;
    bool m_driving = false;
    QWidget* m_startedMp3 = nullptr;
    std::function<void(TShowPodcastDlg&)> onPodcastDialog;
    bool uploadNow = true;
    int summaries = 0;
    int uploaded = -1;
    QString ftpCaption, ftpUser, ftpHost;
};

TEST_F(PodcastFlowTest, SaveAsPodcastCompressesAndUploadsFeedAudioAndPage) {
    ASSERT_TRUE(server.started());
    const std::string wav = makeWav("talk.wav", 44100 * 2);
    openClean(wav);
    EXPECT_TRUE(enabled("FileSaveAsPodcastMenu"));
    EXPECT_FALSE(enabled("PodcastInfoCoolButton"));

    const std::string pdi = user.file("talk.pdi");
    onPodcastDialog = [&](TShowPodcastDlg& dlg) {
        fillNewSeries(dlg, "Q&A <live>", "Loopback Host");
    };
    dialogs.queueFile(QString::fromStdString(pdi));
    dialogs.queueAnswer(DialogAnswer::Ok);   // "Files Saved"
    dialogs.queueAnswer(DialogAnswer::Yes);  // compress
    // A name with a space: the question, Yes, and the window again with underscores.
    dialogs.queueFile(QString::fromStdString(user.file("talk one.mp3")));
    dialogs.queueAnswer(DialogAnswer::Yes);
    dialogs.queueFile(QString::fromStdString(user.file("talk_one.mp3")));
    keys(Qt::Key_P);

    const QStringList texts = dialogs.shownTexts();
    EXPECT_TRUE(texts.contains(kCompressQuestionText)) << texts.join("|").toStdString();
    EXPECT_TRUE(texts.contains(kSpaceInAudioNameQuestion));
    EXPECT_EQ(summaries, 1);
    EXPECT_EQ(ftpCaption, "Castwright FTP Interface");
    EXPECT_EQ(ftpUser, FtpTestServer::kUser);
    EXPECT_EQ(ftpHost, "127.0.0.1");
    EXPECT_EQ(uploaded, 3);

    // The document now has a podcast; the commands follow.
    const AudioDocument* document = form.CurrentDocument();
    EXPECT_EQ(form.Podcast().PodcastFile(document), pdi);
    EXPECT_TRUE(enabled("FileUploadPodcastMenu"));
    EXPECT_TRUE(enabled("PodcastInfoCoolButton"));
    EXPECT_FALSE(enabled("FileSaveAsPodcastMenu"));
    EXPECT_EQ(document->fileName, wav);  // the document itself stays the recording

    // Feed, MP3 and page arrived whole in the host's folder, and the feed describes the MP3.
    const fs::path remote = server.root() / "shows";
    const std::string mp3 = user.file("talk_one.mp3");
    ASSERT_TRUE(fs::exists(mp3));
    EXPECT_EQ(testing::readWholeFile(remote / "talk_one.mp3"), testing::readWholeFile(mp3));
    EXPECT_EQ(testing::readWholeFile(remote / "Talks.xml"),
              testing::readWholeFile(user.file("Talks.xml")));
    EXPECT_EQ(testing::readWholeFile(remote / "Talks.htm"),
              testing::readWholeFile(user.file("Talks.htm")));
    EXPECT_FALSE(fs::exists(remote / "talk.wav"));
    EXPECT_FALSE(fs::exists(remote / "talk.pdi"));

    auto judged = judgeFeed((remote / "Talks.xml").string());
    EXPECT_EQ(judged["bozo"], "0");
    EXPECT_EQ(judged["entries"], "1");
    EXPECT_EQ(judged["title"], "Q&A <live>");
    EXPECT_EQ(judged["href"], "http://127.0.0.1/podder/talk_one.mp3");
    EXPECT_EQ(judged["type"], "audio/mpeg");
    EXPECT_EQ(judged["length"], std::to_string(fs::file_size(mp3)));
    // The description file follows the compressed audio.
    EXPECT_NE(testing::readWholeFile(pdi).find("[Audio File]=" + mp3), std::string::npos);
}

TEST_F(PodcastFlowTest, UploadLaterThenUploadPodcastOnTheDescriptionFileUploadsTheRewrittenAudio) {
    ASSERT_TRUE(server.started());
    const std::string wav = makeWav("show.wav", 44100);
    openClean(wav);

    // Upload Podcast on a document that was never published: no description file chosen, so the
    // offer to save it as a podcast comes, and No ends the command.
    form.Podcast().FileUploadPodcastClick();
    ASSERT_FALSE(dialogs.shown().empty());
    EXPECT_EQ(dialogs.shown()[0].kind, ShownDialog::Kind::OpenFile);
    EXPECT_EQ(dialogs.shownTexts().last(), kNotAPodcastYetText);
    EXPECT_EQ(summaries, 0);

    // Saved as a podcast with the upload left for later: nothing reaches the server.
    const std::string pdi = user.file("show.pdi");
    onPodcastDialog = [&](TShowPodcastDlg& dlg) { fillNewSeries(dlg, "Episode 1", ""); };
    uploadNow = false;
    dialogs.queueFile(QString::fromStdString(pdi));
    dialogs.queueAnswer(DialogAnswer::Ok);  // "Files Saved"
    keys(Qt::Key_P);
    EXPECT_EQ(summaries, 1);
    EXPECT_EQ(uploaded, -1);
    ASSERT_TRUE(fs::exists(pdi));
    EXPECT_TRUE(enabled("FileUploadPodcastMenu"));
    const std::string feed = user.file("Talks.xml");
    EXPECT_EQ(judgeFeed(feed)["length"], std::to_string(fs::file_size(wav)));

    // Closed, the recording rewritten longer, opened again: a document without a podcast.
    trigger("FileCloseMenu");
    makeWav("show.wav", 44100 * 3);
    openClean(wav);

    uploadNow = true;
    dialogs.queueFile(QString::fromStdString(pdi));
    dialogs.queueAnswer(DialogAnswer::No);  // keep the WAV
    form.Podcast().FileUploadPodcastClick();
    EXPECT_EQ(dialogs.shown()[0].kind, ShownDialog::Kind::OpenFile);
    EXPECT_TRUE(dialogs.shownTexts().contains(kCompressQuestionText));
    EXPECT_EQ(summaries, 2);
    EXPECT_EQ(form.Podcast().PodcastFile(form.CurrentDocument()), pdi);
    EXPECT_FALSE(enabled("FileSaveAsPodcastMenu"));
    // "<Custom>": the window falls back to the last connection, none here, so it was typed.
    EXPECT_EQ(ftpUser, "");
    EXPECT_EQ(uploaded, 3);

    const fs::path remote = server.root();
    EXPECT_EQ(testing::readWholeFile(remote / "show.wav"), testing::readWholeFile(wav));
    EXPECT_EQ(testing::readWholeFile(remote / "Talks.xml"), testing::readWholeFile(feed));
    EXPECT_TRUE(fs::exists(remote / "Talks.htm"));
    auto judged = judgeFeed((remote / "Talks.xml").string());
    EXPECT_EQ(judged["bozo"], "0");
    EXPECT_EQ(judged["entries"], "1");
    EXPECT_EQ(judged["title"], "Episode 1");
    EXPECT_EQ(judged["type"], "audio/wave");
    EXPECT_EQ(judged["href"], "http://example.org/pod/show.wav");
    EXPECT_EQ(judged["length"], std::to_string(fs::file_size(wav)));
}

}  // namespace
}  // namespace sonthra
