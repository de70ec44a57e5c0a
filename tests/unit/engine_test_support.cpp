#include "engine_test_support.h"

#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "platform/file_system.h"
#include "playback/engine/audio_engine.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

void Put16le(std::string& s, uint32_t v) {
  s += static_cast<char>(v & 0xFF);
  s += static_cast<char>((v >> 8) & 0xFF);
}
void Put32le(std::string& s, uint32_t v) {
  Put16le(s, v & 0xFFFF);
  Put16le(s, v >> 16);
}
void Put16be(std::string& s, uint32_t v) {
  s += static_cast<char>((v >> 8) & 0xFF);
  s += static_cast<char>(v & 0xFF);
}
void PutText(std::string& s, const std::string& text, size_t width) {
  std::string field = text.substr(0, width);
  field.resize(width, '\0');
  s += field;
}
void Pad(std::string& s, size_t multiple) {
  while (s.size() % multiple) s += '\0';
}
void Set16le(std::string& s, size_t at, uint32_t v) {
  s[at] = static_cast<char>(v & 0xFF);
  s[at + 1] = static_cast<char>((v >> 8) & 0xFF);
}
void Set32le(std::string& s, size_t at, uint32_t v) {
  Set16le(s, at, v & 0xFFFF);
  Set16le(s, at + 2, v >> 16);
}

// One period of a square wave, 32 samples, signed 8-bit.
std::string SquareSample() {
  std::string data;
  for (int i = 0; i < 32; ++i) data += static_cast<char>(i < 16 ? 64 : -64);
  return data;
}

}  // namespace

bool WriteTone(const std::string& path, const ToneParams& params) {
  SF_INFO info = {};
  info.samplerate = static_cast<int>(params.rate);
  info.channels = static_cast<int>(params.channels);
  info.format = params.format;
  if (!sf_format_check(&info)) return false;
  SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
  if (!file) return false;
  auto frames = static_cast<size_t>(params.seconds * params.rate);
  std::vector<float> data(frames * params.channels);
  double phase = 0;
  for (size_t i = 0; i < frames; ++i) {
    double t = static_cast<double>(i) / params.rate;
    double freq = params.freq2 != 0 && t >= params.splitSeconds ? params.freq2 : params.freq;
    phase += 2 * kPi * freq / params.rate;
    for (uint32_t c = 0; c < params.channels; ++c) {
      data[i * params.channels + c] = static_cast<float>(params.amplitude * std::sin(phase));
    }
  }
  // In pieces: the Vorbis writer drops one very large write.
  bool written = true;
  for (size_t at = 0; at < frames && written; at += 4096) {
    auto count = static_cast<sf_count_t>(std::min<size_t>(4096, frames - at));
    written = sf_writef_float(file, data.data() + at * params.channels, count) == count;
  }
  sf_close(file);
  return written;
}

bool WriteMpeg(const std::string& path, const ToneParams& params, const std::string& encoder) {
  ToneParams wav = params;
  wav.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
  std::string wavPath = path + ".source.wav";
  if (!WriteTone(wavPath, wav)) return false;
  std::string command = encoder + " '" + wavPath + "' '" + path + "' >/dev/null 2>&1";
  bool made = std::system(command.c_str()) == 0;
  std::remove(wavPath.c_str());
  return made;
}

double ModuleSeconds(const ModuleParams& params) {
  return params.rows * params.speed * 2.5 / params.tempo;
}

std::string MakeMod(const ModuleParams& params) {
  std::string m;
  PutText(m, "tone", 20);
  std::string sample = SquareSample();
  for (int i = 0; i < 31; ++i) {
    PutText(m, i == 0 ? "square" : "", 22);
    Put16be(m, i == 0 ? sample.size() / 2 : 0);  // length in words
    m += '\0';                                   // finetune
    m += static_cast<char>(i == 0 ? 64 : 0);     // volume
    Put16be(m, 0);                               // loop start
    Put16be(m, i == 0 ? sample.size() / 2 : 1);  // loop length
  }
  m += static_cast<char>(1);    // song length
  m += static_cast<char>(127);  // restart
  m += std::string(128, '\0');  // order 0 plays pattern 0
  m += "M.K.";
  for (uint32_t row = 0; row < 64; ++row) {
    for (int channel = 0; channel < 4; ++channel) {
      uint32_t period = 0, instrument = 0, effect = 0, param = 0;
      if (channel == 0 && row == 0) {
        period = 214;  // C-3
        instrument = 1;
        effect = 0xF;
        param = params.speed;
      }
      if (channel == 1 && row == 0) {
        effect = 0xF;
        param = params.tempo;
      }
      if (channel == 2 && row == params.rows - 1) effect = 0xD;  // pattern break: the song ends
      m += static_cast<char>((instrument & 0xF0) | (period >> 8));
      m += static_cast<char>(period & 0xFF);
      m += static_cast<char>(((instrument & 0x0F) << 4) | effect);
      m += static_cast<char>(param);
    }
  }
  m += sample;
  return m;
}

