// The native Linux program's player: one instance per user, start-up, GLib's main loop with
// the tray, the media controls and the hotkeys on it, and shut-down.
#include <glib-unix.h>
#include <limits.h>
#include <signal.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <memory>
#include <string>

#include "app/commands.h"
#include "app/desktop_tray.h"
#include "app/engine_setup_gtk.h"
#include "app/hotkey_registrar_gtk.h"
#include "app/main_loop_gtk.h"
#include "app/media_bus_gtk.h"
#include "app/media_session.h"
#include "app/player_module.h"
#include "app/portal_hotkeys_gtk.h"
#include "app/single_instance_gtk.h"
#include "app/startup.h"
#include "app/toolkit_module_gtk.h"
#include "app/tray_gtk.h"
#include "app/tray_menu.h"
#include "core/app_state.h"
#include "platform/clock_posix.h"
#include "platform/file_system.h"
#include "platform/media_controls.h"
#include "platform/modal_windows_gtk.h"
#include "platform/running_program_linux.h"
#include "platform/platform.h"
#include "playback/engine/audio_engine.h"
#include "playback/monitor.h"
#include "playlist/wine_paths.h"
#include "resources/tray_menu_table.h"
#include "settings/autostart.h"
#include "settings/hotkeys.h"

namespace {

const char kNoPortalMessage[] =
    "tunlark: this Wayland desktop offers no global shortcuts portal "
    "(org.freedesktop.portal.GlobalShortcuts); the hotkeys are grabbed through X11 and work only "
    "while a window of an X11 program has the focus; the media keys work through MPRIS\n";

// A Wayland session: X11 key grabs see no keys pressed in its native windows.
bool InWaylandSession() {
  const char* display = getenv("WAYLAND_DISPLAY");
  return display && display[0];
}

// The Unix folder of a drive of the Wine prefix the Win32 program ran in: its own prefix of
// scripts/run or the launcher, $WINEPREFIX, or Wine's default one.
std::string WineDriveFolder(char drive) {
  const char* home = getenv("HOME");
  const char* data = getenv("XDG_DATA_HOME");
  std::string dataHome = data && data[0] == '/' ? data
                         : home                 ? std::string(home) + "/.local/share"
                                                : "";
  std::string prefixes[] = {getenv("TUNLARK_WINEPREFIX") ? getenv("TUNLARK_WINEPREFIX") : "",
                            getenv("WINEPREFIX") ? getenv("WINEPREFIX") : "",
                            dataHome.empty() ? "" : dataHome + "/tunlark/wineprefix",
                            home ? std::string(home) + "/.wine" : ""};
  for (const std::string& prefix : prefixes) {
    if (prefix.empty()) continue;
    std::string link = prefix + "/dosdevices/" + drive + ":";
    char* resolved = realpath(link.c_str(), nullptr);
    if (!resolved) continue;
    std::string folder(resolved);
    free(resolved);
    return folder;
  }
  return "";
}

void AdoptWinePaths() {
  Playlist adopted;
  WineEntryAdopter adopter(WineDriveFolder, *g_platform.files);
  for (uint32_t i = 0; i < g_app.playlist.Count(); ++i)
    adopted.Append(adopter.UnixPathOf(g_app.playlist.EntryAt(i)));
  g_app.playlist = adopted;
}

class NativeProgram {
 public:
  explicit NativeProgram(std::unique_ptr<SingleInstance> instance)
      : instance_(std::move(instance)),
        files_(CreatePosixFileSystem()),
        monitor_(*MonotonicClock(), tray_, nullptr),
        loop_(monitor_, [this] { bus_.Publish(); }),
        frontEnd_([this] { RequestExit(); }),
        bus_(loop_, BusHooksOf()),
        tray_(loop_, DesktopMenuOfRows(kTrayMenuRows), TrayHooksOf()) {}

