#include <gtest/gtest.h>
#include <sndfile.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <utility>

#include "engine_test_support.h"
#include "platform/file_system.h"
#include "playback/engine/audio_engine.h"
#include "playback/engine/decoder.h"
#include "playback/engine/read_ahead_file.h"
#include "playback/engine/track_decoders.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

namespace {

constexpr uint32_t kFloat = BASS_SAMPLE_FLOAT;

class EngineStreamTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(engine_.ok()); }
  // A stereo 440 Hz tone of `seconds` at rate, as WAV.
  std::string Tone(const std::string& name, double seconds, uint32_t rate = 44100, double freq2 = 0,
                   double split = 0) {
    ToneParams params{SF_FORMAT_WAV | SF_FORMAT_PCM_16, rate, 2, seconds, 440, 0.5, freq2, split};
    std::string path = dir_.File(name);
    EXPECT_TRUE(WriteTone(path, params));
    return path;
  }
  uint32_t Open(const std::string& path, uint32_t flags = kFloat | BASS_STREAM_PRESCAN) {
    return BASS_StreamCreateFile(false, path.c_str(), 0, 0, flags);
  }
  double PositionSeconds(uint32_t h) {
    return BASS_ChannelBytes2Seconds(h, BASS_ChannelGetPosition(h));
  }

  TempDir dir_;
  EngineFixture engine_;
};

// An encoder command for WriteMpeg, which appends the source and the target.
#define FFMPEG(codec) "sh -c 'ffmpeg -v quiet -y -i \"$0\" -c:a " codec " \"$1\"'"

struct FormatCase {
  const char* name;
  int format;  // 0: MPEG audio through the encoder
  const char* encoder;
  uint32_t ctype;
  double lengthTolerance;  // seconds
  uint32_t rate = 44100;   // the channel's: Opus decodes at 48 kHz
  double shortBy = 1e-9;   // seconds the length may fall short
};

