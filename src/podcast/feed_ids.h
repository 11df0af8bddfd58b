// The identifiers a feed carries: a random UUID for each new episode's <guid>, and the
// channel's podcast:guid, the name-based UUID (version 5) that the podcast namespace derives
// from the feed's address, so that every program that knows the address finds the same one.
#pragma once

#include <string>
#include <string_view>

namespace sonthra::podcast {

// A random (version 4) UUID in lower-case hexadecimal with dashes.
std::string randomUuid();

// The version 5 UUID of name in the namespace given as 16 bytes.
std::string nameUuid(const unsigned char (&space)[16], std::string_view name);

// The channel's podcast:guid for a feed at url: the address without its scheme ("https://")
// and without trailing slashes, in the podcast namespace's own UUID namespace.
std::string podcastGuidForFeed(std::string_view url);

}  // namespace sonthra::podcast
