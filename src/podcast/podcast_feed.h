// The feed operations of the podcast window, without the window: filling the episode record
// from the window's entries, writing a new series, adding, replacing, rewriting and deleting
// items in an existing feed, and listing its items. The window (podcast/ui) and the command
// line both drive this class; questions go through the ask callback.
//
// Call from one thread only (the GUI thread in the program).
#pragma once

#include <ctime>
#include <functional>
#include <string>
#include <vector>

#include "podcast/podcast_info.h"
#include "podcast/rss_feed.h"

namespace sonthra::podcast {

// Asks a Yes/No question; true for Yes.
using AskYesNo = std::function<bool(const std::string& text, const std::string& caption)>;

inline constexpr const char* kUpdateQuestion =
    "You are about to update an existing podcast information. Do you want to continue?";
inline constexpr const char* kUpdateCaption = "Update Podcast Info";
inline constexpr const char* kReplaceFeedCaption = "Replace Feed";

// The question asked before a new feed is written over an existing file of that name.
std::string replaceFeedQuestion(const std::string& path, int episodes);
// The number of items of the feed file at path, -1 when it cannot be read as a feed.
int countFeedEpisodes(const std::string& path);

class PodcastFeedEditor {
public:
    explicit PodcastFeedEditor(AskYesNo ask = {}) : m_ask(std::move(ask)) {}

    // Fills the episode and series fields of info from form, the dates from form.date and the
    // clock, AudioSize and DurationSeconds from info.AudioFile, and NewFeedFile from the
    // folder of info.DescriptionFile and the typed feed name (".xml" added to a name without
    // a "."). Fails when the audio file cannot be read or exceeds 4 GB.
    Status PrepareRSSForNewSeries(PodcastInfo& info, const PodcastForm& form,
                                  std::time_t now = std::time(nullptr)) const;
    // Writes the file of a new series to info.NewFeedFile. An existing file of that name is
    // replaced only after the user confirms (129 and nothing written on No, or without a way
    // to ask). Fails, writing nothing, when the feed's name clashes with the other podcast
    // files (podcastFileClash).
    Status CreateRSSFeed(const PodcastInfo& info) const;

    // Fills the episode fields and FeedFile; fails with the "No Feed File" warning when the
    // path box is empty.
    Status PrepareRSSForExistingSeries(PodcastInfo& info, const PodcastForm& form,
                                       std::time_t now = std::time(nullptr)) const;
    // Adds the episode to info.FeedFile as its first item, or, when the last listing matched a
    // title, replaces that item after the user confirms (129 and nothing written on No),
    // keeping its guid. Every write of a feed also declares the namespaces its lines use and
    // gives the channel its podcast:guid when the feed states its address.
    Status UpdateRSSFeed(const PodcastInfo& info);
    // Rewrites the item titled info.Title in the feed (NewFeedFile when IsNew, else FeedFile).
    // 129 and nothing written when no item has that title.
    Status UpdateRSSFeedForItem(const PodcastInfo& info);

    // Lists the items of feedPath into titles and ItemLinePositions; returns the line of the
    // last item titled titleBox (trimmed comparison), or -1. The first match becomes the item
    // a later save replaces, unless one is already chosen. status (when given) tells why a
    // feed could not be listed.
    int GetItemListInFeed(const std::string& feedPath, std::vector<std::string>& titles,
                          const std::string& titleBox, Status* status = nullptr);
    // Deletes item n (1-based, as in the list) from feedPath and lists the feed again.
    Status DeleteItem(const std::string& feedPath, int n, std::vector<std::string>& titles,
                      const std::string& titleBox);

    // Forgets the item to replace; done when the window opens for a document.
    void resetItemToReplace() {
        m_itemLineToReplace = -1;
        m_titleToReplace.clear();
    }
    int ItemLineToReplace() const { return m_itemLineToReplace; }
    const std::vector<int>& ItemLinePositions() const { return m_itemLinePositions; }

private:
    AskYesNo m_ask;
    int m_itemLineToReplace = -1;
    // The title of that item: a save finds the item again by it, so that a listing made before
    // items were deleted can never make the save remove another episode.
    std::string m_titleToReplace;
    std::vector<int> m_itemLinePositions;
};

// AudioSize and DurationSeconds from info.AudioFile; fails when it cannot be read or exceeds
// the 4 GB an enclosure length can hold.
Status fillAudioFields(PodcastInfo& info);

// NewFeedFile for a feed named name beside descriptionFile.
std::string newFeedFilePath(const std::string& descriptionFile, const std::string& name);

// The TTL entry when it is a whole number, else "0".
std::string ttlText(const std::string& entry);

}  // namespace sonthra::podcast
