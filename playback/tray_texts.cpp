#include "playback/tray_texts.h"

namespace {

// The tray's tooltip field holds 127 characters and a NUL.
constexpr size_t kTooltipLimit = 127;

// The first count units of text, one fewer where that would split a UTF-16 surrogate pair.
std::string Cut(const std::string& text, size_t count) {
  return text.substr(0, count);
}
std::u16string Cut(const std::u16string& text, size_t count) {
  if (count < text.size() && count > 0 && text[count - 1] >= 0xD800 && text[count - 1] <= 0xDBFF)
    --count;
  return text.substr(0, count);
}

template <typename String>
String Tooltip(const String& header, const String& title, const String& position,
               const String& length) {
  const typename String::value_type dash[] = {' ', '-', ' ', 0}, slash[] = {'/', 0},
                                    blank[] = {' ', 0};
  const String times = dash + position + slash + length + blank;
  size_t fixed = header.size() + times.size();
  if (fixed >= kTooltipLimit) return Cut(header + times, kTooltipLimit);
  return header + Cut(title, kTooltipLimit - fixed) + times;
}

}  // namespace

std::string TrackTitle(const std::string& path) {
  // In a Unix path (the native program's) a backslash is part of a name: only '/' ends a folder.
  bool unixPath = !path.empty() && path[0] == '/';
  size_t slash = unixPath ? path.rfind('/') : path.rfind('\\');
  if (slash == std::string::npos) slash = path.rfind('/');
  if (slash == std::string::npos) return std::string();
  std::string name = path.substr(slash + 1);
  size_t dot = name.rfind('.');
  return dot == std::string::npos ? name : name.substr(0, dot);
}

int VolumeIconId(int32_t volume) {
  if (volume < 0 || volume > 100) return -1;
  if (volume == 0) return IDI_LEVEL_0;
  if (volume == 100) return IDI_LEVEL_100;
  if (volume >= 95) return IDI_LEVEL_95;
  if (volume >= 90) return IDI_LEVEL_90;
  // One icon for each ten from 80-89 (IDI_LEVEL_80) down to 1-9 (IDI_LEVEL_1).
  return IDI_LEVEL_1 - volume / 10;
}

std::string PlayingTooltip(const std::string& header, const std::string& title,
                           const std::string& position, const std::string& length) {
  return Tooltip(header, title, position, length);
}

std::u16string PlayingTooltip(const std::u16string& header, const std::u16string& title,
                              const std::u16string& position, const std::u16string& length) {
  return Tooltip(header, title, position, length);
}
