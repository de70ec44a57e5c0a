#include "platform/status_notifier.h"

#include <gtest/gtest.h>

#include <iterator>
#include <string>
#include <vector>

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
    std::u16string fileTitle = {};  // the track the name belongs to
  } cases[] = {
      {u"Tunlark - остановлено ", Utf8(u8"Tunlark - остановлено"), ""},
      {u"Tunlark - воспроизведение:\nTrack 0:01/3:00", Utf8(u8"Tunlark - воспроизведение:"),
       "Track 0:01/3:00"},
      {u"Tunlark - пауза:\nA\nB", Utf8(u8"Tunlark - пауза:"), "A\nB"},
      {u"\n\U0001F3B5", "", "\xF0\x9F\x8E\xB5"},
      {u"", "", ""},
      {u"Tunlark - воспроизведение:\nA - B - 0:01/3:00 ", Utf8(u8"Tunlark - воспроизведение:"),
       Utf8(u8"Кино — Песня - 0:01/3:00 "), u"Кино — Песня", u"A - B"},
      {u"Tunlark - пауза ", Utf8(u8"Tunlark - пауза"), "", u"Кино — Песня", u"A - B"},
      // The tip already shows the next track while the name still is the one before.
      {u"Tunlark - воспроизведение:\nNext - 0:00/3:00 ", Utf8(u8"Tunlark - воспроизведение:"),
       "Next - 0:00/3:00 ", u"Кино — Песня", u"A - B"},
      // A title cut to fit the tip still names its track.
      {u"Tunlark - воспроизведение:\nA very lo - 0:01/3:00 ", Utf8(u8"Tunlark - воспроизведение:"),
       Utf8(u8"Кино — Песня - 0:01/3:00 "), u"Кино — Песня", u"A very long title"},
      // Hosts read markup: a title of "&" and "<" is shown as it is, not dropped or drawn bold.
      {u"Tunlark - воспроизведение:\nRock & Roll <live> - 0:01/3:00 ",
       Utf8(u8"Tunlark - воспроизведение:"), "Rock &amp; Roll &lt;live&gt; - 0:01/3:00 "},
      {u"Tunlark - воспроизведение:\nx - 0:01/3:00 ", Utf8(u8"Tunlark - воспроизведение:"),
       "AC&amp;DC \xE2\x80\x94 &lt;b&gt;T&lt;/b&gt; - 0:01/3:00 ", u"AC&DC — <b>T</b>", u"x"},
      {u"A&B <>\n&amp;", "A&amp;B &lt;&gt;", "&amp;amp;"},
  };
  for (const auto& c : cases) {
    DesktopToolTip tip = DesktopToolTipOf(TrayTipNamingTrack(c.tip, c.trackName, c.fileTitle));
    EXPECT_EQ(tip.title, c.title);
    EXPECT_EQ(tip.text, c.text);
  }
}

TEST(StatusNotifier, WheelStepsAreSignedBoundedAndVerticalOnly) {
  // One call each: GTK hosts send -1 for a notch up, Qt ones +120.
  const struct {
    int32_t delta;
    const char* orientation;
    int steps;
  } cases[] = {
      {-1, "vertical", 1},
      {1, "vertical", -1},
      {120, "Vertical", 1},
      {-120, "Vertical", -1},
      {240, "vertical", 2},
      {-119, "vertical", 0},
      {2, "vertical", 0},
      {0, "vertical", 0},
      {-5, "horizontal", 0},
      {-1, "", 0},
      {INT32_MIN, "vertical", -kMaxScrollSteps},
      {INT32_MAX, "vertical", kMaxScrollSteps},
  };
  for (const auto& c : cases) {
    ScrollSteps scroll;
    EXPECT_EQ(scroll.Take(c.delta, c.orientation, 1000000), c.steps) << c.delta << c.orientation;
  }
}

