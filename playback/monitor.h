// The idle-time step of the main loop: keeps the tray in line with the playback state and moves
// on at the end of a track by the Repeat and Shuffle rules.
#pragma once

#include <cstdint>
#include <string>

#include "playback/shuffle_random.h"

class Clock;
class TrayIcon;
class WidePaths;

// One per run of the main loop, which owns it: its tick counts, what it last showed and the
// shuffle generator are the run's.
class PlaybackMonitor {
 public:
  // paths may be null where paths are Unix paths in UTF-8.
  PlaybackMonitor(Clock& clock, TrayIcon& tray, WidePaths* paths);

  // The idle pass: at most every 50 ms shows the state in the tray and moves on at a track's end.
  void Tick();
  void AdvanceAtEnd();
  // For the main loop's idle wait: milliseconds until the next pass is due (0 when it is due
  // now).
  int32_t MsUntilDue() const;
  // While a channel plays: milliseconds until a pass can show something new: the heard position
  // reaching its next whole second, or the track the point where the monitor moves on; never
  // before the next pass is due. A channel that ends or stalls on its own is told by the engine.
  int32_t MsUntilChange() const;
  // True when the last due pass found the channel stopped or paused. Nothing changes in those
  // states without a window message, so the loop may then wait for a message alone.
  bool Quiet() const;
  // Counts the due passes, so the loop can tell whether one has run since it last dispatched.
  uint32_t DuePasses() const { return duePasses_; }

 private:
  void MoveOn();
  void ShowPlaying(const std::string& header, const std::string& path, const std::string& position,
                   const std::string& length, int icon);
  std::u16string LongTitle(const std::string& path);

  Clock* clock_;
  TrayIcon* tray_;
  WidePaths* paths_;
  ShuffleRandom random_;
  bool started_ = false;
  uint32_t lastUpdate_ = 0;
  uint32_t duePasses_ = 0;
  bool quiet_ = false;  // the last due pass saw a stopped or paused channel
  // The channel the tray describes since the last due pass; another one in g_app.Channel is a
  // track the tray does not show yet.
  uint32_t shownChannel_ = 0;
  // The channel the monitor last moved on from at its end, so that this end moves on only once.
  uint32_t movedOnFrom_ = 0;
  // The real title of the last path asked, so that the system is asked once per path.
  std::string titledPath_;
  std::u16string longTitle_;
};

// The title the tooltip shows for path, in UTF-16: the real name where the program knows the file
// by an alias. "" without the platform's wide paths.
std::u16string TooltipTitle(const std::string& path);
// True when the heard position is within one monitor period of the track's end (or past it).
bool ReachedHeardEnd();
