// The toolkit module's entry: GTK's start, its windows and the XEmbed icon, for the player.
#include <gtk/gtk.h>

#include "app/front_end_gtk.h"
#include "app/toolkit.h"
#include "resources/resource_ids.h"

namespace {

using PixmapSource = std::function<TrayPixmap(int iconId, int side)>;

// IconPixmap's ARGB in network order as GDK's RGBA.
GdkPixbuf* PixbufOf(const PixmapSource& pixmapOf, int iconId, int side) {
  if (side <= 0) return nullptr;
  TrayPixmap pixmap = pixmapOf(iconId, side);
  if (pixmap.size != side || pixmap.argb.size() < static_cast<size_t>(side) * side * 4)
    return nullptr;
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
void UseTrayPictureForWindows(const PixmapSource& pixmapOf) {
  GList* icons = nullptr;
  for (int side : {16, 32, 48, 64}) {
    if (GdkPixbuf* pixbuf = PixbufOf(pixmapOf, IDI_LEVEL_100, side))
      icons = g_list_append(icons, pixbuf);
  }
  gtk_window_set_default_icon_list(icons);
  g_list_free_full(icons, g_object_unref);
}

G_GNUC_BEGIN_IGNORE_DEPRECATIONS
class GtkTrayIcon : public EmbeddedTrayIcon {
 public:
  GtkTrayIcon(EmbeddedTrayHooks hooks, PixmapSource pixmapOf)
      : hooks_(std::move(hooks)), pixmapOf_(std::move(pixmapOf)), icon_(gtk_status_icon_new()) {
    gtk_status_icon_set_title(icon_, "Tunlark");
    gtk_status_icon_set_name(icon_, "tunlark");
    g_signal_connect(icon_, "popup-menu", G_CALLBACK(PopUp), this);
    g_signal_connect(icon_, "size-changed", G_CALLBACK(SizeChanged), this);
  }

  ~GtkTrayIcon() override {
    gtk_status_icon_set_visible(icon_, FALSE);
    g_signal_handlers_disconnect_by_data(icon_, this);
    g_object_unref(icon_);
  }

  void SetVisible(bool visible) override { gtk_status_icon_set_visible(icon_, visible); }

  void Draw(int iconId, const std::string& tip) override {
    int side = gtk_status_icon_get_size(icon_);
    if (side <= 0) side = 22;
    if (iconId != shownIcon_ || side != shownSide_) {
      if (GdkPixbuf* pixbuf = PixbufOf(pixmapOf_, iconId, side)) {
        gtk_status_icon_set_from_pixbuf(icon_, pixbuf);
        g_object_unref(pixbuf);
      }
      shownIcon_ = iconId;
      shownSide_ = side;
    }
    if (tip != shownTip_) {
      gtk_status_icon_set_tooltip_text(icon_, tip.c_str());
      shownTip_ = tip;
    }
  }

  bool Embedded() override { return gtk_status_icon_is_embedded(icon_); }

 private:
  static gboolean SizeChanged(GtkStatusIcon*, gint, gpointer self) {
    static_cast<GtkTrayIcon*>(self)->hooks_.resized();
    return TRUE;
  }

  // The same entries as the item's menu.
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
    int command = GPOINTER_TO_INT(g_object_get_data(G_OBJECT(item), "tunlark-command"));
    static_cast<GtkTrayIcon*>(self)->hooks_.choose(command);
  }

  static void PopUp(GtkStatusIcon*, guint, guint, gpointer self) {
    auto* icon = static_cast<GtkTrayIcon*>(self);
    if (!icon->hooks_.menu) return;
    GtkWidget* menu = icon->MenuOf(icon->hooks_.menu->entries);
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

  EmbeddedTrayHooks hooks_;
  PixmapSource pixmapOf_;
  GtkStatusIcon* icon_;
  int shownIcon_ = -1;
  int shownSide_ = 0;
  std::string shownTip_;
};
G_GNUC_END_IGNORE_DEPRECATIONS

class GtkToolkit : public Toolkit {
 public:
  explicit GtkToolkit(ToolkitSetup setup)
      : pixmapOf_(std::move(setup.pixmapOf)), frontEnd_(std::move(setup.quit)) {
    frontEnd_.UseDesktopShortcuts(setup.shortcuts);
  }

  bool Start(int* argc, char*** argv) override {
    if (!gtk_init_check(argc, argv)) return false;
    UseTrayPictureForWindows(pixmapOf_);
    return true;
  }

  FrontEnd& Windows() override { return frontEnd_; }

  void ShowErrorMessage(const char* text, const char* caption) override {
    ::ShowErrorMessage(text, caption);
  }

  std::unique_ptr<EmbeddedTrayIcon> CreateTrayIcon(EmbeddedTrayHooks hooks) override {
    return std::make_unique<GtkTrayIcon>(std::move(hooks), pixmapOf_);
  }

 private:
  PixmapSource pixmapOf_;
  GtkFrontEnd frontEnd_;
};

}  // namespace

Toolkit* TunlarkCreateToolkit(ToolkitSetup setup) {
  return new GtkToolkit(std::move(setup));
}
