// What the table of file types (resources/track_formats.txt) tells the engine: which decoder a
// file's extension names, tried before the others, and what FFmpeg is to read.
#pragma once

#include <array>
#include <string>
#include <vector>

enum class StreamDecoder { kSndfile, kMpeg, kFfmpeg };

// The stream decoders in the order they try path: the one its extension's row names first, then
// the others in the order sndfile, mpeg, FFmpeg. A file named for another kind, or for none, is
// still tried by every decoder.
std::array<StreamDecoder, 3> StreamProbeOrder(const std::string& path);

// The FFmpeg demuxers and decoders the "ffmpeg" rows name, by the names FFmpeg's configure
// takes, each once, in the table's order.
const std::vector<std::string>& FfmpegDemuxerNames();
const std::vector<std::string>& FfmpegDecoderNames();
