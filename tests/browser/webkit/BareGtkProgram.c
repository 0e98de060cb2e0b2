/* A GTK program that keeps GTK's defaults: its command line, its settings, its environment.
 * Shows a window and an image through gdk-pixbuf, then quits. */
#include <gtk/gtk.h>

static gboolean Quit(gpointer data) {
  (void)data;
  gtk_main_quit();
  return G_SOURCE_REMOVE;
}

int main(int argc, char** argv) {
  gtk_init(&argc, &argv);
  GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  gtk_container_add(GTK_CONTAINER(window), gtk_image_new_from_icon_name("image-missing", GTK_ICON_SIZE_DIALOG));
  gtk_widget_show_all(window);
  g_timeout_add(500, Quit, NULL);
  gtk_main();
  return 0;
}
