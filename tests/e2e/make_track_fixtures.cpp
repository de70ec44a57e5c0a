// Writes one file of every track kind the player opens into a folder, for the end-to-end tests:
// tones through libsndfile and the MPEG encoders, and the tiny tracker modules of the unit tests.
// Usage: tunlark_e2e_fixtures FOLDER; prints the names written, one a line.
#include <sndfile.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "engine_test_support.h"

namespace {

bool WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: tunlark_e2e_fixtures FOLDER\n");
    return 2;
  }
  const std::string folder = std::string(argv[1]) + "/";
  ToneParams tone{SF_FORMAT_AIFF | SF_FORMAT_PCM_16};
  tone.seconds = 30;
  tone.freq = 600;
  bool ok = WriteTone(folder + "tone.aiff", tone);
  ok = ok && WriteMpeg(folder + "tone.mp2", tone, "twolame --quiet");
  // No layer 1 encoder exists here: layer 2 data under the .mp1 name still proves the name is
  // accepted and reaches the MPEG decoder, which reads any layer.
  ok = ok && WriteMpeg(folder + "tone.mp1", tone, "twolame --quiet");
  // The formats of a current collection; the FLAC at 24 bits and 96 kHz, through the resampler.
  ok = ok && WriteMpeg(folder + "tone.opus", tone, "opusenc --quiet");
  for (const char* codec : {"aac", "alac", "wmav2"}) {
    std::string name =
        std::string(codec) == "wmav2" ? "tone.wma" : std::string("tone-") + codec + ".m4a";
    ok = ok &&
         WriteMpeg(folder + name, tone,
                   std::string("sh -c 'ffmpeg -v quiet -y -i \"$0\" -c:a ") + codec + " \"$1\"'");
  }
  // A 3-second AAC track and a 900 Hz FLAC after it in a list, for the join between them.
  ToneParams shortTone = tone;
  shortTone.seconds = 3;
  ok = ok && WriteMpeg(folder + "short.m4a", shortTone,
                       "sh -c 'ffmpeg -v quiet -y -i \"$0\" -c:a aac \"$1\"'");
  ToneParams hiRes = tone;
  hiRes.format = SF_FORMAT_FLAC | SF_FORMAT_PCM_24;
  hiRes.rate = 96000;
  ok = ok && WriteTone(folder + "tone.flac", hiRes);
  hiRes.freq = 900;
  hiRes.seconds = 4;
  std::filesystem::create_directories(folder + "sub");
  ok = ok && WriteTone(folder + "sub/next.flac", hiRes);

  // About eight seconds each: 64 rows at speed 6 and tempo 125.
  const ModuleParams module{64, 6, 125};
  ok = ok && WriteBytes(folder + "module.mod", MakeMod(module));
  ok = ok && WriteBytes(folder + "module.s3m", MakeS3m(module));
  ok = ok && WriteBytes(folder + "module.xm", MakeXm(module));
  ok = ok && WriteBytes(folder + "module.it", MakeIt(module));
  ok = ok && WriteBytes(folder + "module.mtm", MakeMtm(module));
  ok = ok && WriteBytes(folder + "module.umx", MakeUmx(MakeS3m(module)));
  if (!ok) {
    std::fprintf(stderr, "tunlark_e2e_fixtures: could not write the fixtures into %s\n", argv[1]);
    return 1;
  }
  return 0;
}
