#include "app/media_controls_win32.h"

#if defined(TUNLARK_WINELIB)
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>

#include "core/app_state.h"
#include "app/front_end_win32.h"
#include "app/media_session.h"
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

// Everything the bus thread uses. Freed once the thread has ended; a thread that does not end
// in time at exit keeps it until the process is gone, so that it never touches freed memory.
struct MediaBus {
  explicit MediaBus(HWND window)
      : window(window),
        requests(kRequestCapacity),
        server(TunlarkMediaIdentity(kMenuMimeTypes),
               [this](const MediaRequest& request) { return Post(request); }) {}
  // On the bus thread.
  bool Post(const MediaRequest& request) {
    return requests.Push(request,
                         [this] { return PostMessageA(window, kMediaRequestMessage, 0, 0) != 0; });
  }

  HWND window;
  MediaRequestQueue requests;
  MediaBusServer server;
};

// The bus with its thread and the tag reader that feeds it.
struct MediaControls {
  MediaBus* bus = nullptr;
  HANDLE thread = nullptr;
  TagReader* tagReader = nullptr;
};

// One per process, as the bus thread is: the window procedure and PublishMediaState's callers
// reach it through free functions.
MediaControls g_controls;

TagReader* StartTagReader(HWND window) {
  ReadSingleByteTagsInCodePage();
  std::string coverFolder = CoverCacheFolder(getenv("XDG_CACHE_HOME"), getenv("HOME"));
  auto read = [coverFolder](const std::string& unixPath) {
    return ReadTrackTags(UnixFiles(), unixPath, coverFolder);
  };
  // Runs on the reader's thread, a Win32 one: the new tags are published as a request's effect.
  auto wake = [window] { PostMessageA(window, kMediaRequestMessage, 0, 0); };
  // A normal priority: reading tags must never take the mixing thread's turn.
  return new TagReader(Win32ThreadStarter(THREAD_PRIORITY_NORMAL), read, wake);
}

DWORD WINAPI ServeBus(void* bus) {
  static_cast<MediaBus*>(bus)->server.Run();
  return 0;
}

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

// Named as the program can open it: a name Windows forbids by its alias.
std::string FileOfUnixPath(const std::string& unixPath) {
  std::string path = Win32WidePaths()->FromUnix(unixPath);
  DWORD attributes = path.empty() ? INVALID_FILE_ATTRIBUTES : GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) return "";
  return path;
}

// One per process, as the bus thread is: the window procedure reaches it through free functions.
MediaSession& Session() {
  static MediaSession session(
      {UnixPathOf, TooltipTitle, FileOfUnixPath, OpenHandedOverPath, PublishMediaState}, nullptr);
  return session;
}

// The current entry's title as the tray's tooltip shows it; empty without one.
std::u16string CurrentFileTitle() {
  uint32_t count = g_app.playlist.Count();
  if (count == 0 || g_app.CurrentIndex > count - 1) return u"";
  return TooltipTitle(g_app.playlist.EntryAt(g_app.CurrentIndex));
}

}  // namespace

void StartMediaControls(HWND window, BusCompanion* companion) {
  g_controls.bus = new MediaBus(window);
  g_controls.bus->requests.Hold();
  if (companion) g_controls.bus->server.AddCompanion(companion);
  // CreateThread, not std::thread: the thread posts to the window, a Win32 call.
  g_controls.thread = CreateThread(nullptr, 0, ServeBus, g_controls.bus, 0, nullptr);
  if (!g_controls.thread) {
    delete g_controls.bus;
    g_controls.bus = nullptr;
    return;
  }
  g_controls.tagReader = StartTagReader(window);
  Session().SetTagReader(g_controls.tagReader);
  MediaState state;
  Session().TakeStateToPublish(&state);
  g_controls.bus->server.Publish(state);
}

void RunMediaRequests(HWND window) {
  if (!g_controls.bus || ExitRequested()) return;
  Win32FrontEnd frontEnd(window);
  for (const MediaRequest& request : g_controls.bus->requests.TakeAll()) {
    // A Quit among them: the rest stay uncounted, and so are refused.
    if (ExitRequested()) break;
    Session().Run(frontEnd, request);
  }
  PublishMediaState();
}

void ReleaseMediaRequests(HWND window) {
  if (g_controls.bus && g_controls.bus->requests.Release())
    PostMessageA(window, kMediaRequestMessage, 0, 0);
}

void PublishMediaState() {
  // Without a bus the thread has ended and nothing is built at all.
  if (!g_controls.bus || g_controls.bus->server.Ended()) return;
  MediaState state;
  if (!Session().TakeStateToPublish(&state)) return;
  g_controls.bus->server.Publish(state);
  // Tags that arrive after the track started come this way too (the reader wakes the window).
  NameTrackInDesktopTray(DesktopTrayTrackName(state), CurrentFileTitle());
}

void WakeMediaControls() {
  if (g_controls.bus) g_controls.bus->server.Wake();
}

void StopMediaControls() {
  if (!g_controls.bus) return;
  Session().SetTagReader(nullptr);
  delete g_controls.tagReader;
  g_controls.tagReader = nullptr;
  g_controls.bus->server.Stop();
  // Bounded: a bus that does not answer must not hold up the exit.
  if (WaitForSingleObject(g_controls.thread, 3000) == WAIT_OBJECT_0) delete g_controls.bus;
  g_controls.bus = nullptr;
  CloseHandle(g_controls.thread);
  g_controls.thread = nullptr;
}

#else

void StartMediaControls(HWND, BusCompanion*) {}
void WakeMediaControls() {}
void RunMediaRequests(HWND) {}
void ReleaseMediaRequests(HWND) {}
void PublishMediaState() {}
void StopMediaControls() {}

#endif