  // argc and argv are GTK's, which takes its own options from them.
  int Run(const std::string& launchPath, int* argc, char*** argv) {
    argc_ = argc;
    argv_ = argv;
    frontEnd_.Use([this] {
      StartToolkit();
      return toolkit_.get();
    });
    g_app.programFilePath = RunningProgramFile();
    g_app.programDirectory = ProgramFolderOf(g_app.programFilePath);
    g_platform.files = files_.get();
    g_platform.clock = MonotonicClock();
    g_platform.tray = &tray_;
    // Paths are Unix paths in UTF-8: nothing to turn.
    g_platform.paths = nullptr;
    // On an X connection of its own (null without an X display), so that the hotkeys are
    // registered in start-up's order, before the toolkit is up.
    hotkeys_ = CreateX11HotkeyRegistrar(loop_, [this](int id) {
      if (!exiting_) RunHotkeyCommand(id, frontEnd_);
    });
    g_platform.hotkeys = hotkeys_.get();
    if (InWaylandSession()) {
      portal_ = std::make_unique<PortalHotkeys>(loop_, PortalHooksOf());
    }
    int channelNotice = ConfigureNativeEngine(files_.get());
    if (channelNotice >= 0)
      loop_.Watch(channelNotice, [channelNotice] { ClearChannelNotice(channelNotice); });

    // The bus before start-up: the desktop's tray shows the item's stopped icon, and whether it
    // took the item is known by the time the XEmbed icon could show.
    bus_.Start({tray_.Item(), portal_.get()});

    StartUpSteps steps;
    steps.openAudio = OpenNativeAudio;
    steps.pause = [](int ms) { g_usleep(static_cast<gulong>(ms) * 1000); };
    steps.registerHotkeys = [this] {
      if (!portal_) {
        RegisterAllHotkeys();
        return;
      }
      // The X11 grabs wait for the portal's answer: never both at once.
      portal_->Arm();
      bus_.Wake();
    };
    steps.reportAudioError = [this] {
      StartTray();
      if (StartToolkit()) {
        toolkit_->ShowErrorMessage("Ошибка инициализации плеера", "Ошибка");
      } else {
        fputs("tunlark: no sound server answers\n", stderr);
      }
    };
    steps.adoptSavedPlaylist = AdoptWinePaths;
    StartPlayer(steps, launchPath);
    StartTray();
    // Held until now, so that none runs inside start-up's error box, before the output is open.
    instance_->Serve(loop_, [this](const std::string& path) {
      bool taken = TakeHandOver(path, exiting_);
      bus_.Publish();
      return taken;
    });
    bus_.Release();
    tray_.Release();
    // The session's end and Ctrl+C shut down as "Выход" does, saving the user's files.
    for (int signal : {SIGTERM, SIGINT, SIGHUP})
      g_unix_signal_add(
          signal,
          [](gpointer self) -> gboolean {
            static_cast<NativeProgram*>(self)->RequestExit();
            return G_SOURCE_CONTINUE;
          },
          this);

    loop_.Run();
    ShutDown();
    return 0;
  }

 private:
  TrayHooks TrayHooksOf() {
    TrayHooks hooks;
    hooks.run = [this](const std::vector<TrayRequest>& requests) {
      if (exiting_) return;
      // The item's context menu is drawn by the desktop; this program draws none for it.
      RunDesktopTrayRequests(
          requests, frontEnd_, [this] { bus_.Publish(); }, [](const TrayRequest&) {});
    };
    hooks.choose = [this](int command) {
      if (exiting_) return;
      RunMenuCommand(command, frontEnd_);
      bus_.Publish();
    };
    hooks.wakeBus = [this] { bus_.Wake(); };
    return hooks;
  }

  MediaBusHooks BusHooksOf() {
    MediaBusHooks hooks;
    hooks.frontEnd = &frontEnd_;
    hooks.openPath = [](const std::string& path) { PlayLaunchPath(path); };
    hooks.exiting = [this] { return exiting_; };
    hooks.published = [this](const MediaState& state) {
      std::u16string fileTitle;
      if (HasCurrentEntry()) fileTitle = TrayTextOfNarrow(TrackTitleOfCurrent());
      tray_.NameTrack(DesktopTrayTrackName(state), fileTitle);
    };
    return hooks;
  }