std::string MakeS3m(const ModuleParams& params) {
  std::string m;
  PutText(m, "tone", 28);
  m += '\x1A';
  m += '\x10';         // module type
  Put16le(m, 0);       // reserved
  Put16le(m, 2);       // orders (padded to even)
  Put16le(m, 1);       // instruments
  Put16le(m, 1);       // patterns
  Put16le(m, 0);       // flags
  Put16le(m, 0x1320);  // tracker version
  Put16le(m, 1);       // signed samples
  m += "SCRM";
  m += static_cast<char>(64);            // global volume
  m += static_cast<char>(params.speed);  // initial speed
  m += static_cast<char>(params.tempo);  // initial tempo
  m += static_cast<char>(0xB0);          // master volume, stereo
  m += static_cast<char>(0);             // click removal
  m += static_cast<char>(0);             // no default pans
  m += std::string(8, '\0');
  Put16le(m, 0);  // special
  m += '\x00';
  m += '\x08';
  m += std::string(30, '\xFF');  // other channels unused
  m += '\x00';                   // order 0: pattern 0
  m += '\xFF';                   // end of song
  size_t instrumentPointer = m.size();
  Put16le(m, 0);
  size_t patternPointer = m.size();
  Put16le(m, 0);
  Pad(m, 16);

  std::string sample = SquareSample();
  size_t instrumentAt = m.size();
  Set16le(m, instrumentPointer, static_cast<uint32_t>(instrumentAt / 16));
  m += '\x01';  // a sample
  PutText(m, "square", 12);
  size_t memSeg = m.size();
  m += std::string(3, '\0');
  Put32le(m, sample.size());
  Put32le(m, 0);
  Put32le(m, sample.size());
  m += static_cast<char>(64);  // volume
  m += '\0';
  m += '\0';    // not packed
  m += '\x01';  // looped
  Put32le(m, 8363);
  m += std::string(12, '\0');
  PutText(m, "square", 28);
  m += "SCRS";
  Pad(m, 16);

  size_t patternAt = m.size();
  Set16le(m, patternPointer, static_cast<uint32_t>(patternAt / 16));
  std::string pattern;
  for (uint32_t row = 0; row < 64; ++row) {
    if (row == 0) {
      pattern += '\x20';  // channel 0: note and instrument
      pattern += '\x40';  // C-4
      pattern += '\x01';
    }
    if (row == params.rows - 1) {
      pattern += '\x81';  // channel 1: command
      pattern += '\x03';  // C: pattern break
      pattern += '\x00';
    }
    pattern += '\0';
  }
  Put16le(m, pattern.size() + 2);
  m += pattern;
  Pad(m, 16);

  size_t sampleAt = m.size();
  m[memSeg] = static_cast<char>((sampleAt / 16) >> 16);
  Set16le(m, memSeg + 1, static_cast<uint32_t>((sampleAt / 16) & 0xFFFF));
  m += sample;
  return m;
}

std::string MakeXm(const ModuleParams& params) {
  std::string m = "Extended Module: ";
  PutText(m, "tone", 20);
  m += '\x1A';
  PutText(m, "writer", 20);
  Put16le(m, 0x0104);
  Put32le(m, 276);  // header size from here
  Put16le(m, 1);    // song length
  Put16le(m, 0);    // restart
  Put16le(m, 2);    // channels
  Put16le(m, 1);    // patterns
  Put16le(m, 1);    // instruments
  Put16le(m, 1);    // linear frequencies
  Put16le(m, params.speed);
  Put16le(m, params.tempo);
  m += std::string(256, '\0');

  std::string data;
  for (uint32_t row = 0; row < params.rows; ++row) {
    // Channel 0: the note on row 0; channel 1: the break on the last row.
    if (row == 0) {
      data += '\x83';                 // note and instrument follow
      data += static_cast<char>(49);  // C-4
      data += '\x01';
    } else {
      data += '\x80';
    }
    if (row == params.rows - 1) {
      data += '\x98';  // effect and parameter follow
      data += '\x0D';
      data += '\x00';
    } else {
      data += '\x80';
    }
  }
  Put32le(m, 9);
  m += '\0';
  Put16le(m, params.rows);
  Put16le(m, data.size());
  m += data;

  std::string sample = SquareSample();
  Put32le(m, 263);
  PutText(m, "square", 22);
  m += '\0';
  Put16le(m, 1);   // samples
  Put32le(m, 40);  // sample header size
  m += std::string(96 + 48 + 48, '\0');
  m += std::string(2 + 6 + 2 + 4, '\0');
  Put16le(m, 0);  // fadeout
  m += std::string(2 + 20, '\0');
  Put32le(m, sample.size());
  Put32le(m, 0);
  Put32le(m, sample.size());
  m += static_cast<char>(64);   // volume
  m += '\0';                    // finetune
  m += '\x01';                  // forward loop, 8-bit
  m += static_cast<char>(128);  // panning
  m += '\0';                    // relative note
  m += '\0';
  PutText(m, "square", 22);
  // Sample data is delta-coded.
  char previous = 0;
  for (char value : sample) {
    m += static_cast<char>(value - previous);
    previous = value;
  }
  return m;
}

