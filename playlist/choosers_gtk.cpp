#include "playlist/choosers_gtk.h"

#include <gtk/gtk.h>

#include "platform/message_box_gtk.h"
#include "platform/modal_windows_gtk.h"
#include "playlist/chooser_guard.h"
#include "playlist/file_types.h"

namespace {

// One filter, no "all files" one, with the patterns of the table of file types; GTK's patterns
// are case-sensitive where the Windows filter is not.
GtkFileFilter* TrackFilter() {
  GtkFileFilter* filter = gtk_file_filter_new();
  gtk_file_filter_set_name(filter, ToolkitText("Все поддерживаемые типы").c_str());
  std::string patterns = FilterPatterns() + ';';
  for (size_t start = 0, end; (end = patterns.find(';', start)) != std::string::npos;
       start = end + 1) {
    if (end > start)
      gtk_file_filter_add_pattern(filter,
                                  AnyCasePattern(patterns.substr(start, end - start)).c_str());
  }
  return filter;
}

std::string RunChooser(GtkFileChooserNative* chooser) {
  gtk_native_dialog_set_modal(GTK_NATIVE_DIALOG(chooser), TRUE);
  std::string path;
  if (ModalWindowsEnded()) {
    g_object_unref(chooser);
    return path;
  }
  // An exit hides the chooser, which ends its loop with nothing chosen.
  ModalWindow modal([chooser] { gtk_native_dialog_hide(GTK_NATIVE_DIALOG(chooser)); });
  if (gtk_native_dialog_run(GTK_NATIVE_DIALOG(chooser)) == GTK_RESPONSE_ACCEPT) {
    char* chosen = gtk_file_chooser_get_filename(GTK_FILE_CHOOSER(chooser));
    if (chosen) path = chosen;
    g_free(chosen);
  }
  g_object_unref(chooser);
  return path;
}

}  // namespace

std::string ChooseTrackFile() {
  // The chooser's loop still dispatches hotkeys and menu choices, which may ask for it again.
  static ChooserGuard guard;
  if (!guard.Enter()) return "";
  GtkFileChooserNative* chooser = gtk_file_chooser_native_new(
      ToolkitText("Открыть файл").c_str(), nullptr, GTK_FILE_CHOOSER_ACTION_OPEN, nullptr, nullptr);
  gtk_file_chooser_add_filter(GTK_FILE_CHOOSER(chooser), TrackFilter());
  gtk_file_chooser_set_local_only(GTK_FILE_CHOOSER(chooser), TRUE);
  std::string path = RunChooser(chooser);
  guard.Leave();
  return path;
}

std::string ChooseTrackFolder() {
  static ChooserGuard guard;
  if (!guard.Enter()) return "";
  GtkFileChooserNative* chooser =
      gtk_file_chooser_native_new(ToolkitText("Выберите каталог:").c_str(), nullptr,
                                  GTK_FILE_CHOOSER_ACTION_SELECT_FOLDER, nullptr, nullptr);
  gtk_file_chooser_set_local_only(GTK_FILE_CHOOSER(chooser), TRUE);
  std::string path = RunChooser(chooser);
  guard.Leave();
  return path;
}
