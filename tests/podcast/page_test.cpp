// The description file and the episode page.
#include <gtest/gtest.h>

#include "podcast/html_page.h"
#include "podcast/pdi_file.h"
#include "podcast/podcast_feed.h"
#include "podcast/text_file.h"
#include "podcast_test_support.h"

namespace sonthra::podcast {
namespace {

using test::readAll;
using test::TempFolder;
using test::writeAll;

struct PageFixture : ::testing::Test {
    TempFolder folder;
    std::string feed = folder / "Interviews.xml";

    void SetUp() override {
        writeAll(folder / "a.mp3", "audio");
        PodcastFeedEditor editor;
        PodcastInfo info;
        info.AudioFile = folder / "a.mp3";
        info.MimeType = "audio/mpeg";
        info.DescriptionFile = folder / "Interviews.pdi";
        PodcastForm form;
        form.newFeedName = "Interviews";
        form.seriesLink = "http://example.org/Interviews.xml";
        form.seriesTitle = "Interviews";
        for (const std::string title : {"One", "Two & <Three>"}) {
            form.title = title;
            form.description = "About " + title + "\nsecond line";
            form.link = "http://example.org/" + std::to_string(title.size()) + ".mp3";
            if (title == "One") {
                ASSERT_TRUE(editor.PrepareRSSForNewSeries(info, form).ok());
                ASSERT_TRUE(editor.CreateRSSFeed(info).ok());
            } else {
                form.existingFeedPath = feed;
                ASSERT_TRUE(editor.PrepareRSSForExistingSeries(info, form).ok());
                ASSERT_TRUE(editor.UpdateRSSFeed(info).ok());
            }
        }
        form.title = "Newest";
        ASSERT_TRUE(editor.PrepareRSSForExistingSeries(info, form).ok());
        ASSERT_TRUE(editor.UpdateRSSFeed(info).ok());
    }

    std::string templates(const std::string& page, const std::string& file) {
        const std::string dir = folder / "templates";
        std::filesystem::create_directory(dir);
        writeAll(dir + "/PageTemplate.html", page);
        writeAll(dir + "/FileTemplate.html", file);
        return dir;
    }

