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

struct sd_bus;

// Another object served on the server's connection and thread, such as the tray icon. Its calls
// come on the bus thread.
class BusCompanion {
 public:
  virtual ~BusCompanion() = default;
  // Once connected: adds its objects and starts what it asks of the bus.
  virtual void Attach(sd_bus* bus) = 0;
  // At every wake of the thread: takes what the UI thread published for it.
  virtual void Refresh() = 0;
  // When Run ends, also when it never connected (bus null then); the connection is still open.
  virtual void Detach(sd_bus* bus) = 0;
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
  // taken. A bus that goes away later is connected to again (companions detached meanwhile),
  // for some minutes at most.
  void Run();
  // Before Run: a companion to serve on the same connection; it must outlive Run.
  void AddCompanion(BusCompanion* companion);
  // Wakes the bus thread, so that companions take what was published.
  void Wake();
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
