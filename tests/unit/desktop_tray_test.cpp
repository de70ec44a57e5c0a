#include "app/desktop_tray.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/front_end.h"
#include "app/tray_menu.h"
#include "core/app_state.h"
#include "settings/hotkeys.h"
#include "tests/unit/test_support.h"

namespace {

class QuitCounter : public FrontEnd {
 public:
  void OpenFileChooser() override {}
  bool ChooseFolder() override { return false; }
  void ShowHotkeysDialog() override {}
  void ShowOptionsDialog() override {}
  void ShowHelp() override {}
  void ShowAbout() override { ++abouts; }
  void Quit() override { ++quits; }
  int abouts = 0;
  int quits = 0;
};

TEST(DesktopTray, NarrowTipsReadTheCodePageAndUtf8TitlesLineByLine) {
  const struct {
    std::string narrow;
    std::u16string wide;
  } cases[] = {
      {"Tunlark - остановлено ", u"Tunlark - остановлено "},
      // The header in the code page over a Unix file name in UTF-8.
      {"Tunlark - пауза:\n\xD0\xA2\xD0\xBE\xD0\xBD\n0:01 / 0:30",
       u"Tunlark - пауза:\nТон\n0:01 / 0:30"},
      // "ВЁ" in the code page is C2 A8, valid UTF-8 ("¨"): a line past ASCII that decodes is
      // taken as UTF-8, which only a UTF-8 title can be in a native tip.
      {"\xC2\xA8", u"\u00A8"},
      {"ascii\n", u"ascii\n"},
      {"\n\n", u"\n\n"},
      {"", u""},
      // Bytes that are neither: each read as the code page.
      {"\xFF\xD0", u"яР"},
  };
  for (const auto& c : cases) EXPECT_EQ(TrayTextOfNarrow(c.narrow), c.wide) << c.narrow;
}

TEST(DesktopTray, TipChangesOnlyWhenTextOrPictureDoes) {
  DesktopTrayTip tip;
  EXPECT_TRUE(tip.Tell(u"a", true, 114));
  EXPECT_FALSE(tip.Tell(u"a", true, 114));
  EXPECT_FALSE(tip.Tell(u"ignored", false, -1));
  EXPECT_EQ(tip.Tip(), u"a");
  EXPECT_TRUE(tip.Tell(u"", false, 116));
  EXPECT_EQ(tip.Icon(), 116);
  EXPECT_FALSE(tip.Tell(u"", false, -1));
  EXPECT_TRUE(tip.NameTrack(u"Artist — Title", u"file"));
  EXPECT_FALSE(tip.NameTrack(u"Artist — Title", u"file"));
}

TEST(DesktopTray, RequestsRunInOrderWithTheWheelSummedAndBounded) {
  TempDir dir;
  CoreFixtureState state{dir};
  g_app.Volume = 50;
  QuitCounter frontEnd;
  int published = 0;
  int menus = 0;
  std::vector<TrayRequest> requests;
  requests.push_back({TrayRequest::kCommand, 40048, 0, 0});  // IDM_ABOUT
  for (int i = 0; i < 30; ++i) requests.push_back({TrayRequest::kVolumeSteps, -1, 0, 0});
  requests.push_back({TrayRequest::kVolumeSteps, 3, 0, 0});
  requests.push_back({TrayRequest::kContextMenu, 0, 5, 6});
  requests.push_back({TrayRequest::kContextMenu, 0, 7, 8});
  requests.push_back({TrayRequest::kCommand, 12345, 0, 0});  // no such entry
  RunDesktopTrayRequests(
      requests, frontEnd, [&] { ++published; },
      [&](const TrayRequest& menu) {
        ++menus;
        EXPECT_EQ(menu.x, 7);
        EXPECT_EQ(menu.y, 8);
      });
  EXPECT_EQ(frontEnd.abouts, 1);
  // -30 + 3 clamped to twenty steps down: from 50 to the floor.
  EXPECT_EQ(g_app.Volume, 0);
  EXPECT_EQ(published, 2 + kMaxScrollSteps);
  EXPECT_EQ(menus, 1);
}

TEST(TrayMenu, RowsNestByDepthAndStrayRowsAreDropped) {
  const TrayMenuRow rows[] = {
      {0, TrayMenuRow::kCommand, "&Open", 1},
      {1, TrayMenuRow::kCommand, "stray under a command", 9},
      {0, TrayMenuRow::kSeparator, "", 0},
      {0, TrayMenuRow::kSubmenu, "Sub_menu", 0},
      {1, TrayMenuRow::kCommand, "A && B", 2},
      {3, TrayMenuRow::kCommand, "too deep", 9},
      {1, TrayMenuRow::kSubmenu, "Empty", 0},
      {0, TrayMenuRow::kCommand, "Exit\tAlt+F4", 3},
  };
  DesktopMenu menu = DesktopMenuOfRows(rows);
  ASSERT_EQ(menu.entries.size(), 4u);
  EXPECT_EQ(menu.entries[0].label, "_Open");
  EXPECT_EQ(menu.entries[0].command, 1);
  EXPECT_TRUE(menu.entries[0].children.empty());
  EXPECT_EQ(menu.entries[1].kind, DesktopMenuEntry::kSeparator);
  const DesktopMenuEntry& sub = menu.entries[2];
  EXPECT_EQ(sub.kind, DesktopMenuEntry::kSubmenu);
  EXPECT_EQ(sub.label, "Sub__menu");
  ASSERT_EQ(sub.children.size(), 2u);
  EXPECT_EQ(sub.children[0].label, "A & B");
  EXPECT_EQ(sub.children[1].kind, DesktopMenuEntry::kSubmenu);
  EXPECT_TRUE(sub.children[1].children.empty());
  EXPECT_EQ(menu.entries[3].label, "Exit");
  EXPECT_EQ(menu.entries[3].command, 3);
  // Numbered depth first, so the bus finds each entry.
  EXPECT_EQ(FindDesktopMenuEntry(menu, menu.entries[3].id)->command, 3);
}

}  // namespace