    Lines pageLines() {
        Lines lines;
        EXPECT_TRUE(readTextLines(folder / "Interviews.htm", lines).ok());
        return lines;
    }
};

TEST_F(PageFixture, ThreeEpisodesAndFiveTemplateLinesGiveFifteenLinesInFeedOrder) {
    const std::string dir = templates(
        "<html>\nFeed: <QPT.FeedLink></QPT.FeedLink>\nlower <qpt.feedlink>\n"
        "<QPT.PodcastInfo>\n</html>\n",
        "<div>\n<QPT.Title></QPT.Title>\n<QPT.Description></QPT.Description>\n"
        "<QPT.Link></QPT.FeedLink> <qpt.LINK>\n</div>\n");
    PodcastInfo info;
    info.FeedFile = feed;
    ASSERT_TRUE(CreateHTMLFile(info, dir).ok());
    const Lines page = pageLines();
    ASSERT_EQ(page.size(), 5u + 15u);
    EXPECT_EQ(page[1],
              "Feed: <A href=\"http://example.org/Interviews.xml\">"
              "http://example.org/Interviews.xml</A>");
    EXPECT_EQ(page[2], "lower <qpt.feedlink>");  // not recognised in another case
    EXPECT_EQ(page[3], "<div>");
    EXPECT_EQ(page[4], "<P>Newest</P>");
    // The newest episode kept the description typed before it.
    EXPECT_EQ(page[5], "<P>About Two &amp; &lt;Three&gt;<br>second line</P>");
    // Once recognised, every occurrence is replaced whatever its case.
    EXPECT_EQ(page[6],
              "<A href=\"http://example.org/13.mp3\">http://example.org/13.mp3</A> "
              "<A href=\"http://example.org/13.mp3\">http://example.org/13.mp3");
    EXPECT_EQ(page[9], "<P>Two &amp; &lt;Three&gt;</P>");
    EXPECT_EQ(page[14], "<P>One</P>");
    EXPECT_EQ(page[17], "</div>");
    EXPECT_EQ(page[18], "<QPT.PodcastInfo>");  // the marker line stays below the episodes
}

TEST_F(PageFixture, ShippedTemplatesMakeAPageThatShowsTheTitlesAsTyped) {
    PodcastInfo info;
    info.NewFeedFile = feed;  // a new feed: FeedFile still empty
    info.SeriesLink = "http://example.org/Interviews.xml";
    ASSERT_TRUE(CreateHTMLFile(info, test::sourceDir() + "/resources/podcast").ok());
    const std::string page = readAll(folder / "Interviews.htm");
    std::string text;
    const int status = test::runCommand(
        "/usr/bin/python3 -c \"import html.parser,sys\n"
        "class P(html.parser.HTMLParser):\n"
        "  def handle_data(self, d): sys.stdout.write(d)\n"
        "P().feed(open(sys.argv[1], encoding='utf-8').read())\" " +
            test::shellQuoted(folder / "Interviews.htm"),
        &text);
    ASSERT_EQ(status, 0) << text;
    EXPECT_NE(text.find("Two & <Three>"), std::string::npos) << text;
    EXPECT_LT(text.find("Newest"), text.find("Two & <Three>"));
    EXPECT_NE(page.find("charset=\"utf-8\""), std::string::npos);
}

TEST_F(PageFixture, MissingTemplateWritesNoPageAndPathsDropFourCharacters) {
    PodcastInfo info;
    info.FeedFile = feed;
    const std::string dir = templates("x\n", "y\n");
    std::filesystem::remove(dir + "/FileTemplate.html");
    const Status missing = CreateHTMLFile(info, dir);
    EXPECT_EQ(missing.text,
              "The file " + dir + "/FileTemplate.html does not exists. Can not create .Htm file");
    EXPECT_EQ(missing.caption, "File not found.");
    EXPECT_FALSE(fileExists(folder / "Interviews.htm"));
    EXPECT_EQ(pagePathForFeed(" /a/feed.rss2 "), "/a/feed..htm");
    EXPECT_EQ(pagePathForFeed("abc"), ".htm");
    PodcastInfo named;
    named.DescriptionFile = "/d/show.pdi";
    named.NewFeedName = "Talks";
    EXPECT_EQ(pageFeedPath(named), "/d/Talks.xml");
}

TEST(DescriptionFile, WrittenAndReadBack) {
    TempFolder folder;
    PodcastInfo info;
    info.DescriptionFile = folder / "show.pdi";
    info.Title = "Q&A\nlive";
    info.Description = "  \tFirst line\n[Title]=not a key\nlast  \r\n";
    info.Link = "http://example.org/a.mp3";
    info.FeedFile = "/old/feed.xml";
    info.NewFeedFile = folder / "new.xml";
    info.AudioFile = "/music/a.mp3";
    ASSERT_TRUE(CreatePDIFile(info, false, {2026, 12, 6}).ok());
    EXPECT_EQ(readAll(info.DescriptionFile),
              "[Podcast]=show.pdi\r\n[Title]=Q&A live\r\n[Description]=First line\r\n"
              "[Title]=not a key\r\nlast\r\n[PublicationDate]=2026-12-06\r\n"
              "[Link]=http://example.org/a.mp3\r\n[Feed File]=" +
                  folder / "new.xml" + "\r\n[Audio File]=/music/a.mp3\r\n[UploadPath]=/\r\n");

    PodcastInfo back;
    back.IsNew = true;
    std::string podcastFile;
    ASSERT_TRUE(LoadPodcastFromPDI(info.DescriptionFile, back, podcastFile).ok());
    EXPECT_EQ(podcastFile, info.DescriptionFile);
    EXPECT_EQ(back.DescriptionFile, info.DescriptionFile);
    EXPECT_EQ(back.Title, "Q&A live");
    EXPECT_EQ(back.Description, "First line\n[Title]=not a key\nlast");
    EXPECT_EQ(back.FeedFile, folder / "new.xml");
    EXPECT_EQ(back.AudioFile, "/music/a.mp3");
    EXPECT_EQ(back.UploadPath, "/");
    EXPECT_EQ(back.PubDate, "2026-12-06");
    EXPECT_FALSE(back.IsNew);

    info.UploadPath = "/public_html/pod";
    ASSERT_TRUE(CreatePDIFile(info, true, {2026, 12, 6}).ok());
    ASSERT_TRUE(LoadPodcastFromPDI(info.DescriptionFile, back, podcastFile).ok());
    EXPECT_EQ(back.FeedFile, "/old/feed.xml");
    EXPECT_EQ(back.UploadPath, "/public_html/pod");

    // Anything else is refused and changes nothing.
    writeAll(folder / "other.pdi", "just some text\n[Title]=x\n");
    EXPECT_FALSE(LoadPodcastFromPDI(folder / "other.pdi", back, podcastFile).ok());
    EXPECT_EQ(back.Title, "Q&A live");
}

}  // namespace
}  // namespace sonthra::podcast
