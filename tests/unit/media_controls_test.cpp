#include "platform/media_controls.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace {

TEST(MediaControls, FileUrisCarryEveryByteOfThePathAndComeBack) {
  const struct {
    std::string path;
    std::string uri;
  } cases[] = {
      {"/music/a.mp3", "file:///music/a.mp3"},
      {"/music/tone a.wav", "file:///music/tone%20a.wav"},
      {"/m/Sigur R\xC3\xB3s/Hopp\xC3\xADpolla.ogg",
       "file:///m/Sigur%20R%C3%B3s/Hopp%C3%ADpolla.ogg"},
      {"/a%b#c?d;e", "file:///a%25b%23c%3Fd%3Be"},
      {"/\xD0\x9F-_.~", "file:///%D0%9F-_.~"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FileUriOfPath(c.path), c.uri);
    std::string path;
    EXPECT_TRUE(PathOfFileUri(c.uri, &path)) << c.uri;
    EXPECT_EQ(path, c.path);
  }
}

TEST(MediaControls, OnlyLocalAbsoluteFileUrisNameAPath) {
  const struct {
    const char* uri;
    bool names;
    std::string path;
  } cases[] = {
      {"FILE:///a.mp3", true, "/a.mp3"},
      {"file://localhost/a.mp3", true, "/a.mp3"},
      {"file:///R%c3%b3s", true, "/R\xC3\xB3s"},
      {"file://other/a.mp3", false, ""},
      {"http://example.invalid/a.mp3", false, ""},
      {"file:a.mp3", false, ""},
      {"file:/a.mp3", false, ""},
      {"file://", false, ""},
      {"file:///a%2", false, ""},
      {"file:///a%zz", false, ""},
      {"file:///a%00b", false, ""},
      {"file:///a.mp3?x=1", false, ""},
      {"", false, ""},
  };
  for (const auto& c : cases) {
    std::string path;
    EXPECT_EQ(PathOfFileUri(c.uri, &path), c.names) << c.uri;
    EXPECT_EQ(path, c.path) << c.uri;
  }
}

TEST(MediaControls, VolumeFromTheBusRoundsToStepsOfFive) {
  const struct {
    double fraction;
    int32_t level;
  } cases[] = {{0.0, 0},     {0.33, 35}, {0.32, 30}, {0.325, 35}, {0.5, 50},       {0.974, 95},
               {0.975, 100}, {1.0, 100}, {1.7, 100}, {-0.2, 0},   {INFINITY, 100}, {-INFINITY, 0}};
  for (const auto& c : cases) {
    int32_t level = -1;
    EXPECT_TRUE(VolumeLevelOf(c.fraction, &level)) << c.fraction;
    EXPECT_EQ(level, c.level) << c.fraction;
  }
  int32_t level = 7;
  EXPECT_FALSE(VolumeLevelOf(NAN, &level));
  EXPECT_EQ(level, 7);
}

TEST(MediaControls, EachChangeNamesItsPropertyAndThePositionSnapshotNone) {
  MediaState base;
  base.trackId = "/org/tunlark/Track/3";
  base.title = "tone a";
  base.lengthUs = 60000000;
  base.volume = 0.5;
  const struct {
    const char* name;
    void (*change)(MediaState&);
    std::vector<std::string> properties;
  } cases[] = {
      {"status", [](MediaState& s) { s.status = MediaStatus::kPaused; }, {"PlaybackStatus"}},
      {"track", [](MediaState& s) { s.trackId = "/org/tunlark/Track/4"; }, {"Metadata"}},
      {"title", [](MediaState& s) { s.title = "tone b"; }, {"Metadata"}},
      {"url", [](MediaState& s) { s.url = "file:///b"; }, {"Metadata"}},
      {"length", [](MediaState& s) { s.lengthUs = 1; }, {"Metadata"}},
      {"tags read", [](MediaState& s) { s.tags.artUrl = "file:///c.png"; }, {"Metadata"}},
      {"mute", [](MediaState& s) { s.volume = 0; }, {"Volume"}},
      {"list emptied",
       [](MediaState& s) {
         s.canPlay = s.canPause = s.canGoNext = s.canGoPrevious = s.canSeek = true;
       },
       {"CanPlay", "CanPause", "CanGoNext", "CanGoPrevious", "CanSeek"}},
      {"position", [](MediaState& s) { s.positionUs = 5, s.positionAtUs = 9; }, {}},
      {"seek and answers", [](MediaState& s) { s.seeks = 1, s.handledRequests = 2; }, {}},
  };
  for (const auto& c : cases) {
    MediaState changed = base;
    c.change(changed);
    EXPECT_EQ(MediaPropertyNames(ChangedMediaProperties(base, changed)), c.properties) << c.name;
  }
  MediaState seeked = base;
  seeked.seeks = 1;
  EXPECT_TRUE(MediaStateDiffers(base, seeked));
  MediaState moved = base;
  moved.positionUs = 7;
  EXPECT_FALSE(MediaStateDiffers(base, moved));
}

