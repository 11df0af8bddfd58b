#include "cli/podcast_command.h"

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <ostream>

#include "cli/cli_verbs.h"
#include "cli/command_words.h"
#include "platform/program_folder.h"
#include "podcast/audio_duration.h"
#include "podcast/feed_check.h"
#include "podcast/html_page.h"
#include "podcast/pdi_file.h"
#include "podcast/podcast_checks.h"
#include "podcast/podcast_feed.h"
#include "podcast/rss_date.h"
#include "podcast/text_file.h"

namespace sonthra::cli {
namespace {

using namespace sonthra::podcast;

const std::vector<std::string> kOptions = {
    "title",       "description", "link",  "date",     "series-title", "series-description",
    "series-link", "language",    "image", "category", "explicit",     "author",
    "owner-email"};

int usageError(const std::string& problem, std::ostream& err) {
    err << "sonthra-cli podcast: " << problem << "\nusage:\n" << kPodcastUsage;
    return kExitUsage;
}

int failed(const Status& status, std::ostream& err) {
    err << status.text << "\n";
    return kExitFailed;
}

// Positional words and --options ("--name value" or "--name=value").
std::string parseWords(const std::vector<std::string>& args, std::vector<std::string>& files,
                       std::map<std::string, std::string>& options) {
    for (const CommandWord& word : splitCommandWords(args)) {
        if (word.name.empty()) {
            files.push_back(word.value);
            continue;
        }
        if (!word.hasValue) return word.name + " needs a value";
        const std::string name = word.name.substr(2);
        if (std::find(kOptions.begin(), kOptions.end(), name) == kOptions.end()) {
            return "unknown option --" + name;
        }
        options[name] = word.value;
    }
    if (files.size() != 2) return "FEED and AUDIO are required";
    for (const char* required : {"title", "description", "link"}) {
        if (options[required].empty()) return std::string("--") + required + " is required";
    }
    return {};
}

}  // namespace

int runPodcastVerb(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                   const std::atomic<bool>&) {
    // A flag without a value, taken out before the words are paired with their values.
    std::vector<std::string> words;
    bool replace = false;
    for (const std::string& word : args) {
        if (word == "--replace")
            replace = true;
        else
            words.push_back(word);
    }
    std::vector<std::string> files;
    std::map<std::string, std::string> options;
    if (const std::string problem = parseWords(words, files, options); !problem.empty()) {
        return usageError(problem, err);
    }
    const std::string feed = std::filesystem::absolute(files[0]).lexically_normal().string();
    const std::string audio = std::filesystem::absolute(files[1]).lexically_normal().string();

    PodcastForm form;
    form.title = options["title"];
    form.description = options["description"];
    form.link = options["link"];
    form.date = todayLocal();
    if (!options["date"].empty()) {
        const auto date = parseDateText(options["date"]);
        if (!date || options["date"].size() != 10)
            return usageError("--date must be YYYY-MM-DD", err);
        form.date = *date;
    }
    if (const std::string problem = IsHTTPLinkValid(form.link); !problem.empty()) {
        return usageError(problem, err);
    }
    if (const std::string problem = linkNameProblem(form.link, fileNameOf(audio));
        !problem.empty()) {
        return usageError(problem, err);
    }

    PodcastInfo info;
    info.AudioFile = audio;
    info.MimeType = mimeTypeForFile(audio);
    if (info.MimeType.empty()) return usageError("AUDIO must end in .mp3, .wma or .wav", err);
    const std::string base = pagePathForFeed(feed);  // FEED without its extension, plus ".htm"
    info.DescriptionFile = base.substr(0, base.size() - 4) + ".pdi";
    if (const std::string clash = podcastFileClash(feed, info.DescriptionFile, audio);
        !clash.empty()) {
        return usageError(clash, err);
    }

    // Series options ask for a new feed; over an existing file only with --replace.
    const bool newSeries = replace || !options["series-title"].empty() ||
                           !options["series-description"].empty() ||
                           !options["series-link"].empty();
    PodcastFeedEditor editor([](const std::string&, const std::string&) { return true; });
    const bool existing = fileExists(feed) && !newSeries;
    if (fileExists(feed) && newSeries && !replace) {
        return usageError(replaceFeedQuestion(feed, countFeedEpisodes(feed)) +
                              "\nAdd --replace to write a new feed over it, or leave out the "
                              "--series options to add the episode to it.",
                          err);
    }
    if (existing) {
        form.existingFeedPath = feed;
        std::vector<std::string> titles;
        Status listed;
        editor.GetItemListInFeed(feed, titles, form.title, &listed);
        if (!listed.ok()) return failed(listed, err);
        if (Status s = editor.PrepareRSSForExistingSeries(info, form); !s.ok())
            return failed(s, err);
        if (Status s = editor.UpdateRSSFeed(info); !s.ok()) return failed(s, err);
        out << (editor.ItemLineToReplace() >= 0 ? "replaced episode in " : "added episode to ")
            << feed << "\n";
    } else {
        form.seriesTitle = options["series-title"];
        form.seriesDescription = options["series-description"];
        form.seriesLink = options["series-link"];
        form.language = options["language"];
        form.imageLink = options["image"];
        form.category = options["category"];
        form.explicitFlag = options["explicit"];
        form.author = options["author"];
        form.ownerEmail = options["owner-email"];
        if (!form.explicitFlag.empty() && form.explicitFlag != "true" &&
            form.explicitFlag != "false") {
            return usageError("--explicit takes true or false", err);
        }
        if (form.seriesTitle.empty() || form.seriesDescription.empty() || form.seriesLink.empty()) {
            return usageError(
                "a new feed needs --series-title, --series-description and "
                "--series-link",
                err);
        }
        if (const std::string problem = IsHTTPLinkValid(form.seriesLink); !problem.empty()) {
            return usageError(problem, err);
        }
        form.newFeedName = fileNameOf(feed);
        if (Status s = editor.PrepareRSSForNewSeries(info, form); !s.ok()) return failed(s, err);
        info.NewFeedFile = feed;  // exactly as named, with or without an extension
        if (Status s = editor.CreateRSSFeed(info); !s.ok()) return failed(s, err);
        out << "created " << feed << "\n";
    }
    if (Status s = CreatePDIFile(info, existing, form.date); !s.ok()) return failed(s, err);
    out << "wrote " << info.DescriptionFile << "\n";
    if (Status s = CreateHTMLFile(info, findPodcastResourceFolder(programFolder())); !s.ok()) {
        return failed(s, err);
    }
    out << "wrote " << pagePathForFeed(feed) << "\n";
    // What the directories would refuse is said, and the files stand: the user may publish
    // to a listener who has the address.
    Lines written;
    if (readTextLines(feed, written).ok()) {
        for (const std::string& field : missingDirectoryFields(written)) {
            err << "warning: podcast directories want " << field << "\n";
        }
    }
    return kExitOk;
}

}  // namespace sonthra::cli
