// The player as the desktop's media controls see it: the state published on the bus and the
// requests that come back, carried out through the command table. Portable; each front end hands
// in how it names files and opens paths, and serves the bus itself.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "platform/media_controls.h"

class FrontEnd;
class TagReader;

struct MediaSessionPlatform {
  // The Unix path of a playlist entry; "" when it has none.
  std::function<std::string(const std::string& path)> unixPathOf;
  // The title the tooltip shows for a playlist entry.
  std::function<std::u16string(const std::string& path)> titleOf;
  // The entry that opens the Unix file, which must be a regular file; "" when there is none.
  std::function<std::string(const std::string& unixPath)> fileOfUnixPath;
  // Opens a path as a hand-over does.
  std::function<void(const std::string& path)> openPath;
  // Hands the state to the bus when it changed, after each request.
  std::function<void()> publish;
};

class MediaSession {
 public:
  // tags may be null: the file titles stand then.
  MediaSession(MediaSessionPlatform platform, TagReader* tags);

  // The state as it is now.
  MediaState CurrentState();
  // Runs a request as the menu item or hotkey of the same action does, and counts it.
  void Run(FrontEnd& frontEnd, const MediaRequest& request);
  // The state to publish when it differs from the published one (or its position jumped);
  // false when nothing is to be sent.
  bool TakeStateToPublish(MediaState* state);
  void SetTagReader(TagReader* tags) { tags_ = tags; }

 private:
  struct TrackNames {
    std::string path;
    std::string title;  // UTF-8
    std::string unixPath;
    std::string url;
  };
  const TrackNames& NamesOf(const std::string& path);
  void Command(FrontEnd& frontEnd, int menuId);
  void Hotkey(FrontEnd& frontEnd, int action);
  void SeekBy(FrontEnd& frontEnd, int64_t offsetUs);
  void SetPosition(const MediaRequest& request);
  void OpenUri(const std::string& uri);

  MediaSessionPlatform platform_;
  TagReader* tags_;
  TrackNames names_;
  MediaState published_;
  uint64_t handledRequests_ = 0;
};

// The desktop tray's name for the track: "artist — title" where its tags name an artist; empty,
// for the file title, otherwise.
std::string DesktopTrayTrackName(const MediaState& state);
// The program's name on the bus, with the menu entry's types (each ended by ';').
struct MediaIdentity;
MediaIdentity TunlarkMediaIdentity(const std::string& menuMimeTypes);
