// Fixtures for the engine tests: sound files written on the spot, tiny tracker modules, an engine
// running on the capture output, and measurements of what was heard.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "playback/engine/output_capture.h"
#include "temp_dir.h"

// What a tone file holds: freq Hz (a second tone after splitSeconds when freq2 is not 0).
struct ToneParams {
  int format;  // SF_FORMAT_* major | subtype
  uint32_t rate = 44100;
  uint32_t channels = 2;
  double seconds = 1.0;
  double freq = 440;
  double amplitude = 0.5;
  double freq2 = 0;
  double splitSeconds = 0;
};

// Writes a sine tone with libsndfile; false when the format cannot be written here.
bool WriteTone(const std::string& path, const ToneParams& params);
// MPEG audio through an encoder command ("lame --quiet -b 128", "twolame --quiet"), which is
// given a WAV of params written first.
bool WriteMpeg(const std::string& path, const ToneParams& params, const std::string& encoder);

// Tiny modules of one pattern that play one looped square-wave sample on the first channel and
// end after `rows` rows at the given speed (ticks a row) and tempo.
struct ModuleParams {
  uint32_t rows = 8;
  uint32_t speed = 3;
  uint32_t tempo = 125;
};
std::string MakeMod(const ModuleParams& params);
std::string MakeS3m(const ModuleParams& params);
std::string MakeXm(const ModuleParams& params);
std::string MakeIt(const ModuleParams& params);
std::string MakeMtm(const ModuleParams& params);
// An Unreal package holding module as its one Music export.
std::string MakeUmx(const std::string& module);
// The length of such a module in seconds.
double ModuleSeconds(const ModuleParams& params);

// Runs the engine on a capture output with its mixing thread, and the POSIX file system; the
// engine is freed at the end.
class EngineFixture {
 public:
  explicit EngineFixture(uint32_t outputRate = 44100);
  ~EngineFixture();
  bool ok() const { return ok_; }
  CaptureOutput& capture() { return *capture_; }
  // Plays ms of sound and returns what was heard.
  std::vector<float> Listen(uint32_t ms);

 private:
  CaptureOutput* capture_ = nullptr;
  bool ok_ = false;
};

// Measurements of interleaved stereo sound, on the left channel.
double ToneFrequency(const std::vector<float>& stereo, uint32_t rate);
double Rms(const std::vector<float>& stereo);
