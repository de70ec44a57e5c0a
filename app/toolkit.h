// GTK's part of the native player: the dialogs, choosers, message boxes and the XEmbed tray icon.
// It lives in a module of its own that the player loads after the first sound, so that the
// toolkit and its graphics stack (some forty libraries) are not mapped before it.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "app/front_end.h"
#include "platform/status_notifier.h"

class DesktopShortcuts;

// Beside the program file.
constexpr char kToolkitModuleFile[] = "tunlark-gtk.so";
constexpr char kToolkitEntryName[] = "TunlarkCreateToolkit";

// GTK's status icon, for trays that take no StatusNotifierItem.
class EmbeddedTrayIcon {
 public:
  virtual ~EmbeddedTrayIcon() = default;
  virtual void SetVisible(bool visible) = 0;
  // The picture of iconId at the tray's size and the tip (UTF-8); what is unchanged is not redrawn.
  virtual void Draw(int iconId, const std::string& tip) = 0;
  // Whether a tray has taken the icon.
  virtual bool Embedded() = 0;
};

struct EmbeddedTrayHooks {
  // The menu shown when the icon is clicked, built anew for each opening.
  const DesktopMenu* menu = nullptr;
  // A menu entry chosen, once the menu has gone.
  std::function<void(int command)> choose;
  // The tray changed the icon's size: the picture is to be drawn again.
  std::function<void()> resized;
};

struct ToolkitSetup {
  // Ends the program's main loop, as "Выход" does.
  std::function<void()> quit;
  // The desktop's shortcuts, for the hotkeys dialog, when the hotkeys go through them; kept by
  // the caller while the toolkit lives.
  DesktopShortcuts* shortcuts = nullptr;
  // The tray's picture of an icon at a side, for the icons GTK draws.
  std::function<TrayPixmap(int iconId, int side)> pixmapOf;
};

class Toolkit {
 public:
  virtual ~Toolkit() = default;
  // GTK with its display; false without one.
  virtual bool Start(int* argc, char*** argv) = 0;
  // The windows the commands open; on the main loop's thread.
  virtual FrontEnd& Windows() = 0;
  // The start-up error box (texts in Windows-1251), or the text on stderr without a display.
  virtual void ShowErrorMessage(const char* text, const char* caption) = 0;
  // After Start; hidden until SetVisible.
  virtual std::unique_ptr<EmbeddedTrayIcon> CreateTrayIcon(EmbeddedTrayHooks hooks) = 0;
};

// The module's entry: a toolkit not yet started.
using ToolkitEntry = Toolkit* (*)(ToolkitSetup setup);
extern "C" Toolkit* TunlarkCreateToolkit(ToolkitSetup setup);
