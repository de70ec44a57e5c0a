// Writes the seed inputs of the media fuzz targets under the folder given: short, quiet files of
// every kind the player opens, kept small so that each run decodes them quickly. Each decoder's
// target gets the kinds it decodes (FOLDER/<decoder>/), the engine's target all of them
// (FOLDER/media/).
#include <sndfile.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "tests/unit/engine_test_support.h"

namespace {

std::string g_out;

std::string PathOf(const char* decoder, const std::string& name) {
  std::filesystem::create_directories(g_out + decoder);
  return g_out + decoder + "/" + name;
}

// The engine's target opens every kind, so every seed goes to it as well.
bool Share(const char* decoder, const std::string& name, bool written) {
  if (!written) {
    std::fprintf(stderr, "make_media_seeds: %s/%s could not be written\n", decoder, name.c_str());
    return false;
  }
  std::error_code error;
  std::filesystem::copy_file(PathOf(decoder, name), PathOf("media", name),
                             std::filesystem::copy_options::overwrite_existing, error);
  return !error;
}

bool Save(const char* decoder, const std::string& name, const std::string& bytes) {
  std::ofstream(PathOf(decoder, name), std::ios::binary) << bytes;
  return Share(decoder, name, true);
}

// Layer I frames whose bit allocations are all zero: silence. No encoder here writes layer I.
std::string SilentLayer1(int frames) {
  // MPEG-1 layer I without CRC, 32 kbit/s at 44100 Hz, mono: 32 bytes a frame.
  std::string frame = std::string("\xFF\xFF\x10\xC0", 4) + std::string(28, '\0');
  std::string bytes;
  for (int i = 0; i < frames; ++i) bytes += frame;
  return bytes;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// An ID3v2 tag with padding before the audio and an ID3v1 tag after it, as taggers leave them.
std::string Tagged(const std::string& audio) {
  std::string frame = std::string("TIT2\0\0\0\x05\0\0\0tone", 15);
  std::string body = frame + std::string(100, '\0');
  std::string header = std::string("ID3\x03\0\0\0\0\0", 9) + static_cast<char>(body.size());
  std::string v1 = "TAG" + std::string("tone") + std::string(121, '\0');
  return header + body + audio + v1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_media_seeds FOLDER\n");
    return 2;
  }
  g_out = std::string(argv[1]) + "/";
  ToneParams tone;
  tone.rate = 8000;
  tone.channels = 1;
  tone.seconds = 0.25;
  struct {
    const char* name;
    int format;
    uint32_t channels;
  } sndfiles[] = {{"tone.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 1},
                  {"tone-float.wav", SF_FORMAT_WAV | SF_FORMAT_FLOAT, 1},
                  {"tone.aiff", SF_FORMAT_AIFF | SF_FORMAT_PCM_16, 1},
                  {"tone.ogg", SF_FORMAT_OGG | SF_FORMAT_VORBIS, 1},
                  {"tone.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_24, 1},
                  {"stereo-u8.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_U8, 2},
                  {"ulaw.wav", SF_FORMAT_WAV | SF_FORMAT_ULAW, 1},
                  {"ima-adpcm.wav", SF_FORMAT_WAV | SF_FORMAT_IMA_ADPCM, 1},
                  {"ms-adpcm.wav", SF_FORMAT_WAV | SF_FORMAT_MS_ADPCM, 2},
                  {"extensible.wav", SF_FORMAT_WAVEX | SF_FORMAT_PCM_24, 2},
                  {"tone.w64", SF_FORMAT_W64 | SF_FORMAT_PCM_16, 1},
                  {"tone.rf64", SF_FORMAT_RF64 | SF_FORMAT_PCM_16, 1},
                  {"float.aiff", SF_FORMAT_AIFF | SF_FORMAT_FLOAT, 1},
                  {"alaw.aifc", SF_FORMAT_AIFF | SF_FORMAT_ALAW, 1},
                  {"stereo.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 2},
                  {"sndfile.opus", SF_FORMAT_OGG | SF_FORMAT_OPUS, 1}};
  bool ok = true;
  for (const auto& file : sndfiles) {
    ToneParams params = tone;
    params.format = file.format;
    params.channels = file.channels;
    ok = Share("sndfile", file.name, WriteTone(PathOf("sndfile", file.name), params)) && ok;
  }
  ok = Share("sndfile", "tone.opus",
             WriteMpeg(PathOf("sndfile", "tone.opus"), tone, "opusenc --quiet --bitrate 16")) &&
       ok;

  struct {
    const char* name;
    uint32_t rate;
    uint32_t channels;
    double seconds;
    const char* encoder;
  } mpegs[] = {{"tone.mp3", 8000, 1, 0.25, "lame --quiet -b 32"},
               {"tone-vbr.mp3", 8000, 1, 0.25, "lame --quiet --vbr-new -V 9 -t"},
               {"stereo.mp3", 32000, 2, 0.1, "lame --quiet -b 32 -m j"},
               {"tone.mp2", 16000, 1, 0.25, "twolame --quiet -b 32"}};
  for (const auto& file : mpegs) {
    ToneParams params = tone;
    params.rate = file.rate;
    params.channels = file.channels;
    params.seconds = file.seconds;
    ok = Share("mpeg", file.name, WriteMpeg(PathOf("mpeg", file.name), params, file.encoder)) && ok;
  }
  ok = Save("mpeg", "tagged.mp3", Tagged(ReadFile(PathOf("mpeg", "tone.mp3")))) && ok;
  ok = Save("mpeg", "silent.mp1", SilentLayer1(24)) && ok;

  // FFmpeg's encoders, given the source and the target; the MP4s with their index first but one.
  struct {
    const char* name;
    const char* options;
  } encoded[] = {{"tone.m4a", "-c:a aac -b:a 24k -movflags +faststart"},
                 {"index-last.m4a", "-c:a aac -b:a 24k"},
                 {"alac.m4a", "-c:a alac -movflags +faststart"},
                 {"tone.wma", "-c:a wmav2 -b:a 32k"},
                 {"wmav1.wma", "-c:a wmav1 -b:a 32k"}};
  for (const auto& file : encoded) {
    std::string command =
        std::string("sh -c 'ffmpeg -v quiet -y -i \"$0\" ") + file.options + " \"$1\"'";
    ok = Share("ffmpeg", file.name, WriteMpeg(PathOf("ffmpeg", file.name), tone, command)) && ok;
  }

  ModuleParams module;
  module.rows = 4;
  ok = Save("module", "tone.mod", MakeMod(module)) && ok;
  ok = Save("module", "tone.s3m", MakeS3m(module)) && ok;
  ok = Save("module", "tone.xm", MakeXm(module)) && ok;
  ok = Save("module", "tone.it", MakeIt(module)) && ok;
  ok = Save("module", "tone.mtm", MakeMtm(module)) && ok;
  ok = Save("module", "tone.umx", MakeUmx(MakeIt(module))) && ok;
  if (!ok) std::fprintf(stderr, "make_media_seeds: some seeds could not be written\n");
  return ok ? 0 : 1;
}