  PortalHotkeyHooks PortalHooksOf() {
    PortalHotkeyHooks hooks;
    hooks.unavailable = [] {
      fputs(kNoPortalMessage, stderr);
      RegisterAllHotkeys();
    };
    hooks.takeOver = [] { UnregisterAllHotkeys(); };
    hooks.wakeBus = [this] { bus_.Wake(); };
    hooks.pressed = [this](HotkeyActionIndex action) {
      if (exiting_) return;
      RunHotkeyAction(action, frontEnd_);
      bus_.Publish();
    };
    return hooks;
  }

  static std::string TrackTitleOfCurrent();

  // After the first sound, and before start-up's error box: the tray waits for the bus to say
  // whether a watcher took the item, and only where none did loads the toolkit for the XEmbed
  // icon.
  void StartTray() {
    tray_.Start([this]() -> Toolkit* { return StartToolkit() ? toolkit_.get() : nullptr; });
  }

  // Once, on first need (a window, the XEmbed icon, start-up's error box): GTK's module with its
  // display. Not before: GTK and its graphics stack take some ten megabytes, and its start (the
  // display, the theme, the accessibility bus) would delay the first sound by tens of
  // milliseconds. False without a display or without the module: the player still plays,
  // through its media controls and hand-overs.
  bool StartToolkit() {
    if (toolkitTried_) return hasDisplay_;
    toolkitTried_ = true;
    ToolkitSetup setup;
    setup.quit = [this] { RequestExit(); };
    setup.shortcuts = portal_.get();
    setup.pixmapOf = TrayPixmapOfIcon;
    toolkit_ = LoadToolkit(g_app.programDirectory, std::move(setup));
    if (toolkit_) hasDisplay_ = toolkit_->Start(argc_, argv_);
    return hasDisplay_;
  }

  // "Выход" and the desktop's Quit: from now on no hand-over is taken and no request carried
  // out; those are refused, so that nothing asked of an exiting player is taken for done.
  void RequestExit() {
    exiting_ = true;
    // The open dialogs' own loops would hold the exit up until the user closed them.
    EndModalWindows();
    loop_.Quit();
  }

  void ShutDown() {
    exiting_ = true;
    tray_.Remove();
    SavePlayerFiles(ApplyAutostart);
    UnregisterAllHotkeys();
    hotkeys_.reset();
    g_platform.hotkeys = nullptr;
    // After the saves: a bus that does not answer may hold this up for seconds.
    bus_.Stop();
    // The mixing thread must end before the engine's globals go.
    BASS_Free();
    instance_.reset();
  }

  std::unique_ptr<SingleInstance> instance_;
  // Loaded after the first sound; outlives the front end and the tray that use it.
  std::unique_ptr<Toolkit> toolkit_;
  std::unique_ptr<FileSystem> files_;
  // Shows the state in tray_, which is made after it and only used once the loop runs.
  PlaybackMonitor monitor_;
  MainLoop loop_;
  ToolkitFrontEnd frontEnd_;
  // Before the tray, whose changes wake the bus thread.
  MediaBus bus_;
  NativeTray tray_;
  std::unique_ptr<HotkeyRegistrar> hotkeys_;
  // Only in a Wayland session; served by the bus thread, so never destroyed before it ends.
  std::unique_ptr<PortalHotkeys> portal_;
  bool exiting_ = false;
  // GTK's, which takes its own options from them when it starts.
  int* argc_ = nullptr;
  char*** argv_ = nullptr;
  bool toolkitTried_ = false;
  bool hasDisplay_ = false;
};

}  // namespace

#include "playback/tray_texts.h"
#include "playlist/playlist.h"

std::string NativeProgram::TrackTitleOfCurrent() {
  return TrackTitle(g_app.playlist.EntryAt(g_app.CurrentIndex));
}

int TunlarkPlayerMain(int argc, char** argv, const char* launchPath) {
  std::unique_ptr<SingleInstance> instance = ClaimInstance(launchPath, g_get_user_runtime_dir());
  if (!instance) return 0;
  // Never destroyed: a bus thread that did not stop in time at exit still serves the tray's item
  // until the process ends.
  auto* program = new NativeProgram(std::move(instance));
  return program->Run(launchPath, &argc, &argv);
}
