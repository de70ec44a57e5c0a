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

// The real title of a track the program names by an alias, "" for any other.
std::u16string LongTitleOf(WidePaths& paths, const std::string& path) {
  std::u16string title = paths.LongName(path);
  size_t dot = title.rfind(u'.');
  if (dot != std::u16string::npos) title.erase(dot);
  return title;
}

}  // namespace

PlaybackMonitor::PlaybackMonitor(Clock& clock, TrayIcon& tray, WidePaths* paths)
    : clock_(&clock), tray_(&tray), paths_(paths) {}

int32_t PlaybackMonitor::MsUntilDue() const {
  if (!started_) return 0;
  int32_t elapsed = static_cast<int32_t>(clock_->TickCount() - lastUpdate_);
  return elapsed > kUpdatePeriodMs ? 0 : kUpdatePeriodMs + 1 - elapsed;
}

int32_t PlaybackMonitor::MsUntilChange() const {
  // A track started since the last pass (an advance) is shown at the next one.
  if (g_app.Channel != shownChannel_) return MsUntilDue();
  double position = HeardSeconds();
  if (position < 0) return MsUntilDue();
  // The tooltip's time moves at the next whole second; the advance comes one period before the
  // end, so that the next track starts as this one's last sound is heard.
  double untilSecond = std::floor(position) + 1 - position;
  double untilEnd = std::max(0.0, RemainingSeconds() - kUpdatePeriodSeconds);
  double wait = std::min(untilSecond, untilEnd);
  int32_t ms = static_cast<int32_t>(std::ceil(wait * 1000)) + 1;
  return std::max(ms, MsUntilDue());
}

bool PlaybackMonitor::Quiet() const {
  return quiet_ && g_app.Channel == shownChannel_;
}

// Asked of the system once per path, not at every pass.
std::u16string PlaybackMonitor::LongTitle(const std::string& path) {
  if (!paths_ || path.empty()) return u"";
  if (path != titledPath_) {
    titledPath_ = path;
    longTitle_ = LongTitleOf(*paths_, path);
  }
  return longTitle_;
}

std::u16string TooltipTitle(const std::string& path) {
  WidePaths* paths = g_platform.paths;
  if (!paths) return u"";
  std::u16string title = path.empty() ? u"" : LongTitleOf(*paths, path);
  if (!title.empty()) return title;
  return paths->Widen(TrackTitle(path));
}

void PlaybackMonitor::ShowPlaying(const std::string& header, const std::string& path,
                                  const std::string& position, const std::string& length,
                                  int icon) {
  if (icon == -1) return;
  std::u16string longTitle = LongTitle(path);
  if (longTitle.empty()) {
    tray_->Update(PlayingTooltip(header, TrackTitle(path), position, length).c_str(), icon);
    return;
  }
  WidePaths& paths = *paths_;
  tray_->UpdateWide(
      PlayingTooltip(paths.Widen(header), longTitle, paths.Widen(position), paths.Widen(length)),
      icon);
}

bool ReachedHeardEnd() {
  // Exact figures, not whole seconds: those would move on with one to two seconds unheard.
  return RemainingSeconds() <= kUpdatePeriodSeconds;
}

// The Repeat and Shuffle rules, once the current track has ended.
void PlaybackMonitor::MoveOn() {
  movedOnFrom_ = g_app.Channel;
  uint32_t count = g_app.playlist.Count();
  if (g_app.Shuffle) {
    if (count == 0) return;
    g_app.CurrentIndex = static_cast<uint32_t>(random_.Next()) % count;
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

void PlaybackMonitor::AdvanceAtEnd() {
  // Short of its end the track counts as playing anew (rewound), and its next end moves on.
  if (!ReachedHeardEnd()) {
    movedOnFrom_ = 0;
  } else if (g_app.Channel != movedOnFrom_) {
    MoveOn();
  }
}

void PlaybackMonitor::Tick() {
  uint32_t now = clock_->TickCount();
  if (!started_) {
    started_ = true;
    lastUpdate_ = now;
  }
  if (static_cast<int32_t>(now - lastUpdate_) <= kUpdatePeriodMs) return;

  // The texts describe the track before any advance below: the next pass shows the new one.
  std::string name;
  if (g_app.playlist.Count() != 0 && g_app.CurrentIndex <= g_app.playlist.Count() - 1)
    name = g_app.playlist.EntryAt(g_app.CurrentIndex);
  std::string position = FormatTime(static_cast<uint32_t>(PositionSeconds()));
  std::string length = FormatTime(static_cast<uint32_t>(LengthSeconds()));

  shownChannel_ = g_app.Channel;
  uint32_t state = BASS_ChannelIsActive(g_app.Channel);
  quiet_ = state == BASS_ACTIVE_STOPPED || state == BASS_ACTIVE_PAUSED;
  switch (state) {
    case BASS_ACTIVE_STOPPED:
      tray_->Update("Tunlark - остановлено ", IDI_STOPPED);
      // A track that played to its end since the last pass moves on once: one that ended
      // between two passes (a modal loop held them back), or whose decoder ran dry before the
      // length it reported. A channel stopped otherwise, or already moved on from, stays so.
      if (TakeChannelEnd(g_app.Channel) && g_app.Channel != movedOnFrom_) MoveOn();
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
      tray_->Update(g_app.Mute ? "Tunlark - пауза | откл. звук " : "Tunlark - пауза ", IDI_PAUSED);
      break;
    default:  // stalled: leave the tray as it is
      break;
  }
  lastUpdate_ = now;
  ++duePasses_;
}
