// The formats the table of file types gives to FFmpeg's libavformat and libavcodec (AAC and ALAC in
// MP4/M4A, WMA in ASF). The file is read through the engine's media file (a custom AVIOContext);
// no protocol is ever opened, and only the demuxers and decoders the table names are accepted,
// whatever else the library was built with.
extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/mathematics.h>
}

#include <algorithm>
#include <cmath>
#include <cstring>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "platform/file_system.h"
#include "playback/engine/audio_engine.h"
#include "playback/engine/decoder.h"
#include "playback/engine/media_seek.h"
#include "playback/engine/track_decoders.h"

namespace {

constexpr int kIoBufferBytes = 32768;
// Decoders keep state across frames (AAC's overlapped transform): a seek starts decoding this
// many frames early and drops them.
constexpr int64_t kSeekPreroll = 4096;
// Frames decoded at the open to learn how coarse timestamps map to frames.
constexpr int kLearnFrames = 8;

// The demuxers by FFmpeg's format_whitelist, which takes a demuxer whose name lists any of them
// ("mov" is "mov,mp4,m4a,3gp,3g2,mj2").
std::string DemuxerWhitelist() {
  std::string list;
  for (const std::string& name : FfmpegDemuxerNames()) list += (list.empty() ? "" : ",") + name;
  return list;
}

// The decoder the table names for the codec, or null.
const AVCodec* NamedDecoder(AVCodecID id) {
  for (const std::string& name : FfmpegDecoderNames()) {
    const AVCodec* decoder = avcodec_find_decoder_by_name(name.c_str());
    if (decoder && decoder->id == id) return decoder;
  }
  return nullptr;
}

// The library's add-ons tell these codecs apart; any other is a plain stream to the player.
uint32_t ChannelTypeOf(AVCodecID id) {
  switch (id) {
    case AV_CODEC_ID_AAC:
      return BASS_CTYPE_STREAM_AAC;
    case AV_CODEC_ID_ALAC:
      return BASS_CTYPE_STREAM_ALAC;
    case AV_CODEC_ID_WMAV1:
    case AV_CODEC_ID_WMAV2:
    case AV_CODEC_ID_WMAPRO:
    case AV_CODEC_ID_WMALOSSLESS:
    case AV_CODEC_ID_WMAVOICE:
      return BASS_CTYPE_STREAM_WMA;
    default:
      return BASS_CTYPE_STREAM;
  }
}

int IoRead(void* user, uint8_t* buffer, int size) {
  int64_t n = static_cast<MediaFile*>(user)->Read(buffer, size);
  return n > 0 ? static_cast<int>(n) : AVERROR_EOF;
}

int64_t IoSeek(void* user, int64_t offset, int whence) {
  MediaFile& file = *static_cast<MediaFile*>(user);
  if (whence & AVSEEK_SIZE) return file.Size();
  return SeekMediaFile(file, offset, whence & ~AVSEEK_FORCE);
}

// A demuxer must not reach for another file (an MP4's external data references) or a URL.
int RefuseOpen(AVFormatContext*, AVIOContext**, const char*, int, AVDictionary**) {
  return AVERROR(EPERM);
}

// The frame's samples as interleaved floats, whatever the decoder's sample format.
bool AppendAsFloat(const AVFrame& frame, uint32_t channels, std::vector<float>* out) {
  AVSampleFormat format = static_cast<AVSampleFormat>(frame.format);
  bool planar = av_sample_fmt_is_planar(format);
  AVSampleFormat packed = av_get_packed_sample_fmt(format);
  size_t base = out->size();
  out->resize(base + static_cast<size_t>(frame.nb_samples) * channels);
  float* dst = out->data() + base;
  for (int i = 0; i < frame.nb_samples; ++i) {
    for (uint32_t c = 0; c < channels; ++c) {
      const uint8_t* plane = frame.extended_data[planar ? c : 0];
      size_t index = planar ? i : static_cast<size_t>(i) * channels + c;
      float value;
      switch (packed) {
        case AV_SAMPLE_FMT_FLT:
          value = reinterpret_cast<const float*>(plane)[index];
          break;
        case AV_SAMPLE_FMT_DBL:
          value = static_cast<float>(reinterpret_cast<const double*>(plane)[index]);
          break;
        case AV_SAMPLE_FMT_S16:
          value = reinterpret_cast<const int16_t*>(plane)[index] / 32768.0f;
          break;
        case AV_SAMPLE_FMT_S32:
          value = static_cast<float>(reinterpret_cast<const int32_t*>(plane)[index] / 2147483648.0);
          break;
        case AV_SAMPLE_FMT_U8:
          value = (plane[index] - 128) / 128.0f;
          break;
        default:
          out->resize(base);
          return false;
      }
      *dst++ = value;
    }
  }
  return true;
}

class FfmpegDecoder : public Decoder {
 public:
  // file is read while Open tries it and becomes the decoder's once Open succeeds (Keep).
  explicit FfmpegDecoder(MediaFile* file) : input_(file) {}
  ~FfmpegDecoder() override {
    av_frame_free(&frame_);
    av_packet_free(&packet_);
    avcodec_free_context(&codec_);
    avformat_close_input(&format_);
    if (io_) av_freep(&io_->buffer);
    avio_context_free(&io_);
  }

