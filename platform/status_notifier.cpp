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

bool TrayPixmapOfIconImage(const uint8_t* dib, size_t size, TrayPixmap* pixmap) {
  auto read32 = [dib](size_t at) {
    return static_cast<uint32_t>(dib[at]) | static_cast<uint32_t>(dib[at + 1]) << 8 |
           static_cast<uint32_t>(dib[at + 2]) << 16 | static_cast<uint32_t>(dib[at + 3]) << 24;
  };
  if (size < 40) return false;
  uint32_t headerSize = read32(0);
  int32_t width = static_cast<int32_t>(read32(4));
  int32_t height = static_cast<int32_t>(read32(8));
  int bits = dib[14] | dib[15] << 8;
  // Square, 32 bits, uncompressed; the height counts the AND mask too.
  if (headerSize < 40 || bits != 32 || read32(16) != 0 || width <= 0 || width > 256 ||
      height != 2 * width)
    return false;
  size_t pixels = static_cast<size_t>(width) * width;
  if (size < headerSize || (size - headerSize) / 4 < pixels) return false;
  pixmap->size = width;
  pixmap->argb.assign(pixels * 4, 0);
  for (int32_t y = 0; y < width; ++y) {
    const uint8_t* row = dib + headerSize + static_cast<size_t>(width - 1 - y) * width * 4;
    for (int32_t x = 0; x < width; ++x) {
      const uint8_t* bgra = row + x * 4;
      uint8_t* out = &pixmap->argb[(static_cast<size_t>(y) * width + x) * 4];
      out[0] = bgra[3];
      out[1] = bgra[2];
      out[2] = bgra[1];
      out[3] = bgra[0];
    }
  }
  return true;
}

bool operator==(const DesktopToolTip& a, const DesktopToolTip& b) {
  return a.title == b.title && a.text == b.text;
}

std::string EscapeMarkup(const std::string& text) {
  std::string escaped;
  for (char c : text) {
    if (c == '&') {
      escaped += "&amp;";
    } else if (c == '<') {
      escaped += "&lt;";
    } else if (c == '>') {
      escaped += "&gt;";
    } else {
      escaped += c;
    }
  }
  return escaped;
}

DesktopToolTip DesktopToolTipOf(const std::u16string& trayTip) {
  size_t lineEnd = trayTip.find(u'\n');
  std::u16string title = trayTip.substr(0, lineEnd);
  while (!title.empty() && IsBlank(title.back())) title.pop_back();
  DesktopToolTip tip;
  tip.title = EscapeMarkup(EncodeUtf8(title));
  if (lineEnd != std::u16string::npos)
    tip.text = EscapeMarkup(EncodeUtf8(trayTip.substr(lineEnd + 1)));
  return tip;
}

std::u16string TrayTipNamingTrack(const std::u16string& trayTip, const std::u16string& trackName,
                                  const std::u16string& fileTitle) {
  size_t lineEnd = trayTip.find(u'\n');
  // The time follows the last " - ": a file title may hold one itself, the time never does.
  size_t time = trayTip.rfind(u" - ");
  if (trackName.empty() || lineEnd == std::u16string::npos || time == std::u16string::npos ||
      time < lineEnd)
    return trayTip;
  std::u16string shown = trayTip.substr(lineEnd + 1, time - lineEnd - 1);
  // The name of the track before, still set when the tip shows the next one, stays out of it.
  if (shown.empty() || fileTitle.compare(0, shown.size(), shown) != 0) return trayTip;
  return trayTip.substr(0, lineEnd + 1) + trackName + trayTip.substr(time);
}

bool HeldToolTip::Offer(const DesktopToolTip& tip, int64_t nowUs) {
  latest_ = tip;
  return Flush(nowUs);
}

void HeldToolTip::MenuOpened(int64_t nowUs) {
  open_ = true;
  openedAtUs_ = nowUs;
}

bool HeldToolTip::MenuClosed(int64_t nowUs) {
  open_ = false;
  return Flush(nowUs);
}

bool HeldToolTip::Flush(int64_t nowUs) {
  if (open_ && nowUs - openedAtUs_ < kMenuHoldUs) return false;
  open_ = false;
  if (latest_ == shown_) return false;
  shown_ = latest_;
  return true;
}

DesktopMenuEvent DesktopMenuEventOf(const DesktopMenu& menu, int32_t id, const std::string& event) {
  DesktopMenuEvent result;
  const DesktopMenuEntry* entry = FindDesktopMenuEntry(menu, id);
  if (id != 0 && !entry) {
    result.kind = DesktopMenuEvent::kUnknownId;
  } else if (event == "opened") {
    result.kind = DesktopMenuEvent::kMenuOpened;
  } else if (!entry && event == "closed") {
    result.kind = DesktopMenuEvent::kMenuClosed;
  } else if (entry && event == "clicked" && entry->command != 0 && entry->enabled) {
    result.kind = DesktopMenuEvent::kCommand;
    result.command = entry->command;
  }
  return result;
}

bool DesktopMenuEventGroupFails(size_t events, size_t unknownIds) {
  return events > 0 && unknownIds == events;
}

bool WatcherNamesItem(const std::string& registered, const std::string& busName,
                      const std::string& uniqueName) {
  for (const std::string& name : {busName, uniqueName}) {
    if (name.empty() || registered.compare(0, name.size(), name) != 0) continue;
    if (registered.size() == name.size() || registered[name.size()] == '/') return true;
  }
  return false;
}

int ScrollSteps::Take(int32_t delta, const std::string& orientation, int64_t nowUs) {
  std::string lower = orientation;
  for (char& c : lower) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  if (delta == 0 || lower != "vertical") return 0;
  if (nowUs - lastUs_ > kScrollGestureGapUs) partial_ = 0;
  lastUs_ = nowUs;
  // A GTK notch, unless a Qt gesture is under way: a touchpad's parts may be as small as 1.
  if ((delta == 1 || delta == -1) && partial_ == 0) return -delta;
  if ((partial_ < 0) != (delta < 0)) partial_ = 0;  // turned back: the parts before count no more
  partial_ += delta;
  int64_t notches = partial_ / kQtNotch;
  partial_ -= notches * kQtNotch;
  return static_cast<int>(std::clamp<int64_t>(notches, -kMaxScrollSteps, kMaxScrollSteps));
}
