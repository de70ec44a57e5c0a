#include "app/media_controls_win32.h"

#if defined(TUNLARK_WINELIB)
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>

#include "core/app_state.h"
#include "app/commands.h"
#include "app/front_end_win32.h"
#include "app/menu_mime_types.h"
#include "app/shell_win32.h"
#include "app/status_notifier_win32.h"
#include "platform/media_controls.h"
#include "platform/cover_cache.h"
#include "platform/media_controls_linux.h"
#include "platform/tag_reader.h"
#include "platform/thread_starter_win32.h"
#include "platform/track_tags_linux.h"
#include "platform/unix_files_x11.h"
#include "platform/wide_paths.h"
#include "platform/wide_paths_win32.h"
#include "playback/engine/audio_engine.h"
#include "playback/monitor.h"
#include "playback/player.h"
#include "playback/seeking.h"
#include "resources/resource_ids.h"
#include "settings/config_file.h"
#include "settings/hotkeys.h"

namespace {

// Enough for any burst a person or a desktop sends; a flood beyond it is refused with an error.
constexpr size_t kRequestCapacity = 64;
// A heard position this far off the published one is a jump (announced) rather than drift.
constexpr int64_t kJumpToleranceUs = 300000;
constexpr int64_t kRewindStepUs = 2000000;

MediaIdentity TunlarkIdentity() {
  MediaIdentity identity = {"org.mpris.MediaPlayer2.tunlark", "Tunlark", "tunlark", {}};
  // The types of the installed menu entry, each ended by ';'.
  std::string types = kMenuMimeTypes;
  for (size_t start = 0; start < types.size();) {
    size_t end = std::min(types.find(';', start), types.size());
    if (end > start) identity.mimeTypes.push_back(types.substr(start, end - start));
    start = end + 1;
  }
  return identity;
}

// Everything the bus thread uses. Freed once the thread has ended; a thread that does not end
// in time at exit keeps it until the process is gone, so that it never touches freed memory.
struct MediaBus {
  explicit MediaBus(HWND window)
      : window(window),
        requests(kRequestCapacity),
        server(TunlarkIdentity(), [this](const MediaRequest& request) { return Post(request); }) {}
  // On the bus thread.
  bool Post(const MediaRequest& request) {
    return requests.Push(request,
                         [this] { return PostMessageA(window, kMediaRequestMessage, 0, 0) != 0; });
  }

