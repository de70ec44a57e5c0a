#include "app/main_loop_gtk.h"

#include <glib-unix.h>

#include <utility>

#include "playback/monitor.h"

namespace {

struct Watched {
  MainLoop* loop;
  std::function<void()> onReadable;
};

struct Posted {
  MainLoop* loop;
  std::function<void()> work;
};

}  // namespace

MainLoop::MainLoop(PlaybackMonitor& monitor, std::function<void()> afterPass)
    : loop_(g_main_loop_new(nullptr, FALSE)),
      monitor_(&monitor),
      afterPass_(std::move(afterPass)) {}

MainLoop::~MainLoop() {
  if (passSource_) g_source_remove(passSource_);
  g_main_loop_unref(loop_);
}

void MainLoop::Run() {
  Wake();
  g_main_loop_run(loop_);
}

void MainLoop::Quit() {
  g_main_loop_quit(loop_);
}

void MainLoop::Wake() {
  passOwed_ = true;
  if (passSource_) g_source_remove(passSource_);
  passSource_ = g_idle_add(PassNow, this);
}

gboolean MainLoop::PassNow(gpointer self) {
  auto* loop = static_cast<MainLoop*>(self);
  loop->passSource_ = 0;
  loop->Pass();
  return G_SOURCE_REMOVE;
}

gboolean MainLoop::PassDue(gpointer self) {
  return PassNow(self);
}

void MainLoop::Pass() {
  uint32_t passes = monitor_->DuePasses();
  monitor_->Tick();
  afterPass_();
  if (monitor_->DuePasses() != passes) passOwed_ = false;
  // After a wake a pass is owed within the period. Otherwise a playing channel is looked at again
  // only when what the tray shows can change (its next whole second, the point where the monitor
  // moves on) or when the engine says its state changed by itself; a stopped or paused one only
  // after a wake.
  int32_t timeout = passOwed_           ? monitor_->MsUntilDue()
                    : monitor_->Quiet() ? -1
                                        : monitor_->MsUntilChange();
  if (passSource_) g_source_remove(passSource_);
  passSource_ = 0;
  if (timeout < 0) return;
  passSource_ = timeout == 0 ? g_idle_add(PassNow, this)
                             : g_timeout_add(static_cast<guint>(timeout), PassDue, this);
}

void MainLoop::Watch(int fd, std::function<void()> onReadable) {
  auto* watched = new Watched{this, std::move(onReadable)};
  g_unix_fd_add_full(
      G_PRIORITY_DEFAULT, fd, G_IO_IN,
      [](gint, GIOCondition condition, gpointer data) -> gboolean {
        auto* watched = static_cast<Watched*>(data);
        if (condition & (G_IO_ERR | G_IO_HUP | G_IO_NVAL)) return G_SOURCE_REMOVE;
        watched->onReadable();
        watched->loop->Wake();
        return G_SOURCE_CONTINUE;
      },
      watched, [](gpointer data) { delete static_cast<Watched*>(data); });
}

void MainLoop::Post(std::function<void()> work) {
  auto* posted = new Posted{this, std::move(work)};
  // g_idle_add is the one GLib call meant for other threads: it wakes the loop's context.
  g_idle_add_full(
      G_PRIORITY_DEFAULT,
      [](gpointer data) -> gboolean {
        auto* posted = static_cast<Posted*>(data);
        posted->work();
        posted->loop->Wake();
        return G_SOURCE_REMOVE;
      },
      posted, [](gpointer data) { delete static_cast<Posted*>(data); });
}
