// The native program's main loop: GLib's, with the monitor's rules of the Win32 loop. After
// anything that happened (a wake) a monitor pass is owed within its period; while a channel
// plays, the next pass comes when what the tray shows can change; while stopped or paused the
// loop sleeps until something wakes it, with no timer at all.
#pragma once

#include <glib.h>

#include <functional>

class PlaybackMonitor;

class MainLoop {
 public:
  // Runs the monitor's passes; afterPass runs after each (publishing the state to the desktop).
  MainLoop(PlaybackMonitor& monitor, std::function<void()> afterPass);
  ~MainLoop();
  MainLoop(const MainLoop&) = delete;
  MainLoop& operator=(const MainLoop&) = delete;

  void Run();
  void Quit();
  // Something happened on the loop's thread: a pass is owed.
  void Wake();
  // Calls onReadable on the loop's thread whenever fd can be read, then wakes.
  void Watch(int fd, std::function<void()> onReadable);
  // From any thread: runs work on the loop's thread, then wakes.
  void Post(std::function<void()> work);

 private:
  static gboolean PassNow(gpointer self);
  static gboolean PassDue(gpointer self);
  void Pass();

  GMainLoop* loop_;
  PlaybackMonitor* monitor_;
  std::function<void()> afterPass_;
  bool passOwed_ = true;
  guint passSource_ = 0;  // the idle or timeout source of the next pass; 0 for none
};
