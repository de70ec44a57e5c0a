#include "playback/player.h"

#include "core/app_state.h"
#include "core/settings_saver.h"
#include "playback/engine/audio_engine.h"

namespace {

bool IsMusicType(uint32_t ctype) {
  return ctype == BASS_CTYPE_MUSIC_MO3 ||
         (ctype >= BASS_CTYPE_MUSIC_MOD && ctype <= BASS_CTYPE_MUSIC_IT);
}

void ApplyVolume(int64_t wanted, SettingsSaver& saver) {
  int32_t volume = wanted >= 100 ? 100 : wanted <= 0 ? 0 : static_cast<int32_t>(wanted);
  BASS_ChannelSetAttributes(g_app.Channel, 0, volume, 0);
  g_app.Volume = volume;
  saver.SaveSettings();
}

void ApplyVolumeStep(int32_t delta, SettingsSaver& saver) {
  // Wide: a Volume read from the file may lie at either end of the 32-bit range.
  ApplyVolume(static_cast<int64_t>(g_app.Volume) + delta, saver);
}

}  // namespace

bool LoadAndPlay(const std::string& path) {
  BASS_Stop();
  if (g_app.Channel != 0) {
    BASS_CHANNELINFO info = {};
    BASS_ChannelGetInfo(g_app.Channel, &info);
    if (IsMusicType(info.ctype)) {
      BASS_MusicFree(g_app.Channel);
    } else {
      BASS_StreamFree(g_app.Channel);
    }
  }
  uint32_t floatFlag =
      BASS_SampleCreate(10, 44100, 1, 0, BASS_SAMPLE_FLOAT) ? BASS_SAMPLE_FLOAT : 0;
  uint32_t channel =
      BASS_StreamCreateFile(false, path.c_str(), 0, 0, floatFlag | BASS_STREAM_PRESCAN);
  if (channel == 0) {
    channel = BASS_MusicLoad(false, path.c_str(), 0, 0,
                             floatFlag | BASS_MUSIC_PRESCAN | BASS_MUSIC_RAMP, 0);
  }
  g_app.Channel = channel;
  if (g_app.Channel == 0) return false;
  BASS_Start();
  BASS_ChannelSetAttributes(g_app.Channel, 0, g_app.Volume, 0);
  BASS_ChannelPlay(g_app.Channel, false);
  if (g_app.Mute != 0) BASS_ChannelSetAttributes(g_app.Channel, 0, 0, 0);
  return true;
}

void PlayCurrent() {
  if (g_app.playlist.Count() == 0 || g_app.CurrentIndex > g_app.playlist.Count() - 1) return;
  // A copy: loading may lead to the playlist being changed.
  std::string path = g_app.playlist.EntryAt(g_app.CurrentIndex);
  LoadAndPlay(path);
}

void TogglePause() {
  if (BASS_ChannelIsActive(g_app.Channel) == BASS_ACTIVE_PAUSED) {
    BASS_ChannelPlay(g_app.Channel, false);
  } else {
    BASS_ChannelPause(g_app.Channel);
  }
}

void StopPlayback() {
  BASS_ChannelStop(g_app.Channel);
}

void VolumeUp(SettingsSaver& saver) {
  ApplyVolumeStep(5, saver);
}

void VolumeDown(SettingsSaver& saver) {
  ApplyVolumeStep(-5, saver);
}

void SetVolume(int32_t volume, SettingsSaver& saver) {
  // What is set is what is heard: a level set while muted would otherwise read back as silence.
  g_app.Mute = 0;
  ApplyVolume(volume, saver);
}

void ToggleMute() {
  if (g_app.Mute == 0) {
    BASS_ChannelSetAttributes(g_app.Channel, 0, 0, 0);
    g_app.Mute = 1;
  } else {
    g_app.Mute = 0;
    BASS_ChannelSetAttributes(g_app.Channel, 0, g_app.Volume, 0);
  }
}
