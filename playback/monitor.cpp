#include "playback/monitor.h"

#include "app/app_state.h"
#include "platform/platform.h"
#include "platform/wide_paths.h"
#include "playback/engine/audio_engine.h"
#include "playback/player.h"
#include "playback/seeking.h"
#include "playback/shuffle_random.h"
#include "playback/time_text.h"
#include "playback/tray_texts.h"

namespace {

constexpr int32_t kUpdatePeriodMs = 50;

bool g_started = false;
uint32_t g_lastUpdate = 0;
uint32_t g_duePasses = 0;
bool g_quiet = false;  // the last due pass saw a stopped or paused channel

}  // namespace

void ResetMonitor() {
  g_started = false;
  g_lastUpdate = 0;
  g_duePasses = 0;
  g_quiet = false;
}

int32_t MonitorMsUntilDue() {
  if (!g_started) return 0;
  int32_t elapsed = static_cast<int32_t>(g_platform.clock->TickCount() - g_lastUpdate);
  return elapsed > kUpdatePeriodMs ? 0 : kUpdatePeriodMs + 1 - elapsed;
}

bool MonitorQuiet() {
  return g_quiet;
}

uint32_t MonitorDuePasses() {
  return g_duePasses;
}

void VolumeIcon(const std::string& text, int32_t volume) {
  int icon = VolumeIconId(volume);
  if (icon != -1) g_platform.tray->Update(text.c_str(), icon);
}

// The real title of a track the program names by an alias, "" for any other. Asked once per
// path: the monitor runs 20 times a second.
std::u16string LongTitle(const std::string& path) {
  static std::string lastPath;
  static std::u16string lastTitle;
  if (!g_platform.paths || path.empty()) return u"";
  if (path != lastPath) {
    lastPath = path;
    lastTitle = g_platform.paths->LongName(path);
    size_t dot = lastTitle.rfind(u'.');
    if (dot != std::u16string::npos) lastTitle.erase(dot);
  }
  return lastTitle;
}

void ShowPlaying(const std::string& header, const std::string& path, const std::string& position,
                 const std::string& length, int icon) {
  if (icon == -1) return;
  std::u16string longTitle = LongTitle(path);
  if (longTitle.empty()) {
    g_platform.tray->Update(PlayingTooltip(header, TrackTitle(path), position, length).c_str(),
                            icon);
    return;
  }
  WidePaths& paths = *g_platform.paths;
  g_platform.tray->UpdateWide(
      PlayingTooltip(paths.Widen(header), longTitle, paths.Widen(position), paths.Widen(length)),
      icon);
}

void AdvanceAtEnd() {
  int32_t length = LengthSeconds();
  int32_t position = PositionSeconds();
  // Whole seconds: the last two count as the end. A position past the length never does.
  if (static_cast<uint32_t>(length) - static_cast<uint32_t>(position) > 1) return;

  uint32_t count = g_app.playlist.Count();
  if (g_app.Shuffle) {
    if (count == 0) return;
    g_app.CurrentIndex = static_cast<uint32_t>(NextShuffleRandom()) % count;
    PlayCurrent();
    return;
  }
  if (g_app.CurrentIndex < count - 1) {
    g_app.CurrentIndex += 1;
    PlayCurrent();
  } else if (g_app.Repeat) {
    g_app.CurrentIndex = 0;
    PlayCurrent();
  }
}

void MonitorTick() {
  uint32_t now = g_platform.clock->TickCount();
  if (!g_started) {
    g_started = true;
    g_lastUpdate = now;
  }
  if (static_cast<int32_t>(now - g_lastUpdate) <= kUpdatePeriodMs) return;

  // The texts describe the track before any advance below: the next pass shows the new one.
  std::string name;
  if (g_app.playlist.Count() != 0 && g_app.CurrentIndex <= g_app.playlist.Count() - 1)
    name = g_app.playlist.EntryAt(g_app.CurrentIndex);
  std::string position = FormatTime(static_cast<uint32_t>(PositionSeconds()));
  std::string length = FormatTime(static_cast<uint32_t>(LengthSeconds()));

  uint32_t state = BASS_ChannelIsActive(g_app.Channel);
  g_quiet = state == BASS_ACTIVE_STOPPED || state == BASS_ACTIVE_PAUSED;
  switch (state) {
    case BASS_ACTIVE_STOPPED:
      g_platform.tray->Update("Tunlark - остановлено ", IDI_STOPPED);
      break;
    case BASS_ACTIVE_PLAYING:
      AdvanceAtEnd();
      if (!g_app.Mute) {
        ShowPlaying("Tunlark - воспроизведение:\n", name, position, length,
                    VolumeIconId(g_app.Volume));
      } else {
        ShowPlaying("Tunlark - откл. звук:\n", name, position, length, IDI_MUTED);
      }
      break;
    case BASS_ACTIVE_PAUSED:
      g_platform.tray->Update(g_app.Mute ? "Tunlark - пауза | откл. звук " : "Tunlark - пауза ",
                              IDI_PAUSED);
      break;
    default:  // stalled: leave the tray as it is
      break;
  }
  g_lastUpdate = now;
  ++g_duePasses;
}
