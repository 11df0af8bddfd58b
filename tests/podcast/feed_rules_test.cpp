// What podcast directories check in a feed, judged by xmllint and feedparser: namespaces on a
// feed written elsewhere, a guid of its own for every episode, the channel's podcast:guid, no
// feed replaced unasked, and no podcast file written over another.
#include <gtest/gtest.h>

#include "podcast/chapters_json.h"
#include "podcast/feed_check.h"
#include "podcast/feed_ids.h"
#include "podcast/podcast_checks.h"
#include "podcast/podcast_feed.h"
#include "podcast/rss_feed.h"
#include "podcast/text_file.h"
#include "podcast_test_support.h"

namespace sonthra::podcast {
namespace {

using test::feedparserView;
using test::readAll;
using test::runCommand;
using test::shellQuoted;
using test::TempFolder;
using test::writeAll;
using test::xmllintErrors;

struct FeedRules : ::testing::Test {
    TempFolder folder;
    std::string audio = folder / "ep.mp3";
    PodcastFeedEditor yes{[](const std::string&, const std::string&) { return true; }};

    void SetUp() override { writeAll(audio, std::string(1000, 'x')); }

    PodcastInfo episode(const std::string& title, const std::string& feed) {
        PodcastInfo info;
        info.Title = title;
        info.Description = "About " + title;
        info.PubDate = "Sun, 06 Dec 2026 15:58:37 GMT";
        info.AudioFile = audio;
        info.AudioSize = 1000;
        info.Link = "http://example.org/pod/ep.mp3";
        info.MimeType = "audio/mpeg";
        info.FeedFile = feed;
        info.DescriptionFile = folder / "show.pdi";
        return info;
    }

    // The first episode of a new series in feed.
    PodcastInfo newSeries(const std::string& feed) {
        PodcastInfo info = episode("One", "");
        info.NewFeedFile = feed;
        info.SeriesTitle = "Show";
        info.SeriesLink = "https://example.org/show.xml";
        return info;
    }

    Status add(PodcastFeedEditor& editor, const std::string& feed, const std::string& title) {
        std::vector<std::string> titles;
        editor.GetItemListInFeed(feed, titles, title);
        return editor.UpdateRSSFeed(episode(title, feed));
    }