TEST(StatusNotifier, PartsOfANotchAddUpToOneStepEach) {
  constexpr int64_t kLater = kScrollGestureGapUs + 1;
  const struct {
    std::vector<int32_t> deltas;
    std::vector<int64_t> gapsUs;  // before each call after the first; 10 ms where not given
    int steps;
  } cases[] = {
      // A high-resolution wheel: a notch in eight parts of 15, two notches in all.
      {std::vector<int32_t>(16, 15), {}, 2},
      {std::vector<int32_t>(16, -15), {}, -2},
      // A touchpad's swipe: small uneven parts, some of them 1, which are no GTK notches then.
      {{8, 1, 30, 1, 1, 40, 39}, {}, 1},
      {{-60, -1, -59}, {}, -1},
      // Turning back drops what the other way had gathered.
      {{100, -100, -20}, {}, -1},
      {{100, -100, 100, 20}, {}, 1},
      // A part left from a gesture long ago starts no step.
      {{100, 20}, {kLater}, 0},
      {{100, 20}, {}, 1},
      // GTK notches, each one step, however quickly they come.
      {{-1, -1, -1, 1}, {}, 2},
      // A flood of Qt notches: each call a step.
      {std::vector<int32_t>(30, 120), {}, 30},
  };
  for (const auto& c : cases) {
    ScrollSteps scroll;
    int64_t nowUs = 1000000;
    int steps = 0;
    for (size_t i = 0; i < c.deltas.size(); ++i) {
      if (i > 0) nowUs += i - 1 < c.gapsUs.size() ? c.gapsUs[i - 1] : 10000;
      steps += scroll.Take(c.deltas[i], "vertical", nowUs);
    }
    EXPECT_EQ(steps, c.steps) << ::testing::PrintToString(c.deltas);
  }
}

TEST(StatusNotifier, ToolTipWaitsWhileTheMenuIsOpen) {
  const DesktopToolTip tips[] = {
      {"Tunlark", "a - 0:01/3:00"}, {"Tunlark", "a - 0:02/3:00"}, {"Tunlark", "a - 0:03/3:00"}};
  // Steps a second apart: 0-2 publish that tooltip, o the menu opens, c it closes, f a wake with
  // nothing new. "sent" has 1 where the step sends a change, 0 where a tooltip is held or the
  // same, - for the other steps.
  const struct {
    const char* steps;
    const char* sent;
    int shown;
  } cases[] = {
      {"011", "110", 1},     {"0o12f", "1-00-", 0}, {"0o12c", "1-001", 2},
      {"0o10c", "1-00-", 0},  // back to what was shown before the menu opened
      {"oc0", "--1", 0},
  };
  for (const auto& c : cases) {
    HeldToolTip tip;
    int64_t nowUs = 5000000;
    std::string sent;
    for (const char* step = c.steps; *step; ++step) {
      nowUs += 1000000;
      bool changed = false;
      if (*step >= '0' && *step <= '2') changed = tip.Offer(tips[*step - '0'], nowUs);
      if (*step == 'o') tip.MenuOpened(nowUs);
      if (*step == 'c') changed = tip.MenuClosed(nowUs);
      if (*step == 'f') changed = tip.Flush(nowUs);
      sent += changed ? '1' : *step >= '0' && *step <= '2' ? '0' : '-';
    }
    EXPECT_EQ(sent, c.sent) << c.steps;
    EXPECT_TRUE(tip.Shown() == tips[c.shown]) << c.steps;
  }
  // A host that never says the menu closed holds the tooltip back for a while only.
  HeldToolTip tip;
  tip.Offer(tips[0], 0);
  tip.MenuOpened(1000000);
  EXPECT_FALSE(tip.Offer(tips[1], 1000000 + kMenuHoldUs - 1));
  EXPECT_TRUE(tip.Flush(1000000 + kMenuHoldUs));
  EXPECT_TRUE(tip.Shown() == tips[1]);
}

