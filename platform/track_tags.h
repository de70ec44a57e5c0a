// What a track's own tags say about it, as the desktop shows it: texts in UTF-8, already decoded
// from whatever encoding the file used.
#pragma once

#include <string>
#include <vector>

struct TrackTags {
  std::string title;  // empty when the file names none
  std::vector<std::string> artists;
  std::vector<std::string> albumArtists;
  std::string album;
  int trackNumber = 0;  // 0 when unknown
  int discNumber = 0;
  std::vector<std::string> genres;
  std::string artUrl;  // file:// URL of the track's picture; empty without one

  bool operator==(const TrackTags&) const = default;
};

// "artist — title" for a desktop's tooltip: the artists joined by ", ", the tag's title or else
// fileTitle; the title alone without an artist.
std::string ArtistDashTitle(const TrackTags& tags, const std::string& fileTitle);

// The leading number of a "3" or "3/12" track or disc field; 0 for anything else.
int LeadingNumber(const std::string& field);

// Empties every text that is not valid UTF-8 (a tag's broken UTF-16 can end up so), which the
// bus would refuse along with the whole reply.
void DropInvalidTexts(TrackTags* tags);
