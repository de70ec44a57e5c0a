#include "playback/engine/output_pulse_linux.h"

#include <poll.h>
#include <pulse/pulseaudio.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <vector>

namespace {

using SteadyClock = std::chrono::steady_clock;

// What the server holds ahead of the speaker, and how much it asks for at a time: the mixing
// thread wakes once per request and writes it in one piece, four times a second. The buffer's
// length delays nothing a person hears: a seek, a pause or a volume change drops it and the engine
// mixes it again. The server's own latency comes on top, so the buffer stays below what the
// channels keep to mix again.
constexpr uint32_t kBufferMs = 1000;
constexpr uint32_t kMaxBufferBlocks = kMaxQueuedBlocks - 20;
constexpr uint32_t kRequestsPerBuffer = 4;
// What the server waits for before it starts playing, after a start, a flush or a stall. Until
// the server holds one request's worth the mixed blocks go out one by one, so a new track or a
// seek is heard once its first blocks are mixed, not a whole request.
constexpr uint32_t kStartMs = 40;
constexpr auto kConnectTimeout = std::chrono::seconds(3);
// A reconnect runs on the main thread at every play command while the server is gone: a server
// that is there answers within milliseconds, and one that is not must not hold the player up.
// The next play command tries again.
constexpr auto kReconnectTimeout = std::chrono::milliseconds(250);
// The longest the mixing thread sleeps without a word from the server before it looks again.
constexpr uint32_t kLongestWaitMs = 200;
// Timing updates while playing: often at first, after a start, a flush or a stall, so that the
// position follows the server at once, then less and less.
constexpr pa_usec_t kFirstTimingUs = 10 * PA_USEC_PER_MSEC;
constexpr pa_usec_t kLongestTimingUs = 1500 * PA_USEC_PER_MSEC;

class PulseOutput : public AudioOutput {
 public:
  explicit PulseOutput(ThreadStarter threads) : threads_(std::move(threads)) {}
  ~PulseOutput() override { Close(); }

  bool Open(uint32_t rate, uint32_t channels, uint32_t blockFrames) override {
    rate_ = rate;
    channels_ = channels;
    uint32_t bufferFrames =
        std::min<uint32_t>(rate * kBufferMs / 1000, blockFrames * kMaxBufferBlocks);
    bufferBytes_ = bufferFrames * FrameBytes();
    requestBytes_ = bufferBytes_ / kRequestsPerBuffer / FrameBytes() * FrameBytes();
    uint32_t startFrames = std::max(rate * kStartMs / 1000, blockFrames);
    startBytes_ = std::min(startFrames * FrameBytes(), requestBytes_);
    return Connect(kConnectTimeout);
  }

  void Close() override { Disconnect(); }

  bool Failed() override {
    std::lock_guard<std::mutex> lock(mutex_);
    return failed_;
  }

  bool Reopen() override {
    Disconnect();
    return Connect(kReconnectTimeout);
  }

  bool WaitForSpace(uint32_t frameCount, uint32_t timeoutMs) override {
    // The server's requests and its state changes wake this thread; the engine's own timeout (its
    // mixing period) would only wake it for nothing.
    auto deadline = SteadyClock::now() +
                    std::chrono::milliseconds(std::max<uint32_t>(timeoutMs, kLongestWaitMs));
    std::unique_lock<std::mutex> lock(mutex_);
    size_t needed = static_cast<size_t>(frameCount) * FrameBytes();
    for (;;) {
      if (failed_ || !StreamReady()) {
        failed_ = true;
        return false;
      }
      if (WritableBytes() >= PendingBytes() + needed) return true;
      // No room for more: what was gathered goes to the server before this thread sleeps.
      SendPending();
      if (WritableBytes() >= needed) return true;
      if (wake_.wait_until(lock, deadline) == std::cv_status::timeout) return false;
    }
  }

  void Write(const float* frames, uint32_t frameCount) override {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!StreamReady()) return;
    pending_.insert(pending_.end(), frames, frames + static_cast<size_t>(frameCount) * channels_);
    writtenSinceDiscard_ += frameCount;
    underflow_ = false;
    // Until the server can start, each block goes at once; then, until it holds a request's
    // worth, in pieces of the start's size; then a request at a time. Each write takes a block of
    // the shared memory pool, so fewer, larger ones keep fewer of its pages in use.
    size_t sent = SentBytes();
    if (sent < startBytes_ ||
        PendingBytes() >= (sent < requestBytes_ ? startBytes_ : requestBytes_))
      SendPending();
  }

