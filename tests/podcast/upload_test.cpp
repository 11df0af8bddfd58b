// After a save: the podcast files follow a compressed or rewritten audio file, the upload
// list and the host's credentials.
#include <gtest/gtest.h>

#include "ftp/password_scramble.h"
#include "podcast/pdi_file.h"
#include "podcast/podcast_feed.h"
#include "podcast/podcast_upload.h"
#include "podcast/text_file.h"
#include "podcast_test_support.h"

namespace sonthra::podcast {
namespace {

using test::readAll;
using test::runCommand;
using test::shellQuoted;
using test::writeAll;

TEST(PodcastUpload, FilesFollowTheCompressedAudio) {
    test::TempFolder folder;
    const std::string wav = folder / "talk.wav";
    const std::string mp3 = folder / "talk.mp3";
    std::string output;
    ASSERT_EQ(runCommand("sox -n -r 44100 -c 2 -b 16 " + shellQuoted(wav) +
                             " synth 4 sine 300 && lame --quiet " + shellQuoted(wav) + " " +
                             shellQuoted(mp3),
                         &output),
              0)
        << output;

    PodcastFeedEditor editor;
    PodcastInfo info;
    info.AudioFile = wav;
    info.MimeType = "audio/wave";
    info.DescriptionFile = folder / "talk.pdi";
    PodcastForm form;
    form.title = "Talk";
    form.description = "A talk";
    form.newFeedName = "Talks";
    form.link = "http://example.org/pod/talk.wav";
    form.seriesTitle = "Talks";
    form.seriesLink = "http://example.org/pod/Talks.xml";
    ASSERT_TRUE(editor.PrepareRSSForNewSeries(info, form).ok());
    ASSERT_TRUE(editor.CreateRSSFeed(info).ok());
    ASSERT_TRUE(CreatePDIFile(info, false, {2026, 12, 6}).ok());
    const std::string feed = folder / "Talks.xml";
    EXPECT_EQ(podcastUploadList(feed, wav), (std::vector<std::string>{feed, wav}));

    const std::string link = linkForNewAudio(info.Link, mp3);
    EXPECT_EQ(link, "http://example.org/pod/talk.mp3");
    ASSERT_TRUE(refreshPodcastFiles(info.DescriptionFile, mp3, link, true,
                                    test::sourceDir() + "/resources/podcast")
                    .ok());
    const auto view = test::feedparserView(feed);
    EXPECT_EQ(view.at("bozo"), "0");
    EXPECT_EQ(view.at("items"), "1");
    EXPECT_EQ(view.at("item0.enclosure.href"), link);
    EXPECT_EQ(view.at("item0.enclosure.type"), "audio/mpeg");
    EXPECT_EQ(view.at("item0.enclosure.length"), std::to_string(std::filesystem::file_size(mp3)));
    EXPECT_EQ(view.at("item0.duration"), "4");
    EXPECT_NE(readAll(info.DescriptionFile).find("[Audio File]=" + mp3), std::string::npos);
    EXPECT_NE(readAll(folder / "Talks.htm").find(link), std::string::npos);
    EXPECT_EQ(podcastUploadList(feed, mp3),
              (std::vector<std::string>{feed, mp3, folder / "Talks.htm"}));

    // An episode no longer in the feed leaves the feed alone; the page is still written.
    const std::string before = readAll(feed);
    writeAll(info.DescriptionFile,
             "[Podcast]=talk.pdi\r\n[Title]=Gone\r\n[Feed File]=" + feed + "\r\n");
    EXPECT_TRUE(refreshPodcastFiles(info.DescriptionFile, mp3, link, false,
                                    test::sourceDir() + "/resources/podcast")
                    .ok());
    EXPECT_EQ(readAll(feed), before);
}

TEST(PodcastUpload, CredentialsOfARealHostOnly) {
    HostTable table = HostTable::parse({"[Host]", "host=ftp.h.net", "append=@h.net"});
    storeAccount(table, "Host", "ann", "pw");
    const UploadCredentials real = uploadCredentials(table, "Host", "/pub");
    EXPECT_EQ(real.userName, "ann@h.net");
    EXPECT_EQ(real.password, "pw");
    EXPECT_EQ(real.server, "ftp.h.net");
    EXPECT_EQ(real.remoteFolder, "/pub");
    const UploadCredentials custom = uploadCredentials(table, kCustomHost, "/pub");
    EXPECT_EQ(custom.userName, "");
    EXPECT_EQ(custom.server, "");
    EXPECT_EQ(custom.remoteFolder, "/pub");
}

}  // namespace
}  // namespace sonthra::podcast
