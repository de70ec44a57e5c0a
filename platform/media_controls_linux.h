// The MPRIS server of the Winelib build: org.mpris.MediaPlayer2 and its Player interface on the
// session bus, through sd-bus. Nothing here includes <windows.h>.
//
// Threads: Run is the body of the bus thread, the only one that touches the connection. Any
// thread may call Publish and Stop. Requests leave through the post function, which runs on the
// bus thread and must return at once; the server never calls the player.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/media_controls.h"

struct MediaIdentity {
  std::string busName;       // org.mpris.MediaPlayer2.NAME
  std::string identity;      // the name a desktop shows
  std::string desktopEntry;  // the menu entry's file name without ".desktop"
  std::vector<std::string> mimeTypes;
};

class MediaBusServer {
 public:
  // post gives a request to the UI thread; false when it cannot take one now, which the caller
  // is told as an error.
  MediaBusServer(MediaIdentity identity, std::function<bool(const MediaRequest&)> post);
  ~MediaBusServer();
  MediaBusServer(const MediaBusServer&) = delete;
  MediaBusServer& operator=(const MediaBusServer&) = delete;

  // Connects to the session bus, takes the name and serves until Stop; then releases the name
  // and returns. Returns at once, saying nothing, without a session bus or when the name is
  // taken.
  void Run();
  // The state that replies and signals describe from now on; the bus thread wakes for it.
  void Publish(const MediaState& state);
  void Stop();
  // True once Run has returned: without a bus, or after Stop.
  bool Ended() const;

 private:
  // The connection and what only the bus thread touches, out of sight of the UI thread's files.
  struct Impl;
  std::unique_ptr<Impl> impl_;
};
