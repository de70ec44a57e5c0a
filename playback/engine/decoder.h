// Decoders turn a media file into interleaved 32-bit float frames at the file's own rate. Each is
// fed from the opened file in small reads, never the whole file at once.
#pragma once

#include <cstdint>
#include <memory>

class MediaFile;

class Decoder {
 public:
  virtual ~Decoder() = default;
  virtual uint32_t Rate() const = 0;
  virtual uint32_t Channels() const = 0;
  virtual uint64_t LengthFrames() const = 0;
  // The BASS_CTYPE_* value the channel reports.
  virtual uint32_t ChannelType() const = 0;
  // Up to frameCount frames into out (Channels() floats each); 0 at the end of the data.
  virtual uint32_t Read(float* out, uint32_t frameCount) = 0;
  // Moves to frame and returns the frame actually reached (earlier only past the end), or -1.
  virtual double Seek(uint64_t frame) = 0;
};

// The probes a file is handed to in turn, opened once. A probe that recognises the file takes it
// (file is then null) and returns its decoder; otherwise it returns null and leaves file with the
// caller, at some position: the caller seeks it back to the start before the next probe.
//
// WAV, AIFF, FLAC, Ogg Vorbis and Ogg Opus through libsndfile.
std::unique_ptr<Decoder> OpenSndfileDecoder(std::unique_ptr<MediaFile>& file);
// MPEG audio layer 1, 2 and 3 through libmpg123; exactScan counts every frame for the length.
std::unique_ptr<Decoder> OpenMpegDecoder(std::unique_ptr<MediaFile>& file, bool exactScan);
// The formats the table of file types gives to FFmpeg (AAC and ALAC in MP4/M4A, WMA in ASF), with
// the container's exact length.
std::unique_ptr<Decoder> OpenFfmpegDecoder(std::unique_ptr<MediaFile>& file);
// Tracker modules through libopenmpt, rendered once through at 44100 Hz stereo.
std::unique_ptr<Decoder> OpenModuleDecoder(std::unique_ptr<MediaFile>& file, bool ramping);

// True when bytes (the start of a file, after any ID3v2 tag) hold an MPEG audio frame followed by
// further frames of the same kind at the offsets their headers give. libmpg123 alone would find
// "frames" in random bytes or a tracker module.
bool LooksLikeMpegAudio(const unsigned char* bytes, size_t size, bool wholeFile, int* layer);
