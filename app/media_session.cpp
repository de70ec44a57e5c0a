#include "app/media_session.h"

#include <algorithm>
#include <cmath>

#include "app/commands.h"
#include "core/app_state.h"
#include "platform/media_controls_linux.h"
#include "platform/tag_reader.h"
#include "platform/wide_paths.h"
#include "playback/engine/audio_engine.h"
#include "playback/player.h"
#include "playback/seeking.h"
#include "resources/resource_ids.h"
#include "settings/config_file.h"
#include "settings/hotkeys.h"

namespace {

// A heard position this far off the published one is a jump (announced) rather than drift.
constexpr int64_t kJumpToleranceUs = 300000;
constexpr int64_t kRewindStepUs = 2000000;

int64_t Microseconds(double seconds) {
  return seconds > 0 ? std::llround(seconds * 1e6) : 0;
}

MediaStatus StatusOf(uint32_t active) {
  if (active == BASS_ACTIVE_PAUSED) return MediaStatus::kPaused;
  if (active == BASS_ACTIVE_STOPPED) return MediaStatus::kStopped;
  return MediaStatus::kPlaying;  // a stalled channel is still playing, waiting for data
}

}  // namespace

MediaSession::MediaSession(MediaSessionPlatform platform, TagReader* tags)
    : platform_(std::move(platform)), tags_(tags) {}

// Asked of the system once per path, not at every pass.
const MediaSession::TrackNames& MediaSession::NamesOf(const std::string& path) {
  if (path != names_.path) {
    names_.path = path;
    names_.title = EncodeUtf8(platform_.titleOf(path));
    names_.unixPath = platform_.unixPathOf(path);
    names_.url = names_.unixPath.empty() ? "" : FileUriOfPath(names_.unixPath);
  }
  return names_;
}

MediaState MediaSession::CurrentState() {
  MediaState state;
  uint32_t channel = g_app.Channel;
  state.status = StatusOf(BASS_ChannelIsActive(channel));
  uint32_t count = g_app.playlist.Count();
  bool hasEntry = count != 0 && g_app.CurrentIndex <= count - 1;
  if (hasEntry) {
    const TrackNames& names = NamesOf(g_app.playlist.EntryAt(g_app.CurrentIndex));
    state.title = names.title;
    state.url = names.url;
    // Until the reader has the tags the file title stands; their arrival wakes the loop.
    if (tags_ && !names.unixPath.empty() && tags_->Find(names.unixPath, &state.tags) &&
        !state.tags.title.empty())
      state.title = state.tags.title;
  }
  // The engine never gives a handle twice, so each channel opened is a new track.
  if (channel != 0) state.trackId = "/org/tunlark/Track/" + std::to_string(channel);
  state.lengthUs = Microseconds(BASS_ChannelBytes2Seconds(channel, BASS_ChannelGetLength(channel)));
  // What is heard: nothing while Mute is on, as the tray shows it.
  int32_t volume = g_app.Volume < 0 ? 0 : g_app.Volume > 100 ? 100 : g_app.Volume;
  state.volume = g_app.Mute ? 0.0 : volume / 100.0;
  state.canPlay = state.canPause = hasEntry;
  state.canGoNext = state.canGoPrevious = count != 0;
  state.canSeek = channel != 0 && state.lengthUs > 0;
  state.positionUs =
      Microseconds(BASS_ChannelBytes2Seconds(channel, BASS_ChannelGetPosition(channel)));
  state.positionAtUs = MediaClockUs();
  state.handledRequests = handledRequests_;
  return state;
}

bool MediaSession::TakeStateToPublish(MediaState* state) {
  *state = CurrentState();
  if (!MediaStateToPublish(published_, state, kJumpToleranceUs)) return false;
  published_ = *state;
  return true;
}

// A request runs the command of the menu item or hotkey of the same action, and publishes
// what it changed right after it, as the window procedure does after a command.
void MediaSession::Command(FrontEnd& frontEnd, int menuId) {
  RunMenuCommand(menuId, frontEnd);
  platform_.publish();
}

