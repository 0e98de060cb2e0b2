/* A minimal XSETTINGS manager for screen 0 that announces one setting, Gtk/Modules, naming
 * the module given as its argument, as a desktop's settings daemon would. Prints "ready" once
 * it owns the selection, then serves until killed. */
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <stdio.h>
#include <string.h>

static size_t Pad(size_t n) { return (n + 3) & ~(size_t)3; }

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  Display* display = XOpenDisplay(NULL);
  if (display == NULL) return 1;
  const char* name = "Gtk/Modules";
  const char* value = argv[1];
  unsigned char data[4096];
  size_t at = 0;
  memset(data, 0, sizeof data);
  if (Pad(strlen(name)) + Pad(strlen(value)) + 32 > sizeof data) return 2;
  data[at] = 0; /* LSBFirst; the counts below are written in that order */
  at = 4;
  const unsigned serial = 1, count = 1;
  memcpy(data + at, &serial, 4), at += 4;
  memcpy(data + at, &count, 4), at += 4;
  data[at] = 1; /* a string */
  const unsigned short nameLength = (unsigned short)strlen(name);
  memcpy(data + at + 2, &nameLength, 2), at += 4;
  memcpy(data + at, name, nameLength), at += Pad(nameLength);
  memcpy(data + at, &serial, 4), at += 4;
  const unsigned valueLength = (unsigned)strlen(value);
  memcpy(data + at, &valueLength, 4), at += 4;
  memcpy(data + at, value, valueLength), at += Pad(valueLength);

  const Window root = RootWindow(display, 0);
  const Window window = XCreateSimpleWindow(display, root, 0, 0, 1, 1, 0, 0, 0);
  const Atom selection = XInternAtom(display, "_XSETTINGS_S0", False);
  const Atom settings = XInternAtom(display, "_XSETTINGS_SETTINGS", False);
  XChangeProperty(display, window, settings, settings, 8, PropModeReplace, data, (int)at);
  XSetSelectionOwner(display, selection, window, CurrentTime);
  if (XGetSelectionOwner(display, selection) != window) return 1;
  XClientMessageEvent manager;
  memset(&manager, 0, sizeof manager);
  manager.type = ClientMessage;
  manager.window = root;
  manager.message_type = XInternAtom(display, "MANAGER", False);
  manager.format = 32;
  manager.data.l[0] = CurrentTime;
  manager.data.l[1] = (long)selection;
  manager.data.l[2] = (long)window;
  XSendEvent(display, root, False, StructureNotifyMask, (XEvent*)&manager);
  XSync(display, False);
  puts("ready");
  fflush(stdout);
  for (;;) {
    XEvent event;
    XNextEvent(display, &event);
  }
}
