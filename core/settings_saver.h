// What the player writes its settings through after it changed one, so that it needs to know
// neither the file nor its format.
#pragma once

class SettingsSaver {
 public:
  virtual ~SettingsSaver() = default;
  virtual void SaveSettings() = 0;
};
