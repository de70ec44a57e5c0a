// Writes the seed inputs of the media fuzz target into the folder given: short, quiet files of
// every kind the player opens, kept small so that each run decodes them quickly.
#include <sndfile.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "tests/unit/engine_test_support.h"

namespace {

void Save(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_media_seeds FOLDER\n");
    return 2;
  }
  std::string out = std::string(argv[1]) + "/";
  ToneParams tone;
  tone.rate = 8000;
  tone.channels = 1;
  tone.seconds = 0.25;
  struct {
    const char* name;
    int format;
  } sndfiles[] = {{"tone.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16},
                  {"tone-float.wav", SF_FORMAT_WAV | SF_FORMAT_FLOAT},
                  {"tone.aiff", SF_FORMAT_AIFF | SF_FORMAT_PCM_16},
                  {"tone.ogg", SF_FORMAT_OGG | SF_FORMAT_VORBIS},
                  {"tone.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_24}};
  bool ok = true;
  for (const auto& file : sndfiles) {
    tone.format = file.format;
    ok = WriteTone(out + file.name, tone) && ok;
  }
  ok = WriteMpeg(out + "tone.mp3", tone, "lame --quiet -b 32") && ok;
  ok = WriteMpeg(out + "tone-vbr.mp3", tone, "lame --quiet --vbr-new -V 9 -t") && ok;
  // FFmpeg's encoders, given the source and the target; the MP4s with their index first.
  struct {
    const char* name;
    const char* options;
  } encoded[] = {{"tone.m4a", "-c:a aac -b:a 24k"},
                 {"alac.m4a", "-c:a alac"},
                 {"tone.wma", "-c:a wmav2 -b:a 32k"}};
  for (const auto& file : encoded) {
    std::string command = std::string("sh -c 'ffmpeg -v quiet -y -i \"$0\" -movflags +faststart ") +
                          file.options + " \"$1\"'";
    ok = WriteMpeg(out + file.name, tone, command) && ok;
  }
  ok = WriteMpeg(out + "tone.opus", tone, "opusenc --quiet --bitrate 16") && ok;
  tone.rate = 16000;
  ok = WriteMpeg(out + "tone.mp2", tone, "twolame --quiet -b 32") && ok;

  ModuleParams module;
  module.rows = 4;
  Save(out + "tone.mod", MakeMod(module));
  Save(out + "tone.s3m", MakeS3m(module));
  Save(out + "tone.xm", MakeXm(module));
  Save(out + "tone.it", MakeIt(module));
  Save(out + "tone.mtm", MakeMtm(module));
  Save(out + "tone.umx", MakeUmx(MakeIt(module)));
  if (!ok) std::fprintf(stderr, "make_media_seeds: some seeds could not be written\n");
  return ok ? 0 : 1;
}
