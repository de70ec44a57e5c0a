#include "app/front_end_gtk.h"

#include <gtk/gtk.h>

#include <cstdio>
#include <string>

#include "app/about_box.h"
#include "app/player_module.h"
#include "core/app_state.h"
#include "platform/message_box_gtk.h"
#include "playlist/choosers_gtk.h"
#include "playlist/open_path.h"
#include "settings/settings_dialogs_gtk.h"

void GtkFrontEnd::OpenFileChooser() {
  OpenChosenFile(ChooseTrackFile());
}

bool GtkFrontEnd::ChooseFolder() {
  return FillFromChosenFolder(ChooseTrackFolder());
}

void GtkFrontEnd::ShowHotkeysDialog() {
  ShowHotkeysDialogGtk(&openHotkeysDialog_, shortcuts_);
}

void GtkFrontEnd::ShowOptionsDialog() {
  ShowOptionsDialogGtk(&openOptionsDialog_);
}

// The desktop's default handler, as the shell's default action on Windows; a missing page or
// one without a handler gives no message.
void GtkFrontEnd::ShowHelp() {
  std::string path = g_app.programDirectory + "Help/Help.htm";
  char* uri = g_filename_to_uri(path.c_str(), nullptr, nullptr);
  if (!uri) return;
  GdkDisplay* display = gdk_display_get_default();
  GAppLaunchContext* context =
      display ? G_APP_LAUNCH_CONTEXT(gdk_display_get_app_launch_context(display)) : nullptr;
  // The program file turned GTK's OpenGL off for the player alone, not for the handler.
  if (context && g_strcmp0(g_getenv(kNoToolkitGl), "disable") == 0)
    g_app_launch_context_unsetenv(context, kNoToolkitGl);
  GError* error = nullptr;
  g_app_info_launch_default_for_uri(uri, context, &error);
  g_clear_error(&error);
  if (context) g_object_unref(context);
  g_free(uri);
}

void GtkFrontEnd::ShowAbout() {
  ShowMessageBox(nullptr, kAboutText, kAboutCaption, GTK_MESSAGE_INFO);
}

void ShowErrorMessage(const char* text, const char* caption) {
  // Without a display there is nobody to show the box to; the terminal, if any, gets the text.
  if (!gtk_init_check(nullptr, nullptr)) {
    std::fprintf(stderr, "%s: %s\n", ToolkitText(caption).c_str(), ToolkitText(text).c_str());
    return;
  }
  ShowMessageBox(nullptr, text, caption, GTK_MESSAGE_ERROR);
}