std::string MakeIt(const ModuleParams& params) {
  std::string m = "IMPM";
  PutText(m, "tone", 26);
  Put16le(m, 0x1004);
  Put16le(m, 2);  // orders
  Put16le(m, 0);  // instruments
  Put16le(m, 1);  // samples
  Put16le(m, 1);  // patterns
  Put16le(m, 0x0214);
  Put16le(m, 0x0200);
  Put16le(m, 1);  // stereo, sample mode
  Put16le(m, 0);
  m += static_cast<char>(128);
  m += static_cast<char>(48);
  m += static_cast<char>(params.speed);
  m += static_cast<char>(params.tempo);
  m += static_cast<char>(128);
  m += '\0';
  Put16le(m, 0);
  Put32le(m, 0);
  Put32le(m, 0);
  for (int i = 0; i < 64; ++i) m += static_cast<char>(i < 2 ? 32 : 32 + 128);
  m += std::string(64, '\x40');
  m += '\x00';  // order 0: pattern 0
  m += '\xFF';
  size_t samplePointer = m.size();
  Put32le(m, 0);
  size_t patternPointer = m.size();
  Put32le(m, 0);

  std::string sample = SquareSample();
  Set32le(m, samplePointer, static_cast<uint32_t>(m.size()));
  m += "IMPS";
  PutText(m, "square", 12);
  m += '\0';
  m += static_cast<char>(64);  // global volume
  m += '\x11';                 // has data, looped
  m += static_cast<char>(64);
  PutText(m, "square", 26);
  m += '\x01';  // signed
  m += '\0';
  Put32le(m, sample.size());
  Put32le(m, 0);
  Put32le(m, sample.size());
  Put32le(m, 8363);
  Put32le(m, 0);
  Put32le(m, 0);
  size_t dataPointer = m.size();
  Put32le(m, 0);
  m += std::string(4, '\0');

  std::string data;
  for (uint32_t row = 0; row < params.rows; ++row) {
    if (row == 0) {
      data += '\x81';  // channel 1, mask follows
      data += '\x03';  // note and instrument
      data += static_cast<char>(60);
      data += '\x01';
    }
    if (row == params.rows - 1) {
      data += '\x82';  // channel 2, mask follows
      data += '\x08';  // command
      data += '\x03';  // C: pattern break
      data += '\x00';
    }
    data += '\0';
  }
  Set32le(m, patternPointer, static_cast<uint32_t>(m.size()));
  Put16le(m, data.size());
  Put16le(m, params.rows);
  Put32le(m, 0);
  m += data;
  Set32le(m, dataPointer, static_cast<uint32_t>(m.size()));
  m += sample;
  return m;
}

std::string MakeMtm(const ModuleParams& params) {
  // MTM has no speed or tempo in its header: they are set by effects on the first row.
  std::string m = "MTM";
  m += '\x10';
  PutText(m, "tone", 20);
  Put16le(m, 1);               // tracks saved
  m += '\0';                   // last pattern
  m += '\0';                   // last order
  Put16le(m, 0);               // comment length
  m += '\x01';                 // samples
  m += '\0';                   // attributes
  m += static_cast<char>(64);  // beats per track
  m += '\x02';                 // tracks played
  for (int i = 0; i < 32; ++i) m += static_cast<char>(i % 2 ? 12 : 3);
  std::string sample = SquareSample();
  PutText(m, "square", 22);
  Put32le(m, sample.size());
  Put32le(m, 0);
  Put32le(m, sample.size());
  m += '\0';
  m += static_cast<char>(64);
  m += '\0';  // 8-bit
  std::string orders(128, '\0');
  m += orders;
  // Track 1: the note with the speed; row rows-1 breaks the pattern.
  std::string track(64 * 3, '\0');
  track[0] = static_cast<char>((25 << 2));  // note, instrument high bits 0
  track[1] = static_cast<char>((1 << 4) | 0xF);
  track[2] = static_cast<char>(params.speed);
  track[(params.rows - 1) * 3 + 1] = 0x0D;
  m += track;
  // Pattern 0 uses track 1 on channel 0 and nothing elsewhere.
  Put16le(m, 1);
  for (int i = 1; i < 32; ++i) Put16le(m, 0);
  // Unsigned 8-bit sample data.
  for (char value : sample) m += static_cast<char>(static_cast<unsigned char>(value) ^ 0x80);
  return m;
}