TEST_F(EngineStreamTest, EachFormatPlaysItsToneAtPitchWithItsLength) {
  const FormatCase cases[] = {
      {"tone.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, "", BASS_CTYPE_STREAM_WAV, 0},
      {"tone.aiff", SF_FORMAT_AIFF | SF_FORMAT_PCM_16, "", BASS_CTYPE_STREAM_AIFF, 0},
      {"tone.ogg", SF_FORMAT_OGG | SF_FORMAT_VORBIS, "", BASS_CTYPE_STREAM_OGG, 0},
      // lame writes the encoder delay into its header, so the length is exact.
      {"tone.mp3", 0, "lame --quiet -b 128", BASS_CTYPE_STREAM_MP3, 1e-9},
      // Without such a header the last frame is padded out.
      {"tone.mp2", 0, "twolame --quiet -b 192", BASS_CTYPE_STREAM_MP2, 1152.0 / 44100},
      // Named for one format, holding another: the content decides.
      {"wave.mp3", SF_FORMAT_WAV | SF_FORMAT_PCM_16, "", BASS_CTYPE_STREAM_WAV, 0},
      {"mpeg.wav", 0, "lame --quiet -b 128", BASS_CTYPE_STREAM_MP3, 1e-9},
      {"mpeg.m4a", 0, "lame --quiet -b 128", BASS_CTYPE_STREAM_MP3, 1e-9},
      {"aac.mp3", 0, FFMPEG("aac -f mp4"), BASS_CTYPE_STREAM_AAC, 1e-9},
      {"tone.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_16, "", BASS_CTYPE_STREAM_FLAC, 0},
      {"tone.opus", 0, "opusenc --quiet", BASS_CTYPE_STREAM_OPUS, 1e-9, 48000},
      // The encoder's priming and padding are trimmed by the MP4 edit list.
      {"tone.m4a", 0, FFMPEG("aac"), BASS_CTYPE_STREAM_AAC, 1e-9},
      {"alac.m4a", 0, FFMPEG("alac"), BASS_CTYPE_STREAM_ALAC, 1e-9},
      // WMA keeps no encoder delay: the length is what decodes, counted at the open.
      {"tone.wma", 0, FFMPEG("wmav2"), BASS_CTYPE_STREAM_WMA, 0.05, 44100, 0.05},
  };
  for (const FormatCase& c : cases) {
    SCOPED_TRACE(c.name);
    ToneParams params{c.format, 44100, 2, 1.0};
    std::string path = dir_.File(c.name);
    ASSERT_TRUE(c.format ? WriteTone(path, params) : WriteMpeg(path, params, c.encoder));
    uint32_t h = Open(path);
    ASSERT_NE(h, 0u);
    BASS_CHANNELINFO info = {};
    ASSERT_TRUE(BASS_ChannelGetInfo(h, &info));
    EXPECT_EQ(info.ctype, c.ctype);
    EXPECT_EQ(info.freq, c.rate);
    EXPECT_EQ(info.chans, 2u);
    double length = BASS_ChannelBytes2Seconds(h, BASS_ChannelGetLength(h));
    EXPECT_GE(length, 1.0 - c.shortBy);
    EXPECT_LE(length, 1.0 + c.lengthTolerance);
    ASSERT_TRUE(BASS_ChannelPlay(h, false));
    engine_.Listen(100);  // past any encoder's start-up
    std::vector<float> heard = engine_.Listen(500);
    EXPECT_NEAR(ToneFrequency(heard, 44100), 440, 2);
    EXPECT_NEAR(Rms(heard), 0.5 / std::sqrt(2.0), 0.03);
    EXPECT_TRUE(BASS_StreamFree(h));
  }
}

// The decoders of the compressed formats, read straight: every frame the length promises comes,
// no more, and a seek lands on the very frame (high rates and 24 bits go through the same way).
TEST_F(EngineStreamTest, CompressedFormatsReadTheirLengthAndSeekToTheFrame) {
  struct Case {
    const char* name;
    int format;
    const char* encoder;
    uint32_t rate;
    float tolerance;  // per sample, against a read from the start
  } cases[] = {
      {"hi.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_24, "", 96000, 1e-6f},
      {"aac.m4a", 0, FFMPEG("aac"), 44100, 2e-3f},
      {"alac.m4a", 0, FFMPEG("alac"), 44100, 1e-6f},
      {"wma.wma", 0, FFMPEG("wmav2"), 44100, 2e-3f},
      {"wma1.wma", 0, FFMPEG("wmav1"), 22050, 2e-3f},
      {"wma48.wma", 0, FFMPEG("wmav2"), 48000, 2e-3f},
      {"opus.opus", 0, "opusenc --quiet", 48000, 2e-3f},
      // Read and sought through the read-ahead buffer, whose seeks land inside and outside it.
      {"tone.mp3", 0, "lame --quiet -b 128", 44100, 2e-3f},
      // No encoder's header, and frames of 40 kbit/s whose data reaches back past four frames.
      {"vbr.mp3", 0, "lame --quiet --vbr-new -V 2 -t", 44100, 1e-6f},
      {"vbr22.mp3", 0, "lame --quiet --vbr-new -V 6 -t", 22050, 1e-6f},
  };
  std::unique_ptr<FileSystem> files = CreatePosixFileSystem();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ToneParams params{c.format, c.rate, 2, 2.0, 440, 0.5, 1000, 1.0};
    std::string path = dir_.File(c.name);
    ASSERT_TRUE(c.format ? WriteTone(path, params) : WriteMpeg(path, params, c.encoder));
    auto open = [&] {
      std::unique_ptr<MediaFile> file = files->OpenMediaFile(path);
      std::unique_ptr<Decoder> decoder = OpenSndfileDecoder(file);
      if (!decoder && file && file->Seek(0)) decoder = OpenMpegDecoder(file, true);
      if (!decoder && file && file->Seek(0)) decoder = OpenFfmpegDecoder(file);
      return decoder;
    };
    std::unique_ptr<Decoder> decoder = open();
    ASSERT_TRUE(decoder);
    std::vector<float> whole;
    std::vector<float> block(4096 * 2);
    while (uint32_t n = decoder->Read(block.data(), 4096))
      whole.insert(whole.end(), block.begin(), block.begin() + n * 2);
    EXPECT_EQ(whole.size() / 2, decoder->LengthFrames());
    for (uint64_t target : {uint64_t{1}, uint64_t{12345}, decoder->LengthFrames() / 2 + 17}) {
      ASSERT_EQ(decoder->Seek(target), static_cast<double>(target)) << target;
      ASSERT_EQ(decoder->Read(block.data(), 256), 256u);
      float worst = 0;
      for (size_t i = 0; i < 512; ++i)
        worst = std::max(worst, std::fabs(block[i] - whole[target * 2 + i]));
      EXPECT_LE(worst, c.tolerance) << "seek to " << target;
    }
  }
}

// A media file that counts the bytes read through it, and the reads.
class CountingFile : public MediaFile {
 public:
  CountingFile(std::unique_ptr<MediaFile> file, int64_t* bytes, int64_t* reads = nullptr)
      : file_(std::move(file)), bytes_(bytes), reads_(reads) {}
  int64_t Read(void* buffer, int64_t size) override {
    int64_t n = file_->Read(buffer, size);
    if (n > 0) *bytes_ += n;
    if (reads_) ++*reads_;
    return n;
  }
  bool Seek(int64_t offset) override { return file_->Seek(offset); }
  int64_t Tell() override { return file_->Tell(); }
  int64_t Size() override { return file_->Size(); }

 private:
  std::unique_ptr<MediaFile> file_;
  int64_t* bytes_;
  int64_t* reads_;
};

// The exact-length scan reads the whole MP3 before its first sound: in large blocks, not a
// frame's header and body apart (two reads a frame, some 2,300 for these 30 seconds).
TEST_F(EngineStreamTest, Mp3LengthScanReadsTheFileInLargeBlocks) {
  ToneParams params{0, 44100, 2, 30.0};
  std::string path = dir_.File("long.mp3");
  ASSERT_TRUE(WriteMpeg(path, params, "lame --quiet -b 192"));
  std::unique_ptr<FileSystem> files = CreatePosixFileSystem();
  int64_t bytes = 0, reads = 0;
  std::unique_ptr<MediaFile> file =
      std::make_unique<CountingFile>(files->OpenMediaFile(path), &bytes, &reads);
  int64_t size = file->Size();
  std::unique_ptr<Decoder> decoder = OpenMpegDecoder(file, true);
  ASSERT_TRUE(decoder);
  EXPECT_EQ(decoder->LengthFrames(), 30u * 44100);
  EXPECT_GE(bytes, size) << "the scan read the file through";
  EXPECT_LT(reads, size / 16384) << "reads for " << size << " bytes";
}

// Reads of every size through the buffer, with seeks back into what it holds, past it and to
// the end, give the file's own bytes and positions.
TEST(ReadAheadFileTest, GivesTheFilesBytesWhereverItIsReadAndSought) {
  TempDir dir;
  std::string bytes(200000, '\0');
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 7 % 251);
  dir.Write("data.bin", bytes);
  std::string path = dir.File("data.bin");
  std::unique_ptr<FileSystem> files = CreatePosixFileSystem();
  std::unique_ptr<MediaFile> plain = files->OpenMediaFile(path);
  ASSERT_TRUE(plain);
  ReadAheadFile file(*plain);
  EXPECT_EQ(file.Size(), 200000);
  const struct {
    int64_t seekTo;  // -1: read on from where the last read ended
    int64_t size;
  } steps[] = {{-1, 4},      {-1, 600},    {2, 10},  {-1, 70000}, {70000, 3},  {150000, 4},
               {149990, 20}, {199995, 10}, {-1, 10}, {0, 200000}, {65530, 12}, {200000, 1}};
  std::string got(200000, '\0');
  for (const auto& step : steps) {
    SCOPED_TRACE(testing::Message() << step.seekTo << " " << step.size);
    if (step.seekTo >= 0) {
      ASSERT_TRUE(file.Seek(step.seekTo));
    }
    int64_t at = file.Tell();
    int64_t wanted = std::min(step.size, 200000 - at);
    ASSERT_EQ(file.Read(got.data(), step.size), wanted);
    EXPECT_EQ(got.substr(0, wanted), bytes.substr(at, wanted));
    EXPECT_EQ(file.Tell(), at + wanted);
  }
}

// ASF counts time in milliseconds: a long WMA is neither decoded whole at the open nor again from
// its start on a seek back, and still ends and lands on the very frame.
TEST_F(EngineStreamTest, LongWmaOpensAndSeeksBackWithoutDecodingFromItsStart) {
  ToneParams unused{0, 44100, 2, 0.01};
  std::string path = dir_.File("long.wma");
  ASSERT_TRUE(WriteMpeg(path, unused,
                        "sh -c 'ffmpeg -v quiet -y -f lavfi -i sine=f=440:d=300 -ac 2 "
                        "-c:a wmav2 \"$1\"'"));
  std::unique_ptr<FileSystem> files = CreatePosixFileSystem();
  int64_t bytes = 0;
  std::unique_ptr<MediaFile> file =
      std::make_unique<CountingFile>(files->OpenMediaFile(path), &bytes);
  int64_t size = file->Size();
  std::unique_ptr<Decoder> decoder = OpenFfmpegDecoder(file);
  ASSERT_TRUE(decoder);
  EXPECT_LT(bytes, size / 20) << "read at the open";
  EXPECT_NEAR(decoder->LengthFrames() / 44100.0, 300, 0.1);

  const uint64_t far = 290 * 44100 + 17, back = 100 * 44100 + 5;
  std::vector<float> atFar(512), atBack(512);
  ASSERT_EQ(decoder->Seek(far), static_cast<double>(far));
  ASSERT_EQ(decoder->Read(atFar.data(), 256), 256u);
  bytes = 0;
  ASSERT_EQ(decoder->Seek(back), static_cast<double>(back));
  EXPECT_LT(bytes, size / 20) << "read by the seek back";
  ASSERT_EQ(decoder->Read(atBack.data(), 256), 256u);

  // Read straight through, the same frames come, and the length is where they end.
  std::unique_ptr<MediaFile> plain = files->OpenMediaFile(path);
  std::unique_ptr<Decoder> straight = OpenFfmpegDecoder(plain);
  ASSERT_TRUE(straight);
  std::vector<float> block(4096 * 2);
  uint64_t read = 0;
  float worst = 0;
  while (uint32_t n = straight->Read(block.data(), 4096)) {
    for (auto [at, heard] : {std::pair{far, &atFar}, std::pair{back, &atBack}}) {
      for (uint64_t i = std::max(at, read); i < std::min(at + 256, read + n); ++i) {
        for (int c = 0; c < 2; ++c)
          worst =
              std::max(worst, std::fabs(block[(i - read) * 2 + c] - (*heard)[(i - at) * 2 + c]));
      }
    }
    read += n;
  }
  EXPECT_EQ(read, decoder->LengthFrames());
  EXPECT_LE(worst, 2e-3f);
}

// A cut Ogg download, whose end libsndfile cannot find, is reported 2^63 frames long by it. Its
// length is what its whole pages hold, as far as it decodes, and seeks far past it return at once,
// no later than that end.
TEST_F(EngineStreamTest, CutOggFilesHaveTheLengthTheyPlay) {
  struct CutCase {
    const char* name;
    ToneParams params;
    const char* encoder;  // "" for libsndfile
  };
  const CutCase cases[] = {
      {"cut.opus", {0, 48000, 1, 3.0, 440, 0.5, 1000, 1.0}, "opusenc --quiet"},
      // Decoded at 16 kHz, counted in its pages at 48 kHz.
      {"cut16k.opus", {0, 16000, 2, 3.0}, "opusenc --quiet"},
      {"cut.ogg", {SF_FORMAT_OGG | SF_FORMAT_VORBIS, 44100, 2, 10.0}, ""},
  };
  std::unique_ptr<FileSystem> files = CreatePosixFileSystem();
  for (const CutCase& c : cases) {
    SCOPED_TRACE(c.name);
    std::string path = dir_.File(c.name);
    ASSERT_TRUE(*c.encoder ? WriteMpeg(path, c.params, c.encoder) : WriteTone(path, c.params));
    std::filesystem::resize_file(path, std::filesystem::file_size(path) * 2 / 3);
    const uint64_t whole = static_cast<uint64_t>(c.params.seconds * c.params.rate);

    std::unique_ptr<MediaFile> file = files->OpenMediaFile(path);
    std::unique_ptr<Decoder> decoder = OpenSndfileDecoder(file);
    ASSERT_TRUE(decoder);
    uint64_t length = decoder->LengthFrames();
    std::vector<float> block(4096 * c.params.channels);
    uint64_t played = 0;
    for (uint32_t got; (got = decoder->Read(block.data(), 4096)) > 0;) played += got;
    EXPECT_GT(played, whole / 3);
    EXPECT_EQ(length, played);

    for (uint64_t target : {length / 2, uint64_t{1000000000000}, uint64_t{1} << 62}) {
      file = files->OpenMediaFile(path);
      decoder = OpenSndfileDecoder(file);
      ASSERT_TRUE(decoder);
      ASSERT_EQ(decoder->Read(block.data(), 4096), 4096u);  // played a while
      EXPECT_EQ(decoder->Seek(target), static_cast<double>(std::min(target, length))) << target;
    }

    // The channel shows that length and takes no position past it.
    uint32_t h = Open(path);
    ASSERT_NE(h, 0u);
    double seconds = BASS_ChannelBytes2Seconds(h, BASS_ChannelGetLength(h));
    EXPECT_DOUBLE_EQ(seconds, static_cast<double>(length) / c.params.rate);
    EXPECT_FALSE(BASS_ChannelSetPosition(h, BASS_ChannelSeconds2Bytes(h, seconds + 1)));
    BASS_StreamFree(h);
  }
}

TEST_F(EngineStreamTest, OtherRatesAreResampledToTheRightPitch) {
  for (uint32_t rate : {48000u, 22050u, 8000u}) {
    SCOPED_TRACE(rate);
    uint32_t h = Open(Tone("rate.wav", 1.0, rate));
    ASSERT_NE(h, 0u);
    EXPECT_NEAR(BASS_ChannelBytes2Seconds(h, BASS_ChannelGetLength(h)), 1.0, 1e-9);
    EXPECT_EQ(BASS_ChannelGetLength(h), uint64_t{rate} * 2 * 4);
    BASS_ChannelPlay(h, false);
    engine_.Listen(50);
    EXPECT_NEAR(ToneFrequency(engine_.Listen(500), 44100), 440, 2);
    EXPECT_NEAR(PositionSeconds(h), 0.55, 0.03);
    BASS_StreamFree(h);
  }
}

TEST_F(EngineStreamTest, Mp3LengthIsExactForVbrWithoutHeader) {
  ToneParams params{0, 44100, 2, 3.0};
  std::string path = dir_.File("vbr.mp3");
  ASSERT_TRUE(WriteMpeg(path, params, "lame --quiet --vbr-new -V 2 -t"));
  uint32_t h = Open(path);
  ASSERT_NE(h, 0u);
  // Without the encoder's header the decoder delay and padding stay in: at most two frames more.
  double length = BASS_ChannelBytes2Seconds(h, BASS_ChannelGetLength(h));
  EXPECT_GE(length, 3.0);
  EXPECT_LE(length, 3.0 + 3 * 1152.0 / 44100);
  // The length is what the decoder then delivers: the channel ends when it says.
  BASS_ChannelPlay(h, false);
  ASSERT_TRUE(BASS_ChannelSetPosition(h, BASS_ChannelSeconds2Bytes(h, 2.5f)));
  engine_.Listen(static_cast<uint32_t>((length - 2.5) * 1000) - 30);
  EXPECT_EQ(BASS_ChannelIsActive(h), BASS_ACTIVE_PLAYING);
  engine_.Listen(60);
  EXPECT_EQ(BASS_ChannelIsActive(h), BASS_ACTIVE_STOPPED);
}

// The GUIDs of the ASF header's DRM objects, as stored.
const char kContentEncryption[] =
    "\xFB\xB3\x11\x22\x23\xBD\xD2\x11\xB4\xB7\x00\xA0\xC9\x55\xFC\x6E";
const char kExtendedContentEncryption[] =
    "\x14\xE6\x8A\x29\x22\x26\x17\x4C\xB9\x35\xDA\xE0\x7E\xE9\x28\x9C";

std::string Le(uint64_t value, int bytes) {
  std::string out;
  for (int i = 0; i < bytes; ++i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
  return out;
}

// Secret data, protection type "DRM", key id and licence URL, each after its length.
std::string ContentEncryption() {
  std::string body;
  for (std::string field : {std::string("secret"), std::string("DRM", 4), std::string("key", 4),
                            std::string("http://licence.invalid/", 24)})
    body += Le(field.size(), 4) + field;
  return body;
}

// asf with one more object at the start of its header object (16-byte GUID, 64-bit size and a
// 32-bit count of the objects it holds).
std::string WithHeaderObject(const std::string& asf, const char* guid, const std::string& body) {
  std::string object = std::string(guid, 16) + Le(24 + body.size(), 8) + body;
  uint64_t size = 0, count = 0;
  for (int i = 7; i >= 0; --i) size = size << 8 | static_cast<unsigned char>(asf[16 + i]);
  for (int i = 3; i >= 0; --i) count = count << 8 | static_cast<unsigned char>(asf[24 + i]);
  return asf.substr(0, 16) + Le(size + object.size(), 8) + Le(count + 1, 4) + asf.substr(28, 2) +
         object + asf.substr(30);
}

TEST_F(EngineStreamTest, UnplayableFilesAreRefusedByBothCalls) {
  std::mt19937 random(7);
  std::string noise(20000, '\0');
  for (char& c : noise) c = static_cast<char>(random());
  std::string wav;
  {
    ToneParams params{SF_FORMAT_WAV | SF_FORMAT_PCM_16, 44100, 2, 0.5};
    ASSERT_TRUE(WriteTone(dir_.File("whole.wav"), params));
    wav = dir_.Read("whole.wav");
  }
  dir_.Write("empty.mp3", "");
  dir_.Write("noise.mp3", noise);
  dir_.Write("noise.xm", noise);
  dir_.Write("header.wav", wav.substr(0, 20));
  dir_.Write("text.ogg", "just some text, not a sound at all\r\n");
  for (const char* name : {"noise.flac", "noise.opus", "noise.m4a", "noise.wma"})
    dir_.Write(name, noise);
  // An MP4 of video only, and one whose AAC samples are encrypted.
  ToneParams params{0, 44100, 2, 0.5};
  ASSERT_TRUE(WriteMpeg(dir_.File("video.m4a"), params,
                        "sh -c 'ffmpeg -v quiet -y -f lavfi -i color=s=32x32:d=0.5 -c:v mpeg4 "
                        "-f mp4 \"$1\"'"));
  ASSERT_TRUE(WriteMpeg(dir_.File("encrypted.m4a"), params,
                        FFMPEG("aac -encryption_scheme cenc-aes-ctr -encryption_key "
                               "00112233445566778899aabbccddeeff -encryption_kid "
                               "00112233445566778899aabbccddeeff")));
  // WMA under DRM: the ASF header says so (the older and the newer scheme), the data is noise.
  ASSERT_TRUE(WriteMpeg(dir_.File("plain.wma"), params, FFMPEG("wmav2")));
  std::string wma = dir_.Read("plain.wma");
  ASSERT_NE(Open(dir_.File("plain.wma")), 0u);
  dir_.Write("protected.wma", WithHeaderObject(wma, kContentEncryption, ContentEncryption()));
  dir_.Write("protected7.wma",
             WithHeaderObject(wma, kExtendedContentEncryption, std::string("\x04\0\0\0<xml", 8)));
  const char* names[] = {
      "empty.mp3",     "noise.mp3",     "noise.xm",       "header.wav",  "text.ogg",
      "noise.flac",    "noise.opus",    "noise.m4a",      "noise.wma",   "video.m4a",
      "encrypted.m4a", "protected.wma", "protected7.wma", "missing.wav", ""};
  for (const char* name : names) {
    SCOPED_TRACE(name);
    std::string path = *name ? dir_.File(name) : dir_.path();  // "" names the folder itself
    EXPECT_EQ(Open(path), 0u);
    EXPECT_EQ(BASS_MusicLoad(false, path.c_str(), 0, 0, kFloat | 0x20200, 0), 0u);
  }
  // A WAV cut short plays what it has.
  dir_.Write("cut.wav", wav.substr(0, wav.size() / 2));
  EXPECT_NE(Open(dir_.File("cut.wav")), 0u);
}

TEST_F(EngineStreamTest, PositionFollowsWhatIsHeardInTheChannelsOwnFormat) {
  std::string path = Tone("pos.wav", 2.0, 22050);
  uint32_t asFloat = Open(path, kFloat);
  uint32_t as16 = Open(path, 0);
  EXPECT_EQ(BASS_ChannelGetLength(asFloat), 22050u * 2 * 2 * 4);
  EXPECT_EQ(BASS_ChannelGetLength(as16), 22050u * 2 * 2 * 2);
  EXPECT_EQ(BASS_ChannelSeconds2Bytes(as16, 1.0f), 22050u * 4);
  EXPECT_DOUBLE_EQ(BASS_ChannelBytes2Seconds(as16, 22050u * 4 * 3 / 2), 1.5);

  BASS_ChannelPlay(asFloat, false);
  EXPECT_EQ(BASS_ChannelGetPosition(asFloat), 0u);
  engine_.Listen(250);
  // The mixer has read ahead, but the position is what has been heard.
  EXPECT_NEAR(PositionSeconds(asFloat), 0.25, 0.005);
  engine_.Listen(500);
  EXPECT_NEAR(PositionSeconds(asFloat), 0.75, 0.005);
}

// The largest step from one frame to the next: a cut in a tone shows as a jump.
float LargestStep(const std::vector<float>& stereo) {
  float largest = 0;
  for (size_t i = 2; i < stereo.size(); i += 2) {
    largest = std::max(largest, std::abs(stereo[i] - stereo[i - 2]));
  }
  return largest;
}

TEST_F(EngineStreamTest, PauseHoldsThePositionAndPlayResumesThere) {
  uint32_t h = Open(Tone("pause.wav", 2.0));
  BASS_ChannelPlay(h, false);
  std::vector<float> before = engine_.Listen(300);
  ASSERT_TRUE(BASS_ChannelPause(h));
  EXPECT_EQ(BASS_ChannelIsActive(h), BASS_ACTIVE_PAUSED);
  double held = PositionSeconds(h);
  EXPECT_NEAR(held, 0.3, 0.005);
  EXPECT_EQ(Rms(engine_.Listen(200)), 0.0);
  EXPECT_DOUBLE_EQ(PositionSeconds(h), held);
  ASSERT_TRUE(BASS_ChannelPlay(h, false));
  EXPECT_EQ(BASS_ChannelIsActive(h), BASS_ACTIVE_PLAYING);
  std::vector<float> after = engine_.Listen(100);
  EXPECT_NEAR(PositionSeconds(h), held + 0.1, 0.005);
  // Not a frame lost or repeated across the pause.
  before.insert(before.end(), after.begin(), after.end());
  EXPECT_LT(LargestStep(before), 0.5 * 2 * 3.1416 * 440 / 44100 * 1.05);

  // Stop keeps the position too, and play goes on from it.
  ASSERT_TRUE(BASS_ChannelStop(h));
  EXPECT_EQ(BASS_ChannelIsActive(h), BASS_ACTIVE_STOPPED);
  held = PositionSeconds(h);
  EXPECT_EQ(Rms(engine_.Listen(100)), 0.0);
  BASS_ChannelPlay(h, false);
  engine_.Listen(100);
  EXPECT_NEAR(PositionSeconds(h), held + 0.1, 0.005);
}

TEST_F(EngineStreamTest, SeekIsHeardAtOnce) {
  // 440 Hz for the first second, 880 Hz after it.
  uint32_t h = Open(Tone("two.wav", 2.0, 44100, 880, 1.0));
  BASS_ChannelPlay(h, false);
  engine_.Listen(200);
  ASSERT_TRUE(BASS_ChannelSetPosition(h, BASS_ChannelSeconds2Bytes(h, 1.5f)));
  EXPECT_NEAR(PositionSeconds(h), 1.5, 1e-9);
  EXPECT_NEAR(ToneFrequency(engine_.Listen(50), 44100), 880, 10);
  EXPECT_NEAR(PositionSeconds(h), 1.55, 0.005);
  EXPECT_FALSE(BASS_ChannelSetPosition(h, BASS_ChannelGetLength(h) + 8));
}

TEST_F(EngineStreamTest, VolumeScalesTheSoundAndIsClamped) {
  uint32_t h = Open(Tone("volume.wav", 3.0));
  BASS_ChannelPlay(h, false);
  engine_.Listen(50);
  double full = Rms(engine_.Listen(200));
  const struct {
    int volume;
    double ratio;
  } cases[] = {{50, 0.5}, {0, 0.0}, {150, 1.0}, {-5, 0.0}, {100, 1.0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.volume);
    BASS_ChannelSetAttributes(h, 0, c.volume, 0);
    // Heard at once, though the mixer had queued sound at the old volume.
    std::vector<float> heard = engine_.Listen(200);
    heard.erase(heard.begin(), heard.begin() + 2 * 441);  // the ramp of the first block
    EXPECT_NEAR(Rms(heard) / full, c.ratio, 0.01);
  }
}

TEST_F(EngineStreamTest, ChannelStopsOnceItsEndHasBeenHeard) {
  uint32_t h = Open(Tone("end.wav", 0.3));
  BASS_ChannelPlay(h, false);
  engine_.Listen(280);
  EXPECT_EQ(BASS_ChannelIsActive(h), BASS_ACTIVE_PLAYING);
  std::vector<float> tail = engine_.Listen(100);
  EXPECT_EQ(BASS_ChannelIsActive(h), BASS_ACTIVE_STOPPED);
  EXPECT_EQ(BASS_ChannelGetPosition(h), BASS_ChannelGetLength(h));
  EXPECT_TRUE(TakeChannelEnd(h));
  EXPECT_FALSE(TakeChannelEnd(h)) << "an end is told once";
  // Silence after the end, and play starts it again from the start.
  EXPECT_EQ(Rms(std::vector<float>(tail.begin() + 2 * 44100 * 30 / 1000, tail.end())), 0.0);
  BASS_ChannelPlay(h, false);
  engine_.Listen(100);
  EXPECT_NEAR(PositionSeconds(h), 0.1, 0.005);
}

TEST_F(EngineStreamTest, StopOfAllOutputSilencesUntilStart) {
  uint32_t h = Open(Tone("all.wav", 2.0));
  BASS_ChannelPlay(h, false);
  engine_.Listen(100);
  ASSERT_TRUE(BASS_Stop());
  EXPECT_EQ(Rms(engine_.Listen(100)), 0.0);
  ASSERT_TRUE(BASS_Start());
  EXPECT_GT(Rms(engine_.Listen(100)), 0.3);
  EXPECT_NEAR(PositionSeconds(h), 0.2, 0.005);
}

TEST_F(EngineStreamTest, LostDeviceLeavesTheChannelStoppedUntilItOpensAgain) {
  uint32_t h = Open(Tone("lost.wav", 2.0));
  engine_.capture().SetDevicePresent(false);
  ASSERT_TRUE(BASS_Stop());
  EXPECT_FALSE(BASS_Start());
  EXPECT_FALSE(BASS_ChannelPlay(h, false));
  EXPECT_EQ(BASS_ChannelIsActive(h), BASS_ACTIVE_STOPPED);
  engine_.capture().SetDevicePresent(true);
  ASSERT_TRUE(BASS_Start());
  ASSERT_TRUE(BASS_ChannelPlay(h, false));
  EXPECT_GT(Rms(engine_.Listen(100)), 0.3);
}

TEST(TrackDecodersTest, TheExtensionsRowNamesTheFirstDecoder) {
  using D = StreamDecoder;
  const std::array<D, 3> kUsual = {D::kSndfile, D::kMpeg, D::kFfmpeg};
  const struct {
    const char* path;
    std::array<D, 3> order;
  } cases[] = {
      {"/music/tone.mp3", {D::kMpeg, D::kSndfile, D::kFfmpeg}},
      {"C:\\MUSIC\\TONE.M4A", {D::kFfmpeg, D::kSndfile, D::kMpeg}},
      {"tone.wma", {D::kFfmpeg, D::kSndfile, D::kMpeg}},
      {"tone.flac", kUsual},
      {"tone.mp3.wav", kUsual},
      // A module's row names no stream decoder; a playlist's row is none of the engine's.
      {"song.xm", kUsual},
      {"list.m3u", kUsual},
      {"mem/track", kUsual},
      {"tone.", kUsual},
      {"/music/album.mp3/track", kUsual},
  };
  for (const auto& c : cases) EXPECT_EQ(StreamProbeOrder(c.path), c.order) << c.path;
}

// A name FFmpeg does not know would leave its format out without a word, here and in the
// Windows build's configuration.
TEST(TrackDecodersTest, FfmpegKnowsEveryNameOfTheTableOnce) {
  for (const auto* names : {&FfmpegDemuxerNames(), &FfmpegDecoderNames()}) {
    EXPECT_FALSE(names->empty());
    for (const std::string& name : *names)
      EXPECT_EQ(std::count(names->begin(), names->end(), name), 1) << name;
  }
  for (const std::string& name : FfmpegDemuxerNames())
    EXPECT_NE(av_find_input_format(name.c_str()), nullptr) << name;
  for (const std::string& name : FfmpegDecoderNames())
    EXPECT_NE(avcodec_find_decoder_by_name(name.c_str()), nullptr) << name;
}

TEST(EngineInitTest, InitFailsWithoutAnOutputAndAnswersTheFloatTest) {
  EngineConfig config = DefaultEngineConfig();
  config.createOutput = [] { return std::unique_ptr<AudioOutput>(); };
  ConfigureEngine(config);
  EXPECT_FALSE(BASS_Init(-1, 44100, BASS_DEVICE_LATENCY, nullptr, nullptr));
  EXPECT_EQ(BASS_SampleCreate(10, 44100, 1, 0, BASS_SAMPLE_FLOAT), 0u);

  ConfigureEngine(DefaultEngineConfig());  // the null output, in real time
  ASSERT_TRUE(BASS_Init(-1, 44100, BASS_DEVICE_LATENCY, nullptr, nullptr));
  EXPECT_FALSE(BASS_Init(-1, 44100, BASS_DEVICE_LATENCY, nullptr, nullptr));
  EXPECT_NE(BASS_SampleCreate(10, 44100, 1, 0, BASS_SAMPLE_FLOAT), 0u);
  EXPECT_EQ(BASS_ChannelIsActive(0), BASS_ACTIVE_STOPPED);
  EXPECT_FALSE(BASS_ChannelPlay(0, false));
  EXPECT_TRUE(BASS_Free());
}

}  // namespace
