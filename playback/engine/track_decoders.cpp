#include "playback/engine/track_decoders.h"

#include <algorithm>
#include <cstring>

#include "platform/file_extension.h"

namespace {

struct TrackDecoderRow {
  const char* extension;  // lower case, without the dot
  const char* opens;      // "mpeg", "sndfile", "module" or "ffmpeg"
  const char* ffmpegDemuxers;
  const char* ffmpegDecoders;
};

constexpr TrackDecoderRow kRows[] = {
#include "playback/engine/track_decoder_rows.inc"
};

// Every comma-separated name of the column over the "ffmpeg" rows, each once.
std::vector<std::string> FfmpegNames(const char* TrackDecoderRow::*column) {
  std::vector<std::string> names;
  for (const TrackDecoderRow& row : kRows) {
    std::string list = row.*column;
    for (size_t start = 0; start < list.size();) {
      size_t end = std::min(list.find(',', start), list.size());
      std::string name = list.substr(start, end - start);
      if (!name.empty() && std::find(names.begin(), names.end(), name) == names.end())
        names.push_back(name);
      start = end + 1;
    }
  }
  return names;
}

}  // namespace

std::array<StreamDecoder, 3> StreamProbeOrder(const std::string& path) {
  std::array<StreamDecoder, 3> order = {StreamDecoder::kSndfile, StreamDecoder::kMpeg,
                                        StreamDecoder::kFfmpeg};
  static const struct {
    const char* name;
    StreamDecoder decoder;
  } kNames[] = {{"sndfile", StreamDecoder::kSndfile},
                {"mpeg", StreamDecoder::kMpeg},
                {"ffmpeg", StreamDecoder::kFfmpeg}};
  std::string extension = LowerExtension(path);
  for (const TrackDecoderRow& row : kRows) {
    if (extension != row.extension) continue;
    // A module's row names none of them: they keep the usual order.
    for (const auto& named : kNames) {
      if (std::strcmp(row.opens, named.name) != 0) continue;
      auto first = std::find(order.begin(), order.end(), named.decoder);
      std::rotate(order.begin(), first, first + 1);
    }
  }
  return order;
}

const std::vector<std::string>& FfmpegDemuxerNames() {
  static const std::vector<std::string> names = FfmpegNames(&TrackDecoderRow::ffmpegDemuxers);
  return names;
}

const std::vector<std::string>& FfmpegDecoderNames() {
  static const std::vector<std::string> names = FfmpegNames(&TrackDecoderRow::ffmpegDecoders);
  return names;
}