namespace {
// Unreal's compact index: sign and six bits, then seven bits a byte.
void PutCompact(std::string& s, int32_t value) {
  uint32_t v = static_cast<uint32_t>(value < 0 ? -value : value);
  unsigned char first = static_cast<unsigned char>(v & 0x3F);
  if (value < 0) first |= 0x80;
  v >>= 6;
  if (v) first |= 0x40;
  s += static_cast<char>(first);
  while (v) {
    unsigned char next = static_cast<unsigned char>(v & 0x7F);
    v >>= 7;
    if (v) next |= 0x80;
    s += static_cast<char>(next);
  }
}
void PutName(std::string& s, const std::string& name) {
  s += static_cast<char>(name.size() + 1);
  s += name;
  s += '\0';
  Put32le(s, 0);  // flags
}
}  // namespace

std::string MakeUmx(const std::string& module) {
  std::string m;
  Put32le(m, 0x9E2A83C1);
  Put16le(m, 68);  // package version
  Put16le(m, 0);
  Put32le(m, 0);  // flags
  size_t header = m.size();
  Put32le(m, 0);  // name count, offset
  Put32le(m, 0);
  Put32le(m, 0);  // export count, offset
  Put32le(m, 0);
  Put32le(m, 0);  // import count, offset
  Put32le(m, 0);
  m += std::string(16, '\0');  // GUID

  size_t namesAt = m.size();
  PutName(m, "Music");
  PutName(m, "tone");
  PutName(m, "Core");
  PutName(m, "Class");
  PutName(m, "Package");
  PutName(m, "None");

  size_t importsAt = m.size();
  // Import 0 (index -1): class Music from package Core.
  PutCompact(m, 2);  // class package: Core
  PutCompact(m, 3);  // class name: Class
  Put32le(m, 0);     // package
  PutCompact(m, 0);  // object name: Music

  std::string object;
  PutCompact(object, 5);  // no properties: "None"
  PutCompact(object, 0);  // format
  Put32le(object, 0);     // next object offset, unused
  PutCompact(object, static_cast<int32_t>(module.size()));
  object += module;

  size_t objectAt = m.size();
  m += object;
  size_t exportsAt = m.size();
  PutCompact(m, -1);  // class: import 0
  PutCompact(m, 0);   // super
  Put32le(m, 0);      // package
  PutCompact(m, 1);   // object name: tone
  Put32le(m, 0);      // flags
  PutCompact(m, static_cast<int32_t>(object.size()));
  PutCompact(m, static_cast<int32_t>(objectAt));

  Set32le(m, header, 6);
  Set32le(m, header + 4, static_cast<uint32_t>(namesAt));
  Set32le(m, header + 8, 1);
  Set32le(m, header + 12, static_cast<uint32_t>(exportsAt));
  Set32le(m, header + 16, 1);
  Set32le(m, header + 20, static_cast<uint32_t>(importsAt));
  return m;
}

EngineFixture::EngineFixture(uint32_t outputRate) {
  static std::unique_ptr<FileSystem> files = CreatePosixFileSystem();
  EngineConfig config = DefaultEngineConfig();
  config.files = files.get();
  config.outputRate = outputRate;
  UseCaptureOutput(&config, &capture_);
  ConfigureEngine(config);
  BASS_SetConfig(BASS_CONFIG_UPDATEPERIOD, 10);
  ok_ = BASS_Init(-1, 0, BASS_DEVICE_LATENCY, nullptr, nullptr);
}

EngineFixture::~EngineFixture() {
  if (ok_) BASS_Free();
  ConfigureEngine(DefaultEngineConfig());
}

std::vector<float> EngineFixture::Listen(uint32_t ms) {
  capture_->TakeHeard();
  capture_->AdvanceMs(ms);
  return capture_->TakeHeard();
}

double ToneFrequency(const std::vector<float>& stereo, uint32_t rate) {
  // Rising zero crossings, with the fractional position of the first and last one.
  double first = -1, last = -1;
  int crossings = 0;
  for (size_t i = 2; i < stereo.size(); i += 2) {
    float a = stereo[i - 2], b = stereo[i];
    if (a < 0 && b >= 0) {
      double at = static_cast<double>(i / 2 - 1) + a / (a - b);
      if (first < 0) first = at;
      last = at;
      ++crossings;
    }
  }
  if (crossings < 2) return 0;
  return (crossings - 1) * rate / (last - first);
}

double Rms(const std::vector<float>& stereo) {
  if (stereo.empty()) return 0;
  double sum = 0;
  for (size_t i = 0; i < stereo.size(); i += 2) sum += static_cast<double>(stereo[i]) * stereo[i];
  return std::sqrt(sum / (stereo.size() / 2));
}
