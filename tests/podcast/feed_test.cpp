// The feed writer and updater, judged by xmllint and feedparser as podcast apps would read it.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <clocale>

#include "podcast/audio_duration.h"
#include "podcast/feed_ids.h"
#include "podcast/podcast_feed.h"
#include "podcast/rss_date.h"
#include "podcast/rss_feed.h"
#include "podcast/text_file.h"
#include "podcast/text_rules.h"
#include "podcast_test_support.h"

namespace sonthra::podcast {
namespace {

using test::feedparserView;
using test::readAll;
using test::TempFolder;
using test::writeAll;
using test::xmllintErrors;

// 2026-12-06 15:58:37 UTC
constexpr std::time_t kSavedAt = 1796572717;

struct FeedFixture : ::testing::Test {
    TempFolder folder;
    std::string audio = folder / "episode.mp3";

    void SetUp() override { writeAll(audio, std::string(12345, 'x')); }

    PodcastForm form(const std::string& title, const std::string& link = "") {
        PodcastForm f;
        f.title = title;
        f.description = "About " + title;
        f.date = {2026, 12, 6};
        f.newFeedName = "Weekly";
        f.link = link.empty() ? "http://example.org/pod/episode.mp3" : link;
        f.seriesTitle = "Weekly Talk";
        f.seriesDescription = "Talks every week";
        f.seriesLink = "http://example.org/pod/Weekly.xml";
        return f;
    }

    // A new series holding one episode, written to folder/Weekly.xml.
    std::string newSeries(PodcastFeedEditor& editor, const PodcastForm& f) {
        PodcastInfo info;
        info.AudioFile = audio;
        info.MimeType = "audio/mpeg";
        info.DescriptionFile = folder / "Weekly.pdi";
        EXPECT_TRUE(editor.PrepareRSSForNewSeries(info, f, kSavedAt).ok());
        EXPECT_TRUE(editor.CreateRSSFeed(info).ok());
        return info.NewFeedFile;
    }

    Status addEpisode(PodcastFeedEditor& editor, const std::string& feed, const PodcastForm& f) {
        PodcastInfo info;
        info.AudioFile = audio;
        info.MimeType = "audio/mpeg";
        PodcastForm existing = f;
        existing.existingFeedPath = feed;
        Status prepared = editor.PrepareRSSForExistingSeries(info, existing, kSavedAt);
        if (!prepared.ok()) return prepared;
        return editor.UpdateRSSFeed(info);
    }

