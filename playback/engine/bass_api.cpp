// The BASS_* calls over the engine's state. Each takes the engine's lock for as long as it looks
// at or changes shared state, and never while a file is opened or scanned.
#include <algorithm>
#include <cmath>

#include "playback/engine/audio_engine.h"
#include "playback/engine/engine.h"
#include "playback/engine/track_decoders.h"
#include "platform/file_system.h"

namespace {

using Lock = std::lock_guard<std::mutex>;

// Sentinel returned by the position calls on failure, as the interface has it.
constexpr uint64_t kBadPosition = ~uint64_t{0};

bool Fail(int code) {
  SetEngineError(code);
  return false;
}

bool Succeed() {
  SetEngineError(kErrorOk);
  return true;
}

// The channel for handle, with the error set when there is none. Call with the lock held.
Channel* Lookup(uint32_t handle) {
  Channel* channel = g_engine.initialised ? g_engine.Find(handle) : nullptr;
  SetEngineError(channel ? kErrorOk : kErrorHandle);
  return channel;
}

double CurrentFrame(Channel& channel) {
  if (channel.state != Channel::State::kPlaying) return channel.heldPosition;
  return channel.PositionAt(g_engine.HeardFrame());
}

uint32_t AddChannel(std::unique_ptr<Decoder> decoder, uint32_t flags, bool isMusic) {
  if (!decoder) {
    SetEngineError(kErrorFormat);
    return 0;
  }
  uint32_t outputRate;
  uint32_t blockFrames;
  {
    Lock lock(g_engine.mutex);
    outputRate = g_engine.outputRate;
    blockFrames = g_engine.blockFrames;
  }
  auto channel =
      std::make_unique<Channel>(std::move(decoder), outputRate, blockFrames, flags, isMusic);
  if (!channel->Ready()) {
    SetEngineError(kErrorFormat);
    return 0;
  }
  Lock lock(g_engine.mutex);
  if (!g_engine.initialised) {
    SetEngineError(kErrorInit);
    return 0;
  }
  uint32_t handle = g_engine.nextHandle;
  while (handle == 0 || g_engine.channels.count(handle)) ++handle;
  g_engine.nextHandle = handle + 1;
  g_engine.channels[handle] = std::move(channel);
  SetEngineError(kErrorOk);
  return handle;
}

bool FreeChannel(uint32_t handle) {
  std::unique_ptr<Channel> doomed;
  {
    Lock lock(g_engine.mutex);
    Channel* channel = Lookup(handle);
    if (!channel) return false;
    if (channel->state == Channel::State::kPlaying) g_engine.DiscardOutput();
    doomed = std::move(g_engine.channels[handle]);
    g_engine.channels.erase(handle);
    g_engine.UpdateActivity();
  }
  return true;  // the decoder closes here, outside the lock
}

// The file a stream or music call names, opened through the configured file system; null with
// the error set when it cannot be.
std::unique_ptr<MediaFile> OpenFile(bool mem, const void* file, uint64_t offset) {
  if (mem || !file || offset != 0) {
    SetEngineError(kErrorNotAvailable);
    return nullptr;
  }
  FileSystem* files;
  {
    Lock lock(g_engine.mutex);
    if (!g_engine.initialised) {
      SetEngineError(kErrorInit);
      return nullptr;
    }
    files = g_engine.config.files;
  }
  std::unique_ptr<MediaFile> media =
      files ? files->OpenMediaFile(static_cast<const char*>(file)) : nullptr;
  if (!media) SetEngineError(kErrorFileOpen);
  return media;
}

std::unique_ptr<Decoder> OpenStreamDecoder(StreamDecoder kind, std::unique_ptr<MediaFile>& media,
                                           bool exactScan) {
  switch (kind) {
    case StreamDecoder::kSndfile:
      return OpenSndfileDecoder(media);
    case StreamDecoder::kMpeg:
      return OpenMpegDecoder(media, exactScan);
    case StreamDecoder::kFfmpeg:
      return OpenFfmpegDecoder(media);
  }
  return nullptr;
}

}  // namespace

