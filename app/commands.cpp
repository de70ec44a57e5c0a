#include "app/commands.h"

#include "app/front_end.h"
#include "playback/player.h"
#include "playback/seeking.h"
#include "playlist/playlist.h"
#include "playlist/saved_playlist.h"
#include "resources/resource_ids.h"
#include "settings/config_file.h"

namespace {

void OpenFile(FrontEnd& frontEnd) {
  frontEnd.OpenFileChooser();
}

// A cancelled choice leaves "current.spl" alone.
void OpenFolderFromMenu(FrontEnd& frontEnd) {
  if (!frontEnd.ChooseFolder()) return;
  PlayCurrent();
  SavePlaylist();
}

// The hotkey writes "current.spl" again even when the choice was cancelled.
void OpenFolderFromHotkey(FrontEnd& frontEnd) {
  if (frontEnd.ChooseFolder()) PlayCurrent();
  SavePlaylist();
}

void Play(FrontEnd&) {
  PlayCurrent();
}

void Previous(FrontEnd&) {
  StepPrevious();
  PlayCurrent();
}

void Pause(FrontEnd&) {
  TogglePause();
}

void Stop(FrontEnd&) {
  StopPlayback();
}

void Next(FrontEnd&) {
  StepNext();
  PlayCurrent();
}

// The menu's rewind is heard through the jump; the hotkeys' is silenced.
void RewindBack(FrontEnd&) {
  Rewind(-2);
}

void RewindForward(FrontEnd&) {
  Rewind(2);
}

void SilencedRewindBack(FrontEnd&) {
  SilencedRewind(-2);
}

void SilencedRewindForward(FrontEnd&) {
  SilencedRewind(2);
}

void Hotkeys(FrontEnd& frontEnd) {
  frontEnd.ShowHotkeysDialog();
}

void Options(FrontEnd& frontEnd) {
  frontEnd.ShowOptionsDialog();
}

void Help(FrontEnd& frontEnd) {
  frontEnd.ShowHelp();
}

void About(FrontEnd& frontEnd) {
  frontEnd.ShowAbout();
}

void Exit(FrontEnd& frontEnd) {
  frontEnd.Quit();
}

void LouderBy5(FrontEnd&) {
  VolumeUp(ConfigFileSaver());
}

void QuieterBy5(FrontEnd&) {
  VolumeDown(ConfigFileSaver());
}

void Mute(FrontEnd&) {
  ToggleMute();
  SaveConfig();
}

constexpr Command kCommands[] = {
    {IDM_OPEN_FILE, kActionOpenFile, OpenFile},
    {IDM_OPEN_FOLDER, kNoHotkeyAction, OpenFolderFromMenu},
    {kNoMenuId, kActionOpenFolder, OpenFolderFromHotkey},
    {IDM_PLAY, kActionPlay, Play},
    {IDM_PREVIOUS, kActionPTrack, Previous},
    {IDM_PAUSE, kActionPause, Pause},
    {IDM_STOP, kActionStop, Stop},
    {IDM_NEXT, kActionNTrack, Next},
    {IDM_REWIND_BACK, kNoHotkeyAction, RewindBack},
    {IDM_REWIND_FORWARD, kNoHotkeyAction, RewindForward},
    {kNoMenuId, kActionRewindB, SilencedRewindBack},
    {kNoMenuId, kActionRewindF, SilencedRewindForward},
    {IDM_HOTKEYS, kNoHotkeyAction, Hotkeys},
    {IDM_OPTIONS, kNoHotkeyAction, Options},
    {IDM_HELP, kNoHotkeyAction, Help},
    {IDM_ABOUT, kNoHotkeyAction, About},
    {IDM_EXIT, kNoHotkeyAction, Exit},
    {kNoMenuId, kActionVolumeUp, LouderBy5},
    {kNoMenuId, kActionVolumeDown, QuieterBy5},
    {kNoMenuId, kActionMute, Mute},
};

// The hotkey registrar, the hotkeys dialog and config.cfg count the actions of the hotkey table;
// each of them must run exactly one row.
constexpr bool EachHotkeyActionHasOneRow() {
  for (const Command& command : kCommands)
    if (command.hotkeyAction < kNoHotkeyAction || command.hotkeyAction >= kHotkeyActionCount)
      return false;
  for (int action = 0; action < kHotkeyActionCount; ++action) {
    int rows = 0;
    for (const Command& command : kCommands) rows += command.hotkeyAction == action ? 1 : 0;
    if (rows != 1) return false;
  }
  return true;
}
static_assert(EachHotkeyActionHasOneRow(), "every hotkey action needs exactly one command row");

constexpr bool EachMenuIdHasOneRow() {
  for (const Command& command : kCommands) {
    if (command.menuId == kNoMenuId) continue;
    int rows = 0;
    for (const Command& other : kCommands) rows += other.menuId == command.menuId ? 1 : 0;
    if (rows != 1) return false;
  }
  return true;
}
static_assert(EachMenuIdHasOneRow(), "a menu id runs one row");

}  // namespace

std::span<const Command> Commands() {
  return kCommands;
}

bool RunMenuCommand(int menuId, FrontEnd& frontEnd) {
  if (menuId == kNoMenuId) return false;
  for (const Command& command : kCommands) {
    if (command.menuId != menuId) continue;
    command.run(frontEnd);
    return true;
  }
  return false;
}

bool RunHotkeyAction(HotkeyActionIndex action, FrontEnd& frontEnd) {
  for (const Command& command : kCommands) {
    if (command.hotkeyAction != action) continue;
    command.run(frontEnd);
    return true;
  }
  return false;
}

bool RunHotkeyCommand(int hotkeyId, FrontEnd& frontEnd) {
  int action = HotkeyActionForId(hotkeyId);
  return action >= 0 && RunHotkeyAction(static_cast<HotkeyActionIndex>(action), frontEnd);
}
