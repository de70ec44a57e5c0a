#include "playback/monitor.h"

#include <algorithm>
#include <cmath>

#include "core/app_state.h"
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
// The channel the tray describes since the last due pass; another one in g_app.Channel is a
// track the tray does not show yet.
uint32_t g_shownChannel = 0;
// The channel the monitor last moved on from at its end, so that this end moves on only once.
uint32_t g_movedOnFrom = 0;

// The exact heard position and length of the channel in seconds; negative when unknown.
double HeardSeconds() {
  return BASS_ChannelBytes2Seconds(g_app.Channel, BASS_ChannelGetPosition(g_app.Channel));
}

double TrackSeconds() {
  return BASS_ChannelBytes2Seconds(g_app.Channel, BASS_ChannelGetLength(g_app.Channel));
}

// Seconds of the track still to be heard; a large number when either figure is unknown.
double RemainingSeconds() {
  double length = TrackSeconds();
  double position = HeardSeconds();
  return length < 0 || position < 0 ? 1e9 : length - position;
}

constexpr double kUpdatePeriodSeconds = kUpdatePeriodMs / 1000.0;

}  // namespace

void ResetMonitor() {
  g_started = false;
  g_lastUpdate = 0;
  g_duePasses = 0;
  g_quiet = false;
  g_shownChannel = 0;
  g_movedOnFrom = 0;
}

int32_t MonitorMsUntilDue() {
  if (!g_started) return 0;
  int32_t elapsed = static_cast<int32_t>(g_platform.clock->TickCount() - g_lastUpdate);
  return elapsed > kUpdatePeriodMs ? 0 : kUpdatePeriodMs + 1 - elapsed;
}

int32_t MonitorMsUntilChange() {
  // A track started since the last pass (an advance) is shown at the next one.
  if (g_app.Channel != g_shownChannel) return MonitorMsUntilDue();
  double position = HeardSeconds();
  if (position < 0) return MonitorMsUntilDue();
  // The tooltip's time moves at the next whole second; the advance comes one period before the
  // end, so that the next track starts as this one's last sound is heard.
  double untilSecond = std::floor(position) + 1 - position;
  double untilEnd = std::max(0.0, RemainingSeconds() - kUpdatePeriodSeconds);
  double wait = std::min(untilSecond, untilEnd);
  int32_t ms = static_cast<int32_t>(std::ceil(wait * 1000)) + 1;
  return std::max(ms, MonitorMsUntilDue());
}

bool MonitorQuiet() {
  return g_quiet && g_app.Channel == g_shownChannel;
}

uint32_t MonitorDuePasses() {
  return g_duePasses;
}

void VolumeIcon(const std::string& text, int32_t volume) {
  int icon = VolumeIconId(volume);
  if (icon != -1) g_platform.tray->Update(text.c_str(), icon);
}

namespace {

// The real title of a track the program names by an alias, "" for any other. Asked of the
// system once per path, not at every pass.
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

}  // namespace

std::u16string TooltipTitle(const std::string& path) {
  std::u16string title = LongTitle(path);
  if (!title.empty() || !g_platform.paths) return title;
  return g_platform.paths->Widen(TrackTitle(path));
}

namespace {

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

}  // namespace

bool ReachedHeardEnd() {
  // Exact figures, not whole seconds: those would move on with one to two seconds unheard.
  return RemainingSeconds() <= kUpdatePeriodSeconds;
}

namespace {

// The Repeat and Shuffle rules, once the current track has ended.
void MoveOn() {
  g_movedOnFrom = g_app.Channel;
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

}  // namespace

void AdvanceAtEnd() {
  // Short of its end the track counts as playing anew (rewound), and its next end moves on.
  if (!ReachedHeardEnd()) {
    g_movedOnFrom = 0;
  } else if (g_app.Channel != g_movedOnFrom) {
    MoveOn();
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

  g_shownChannel = g_app.Channel;
  uint32_t state = BASS_ChannelIsActive(g_app.Channel);
  g_quiet = state == BASS_ACTIVE_STOPPED || state == BASS_ACTIVE_PAUSED;
  switch (state) {
    case BASS_ACTIVE_STOPPED:
      g_platform.tray->Update("Tunlark - остановлено ", IDI_STOPPED);
      // A track that played to its end since the last pass moves on once: one that ended
      // between two passes (a modal loop held them back), or whose decoder ran dry before the
      // length it reported. A channel stopped otherwise, or already moved on from, stays so.
      if (TakeChannelEnd(g_app.Channel) && g_app.Channel != g_movedOnFrom) MoveOn();
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