bool BASS_SetConfig(uint32_t option, uint32_t value) {
  if (option != BASS_CONFIG_UPDATEPERIOD) return Fail(kErrorIllegalParameter);
  Lock lock(g_engine.mutex);
  g_engine.updatePeriodMs = std::clamp<uint32_t>(value, 5, 100);
  return Succeed();
}

bool BASS_Init(int /*device*/, uint32_t freq, uint32_t /*flags*/, void* /*window*/,
               void* /*clsid*/) {
  EngineConfig config;
  uint32_t period;
  {
    Lock lock(g_engine.mutex);
    if (g_engine.initialised) return Fail(kErrorAlready);
    if (!g_engine.configured) {
      g_engine.config = DefaultEngineConfig();
      g_engine.configured = true;
    }
    config = g_engine.config;
    period = g_engine.updatePeriodMs;
  }
  std::unique_ptr<AudioOutput> output = config.createOutput ? config.createOutput() : nullptr;
  uint32_t rate = freq ? freq : config.outputRate;
  if (rate < 8000 || rate > 192000) return Fail(kErrorIllegalParameter);
  uint32_t block = std::clamp<uint32_t>(rate * period / 1000, 64, 4096);
  if (!output || !output->Open(rate, 2, block)) return Fail(kErrorDriver);
  {
    Lock lock(g_engine.mutex);
    g_engine.output = std::move(output);
    g_engine.outputRate = rate;
    g_engine.blockFrames = block;
    g_engine.mix.assign(static_cast<size_t>(block) * 2, 0.0f);
    g_engine.writtenFrames = 0;
    g_engine.quit = false;
    g_engine.started = true;
    g_engine.outputActive = false;
    g_engine.initialised = true;
  }
  void* thread = config.threads.start ? config.threads.start([] { g_engine.MixLoop(); }) : nullptr;
  Lock lock(g_engine.mutex);
  if (!thread) {
    g_engine.initialised = false;
    g_engine.output->Close();
    g_engine.output.reset();
    return Fail(kErrorStart);
  }
  g_engine.thread = thread;
  return Succeed();
}

bool BASS_Free() {
  void* thread;
  std::map<uint32_t, std::unique_ptr<Channel>> channels;
  std::unique_ptr<AudioOutput> output;
  EngineConfig config;
  {
    Lock lock(g_engine.mutex);
    if (!g_engine.initialised) return Fail(kErrorInit);
    g_engine.quit = true;
    g_engine.wake.notify_all();
    thread = g_engine.thread;
    config = g_engine.config;
  }
  if (thread && config.threads.join) config.threads.join(thread);
  {
    Lock lock(g_engine.mutex);
    g_engine.thread = nullptr;
    g_engine.initialised = false;
    g_engine.outputActive = false;
    channels.swap(g_engine.channels);
    output = std::move(g_engine.output);
  }
  output->Close();
  return Succeed();
}

bool BASS_Start() {
  AudioOutput* output;
  {
    Lock lock(g_engine.mutex);
    if (!g_engine.initialised) return Fail(kErrorInit);
    output = g_engine.output.get();
  }
  // A device lost with the sound server is opened again when playback is asked for next.
  if (output->Failed() && !output->Reopen()) return Fail(kErrorDriver);
  Lock lock(g_engine.mutex);
  g_engine.started = true;
  g_engine.UpdateActivity();
  return Succeed();
}

bool BASS_Stop() {
  Lock lock(g_engine.mutex);
  if (!g_engine.initialised) return Fail(kErrorInit);
  if (g_engine.started) g_engine.DiscardOutput();
  g_engine.started = false;
  g_engine.UpdateActivity();
  return Succeed();
}

