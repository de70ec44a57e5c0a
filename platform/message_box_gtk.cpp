#include "platform/message_box_gtk.h"

#include "platform/tag_text.h"

std::string ToolkitText(const char* text) {
  return Windows1251ToUtf8(text ? text : "");
}

void ShowMessageBox(GtkWindow* parent, const char* text, const char* caption, GtkMessageType type) {
  std::string message = ToolkitText(text);
  // "%s": the text is the program's, never a format.
  GtkWidget* box =
      gtk_message_dialog_new(parent, GTK_DIALOG_MODAL, type, GTK_BUTTONS_OK, "%s", message.c_str());
  gtk_window_set_title(GTK_WINDOW(box), ToolkitText(caption).c_str());
  if (parent) {
    gtk_window_set_position(GTK_WINDOW(box), GTK_WIN_POS_CENTER_ON_PARENT);
  } else {
    gtk_window_set_position(GTK_WINDOW(box), GTK_WIN_POS_CENTER);
    gtk_window_set_keep_above(GTK_WINDOW(box), TRUE);
  }
  gtk_dialog_run(GTK_DIALOG(box));
  gtk_widget_destroy(box);
}
