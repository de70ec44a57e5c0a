// The settings dialogs as another toolkit builds them: the layout read from the resource script,
// how its controls fall into groups and rows, and what the options dialog's boxes do.
#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "core/app_state.h"
#include "platform/tag_text.h"
#include "resources/resource_ids.h"
#include "settings/dialog_layout.h"
#include "settings/hotkey_choices.h"
#include "settings/option_boxes.h"
#include "tests/unit/test_support.h"

namespace {

std::string DialogsScript() {
  std::ifstream file(std::string(TUNLARK_SOURCE_DIR) + "/resources/dialogs.rc", std::ios::binary);
  std::stringstream text;
  text << file.rdbuf();
  return text.str();
}

std::vector<std::string> Texts(const DialogLayout& layout, DialogControlKind kind) {
  std::vector<std::string> texts;
  for (const DialogControl& control : layout.controls)
    if (control.kind == kind) texts.push_back(control.text);
  return texts;
}

// Every quoted text of the script's control lines of one kind, in order, across both dialogs.
std::vector<std::string> ScriptTexts(const std::string& keyword) {
  std::string script = DialogsScript();
  std::regex line("\\n\\s*" + keyword + "\\s+\"([^\"]*)\"");
  std::vector<std::string> texts;
  for (std::sregex_iterator it(script.begin(), script.end(), line), end; it != end; ++it)
    texts.push_back((*it)[1]);
  return texts;
}

TEST(DialogLayout, TextsAndControlsAreTheScripts) {
  const DialogLayout* hotkeys = FindDialogLayout(IDD_HOTKEYS);
  const DialogLayout* options = FindDialogLayout(IDD_OPTIONS);
  ASSERT_TRUE(hotkeys && options);
  EXPECT_EQ(FindDialogLayout(IDR_TRAY_MENU), nullptr);
  EXPECT_STREQ(hotkeys->caption, reinterpret_cast<const char*>(u8"Настройка горячих клавиш"));
  EXPECT_STREQ(options->caption, reinterpret_cast<const char*>(u8"Опции"));
  EXPECT_EQ(hotkeys->width, 403);
  EXPECT_EQ(options->height, 148);

  std::vector<std::string> labels = Texts(*hotkeys, DialogControlKind::kLabel);
  ASSERT_EQ(static_cast<int>(labels.size()), kHotkeyActionCount);
  for (int k = 0; k < kHotkeyActionCount; ++k)
    EXPECT_EQ(labels[k], Windows1251ToUtf8(HotkeyActions[k].dialogLabel));
  EXPECT_EQ(labels, ScriptTexts("LTEXT"));

  std::vector<std::string> groups = Texts(*hotkeys, DialogControlKind::kGroup);
  for (const std::string& group : Texts(*options, DialogControlKind::kGroup))
    groups.push_back(group);
  EXPECT_EQ(groups, ScriptTexts("GROUPBOX"));
  EXPECT_EQ(Texts(*options, DialogControlKind::kCheckBox), ScriptTexts("AUTOCHECKBOX"));

  std::vector<int> boxes;
  for (const DialogControl& control : hotkeys->controls)
    if (control.kind == DialogControlKind::kComboBox) boxes.push_back(control.id);
  ASSERT_EQ(static_cast<int>(boxes.size()), kHotkeyBoxFields * kHotkeyActionCount);
  for (size_t n = 0; n < boxes.size(); ++n)
    EXPECT_EQ(boxes[n], IDC_HOTKEY_BOXES + static_cast<int>(n));
}

std::vector<int> RowIds(const std::vector<const DialogControl*>& row) {
  std::vector<int> ids;
  for (const DialogControl* control : row) ids.push_back(control->id);
  return ids;
}

TEST(DialogLayout, HotkeysDialogHasALabelRowAndABoxRowPerActionInItsGroup) {
  std::vector<DialogGroup> groups = GroupDialogControls(FindDialogLayout(IDD_HOTKEYS)->controls);
  ASSERT_EQ(groups.size(), 4u);
  const int actionsPerGroup[] = {7, 2, 3};
  int action = 0;
  for (int g = 0; g < 3; ++g) {
    ASSERT_TRUE(groups[g].box);
    ASSERT_EQ(static_cast<int>(groups[g].rows.size()), 2 * actionsPerGroup[g]);
    for (int r = 0; r < actionsPerGroup[g]; ++r, ++action) {
      SCOPED_TRACE(action);
      EXPECT_EQ(groups[g].rows[2 * r].front()->kind, DialogControlKind::kLabel);
      EXPECT_EQ(RowIds(groups[g].rows[2 * r + 1]),
                (std::vector<int>{HotkeyBoxId(action, 0), HotkeyBoxId(action, 1),
                                  HotkeyBoxId(action, 2)}));
    }
  }
  EXPECT_EQ(groups[3].box, nullptr);
  ASSERT_EQ(groups[3].rows.size(), 1u);
  EXPECT_EQ(RowIds(groups[3].rows[0]), std::vector<int>{IDC_HOTKEYS_OK});

  // The playback group on the left; files above volume on the right.
  auto columns = DialogColumns(groups);
  ASSERT_EQ(columns.size(), 2u);
  EXPECT_EQ(columns[0], (std::vector<const DialogGroup*>{&groups[0]}));
  EXPECT_EQ(columns[1], (std::vector<const DialogGroup*>{&groups[1], &groups[2]}));
}

TEST(DialogLayout, OptionsDialogKeepsTheScriptsOrderOfBoxes) {
  std::vector<DialogGroup> groups = GroupDialogControls(FindDialogLayout(IDD_OPTIONS)->controls);
  ASSERT_EQ(groups.size(), 3u);
  std::vector<int> playback;
  for (const auto& row : groups[0].rows) playback.push_back(RowIds(row).at(0));
  EXPECT_EQ(playback, (std::vector<int>{IDC_REPEAT, IDC_SHUFFLE, IDC_MUTE}));
  ASSERT_EQ(groups[1].rows.size(), 2u);
  EXPECT_EQ(groups[1].rows[0][0]->id, IDC_AUTOPLAY);  // above Autoload, as the user sees it
  EXPECT_EQ(groups[1].rows[1][0]->id, IDC_AUTOLOAD);
  EXPECT_EQ(DialogColumns(groups).size(), 1u);
}

TEST(DialogLayout, ControlsFallIntoTheFirstBoxThatHoldsThem) {
  using K = DialogControlKind;
  const std::vector<DialogControl> controls = {
      {K::kGroup, "a", -1, 0, 0, 100, 50},
      {K::kGroup, "b", -1, 0, 40, 100, 50},    // overlaps a
      {K::kCheckBox, "x", 2, 50, 10, 20, 10},  // listed before the row's left control
      {K::kCheckBox, "y", 1, 10, 10, 20, 10},
      {K::kCheckBox, "in both", 3, 10, 42, 20, 5},
      {K::kCheckBox, "on a's bottom", 4, 10, 50, 20, 5},
      {K::kCheckBox, "wider than b", 5, 10, 60, 200, 5},
      {K::kButton, "OK", 6, 0, 100, 10, 10},
  };
  std::vector<DialogGroup> groups = GroupDialogControls(controls);
  ASSERT_EQ(groups.size(), 3u);
  ASSERT_EQ(groups[0].rows.size(), 2u);
  EXPECT_EQ(RowIds(groups[0].rows[0]), (std::vector<int>{1, 2}));
  EXPECT_EQ(RowIds(groups[0].rows[1]), std::vector<int>{3});
  ASSERT_EQ(groups[1].rows.size(), 1u);
  EXPECT_EQ(RowIds(groups[1].rows[0]), std::vector<int>{4});
  EXPECT_EQ(groups[2].box, nullptr);
  ASSERT_EQ(groups[2].rows.size(), 2u);
  EXPECT_EQ(RowIds(groups[2].rows[0]), std::vector<int>{5});
  EXPECT_EQ(RowIds(groups[2].rows[1]), std::vector<int>{6});
  EXPECT_TRUE(GroupDialogControls({}).empty());
}

int g_autostartCalls = 0;
void CountAutostart() {
  ++g_autostartCalls;
}

class OptionBoxesTest : public testing::Test {
 protected:
  void SetUp() override {
    g_app.configLoaded = true;
    g_autostartCalls = 0;
  }
  TempDir dir_;
  CoreFixtureState state_{dir_};
};

TEST_F(OptionBoxesTest, ABoxShowsAnyNonZeroValue) {
  g_app.Repeat = 7;
  g_app.Autoplay = -1;
  EXPECT_TRUE(OptionBoxChecked(IDC_REPEAT));
  EXPECT_TRUE(OptionBoxChecked(IDC_AUTOPLAY));
  EXPECT_FALSE(OptionBoxChecked(IDC_SHUFFLE));
  EXPECT_FALSE(OptionBoxChecked(IDC_OPTIONS_OK));
}

TEST_F(OptionBoxesTest, AClickFlipsTheSettingFromItsOwnValueAndSavesIt) {
  g_app.Repeat = 7;
  ASSERT_TRUE(ClickOptionBox(IDC_REPEAT, CountAutostart));
  EXPECT_EQ(g_app.Repeat, 0);
  EXPECT_NE(dir_.Read("config.cfg").find("Repeat=0\r\n"), std::string::npos);
  ASSERT_TRUE(ClickOptionBox(IDC_SHUFFLE, CountAutostart));
  ASSERT_TRUE(ClickOptionBox(IDC_SHUFFLE, CountAutostart));
  EXPECT_EQ(g_app.Shuffle, 0);
  ASSERT_TRUE(ClickOptionBox(IDC_MUTE, CountAutostart));
  EXPECT_EQ(g_app.Mute, 1);
  EXPECT_NE(dir_.Read("config.cfg").find("Mute=1\r\n"), std::string::npos);
  EXPECT_EQ(g_autostartCalls, 0);
}

TEST_F(OptionBoxesTest, OnlyAutoloadBringsTheLoginEntryInLine) {
  ASSERT_TRUE(ClickOptionBox(IDC_AUTOLOAD, CountAutostart));
  EXPECT_EQ(g_app.Autoload, 1);
  EXPECT_EQ(g_autostartCalls, 1);
  ASSERT_TRUE(ClickOptionBox(IDC_AUTOPLAY, CountAutostart));
  EXPECT_EQ(g_autostartCalls, 1);
}

TEST_F(OptionBoxesTest, OtherIdsChangeAndWriteNothing) {
  for (int id : {IDC_OPTIONS_OK, 1, 2, IDC_HOTKEY_BOXES})
    EXPECT_FALSE(ClickOptionBox(id, CountAutostart));
  EXPECT_FALSE(dir_.Exists("config.cfg"));
  EXPECT_EQ(g_autostartCalls, 0);
}

}  // namespace
