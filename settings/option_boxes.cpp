#include "settings/option_boxes.h"

#include <cstdint>

#include "core/app_state.h"
#include "playback/player.h"
#include "resources/resource_ids.h"
#include "settings/config_file.h"

namespace {

int32_t* OptionSetting(int controlId) {
  switch (controlId) {
    case IDC_REPEAT:
      return &g_app.Repeat;
    case IDC_SHUFFLE:
      return &g_app.Shuffle;
    case IDC_MUTE:
      return &g_app.Mute;
    case IDC_AUTOLOAD:
      return &g_app.Autoload;
    case IDC_AUTOPLAY:
      return &g_app.Autoplay;
    default:
      return nullptr;
  }
}

}  // namespace

bool OptionBoxChecked(int controlId) {
  int32_t* setting = OptionSetting(controlId);
  return setting != nullptr && *setting != 0;
}

bool ClickOptionBox(int controlId, void (*applyAutostart)()) {
  int32_t* setting = OptionSetting(controlId);
  if (!setting) return false;
  if (controlId == IDC_MUTE) {
    // Mute also silences or restores the playing channel.
    ToggleMute();
  } else {
    *setting = *setting == 0 ? 1 : 0;
  }
  if (controlId == IDC_AUTOLOAD) applyAutostart();
  SaveConfig();
  return true;
}