  uint32_t QueuedFrames() override {
    std::lock_guard<std::mutex> lock(mutex_);
    uint64_t queued = writtenSinceDiscard_;
    pa_usec_t latency = 0;
    int negative = 0;
    // Until the server has told where its indexes stand after a flush, everything written since
    // counts as queued: at most a moment's error, never a frame reported heard too early.
    if (StreamReady() && pa_stream_get_latency(stream_, &latency, &negative) == 0) {
      uint64_t inServer = negative ? 0 : latency * rate_ / 1000000;
      queued = std::min<uint64_t>(queued, inServer + PendingBytes() / FrameBytes());
    }
    return static_cast<uint32_t>(std::min<uint64_t>(queued, UINT32_MAX));
  }

  void Discard() override {
    std::lock_guard<std::mutex> lock(mutex_);
    pending_.clear();
    writtenSinceDiscard_ = 0;
    underflow_ = false;
    if (!StreamReady()) return;
    Forget(pa_stream_flush(stream_, nullptr, nullptr));
    // The mixing thread may wait for room: the server's next request, which follows the flush at
    // once, wakes it.
    wake_.notify_all();
    // The flush leaves the indexes unknown: only an answer asked for after it tells them.
    Forget(timing_);
    timing_ = nullptr;
    FollowTiming();
  }

  void SetActive(bool active) override {
    std::lock_guard<std::mutex> lock(mutex_);
    active_ = active;
    if (!StreamReady()) return;
    if (active) {
      // A dry spell while nothing played is no stall of what plays now.
      underflow_ = false;
      CancelDrain();
      if (corked_) Forget(pa_stream_cork(stream_, 0, nullptr, nullptr));
      corked_ = false;
      FollowTiming();
      return;
    }
    if (corked_ || drain_) return;
    // Nothing more comes: what is queued is played out, even when it is shorter than what the
    // server waits for before it starts, and then the stream is corked, so that a stopped player
    // keeps neither the server's sink nor itself awake.
    SendPending();
    drain_ = pa_stream_drain(stream_, OnDrained, this);
    if (!drain_) Cork();
  }

  bool Starved() override {
    std::lock_guard<std::mutex> lock(mutex_);
    return active_ && underflow_ && writtenSinceDiscard_ > 0;
  }

 private:
  uint32_t FrameBytes() const { return channels_ * sizeof(float); }
  size_t PendingBytes() const { return pending_.size() * sizeof(float); }
  // Call with mutex_ held.
  size_t SentBytes() const { return writtenSinceDiscard_ * FrameBytes() - PendingBytes(); }
  // Call with mutex_ held. After a flush the room comes with the server's next request, a round
  // trip later. Writing ahead of it was tried: a burst of track changes then filled the shared
  // memory pool with audio flushed unheard, and the player kept those pages.
  size_t WritableBytes() const {
    size_t writable = pa_stream_writable_size(stream_);
    return writable == static_cast<size_t>(-1) ? 0 : writable;
  }
  // Call with mutex_ held.
  bool StreamReady() const { return stream_ && pa_stream_get_state(stream_) == PA_STREAM_READY; }
  static void Forget(pa_operation* operation) {
    if (operation) pa_operation_unref(operation);
  }

  // Call with mutex_ held. libpulse's own timing updates would run on a timer for as long as the
  // stream lives, playing or not, and wake a stopped player every 1.5 s; these run only while the
  // engine plays.
  void RequestTiming() {
    if (timing_ && pa_operation_get_state(timing_) == PA_OPERATION_RUNNING) return;
    Forget(timing_);
    timing_ = StreamReady() ? pa_stream_update_timing_info(stream_, nullptr, nullptr) : nullptr;
  }
  // Call with mutex_ held: asks now, and again soon.
  void FollowTiming() {
    RequestTiming();
    timingIntervalUs_ = kFirstTimingUs;
    ArmTimingTimer();
    // The loop's thread may sleep in poll with no timeout: it must see the new one.
    pa_mainloop_wakeup(mainloop_);
  }
  void ArmTimingTimer() {
    pa_usec_t at = pa_rtclock_now() + timingIntervalUs_;
    if (timingTimer_) {
      pa_context_rttime_restart(context_, timingTimer_, at);
    } else {
      timingTimer_ = pa_context_rttime_new(context_, at, OnTimingTimer, this);
    }
    timingIntervalUs_ = std::min(timingIntervalUs_ * 2, kLongestTimingUs);
  }

  // Call with mutex_ held.
  void Cork() {
    Forget(pa_stream_cork(stream_, 1, nullptr, nullptr));
    corked_ = true;
  }
  void CancelDrain() {
    if (!drain_) return;
    pa_operation_cancel(drain_);
    pa_operation_unref(drain_);
    drain_ = nullptr;
  }

