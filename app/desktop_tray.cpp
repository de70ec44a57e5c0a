#include "app/desktop_tray.h"

#include <algorithm>
#include <cstdlib>

#include "app/commands.h"
#include "platform/tag_text.h"
#include "platform/wide_paths.h"
#include "settings/hotkeys.h"

bool DesktopTrayTip::Tell(const std::u16string& text, bool hasText, int iconId) {
  bool changed = (hasText && text != tip_) || (iconId != -1 && iconId != icon_);
  if (hasText) tip_ = text;
  if (iconId != -1) icon_ = iconId;
  return changed;
}

bool DesktopTrayTip::NameTrack(const std::u16string& name, const std::u16string& fileTitle) {
  if (name == trackName_ && fileTitle == namedTitle_) return false;
  trackName_ = name;
  namedTitle_ = fileTitle;
  return true;
}

std::u16string DesktopTrayTip::Tip() const {
  return TrayTipNamingTrack(tip_, trackName_, namedTitle_);
}

std::u16string TrayTextOfNarrow(const std::string& text) {
  std::u16string result;
  size_t start = 0;
  for (;;) {
    size_t end = text.find('\n', start);
    std::string line =
        text.substr(start, end == std::string::npos ? std::string::npos : end - start);
    std::u16string wide;
    if (!IsUtf8Line(line, &wide) && !DecodeUtf8(Windows1251ToUtf8(line), &wide)) wide.clear();
    result += wide;
    if (end == std::string::npos) return result;
    result += u'\n';
    start = end + 1;
  }
}

void RunDesktopTrayRequests(const std::vector<TrayRequest>& requests, FrontEnd& frontEnd,
                            const std::function<void()>& publish,
                            const std::function<void(const TrayRequest&)>& showMenu) {
  auto hotkey = [&](HotkeyActionIndex action) {
    RunHotkeyAction(action, frontEnd);
    publish();
  };
  int volumeSteps = 0;
  const TrayRequest* contextMenu = nullptr;
  for (const TrayRequest& request : requests) {
    switch (request.kind) {
      case TrayRequest::kCommand:
        RunMenuCommand(request.value, frontEnd);
        publish();
        break;
      case TrayRequest::kTogglePause:
        hotkey(kActionPause);
        break;
      case TrayRequest::kVolumeSteps:
        volumeSteps += request.value;
        break;
      case TrayRequest::kContextMenu:
        contextMenu = &request;
        break;
    }
  }
  // Twenty steps of 5 cross the whole range: a burst of wheel turns writes config.cfg at most
  // that often.
  volumeSteps = std::clamp(volumeSteps, -kMaxScrollSteps, kMaxScrollSteps);
  for (int step = 0; step < std::abs(volumeSteps); ++step)
    hotkey(volumeSteps > 0 ? kActionVolumeUp : kActionVolumeDown);
  if (contextMenu) showMenu(*contextMenu);
}
