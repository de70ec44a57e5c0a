#include "app/hotkey_registrar_gtk.h"

#include <atomic>
#include <memory>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#include "app/main_loop_gtk.h"
#include "platform/global_hotkeys_x11.h"
#include "platform/platform.h"

namespace {

// The key connection is read on the loop's thread. A watcher thread blocks in poll() on it and
// posts a read to the loop; it waits for that read before polling again, since until then the
// socket stays readable. The watcher is left blocked at exit: the process ends under it.
class X11HotkeyRegistrar : public HotkeyRegistrar {
 public:
  X11HotkeyRegistrar(MainLoop& loop, std::unique_ptr<GlobalKeyGrabs> grabs,
                     std::function<void(int)> pressed)
      : state_(std::make_shared<State>()) {
    state_->loop = &loop;
    state_->grabs = std::move(grabs);
    state_->pressed = std::move(pressed);
    std::thread([state = state_] { Watch(state); }).detach();
  }
  ~X11HotkeyRegistrar() override {
    std::lock_guard<std::mutex> lock(state_->mutex);
    state_->stopped = true;
    state_->drained.notify_all();
  }

  // A grab's round trips may take in presses the socket then no longer shows: they are read
  // after it, on the loop and not inside the registration.
  bool Register(int id, uint32_t modifiers, uint32_t keyCode) override {
    bool grabbed = state_->grabs->Grab(id, modifiers, keyCode);
    state_->loop->Post([state = state_] { Read(state); });
    return grabbed;
  }
  void Unregister(int id) override { state_->grabs->Ungrab(id); }

 private:
  struct State {
    MainLoop* loop = nullptr;
    // Kept while the watcher may wait on its connection, which is until the process ends.
    std::unique_ptr<GlobalKeyGrabs> grabs;
    std::function<void(int)> pressed;
    std::mutex mutex;
    std::condition_variable drained;
    bool reading = false;
    bool stopped = false;
  };

  static void Watch(std::shared_ptr<State> state) {
    while (state->grabs->WaitForInput()) {
      std::unique_lock<std::mutex> lock(state->mutex);
      if (state->stopped) return;
      state->reading = true;
      state->loop->Post([state] { Read(state); });
      state->drained.wait(lock, [&] { return !state->reading || state->stopped; });
      if (state->stopped) return;
    }
  }

  // On the loop's thread. The watcher goes on before the presses run: one may open a dialog,
  // whose loop must still hear the hotkeys.
  static void Read(const std::shared_ptr<State>& state) {
    std::vector<int> ids;
    state->grabs->ReadPresses(
        [](int id, void* context) { static_cast<std::vector<int>*>(context)->push_back(id); },
        &ids);
    {
      std::lock_guard<std::mutex> lock(state->mutex);
      state->reading = false;
      state->drained.notify_all();
      if (state->stopped) return;
    }
    for (int id : ids) state->pressed(id);
  }

  std::shared_ptr<State> state_;
};

}  // namespace

std::unique_ptr<HotkeyRegistrar> CreateX11HotkeyRegistrar(MainLoop& loop,
                                                          std::function<void(int)> pressed) {
  auto grabs = std::make_unique<GlobalKeyGrabs>();
  if (!grabs->Open()) return nullptr;
  return std::make_unique<X11HotkeyRegistrar>(loop, std::move(grabs), std::move(pressed));
}