  // Call with mutex_ held.
  void SendPending() {
    if (pending_.empty() || !StreamReady()) return;
    if (pa_stream_write(stream_, pending_.data(), PendingBytes(), nullptr, 0, PA_SEEK_RELATIVE) <
        0) {
      failed_ = true;
    }
    pending_.clear();
  }

  bool Connect(SteadyClock::duration timeout) {
    mainloop_ = pa_mainloop_new();
    if (!mainloop_) return false;
    pa_mainloop_set_poll_func(mainloop_, PollUnlocked, this);
    std::unique_lock<std::mutex> lock(mutex_);
    failed_ = false;
    underflow_ = false;
    pending_.clear();
    writtenSinceDiscard_ = 0;
    corked_ = true;
    pa_proplist* properties = pa_proplist_new();
    pa_proplist_sets(properties, PA_PROP_APPLICATION_NAME, "Tunlark");
    pa_proplist_sets(properties, PA_PROP_APPLICATION_ICON_NAME, "tunlark");
    pa_proplist_sets(properties, PA_PROP_MEDIA_ROLE, "music");
    context_ = pa_context_new_with_proplist(pa_mainloop_get_api(mainloop_), "Tunlark", properties);
    pa_proplist_free(properties);
    if (!context_) return FailConnect(lock);
    pa_context_set_state_callback(context_, OnContextState, this);
    // A missing server is a missing device: starting one is not the player's business.
    if (pa_context_connect(context_, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0)
      return FailConnect(lock);
    thread_ = threads_.start ? threads_.start([this] { RunLoop(); }) : nullptr;
    if (!thread_) return FailConnect(lock);
    auto deadline = SteadyClock::now() + timeout;
    if (!wake_.wait_until(lock, deadline, [this] { return ContextSettled(); }) ||
        pa_context_get_state(context_) != PA_CONTEXT_READY) {
      return FailConnect(lock);
    }

    pa_sample_spec format = {};
    format.format = PA_SAMPLE_FLOAT32NE;
    format.rate = rate_;
    format.channels = static_cast<uint8_t>(channels_);
    pa_channel_map map;
    pa_channel_map_init_auto(&map, channels_, PA_CHANNEL_MAP_DEFAULT);
    stream_ = pa_stream_new(context_, "Tunlark", &format, &map);
    if (!stream_) return FailConnect(lock);
    pa_stream_set_state_callback(stream_, OnStreamState, this);
    pa_stream_set_write_callback(stream_, OnRequest, this);
    pa_stream_set_underflow_callback(stream_, OnUnderflow, this);
    pa_stream_set_started_callback(stream_, OnStarted, this);
    pa_buffer_attr attr;
    attr.maxlength = static_cast<uint32_t>(-1);
    attr.tlength = bufferBytes_;
    attr.prebuf = startBytes_;
    attr.minreq = requestBytes_;
    attr.fragsize = static_cast<uint32_t>(-1);
    // Corked until the engine has something to play.
    auto flags = static_cast<pa_stream_flags_t>(
        PA_STREAM_ADJUST_LATENCY | PA_STREAM_INTERPOLATE_TIMING | PA_STREAM_START_CORKED);
    if (pa_stream_connect_playback(stream_, nullptr, &attr, flags, nullptr, nullptr) < 0)
      return FailConnect(lock);
    if (!wake_.wait_until(lock, deadline, [this] { return StreamSettled(); }) ||
        pa_stream_get_state(stream_) != PA_STREAM_READY) {
      return FailConnect(lock);
    }
    RequestTiming();
    return true;
  }

  bool FailConnect(std::unique_lock<std::mutex>& lock) {
    // A connection that timed out has had no failure callback: the output stays failed, so the
    // next start asks for a reconnect.
    failed_ = true;
    lock.unlock();
    Disconnect();
    return false;
  }

  void Disconnect() {
    void* thread;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (!mainloop_) return;
      CancelDrain();
      Forget(timing_);
      timing_ = nullptr;
      if (timingTimer_) pa_mainloop_get_api(mainloop_)->time_free(timingTimer_);
      timingTimer_ = nullptr;
      if (stream_) {
        pa_stream_set_state_callback(stream_, nullptr, nullptr);
        pa_stream_set_write_callback(stream_, nullptr, nullptr);
        pa_stream_set_underflow_callback(stream_, nullptr, nullptr);
        pa_stream_set_started_callback(stream_, nullptr, nullptr);
        pa_stream_disconnect(stream_);
        pa_stream_unref(stream_);
        stream_ = nullptr;
      }
      if (context_) {
        pa_context_set_state_callback(context_, nullptr, nullptr);
        pa_context_disconnect(context_);
        pa_context_unref(context_);
        context_ = nullptr;
      }
      pending_.clear();
      pa_mainloop_quit(mainloop_, 0);
      thread = thread_;
      thread_ = nullptr;
    }
    if (thread && threads_.join) threads_.join(thread);
    pa_mainloop_free(mainloop_);
    mainloop_ = nullptr;
  }

