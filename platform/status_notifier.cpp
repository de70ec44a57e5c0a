#include "platform/status_notifier.h"

#include <algorithm>

#include "platform/wide_paths.h"

namespace {

void NumberEntries(std::vector<DesktopMenuEntry>* entries, int32_t* next) {
  for (DesktopMenuEntry& entry : *entries) {
    entry.id = (*next)++;
    NumberEntries(&entry.children, next);
  }
}

const DesktopMenuEntry* FindEntry(const std::vector<DesktopMenuEntry>& entries, int32_t id) {
  for (const DesktopMenuEntry& entry : entries) {
    if (entry.id == id) return &entry;
    if (const DesktopMenuEntry* found = FindEntry(entry.children, id)) return found;
  }
  return nullptr;
}

bool IsBlank(char16_t c) {
  return c == u' ' || c == u'\t' || c == u'\r';
}

}  // namespace

void NumberDesktopMenu(DesktopMenu* menu) {
  int32_t next = 1;
  NumberEntries(&menu->entries, &next);
}

const DesktopMenuEntry* FindDesktopMenuEntry(const DesktopMenu& menu, int32_t id) {
  if (id <= 0) return nullptr;
  return FindEntry(menu.entries, id);
}

std::u16string DesktopMenuLabel(const std::u16string& win32Label) {
  std::u16string label = win32Label.substr(0, win32Label.find(u'\t'));
  std::u16string result;
  for (size_t i = 0; i < label.size(); ++i) {
    char16_t c = label[i];
    if (c == u'_') {
      result += u"__";
    } else if (c == u'&' && i + 1 < label.size()) {
      ++i;
      if (label[i] != u'&') result += u'_';
      result += label[i] == u'_' ? std::u16string(u"__") : std::u16string(1, label[i]);
    } else if (c != u'&') {
      result += c;
    }
  }
  return result;
}

TrayPixmap TrayPixmapOf(const TrayPicture& picture, int side) {
  TrayPixmap pixmap;
  pixmap.size = side;
  pixmap.argb.assign(static_cast<size_t>(side) * side * 4, 0);
  if (picture.size <= 0 || side <= 0) return pixmap;
  int factor = std::max(1, side / picture.size);
  int drawn = std::min(side, picture.size * factor);
  int margin = (side - drawn) / 2;
  for (int y = 0; y < drawn; ++y) {
    for (int x = 0; x < drawn; ++x) {
      uint8_t index = picture.pixels[(y / factor) * picture.size + x / factor];
      if (index == 0) continue;
      uint32_t rgb = picture.palette[index];
      uint8_t* out = &pixmap.argb[(static_cast<size_t>(y + margin) * side + x + margin) * 4];
      out[0] = 0xFF;
      out[1] = static_cast<uint8_t>(rgb >> 16);
      out[2] = static_cast<uint8_t>(rgb >> 8);
      out[3] = static_cast<uint8_t>(rgb);
    }
  }
  return pixmap;
}

DesktopToolTip DesktopToolTipOf(const std::u16string& trayTip) {
  size_t lineEnd = trayTip.find(u'\n');
  std::u16string title = trayTip.substr(0, lineEnd);
  while (!title.empty() && IsBlank(title.back())) title.pop_back();
  DesktopToolTip tip;
  tip.title = EncodeUtf8(title);
  if (lineEnd != std::u16string::npos) tip.text = EncodeUtf8(trayTip.substr(lineEnd + 1));
  return tip;
}

std::u16string TrayTipNamingTrack(const std::u16string& trayTip, const std::u16string& trackName) {
  size_t lineEnd = trayTip.find(u'\n');
  // The time follows the last " - ": a file title may hold one itself, the time never does.
  size_t time = trayTip.rfind(u" - ");
  if (trackName.empty() || lineEnd == std::u16string::npos || time == std::u16string::npos ||
      time < lineEnd)
    return trayTip;
  return trayTip.substr(0, lineEnd + 1) + trackName + trayTip.substr(time);
}

int ScrollVolumeSteps(int32_t delta, const std::string& orientation) {
  if (delta == 0) return 0;
  std::string lower = orientation;
  for (char& c : lower) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  if (lower != "vertical") return 0;
  int64_t magnitude = delta < 0 ? -static_cast<int64_t>(delta) : delta;
  int64_t steps = std::clamp<int64_t>(magnitude / 120, 1, kMaxScrollSteps);
  return static_cast<int>(delta < 0 ? steps : -steps);
}
