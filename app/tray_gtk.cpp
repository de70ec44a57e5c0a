#include "app/tray_gtk.h"

#include <glib.h>

#include <cstdio>

#include "app/desktop_tray.h"
#include "app/main_loop_gtk.h"
#include "app/toolkit.h"
#include "platform/status_notifier_linux.h"
#include "platform/wide_paths.h"
#include "resources/resource_ids.h"
#include "resources/tray_pictures.h"

const char kNoTrayMessage[] =
    "tunlark: this desktop shows no tray icons (no StatusNotifierWatcher and no X system tray); "
    "the player runs anyway, reachable through its hotkeys and the media controls; to see its "
    "icon, start a panel with a system tray or a StatusNotifierItem host (e.g. 'apt-get install "
    "trayer', then 'trayer &').\n";

namespace {

// Enough for any burst a person or a desktop sends; a flood beyond it is refused with an error.
constexpr size_t kRequestCapacity = 64;
// How long the bus has to say whether a watcher took the item before the XEmbed icon shows.
constexpr guint kHostWaitMs = 2000;
// How long an XEmbed icon has to be taken by a tray before the player says there is none.
constexpr guint kEmbedWaitMs = 3000;

TrayPicture PictureOf(int iconId) {
  for (const TrayPictureRecord& record : kTrayPictures) {
    if (record.iconId == iconId) return {16, record.pixels, kTrayPalette};
  }
  return {};
}

std::vector<TrayPixmap> PixmapsOf(int iconId) {
  std::vector<TrayPixmap> pixmaps;
  TrayPicture picture = PictureOf(iconId);
  if (picture.size > 0) {
    for (int side : kTrayPixmapSides) pixmaps.push_back(TrayPixmapOf(picture, side));
  }
  return pixmaps;
}

}  // namespace

struct NativeTray::Impl {
  Impl(MainLoop& loop, DesktopMenu menu, TrayHooks hooks)
      : loop(loop), menu(std::move(menu)), hooks(std::move(hooks)), requests(kRequestCapacity) {
    requests.Hold();
    StatusNotifierSetup setup;
    setup.id = "tunlark";
    setup.title = "Tunlark";
    setup.menu = this->menu;
    setup.pixmapsOf = PixmapsOf;
    // On the bus thread.
    setup.post = [this](const TrayRequest& request) {
      return requests.Push(request, [this] {
        this->loop.Post([this] { RunRequests(); });
        return true;
      });
    };
    setup.hostChanged = [this](bool registered) {
      this->loop.Post([this, registered] { HostChanged(registered); });
    };
    setup.wake = [this] { this->hooks.wakeBus(); };
    item = std::make_unique<StatusNotifierBus>(std::move(setup));
  }

  void RunRequests() { hooks.run(requests.TakeAll()); }

  void HostChanged(bool registered) {
    hostKnown = true;
    hostShows = registered;
    // Before the start the bus's answer is only kept: the first sound may not have come yet.
    if (!started) return;
    if (registered) {
      HideStatusIcon();
    } else {
      ShowFallback();
    }
  }

  // What follows the start once the bus has answered, or has not in time.
  void ActOnHost() {
    if (hostKnown && !hostShows) ShowFallback();
    if (!hostKnown && !hostTimer) hostTimer = g_timeout_add(kHostWaitMs, HostTimeout, this);
  }

  // Where no watcher took the item: the XEmbed icon, or without a display (or GTK's module) only
  // the word that the desktop has no tray. Only here is GTK needed for the tray: where a watcher
  // takes the item, it is not loaded for it.
  void ShowFallback() {
    if (removed) return;
    if (Toolkit* toolkit = toolkitOf()) {
      ShowStatusIcon(toolkit);
    } else if (!toldNoTray) {
      toldNoTray = true;
      fputs(kNoTrayMessage, stderr);
    }
  }

  void Publish() {
    item->Publish(tip.Icon(), tip.Tip());
    UpdateStatusIcon();
  }

