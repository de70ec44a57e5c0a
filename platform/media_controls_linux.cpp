#include "platform/media_controls_linux.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <systemd/sd-bus.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <initializer_list>
#include <mutex>
#include <string>
#include <vector>

namespace {

constexpr char kObjectPath[] = "/org/mpris/MediaPlayer2";
constexpr char kRootInterface[] = "org.mpris.MediaPlayer2";
constexpr char kPlayerInterface[] = "org.mpris.MediaPlayer2.Player";

const char* StatusName(MediaStatus status) {
  switch (status) {
    case MediaStatus::kPlaying:
      return "Playing";
    case MediaStatus::kPaused:
      return "Paused";
    default:
      return "Stopped";
  }
}

// The member names of the Player's methods without arguments.
struct PlainMethod {
  const char* member;
  MediaRequest::Kind kind;
};
constexpr PlainMethod kPlainMethods[] = {
    {"Play", MediaRequest::kPlay},           {"Pause", MediaRequest::kPause},
    {"PlayPause", MediaRequest::kPlayPause}, {"Stop", MediaRequest::kStop},
    {"Next", MediaRequest::kNext},           {"Previous", MediaRequest::kPrevious},
};

int64_t MonotonicUs() {
  timespec now = {};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<int64_t>(now.tv_sec) * 1000000 + now.tv_nsec / 1000;
}

// poll's timeout for sd-bus's own deadline (absolute, CLOCK_MONOTONIC), -1 for none.
int PollTimeoutMs(sd_bus* bus) {
  uint64_t until = 0;
  if (sd_bus_get_timeout(bus, &until) < 0 || until == UINT64_MAX) return -1;
  int64_t left = static_cast<int64_t>(until) - MonotonicUs();
  if (left <= 0) return 0;
  return left / 1000 > 60000 ? 60000 : static_cast<int>((left + 999) / 1000);
}

int AppendStrings(sd_bus_message* reply, const char* key, const std::vector<std::string>& texts) {
  if (texts.empty()) return 0;
  std::vector<char*> list;
  for (const std::string& text : texts) list.push_back(const_cast<char*>(text.c_str()));
  list.push_back(nullptr);
  int r = sd_bus_message_open_container(reply, 'e', "sv");
  if (r >= 0) r = sd_bus_message_append(reply, "s", key);
  if (r >= 0) r = sd_bus_message_open_container(reply, 'v', "as");
  if (r >= 0) r = sd_bus_message_append_strv(reply, list.data());
  if (r >= 0) r = sd_bus_message_close_container(reply);
  if (r >= 0) r = sd_bus_message_close_container(reply);
  return r;
}

// The tags' entries of Metadata beside the title: only those the file has.
int AppendTags(sd_bus_message* reply, const TrackTags& tags) {
  int r = AppendStrings(reply, "xesam:artist", tags.artists);
  if (r >= 0) r = AppendStrings(reply, "xesam:albumArtist", tags.albumArtists);
  if (r >= 0) r = AppendStrings(reply, "xesam:genre", tags.genres);
  if (r >= 0 && !tags.album.empty())
    r = sd_bus_message_append(reply, "{sv}", "xesam:album", "s", tags.album.c_str());
  if (r >= 0 && tags.trackNumber > 0)
    r = sd_bus_message_append(reply, "{sv}", "xesam:trackNumber", "i", tags.trackNumber);
  if (r >= 0 && tags.discNumber > 0)
    r = sd_bus_message_append(reply, "{sv}", "xesam:discNumber", "i", tags.discNumber);
  if (r >= 0 && !tags.artUrl.empty())
    r = sd_bus_message_append(reply, "{sv}", "mpris:artUrl", "s", tags.artUrl.c_str());
  return r;
}

int AppendMetadata(const MediaState& state, sd_bus_message* reply) {
  int r = sd_bus_message_open_container(reply, 'a', "{sv}");
  if (r >= 0) r = sd_bus_message_append(reply, "{sv}", "mpris:trackid", "o", state.trackId.c_str());
  if (r >= 0 && !state.title.empty())
    r = sd_bus_message_append(reply, "{sv}", "xesam:title", "s", state.title.c_str());
  if (r >= 0 && state.lengthUs > 0)
    r = sd_bus_message_append(reply, "{sv}", "mpris:length", "x",
                              static_cast<int64_t>(state.lengthUs));
  if (r >= 0 && !state.url.empty())
    r = sd_bus_message_append(reply, "{sv}", "xesam:url", "s", state.url.c_str());
  if (r >= 0) r = AppendTags(reply, state.tags);
  if (r >= 0) r = sd_bus_message_close_container(reply);
  return r;
}

// What a property's value is read from.
struct PropertySource {
  const MediaIdentity& identity;
  const MediaState& state;
};

int AppendFlag(sd_bus_message* reply, bool flag) {
  return sd_bus_message_append(reply, "b", flag ? 1 : 0);
}

// One property of an interface: a row is all there is to it. A row that emits a change must
// have a row of the same name in kMediaStateProperties, which says when it changed. A row
// without a setter is read-only; a setter reads the value given into the request the UI thread
// carries out.
struct PropertyRow {
  const char* name;
  const char* signature;
  uint64_t flags;  // SD_BUS_VTABLE_PROPERTY_*
  int (*append)(const PropertySource& source, sd_bus_message* reply);
  int (*set)(sd_bus_message* value, MediaRequest* request);
};

constexpr uint64_t kConst = SD_BUS_VTABLE_PROPERTY_CONST;
constexpr uint64_t kEmitsChange = SD_BUS_VTABLE_PROPERTY_EMITS_CHANGE;

std::vector<PropertyRow> RootProperties() {
  return {
      {"Identity", "s", kConst,
       [](const PropertySource& s, sd_bus_message* reply) {
         return sd_bus_message_append(reply, "s", s.identity.identity.c_str());
       },
       nullptr},
      {"DesktopEntry", "s", kConst,
       [](const PropertySource& s, sd_bus_message* reply) {
         return sd_bus_message_append(reply, "s", s.identity.desktopEntry.c_str());
       },
       nullptr},
      {"CanQuit", "b", kConst,
       [](const PropertySource&, sd_bus_message* r) { return AppendFlag(r, true); }, nullptr},
      {"CanRaise", "b", kConst,
       [](const PropertySource&, sd_bus_message* r) { return AppendFlag(r, false); }, nullptr},
      {"HasTrackList", "b", kConst,
       [](const PropertySource&, sd_bus_message* r) { return AppendFlag(r, false); }, nullptr},
      {"SupportedUriSchemes", "as", kConst,
       [](const PropertySource&, sd_bus_message* reply) {
         return sd_bus_message_append(reply, "as", 1, "file");
       },
       nullptr},
      {"SupportedMimeTypes", "as", kConst,
       [](const PropertySource& s, sd_bus_message* reply) {
         std::vector<char*> types;
         for (const std::string& type : s.identity.mimeTypes)
           types.push_back(const_cast<char*>(type.c_str()));
         types.push_back(nullptr);
         return sd_bus_message_append_strv(reply, types.data());
       },
       nullptr},
  };
}

int AppendRate(const PropertySource&, sd_bus_message* reply) {
  return sd_bus_message_append(reply, "d", 1.0);
}

std::vector<PropertyRow> PlayerProperties() {
  return {
      {"PlaybackStatus", "s", kEmitsChange,
       [](const PropertySource& s, sd_bus_message* reply) {
         return sd_bus_message_append(reply, "s", StatusName(s.state.status));
       },
       nullptr},
      {"Metadata", "a{sv}", kEmitsChange,
       [](const PropertySource& s, sd_bus_message* reply) {
         return AppendMetadata(s.state, reply);
       },
       nullptr},
      {"Volume", "d", kEmitsChange,
       [](const PropertySource& s, sd_bus_message* reply) {
         return sd_bus_message_append(reply, "d", s.state.volume);
       },
       [](sd_bus_message* value, MediaRequest* request) {
         request->kind = MediaRequest::kSetVolume;
         return sd_bus_message_read(value, "d", &request->volume);
       }},
      // Read when asked, never signalled: a jump is told by Seeked.
      {"Position", "x", 0,
       [](const PropertySource& s, sd_bus_message* reply) {
         return sd_bus_message_append(
             reply, "x", static_cast<int64_t>(MediaPositionAt(s.state, MediaClockUs())));
       },
       nullptr},
      {"Rate", "d", kConst, AppendRate, nullptr},
      {"MinimumRate", "d", kConst, AppendRate, nullptr},
      {"MaximumRate", "d", kConst, AppendRate, nullptr},
      {"CanGoNext", "b", kEmitsChange,
       [](const PropertySource& s, sd_bus_message* r) { return AppendFlag(r, s.state.canGoNext); },
       nullptr},
      {"CanGoPrevious", "b", kEmitsChange,
       [](const PropertySource& s, sd_bus_message* r) {
         return AppendFlag(r, s.state.canGoPrevious);
       },
       nullptr},
      {"CanPlay", "b", kEmitsChange,
       [](const PropertySource& s, sd_bus_message* r) { return AppendFlag(r, s.state.canPlay); },
       nullptr},
      {"CanPause", "b", kEmitsChange,
       [](const PropertySource& s, sd_bus_message* r) { return AppendFlag(r, s.state.canPause); },
       nullptr},
      {"CanSeek", "b", kEmitsChange,
       [](const PropertySource& s, sd_bus_message* r) { return AppendFlag(r, s.state.canSeek); },
       nullptr},
      {"CanControl", "b", kConst,
       [](const PropertySource&, sd_bus_message* r) { return AppendFlag(r, true); }, nullptr},
  };
}

// An interface's vtable: its methods, then a property for each row, then its signals. False for a
// row without a getter, or one that emits a change but has no state row to say when.
bool BuildVtable(std::initializer_list<sd_bus_vtable> methods, const std::vector<PropertyRow>& rows,
                 sd_bus_property_get_t get, sd_bus_property_set_t set,
                 std::initializer_list<sd_bus_vtable> signals, std::vector<sd_bus_vtable>* vtable) {
  vtable->clear();
  vtable->push_back(SD_BUS_VTABLE_START(0));
  vtable->insert(vtable->end(), methods);
  for (const PropertyRow& row : rows) {
    if (!row.append || ((row.flags & kEmitsChange) && MediaChangeBitOf(row.name) == 0)) {
      vtable->clear();
      return false;
    }
    if (row.set)
      vtable->push_back(SD_BUS_WRITABLE_PROPERTY(row.name, row.signature, get, set, 0, row.flags));
    else
      vtable->push_back(SD_BUS_PROPERTY(row.name, row.signature, get, 0, row.flags));
  }
  vtable->insert(vtable->end(), signals);
  vtable->push_back(SD_BUS_VTABLE_END);
  return true;
}

const PropertyRow* RowNamed(const std::vector<PropertyRow>& rows, const char* name) {
  for (const PropertyRow& row : rows)
    if (strcmp(row.name, name) == 0) return &row;
  return nullptr;
}

}  // namespace