  bool Open() {
    uint8_t* buffer = static_cast<uint8_t*>(av_malloc(kIoBufferBytes));
    if (!buffer) return false;
    io_ = avio_alloc_context(buffer, kIoBufferBytes, 0, input_, IoRead, nullptr, IoSeek);
    format_ = avformat_alloc_context();
    frame_ = av_frame_alloc();
    packet_ = av_packet_alloc();
    if (!io_) av_free(buffer);
    if (!io_ || !format_ || !frame_ || !packet_) return false;
    format_->pb = io_;
    format_->flags |= AVFMT_FLAG_CUSTOM_IO;
    format_->io_open = RefuseOpen;
    format_->format_whitelist = av_strdup(DemuxerWhitelist().c_str());
    format_->protocol_whitelist = av_strdup("");
    if (avformat_open_input(&format_, nullptr, nullptr, nullptr) < 0) return false;
    if (avformat_find_stream_info(format_, nullptr) < 0) return false;
    if (IsProtectedAsf()) return false;
    // No audio stream (a video-only file) plays nothing.
    stream_ = av_find_best_stream(format_, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
    if (stream_ < 0) return false;
    AVStream* stream = format_->streams[stream_];
    if (av_stream_get_side_data(stream, AV_PKT_DATA_ENCRYPTION_INIT_INFO, nullptr)) return false;
    const AVCodecParameters* parameters = stream->codecpar;
    const AVCodec* decoder = NamedDecoder(parameters->codec_id);
    if (!decoder) return false;
    ctype_ = ChannelTypeOf(parameters->codec_id);
    codec_ = avcodec_alloc_context3(decoder);
    if (!codec_ || avcodec_parameters_to_context(codec_, parameters) < 0 ||
        avcodec_open2(codec_, decoder, nullptr) < 0) {
      return false;
    }
    for (unsigned i = 0; i < format_->nb_streams; ++i)
      if (static_cast<int>(i) != stream_) format_->streams[i]->discard = AVDISCARD_ALL;
    rate_ = static_cast<uint32_t>(codec_->sample_rate);
    channels_ = static_cast<uint32_t>(codec_->ch_layout.nb_channels);
    if (rate_ < 1000 || rate_ > 384000 || channels_ < 1 || channels_ > 32) return false;
    // The first frame proves the file decodes, and fixes the timestamp of sample 0 (AAC's priming
    // is already dropped by the decoder, as the container's edit list asks).
    if (!DecodeFrame()) return false;
    origin_ = framePts_ == AV_NOPTS_VALUE ? 0 : framePts_;
    if (SampleExactTimes()) {
      length_ = ContainerLength();
    } else if (LearnFrameTimes()) {
      length_ = LengthFromTheEnd();
      timedSeeks_ = length_ != 0 && Rewind();
    }
    if (length_ == 0) length_ = CountFrames();
    return length_ != 0;
  }
  void Keep(std::unique_ptr<MediaFile> file) { file_ = std::move(file); }

  uint32_t Rate() const override { return rate_; }
  uint32_t Channels() const override { return channels_; }
  uint64_t LengthFrames() const override { return length_; }
  uint32_t ChannelType() const override { return ctype_; }

  uint32_t Read(float* out, uint32_t frameCount) override {
    uint32_t done = 0;
    while (done < frameCount && position_ < length_) {
      if (pendingStart_ == pendingFrames()) {
        if (!DecodeFrame()) break;
        continue;
      }
      uint64_t n = std::min<uint64_t>(
          {frameCount - done, pendingFrames() - pendingStart_, length_ - position_});
      std::memcpy(out + static_cast<size_t>(done) * channels_,
                  pending_.data() + pendingStart_ * channels_, n * channels_ * sizeof(float));
      pendingStart_ += n;
      position_ += n;
      done += static_cast<uint32_t>(n);
    }
    return done;
  }

  double Seek(uint64_t frame) override {
    frame = std::min(frame, length_);
    if (timedSeeks_) return SeekByFrameTimes(frame);
    if (!SampleExactTimes()) {
      if (frame < position_ && !Rewind()) return -1;
      Skip(frame - position_);
      return static_cast<double>(position_);
    }
    AVStream* stream = format_->streams[stream_];
    AVRational perFrame{1, static_cast<int>(rate_)};
    // Before the first packet lies only the priming, which the demuxer then skips again.
    int64_t timestamp = std::max(origin_ + av_rescale_q(static_cast<int64_t>(frame) - kSeekPreroll,
                                                        perFrame, stream->time_base),
                                 FirstTimestamp());
    if (!SeekTo(timestamp)) return -1;
    // Decode up to the frame that holds the target and drop what lies before it.
    for (;;) {
      if (!DecodeFrame()) {
        position_ = length_;
        return static_cast<double>(length_);
      }
      if (framePts_ == AV_NOPTS_VALUE) break;  // cannot tell: take the seek as landed
      int64_t start = av_rescale_q(framePts_ - origin_, stream->time_base, perFrame);
      int64_t end = start + static_cast<int64_t>(pendingFrames());
      if (end <= static_cast<int64_t>(frame)) continue;
      pendingStart_ = static_cast<uint64_t>(std::max<int64_t>(0, frame - start));
      break;
    }
    position_ = frame;
    return static_cast<double>(frame);
  }

 private:
  uint64_t pendingFrames() const { return pending_.size() / channels_; }

  // The ASF reader only notes DRM in the tags and hands the encrypted data on, which would
  // decode to noise: such a file plays nothing, as an encrypted MP4 does.
  bool IsProtectedAsf() const {
    if (std::strcmp(format_->iformat->name, "asf") != 0) return false;
    for (const char* key : {"ASF_Protection_Type", "encryption"})
      if (av_dict_get(format_->metadata, key, nullptr, 0)) return true;
    return false;
  }

  int64_t FirstTimestamp() const {
    const AVStream* stream = format_->streams[stream_];
    const AVIndexEntry* first = avformat_index_get_entry(const_cast<AVStream*>(stream), 0);
    if (first) return first->timestamp;
    return stream->start_time != AV_NOPTS_VALUE ? stream->start_time : 0;
  }

  bool SeekTo(int64_t timestamp) {
    if (av_seek_frame(format_, stream_, timestamp, AVSEEK_FLAG_BACKWARD) < 0) return false;
    avcodec_flush_buffers(codec_);
    draining_ = false;
    pending_.clear();
    pendingStart_ = 0;
    return true;
  }

  // Where times are too coarse to find a frame by, frames are counted from the start.
  bool Rewind() {
    if (!SeekTo(FirstTimestamp())) return false;
    position_ = 0;
    return true;
  }

  void Skip(uint64_t frames) {
    while (frames > 0) {
      if (pendingStart_ == pendingFrames() && !DecodeFrame()) return;
      uint64_t n = std::min(frames, pendingFrames() - pendingStart_);
      pendingStart_ += n;
      position_ += n;
      frames -= n;
    }
  }

  // MP4 counts time in samples; ASF in milliseconds, and WMA's frames overhang the end.
  bool SampleExactTimes() const {
    AVRational timeBase = format_->streams[stream_]->time_base;
    return timeBase.num == 1 && timeBase.den > 0 && timeBase.den % static_cast<int>(rate_) == 0;
  }

  // Where a frame decoded in sequence starts, from its coarse timestamp: frames come in whole
  // multiples of unit_ after the anchor frame, so the nearest multiple is exact.
  int64_t FrameStart(int64_t pts) const {
    AVRational timeBase = format_->streams[stream_]->time_base;
    double frames = static_cast<double>(pts - anchorPts_) * timeBase.num * rate_ / timeBase.den;
    return anchorFrame_ + std::llround(frames / unit_) * unit_;
  }

  int64_t TimestampOf(int64_t frame) const {
    AVRational perFrame{1, static_cast<int>(rate_)};
    return anchorPts_ +
           av_rescale_q(frame - anchorFrame_, perFrame, format_->streams[stream_]->time_base);
  }

  // Decodes a few frames after the first (which is pending) and learns how their timestamps map
  // to frames; false when they do not map exactly, or the file is too short to tell, and frames
  // are then counted instead. The very first frame is left out: with nothing carried over from
  // before it, it may come out shorter, as the first frame after a seek may.
  bool LearnFrameTimes() {
    uint64_t next = pendingFrames();
    std::vector<std::pair<int64_t, uint64_t>> seen;  // timestamp, first frame
    uint64_t unit = 0;
    for (int i = 0; i <= kLearnFrames; ++i) {
      if (!DecodeFrame() || framePts_ == AV_NOPTS_VALUE) return false;
      // The last one learned may be the file's short last frame: it only has to exist.
      if (i == kLearnFrames) break;
      seen.emplace_back(framePts_, next);
      unit = unit == 0 ? pendingFrames() : std::min(unit, pendingFrames());
      next += pendingFrames();
    }
    anchorPts_ = seen.front().first;
    anchorFrame_ = static_cast<int64_t>(seen.front().second);
    unit_ = static_cast<int64_t>(unit);
    for (const auto& [pts, first] : seen)
      if (FrameStart(pts) != static_cast<int64_t>(first)) return false;
    return true;
  }

  // The frame after the last, from the frames decoded after a seek close to the container's end.
  uint64_t LengthFromTheEnd() {
    const AVStream* stream = format_->streams[stream_];
    if (stream->duration <= 0) return 0;
    int64_t end = FirstTimestamp() + stream->duration;
    for (int64_t margin : {2, 10, 60}) {
      int64_t timestamp = end - av_rescale_q(margin, AVRational{1, 1}, stream->time_base);
      if (timestamp <= FirstTimestamp() || !SeekTo(timestamp)) return 0;
      int64_t start = SecondFrameStart();
      if (start < 0) continue;
      uint64_t frames = pendingFrames();
      while (DecodeFrame()) frames += pendingFrames();
      return static_cast<uint64_t>(start) + frames;
    }
    return 0;
  }

  // After a seek, decodes two frames and gives where the second starts (-1 when there is none or
  // it has no time). The first tells nothing exact: it may lack what an earlier packet carried.
  // From the second on, frames follow one another as they do when decoded from the start.
  int64_t SecondFrameStart() {
    if (!DecodeFrame() || !DecodeFrame() || framePts_ == AV_NOPTS_VALUE) return -1;
    return FrameStart(framePts_);
  }

  // Seeks to a packet some way before the frame and decodes from there, dropping what comes
  // before it.
  double SeekByFrameTimes(uint64_t frame) {
    int64_t target = static_cast<int64_t>(frame);
    int64_t preroll = kSeekPreroll + unit_;
    for (int attempt = 0; attempt < 4; ++attempt, preroll *= 4) {
      if (target - preroll <= anchorFrame_) break;  // near the start: decoded from there
      if (!SeekTo(TimestampOf(target - preroll))) break;
      int64_t start = SecondFrameStart();
      if (start < 0 || start > target) continue;  // landed past it: seek further back
      for (;;) {
        int64_t end = start + static_cast<int64_t>(pendingFrames());
        if (end > target) {
          pendingStart_ = static_cast<uint64_t>(target - start);
          position_ = frame;
          return static_cast<double>(frame);
        }
        if (!DecodeFrame()) {
          position_ = length_;
          return static_cast<double>(length_);
        }
        start = end;
      }
    }
    if (!Rewind()) return -1;
    Skip(frame);
    return static_cast<double>(position_);
  }

  // Decodes the whole file once, as a prescan of an MP3 does, and goes back to its start.
  uint64_t CountFrames() {
    if (!Rewind()) return 0;
    uint64_t frames = 0;
    while (DecodeFrame()) frames += pendingFrames();
    length_ = frames;
    return frames != 0 && Rewind() ? frames : 0;
  }

  // The exact number of frames the container gives, after the edit list; 0 when it gives none.
  uint64_t ContainerLength() const {
    const AVStream* stream = format_->streams[stream_];
    AVRational perFrame{1, static_cast<int>(rate_)};
    int64_t frames = 0;
    if (stream->duration > 0) {
      frames = av_rescale_q(stream->duration, stream->time_base, perFrame);
    } else if (format_->duration > 0) {
      frames = av_rescale_q(format_->duration, AV_TIME_BASE_Q, perFrame);
    }
    return frames > 0 ? static_cast<uint64_t>(frames) : 0;
  }

  // Replaces the pending samples with the next decoded frame; false at the end or on an error.
  bool DecodeFrame() {
    pending_.clear();
    pendingStart_ = 0;
    for (;;) {
      int received = avcodec_receive_frame(codec_, frame_);
      if (received == 0) {
        framePts_ = frame_->best_effort_timestamp;
        // A stream that changes its rate or channels midway ends there rather than play wrong.
        bool converted = frame_->ch_layout.nb_channels == static_cast<int>(channels_) &&
                         frame_->sample_rate == static_cast<int>(rate_) &&
                         AppendAsFloat(*frame_, channels_, &pending_);
        av_frame_unref(frame_);
        if (!converted) return false;
        if (!pending_.empty()) return true;
        continue;
      }
      if (received != AVERROR(EAGAIN) || draining_) return false;
      if (!SendPacket()) return false;
    }
  }

  bool SendPacket() {
    for (;;) {
      int read = av_read_frame(format_, packet_);
      if (read < 0) {
        // The end (or a truncated file): what the decoder still holds comes out.
        draining_ = true;
        return avcodec_send_packet(codec_, nullptr) == 0;
      }
      if (packet_->stream_index != stream_) {
        av_packet_unref(packet_);
        continue;
      }
      // Encrypted samples would decode to noise: such a file plays nothing.
      if (av_packet_get_side_data(packet_, AV_PKT_DATA_ENCRYPTION_INFO, nullptr)) {
        av_packet_unref(packet_);
        return false;
      }
      int sent = avcodec_send_packet(codec_, packet_);
      av_packet_unref(packet_);
      // A damaged packet is skipped, as a broken frame of an MP3 is.
      if (sent == 0 || sent == AVERROR_INVALIDDATA) return true;
      return false;
    }
  }

  MediaFile* input_;
  std::unique_ptr<MediaFile> file_;  // input_ once opened; read through io_, so closed after it
  AVIOContext* io_ = nullptr;
  AVFormatContext* format_ = nullptr;
  AVCodecContext* codec_ = nullptr;
  AVFrame* frame_ = nullptr;
  AVPacket* packet_ = nullptr;
  int stream_ = -1;
  uint32_t ctype_ = 0;
  uint32_t rate_ = 0;
  uint32_t channels_ = 0;
  uint64_t length_ = 0;
  int64_t origin_ = 0;  // the timestamp of sample 0
  // Where timestamps are coarser than a frame: a frame with anchorPts_ starts at anchorFrame_,
  // and every later one a whole number of unit_ frames after it.
  bool timedSeeks_ = false;
  int64_t anchorPts_ = 0;
  int64_t anchorFrame_ = 0;
  int64_t unit_ = 1;
  int64_t framePts_ = AV_NOPTS_VALUE;
  bool draining_ = false;
  std::vector<float> pending_;  // the current frame, interleaved
  uint64_t pendingStart_ = 0;   // frames of it already read
  uint64_t position_ = 0;       // the next frame Read gives
};

}  // namespace

std::unique_ptr<Decoder> OpenFfmpegDecoder(std::unique_ptr<MediaFile>& file) {
  static std::once_flag quiet;
  std::call_once(quiet, [] { av_log_set_level(AV_LOG_QUIET); });
  auto decoder = std::make_unique<FfmpegDecoder>(file.get());
  if (!decoder->Open()) return nullptr;
  decoder->Keep(std::move(file));
  return decoder;
}
