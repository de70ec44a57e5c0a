#include "platform/message_box_gtk.h"

#include "platform/tag_text.h"

std::string ToolkitText(const char* text) {
  return Windows1251ToUtf8(text ? text : "");
}

namespace {

struct DialogLoop {
  GMainLoop* loop = nullptr;
  bool closable = false;
  bool destroyed = false;
  int response = GTK_RESPONSE_NONE;
};

void OnResponse(GtkDialog*, gint response, gpointer data) {
  auto* run = static_cast<DialogLoop*>(data);
  run->response = response;
  g_main_loop_quit(run->loop);
}

gboolean OnDelete(GtkWidget* dialog, GdkEvent*, gpointer data) {
  // Kept either way: the window is destroyed by whoever ran it.
  if (static_cast<DialogLoop*>(data)->closable)
    gtk_dialog_response(GTK_DIALOG(dialog), GTK_RESPONSE_DELETE_EVENT);
  return TRUE;
}

void OnDestroy(GtkWidget*, gpointer data) {
  auto* run = static_cast<DialogLoop*>(data);
  run->destroyed = true;
  g_main_loop_quit(run->loop);
}

}  // namespace

int RunDialogLoop(GtkDialog* dialog, bool closable) {
  DialogLoop run;
  run.loop = g_main_loop_new(nullptr, FALSE);
  run.closable = closable;
  gulong handlers[] = {
      g_signal_connect(dialog, "response", G_CALLBACK(OnResponse), &run),
      g_signal_connect(dialog, "delete-event", G_CALLBACK(OnDelete), &run),
      g_signal_connect(dialog, "destroy", G_CALLBACK(OnDestroy), &run),
  };
  gtk_widget_show_all(GTK_WIDGET(dialog));
  gtk_window_present(GTK_WINDOW(dialog));
  g_main_loop_run(run.loop);
  g_main_loop_unref(run.loop);
  if (run.destroyed) return GTK_RESPONSE_NONE;
  for (gulong handler : handlers) g_signal_handler_disconnect(dialog, handler);
  return run.response;
}

void DressProgramWindow(GtkWindow* window) {
  gtk_window_set_icon_name(window, "tunlark");
  gtk_window_set_position(window, GTK_WIN_POS_CENTER);
  gtk_window_set_keep_above(window, TRUE);
}

void ShowMessageBox(GtkWindow* parent, const char* text, const char* caption, GtkMessageType type) {
  std::string message = ToolkitText(text);
  // "%s": the text is the program's, never a format.
  // Not modal: a modal window's grab would keep the tray icon from taking clicks.
  GtkWidget* box = gtk_message_dialog_new(parent, GtkDialogFlags(0), type, GTK_BUTTONS_OK, "%s",
                                          message.c_str());
  std::string title = ToolkitText(caption);
  gtk_window_set_title(GTK_WINDOW(box), title.c_str());
  // GTK names a message box by its type ("Информация"); screen readers should read the caption,
  // as they do a Windows message box's.
  atk_object_set_name(gtk_widget_get_accessible(box), title.c_str());
  if (parent) {
    gtk_window_set_position(GTK_WINDOW(box), GTK_WIN_POS_CENTER_ON_PARENT);
    // The parent waits for the box, as a Windows owner does.
    gtk_widget_set_sensitive(GTK_WIDGET(parent), FALSE);
  } else {
    DressProgramWindow(GTK_WINDOW(box));
  }
  if (RunDialogLoop(GTK_DIALOG(box), true) != GTK_RESPONSE_NONE) gtk_widget_destroy(box);
  if (parent) gtk_widget_set_sensitive(GTK_WIDGET(parent), TRUE);
}