struct MediaBusServer::Impl {
  Impl(MediaIdentity identity, std::function<bool(const MediaRequest&)> post)
      : identity_(std::move(identity)), post_(std::move(post)) {}

  void Run();
  void Publish(const MediaState& state);
  void Stop();
  bool BuildVtables();
  bool Connect();
  // True when Stop ended it, false when the bus went away.
  bool ServeUntilStopped();
  // Connects again after the bus went away: true once connected, false when Stop came first or
  // every attempt failed.
  bool Reconnect();
  // Sleeps until ms have passed; false when Stop came first.
  bool SleepUnlessStopped(int ms);
  void TakePublished();
  void AnswerHandled(uint64_t handled);
  void RefuseLeft();
  void Wake();

  static int OnMethod(sd_bus_message* call, void* self, sd_bus_error* error);
  static int OnRootMethod(sd_bus_message* call, void* self, sd_bus_error* error);
  static int GetProperty(sd_bus* bus, const char* path, const char* interfaceName,
                         const char* property, sd_bus_message* reply, void* self,
                         sd_bus_error* error);
  static int SetProperty(sd_bus* bus, const char* path, const char* interfaceName,
                         const char* property, sd_bus_message* value, void* self,
                         sd_bus_error* error);
  int Submit(sd_bus_message* call, const MediaRequest& request, sd_bus_error* error);
  const PropertyRow* RowOf(const char* interfaceName, const char* property) const {
    return RowNamed(
        strcmp(interfaceName, kRootInterface) == 0 ? rootProperties_ : playerProperties_, property);
  }

