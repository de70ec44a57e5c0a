#include <libopenmpt/libopenmpt.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "platform/file_system.h"
#include "playback/engine/audio_engine.h"
#include "playback/engine/decoder.h"
#include "playback/engine/media_seek.h"

namespace {

constexpr uint32_t kModuleRate = 44100;

static_assert(OPENMPT_STREAM_SEEK_SET == SEEK_SET && OPENMPT_STREAM_SEEK_CUR == SEEK_CUR &&
              OPENMPT_STREAM_SEEK_END == SEEK_END);

size_t StreamRead(void* stream, void* dst, size_t bytes) {
  int64_t n = static_cast<MediaFile*>(stream)->Read(dst, static_cast<int64_t>(bytes));
  return n < 0 ? 0 : static_cast<size_t>(n);
}

int StreamSeek(void* stream, int64_t offset, int whence) {
  return SeekMediaFile(*static_cast<MediaFile*>(stream), offset, whence) < 0 ? -1 : 0;
}

int64_t StreamTell(void* stream) {
  return static_cast<MediaFile*>(stream)->Tell();
}

std::string Metadata(openmpt_module* module, const char* key) {
  const char* value = openmpt_module_get_metadata(module, key);
  std::string text = value ? value : "";
  openmpt_free_string(value);
  return text;
}

// The module kinds the player offers, with the variants libopenmpt names apart (15-sample and
// other MOD flavours, OpenMPT's own IT); the many other formats it knows stay refused.
uint32_t ModuleChannelType(openmpt_module* module) {
  std::string type = Metadata(module, "type");
  std::string container = Metadata(module, "container");
  // The player frees a channel as a module by these exact values.
  if (type == "mo3" || container == "mo3") return BASS_CTYPE_MUSIC_MO3;
  static const struct {
    const char* type;
    uint32_t ctype;
  } kKinds[] = {{"mod", BASS_CTYPE_MUSIC_MOD},  {"stk", BASS_CTYPE_MUSIC_MOD},
                {"m15", BASS_CTYPE_MUSIC_MOD},  {"st26", BASS_CTYPE_MUSIC_MOD},
                {"pt36", BASS_CTYPE_MUSIC_MOD}, {"mtm", BASS_CTYPE_MUSIC_MTM},
                {"s3m", BASS_CTYPE_MUSIC_S3M},  {"xm", BASS_CTYPE_MUSIC_XM},
                {"it", BASS_CTYPE_MUSIC_IT},    {"mptm", BASS_CTYPE_MUSIC_IT}};
  for (const auto& kind : kKinds) {
    if (type == kind.type) return kind.ctype;
  }
  return 0;
}

class ModuleDecoder : public Decoder {
 public:
  ModuleDecoder(std::unique_ptr<MediaFile> file, openmpt_module* module, uint32_t ctype)
      : file_(std::move(file)), module_(module), ctype_(ctype) {
    double seconds = openmpt_module_get_duration_seconds(module_);
    length_ = seconds > 0 ? static_cast<uint64_t>(std::llround(seconds * kModuleRate)) : 0;
  }
  ~ModuleDecoder() override { openmpt_module_destroy(module_); }

  uint32_t Rate() const override { return kModuleRate; }
  uint32_t Channels() const override { return 2; }
  uint64_t LengthFrames() const override { return length_; }
  uint32_t ChannelType() const override { return ctype_; }
  uint32_t Read(float* out, uint32_t frameCount) override {
    return static_cast<uint32_t>(
        openmpt_module_read_interleaved_float_stereo(module_, kModuleRate, frameCount, out));
  }
  double Seek(uint64_t frame) override {
    // libopenmpt lands on the start of a row near the time asked for, a fraction of a row off.
    // Past the target, it is asked again earlier, by growing steps, until it lands before it;
    // then what lies between is rendered and dropped, so a module lands where a stream does.
    double target = static_cast<double>(frame) / kModuleRate;
    double request = target;
    double reached = openmpt_module_set_position_seconds(module_, request);
    for (double back = 0.05; reached > target && request > 0; back *= 2) {
      request = std::max(0.0, target - back);
      reached = openmpt_module_set_position_seconds(module_, request);
    }
    if (reached < 0) return -1;
    auto at = static_cast<uint64_t>(std::llround(reached * kModuleRate));
    float dropped[2 * 1024];
    while (at < frame) {
      auto want = static_cast<size_t>(std::min<uint64_t>(frame - at, 1024));
      size_t got =
          openmpt_module_read_interleaved_float_stereo(module_, kModuleRate, want, dropped);
      if (got == 0) break;  // the song ended first
      at += got;
    }
    return static_cast<double>(at);
  }

 private:
  std::unique_ptr<MediaFile> file_;
  openmpt_module* module_;
  uint32_t ctype_;
  uint64_t length_ = 0;
};

}  // namespace

std::unique_ptr<Decoder> OpenModuleDecoder(std::unique_ptr<MediaFile>& file, bool ramping) {
  if (file->Size() <= 0) return nullptr;
  openmpt_stream_callbacks callbacks = {StreamRead, StreamSeek, StreamTell};
  // Played once to the end of the song, then the channel stops.
  openmpt_module_initial_ctl ctls[] = {{"play.at_end", "stop"}, {nullptr, nullptr}};
  int error = 0;
  openmpt_module* module =
      openmpt_module_create2(callbacks, file.get(), openmpt_log_func_silent, nullptr,
                             openmpt_error_func_ignore, nullptr, &error, nullptr, ctls);
  if (!module) return nullptr;
  uint32_t ctype = ModuleChannelType(module);
  if (ctype == 0) {
    openmpt_module_destroy(module);
    return nullptr;
  }
  openmpt_module_set_repeat_count(module, 0);
  if (!ramping)
    openmpt_module_set_render_param(module, OPENMPT_MODULE_RENDER_VOLUMERAMPING_STRENGTH, 0);
  return std::make_unique<ModuleDecoder>(std::move(file), module, ctype);
}
