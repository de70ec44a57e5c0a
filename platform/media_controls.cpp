#include "platform/media_controls.h"

#include <chrono>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "platform/percent_escapes.h"

int64_t MediaClockUs() {
  return std::chrono::duration_cast<std::chrono::microseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

const MediaStateProperty kMediaStateProperties[] = {
    {"PlaybackStatus",
     [](const MediaState& a, const MediaState& b) { return a.status != b.status; }},
    {"Metadata",
     [](const MediaState& a, const MediaState& b) {
       return a.trackId != b.trackId || a.title != b.title || a.url != b.url ||
              a.lengthUs != b.lengthUs || a.tags != b.tags;
     }},
    {"Volume", [](const MediaState& a, const MediaState& b) { return a.volume != b.volume; }},
    {"CanPlay", [](const MediaState& a, const MediaState& b) { return a.canPlay != b.canPlay; }},
    {"CanPause", [](const MediaState& a, const MediaState& b) { return a.canPause != b.canPause; }},
    {"CanGoNext",
     [](const MediaState& a, const MediaState& b) { return a.canGoNext != b.canGoNext; }},
    {"CanGoPrevious",
     [](const MediaState& a, const MediaState& b) { return a.canGoPrevious != b.canGoPrevious; }},
    {"CanSeek", [](const MediaState& a, const MediaState& b) { return a.canSeek != b.canSeek; }},
};

const size_t kMediaStatePropertyCount =
    sizeof kMediaStateProperties / sizeof kMediaStateProperties[0];
static_assert(sizeof kMediaStateProperties / sizeof kMediaStateProperties[0] <= 32,
              "a change bit for each row");

uint32_t MediaChangeBitOf(const char* name) {
  for (size_t i = 0; i < kMediaStatePropertyCount; ++i)
    if (strcmp(kMediaStateProperties[i].name, name) == 0) return 1u << i;
  return 0;
}

uint32_t ChangedMediaProperties(const MediaState& before, const MediaState& after) {
  uint32_t changed = 0;
  for (size_t i = 0; i < kMediaStatePropertyCount; ++i)
    if (kMediaStateProperties[i].differs(before, after)) changed |= 1u << i;
  return changed;
}

std::vector<std::string> MediaPropertyNames(uint32_t changed) {
  std::vector<std::string> names;
  for (size_t i = 0; i < kMediaStatePropertyCount; ++i)
    if (changed & (1u << i)) names.push_back(kMediaStateProperties[i].name);
  return names;
}

int64_t MediaPositionAt(const MediaState& state, int64_t nowUs) {
  int64_t position = state.positionUs;
  if (state.status == MediaStatus::kPlaying && nowUs > state.positionAtUs)
    position += nowUs - state.positionAtUs;
  if (state.lengthUs > 0 && position > state.lengthUs) position = state.lengthUs;
  return position < 0 ? 0 : position;
}

bool MediaPositionOff(const MediaState& published, int64_t heardUs, int64_t nowUs,
                      int64_t toleranceUs) {
  return std::llabs(MediaPositionAt(published, nowUs) - heardUs) > toleranceUs;
}

bool MediaStateDiffers(const MediaState& a, const MediaState& b) {
  return ChangedMediaProperties(a, b) != 0 || a.seeks != b.seeks ||
         a.handledRequests != b.handledRequests;
}

bool MediaStateToPublish(const MediaState& published, MediaState* next, int64_t toleranceUs) {
  bool jumped = MediaPositionOff(published, next->positionUs, next->positionAtUs, toleranceUs);
  next->seeks = published.seeks + (jumped && next->trackId == published.trackId ? 1 : 0);
  return jumped || MediaStateDiffers(published, *next);
}

bool VolumeLevelOf(double fraction, int32_t* level) {
  if (std::isnan(fraction)) return false;
  double steps = std::round(fraction * 20);
  *level = steps <= 0 ? 0 : steps >= 20 ? 100 : static_cast<int32_t>(steps) * 5;
  return true;
}

namespace {

bool IsUnreserved(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
         c == '.' || c == '_' || c == '~';
}

}  // namespace

std::string FileUriOfPath(const std::string& unixPath) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string uri = "file://";
  for (char c : unixPath) {
    unsigned char byte = static_cast<unsigned char>(c);
    if (IsUnreserved(byte) || byte == '/') {
      uri += c;
    } else {
      uri += '%';
      uri += kHex[byte >> 4];
      uri += kHex[byte & 0xF];
    }
  }
  return uri;
}

bool PathOfFileUri(const std::string& uri, std::string* unixPath) {
  static const std::string kScheme = "file://";
  if (uri.size() < kScheme.size()) return false;
  for (size_t i = 0; i < kScheme.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(uri[i])) != kScheme[i]) return false;
  size_t slash = uri.find('/', kScheme.size());
  if (slash == std::string::npos) return false;
  std::string host = uri.substr(kScheme.size(), slash - kScheme.size());
  if (!host.empty() && host != "localhost") return false;
  std::string path;
  for (size_t i = slash; i < uri.size(); ++i) {
    char c = uri[i];
    // A query or fragment has no place in a file name.
    if (c == '?' || c == '#') return false;
    if (c != '%') {
      path += c;
      continue;
    }
    // A NUL would cut the name short.
    int byte = PercentEscapeAt(uri, i);
    if (byte <= 0) return false;
    path += static_cast<char>(byte);
    i += 2;
  }
  *unixPath = path;
  return true;
}

MediaPlayAction PlayActionOf(MediaRequest::Kind kind, MediaStatus status) {
  switch (kind) {
    case MediaRequest::kPlay:
      return status == MediaStatus::kStopped  ? MediaPlayAction::kPlayCurrent
             : status == MediaStatus::kPaused ? MediaPlayAction::kTogglePause
                                              : MediaPlayAction::kNothing;
    case MediaRequest::kPause:
      return status == MediaStatus::kPlaying ? MediaPlayAction::kTogglePause
                                             : MediaPlayAction::kNothing;
    case MediaRequest::kPlayPause:
      return status == MediaStatus::kStopped ? MediaPlayAction::kPlayCurrent
                                             : MediaPlayAction::kTogglePause;
    default:
      return MediaPlayAction::kNothing;
  }
}

int64_t SeekTargetUs(int64_t positionUs, int64_t offsetUs) {
  int64_t target;
  if (!__builtin_add_overflow(positionUs, offsetUs, &target)) return target;
  return offsetUs > 0 ? INT64_MAX : INT64_MIN;
}