    Lines lines(const std::string& path) {
        Lines result;
        EXPECT_TRUE(readTextLines(path, result).ok());
        return result;
    }
};

TEST(RssDate, EnglishNamesAndUtcTimeWhateverTheLocale) {
    std::setlocale(LC_ALL, "de_DE.UTF-8");
    EXPECT_EQ(GetDateTimeInRSSFormat({2026, 12, 6}, kSavedAt), "Sun, 06 Dec 2026 15:58:37 GMT");
    EXPECT_EQ(GetDateTimeInRSSFormat({2024, 2, 29}, kSavedAt), "Thu, 29 Feb 2024 15:58:37 GMT");
    std::setlocale(LC_ALL, "C");
    ASSERT_TRUE(parseDateText("Sun, 06 Dec 2026 15:58:37 GMT").has_value());
    EXPECT_EQ(parseDateText("2026-12-06")->day, 6);
    EXPECT_FALSE(parseDateText("2026-02-30").has_value());
    EXPECT_FALSE(parseDateText("Sun, 06 Foo 2026").has_value());
}

TEST_F(FeedFixture, NewSeriesIsWrittenLineByLine) {
    PodcastFeedEditor editor([](const std::string&, const std::string&) { return true; });
    const std::string feed = newSeries(editor, form("First"));
    EXPECT_EQ(feed, folder / "Weekly.xml");
    const std::string bytes = readAll(feed);
    const Lines written = lines(feed);
    ASSERT_EQ(written.size(), 21u);
    EXPECT_EQ(std::count(bytes.begin(), bytes.end(), '\n'), 21);
    EXPECT_EQ(std::count(bytes.begin(), bytes.end(), '\r'), 21);  // every line ends CR LF
    EXPECT_EQ(written[0], "<?xml version=\"1.0\" encoding=\"UTF-8\"?>");
    EXPECT_EQ(written[3], "    <title>Weekly Talk    </title>");
    EXPECT_EQ(written[6], "\t\t <pubDate>Sun, 06 Dec 2026 15:58:37 GMT\t\t </pubDate>");
    EXPECT_EQ(written[7], "    <generator>ZQN RSS Feed Generation Engine    </generator>");
    EXPECT_EQ(written[8],
              "    <atom:link href=\"http://example.org/pod/Weekly.xml\" rel=\"self\" "
              "type=\"application/rss+xml\" />");
    EXPECT_EQ(written[9], "    <podcast:guid>" + podcastGuidForFeed("example.org/pod/Weekly.xml") +
                              "</podcast:guid>");
    EXPECT_EQ(written[10], "    <item>");
    EXPECT_EQ(written[11], "    <title>First    </title>");
    EXPECT_EQ(written[15],
              "     <enclosure length=\"12345\" url=\"http://example.org/pod/episode.mp3\" "
              "type=\"audio/mpeg\" />");
    EXPECT_EQ(written[16].substr(0, 31), "     <guid isPermaLink=\"false\">");
    EXPECT_EQ(written[16].size(), 31u + 36u + 7u);  // a UUID
    EXPECT_EQ(written[17], "     <itunes:duration>0</itunes:duration>");
    EXPECT_EQ(written[18], "    </item>");
    EXPECT_EQ(written[20], "</rss>");

    // The optional channel lines, each on its own line, in their places.
    PodcastForm full = form("First");
    full.webmaster = "web@example.org";
    full.editor = "ed@example.org";
    full.copyright = "(c) us";
    full.author = "Ann";
    full.imageLink = "http://example.org/art.jpg";
    full.category = "Arts & Crafts";
    full.explicitFlag = "false";
    const Lines more = lines(newSeries(editor, full));
    ASSERT_EQ(more.size(), 28u);
    EXPECT_EQ(more[5], "    <webMaster>web@example.org    </webMaster>");
    EXPECT_EQ(more[8], "    <managingEditor>ed@example.org    </managingEditor>");
    EXPECT_EQ(more[9], "    <copyright>(c) us    </copyright>");
    EXPECT_EQ(more[12], "    <itunes:category text=\"Arts &amp; Crafts\" />");
    const auto view = feedparserView(folder / "Weekly.xml");
    EXPECT_EQ(view.at("bozo"), "0") << view.at("bozo_exception");
    EXPECT_EQ(view.at("feed.author"), "Ann");
    EXPECT_EQ(view.at("feed.image"), "http://example.org/art.jpg");
    EXPECT_EQ(view.at("feed.category"), "Arts & Crafts");
    EXPECT_EQ(more[13], "    <itunes:explicit>false</itunes:explicit>");
    EXPECT_EQ(GetFeedAttributeText(more, "<itunes:category", "text"), "Arts & Crafts");
}

TEST_F(FeedFixture, AwkwardTextParsesEverywhereAndReadsBackAsTyped) {
    PodcastFeedEditor editor;
    PodcastForm first = form("Q&A <live> \"on air\" it's");
    first.description = "Line one & more\r\nline <two>\nПривет, 東京";
    first.seriesTitle = "Café «Müller» & Söhne";
    first.link = "http://example.org/pod/episode.mp3?a=1&b=\"2\"";
    const std::string feed = newSeries(editor, first);
    PodcastForm second = form("Ёжик в тумане > 1");
    ASSERT_TRUE(addEpisode(editor, feed, second).ok());

    EXPECT_EQ(xmllintErrors(feed), "");
    const auto view = feedparserView(feed);
    EXPECT_EQ(view.at("bozo"), "0") << view.at("bozo_exception");
    EXPECT_EQ(view.at("encoding"), "utf-8");
    EXPECT_EQ(view.at("feed.title"), "Café «Müller» & Söhne");
    EXPECT_EQ(view.at("items"), "2");
    EXPECT_EQ(view.at("item0.title"), "Ёжик в тумане > 1");
    EXPECT_EQ(view.at("item1.title"), "Q&A <live> \"on air\" it's");
    // Descriptions are HTML to a podcast app: the typed "<" and line breaks show as typed.
    EXPECT_EQ(view.at("item1.description"),
              "Line one &amp; more<br />line &lt;two&gt;<br />Привет, 東京");
    EXPECT_EQ(view.at("item1.link"), first.link);
    EXPECT_EQ(view.at("item1.id").size(), 36u);  // a UUID of its own, not the shared link
    EXPECT_NE(view.at("item1.id"), view.at("item0.id"));
    EXPECT_EQ(view.at("item1.enclosure.href"), first.link);
    EXPECT_EQ(view.at("item1.enclosure.length"), "12345");
    EXPECT_EQ(view.at("item1.enclosure.type"), "audio/mpeg");
    EXPECT_EQ(view.at("item1.published"), "Sun, 06 Dec 2026 15:58:37 GMT");
    EXPECT_EQ(view.at("item1.published_parsed"), "2026-12-06 15:58:37");

    // Our own readers give back what was typed, and keep one element per line.
    const Lines written = lines(feed);
    EXPECT_EQ(written.size(), 30u);
    EXPECT_EQ(trimmed(GetItemElementText(written, "<title>", 2)), "Q&A <live> \"on air\" it's");
    EXPECT_EQ(trimmed(plainTextFromHtml(GetItemElementText(written, "<description>", 2))),
              "Line one & more\nline <two>\nПривет, 東京");
    EXPECT_EQ(trimmed(GetFeedElementText(written, "<title>")), "Café «Müller» & Söhne");
    std::vector<std::string> titles;
    EXPECT_EQ(editor.GetItemListInFeed(feed, titles, " Q&A <live> \"on air\" it's "), 19);
    ASSERT_EQ(titles.size(), 2u);
    EXPECT_EQ(trimmed(titles[0]), "Ёжик в тумане > 1");
}

TEST_F(FeedFixture, BrokenUtf8AndControlCharactersNeverBreakTheFeed) {
    PodcastFeedEditor editor;
    PodcastForm f = form(std::string("bad \xC3\x28 byte \x01\x1B end"));
    f.description = std::string("\xFF\xFE tail");
    const std::string feed = newSeries(editor, f);
    EXPECT_EQ(xmllintErrors(feed), "");
    const auto view = feedparserView(feed);
    EXPECT_EQ(view.at("bozo"), "0") << view.at("bozo_exception");
    EXPECT_EQ(view.at("item0.title"), "bad \xEF\xBF\xBD( byte  end");
}

TEST_F(FeedFixture, NewEpisodesGoFirstAndAnEmptyChannelGetsItsFirstItem) {
    PodcastFeedEditor editor;
    const std::string feed = newSeries(editor, form("One"));
    ASSERT_TRUE(addEpisode(editor, feed, form("Two")).ok());
    ASSERT_TRUE(addEpisode(editor, feed, form("Three")).ok());
    const Lines before = lines(feed);
    ASSERT_TRUE(addEpisode(editor, feed, form("Four")).ok());
    const Lines after = lines(feed);
    ASSERT_EQ(after.size(), before.size() + 9);
    EXPECT_TRUE(std::equal(before.begin(), before.begin() + 10, after.begin()));
    EXPECT_EQ(after[11], "    <title>Four    </title>");
    EXPECT_TRUE(std::equal(before.begin() + 10, before.end(), after.begin() + 19));
    const auto view = feedparserView(feed);
    EXPECT_EQ(view.at("items"), "4");
    EXPECT_EQ(view.at("item3.title"), "One");

    // A channel without items: the block goes right above "</channel>".
    Lines empty(before.begin(), before.begin() + 10);
    empty.push_back("  </channel>");
    empty.push_back("</rss>");
    const std::string emptyFeed = folder / "Empty.xml";
    ASSERT_TRUE(writeTextLines(emptyFeed, empty).ok());
    ASSERT_TRUE(addEpisode(editor, emptyFeed, form("Only")).ok());
    const Lines filled = lines(emptyFeed);
    ASSERT_EQ(filled.size(), 21u);
    EXPECT_EQ(filled[10], "    <item>");
    EXPECT_EQ(filled[19], "  </channel>");
    EXPECT_EQ(xmllintErrors(emptyFeed), "");
}

TEST_F(FeedFixture, SameTitleIsReplacedInPlaceOnlyAfterYes) {
    bool answer = false;
    int asked = 0;
    PodcastFeedEditor editor([&](const std::string& text, const std::string& caption) {
        ++asked;
        EXPECT_EQ(text, kUpdateQuestion);
        EXPECT_EQ(caption, "Update Podcast Info");
        return answer;
    });
    const std::string feed = newSeries(editor, form("One"));
    ASSERT_TRUE(addEpisode(editor, feed, form("Two")).ok());
    ASSERT_TRUE(addEpisode(editor, feed, form("Three")).ok());
    std::vector<std::string> titles;
    EXPECT_EQ(editor.GetItemListInFeed(feed, titles, "Two"), 19);
    EXPECT_EQ(editor.ItemLineToReplace(), 19);

    const std::string original = readAll(feed);
    PodcastForm changed = form("Two");
    changed.description = "Second take";
    EXPECT_EQ(addEpisode(editor, feed, changed).code, 129);
    EXPECT_EQ(readAll(feed), original);  // byte for byte

    answer = true;
    ASSERT_TRUE(addEpisode(editor, feed, changed).ok());
    EXPECT_EQ(asked, 2);
    const Lines after = lines(feed);
    EXPECT_EQ(after.size(), 39u);
    EXPECT_EQ(after[20], "    <title>Two    </title>");
    EXPECT_EQ(trimmed(GetItemElementText(after, "<description>", 2)), "Second take");
    EXPECT_EQ(trimmed(GetItemElementText(after, "<title>", 1)), "Three");
    EXPECT_EQ(trimmed(GetItemElementText(after, "<title>", 3)), "One");
}

TEST_F(FeedFixture, ReplaceAfterADeletionAboveRemovesTheMatchedItemOnly) {
    PodcastFeedEditor editor([](const std::string&, const std::string&) { return true; });
    const std::string feed = newSeries(editor, form("One"));
    ASSERT_TRUE(addEpisode(editor, feed, form("Two")).ok());
    ASSERT_TRUE(addEpisode(editor, feed, form("Three")).ok());
    std::vector<std::string> titles;
    editor.GetItemListInFeed(feed, titles, "One");
    ASSERT_EQ(editor.ItemLineToReplace(), 28);
    // "&Delete Item" on the first entry moves "One" up by nine lines.
    ASSERT_TRUE(editor.DeleteItem(feed, 1, titles, "One").ok());
    ASSERT_EQ(titles.size(), 2u);
    PodcastForm again = form("One");
    again.description = "Redone";
    ASSERT_TRUE(addEpisode(editor, feed, again).ok());
    const Lines after = lines(feed);
    ItemListing listing;
    ASSERT_TRUE(listItems(after, "", listing));
    ASSERT_EQ(listing.titles.size(), 2u);
    EXPECT_EQ(trimmed(listing.titles[0]), "Two");
    EXPECT_EQ(trimmed(listing.titles[1]), "One");
    EXPECT_EQ(trimmed(GetItemElementText(after, "<description>", 2)), "Redone");
    EXPECT_EQ(xmllintErrors(feed), "");
}

TEST_F(FeedFixture, ItemRewriteFollowsTheTitle) {
    PodcastFeedEditor editor;
    const std::string feed = newSeries(editor, form("One"));
    ASSERT_TRUE(addEpisode(editor, feed, form("Two")).ok());
    PodcastInfo info;
    info.Title = "One";
    info.FeedFile = feed;
    info.Link = "http://example.org/pod/episode2.mp3";
    info.MimeType = "audio/mpeg";
    info.AudioSize = 999;
    info.PubDate = "Mon, 07 Dec 2026 10:00:00 GMT";
    ASSERT_TRUE(editor.UpdateRSSFeedForItem(info).ok());
    const auto view = feedparserView(feed);
    EXPECT_EQ(view.at("item1.enclosure.length"), "999");
    EXPECT_EQ(view.at("item1.link"), info.Link);
    EXPECT_EQ(view.at("item0.enclosure.length"), "12345");

    const std::string before = readAll(feed);
    info.Title = "Missing";
    EXPECT_EQ(editor.UpdateRSSFeedForItem(info).code, 129);
    EXPECT_EQ(readAll(feed), before);
}

TEST_F(FeedFixture, FeedsOfEarlierVersionsStillRead) {
    // Unescaped values, a description over three lines, no guid or duration lines.
    const std::string feed = folder / "Old.xml";
    writeAll(
        feed,
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<rss version=\"2.0\">\r\n  <channel>\r\n"
        "    <title>Old    </title>\r\n    <description>Old series    </description>\r\n"
        "    <link>http://example.org/Old.xml    </link>\r\n"
        "    <item>\r\n    <title>A > B    </title>\r\n"
        "    <description>first\r\nsecond\r\nthird    </description>\r\n"
        "    <unknown>ignored</unknown>\r\n    </item>\r\n  </channel>\r\n</rss>\r\n");
    const Lines old = lines(feed);
    EXPECT_EQ(trimmed(GetItemElementText(old, "<description>", 1)), "first second third");
    EXPECT_EQ(trimmed(GetFeedElementText(old, "<link>")), "http://example.org/Old.xml");
    PodcastFeedEditor editor;
    std::vector<std::string> titles;
    EXPECT_EQ(editor.GetItemListInFeed(feed, titles, "A  B"), 6);
    EXPECT_EQ(trimmed(titles.at(0)), "A  B");
    PodcastFeedEditor fresh;  // nothing listed, so the episode is added
    ASSERT_TRUE(addEpisode(fresh, feed, form("New")).ok());
    EXPECT_EQ(lines(feed).size(), 25u);  // and the channel's podcast:guid
    EXPECT_EQ(xmllintErrors(feed), "");
}

TEST_F(FeedFixture, BrokenFeedsAndFailedWritesLeaveTheFileAsItWas) {
    PodcastFeedEditor editor([](const std::string&, const std::string&) { return true; });
    const std::string feed = folder / "Cut.xml";
    const std::string cut = "<rss>\r\n  <channel>\r\n    <item>\r\n";
    writeAll(feed, cut);
    std::vector<std::string> titles;
    Status status;
    EXPECT_EQ(editor.GetItemListInFeed(feed, titles, "x", &status), -1);
    EXPECT_FALSE(status.ok());

    // An item without "</item>" cannot be replaced: nothing is written.
    const std::string open = "<rss>\r\n  <channel>\r\n    <item>\r\n    <title>x</title>\r\n";
    writeAll(feed, open);
    editor.GetItemListInFeed(feed, titles, "x");
    EXPECT_FALSE(addEpisode(editor, feed, form("x")).ok());
    EXPECT_EQ(readAll(feed), open);
    EXPECT_FALSE(addEpisode(editor, folder / "none.xml", form("x")).ok());
    PodcastInfo info;
    PodcastForm noPath = form("x");
    const Status missing = editor.PrepareRSSForExistingSeries(info, noPath);
    EXPECT_EQ(missing.text, "Please choose some Feed file to add the new item to.");
    EXPECT_EQ(missing.caption, "No Feed File");

    // A write that fails says so; a folder that cannot be written keeps the old feed whole.
    const Status unwritable = writeTextLines(folder / "no/such/folder.xml", {"x"});
    EXPECT_FALSE(unwritable.ok());
    EXPECT_NE(unwritable.text.find("no/such/folder.xml"), std::string::npos);
    if (::geteuid() != 0) {
        const std::string good = newSeries(editor, form("One"));
        const std::string before = readAll(good);
        ::chmod(folder.path().c_str(), 0500);
        EXPECT_FALSE(addEpisode(editor, good, form("Two")).ok());
        ::chmod(folder.path().c_str(), 0700);
        EXPECT_EQ(readAll(good), before);
    }
}

TEST(FeedNames, NewFeedFileAndTtl) {
    EXPECT_EQ(newFeedFilePath("/a/b/show.pdi", "Interviews"), "/a/b/Interviews.xml");
    EXPECT_EQ(newFeedFilePath("/a/b/show.pdi", "Interviews.xml"), "/a/b/Interviews.xml");
    EXPECT_EQ(newFeedFilePath("show.pdi", "x"), "./x.xml");
    EXPECT_EQ(ttlText(" 60 "), "60");
    EXPECT_EQ(ttlText("6o"), "0");
    EXPECT_EQ(ttlText(""), "0");
}

TEST(AudioDuration, Mp3FromTheFirstFrame) {
    // MPEG-1 layer III, 128 kbit/s, 44.1 kHz behind a 100-byte ID3v2 tag: 10 s in 160000 bytes.
    std::string head = "ID3";
    head += std::string("\x03\x00\x00\x00\x00\x00\x64", 7);
    head += std::string(100, '\0');
    head += std::string("\xFF\xFB\x90\x00", 4);
    head += std::string(400, '\0');
    EXPECT_EQ(mp3DurationSeconds(head, 160000 + 110), 10u);
    EXPECT_EQ(mp3DurationSeconds(std::string(50, '\0'), 1000), 0u);
    EXPECT_EQ(mimeTypeForFile("/x/a.mp3"), "audio/mpeg");
    EXPECT_EQ(mimeTypeForFile("/x/EP2.MP3"), "audio/mpeg");
    EXPECT_EQ(mimeTypeForFile("/x/a.Wav"), "audio/wave");
    EXPECT_EQ(mimeTypeForFile("/x.wav/a"), "");
}

}  // namespace
}  // namespace sonthra::podcast
