// The podcast description file (".pdi"): eight "[Key]=value" lines recording where an episode's
// files are and where they go on the host, written whole on every save and read back when the
// user uploads a podcast later.
#pragma once

#include <string>

#include "podcast/podcast_info.h"
#include "podcast/rss_feed.h"

namespace sonthra::podcast {

// Writes info.DescriptionFile. addedToExisting: the episode went into info.FeedFile (else
// into info.NewFeedFile); date: the publication date chosen for the episode.
Status CreatePDIFile(const PodcastInfo& info, bool addedToExisting, const CivilDate& date);

// Fills Title, Description (its lines joined by line breaks), PubDate, Link, FeedFile,
// AudioFile and UploadPath from the lines of a description file; IsNew becomes false. Fails,
// changing nothing, when the lines are not a description file.
Status GetPodcastSettings(const Lines& lines, PodcastInfo& info);

// Reads path into info as GetPodcastSettings does, with DescriptionFile = path, and sets
// podcastFile (the document's) to path.
Status LoadPodcastFromPDI(const std::string& path, PodcastInfo& info, std::string& podcastFile);

}  // namespace sonthra::podcast
