#include "app/startup.h"

#include "core/app_state.h"
#include "playback/engine/audio_engine.h"
#include "playback/player.h"
#include "playlist/open_path.h"
#include "playlist/saved_playlist.h"
#include "settings/config_file.h"

namespace {

constexpr int kInitAttempts = 7;
constexpr int kInitPauseMs = 1000;

bool OpenAudioLibrary(const StartUpSteps& steps) {
  for (int attempt = 0; attempt < kInitAttempts; ++attempt) {
    // The first two attempts come back to back; a sound server that is still starting gets a
    // second each time after that.
    if (attempt >= 2) steps.pause(kInitPauseMs);
    if (steps.openAudio()) return true;
  }
  return false;
}

}  // namespace

bool PlayLaunchPath(const std::string& path) {
  if (!OpenLaunchPath(path)) return false;
  SavePlaylist();
  PlayCurrent();
  return true;
}

int StartPlayer(const StartUpSteps& steps, const std::string& launchPath) {
  int loaded = LoadConfig();
  if (loaded < 0) return loaded;

  steps.registerHotkeys();

  if (!OpenAudioLibrary(steps)) {
    steps.reportAudioError();
    return -3;
  }

  BASS_ChannelSetAttributes(g_app.Channel, 0, g_app.Volume, 0);
  g_app.CurrentIndex = 0;
  g_app.playlist.Clear();
  if (g_app.Mute) BASS_ChannelSetAttributes(g_app.Channel, 0, 0, 0);
  // From here on the playlist is the user's, and saving it may replace "current.spl".
  g_app.playlistLoaded = true;

  if (launchPath.empty() || !PlayLaunchPath(launchPath)) {
    LoadSavedPlaylist();
    if (steps.adoptSavedPlaylist) steps.adoptSavedPlaylist();
    if (g_app.Autoplay) PlayCurrent();
  }
  return 1;
}

bool TakeHandOver(const std::string& path, bool exiting) {
  // Opened now, the path would be lost with the exit; the sender starts anew after it.
  if (exiting) return false;
  // Nothing to open: an empty hand-over would replace the list with one empty entry.
  if (!path.empty()) PlayLaunchPath(path);
  return true;
}

void SavePlayerFiles(void (*applyAutostart)()) {
  SaveConfig();
  if (g_app.configLoaded) applyAutostart();
  SavePlaylist();
}
