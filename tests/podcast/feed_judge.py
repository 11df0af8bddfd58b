# Reads a feed with feedparser and prints what a podcast app would see, one "key<TAB>value"
# line per fact, values with line breaks written as \n, so the C++ tests can compare them.
import sys

import feedparser

def out(key, value):
    text = "" if value is None else str(value)
    print(key + "\t" + text.replace("\\", "\\\\").replace("\n", "\\n"))

feed = feedparser.parse(sys.argv[1])
out("bozo", int(bool(feed.bozo)))
if feed.bozo:
    out("bozo_exception", feed.bozo_exception)
out("encoding", feed.get("encoding"))
out("feed.title", feed.feed.get("title"))
out("feed.link", feed.feed.get("link"))
out("feed.subtitle", feed.feed.get("subtitle"))
out("feed.author", feed.feed.get("author"))
out("feed.image", (feed.feed.get("image") or {}).get("href"))
tags = feed.feed.get("tags") or []
out("feed.category", tags[0].get("term") if tags else None)
out("feed.explicit", feed.feed.get("itunes_explicit"))
out("feed.language", feed.feed.get("language"))
out("feed.owner_email", (feed.feed.get("publisher_detail") or {}).get("email"))
out("items", len(feed.entries))
for n, entry in enumerate(feed.entries):
    p = "item%d." % n
    out(p + "title", entry.get("title"))
    out(p + "link", entry.get("link"))
    out(p + "id", entry.get("id"))
    out(p + "description", entry.get("description"))
    out(p + "published", entry.get("published"))
    parsed = entry.get("published_parsed")
    out(p + "published_parsed", "%04d-%02d-%02d %02d:%02d:%02d" % tuple(parsed[:6]) if parsed else None)
    out(p + "duration", entry.get("itunes_duration"))
    for enclosure in entry.get("enclosures", []):
        out(p + "enclosure.href", enclosure.get("href"))
        out(p + "enclosure.length", enclosure.get("length"))
        out(p + "enclosure.type", enclosure.get("type"))