  MediaIdentity identity_;
  std::function<bool(const MediaRequest&)> post_;
  int wake_ = -1;  // an eventfd: Publish and Stop write to it
  std::atomic<bool> ended_{false};
  const std::vector<PropertyRow> rootProperties_ = RootProperties();
  const std::vector<PropertyRow> playerProperties_ = PlayerProperties();

  std::mutex mutex_;  // guards published_, hasPublished_ and stopping_
  MediaState published_;
  bool hasPublished_ = false;
  bool stopping_ = false;

  // The bus thread's own.
  sd_bus* bus_ = nullptr;
  MediaState current_;
  PendingCalls<sd_bus_message*> pending_;
  std::vector<BusCompanion*> companions_;
  std::vector<sd_bus_vtable> rootVtable_;
  std::vector<sd_bus_vtable> playerVtable_;
};

MediaBusServer::MediaBusServer(MediaIdentity identity,
                               std::function<bool(const MediaRequest&)> post)
    : impl_(std::make_unique<Impl>(std::move(identity), std::move(post))) {
  impl_->wake_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
}

MediaBusServer::~MediaBusServer() {
  if (impl_->wake_ >= 0) close(impl_->wake_);
}

void MediaBusServer::Run() {
  impl_->Run();
}

void MediaBusServer::Publish(const MediaState& state) {
  impl_->Publish(state);
}

