#include "app/media_bus_gtk.h"

#include <sys/stat.h>

#include <chrono>
#include <cstdlib>
#include <future>
#include <thread>

#include "app/main_loop_gtk.h"
#include "app/media_session.h"
#include "app/menu_mime_types.h"
#include "platform/cover_cache.h"
#include "platform/file_system.h"
#include "platform/media_controls_linux.h"
#include "platform/tag_reader.h"
#include "platform/thread_starter.h"
#include "platform/track_tags_linux.h"
#include "platform/unix_files_x11.h"
#include "platform/wide_paths.h"
#include "platform/tag_text.h"

namespace {

// Enough for any burst a person or a desktop sends; a flood beyond it is refused with an error.
constexpr size_t kRequestCapacity = 64;
// A bus that does not answer must not hold up the exit.
constexpr auto kStopWait = std::chrono::seconds(3);

// The title of a track named by its Unix path (its bytes UTF-8, or else read as the code page):
// the name after the last '/', which may hold a backslash, less its last extension.
std::u16string UnixTrackTitle(const std::string& path) {
  std::string title = path.substr(path.rfind('/') + 1);
  size_t dot = title.rfind('.');
  if (dot != std::string::npos) title.erase(dot);
  std::u16string text;
  if (DecodeUtf8(title, &text) || DecodeUtf8(Windows1251ToUtf8(title), &text)) return text;
  return u"";
}

std::string RegularFile(const std::string& unixPath) {
  struct stat status = {};
  if (stat(unixPath.c_str(), &status) != 0 || !S_ISREG(status.st_mode)) return "";
  return unixPath;
}

}  // namespace

// What the bus thread uses. Left alive when the thread does not end in time at exit, so that it
// never touches freed memory.
struct BusThreadState {
  BusThreadState(MainLoop& loop, std::function<void()> run)
      : requests(kRequestCapacity),
        server(TunlarkMediaIdentity(kMenuMimeTypes), [this, &loop, run](const MediaRequest& r) {
          return requests.Push(r, [&loop, run] {
            loop.Post(run);
            return true;
          });
        }) {}
  MediaRequestQueue requests;
  MediaBusServer server;
  std::promise<void> ended;
};

struct MediaBus::Impl {
  Impl(MainLoop& loop, MediaBusHooks hooks)
      : loop(loop),
        hooks(std::move(hooks)),
        session({[](const std::string& path) { return path; }, UnixTrackTitle, RegularFile,
                 this->hooks.openPath, [this] { Publish(); }},
                nullptr) {}

  void RunRequests() {
    if (!bus || hooks.exiting()) return;
    for (const MediaRequest& request : bus->requests.TakeAll()) {
      // A Quit among them: the rest stay uncounted, and so are refused.
      if (hooks.exiting()) break;
      session.Run(*hooks.frontEnd, request);
    }
    Publish();
  }

  void Publish() {
    if (!bus || bus->server.Ended()) return;
    MediaState state;
    if (!session.TakeStateToPublish(&state)) return;
    bus->server.Publish(state);
    hooks.published(state);
  }

  MainLoop& loop;
  MediaBusHooks hooks;
  MediaSession session;
  BusThreadState* bus = nullptr;
  std::unique_ptr<TagReader> tagReader;
  std::future<void> ended;
};

MediaBus::MediaBus(MainLoop& loop, MediaBusHooks hooks)
    : impl_(std::make_unique<Impl>(loop, std::move(hooks))) {}

MediaBus::~MediaBus() {
  Stop();
}

void MediaBus::Start(const std::vector<BusCompanion*>& companions) {
  Impl* impl = impl_.get();
  impl->bus = new BusThreadState(impl->loop, [impl] { impl->RunRequests(); });
  impl->bus->requests.Hold();
  for (BusCompanion* companion : companions)
    if (companion) impl->bus->server.AddCompanion(companion);
  impl->ended = impl->bus->ended.get_future();
  std::thread([bus = impl->bus] {
    bus->server.Run();
    bus->ended.set_value();
  }).detach();

  ReadSingleByteTagsInCodePage();
  std::string coverFolder = CoverCacheFolder(getenv("XDG_CACHE_HOME"), getenv("HOME"));
  auto read = [coverFolder](const std::string& unixPath) {
    return ReadTrackTags(UnixFiles(), unixPath, coverFolder);
  };
  // On the reader's thread: the new tags are published by the pass the wake brings.
  MainLoop* loop = &impl->loop;
  impl->tagReader =
      std::make_unique<TagReader>(StdThreadStarter(), read, [loop] { loop->Post([] {}); });
  impl->session.SetTagReader(impl->tagReader.get());
  MediaState state;
  impl->session.TakeStateToPublish(&state);
  impl->bus->server.Publish(state);
}

void MediaBus::Release() {
  Impl* impl = impl_.get();
  if (impl->bus && impl->bus->requests.Release()) impl->loop.Post([impl] { impl->RunRequests(); });
}

void MediaBus::Publish() {
  impl_->Publish();
}

void MediaBus::Wake() {
  if (impl_->bus) impl_->bus->server.Wake();
}

void MediaBus::Stop() {
  Impl* impl = impl_.get();
  if (!impl->bus) return;
  impl->session.SetTagReader(nullptr);
  impl->tagReader.reset();
  impl->bus->server.Stop();
  if (impl->ended.wait_for(kStopWait) == std::future_status::ready) delete impl->bus;
  impl->bus = nullptr;
}
