#include "playback/tray_texts.h"

namespace {

// The tray's tooltip field holds 127 bytes and a NUL.
constexpr size_t kTooltipLimit = 127;

}  // namespace

std::string TrackTitle(const std::string& path) {
  size_t slash = path.rfind('\\');
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
  const std::string times = " - " + position + "/" + length + " ";
  size_t fixed = header.size() + times.size();
  if (fixed >= kTooltipLimit) return (header + times).substr(0, kTooltipLimit);
  return header + title.substr(0, kTooltipLimit - fixed) + times;
}