void MediaBusServer::Stop() {
  impl_->Stop();
}

void MediaBusServer::AddCompanion(BusCompanion* companion) {
  impl_->companions_.push_back(companion);
}

void MediaBusServer::Wake() {
  impl_->Wake();
}

bool MediaBusServer::Ended() const {
  return impl_->ended_;
}

void MediaBusServer::Impl::Publish(const MediaState& state) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    published_ = state;
    hasPublished_ = true;
  }
  Wake();
}

void MediaBusServer::Impl::Stop() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  Wake();
}

void MediaBusServer::Impl::Wake() {
  uint64_t one = 1;
  if (wake_ >= 0 && write(wake_, &one, sizeof one) < 0) {
    // Full only when the bus thread has not read it for 2^64 wakes: it is awake anyway.
  }
}

void MediaBusServer::Impl::Run() {
  if (wake_ < 0 || !Connect()) {
    for (BusCompanion* companion : companions_) companion->Detach(nullptr);
    ended_ = true;
    return;
  }
  for (;;) {
    for (BusCompanion* companion : companions_) companion->Attach(bus_);
    bool stopped = ServeUntilStopped();
    // What the UI thread carried out last, then nobody is left waiting for an answer that will
    // not come.
    TakePublished();
    RefuseLeft();
    for (BusCompanion* companion : companions_) companion->Detach(bus_);
    sd_bus_release_name(bus_, identity_.busName.c_str());
    bus_ = sd_bus_flush_close_unref(bus_);
    if (stopped || !Reconnect()) break;
  }
  ended_ = true;
}

// A session bus restarted (a crashed daemon, a new session's) comes back within seconds; one
// that does not is given up after some minutes rather than tried for the rest of the run.
bool MediaBusServer::Impl::Reconnect() {
  constexpr int kAttempts = 20;
  constexpr int kLongestWaitMs = 30000;
  int waitMs = 1000;
  for (int attempt = 0; attempt < kAttempts; ++attempt) {
    if (!SleepUnlessStopped(waitMs)) return false;
    if (Connect()) return true;
    waitMs = std::min(2 * waitMs, kLongestWaitMs);
  }
  return false;
}

bool MediaBusServer::Impl::SleepUnlessStopped(int ms) {
  int64_t until = MonotonicUs() + static_cast<int64_t>(ms) * 1000;
  for (;;) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (stopping_) return false;
    }
    int64_t left = until - MonotonicUs();
    if (left <= 0) return true;
    // Publish wakes it too: only Stop ends the sleep early.
    pollfd wake = {wake_, POLLIN, 0};
    if (poll(&wake, 1, static_cast<int>((left + 999) / 1000)) > 0) {
      uint64_t count = 0;
      if (read(wake_, &count, sizeof count) < 0) {
        // EAGAIN: another read took it.
      }
    }
  }
}