  void ShowStatusIcon(Toolkit* toolkit) {
    if (!statusIcon) {
      EmbeddedTrayHooks iconHooks;
      iconHooks.menu = &menu;
      // After the menu has gone: a command may open a dialog of its own.
      iconHooks.choose = [this](int command) {
        loop.Post([this, command] { hooks.choose(command); });
      };
      iconHooks.resized = [this] { UpdateStatusIcon(); };
      statusIcon = toolkit->CreateTrayIcon(std::move(iconHooks));
    }
    UpdateStatusIcon();
    if (statusIcon) statusIcon->SetVisible(true);
    if (!embedCheck) embedCheck = g_timeout_add(kEmbedWaitMs, CheckEmbedded, this);
  }

  void HideStatusIcon() {
    if (statusIcon) statusIcon->SetVisible(false);
  }

  void UpdateStatusIcon() {
    if (statusIcon) statusIcon->Draw(tip.Icon(), EncodeUtf8(tip.Tip()));
  }

  static gboolean CheckEmbedded(gpointer self) {
    auto* impl = static_cast<Impl*>(self);
    impl->embedCheck = 0;
    bool shown = impl->hostShows || (impl->statusIcon && impl->statusIcon->Embedded());
    if (!shown && !impl->removed) fputs(kNoTrayMessage, stderr);
    return G_SOURCE_REMOVE;
  }

  static gboolean HostTimeout(gpointer self) {
    auto* impl = static_cast<Impl*>(self);
    impl->hostTimer = 0;
    if (!impl->hostKnown) impl->ShowFallback();
    return G_SOURCE_REMOVE;
  }

  MainLoop& loop;
  DesktopMenu menu;
  TrayHooks hooks;
  TrayRequestQueue requests;
  std::unique_ptr<StatusNotifierBus> item;
  DesktopTrayTip tip;
  std::function<Toolkit*()> toolkitOf;
  std::unique_ptr<EmbeddedTrayIcon> statusIcon;
  bool hostKnown = false;
  bool hostShows = false;
  bool removed = false;
  bool started = false;
  bool toldNoTray = false;
  guint hostTimer = 0;
  guint embedCheck = 0;
};

NativeTray::NativeTray(MainLoop& loop, DesktopMenu menu, TrayHooks hooks)
    : impl_(std::make_unique<Impl>(loop, std::move(menu), std::move(hooks))) {
  impl_->tip.Tell(TrayTextOfNarrow("Tunlark - остановлено "), true, IDI_STOPPED);
  impl_->item->Publish(impl_->tip.Icon(), impl_->tip.Tip());
}

NativeTray::~NativeTray() {
  Remove();
}

BusCompanion* NativeTray::Item() {
  return impl_->item.get();
}

void NativeTray::Start(std::function<Toolkit*()> toolkitOf) {
  if (impl_->started) return;
  impl_->toolkitOf = std::move(toolkitOf);
  impl_->started = true;
  impl_->ActOnHost();
}

void NativeTray::Release() {
  Impl* impl = impl_.get();
  if (impl->requests.Release()) impl->loop.Post([impl] { impl->RunRequests(); });
}

void NativeTray::Remove() {
  Impl* impl = impl_.get();
  impl->removed = true;
  if (impl->hostTimer) g_source_remove(impl->hostTimer);
  if (impl->embedCheck) g_source_remove(impl->embedCheck);
  impl->hostTimer = impl->embedCheck = 0;
  impl->statusIcon.reset();
}

void NativeTray::Update(const char* text, int iconId) {
  if (impl_->tip.Tell(text ? TrayTextOfNarrow(text) : u"", text != nullptr, iconId))
    impl_->Publish();
}

void NativeTray::UpdateWide(const std::u16string& text, int iconId) {
  if (impl_->tip.Tell(text, true, iconId)) impl_->Publish();
}

void NativeTray::NameTrack(const std::string& name, const std::u16string& fileTitle) {
  std::u16string wide;
  if (!DecodeUtf8(name, &wide)) wide.clear();
  if (impl_->tip.NameTrack(wide, fileTitle)) impl_->Publish();
}

TrayPixmap TrayPixmapOfIcon(int iconId, int side) {
  TrayPicture picture = PictureOf(iconId);
  if (picture.size == 0 || side <= 0) return {};
  return TrayPixmapOf(picture, side);
}