uint32_t BASS_SampleCreate(uint32_t length, uint32_t freq, uint32_t chans, uint32_t /*max*/,
                           uint32_t flags) {
  // Only asked to learn whether floating point is available; it always is, and nothing is kept.
  Lock lock(g_engine.mutex);
  if (!g_engine.initialised) {
    SetEngineError(kErrorInit);
    return 0;
  }
  if (length == 0 || freq == 0 || chans == 0) {
    SetEngineError(kErrorIllegalParameter);
    return 0;
  }
  SetEngineError(kErrorOk);
  return (flags & BASS_SAMPLE_FLOAT) ? 0x7F000001u : 0x7F000002u;
}

uint32_t BASS_StreamCreateFile(bool mem, const void* file, uint64_t offset, uint64_t /*length*/,
                               uint32_t flags) {
  std::unique_ptr<MediaFile> media = OpenFile(mem, file, offset);
  if (!media) return 0;
  std::unique_ptr<Decoder> decoder;
  for (StreamDecoder kind : StreamProbeOrder(static_cast<const char*>(file))) {
    decoder = OpenStreamDecoder(kind, media, (flags & BASS_STREAM_PRESCAN) != 0);
    if (decoder || !media->Seek(0)) break;
  }
  return AddChannel(std::move(decoder), flags, false);
}

uint32_t BASS_MusicLoad(bool mem, const void* file, uint64_t offset, uint32_t /*length*/,
                        uint32_t flags, uint32_t /*freq*/) {
  std::unique_ptr<MediaFile> media = OpenFile(mem, file, offset);
  if (!media) return 0;
  bool ramping = (flags & (BASS_MUSIC_RAMP | BASS_MUSIC_RAMPS)) != 0;
  return AddChannel(OpenModuleDecoder(media, ramping), flags, true);
}

bool BASS_ChannelGetInfo(uint32_t handle, BASS_CHANNELINFO* info) {
  Lock lock(g_engine.mutex);
  Channel* channel = Lookup(handle);
  if (!channel) return false;
  if (!info) return Fail(kErrorIllegalParameter);
  *info = {channel->decoder().Rate(),
           channel->decoder().Channels(),
           channel->flags(),
           channel->decoder().ChannelType(),
           0,
           0};
  return true;
}

// Either call frees either kind: a module kind the caller does not recognise must not be left
// playing behind the next track.
bool BASS_StreamFree(uint32_t handle) {
  return FreeChannel(handle);
}
bool BASS_MusicFree(uint32_t handle) {
  return FreeChannel(handle);
}

bool BASS_ChannelPlay(uint32_t handle, bool restart) {
  Lock lock(g_engine.mutex);
  Channel* channel = Lookup(handle);
  if (!channel) return false;
  // With the output stopped or its device lost nothing would be heard: the channel stays as it
  // is rather than report playing in silence.
  if (!g_engine.started || g_engine.output->Failed()) return Fail(kErrorStart);
  g_engine.RetireFinished();
  if (channel->state == Channel::State::kPlaying) {
    if (!restart) return true;
    g_engine.DiscardOutput();
    channel->Reposition(0);
  } else if (restart || channel->endedNaturally) {
    // A channel that played to its end starts again from the start; a paused or stopped one goes
    // on from where it was.
    channel->Reposition(0);
  }
  channel->state = Channel::State::kPlaying;
  g_engine.UpdateActivity();
  return true;
}

bool BASS_ChannelPause(uint32_t handle) {
  Lock lock(g_engine.mutex);
  Channel* channel = Lookup(handle);
  if (!channel) return false;
  g_engine.RetireFinished();
  if (channel->state != Channel::State::kPlaying) return Fail(kErrorNotPlaying);
  g_engine.DiscardOutput();
  channel->state = Channel::State::kPaused;
  g_engine.UpdateActivity();
  return true;
}

