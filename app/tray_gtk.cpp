#include "app/tray_gtk.h"

#include <gtk/gtk.h>

#include <cstdio>

#include "app/desktop_tray.h"
#include "app/main_loop_gtk.h"
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

// IconPixmap's ARGB in network order as GDK's RGBA.
GdkPixbuf* PixbufOf(int iconId, int side) {
  TrayPicture picture = PictureOf(iconId);
  if (picture.size == 0 || side <= 0) return nullptr;
  TrayPixmap pixmap = TrayPixmapOf(picture, side);
  GdkPixbuf* pixbuf = gdk_pixbuf_new(GDK_COLORSPACE_RGB, TRUE, 8, side, side);
  if (!pixbuf) return nullptr;
  guchar* pixels = gdk_pixbuf_get_pixels(pixbuf);
  int stride = gdk_pixbuf_get_rowstride(pixbuf);
  for (int y = 0; y < side; ++y) {
    for (int x = 0; x < side; ++x) {
      const uint8_t* argb = &pixmap.argb[(y * side + x) * 4];
      guchar* rgba = pixels + y * stride + x * 4;
      rgba[0] = argb[1];
      rgba[1] = argb[2];
      rgba[2] = argb[3];
      rgba[3] = argb[0];
    }
  }
  return pixbuf;
}

