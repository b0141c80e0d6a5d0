/* The X server's cursor, for the busy cursor check.
     xcursor_watch warp X Y     puts the pointer at X,Y of the screen
     xcursor_watch watch        prints "TIME WxH HOTX,HOTY" each time the
                                cursor image changes, until killed */
#include <X11/Xlib.h>
#include <X11/extensions/Xfixes.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>
#include <unistd.h>

static double now(void) {
  struct timespec t;
  clock_gettime(CLOCK_REALTIME, &t);
  return t.tv_sec + t.tv_nsec / 1e9;
}

int main(int argc, char **argv) {
  Display *display = XOpenDisplay(NULL);
  if (!display) {
    fprintf(stderr, "xcursor_watch: no X display\n");
    return 2;
  }
  if (argc == 4 && strcmp(argv[1], "warp") == 0) {
    XWarpPointer(display, None, DefaultRootWindow(display), 0, 0, 0, 0, atoi(argv[2]), atoi(argv[3]));
    XCloseDisplay(display);
    return 0;
  }
  if (argc != 2 || strcmp(argv[1], "watch") != 0) {
    fprintf(stderr, "usage: xcursor_watch warp X Y | watch\n");
    return 2;
  }
  unsigned long last = 0;
  for (;;) {
    XFixesCursorImage *image = XFixesGetCursorImage(display);
    if (image && image->cursor_serial != last) {
      last = image->cursor_serial;
      printf("%.2f %dx%d %d,%d\n", now(), image->width, image->height, image->xhot, image->yhot);
      fflush(stdout);
    }
    if (image) XFree(image);
    usleep(20000);
  }
}