TEST(MediaControls, EachStatePropertyHasItsOwnChangeBitFoundByName) {
  uint32_t all = 0;
  for (size_t i = 0; i < kMediaStatePropertyCount; ++i) {
    const char* name = kMediaStateProperties[i].name;
    EXPECT_EQ(MediaChangeBitOf(name), 1u << i) << name;
    EXPECT_EQ(MediaPropertyNames(1u << i), std::vector<std::string>{name});
    all |= MediaChangeBitOf(name);
  }
  EXPECT_EQ(MediaPropertyNames(all).size(), kMediaStatePropertyCount);
  // The constant ones and Position are read when asked and never announced.
  for (const char* name : {"Position", "Rate", "CanControl", "Identity"})
    EXPECT_EQ(MediaChangeBitOf(name), 0u) << name;
}

TEST(MediaControls, PositionRunsOnOnlyWhilePlayingAndStaysWithinTheTrack) {
  MediaState state;
  state.positionUs = 10000000;
  state.positionAtUs = 1000000;
  state.lengthUs = 12000000;
  const struct {
    MediaStatus status;
    int64_t nowUs;
    int64_t positionUs;
  } cases[] = {
      {MediaStatus::kPlaying, 1500000, 10500000}, {MediaStatus::kPlaying, 9000000, 12000000},
      {MediaStatus::kPlaying, 500000, 10000000},  {MediaStatus::kPaused, 5000000, 10000000},
      {MediaStatus::kStopped, 5000000, 10000000},
  };
  for (const auto& c : cases) {
    state.status = c.status;
    EXPECT_EQ(MediaPositionAt(state, c.nowUs), c.positionUs) << c.nowUs;
  }
  state.status = MediaStatus::kPlaying;
  EXPECT_FALSE(MediaPositionOff(state, 10700000, 1500000, 300000));  // drift
  EXPECT_TRUE(MediaPositionOff(state, 8500000, 1500000, 300000));    // a rewind
  state.positionUs = -5;
  state.lengthUs = 0;
  EXPECT_EQ(MediaPositionAt(state, 0), 0);
}

TEST(MediaControls, OnlyAChangeOrAJumpIsPublishedAndAJumpCountsOnce) {
  MediaState published;
  published.status = MediaStatus::kPlaying;
  published.trackId = "/org/tunlark/Track/3";
  published.positionUs = 10000000;
  published.positionAtUs = 1000000;
  published.seeks = 4;
  const struct {
    const char* name;
    const char* trackId;
    int64_t positionUs;  // heard a second after the snapshot
    MediaStatus status;
    bool publish;
    uint32_t seeks;
  } cases[] = {
      {"playing on", "/org/tunlark/Track/3", 11000000, MediaStatus::kPlaying, false, 4},
      {"drift", "/org/tunlark/Track/3", 11200000, MediaStatus::kPlaying, false, 4},
      {"rewind", "/org/tunlark/Track/3", 9000000, MediaStatus::kPlaying, true, 5},
      {"paused", "/org/tunlark/Track/3", 11000000, MediaStatus::kPaused, true, 4},
      {"next track", "/org/tunlark/Track/4", 0, MediaStatus::kPlaying, true, 4},
  };
  for (const auto& c : cases) {
    MediaState next = published;
    next.seeks = 0;  // as read from the player
    next.trackId = c.trackId;
    next.positionUs = c.positionUs;
    next.positionAtUs = 2000000;
    next.status = c.status;
    EXPECT_EQ(MediaStateToPublish(published, &next, 300000), c.publish) << c.name;
    EXPECT_EQ(next.seeks, c.seeks) << c.name;
  }
}

