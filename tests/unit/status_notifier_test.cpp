#include "platform/status_notifier.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// UTF-8 text: narrow literals are compiled in the program's code page.
std::string Utf8(const char8_t* text) {
  return reinterpret_cast<const char*>(text);
}

DesktopMenuEntry Command(const char* label, int command) {
  DesktopMenuEntry entry;
  entry.label = label;
  entry.command = command;
  return entry;
}

DesktopMenuEntry Separator() {
  DesktopMenuEntry entry;
  entry.kind = DesktopMenuEntry::kSeparator;
  return entry;
}

TEST(StatusNotifier, MenuIdsRunDepthFirstAndOnlyEntriesAreFound) {
  DesktopMenu menu;
  DesktopMenuEntry submenu;
  submenu.kind = DesktopMenuEntry::kSubmenu;
  submenu.label = "sub";
  submenu.children = {Command("play", 40024), Separator(), Command("stop", 40027)};
  menu.entries = {Command("open", 40034), submenu, Separator(), Command("exit", 40007)};
  NumberDesktopMenu(&menu);
  const struct {
    int32_t id;
    const char* label;  // null: no entry
    int command;
  } cases[] = {
      {0, nullptr, 0}, {1, "open", 40034}, {2, "sub", 0},       {3, "play", 40024},
      {4, "", 0},      {5, "stop", 40027}, {6, "", 0},          {7, "exit", 40007},
      {8, nullptr, 0}, {-1, nullptr, 0},   {40027, nullptr, 0},
  };
  for (const auto& c : cases) {
    const DesktopMenuEntry* entry = FindDesktopMenuEntry(menu, c.id);
    ASSERT_EQ(entry != nullptr, c.label != nullptr) << c.id;
    if (!entry) continue;
    EXPECT_EQ(entry->label, c.label) << c.id;
    EXPECT_EQ(entry->command, c.command) << c.id;
  }
}

TEST(StatusNotifier, Win32LabelsTakeTheDesktopsMnemonicSpelling) {
  const struct {
    std::u16string win32;
    std::u16string desktop;
  } cases[] = {
      {u"Стоп", u"Стоп"},
      {u"&Открыть файл...", u"_Открыть файл..."},
      {u"Rock && Roll", u"Rock & Roll"},
      {u"snake_case", u"snake__case"},
      {u"&_x", u"___x"},
      {u"end&", u"end"},
      {u"Опции...\tCtrl+O", u"Опции..."},
      {u"", u""},
  };
  for (const auto& c : cases) EXPECT_EQ(DesktopMenuLabel(c.win32), c.desktop);
}

TEST(StatusNotifier, PixmapsAreSharpCentredArgbInNetworkOrder) {
  // 2 x 2: transparent, colour 1 / colour 2, transparent.
  const uint8_t pixels[] = {0, 1, 2, 0};
  const uint32_t palette[] = {0x000000, 0x123456, 0xABCDEF};
  TrayPicture picture = {2, pixels, palette};
  const struct {
    int side;
    int factor;
  } cases[] = {{2, 1}, {3, 1}, {4, 2}, {5, 2}, {7, 3}, {1, 1}};
  for (const auto& c : cases) {
    TrayPixmap pixmap = TrayPixmapOf(picture, c.side);
    ASSERT_EQ(pixmap.size, c.side);
    ASSERT_EQ(pixmap.argb.size(), size_t(c.side * c.side * 4));
    for (int y = 0; y < c.side; ++y) {
      for (int x = 0; x < c.side; ++x) {
        int px = x / c.factor, py = y / c.factor;
        bool inside = px < 2 && py < 2;
        uint8_t index = inside ? pixels[py * 2 + px] : 0;
        uint32_t expected = index ? 0xFF000000u | palette[index] : 0;
        const uint8_t* p = &pixmap.argb[(y * c.side + x) * 4];
        uint32_t argb = uint32_t(p[0]) << 24 | p[1] << 16 | p[2] << 8 | p[3];
        EXPECT_EQ(argb, expected) << c.side << " at " << x << "," << y;
      }
    }
  }
  // A 16 x 16 tray picture at the sides panels ask for: whole factors, centred.
  uint8_t full[16 * 16];
  for (uint8_t& pixel : full) pixel = 1;
  TrayPicture tray = {16, full, palette};
  for (int side : kTrayPixmapSides) {
    TrayPixmap pixmap = TrayPixmapOf(tray, side);
    int drawn = side / 16 * 16, margin = (side - drawn) / 2;
    int opaque = 0;
    for (size_t i = 0; i < pixmap.argb.size(); i += 4) opaque += pixmap.argb[i] == 0xFF;
    EXPECT_EQ(opaque, drawn * drawn) << side;
    EXPECT_EQ(pixmap.argb[(margin * side + margin) * 4], 0xFF) << side;
    if (margin > 0) {
      EXPECT_EQ(pixmap.argb[((margin - 1) * side + margin) * 4], 0) << side;
    }
  }
}

TEST(StatusNotifier, ToolTipIsTheHeaderOverTheTrackAndTime) {
  const struct {
    std::u16string tip;
    std::string title;
    std::string text;
    std::u16string trackName = {};  // the tags' name of the track, which stands for its file title
  } cases[] = {
      {u"Tunlark - остановлено ", Utf8(u8"Tunlark - остановлено"), ""},
      {u"Tunlark - воспроизведение:\nTrack 0:01/3:00", Utf8(u8"Tunlark - воспроизведение:"),
       "Track 0:01/3:00"},
      {u"Tunlark - пауза:\nA\nB", Utf8(u8"Tunlark - пауза:"), "A\nB"},
      {u"\n\U0001F3B5", "", "\xF0\x9F\x8E\xB5"},
      {u"", "", ""},
      {u"Tunlark - воспроизведение:\nA - B - 0:01/3:00 ", Utf8(u8"Tunlark - воспроизведение:"),
       Utf8(u8"Кино — Песня - 0:01/3:00 "), u"Кино — Песня"},
      {u"Tunlark - пауза ", Utf8(u8"Tunlark - пауза"), "", u"Кино — Песня"},
  };
  for (const auto& c : cases) {
    DesktopToolTip tip = DesktopToolTipOf(TrayTipNamingTrack(c.tip, c.trackName));
    EXPECT_EQ(tip.title, c.title);
    EXPECT_EQ(tip.text, c.text);
  }
}

TEST(StatusNotifier, WheelStepsAreSignedBoundedAndVerticalOnly) {
  const struct {
    int32_t delta;
    const char* orientation;
    int steps;
  } cases[] = {
      {-1, "vertical", 1},
      {1, "vertical", -1},
      {-120, "Vertical", 1},
      {240, "vertical", -2},
      {-119, "vertical", 1},
      {0, "vertical", 0},
      {-5, "horizontal", 0},
      {-1, "", 0},
      {INT32_MIN, "vertical", kMaxScrollSteps},
      {INT32_MAX, "vertical", -kMaxScrollSteps},
  };
  for (const auto& c : cases)
    EXPECT_EQ(ScrollVolumeSteps(c.delta, c.orientation), c.steps) << c.delta << c.orientation;
}

}  // namespace