// Built once: sd-bus keeps pointing into the vtables of every connection made. False when a
// change would be announced for a property the Player does not have.
bool MediaBusServer::Impl::BuildVtables() {
  for (size_t i = 0; i < kMediaStatePropertyCount; ++i) {
    const PropertyRow* row = RowNamed(playerProperties_, kMediaStateProperties[i].name);
    if (!row || !(row->flags & kEmitsChange)) return false;
  }
  return BuildVtable({SD_BUS_METHOD("Raise", "", "", OnRootMethod, 0),
                      SD_BUS_METHOD("Quit", "", "", OnRootMethod, 0)},
                     rootProperties_, GetProperty, SetProperty, {}, &rootVtable_) &&
         BuildVtable(
             {
                 SD_BUS_METHOD("Play", "", "", OnMethod, 0),
                 SD_BUS_METHOD("Pause", "", "", OnMethod, 0),
                 SD_BUS_METHOD("PlayPause", "", "", OnMethod, 0),
                 SD_BUS_METHOD("Stop", "", "", OnMethod, 0),
                 SD_BUS_METHOD("Next", "", "", OnMethod, 0),
                 SD_BUS_METHOD("Previous", "", "", OnMethod, 0),
                 SD_BUS_METHOD_WITH_NAMES("Seek", "x", SD_BUS_PARAM(Offset), "", , OnMethod, 0),
                 SD_BUS_METHOD_WITH_NAMES("SetPosition", "ox",
                                          SD_BUS_PARAM(TrackId) SD_BUS_PARAM(Position), "", ,
                                          OnMethod, 0),
                 SD_BUS_METHOD_WITH_NAMES("OpenUri", "s", SD_BUS_PARAM(Uri), "", , OnMethod, 0),
             },
             playerProperties_, GetProperty, SetProperty,
             {SD_BUS_SIGNAL_WITH_NAMES("Seeked", "x", SD_BUS_PARAM(Position), 0)}, &playerVtable_);
}

bool MediaBusServer::Impl::Connect() {
  if (playerVtable_.empty() && !BuildVtables()) return false;
  if (sd_bus_open_user(&bus_) < 0) {
    bus_ = nullptr;
    return false;
  }
  bool ready = sd_bus_add_object_vtable(bus_, nullptr, kObjectPath, kRootInterface,
                                        rootVtable_.data(), this) >= 0 &&
               sd_bus_add_object_vtable(bus_, nullptr, kObjectPath, kPlayerInterface,
                                        playerVtable_.data(), this) >= 0 &&
               // Without SD_BUS_NAME_QUEUE: a name another copy holds fails at once.
               sd_bus_request_name(bus_, identity_.busName.c_str(), 0) >= 0;
  if (!ready) bus_ = sd_bus_flush_close_unref(bus_);
  return ready;
}

// Sleeps in poll on the connection and the eventfd: nothing wakes the thread while nothing
// changes on either side. Between two messages it takes what the UI thread published, so that
// answers keep flowing during a flood and the calls waiting for one stay few.
bool MediaBusServer::Impl::ServeUntilStopped() {
  for (;;) {
    int processed = sd_bus_process(bus_, nullptr);
    if (processed < 0) return false;  // the bus went away
    TakePublished();
    for (BusCompanion* companion : companions_) companion->Refresh();
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (stopping_) return true;
    }
    if (processed > 0) continue;
    int events = sd_bus_get_events(bus_);
    int fd = sd_bus_get_fd(bus_);
    if (events < 0 || fd < 0) return false;
    pollfd watched[2] = {{fd, static_cast<short>(events), 0}, {wake_, POLLIN, 0}};
    if (poll(watched, 2, PollTimeoutMs(bus_)) < 0 && errno != EINTR) return false;
    if (watched[1].revents & POLLIN) {
      uint64_t count = 0;
      if (read(wake_, &count, sizeof count) < 0) {
        // EAGAIN: another read took it.
      }
    }
  }
}

void MediaBusServer::Impl::TakePublished() {
  MediaState next;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!hasPublished_) return;
    next = published_;
    hasPublished_ = false;
  }
  uint32_t changed = ChangedMediaProperties(current_, next);
  bool seeked = next.seeks != current_.seeks;
  current_ = next;
  if (changed != 0) {
    std::vector<std::string> names = MediaPropertyNames(changed);
    std::vector<char*> list;
    for (std::string& name : names) list.push_back(name.data());
    list.push_back(nullptr);
    sd_bus_emit_properties_changed_strv(bus_, kObjectPath, kPlayerInterface, list.data());
  }
  if (seeked) {
    sd_bus_emit_signal(bus_, kObjectPath, kPlayerInterface, "Seeked", "x",
                       static_cast<int64_t>(MediaPositionAt(current_, MediaClockUs())));
  }
  // After the signals: a caller that has its answer also finds the new state.
  AnswerHandled(current_.handledRequests);
}

