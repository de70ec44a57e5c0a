// The audio engine's costs: CPU time to decode and mix one second of each format, peak memory
// while playing a 60-minute MP3 against a 1-minute one (the difference must stay under 5 MB),
// and the time from opening a file to the first sample of a 60-minute VBR MP3 without a header
// (scanned for its exact length), beside `mpg123 -t` on the same file; the same and a seek far
// back for a 60-minute WMA.
//
// Usage: tunlark_engine_bench DATA_DIR. Fixtures are made in DATA_DIR once and kept. Prints a
// Markdown report and exits with 1 when the memory target is missed.

#include <sndfile.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "engine_test_support.h"
#include "playback/engine/audio_engine.h"

namespace {

using SteadyClock = std::chrono::steady_clock;

constexpr uint32_t kSeconds = 60;
constexpr double kMemoryTargetMb = 5;

bool Exists(const std::string& path) {
  struct stat info;
  return stat(path.c_str(), &info) == 0 && info.st_size > 0;
}

bool Shell(const std::string& command) {
  return std::system(command.c_str()) == 0;
}

double CpuSeconds() {
  rusage usage;
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
         (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

long PeakRssKb() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmHWM:", 0) == 0) return std::strtol(line.c_str() + 6, nullptr, 10);
  }
  return -1;
}

// Opens the file as the player does, as a stream and else as a module, and plays it at full
// volume; the engine is benchmarked on its own, without the player around it.
bool OpenAndPlay(const std::string& path) {
  uint32_t channel =
      BASS_StreamCreateFile(false, path.c_str(), 0, 0, BASS_SAMPLE_FLOAT | BASS_STREAM_PRESCAN);
  if (channel == 0) {
    channel = BASS_MusicLoad(false, path.c_str(), 0, 0,
                             BASS_SAMPLE_FLOAT | BASS_MUSIC_PRESCAN | BASS_MUSIC_RAMP, 0);
  }
  return channel != 0 && BASS_ChannelSetAttributes(channel, 0, 100, 0) &&
         BASS_ChannelPlay(channel, false);
}

// A sine sweep through sox and an encoder, for files too long to write from memory.
bool MakeLongMp3(const std::string& path, uint32_t seconds) {
  if (Exists(path)) return true;
  return Shell("sox -n -r 44100 -c 2 -b 16 -t wav - synth " + std::to_string(seconds) +
               " sine 200-2000 2>/dev/null | lame --quiet --vbr-new -V 2 -t - '" + path + "'");
}

struct Fixture {
  const char* label;
  std::string file;
};

std::vector<Fixture> MakeFormatFixtures(const std::string& dir) {
  std::vector<Fixture> fixtures;
  auto tone = [&](const char* label, const char* name, int format, uint32_t rate) {
    std::string path = dir + "/" + name;
    ToneParams params{format, rate, 2, kSeconds, 440, 0.5};
    if (Exists(path) || WriteTone(path, params)) fixtures.push_back({label, path});
  };
  auto mpeg = [&](const char* label, const char* name, const std::string& encoder) {
    std::string path = dir + "/" + name;
    ToneParams params{0, 44100, 2, kSeconds, 440, 0.5};
    if (Exists(path) || WriteMpeg(path, params, encoder)) fixtures.push_back({label, path});
  };
  auto module = [&](const char* label, const char* name, std::string (*make)(const ModuleParams&)) {
    std::string path = dir + "/" + name;
    std::ofstream(path, std::ios::binary) << make(ModuleParams{64, 15, 40});  // 60 s
    fixtures.push_back({label, path});
  };
  tone("WAV 16-bit 44.1 kHz", "tone.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 44100);
  tone("WAV 16-bit 48 kHz (resampled)", "tone48.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 48000);
  tone("AIFF 16-bit 44.1 kHz", "tone.aiff", SF_FORMAT_AIFF | SF_FORMAT_PCM_16, 44100);
  tone("OGG Vorbis 44.1 kHz", "tone.ogg", SF_FORMAT_OGG | SF_FORMAT_VORBIS, 44100);
  mpeg("MP3 CBR 128 kbit/s", "cbr.mp3", "lame --quiet -b 128");
  mpeg("MP3 VBR -V 2", "vbr.mp3", "lame --quiet --vbr-new -V 2");
  mpeg("MP2 192 kbit/s", "tone.mp2", "twolame --quiet -b 192");
  tone("FLAC 16-bit 44.1 kHz", "tone.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 44100);
  tone("FLAC 24-bit 96 kHz (resampled)", "tone96.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_24, 96000);
  mpeg("Opus 128 kbit/s (48 kHz, resampled)", "tone.opus", "opusenc --quiet --bitrate 128");
  auto ffmpeg = [](const std::string& options) {
    return "sh -c 'ffmpeg -v quiet -y -i \"$0\" " + options + " \"$1\"'";
  };
  mpeg("AAC 192 kbit/s in M4A", "aac.m4a", ffmpeg("-c:a aac -b:a 192k"));
  mpeg("ALAC in M4A", "alac.m4a", ffmpeg("-c:a alac"));
  mpeg("WMA 2 128 kbit/s", "tone.wma", ffmpeg("-c:a wmav2 -b:a 128k"));
  module("MOD", "tone.mod", MakeMod);
  module("S3M", "tone.s3m", MakeS3m);
  module("XM", "tone.xm", MakeXm);
  module("IT", "tone.it", MakeIt);
  return fixtures;
}

// CPU seconds per second of audio: the file is opened and played through the capture output,
// faster than real time, so the figure is the work the engine does, not the time it waits.
double CpuPerSecond(const std::string& path) {
  EngineFixture engine;
  double start = CpuSeconds();
  if (!OpenAndPlay(path)) return -1;
  for (uint32_t i = 0; i < kSeconds * 10; ++i) {
    engine.capture().AdvanceMs(100);
    engine.capture().TakeHeard();
  }
  return (CpuSeconds() - start) / kSeconds;
}

// Run in a child process so that each file has a peak of its own.
int MemoryChild(const std::string& path) {
  EngineFixture engine;
  if (!OpenAndPlay(path)) return 1;
  for (int i = 0; i < 200; ++i) {  // 20 s
    engine.capture().AdvanceMs(100);
    engine.capture().TakeHeard();
  }
  std::printf("%ld\n", PeakRssKb());
  return 0;
}

long ChildPeakKb(const char* self, const std::string& path) {
  std::string command = std::string("'") + self + "' --memory '" + path + "'";
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return -1;
  long kb = -1;
  if (std::fscanf(pipe, "%ld", &kb) != 1) kb = -1;
  pclose(pipe);
  return kb;
}

double FirstSampleMs(const std::string& path) {
  EngineFixture engine;
  auto start = SteadyClock::now();
  if (!OpenAndPlay(path)) return -1;
  while (engine.capture().QueuedFrames() == 0)
    std::this_thread::sleep_for(std::chrono::microseconds(50));
  return std::chrono::duration<double, std::milli>(SteadyClock::now() - start).count();
}

// A 60-minute WMA: ASF counts time in milliseconds, so its frames are found through the
// timestamps, not counted from the start.
bool MakeLongWma(const std::string& path) {
  return Exists(path) || Shell(
                             "ffmpeg -v quiet -y -f lavfi -i sine=f=440:d=3600 -ac 2 -c:a wmav2 "
                             "-b:a 128k '" +
                             path + "'");
}

// The time BASS_ChannelSetPosition takes to move a playing channel from `from` to `to` seconds.
double SeekMs(const std::string& path, float from, float to) {
  EngineFixture engine;
  uint32_t channel =
      BASS_StreamCreateFile(false, path.c_str(), 0, 0, BASS_SAMPLE_FLOAT | BASS_STREAM_PRESCAN);
  if (channel == 0 || !BASS_ChannelPlay(channel, false) ||
      !BASS_ChannelSetPosition(channel, BASS_ChannelSeconds2Bytes(channel, from)))
    return -1;
  engine.capture().AdvanceMs(100);
  auto start = SteadyClock::now();
  if (!BASS_ChannelSetPosition(channel, BASS_ChannelSeconds2Bytes(channel, to))) return -1;
  return std::chrono::duration<double, std::milli>(SteadyClock::now() - start).count();
}

double CommandMs(const std::string& command) {
  auto start = SteadyClock::now();
  if (!Shell(command)) return -1;
  return std::chrono::duration<double, std::milli>(SteadyClock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "--memory") == 0) return MemoryChild(argv[2]);
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s DATA_DIR\n", argv[0]);
    return 2;
  }
  std::string dir = argv[1];
  Shell("mkdir -p '" + dir + "'");

  std::printf("### Decoding and mixing, CPU time per second of audio\n\n");
  std::printf(
      "60 s of each, played through the capture output faster than real time; the figure "
      "includes opening the file and the hand-over between the clock and the mixing thread, "
      "so it is an upper bound of the engine's own work.\n\n");
  std::printf("| Format | CPU ms per s of audio | share of one core |\n|---|---|---|\n");
  for (const Fixture& fixture : MakeFormatFixtures(dir)) {
    double cpu = CpuPerSecond(fixture.file);
    std::printf("| %s | %.2f | %.2f %% |\n", fixture.label, cpu * 1000, cpu * 100);
  }

  std::string shortMp3 = dir + "/vbr-1min-noheader.mp3";
  std::string longMp3 = dir + "/vbr-60min-noheader.mp3";
  if (!MakeLongMp3(shortMp3, 60) || !MakeLongMp3(longMp3, 3600)) {
    std::fprintf(stderr, "cannot make the long MP3 files (sox, lame)\n");
    return 2;
  }
  long shortKb = ChildPeakKb(argv[0], shortMp3);
  long longKb = ChildPeakKb(argv[0], longMp3);
  double differenceMb = (longKb - shortKb) / 1024.0;
  bool memoryOk = shortKb > 0 && longKb > 0 && differenceMb < kMemoryTargetMb;
  std::printf("\n### Peak memory while playing a VBR MP3 (exact length, 20 s played)\n\n");
  std::printf("| File | peak resident memory |\n|---|---|\n");
  std::printf("| 1 minute | %.1f MB |\n| 60 minutes | %.1f MB |\n", shortKb / 1024.0,
              longKb / 1024.0);
  std::printf("| difference | %.2f MB (target under %.0f MB: %s) |\n", differenceMb,
              kMemoryTargetMb, memoryOk ? "met" : "MISSED");

  std::string quietLong = "'" + longMp3 + "' >/dev/null 2>&1";
  CommandMs("cat " + quietLong);  // both start from a warm cache
  double engineMs = 1e300;
  for (int i = 0; i < 3; ++i) engineMs = std::min(engineMs, FirstSampleMs(longMp3));
  double mpg123Ms = CommandMs("mpg123 -q -t " + quietLong);
  std::printf("\n### 60-minute VBR MP3 without a header, exact length\n\n");
  std::printf("| Step | time |\n|---|---|\n");
  std::printf("| Opening to the first sample (best of 3) | %.0f ms |\n", engineMs);
  std::printf("| `mpg123 -t` (decodes the whole file without output) | %.0f ms |\n", mpg123Ms);

  std::string longWma = dir + "/wma-60min.wma";
  if (MakeLongWma(longWma)) {
    CommandMs("cat '" + longWma + "' >/dev/null 2>&1");
    double openMs = 1e300, backMs = 1e300;
    for (int i = 0; i < 3; ++i) {
      openMs = std::min(openMs, FirstSampleMs(longWma));
      backMs = std::min(backMs, SeekMs(longWma, 55 * 60, 10 * 60));
    }
    std::printf("\n### 60-minute WMA 2, 128 kbit/s\n\n");
    std::printf("| Step | time |\n|---|---|\n");
    std::printf("| Opening to the first sample (best of 3) | %.0f ms |\n", openMs);
    std::printf("| A seek back from 55 to 10 minutes while playing (best of 3) | %.1f ms |\n",
                backMs);
  }
  return memoryOk ? 0 : 1;
}