TEST(MediaControls, RequestQueueWakesOnTheFirstAndRefusesPastItsCapacity) {
  MediaRequestQueue queue(2);
  int wakes = 0;
  bool wakeWorks = true;
  auto wake = [&] {
    ++wakes;
    return wakeWorks;
  };
  EXPECT_TRUE(queue.Push(MediaRequest{}, wake));
  EXPECT_TRUE(queue.Push(MediaRequest{}, wake));
  EXPECT_EQ(wakes, 1) << "only the first of a waiting batch wakes";
  EXPECT_FALSE(queue.Push(MediaRequest{}, wake));
  EXPECT_EQ(queue.TakeAll().size(), 2u);
  EXPECT_TRUE(queue.Push(MediaRequest{}, wake));
  EXPECT_EQ(wakes, 2);
  EXPECT_EQ(queue.TakeAll().size(), 1u);

  // A wake that fails keeps nothing, so the queue never fills with requests nobody was told of.
  wakeWorks = false;
  for (int i = 0; i < 3; ++i) EXPECT_FALSE(queue.Push(MediaRequest{}, wake));
  EXPECT_EQ(wakes, 5) << "each request tries to wake again";
  wakeWorks = true;
  EXPECT_TRUE(queue.Push(MediaRequest{}, wake));
  EXPECT_EQ(queue.TakeAll().size(), 1u);
}

TEST(MediaControls, HeldRequestsWaitUntilReleasedAndStayBounded) {
  MediaRequestQueue queue(2);
  int wakes = 0;
  auto wake = [&] {
    ++wakes;
    return true;
  };
  EXPECT_FALSE(queue.Release()) << "nothing waits";
  queue.Hold();
  MediaRequest open;
  open.kind = MediaRequest::kOpenUri;
  EXPECT_TRUE(queue.Push(open, wake));
  EXPECT_TRUE(queue.Push(MediaRequest{}, wake));
  EXPECT_FALSE(queue.Push(MediaRequest{}, wake)) << "held, still bounded";
  EXPECT_TRUE(queue.TakeAll().empty()) << "taken while held";
  EXPECT_EQ(wakes, 1);
  EXPECT_TRUE(queue.Release()) << "requests wait, so the taker must be woken";
  std::vector<MediaRequest> taken = queue.TakeAll();
  ASSERT_EQ(taken.size(), 2u);
  EXPECT_EQ(taken[0].kind, MediaRequest::kOpenUri) << "in their order";
  EXPECT_FALSE(queue.Release());
}

TEST(MediaControls, CallsAreDoneOnlyWhenCarriedOutAndTheRestRefusedAtStop) {
  PendingCalls<const char*> calls;
  calls.Add("Play");
  calls.Add(nullptr);  // a Volume set, answered by sd-bus itself
  calls.Add("OpenUri a");
  calls.Add("OpenUri b");
  EXPECT_TRUE(calls.TakeDone(0).empty());
  EXPECT_EQ(calls.TakeDone(3), (std::vector<const char*>{"Play", "OpenUri a"}));
  // Quit was chosen: the last OpenUri, queued meanwhile, was never carried out.
  EXPECT_TRUE(calls.TakeDone(3).empty());
  EXPECT_EQ(calls.TakeLeft(), (std::vector<const char*>{"OpenUri b"}));
  EXPECT_TRUE(calls.TakeLeft().empty());
}

TEST(MediaControls, PlayResumesOnlyAPausedTrackAndPauseOnlyPauses) {
  using K = MediaRequest;
  const MediaStatus stopped = MediaStatus::kStopped, playing = MediaStatus::kPlaying,
                    paused = MediaStatus::kPaused;
  const MediaPlayAction play = MediaPlayAction::kPlayCurrent,
                        toggle = MediaPlayAction::kTogglePause, none = MediaPlayAction::kNothing;
  const struct {
    MediaRequest::Kind kind;
    MediaStatus status;
    MediaPlayAction action;
  } cases[] = {
      {K::kPlay, stopped, play},        {K::kPlay, paused, toggle},
      {K::kPlay, playing, none},        {K::kPause, playing, toggle},
      {K::kPause, paused, none},        {K::kPause, stopped, none},
      {K::kPlayPause, stopped, play},   {K::kPlayPause, paused, toggle},
      {K::kPlayPause, playing, toggle},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(PlayActionOf(c.kind, c.status), c.action)
        << c.kind << " in " << static_cast<int>(c.status);
  }
}

TEST(MediaControls, SeekTargetStopsAtTheEndsOfTheRange) {
  const struct {
    int64_t position;
    int64_t offset;
    int64_t target;
  } cases[] = {
      {5000000, -2500000, 2500000}, {5000000, INT64_MAX, INT64_MAX}, {1, INT64_MAX, INT64_MAX},
      {0, INT64_MIN, INT64_MIN},    {-1, INT64_MIN, INT64_MIN},      {INT64_MAX, 1, INT64_MAX},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(SeekTargetUs(c.position, c.offset), c.target) << c.position << " + " << c.offset;
  }
}

}  // namespace
