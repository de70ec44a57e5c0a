#include "app/commands.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>

#include "app/front_end.h"
#include "app/tray_menu.h"
#include "core/app_state.h"
#include "resources/tray_menu_table.h"
#include "settings/config_file.h"
#include "tests/unit/test_support.h"

namespace {

std::string SourceText(const std::string& relative) {
  std::ifstream file(std::string(TUNLARK_SOURCE_DIR) + "/" + relative, std::ios::binary);
  std::stringstream text;
  text << file.rdbuf();
  return text.str();
}

std::map<std::string, int> ResourceIds() {
  std::map<std::string, int> ids;
  std::string header = SourceText("resources/resource_ids.h");
  std::regex define(R"(#define (ID\w+) (\d+))");
  for (std::sregex_iterator it(header.begin(), header.end(), define), end; it != end; ++it)
    ids[(*it)[1]] = std::stoi((*it)[2]);
  return ids;
}

// The resource scripts are UTF-8; the program's texts are Windows-1251 (ASCII and А..я here).
std::string Utf8OfCp1251(const std::string& text) {
  std::string utf8;
  for (unsigned char c : text) {
    if (c < 0x80) {
      utf8 += static_cast<char>(c);
      continue;
    }
    unsigned code = 0x410 + (c - 0xC0);
    utf8 += static_cast<char>(0xC0 | (code >> 6));
    utf8 += static_cast<char>(0x80 | (code & 0x3F));
  }
  return utf8;
}

class FakeFrontEnd : public FrontEnd {
 public:
  void OpenFileChooser() override { calls += "file "; }
  bool ChooseFolder() override {
    calls += "folder ";
    return folderChosen;
  }
  void ShowHotkeysDialog() override { calls += "hotkeys "; }
  void ShowOptionsDialog() override { calls += "options "; }
  void ShowHelp() override { calls += "help "; }
  void ShowAbout() override { calls += "about "; }
  void Quit() override { calls += "quit "; }
  std::string calls;
  bool folderChosen = false;
};

TEST(CommandsTest, EveryItemOfTheTrayMenuHasARowAndEveryRowItsItem) {
  std::map<std::string, int> ids = ResourceIds();
  std::string script = SourceText("resources/tunlark.rc");
  std::set<int> menuIds;
  std::regex item(R"re(MENUITEM\s+"[^"]*",\s*(IDM_\w+))re");
  for (std::sregex_iterator it(script.begin(), script.end(), item), end; it != end; ++it) {
    ASSERT_EQ(ids.count((*it)[1]), 1u) << (*it)[1];
    menuIds.insert(ids[(*it)[1]]);
  }
  ASSERT_FALSE(menuIds.empty());
  std::set<int> rowIds;
  for (const Command& command : Commands())
    if (command.menuId != kNoMenuId) rowIds.insert(command.menuId);
  EXPECT_EQ(rowIds, menuIds);
}

TEST(CommandsTest, HotkeyRowsMatchConfigPositionsAndTheDialogsBoxes) {
  TempDir dir;
  CoreFixtureState state{dir};
  // Action k's six lines follow [Main], the six settings and [HotKeys].
  std::stringstream text(ConfigFileText());
  std::vector<std::string> lines;
  for (std::string line; std::getline(text, line);) lines.push_back(line);
  ASSERT_EQ(lines.size(), 8u + 6u * kHotkeyActionCount);
  for (int k = 0; k < kHotkeyActionCount; ++k) {
    SCOPED_TRACE(HotkeyActions[k].configPrefix);
    EXPECT_EQ(lines[8 + 6 * k], std::string(HotkeyActions[k].configPrefix) + "Name1=");
    int rows = 0;
    for (const Command& command : Commands()) rows += command.hotkeyAction == k ? 1 : 0;
    EXPECT_EQ(rows, 1);
  }
  // A label and three lists per action, the lists numbered from IDC_HOTKEY_BOXES, in the
  // actions' order.
  std::string dialogs = SourceText("resources/dialogs.rc");
  std::regex label(R"re(LTEXT\s+"([^"]*)",\s*-1,)re");
  std::vector<std::string> labels;
  for (std::sregex_iterator it(dialogs.begin(), dialogs.end(), label), end; it != end; ++it)
    labels.push_back((*it)[1]);
  ASSERT_EQ(static_cast<int>(labels.size()), kHotkeyActionCount);
  for (int k = 0; k < kHotkeyActionCount; ++k)
    EXPECT_EQ(labels[k], Utf8OfCp1251(HotkeyActions[k].dialogLabel));
  std::regex box(R"(COMBOBOX\s+IDC_HOTKEY_BOXES \+ (\d+),)");
  std::vector<int> boxes;
  for (std::sregex_iterator it(dialogs.begin(), dialogs.end(), box), end; it != end; ++it)
    boxes.push_back(std::stoi((*it)[1]));
  ASSERT_EQ(static_cast<int>(boxes.size()), 3 * kHotkeyActionCount);
  for (int n = 0; n < 3 * kHotkeyActionCount; ++n) EXPECT_EQ(boxes[n], n);
}

TEST(CommandsTest, UnknownIdsRunNothing) {
  FakeFrontEnd frontEnd;
  EXPECT_FALSE(RunMenuCommand(kNoMenuId, frontEnd));
  EXPECT_FALSE(RunMenuCommand(40000, frontEnd));
  EXPECT_FALSE(RunHotkeyCommand(0, frontEnd));
  EXPECT_FALSE(RunHotkeyCommand(kHotkeyActionCount + 1, frontEnd));
  EXPECT_EQ(frontEnd.calls, "");
}

// The menu's OpenFolder leaves "current.spl" alone when cancelled; the hotkey's writes it anyway.
TEST(CommandsTest, OpenFolderSavesOnACancelOnlyFromTheHotkey) {
  std::map<std::string, int> ids = ResourceIds();
  TempDir dir;
  CoreFixtureState state{dir};
  g_app.playlistLoaded = true;
  g_app.playlist.Append(dir.File("a.wav"));
  FakeFrontEnd frontEnd;
  ASSERT_TRUE(RunMenuCommand(ids["IDM_OPEN_FOLDER"], frontEnd));
  EXPECT_FALSE(dir.Exists("current.spl"));
  ASSERT_TRUE(RunHotkeyCommand(HotkeyActions[kActionOpenFolder].hotkeyId, frontEnd));
  EXPECT_TRUE(dir.Exists("current.spl"));
  EXPECT_EQ(frontEnd.calls, "folder folder ");
}

void Flatten(const std::vector<DesktopMenuEntry>& entries, int depth, std::string* out) {
  for (const DesktopMenuEntry& entry : entries) {
    *out += std::string(depth, ' ');
    if (entry.kind == DesktopMenuEntry::kSeparator) {
      *out += "-\n";
      continue;
    }
    *out += entry.label + (entry.kind == DesktopMenuEntry::kSubmenu ? " >" : "") + "\n";
    Flatten(entry.children, depth + 1, out);
  }
}

// The native program's menu is generated from menu 102: the same labels, order, submenus and
// separators, each entry with its command.
TEST(CommandsTest, GeneratedTrayMenuFollowsTheResourceScript) {
  std::map<std::string, int> ids = ResourceIds();
  std::string script = SourceText("resources/tunlark.rc");
  std::string menuText = script.substr(script.find("IDR_TRAY_MENU MENU"));
  std::regex line(
      R"re((POPUP\s+"([^"]*)")|(MENUITEM\s+SEPARATOR)|(MENUITEM\s+"([^"]*)",\s*(\w+))|(\bBEGIN\b)|(\bEND\b))re");
  std::string expected;
  std::vector<int> commands;
  int depth = -2;  // the MENU's BEGIN and the outer POPUP's
  for (std::sregex_iterator it(menuText.begin(), menuText.end(), line), end; it != end; ++it) {
    const std::smatch& m = *it;
    if (m[7].matched) {
      ++depth;
      continue;
    }
    if (m[8].matched) {
      if (--depth < -1) break;
      continue;
    }
    if (depth < 0) continue;
    expected += std::string(depth, ' ');
    if (m[1].matched) expected += m[2].str() + " >\n";
    if (m[3].matched) expected += "-\n";
    if (m[4].matched) {
      expected += m[5].str() + "\n";
      commands.push_back(ids[m[6]]);
    }
  }
  DesktopMenu menu = DesktopMenuOfRows(kTrayMenuRows);
  std::string actual;
  Flatten(menu.entries, 0, &actual);
  EXPECT_EQ(actual, expected);
  std::vector<int> rowCommands;
  for (const TrayMenuRow& row : kTrayMenuRows)
    if (row.kind == TrayMenuRow::kCommand) rowCommands.push_back(row.command);
  EXPECT_EQ(rowCommands, commands);
  EXPECT_EQ(commands.size(), 14u);
}

}  // namespace