bool BASS_ChannelStop(uint32_t handle) {
  Lock lock(g_engine.mutex);
  Channel* channel = Lookup(handle);
  if (!channel) return false;
  if (channel->state == Channel::State::kPlaying) g_engine.DiscardOutput();
  channel->state = Channel::State::kStopped;
  channel->endUntold = false;
  g_engine.UpdateActivity();
  return true;
}

uint32_t BASS_ChannelIsActive(uint32_t handle) {
  Lock lock(g_engine.mutex);
  Channel* channel = Lookup(handle);
  if (!channel) return BASS_ACTIVE_STOPPED;
  g_engine.RetireFinished();
  switch (channel->state) {
    case Channel::State::kPlaying:
      return g_engine.started && g_engine.output->Starved() ? BASS_ACTIVE_STALLED
                                                            : BASS_ACTIVE_PLAYING;
    case Channel::State::kPaused:
      return BASS_ACTIVE_PAUSED;
    default:
      return BASS_ACTIVE_STOPPED;
  }
}

bool BASS_ChannelSetAttributes(uint32_t handle, int /*freq*/, int volume, int /*pan*/) {
  Lock lock(g_engine.mutex);
  Channel* channel = Lookup(handle);
  if (!channel) return false;
  // -1 leaves the volume as it is.
  if (volume == -1) return true;
  float level = static_cast<float>(std::clamp(volume, 0, 100)) / 100.0f;
  if (level == channel->volume) return true;
  channel->volume = level;
  // What is queued was mixed at the old volume: mixed again, the change is heard at once.
  if (channel->state == Channel::State::kPlaying) g_engine.DiscardOutput();
  return true;
}

uint64_t BASS_ChannelGetLength(uint32_t handle) {
  Lock lock(g_engine.mutex);
  Channel* channel = Lookup(handle);
  if (!channel) return kBadPosition;
  return channel->LengthFrames() * channel->BytesPerFrame();
}

uint64_t BASS_ChannelGetPosition(uint32_t handle) {
  Lock lock(g_engine.mutex);
  Channel* channel = Lookup(handle);
  if (!channel) return kBadPosition;
  g_engine.RetireFinished();
  double frame = std::max(0.0, CurrentFrame(*channel));
  return static_cast<uint64_t>(frame) * channel->BytesPerFrame();
}

double BASS_ChannelBytes2Seconds(uint32_t handle, uint64_t bytes) {
  Lock lock(g_engine.mutex);
  Channel* channel = Lookup(handle);
  if (!channel) return -1;
  uint64_t frames = bytes / channel->BytesPerFrame();
  return static_cast<double>(frames) / channel->decoder().Rate();
}

uint64_t BASS_ChannelSeconds2Bytes(uint32_t handle, float seconds) {
  Lock lock(g_engine.mutex);
  Channel* channel = Lookup(handle);
  if (!channel) return kBadPosition;
  if (!(seconds > 0)) return 0;
  double frames = std::floor(static_cast<double>(seconds) * channel->decoder().Rate() + 1e-6);
  return static_cast<uint64_t>(frames) * channel->BytesPerFrame();
}

bool BASS_ChannelSetPosition(uint32_t handle, uint64_t bytes) {
  Lock lock(g_engine.mutex);
  Channel* channel = Lookup(handle);
  if (!channel) return false;
  uint64_t frame = bytes / channel->BytesPerFrame();
  if (frame > channel->LengthFrames()) return Fail(kErrorPosition);
  g_engine.RetireFinished();
  if (channel->state == Channel::State::kPlaying) g_engine.DiscardOutput();
  channel->Reposition(static_cast<double>(frame));
  return true;
}

bool TakeChannelEnd(uint32_t handle) {
  Lock lock(g_engine.mutex);
  Channel* channel = Lookup(handle);
  if (!channel) return false;
  g_engine.RetireFinished();
  bool ended = channel->endUntold;
  channel->endUntold = false;
  return ended;
}
