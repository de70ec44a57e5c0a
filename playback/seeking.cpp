#include "playback/seeking.h"

#include "core/app_state.h"
#include "playback/engine/audio_engine.h"

namespace {

// Whole seconds cut toward zero; a failed query (negative) counts as 0 rather than wrapping.
int32_t WholeSeconds(double seconds) {
  if (!(seconds > 0)) return 0;
  if (seconds >= 2147483647.0) return 2147483647;
  return static_cast<int32_t>(seconds);
}

void PlayIfStopped() {
  if (BASS_ChannelIsActive(g_app.Channel) == BASS_ACTIVE_STOPPED)
    BASS_ChannelPlay(g_app.Channel, false);
}

template <typename Jump>
void Silenced(Jump jump) {
  if (!g_app.Mute) BASS_ChannelSetAttributes(g_app.Channel, 0, 0, 0);
  jump();
  if (!g_app.Mute) BASS_ChannelSetAttributes(g_app.Channel, 0, g_app.Volume, 0);
}

}  // namespace

int32_t PositionSeconds() {
  return WholeSeconds(
      BASS_ChannelBytes2Seconds(g_app.Channel, BASS_ChannelGetPosition(g_app.Channel)));
}

int32_t LengthSeconds() {
  return WholeSeconds(
      BASS_ChannelBytes2Seconds(g_app.Channel, BASS_ChannelGetLength(g_app.Channel)));
}

void Rewind(int32_t delta) {
  if (g_app.Channel == 0) return;
  int32_t length = LengthSeconds();
  int32_t position = PositionSeconds();
  int64_t target = static_cast<int64_t>(position) + delta;
  if (target > length || target < 0) target = 0;
  BASS_ChannelSetPosition(g_app.Channel,
                          BASS_ChannelSeconds2Bytes(g_app.Channel, static_cast<float>(target)));
  PlayIfStopped();
}

void SeekTo(double seconds) {
  if (g_app.Channel == 0) return;
  BASS_ChannelSetPosition(g_app.Channel,
                          BASS_ChannelSeconds2Bytes(g_app.Channel, static_cast<float>(seconds)));
  PlayIfStopped();
}

void SilencedRewind(int32_t delta) {
  Silenced([delta] { Rewind(delta); });
}

void SilencedSeekTo(double seconds) {
  Silenced([seconds] { SeekTo(seconds); });
}