    std::string guidOfItem(const std::string& feed, int n) {
        Lines lines;
        EXPECT_TRUE(readTextLines(feed, lines).ok());
        ItemListing listing;
        EXPECT_TRUE(listItems(lines, "", listing));
        return itemGuid(lines, static_cast<std::size_t>(listing.positions.at(n)));
    }
};

TEST_F(FeedRules, ItemsAddedToFeedsWrittenElsewhereLeaveThemValid) {
    // By hand, without a namespace: items of their own, a start tag over three lines, one feed
    // already using an itunes element it never declared, one declaring it in another spelling.
    const std::string plain =
        "<?xml version=\"1.0\"?>\n<rss\n  version=\"2.0\"\n>\n<channel>\n"
        "<title>Hand made</title>\n<link>http://example.org/</link>\n"
        "<description>Mine</description>\n"
        "<atom:link href=\"https://example.org/hand.xml/\" rel=\"self\" />\n"
        "<item><title>Old one</title><guid>old-1</guid></item>\n</channel>\n</rss>\n";
    const std::string undeclared =
        "<rss version='2.0'><channel><title>T</title><itunes:author>Ann</itunes:author>\n"
        "<description>D</description>\n</channel></rss>\n";
    const std::string declared =
        "<rss xmlns:itunes=\"http://www.itunes.com/DTDs/Podcast-1.0.dtd\" version=\"2.0\">\n"
        "<channel><title>T</title>\n<description>D</description>\n</channel></rss>\n";
    int n = 0;
    for (const std::string& text : {plain, undeclared, declared}) {
        const std::string feed = folder / ("hand" + std::to_string(++n) + ".xml");
        writeAll(feed, text);
        ASSERT_TRUE(add(yes, feed, "New one").ok()) << n;
        ASSERT_TRUE(add(yes, feed, "Newer one").ok()) << n;
        EXPECT_EQ(xmllintErrors(feed), "") << n;
        const auto view = feedparserView(feed);
        EXPECT_EQ(view.at("bozo"), "0") << n << " " << view.at("bozo_exception");
        EXPECT_EQ(view.at("item0.title"), "Newer one") << n;
        EXPECT_EQ(view.at("item0.duration"), "0") << n;
        EXPECT_EQ(view.at("item0.enclosure.type"), "audio/mpeg") << n;
    }
    const std::string first = readAll(folder / "hand1.xml");
    EXPECT_NE(first.find("<podcast:guid>" + podcastGuidForFeed("https://example.org/hand.xml/") +
                         "</podcast:guid>"),
              std::string::npos);
    EXPECT_EQ(first.find("<podcast:guid>"), first.rfind("<podcast:guid>"));  // added once
    EXPECT_NE(first.find("<guid>old-1</guid>"), std::string::npos);
    EXPECT_EQ(feedparserView(folder / "hand1.xml").at("items"), "3");

    // A file that is not RSS is left as it was.
    const std::string atom = folder / "atom.xml";
    writeAll(atom, "<feed><entry>x</entry>\n</channel>\n");
    EXPECT_FALSE(add(yes, atom, "x").ok());
    EXPECT_EQ(readAll(atom), "<feed><entry>x</entry>\n</channel>\n");
}

TEST_F(FeedRules, EveryEpisodeHasItsOwnGuidKeptWhenItIsReplaced) {
    const std::string feed = folder / "show.xml";
    PodcastInfo info = newSeries(feed);
    ASSERT_TRUE(yes.CreateRSSFeed(info).ok());
    ASSERT_TRUE(add(yes, feed, "Two").ok());  // the same audio file and link
    const std::string one = guidOfItem(feed, 1);
    const std::string two = guidOfItem(feed, 0);
    EXPECT_EQ(one.size(), 36u);
    EXPECT_NE(one, two);

    PodcastFeedEditor replacing([](const std::string&, const std::string&) { return true; });
    ASSERT_TRUE(add(replacing, feed, "One").ok());
    EXPECT_EQ(guidOfItem(feed, 1), one);
    PodcastInfo rewritten = episode("Two", feed);
    rewritten.AudioSize = 2;
    ASSERT_TRUE(yes.UpdateRSSFeedForItem(rewritten).ok());
    EXPECT_EQ(guidOfItem(feed, 0), two);
    const auto view = feedparserView(feed);
    EXPECT_EQ(view.at("item0.enclosure.length"), "2");
    EXPECT_EQ(view.at("item0.id"), two);
    EXPECT_EQ(view.at("item1.id"), one);
    EXPECT_EQ(xmllintErrors(feed), "");

    // Older feeds gave two episodes the link as their guid: a replaced one gets a new one.
    Lines lines;
    ASSERT_TRUE(readTextLines(feed, lines).ok());
    for (std::string& line : lines) {
        if (line.find("<guid") != std::string::npos) line = "<guid>same</guid>";
    }
    ASSERT_TRUE(writeTextLines(feed, lines).ok());
    ASSERT_TRUE(add(replacing, feed, "One").ok());
    EXPECT_NE(guidOfItem(feed, 1), "same");
    EXPECT_EQ(guidOfItem(feed, 0), "same");
}

TEST_F(FeedRules, WhatDirectoriesRequireIsWrittenAndWhatIsMissingIsNamed) {
    const std::string feed = folder / "show.xml";
    PodcastInfo info = newSeries(feed);
    info.SeriesDescription = "About the show";
    info.SeriesLink = "https://example.org/show.xml";
    ASSERT_TRUE(yes.CreateRSSFeed(info).ok());
    Lines lines;
    ASSERT_TRUE(readTextLines(feed, lines).ok());
    EXPECT_EQ(missingDirectoryFields(lines),
              (std::vector<std::string>{"the series' image", "the series' category",
                                        "whether the series is explicit", "the series' language"}));
    EXPECT_EQ(missingFieldsMessage({"a", "b"}),
              "Podcast directories will not list this feed as it is. It lacks:\n(1) a\n(2) b\n"
              "Do you want to go on?");

    info.ImageLink = "https://example.org/art.jpg";
    info.Category = "Arts";
    info.Explicit = "false";
    info.Language = " en-us ";
    info.Author = "Ann & Bo";
    info.OwnerEmail = "ann@example.org";
    ASSERT_TRUE(yes.CreateRSSFeed(info).ok());
    ASSERT_TRUE(readTextLines(feed, lines).ok());
    EXPECT_EQ(missingDirectoryFields(lines), std::vector<std::string>{});
    EXPECT_EQ(xmllintErrors(feed), "");
    const auto view = feedparserView(feed);
    EXPECT_EQ(view.at("bozo"), "0") << view.at("bozo_exception");
    EXPECT_EQ(view.at("feed.language"), "en-us");
    EXPECT_EQ(view.at("feed.owner_email"), "ann@example.org");

    // An episode written elsewhere without a guid, a date or its audio's type.
    writeAll(feed,
             "<rss><channel>\n<title>T</title>\n<item>\n<title>Bare</title>\n"
             "<enclosure url=\"http://example.org/a.mp3\" length=\"5\" />\n</item>\n"
             "</channel></rss>\n");
    ASSERT_TRUE(readTextLines(feed, lines).ok());
    const std::vector<std::string> missing = missingDirectoryFields(lines);
    ASSERT_EQ(missing.size(), 8u);
    EXPECT_EQ(missing[5], "episode 1 \"Bare\": its audio type");
    EXPECT_EQ(missing[6], "episode 1 \"Bare\": its guid");
    EXPECT_EQ(missing[7], "episode 1 \"Bare\": its date");
}

TEST(FeedIds, ChannelGuidIsTheNamespacesUuidOfTheAddress) {
    std::string expected;
    ASSERT_EQ(runCommand("/usr/bin/python3 -c \"import uuid; print(uuid.uuid5(uuid.UUID("
                         "'ead4c236-bf58-58c6-a2c6-a6b28d128cb6'), 'example.org/a/feed.xml'))\"",
                         &expected),
              0);
    EXPECT_EQ(podcastGuidForFeed("https://example.org/a/feed.xml//") + "\n", expected);
    EXPECT_EQ(podcastGuidForFeed("http://example.org/a/feed.xml"),
              podcastGuidForFeed("example.org/a/feed.xml"));
    EXPECT_EQ(randomUuid()[14], '4');
    EXPECT_NE(randomUuid(), randomUuid());
}

TEST_F(FeedRules, ANewFeedOverAnExistingFileIsWrittenOnlyAfterYes) {
    const std::string feed = folder / "show.xml";
    PodcastInfo info = newSeries(feed);
    ASSERT_TRUE(yes.CreateRSSFeed(info).ok());
    ASSERT_TRUE(add(yes, feed, "Two").ok());
    const std::string before = readAll(feed);

    std::string asked;
    PodcastFeedEditor no([&](const std::string& text, const std::string& caption) {
        asked = caption + ": " + text;
        return false;
    });
    info.Title = "Fresh";
    EXPECT_EQ(no.CreateRSSFeed(info).code, 129);
    EXPECT_EQ(asked, "Replace Feed: The file \"" + feed +
                         "\" already exists and holds 2 episodes. A new feed replaces it and "
                         "everything it holds. Do you want to replace it?");
    EXPECT_EQ(PodcastFeedEditor().CreateRSSFeed(info).code, 129);
    EXPECT_EQ(readAll(feed), before);
    ASSERT_TRUE(yes.CreateRSSFeed(info).ok());
    EXPECT_EQ(feedparserView(feed).at("items"), "1");
}

TEST_F(FeedRules, NoPodcastFileIsWrittenOverAnother) {
    EXPECT_EQ(podcastFileClash(folder / "a.xml", folder / "a.pdi", audio), "");
    EXPECT_NE(podcastFileClash(folder / "feed.htm", folder / "a.pdi", audio), "");
    EXPECT_NE(podcastFileClash(folder / "show.pdi", folder / "./show.pdi", audio), "");
    EXPECT_NE(podcastFileClash(folder / "a.xml", folder / "a.htm", audio), "");  // page over it
    EXPECT_NE(podcastFileClash(audio, folder / "a.pdi", audio).find("audio file"),
              std::string::npos);

    // The feed of a new series named like its page: refused before anything is written.
    PodcastInfo info = newSeries(folder / "feed.htm");
    const Status refused = yes.CreateRSSFeed(info);
    EXPECT_FALSE(refused.ok());
    EXPECT_NE(refused.text.find("web page"), std::string::npos);
    EXPECT_FALSE(fileExists(folder / "feed.htm"));
    // An existing feed the description file would replace keeps its episodes.
    const std::string feed = folder / "show.pdi";
    writeAll(feed, "<rss><channel>\n</channel></rss>\n");
    PodcastInfo added = episode("Two", feed);
    EXPECT_FALSE(yes.UpdateRSSFeed(added).ok());
    EXPECT_EQ(readAll(feed), "<rss><channel>\n</channel></rss>\n");
}

TEST(ChaptersJson, ParsesWithTheNamespacesFields) {
    TempFolder folder;
    const std::vector<Marker> markers = {
        {44100 * 75, 44100 * 90, "Talk \"live\" \\ \xD0\x9A", 0},
        {0, std::nullopt, "Intro\tand\x01 more", 0},
        {22050, std::nullopt, std::string("bad \xFF byte"), 0},
    };
    const std::string path = folder / "chapters.json";
    writeAll(path, chaptersJson(markers, 44100));
    std::string output;
    ASSERT_EQ(runCommand("/usr/bin/python3 -c \"import json,sys; d=json.load(open(sys.argv[1],"
                         "encoding='utf-8')); print(d['version']); "
                         "[print(repr(c['startTime']), repr(c.get('endTime')), ascii(c['title'])) "
                         "for c in d['chapters']]\" " +
                             shellQuoted(path),
                         &output),
              0)
        << output;
    EXPECT_EQ(output,
              "1.2.0\n0 None 'Intro\\tand more'\n0.5 None 'bad \\ufffd byte'\n"
              "75 90 'Talk \"live\" \\\\ \\u041a'\n");
    EXPECT_EQ(chaptersJson({}, 8000), "{\n  \"version\": \"1.2.0\",\n  \"chapters\": []\n}\n");
}

}  // namespace
}  // namespace sonthra::podcast