  HWND window;
  MediaRequestQueue requests;
  MediaBusServer server;
};

MediaBus* g_bus = nullptr;
HANDLE g_thread = nullptr;
MediaState g_published;
uint64_t g_handledRequests = 0;
TagReader* g_tagReader = nullptr;

void StartTagReader(HWND window) {
  ReadSingleByteTagsInCodePage();
  std::string coverFolder = CoverCacheFolder(getenv("XDG_CACHE_HOME"), getenv("HOME"));
  auto read = [coverFolder](const std::string& unixPath) {
    return ReadTrackTags(UnixFiles(), unixPath, coverFolder);
  };
  // Runs on the reader's thread, a Win32 one: the new tags are published as a request's effect.
  auto wake = [window] { PostMessageA(window, kMediaRequestMessage, 0, 0); };
  // A normal priority: reading tags must never take the mixing thread's turn.
  g_tagReader = new TagReader(Win32ThreadStarter(THREAD_PRIORITY_NORMAL), read, wake);
}

DWORD WINAPI ServeBus(void* bus) {
  static_cast<MediaBus*>(bus)->server.Run();
  return 0;
}

// --- the state ---------------------------------------------------------------------------

// The Unix path of a track, with the real name where the program knows it by an alias.
std::string UnixPathOf(const std::string& path) {
  std::u16string wide = WidenAnsi(path);
  WCHAR longPath[4096];
  DWORD length = GetLongPathNameW(reinterpret_cast<const WCHAR*>(wide.c_str()), longPath, 4096);
  // Wine finds no Unix file for a long name Windows forbids, but does for its alias.
  char* unixPath = nullptr;
  if (length > 0 && length < 4096) unixPath = wine_get_unix_file_name(longPath);
  if (!unixPath) unixPath = wine_get_unix_file_name(reinterpret_cast<const WCHAR*>(wide.c_str()));
  if (!unixPath) return "";
  std::string result(unixPath);
  HeapFree(GetProcessHeap(), 0, unixPath);
  return result;
}

struct TrackNames {
  std::string path;
  std::string title;  // UTF-8
  std::string unixPath;
  std::string url;
};

// Asked of the system once per path, not at every pass.
const TrackNames& NamesOf(const std::string& path) {
  static TrackNames names;
  if (path != names.path) {
    names.path = path;
    names.title = EncodeUtf8(TooltipTitle(path));
    names.unixPath = UnixPathOf(path);
    names.url = names.unixPath.empty() ? "" : FileUriOfPath(names.unixPath);
  }
  return names;
}

int64_t Microseconds(double seconds) {
  return seconds > 0 ? std::llround(seconds * 1e6) : 0;
}

MediaStatus StatusOf(uint32_t active) {
  if (active == BASS_ACTIVE_PAUSED) return MediaStatus::kPaused;
  if (active == BASS_ACTIVE_STOPPED) return MediaStatus::kStopped;
  return MediaStatus::kPlaying;  // a stalled channel is still playing, waiting for data
}

MediaState CurrentState() {
  MediaState state;
  uint32_t channel = g_app.Channel;
  state.status = StatusOf(BASS_ChannelIsActive(channel));
  uint32_t count = g_app.playlist.Count();
  bool hasEntry = count != 0 && g_app.CurrentIndex <= count - 1;
  if (hasEntry) {
    const TrackNames& names = NamesOf(g_app.playlist.EntryAt(g_app.CurrentIndex));
    state.title = names.title;
    state.url = names.url;
    // Until the reader has the tags the file title stands; their arrival wakes the window.
    if (g_tagReader && !names.unixPath.empty() && g_tagReader->Find(names.unixPath, &state.tags) &&
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
  state.handledRequests = g_handledRequests;
  return state;
}

// The desktop tray's name for the track: "artist — title" where its tags name an artist; empty,
// for the file title, otherwise.
std::string DesktopTrayTrackName(const MediaState& state) {
  const std::vector<std::string>& artists = state.tags.artists;
  bool namesArtist =
      std::any_of(artists.begin(), artists.end(), [](const std::string& a) { return !a.empty(); });
  return namesArtist ? ArtistDashTitle(state.tags, state.title) : "";
}

// The current entry's title as the tray's tooltip shows it; empty without one.
std::u16string CurrentFileTitle() {
  uint32_t count = g_app.playlist.Count();
  if (count == 0 || g_app.CurrentIndex > count - 1) return u"";
  return TooltipTitle(g_app.playlist.EntryAt(g_app.CurrentIndex));
}

// --- the requests ------------------------------------------------------------------------

// A request runs the command of the menu item or hotkey of the same action, and publishes
// what it changed right after it, as the window procedure does after a command.
void Command(FrontEnd& frontEnd, int id) {
  RunMenuCommand(id, frontEnd);
  PublishMediaState();
}

void Hotkey(FrontEnd& frontEnd, HotkeyActionIndex action) {
  RunHotkeyAction(action, frontEnd);
  PublishMediaState();
}

void SeekBy(FrontEnd& frontEnd, int64_t offsetUs) {
  if (offsetUs == -kRewindStepUs) return Hotkey(frontEnd, kActionRewindB);
  if (offsetUs == kRewindStepUs) return Hotkey(frontEnd, kActionRewindF);
  MediaState state = CurrentState();
  if (!state.canSeek) return;
  int64_t target = SeekTargetUs(state.positionUs, offsetUs);
  // Past the end is the next track, before the start the start.
  if (target >= state.lengthUs) return Command(frontEnd, IDM_NEXT);
  SilencedSeekTo(target < 0 ? 0 : target / 1e6);
}

void SetPosition(const MediaRequest& request) {
  MediaState state = CurrentState();
  if (!state.canSeek || request.trackId != state.trackId) return;
  if (request.positionUs < 0 || request.positionUs > state.lengthUs) return;
  SilencedSeekTo(request.positionUs / 1e6);
}

// As a hand-over of the file would; a URI that names no file is ignored as a missing file is.
void OpenUri(const std::string& uri) {
  std::string unixPath;
  if (!PathOfFileUri(uri, &unixPath)) return;
  // Named as the program can open it: a name Windows forbids by its alias.
  std::string path = Win32WidePaths()->FromUnix(unixPath);
  DWORD attributes = path.empty() ? INVALID_FILE_ATTRIBUTES : GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) return;
  OpenHandedOverPath(path);
}

void RunRequest(FrontEnd& frontEnd, const MediaRequest& request) {
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

}  // namespace

void StartMediaControls(HWND window, BusCompanion* companion) {
  g_bus = new MediaBus(window);
  g_bus->requests.Hold();
  if (companion) g_bus->server.AddCompanion(companion);
  // CreateThread, not std::thread: the thread posts to the window, a Win32 call.
  g_thread = CreateThread(nullptr, 0, ServeBus, g_bus, 0, nullptr);
  if (!g_thread) {
    delete g_bus;
    g_bus = nullptr;
    return;
  }
  StartTagReader(window);
  g_published = CurrentState();
  g_bus->server.Publish(g_published);
}

void RunMediaRequests(HWND window) {
  if (!g_bus || ExitRequested()) return;
  Win32FrontEnd frontEnd(window);
  for (const MediaRequest& request : g_bus->requests.TakeAll()) {
    // A Quit among them: the rest stay uncounted, and so are refused.
    if (ExitRequested()) break;
    RunRequest(frontEnd, request);
    ++g_handledRequests;
  }
  PublishMediaState();
}

void ReleaseMediaRequests(HWND window) {
  if (g_bus && g_bus->requests.Release()) PostMessageA(window, kMediaRequestMessage, 0, 0);
}

void PublishMediaState() {
  // Without a bus the thread has ended and nothing is built at all.
  if (!g_bus || g_bus->server.Ended()) return;
  MediaState state = CurrentState();
  if (!MediaStateToPublish(g_published, &state, kJumpToleranceUs)) return;
  g_published = state;
  g_bus->server.Publish(state);
  // Tags that arrive after the track started come this way too (the reader wakes the window).
  NameTrackInDesktopTray(DesktopTrayTrackName(state), CurrentFileTitle());
}

void WakeMediaControls() {
  if (g_bus) g_bus->server.Wake();
}

void StopMediaControls() {
  if (!g_bus) return;
  delete g_tagReader;
  g_tagReader = nullptr;
  g_bus->server.Stop();
  // Bounded: a bus that does not answer must not hold up the exit.
  if (WaitForSingleObject(g_thread, 3000) == WAIT_OBJECT_0) delete g_bus;
  g_bus = nullptr;
  CloseHandle(g_thread);
  g_thread = nullptr;
}

#else

void StartMediaControls(HWND, BusCompanion*) {}
void WakeMediaControls() {}
void RunMediaRequests(HWND) {}
void ReleaseMediaRequests(HWND) {}
void PublishMediaState() {}
void StopMediaControls() {}

#endif
