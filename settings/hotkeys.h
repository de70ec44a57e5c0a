// The hotkey actions, their bindings, the key-name table and the registration of all
// hotkeys through the platform's HotkeyRegistrar.
#pragma once

#include <cstdint>
#include <string>

constexpr int kKeyNameCount = 80;

struct HotkeyAction {
  const char* configPrefix;  // "Play", "Pause", ...
  int hotkeyId;              // what WM_HOTKEY reports
  const char* dialogLabel;   // "Проиграть трек:"
  const char* errorName;     // "'Проиграть трек'"
};

// Indexes into HotkeyActions, in the order of config.cfg's lines and of the hotkeys dialog's
// rows: existing files are read by position, so a new action goes at the end. What each runs is
// in the command table (app/commands.h).
enum HotkeyActionIndex : int {
  kActionPlay,
  kActionPause,
  kActionStop,
  kActionPTrack,
  kActionNTrack,
  kActionRewindB,
  kActionRewindF,
  kActionOpenFile,
  kActionOpenFolder,
  kActionVolumeUp,
  kActionVolumeDown,
  kActionMute,
  kHotkeyActionEnd,
};

// The count the registrar, the dialog, config.cfg and the tests take.
constexpr int kHotkeyActionCount = kHotkeyActionEnd;

extern const HotkeyAction HotkeyActions[kHotkeyActionCount];

// The index of the action whose hotkey id is id; -1 when none has it.
int HotkeyActionForId(int id);
// The index of the action whose config.cfg prefix is prefix, exactly; -1 when none has it.
int HotkeyActionForConfigPrefix(const std::string& prefix);

struct HotkeyBinding {
  std::string Name1;  // first modifier name
  std::string Name2;  // second modifier name
  std::string Name3;  // key name
  int32_t Id1 = 0;
  int32_t Id2 = 0;
  int32_t Id3 = 0;
};

extern HotkeyBinding HotkeyBindings[kHotkeyActionCount];

struct KeyName {
  const char* name;  // Windows-1251 bytes
  int32_t code;      // modifier bits for indexes 0..3, virtual-key codes after
};

extern const KeyName KeyNameTable[kKeyNameCount];

// The code of the first table entry whose text equals name exactly; -1 when none does.
int32_t KeyNameToCode(std::string name);

// 1 when all are registered; -(k + 1) when action k failed (those after it stay
// unregistered).
int RegisterAllHotkeys();
void UnregisterAllHotkeys();

// Empties every binding (names "", codes 0); used by tests.
void ResetHotkeyBindings();
