// The podcast verb of sonthra-cli on real audio files made by sox and lame: a new series, an
// added episode, a replaced one, and the files beside the feed, judged by feedparser.
#include <gtest/gtest.h>

#include <sstream>

#include "cli/cli_verbs.h"
#include "cli/podcast_command.h"
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

struct PodcastVerb : ::testing::Test {
    TempFolder folder;
    std::string out;
    std::string err;

    int run(std::vector<std::string> args) {
        std::ostringstream o;
        std::ostringstream e;
        const std::atomic<bool> interrupted{false};
        const int code = cli::runPodcastVerb(args, o, e, interrupted);
        out = o.str();
        err = e.str();
        return code;
    }

    std::string tone(const std::string& name, int seconds) {
        const std::string path = folder / name;
        std::string output;
        EXPECT_EQ(runCommand("sox -n -r 44100 -c 1 -b 16 " + shellQuoted(path) + " synth " +
                                 std::to_string(seconds) + " sine 440",
                             &output),
                  0)
            << output;
        return path;
    }
};

TEST_F(PodcastVerb, CreatesAddsAndReplacesEpisodesWithTheFilesBesideTheFeed) {
    const std::string wav = tone("first.wav", 3);
    const std::string feed = folder / "Show.xml";
    ASSERT_EQ(
        run({feed, wav, "--title", "Q&A <live>", "--description", "Line 1\nLine 2", "--link",
             "http://example.org/pod/first.wav", "--date", "2026-12-06", "--series-title", "Show",
             "--series-description", "A show", "--series-link", "http://example.org/pod/Show.xml"}),
        0)
        << err;
    EXPECT_NE(out.find("created " + feed), std::string::npos);
    EXPECT_TRUE(fileExists(folder / "Show.pdi"));
    EXPECT_TRUE(fileExists(folder / "Show.htm"));
    EXPECT_NE(readAll(folder / "Show.pdi").find("[Feed File]=" + feed), std::string::npos);

    // An MP3 episode from lame: its playing time read from the file.
    std::string output;
    const std::string mp3 = folder / "second.mp3";
    ASSERT_EQ(
        runCommand("lame --quiet " + shellQuoted(tone("second.wav", 5)) + " " + shellQuoted(mp3),
                   &output),
        0)
        << output;
    ASSERT_EQ(run({feed, mp3, "--title=Second", "--description=Two", "--link",
                   "https://example.org/pod/second.mp3", "--date", "2026-12-07"}),
              0)
        << err;
    EXPECT_NE(out.find("added episode to"), std::string::npos);

    ASSERT_EQ(run({feed, wav, "--title", " Q&A <live> ", "--description", "Redone", "--link",
                   "http://example.org/pod/first.wav"}),
              0)
        << err;
    EXPECT_NE(out.find("replaced episode in"), std::string::npos);

    EXPECT_EQ(xmllintErrors(feed), "");
    const auto view = feedparserView(feed);
    EXPECT_EQ(view.at("bozo"), "0");
    EXPECT_EQ(view.at("items"), "2");
    EXPECT_EQ(view.at("item0.title"), "Second");
    EXPECT_EQ(view.at("item0.enclosure.type"), "audio/mpeg");
    EXPECT_EQ(view.at("item0.enclosure.length"), std::to_string(std::filesystem::file_size(mp3)));
    EXPECT_EQ(view.at("item0.duration"), "5");
    EXPECT_EQ(view.at("item0.published").substr(0, 16), "Mon, 07 Dec 2026");
    EXPECT_EQ(view.at("item1.title"), "Q&A <live>");
    EXPECT_EQ(view.at("item1.description"), "Redone");
    EXPECT_EQ(view.at("item1.enclosure.type"), "audio/wave");
    EXPECT_EQ(view.at("item1.duration"), "3");
    const std::string page = readAll(folder / "Show.htm");
    EXPECT_NE(page.find("Q&amp;A &lt;live&gt;"), std::string::npos);
    EXPECT_LT(page.find("Second"), page.find("Q&amp;A"));
}

