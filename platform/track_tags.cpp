#include "platform/track_tags.h"

#include "platform/wide_paths.h"

std::string ArtistDashTitle(const TrackTags& tags, const std::string& fileTitle) {
  std::string title = tags.title.empty() ? fileTitle : tags.title;
  std::string artists;
  for (const std::string& artist : tags.artists) {
    if (artist.empty()) continue;
    if (!artists.empty()) artists += ", ";
    artists += artist;
  }
  // The dash as UTF-8 bytes: the narrow literals of this program are Windows-1251.
  return artists.empty() ? title : artists + " \xE2\x80\x94 " + title;
}

int LeadingNumber(const std::string& field) {
  int number = 0;
  size_t i = 0;
  while (i < field.size() && field[i] == ' ') ++i;
  size_t digits = 0;
  for (; i < field.size() && field[i] >= '0' && field[i] <= '9' && digits < 6; ++i, ++digits)
    number = number * 10 + (field[i] - '0');
  if (digits == 0 || (i < field.size() && field[i] != '/' && field[i] != ' ')) return 0;
  return number;
}

namespace {

void DropIfInvalid(std::string* text) {
  std::u16string decoded;
  if (!DecodeUtf8(*text, &decoded)) text->clear();
}

void DropInvalid(std::vector<std::string>* texts) {
  for (std::string& text : *texts) DropIfInvalid(&text);
  std::erase(*texts, std::string());
}

}  // namespace

void DropInvalidTexts(TrackTags* tags) {
  DropIfInvalid(&tags->title);
  DropIfInvalid(&tags->album);
  DropIfInvalid(&tags->artUrl);
  DropInvalid(&tags->artists);
  DropInvalid(&tags->albumArtists);
  DropInvalid(&tags->genres);
}
