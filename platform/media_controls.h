// What the desktop's media controls (MPRIS on Linux) see of the player and ask of it, as plain
// values: the state the UI thread hands to the bus thread, the requests that travel back, and the
// conversions between the two. Portable; the bus itself lives in media_controls_linux.h.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <utility>
#include <vector>

#include "platform/bounded_queue.h"
#include "platform/track_tags.h"

enum class MediaStatus { kStopped, kPlaying, kPaused };

// The object path MPRIS reserves for "no current track".
constexpr char kNoTrackId[] = "/org/mpris/MediaPlayer2/TrackList/NoTrack";

struct MediaState {
  MediaStatus status = MediaStatus::kStopped;
  std::string trackId = kNoTrackId;  // an object path, new for each channel opened
  std::string title;                 // UTF-8; empty without a current track
  std::string url;                   // file:// URI; empty when unknown
  TrackTags tags;                    // what the file's tags say, once they have been read
  int64_t lengthUs = 0;              // 0 when unknown
  double volume = 0;                 // 0.0 .. 1.0
  bool canPlay = false;
  bool canPause = false;
  bool canGoNext = false;
  bool canGoPrevious = false;
  bool canSeek = false;
  // The heard position at a moment of the steady clock; the bus thread carries it on while
  // playing rather than asking the player.
  int64_t positionUs = 0;
  int64_t positionAtUs = 0;
  // Counts the jumps in position, so that the bus thread announces each one.
  uint32_t seeks = 0;
  // Counts the requests the UI thread has carried out, so that a method is answered once its
  // effect is in the state.
  uint64_t handledRequests = 0;
};

// Microseconds of the steady clock, which both threads read.
int64_t MediaClockUs();

// The properties of org.mpris.MediaPlayer2.Player that follow the state, in the order a change
// announces them: a row's change bit is 1 << its index, so a new one is a row and nothing else.
struct MediaStateProperty {
  const char* name;
  bool (*differs)(const MediaState& before, const MediaState& after);
};
extern const MediaStateProperty kMediaStateProperties[];
extern const size_t kMediaStatePropertyCount;
// The change bit of the row named name, 0 when no row is.
uint32_t MediaChangeBitOf(const char* name);

// The change bits of the properties that differ between two states.
uint32_t ChangedMediaProperties(const MediaState& before, const MediaState& after);
// The property names of the bits, in the rows' order.
std::vector<std::string> MediaPropertyNames(uint32_t changed);

// The position at the steady-clock moment nowUs: carried on from the snapshot while playing,
// never past the length when it is known.
int64_t MediaPositionAt(const MediaState& state, int64_t nowUs);
// True when the position heard at nowUs is off what the published state says by more than
// toleranceUs: the player jumped, or drifted far enough that a new snapshot is due.
bool MediaPositionOff(const MediaState& published, int64_t heardUs, int64_t nowUs,
                      int64_t toleranceUs);
// True when the two states differ in anything but the position snapshot.
bool MediaStateDiffers(const MediaState& a, const MediaState& b);
// Whether the state just read (*next, its seeks not yet set) is to be handed to the bus thread
// after published: true when it differs or its position jumped. Sets next->seeks, counting a
// jump within the same track.
bool MediaStateToPublish(const MediaState& published, MediaState* next, int64_t toleranceUs);

// A Volume given over the bus as a level of the player: rounded to its steps of 5 within 0..100.
// False for a value that is no number.
bool VolumeLevelOf(double fraction, int32_t* level);

// "file://" and the path percent-encoded (every byte but unreserved characters and '/').
std::string FileUriOfPath(const std::string& unixPath);
// The absolute path a file:// URI (with an empty or "localhost" host) names, percent-decoded.
// False for another scheme or host, a relative path, a bad escape or an encoded NUL.
bool PathOfFileUri(const std::string& uri, std::string* unixPath);

struct MediaRequest {
  enum Kind {
    kPlay,
    kPause,
    kPlayPause,
    kStop,
    kNext,
    kPrevious,
    kSeek,         // by offsetUs
    kSetPosition,  // to positionUs, when trackId is the current one
    kOpenUri,
    kSetVolume,
    kQuit,
  };
  Kind kind = kPlay;
  int64_t offsetUs = 0;
  int64_t positionUs = 0;
  std::string trackId;
  std::string uri;
  double volume = 0;
};

// What Play, Pause and PlayPause do in a playback status: the menu's play (the current track
// from its start), the Pause hotkey's toggle, or nothing. Play resumes a paused track and leaves
// a playing one alone.
enum class MediaPlayAction { kNothing, kPlayCurrent, kTogglePause };
MediaPlayAction PlayActionOf(MediaRequest::Kind kind, MediaStatus status);

// The position a Seek by offsetUs aims at, held at the ends of the 64-bit range instead of
// wrapping round.
int64_t SeekTargetUs(int64_t positionUs, int64_t offsetUs);

// The requests on their way from the bus thread to the UI thread.
using MediaRequestQueue = BoundedQueue<MediaRequest>;

// The calls that wait for the UI thread to carry out their request, in the order their requests
// were handed over. A call is answered as done only once the UI thread counts its request among
// those it carried out: what is left when the server stops (the player was exiting) never was,
// and its caller must not take it for done.
template <typename Call>
class PendingCalls {
 public:
  // A request handed to the UI thread; call is null for one whose caller needs no answer.
  void Add(Call call) {
    ++handedOver_;
    if (call) waiting_.emplace_back(handedOver_, call);
  }
  // The calls whose requests are among the first handled ones carried out.
  std::vector<Call> TakeDone(uint64_t handled) {
    std::vector<Call> done;
    while (!waiting_.empty() && waiting_.front().first <= handled) {
      done.push_back(waiting_.front().second);
      waiting_.pop_front();
    }
    return done;
  }
  // The calls still waiting: their requests were never carried out.
  std::vector<Call> TakeLeft() {
    std::vector<Call> left;
    for (const auto& waiting : waiting_) left.push_back(waiting.second);
    waiting_.clear();
    return left;
  }

 private:
  uint64_t handedOver_ = 0;
  std::deque<std::pair<uint64_t, Call>> waiting_;
};