TEST(StatusNotifier, MenuEventsChooseOpenCloseOrFailForUnknownIds) {
  DesktopMenu menu;
  DesktopMenuEntry disabled = Command("off", 40026);
  disabled.enabled = false;
  DesktopMenuEntry submenu;
  submenu.kind = DesktopMenuEntry::kSubmenu;
  submenu.children = {Command("play", 40024)};
  menu.entries = {Command("open", 40034), disabled, submenu, Separator()};
  NumberDesktopMenu(&menu);
  const struct {
    int32_t id;
    const char* event;
    DesktopMenuEvent::Kind kind;
    int command;
  } cases[] = {
      {1, "clicked", DesktopMenuEvent::kCommand, 40034},
      {4, "clicked", DesktopMenuEvent::kCommand, 40024},
      {1, "hovered", DesktopMenuEvent::kNothing, 0},
      {2, "clicked", DesktopMenuEvent::kNothing, 0},
      {3, "clicked", DesktopMenuEvent::kNothing, 0},
      {5, "clicked", DesktopMenuEvent::kNothing, 0},
      {0, "opened", DesktopMenuEvent::kMenuOpened, 0},
      {0, "closed", DesktopMenuEvent::kMenuClosed, 0},
      {3, "opened", DesktopMenuEvent::kMenuOpened, 0},
      {3, "closed", DesktopMenuEvent::kNothing, 0},
      {0, "clicked", DesktopMenuEvent::kNothing, 0},
      {6, "clicked", DesktopMenuEvent::kUnknownId, 0},
      {-1, "opened", DesktopMenuEvent::kUnknownId, 0},
  };
  for (const auto& c : cases) {
    DesktopMenuEvent event = DesktopMenuEventOf(menu, c.id, c.event);
    EXPECT_EQ(event.kind, c.kind) << c.id << c.event;
    EXPECT_EQ(event.command, c.command) << c.id << c.event;
  }
  // EventGroup: events, unknown ids among them, whether it fails.
  const struct {
    size_t events;
    size_t unknown;
    bool fails;
  } groups[] = {{0, 0, false}, {1, 0, false}, {2, 1, false}, {1, 1, true}, {3, 3, true}};
  for (const auto& g : groups)
    EXPECT_EQ(DesktopMenuEventGroupFails(g.events, g.unknown), g.fails) << g.events << g.unknown;
}

TEST(StatusNotifier, AWatchersRegisteredSignalNamesTheItemByEitherName) {
  const struct {
    const char* registered;
    bool names;
  } cases[] = {
      {"org.kde.StatusNotifierItem-42-1", true},
      {"org.kde.StatusNotifierItem-42-1/StatusNotifierItem", true},
      {":1.7", true},
      {":1.7/StatusNotifierItem", true},
      {"org.kde.StatusNotifierItem-42-11", false},
      {":1.70", false},
      {"org.kde.StatusNotifierItem-4", false},
      {"", false},
  };
  for (const auto& c : cases)
    EXPECT_EQ(WatcherNamesItem(c.registered, "org.kde.StatusNotifierItem-42-1", ":1.7"), c.names)
        << c.registered;
  EXPECT_FALSE(WatcherNamesItem("", "", ""));
}

TEST(StatusNotifier, IconImagesComeTopDownAsArgbInNetworkOrder) {
  // A 2 x 2 image as an .ico frame holds it: the header, BGRA rows bottom-up, the AND mask.
  std::vector<uint8_t> dib(40, 0);
  auto put32 = [&dib](size_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i) dib[at + i] = static_cast<uint8_t>(value >> (8 * i));
  };
  put32(0, 40);
  put32(4, 2);
  put32(8, 4);
  dib[12] = 1;
  dib[14] = 32;
  const uint8_t bottomUp[] = {0x01, 0x02, 0x03, 0x80, 0,    0,    0,    0,  // bottom row
                              0x11, 0x12, 0x13, 0xFF, 0x21, 0x22, 0x23, 0x40};
  dib.insert(dib.end(), std::begin(bottomUp), std::end(bottomUp));
  dib.insert(dib.end(), 8, 0);  // the mask, two rows of 4 bytes
  TrayPixmap pixmap;
  ASSERT_TRUE(TrayPixmapOfIconImage(dib.data(), dib.size(), &pixmap));
  EXPECT_EQ(pixmap.size, 2);
  const std::vector<uint8_t> expected = {0xFF, 0x13, 0x12, 0x11, 0x40, 0x23, 0x22, 0x21,
                                         0x80, 0x03, 0x02, 0x01, 0,    0,    0,    0};
  EXPECT_EQ(pixmap.argb, expected);
  // Too short for its pixels, another depth, not square.
  EXPECT_FALSE(TrayPixmapOfIconImage(dib.data(), 40 + 15, &pixmap));
  std::vector<uint8_t> eightBit = dib;
  eightBit[14] = 8;
  EXPECT_FALSE(TrayPixmapOfIconImage(eightBit.data(), eightBit.size(), &pixmap));
  std::vector<uint8_t> wide = dib;
  wide[4] = 3;
  EXPECT_FALSE(TrayPixmapOfIconImage(wide.data(), wide.size(), &pixmap));
  EXPECT_FALSE(TrayPixmapOfIconImage(dib.data(), 39, &pixmap));
}

}  // namespace