TEST_F(PodcastVerb, WrongWordsChangeNothing) {
    const std::string wav = tone("a.wav", 1);
    const std::string feed = folder / "New.xml";
    const std::vector<std::string> base = {feed, wav, "--title", "T", "--description", "D"};
    auto with = [&](std::vector<std::string> more) {
        std::vector<std::string> args = base;
        args.insert(args.end(), more.begin(), more.end());
        return run(args);
    };
    EXPECT_EQ(with({"--link", "http://example.org/a.wav"}), cli::kExitUsage);
    EXPECT_NE(err.find("--series-title"), std::string::npos);
    EXPECT_EQ(with({"--link", "http://example.org/A.wav"}), cli::kExitUsage);
    EXPECT_NE(err.find("Saved Audio Filename a.wav Does Not Exist In The Podcast Link."),
              std::string::npos);
    EXPECT_EQ(with({"--link", "http://example.org/(x)/a.wav"}), cli::kExitUsage);
    EXPECT_NE(err.find("Please remove the round brackets from your URL."), std::string::npos);
    EXPECT_EQ(with({"--link", "HTTP://example.org/a.wav"}), cli::kExitUsage);
    EXPECT_EQ(with({"--link", "http://example.org/a.wav", "--date", "2026-13-01"}),
              cli::kExitUsage);
    EXPECT_EQ(with({"--link", "http://example.org/a.wav", "--bogus", "1"}), cli::kExitUsage);
    EXPECT_EQ(run({feed, "--title", "T"}), cli::kExitUsage);
    EXPECT_FALSE(std::filesystem::exists(feed));
    EXPECT_FALSE(std::filesystem::exists(folder / "New.pdi"));
}

TEST_F(PodcastVerb, UpperCaseNamesNewFeedsOverOldOnesAndClashingNamesAreHandledSafely) {
    std::string output;
    const std::string mp3 = folder / "EP2.MP3";
    ASSERT_EQ(runCommand("lame --quiet " + shellQuoted(tone("ep2.wav", 1)) + " " + shellQuoted(mp3),
                         &output),
              0)
        << output;
    const std::string feed = folder / "Show.xml";
    const std::vector<std::string> series = {
        "--series-title", "Show",          "--series-description",
        "A show",         "--series-link", "http://example.org/pod/Show.xml"};
    auto publish = [&](const std::string& feedPath, const std::string& title,
                       std::vector<std::string> more) {
        std::vector<std::string> args = {
            feedPath,        mp3, "--title", title,
            "--description", "D", "--link",  "http://example.org/pod/EP2.MP3"};
        args.insert(args.end(), more.begin(), more.end());
        return run(args);
    };
    ASSERT_EQ(publish(feed, "One", series), 0) << err;
    EXPECT_NE(err.find("warning: podcast directories want the series' language"), std::string::npos)
        << err;
    ASSERT_EQ(publish(feed, "Two", {}), 0) << err;
    auto view = feedparserView(feed);
    EXPECT_EQ(view.at("item0.enclosure.type"), "audio/mpeg");
    EXPECT_NE(view.at("item0.id"), view.at("item1.id"));

    // A new series over the feed needs --replace; without it nothing changes.
    const std::string before = readAll(feed);
    EXPECT_EQ(publish(feed, "Three", series), cli::kExitUsage);
    EXPECT_NE(err.find("holds 2 episodes"), std::string::npos) << err;
    EXPECT_NE(err.find("--replace"), std::string::npos);
    EXPECT_EQ(readAll(feed), before);
    std::vector<std::string> replacing = series;
    for (const char* word :
         {"--replace", "--language", "de", "--image", "http://example.org/a.jpg", "--category",
          "News", "--explicit", "true", "--owner-email", "me@example.org"}) {
        replacing.push_back(word);
    }
    ASSERT_EQ(publish(feed, "Three", replacing), 0) << err;
    EXPECT_EQ(err, "");  // nothing the directories want is missing
    view = feedparserView(feed);
    EXPECT_EQ(view.at("items"), "1");
    EXPECT_EQ(view.at("feed.language"), "de");
    EXPECT_NE(readAll(feed).find("<itunes:explicit>true</itunes:explicit>"), std::string::npos);

    // Feeds named where the page or the description file goes are refused untouched.
    for (const char* name : {"old.htm", "old.pdi"}) {
        const std::string clash = folder / name;
        writeAll(clash, before);
        EXPECT_EQ(publish(clash, "Four", {}), cli::kExitUsage) << name;
        EXPECT_EQ(readAll(clash), before) << name;
    }
    EXPECT_EQ(xmllintErrors(feed), "");
}

}  // namespace
}  // namespace sonthra::podcast