  // The event loop's thread: it holds mutex_ except while it waits in poll, so every callback
  // runs under it and the other threads may call the library while they hold it.
  void RunLoop() {
    std::unique_lock<std::mutex> lock(mutex_);
    int result = 0;
    pa_mainloop_run(mainloop_, &result);
  }

  static int PollUnlocked(pollfd* fds, unsigned long count, int timeoutMs, void* self) {
    auto* output = static_cast<PulseOutput*>(self);
    output->mutex_.unlock();
    int result = poll(fds, count, timeoutMs);
    output->mutex_.lock();
    return result;
  }

  bool ContextSettled() const {
    pa_context_state_t state = pa_context_get_state(context_);
    return state == PA_CONTEXT_READY || !PA_CONTEXT_IS_GOOD(state);
  }
  bool StreamSettled() const {
    pa_stream_state_t state = pa_stream_get_state(stream_);
    return state == PA_STREAM_READY || !PA_STREAM_IS_GOOD(state);
  }

  // Callbacks run on the loop's thread with mutex_ held.
  static void OnContextState(pa_context* context, void* self) {
    auto* output = static_cast<PulseOutput*>(self);
    if (!PA_CONTEXT_IS_GOOD(pa_context_get_state(context))) output->failed_ = true;
    output->wake_.notify_all();
  }
  static void OnStreamState(pa_stream* stream, void* self) {
    auto* output = static_cast<PulseOutput*>(self);
    if (!PA_STREAM_IS_GOOD(pa_stream_get_state(stream))) output->failed_ = true;
    output->wake_.notify_all();
  }
  static void OnRequest(pa_stream* /*stream*/, size_t /*bytes*/, void* self) {
    auto* output = static_cast<PulseOutput*>(self);
    output->wake_.notify_all();
  }
  static void OnUnderflow(pa_stream* /*stream*/, void* self) {
    auto* output = static_cast<PulseOutput*>(self);
    output->underflow_ = true;
    if (output->active_) output->FollowTiming();
    output->wake_.notify_all();
  }
  static void OnStarted(pa_stream* /*stream*/, void* self) {
    auto* output = static_cast<PulseOutput*>(self);
    if (output->active_) output->FollowTiming();
  }
  static void OnTimingTimer(pa_mainloop_api* api, pa_time_event* timer, const timeval* /*when*/,
                            void* self) {
    auto* output = static_cast<PulseOutput*>(self);
    if (output->active_ && output->StreamReady()) {
      output->RequestTiming();
      output->ArmTimingTimer();
    } else {
      // Stopped or paused: nothing moves until the next start arms it again.
      api->time_restart(timer, nullptr);
    }
  }
  static void OnDrained(pa_stream* /*stream*/, int /*success*/, void* self) {
    auto* output = static_cast<PulseOutput*>(self);
    Forget(output->drain_);
    output->drain_ = nullptr;
    if (!output->active_ && output->StreamReady()) output->Cork();
  }

  ThreadStarter threads_;
  std::mutex mutex_;
  std::condition_variable wake_;
  pa_mainloop* mainloop_ = nullptr;
  pa_context* context_ = nullptr;
  pa_stream* stream_ = nullptr;
  void* thread_ = nullptr;
  pa_operation* drain_ = nullptr;   // playing out what is queued, to cork after it
  pa_operation* timing_ = nullptr;  // the timing update asked for last
  pa_time_event* timingTimer_ = nullptr;
  pa_usec_t timingIntervalUs_ = kFirstTimingUs;
  uint32_t rate_ = 44100;
  uint32_t channels_ = 2;
  uint32_t bufferBytes_ = 0;
  uint32_t requestBytes_ = 0;
  uint32_t startBytes_ = 0;
  std::vector<float> pending_;        // mixed blocks gathered into one write
  uint64_t writtenSinceDiscard_ = 0;  // frames, the pending ones included
  bool active_ = false;
  bool underflow_ = false;
  bool corked_ = true;
  bool failed_ = false;
};

}  // namespace

std::unique_ptr<AudioOutput> CreatePulseOutput(const ThreadStarter& threads) {
  return std::make_unique<PulseOutput>(threads);
}