void MediaSession::Hotkey(FrontEnd& frontEnd, int action) {
  RunHotkeyAction(static_cast<HotkeyActionIndex>(action), frontEnd);
  platform_.publish();
}

void MediaSession::SeekBy(FrontEnd& frontEnd, int64_t offsetUs) {
  if (offsetUs == -kRewindStepUs) return Hotkey(frontEnd, kActionRewindB);
  if (offsetUs == kRewindStepUs) return Hotkey(frontEnd, kActionRewindF);
  MediaState state = CurrentState();
  if (!state.canSeek) return;
  int64_t target = SeekTargetUs(state.positionUs, offsetUs);
  // Past the end is the next track, before the start the start.
  if (target >= state.lengthUs) return Command(frontEnd, IDM_NEXT);
  SilencedSeekTo(target < 0 ? 0 : target / 1e6);
}

void MediaSession::SetPosition(const MediaRequest& request) {
  MediaState state = CurrentState();
  if (!state.canSeek || request.trackId != state.trackId) return;
  if (request.positionUs < 0 || request.positionUs > state.lengthUs) return;
  SilencedSeekTo(request.positionUs / 1e6);
}

// As a hand-over of the file would; a URI that names no file is ignored as a missing file is.
void MediaSession::OpenUri(const std::string& uri) {
  std::string unixPath;
  if (!PathOfFileUri(uri, &unixPath)) return;
  std::string path = platform_.fileOfUnixPath(unixPath);
  if (!path.empty()) platform_.openPath(path);
}

void MediaSession::Run(FrontEnd& frontEnd, const MediaRequest& request) {
  ++handledRequests_;
  MediaStatus status = StatusOf(BASS_ChannelIsActive(g_app.Channel));
  int32_t level = 0;
  switch (request.kind) {
    case MediaRequest::kPlay:
    case MediaRequest::kPause:
    case MediaRequest::kPlayPause:
      switch (PlayActionOf(request.kind, status)) {
        case MediaPlayAction::kPlayCurrent:
          return Command(frontEnd, IDM_PLAY);
        case MediaPlayAction::kTogglePause:
          return Hotkey(frontEnd, kActionPause);
        default:
          return;
      }
    case MediaRequest::kStop:
      return Command(frontEnd, IDM_STOP);
    case MediaRequest::kNext:
      return Command(frontEnd, IDM_NEXT);
    case MediaRequest::kPrevious:
      return Command(frontEnd, IDM_PREVIOUS);
    case MediaRequest::kSeek:
      return SeekBy(frontEnd, request.offsetUs);
    case MediaRequest::kSetPosition:
      return SetPosition(request);
    case MediaRequest::kOpenUri:
      return OpenUri(request.uri);
    case MediaRequest::kSetVolume:
      if (VolumeLevelOf(request.volume, &level)) SetVolume(level, ConfigFileSaver());
      return;
    case MediaRequest::kQuit:
      return Command(frontEnd, IDM_EXIT);
  }
}

std::string DesktopTrayTrackName(const MediaState& state) {
  const std::vector<std::string>& artists = state.tags.artists;
  bool namesArtist =
      std::any_of(artists.begin(), artists.end(), [](const std::string& a) { return !a.empty(); });
  return namesArtist ? ArtistDashTitle(state.tags, state.title) : "";
}

MediaIdentity TunlarkMediaIdentity(const std::string& menuMimeTypes) {
  MediaIdentity identity = {"org.mpris.MediaPlayer2.tunlark", "Tunlark", "tunlark", {}};
  for (size_t start = 0; start < menuMimeTypes.size();) {
    size_t end = std::min(menuMimeTypes.find(';', start), menuMimeTypes.size());
    if (end > start) identity.mimeTypes.push_back(menuMimeTypes.substr(start, end - start));
    start = end + 1;
  }
  return identity;
}