void MediaBusServer::Impl::AnswerHandled(uint64_t handled) {
  for (sd_bus_message* call : pending_.TakeDone(handled)) {
    sd_bus_reply_method_return(call, nullptr);
    sd_bus_message_unref(call);
  }
}

// An error, not a success: a launcher whose OpenUri was never carried out starts a player of its
// own instead of taking the file for opened.
void MediaBusServer::Impl::RefuseLeft() {
  for (sd_bus_message* call : pending_.TakeLeft()) {
    sd_bus_reply_method_errorf(call, SD_BUS_ERROR_FAILED, "The player is exiting");
    sd_bus_message_unref(call);
  }
}

int MediaBusServer::Impl::Submit(sd_bus_message* call, const MediaRequest& request,
                                 sd_bus_error* error) {
  if (!post_(request))
    return sd_bus_error_set(error, SD_BUS_ERROR_LIMITS_EXCEEDED, "Too many requests at once");
  // Answered once the UI thread reports the request carried out.
  pending_.Add(sd_bus_message_ref(call));
  return 1;
}

int MediaBusServer::Impl::OnMethod(sd_bus_message* call, void* self, sd_bus_error* error) {
  auto* server = static_cast<Impl*>(self);
  const char* member = sd_bus_message_get_member(call);
  MediaRequest request;
  int read = 0;
  if (strcmp(member, "Seek") == 0) {
    request.kind = MediaRequest::kSeek;
    read = sd_bus_message_read(call, "x", &request.offsetUs);
  } else if (strcmp(member, "SetPosition") == 0) {
    const char* trackId = nullptr;
    request.kind = MediaRequest::kSetPosition;
    read = sd_bus_message_read(call, "ox", &trackId, &request.positionUs);
    if (read >= 0) request.trackId = trackId;
  } else if (strcmp(member, "OpenUri") == 0) {
    const char* uri = nullptr;
    request.kind = MediaRequest::kOpenUri;
    read = sd_bus_message_read(call, "s", &uri);
    if (read >= 0) request.uri = uri;
  } else {
    bool known = false;
    for (const PlainMethod& method : kPlainMethods) {
      if (strcmp(member, method.member) == 0) {
        request.kind = method.kind;
        known = true;
      }
    }
    if (!known) return sd_bus_error_set(error, SD_BUS_ERROR_UNKNOWN_METHOD, member);
  }
  if (read < 0) return read;
  return server->Submit(call, request, error);
}

int MediaBusServer::Impl::OnRootMethod(sd_bus_message* call, void* self, sd_bus_error* error) {
  auto* server = static_cast<Impl*>(self);
  // Raise: the player has no window to show (CanRaise is false).
  if (strcmp(sd_bus_message_get_member(call), "Quit") != 0)
    return sd_bus_reply_method_return(call, nullptr);
  MediaRequest request;
  request.kind = MediaRequest::kQuit;
  return server->Submit(call, request, error);
}

int MediaBusServer::Impl::SetProperty(sd_bus*, const char*, const char* interfaceName,
                                      const char* property, sd_bus_message* value, void* self,
                                      sd_bus_error* error) {
  auto* server = static_cast<Impl*>(self);
  const PropertyRow* row = server->RowOf(interfaceName, property);
  if (!row || !row->set) return sd_bus_error_set(error, SD_BUS_ERROR_PROPERTY_READ_ONLY, property);
  MediaRequest request;
  int read = row->set(value, &request);
  if (read < 0) return read;
  // A property is answered by sd-bus as soon as this returns; the change follows as a signal.
  if (!server->post_(request))
    return sd_bus_error_set(error, SD_BUS_ERROR_LIMITS_EXCEEDED, "Too many requests at once");
  server->pending_.Add(nullptr);
  return 1;
}

int MediaBusServer::Impl::GetProperty(sd_bus*, const char*, const char* interfaceName,
                                      const char* property, sd_bus_message* reply, void* self,
                                      sd_bus_error* error) {
  auto* server = static_cast<Impl*>(self);
  const PropertyRow* row = server->RowOf(interfaceName, property);
  if (!row) return sd_bus_error_set(error, SD_BUS_ERROR_UNKNOWN_PROPERTY, property);
  return row->append(PropertySource{server->identity_, server->current_}, reply);
}
