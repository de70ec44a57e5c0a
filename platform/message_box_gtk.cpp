#include "platform/message_box_gtk.h"

#include "platform/modal_windows_gtk.h"
#include "platform/tag_text.h"

std::string ToolkitText(const char* text) {
  return Windows1251ToUtf8(text ? text : "");
}

void DressProgramWindow(GtkWindow* window) {
  // Without the theme's icon (scripts/run's player) GTK's default list stands, set at start-up.
  if (gtk_icon_theme_has_icon(gtk_icon_theme_get_default(), "tunlark"))
    gtk_window_set_icon_name(window, "tunlark");
  gtk_window_set_position(window, GTK_WIN_POS_CENTER);
  gtk_window_set_keep_above(window, TRUE);
}

void ShowMessageBox(GtkWindow* parent, const char* text, const char* caption, GtkMessageType type) {
  if (ModalWindowsEnded()) return;
  std::string message = ToolkitText(text);
  // "%s": the text is the program's, never a format.
  GtkWidget* box =
      gtk_message_dialog_new(parent, GTK_DIALOG_MODAL, type, GTK_BUTTONS_OK, "%s", message.c_str());
  std::string title = ToolkitText(caption);
  gtk_window_set_title(GTK_WINDOW(box), title.c_str());
  // GTK names a message box by its type ("Информация"); screen readers should read the caption,
  // as they do a Windows message box's.
  atk_object_set_name(gtk_widget_get_accessible(box), title.c_str());
  if (parent) {
    gtk_window_set_position(GTK_WINDOW(box), GTK_WIN_POS_CENTER_ON_PARENT);
  } else {
    DressProgramWindow(GTK_WINDOW(box));
  }
  // An exit destroys the box, which ends gtk_dialog_run.
  GtkWidget* open = box;
  g_signal_connect(box, "destroy", G_CALLBACK(gtk_widget_destroyed), &open);
  ModalWindow modal([&open] {
    if (open) gtk_widget_destroy(open);
  });
  gtk_dialog_run(GTK_DIALOG(box));
  if (open) gtk_widget_destroy(open);
}
