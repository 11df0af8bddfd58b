// The record that carries one podcast episode through the podcast files (feed, description
// file, web page), the entries of the podcast window that fill it, and the outcome of the
// operations that write those files. Plain data.
#pragma once

#include <cstdint>
#include <string>

namespace sonthra::podcast {

// One episode and the series it belongs to. Text fields hold UTF-8; the writers escape them
// for the file they go into and the readers give them back as typed.
struct PodcastInfo {
    std::string Title;
    std::string Description;  // may hold line breaks
    std::string PubDate;      // RSS date text while a feed is written
    std::string FeedFile;     // an existing feed the episode is added to
    std::string NewFeedName;  // name typed for a new feed file
    bool IsNew = false;
    std::string AudioFile;
    std::uint32_t AudioSize = 0;
    std::string Link;      // web address of the audio file
    std::string MimeType;  // enclosure type
    std::string NewFeedFile;
    std::string SeriesTitle;
    std::string SeriesDescription;
    std::string SeriesLink;
    std::string Webmaster;
    std::string Copyright;
    std::string TTL = "0";
    std::string Editor;
    std::string SeriesPubDate;
    std::string DescriptionFile;
    std::string UploadPath;
    // What podcast directories ask of a channel and an item today. Empty channel fields are
    // left out of the feed; Explicit is "", "true" or "false".
    std::string ImageLink;
    std::string Category;
    std::string Author;
    std::string Explicit;
    std::string Language;    // the channel's language code ("en-us")
    std::string OwnerEmail;  // where directories reach the owner of the series
    std::uint32_t DurationSeconds = 0;
    // The item's <guid>: kept from the item a save replaces, so that podcast apps see the same
    // episode; empty for a new episode, which gets a new one.
    std::string Guid;
};

// A calendar date as the date picker gives it.
struct CivilDate {
    int year = 1970;
    int month = 1;
    int day = 1;
};

// The podcast window's entries, as PrepareRSSForNewSeries and PrepareRSSForExistingSeries take
// them. Filled by the window, or by the command line.
struct PodcastForm {
    std::string title;
    std::string description;
    CivilDate date;
    std::string newFeedName;       // "Enter Series Name:"
    std::string existingFeedPath;  // path box of "Add podcast to existing feed"
    std::string link;              // "Podcast Link :"
    std::string seriesTitle;
    std::string seriesDescription;
    std::string seriesLink;
    std::string webmaster;
    std::string copyright;
    std::string ttl;
    std::string editor;
    std::string imageLink;
    std::string category;
    std::string author;
    std::string explicitFlag;
    std::string language;
    std::string ownerEmail;
};

enum class MessageIcon { Information, Warning, Error, Question };

// What an operation that writes or reads podcast files ended with: code 0 done, 129 declined
// by the user (nothing written), anything else failed with a text to show the user.
struct Status {
    int code = 0;
    std::string text;
    std::string caption;
    MessageIcon icon = MessageIcon::Error;

    bool ok() const { return code == 0; }
    static Status failure(std::string text, std::string caption = "Sonthra",
                          MessageIcon icon = MessageIcon::Error) {
        return Status{1, std::move(text), std::move(caption), icon};
    }
    static Status declined() { return Status{129, {}, {}, MessageIcon::Information}; }
};

}  // namespace sonthra::podcast
