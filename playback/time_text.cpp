#include "playback/time_text.h"

std::string FormatTime(uint32_t seconds) {
  uint32_t minutes = seconds / 60;
  uint32_t rest = seconds % 60;
  std::string text;
  if (minutes < 10) text += '0';
  text += std::to_string(minutes);
  text += ':';
  if (rest < 10) text += '0';
  text += std::to_string(rest);
  return text;
}