// The program's windows show the icon of the desktop's theme, which only an installed player has;
// GTK falls back to the default list, here full-volume playing as the theme's smallest icon is.
void UseTrayPictureForWindows() {
  GList* icons = nullptr;
  for (int side : {16, 32, 48, 64}) {
    if (GdkPixbuf* pixbuf = PixbufOf(IDI_LEVEL_100, side)) icons = g_list_append(icons, pixbuf);
  }
  gtk_window_set_default_icon_list(icons);
  g_list_free_full(icons, g_object_unref);
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
    // Before the start the bus's answer is only kept: GTK may not be up yet.
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

  // Where no watcher took the item: the XEmbed icon, or without a display only the word that
  // the desktop has no tray.
  void ShowFallback() {
    if (hasDisplay) {
      ShowStatusIcon();
    } else if (!toldNoTray && !removed) {
      toldNoTray = true;
      fputs(kNoTrayMessage, stderr);
    }
  }

  void Publish() {
    item->Publish(tip.Icon(), tip.Tip());
    UpdateStatusIcon();
  }

  G_GNUC_BEGIN_IGNORE_DEPRECATIONS
  void ShowStatusIcon() {
    if (removed) return;
    if (!statusIcon) {
      statusIcon = gtk_status_icon_new();
      gtk_status_icon_set_title(statusIcon, "Tunlark");
      gtk_status_icon_set_name(statusIcon, "tunlark");
      g_signal_connect(statusIcon, "popup-menu", G_CALLBACK(PopUp), this);
      g_signal_connect(statusIcon, "size-changed", G_CALLBACK(SizeChanged), this);
      shownIcon = -1;
    }
    UpdateStatusIcon();
    gtk_status_icon_set_visible(statusIcon, TRUE);
    if (!embedCheck) embedCheck = g_timeout_add(kEmbedWaitMs, CheckEmbedded, this);
  }

  void HideStatusIcon() {
    if (statusIcon) gtk_status_icon_set_visible(statusIcon, FALSE);
  }

  void UpdateStatusIcon() {
    if (!statusIcon) return;
    int side = gtk_status_icon_get_size(statusIcon);
    if (side <= 0) side = 22;
    if (tip.Icon() != shownIcon || side != shownSide) {
      GdkPixbuf* pixbuf = PixbufOf(tip.Icon(), side);
      if (pixbuf) {
        gtk_status_icon_set_from_pixbuf(statusIcon, pixbuf);
        g_object_unref(pixbuf);
      }
      shownIcon = tip.Icon();
      shownSide = side;
    }
    std::string text = EncodeUtf8(tip.Tip());
    if (text != shownTip) {
      gtk_status_icon_set_tooltip_text(statusIcon, text.c_str());
      shownTip = text;
    }
  }

  static gboolean SizeChanged(GtkStatusIcon*, gint, gpointer self) {
    static_cast<Impl*>(self)->UpdateStatusIcon();
    return TRUE;
  }

  static gboolean CheckEmbedded(gpointer self) {
    auto* impl = static_cast<Impl*>(self);
    impl->embedCheck = 0;
    bool shown =
        impl->hostShows || (impl->statusIcon && gtk_status_icon_is_embedded(impl->statusIcon));
    if (!shown && !impl->removed) fputs(kNoTrayMessage, stderr);
    return G_SOURCE_REMOVE;
  }
  G_GNUC_END_IGNORE_DEPRECATIONS

  static gboolean HostTimeout(gpointer self) {
    auto* impl = static_cast<Impl*>(self);
    impl->hostTimer = 0;
    if (!impl->hostKnown) impl->ShowFallback();
    return G_SOURCE_REMOVE;
  }

  // The XEmbed icon's menu: the same entries as the item's, built anew for each opening.
  GtkWidget* MenuOf(const std::vector<DesktopMenuEntry>& entries) {
    GtkWidget* shell = gtk_menu_new();
    for (const DesktopMenuEntry& entry : entries) {
      GtkWidget* item = nullptr;
      if (entry.kind == DesktopMenuEntry::kSeparator) {
        item = gtk_separator_menu_item_new();
      } else {
        item = gtk_menu_item_new_with_mnemonic(entry.label.c_str());
        gtk_widget_set_sensitive(item, entry.enabled);
        if (entry.kind == DesktopMenuEntry::kSubmenu) {
          gtk_menu_item_set_submenu(GTK_MENU_ITEM(item), MenuOf(entry.children));
        } else {
          g_object_set_data(G_OBJECT(item), "tunlark-command", GINT_TO_POINTER(entry.command));
          g_signal_connect(item, "activate", G_CALLBACK(Chosen), this);
        }
      }
      gtk_menu_shell_append(GTK_MENU_SHELL(shell), item);
    }
    return shell;
  }

  static void Chosen(GtkMenuItem* item, gpointer self) {
    auto* impl = static_cast<Impl*>(self);
    int command = GPOINTER_TO_INT(g_object_get_data(G_OBJECT(item), "tunlark-command"));
    // After the menu has gone: a command may open a dialog of its own.
    impl->loop.Post([impl, command] { impl->hooks.choose(command); });
  }

  static void PopUp(GtkStatusIcon*, guint, guint, gpointer self) {
    auto* impl = static_cast<Impl*>(self);
    GtkWidget* menu = impl->MenuOf(impl->menu.entries);
    g_signal_connect(menu, "deactivate", G_CALLBACK(+[](GtkMenuShell* shell, gpointer) {
                       g_idle_add(
                           +[](gpointer widget) -> gboolean {
                             gtk_widget_destroy(GTK_WIDGET(widget));
                             return G_SOURCE_REMOVE;
                           },
                           shell);
                     }),
                     nullptr);
    gtk_widget_show_all(menu);
    gtk_menu_popup_at_pointer(GTK_MENU(menu), nullptr);
  }

  MainLoop& loop;
  DesktopMenu menu;
  TrayHooks hooks;
  TrayRequestQueue requests;
  std::unique_ptr<StatusNotifierBus> item;
  DesktopTrayTip tip;
  GtkStatusIcon* statusIcon = nullptr;
  int shownIcon = -1;
  int shownSide = 0;
  std::string shownTip;
  bool hostKnown = false;
  bool hostShows = false;
  bool removed = false;
  bool started = false;
  bool hasDisplay = false;
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

void NativeTray::Start() {
  UseTrayPictureForWindows();
  impl_->started = impl_->hasDisplay = true;
  impl_->ActOnHost();
}

void NativeTray::StartWithoutDisplay() {
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
  G_GNUC_BEGIN_IGNORE_DEPRECATIONS
  if (impl->statusIcon) {
    gtk_status_icon_set_visible(impl->statusIcon, FALSE);
    g_object_unref(impl->statusIcon);
    impl->statusIcon = nullptr;
  }
  G_GNUC_END_IGNORE_DEPRECATIONS
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
