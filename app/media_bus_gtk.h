// The native program's media controls: the MPRIS server on the session bus (its own thread, the
// tray's StatusNotifierItem served beside it), the requests carried out on the main loop through
// the command table, and the tracks' tags read on a thread of their own.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

class BusCompanion;
class FrontEnd;
class MainLoop;
struct MediaState;

struct MediaBusHooks {
  FrontEnd* frontEnd = nullptr;
  // Opens a path as a hand-over does.
  std::function<void(const std::string& path)> openPath;
  // True once the exit has begun: requests are refused from then on.
  std::function<bool()> exiting;
  // Told each state handed to the bus (the tray names the track from its tags).
  std::function<void(const MediaState& state)> published;
};

class MediaBus {
 public:
  MediaBus(MainLoop& loop, MediaBusHooks hooks);
  ~MediaBus();
  MediaBus(const MediaBus&) = delete;
  MediaBus& operator=(const MediaBus&) = delete;

  // Starts the bus thread with the companions (null ones left out) on the same connection; silent
  // without a session bus or while another player holds the name. Requests wait until Release.
  void Start(const std::vector<BusCompanion*>& companions);
  void Release();
  // Hands the state to the bus thread when it differs from what it has; cheap when nothing
  // changed.
  void Publish();
  // Wakes the bus thread, so that the companion takes what was published for it.
  void Wake();
  // Releases the name and ends the thread, waiting a bounded time.
  void Stop();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};
