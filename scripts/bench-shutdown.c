/* A stand-in for the desktop's clipboard manager, for bench-shutdown.sh:
 * it owns CLIPBOARD_MANAGER, and answers every request a closing program
 * makes of it (SAVE_TARGETS: keep my selections) after DELAY milliseconds,
 * as a manager does that waits on data it does not get. It notes each
 * request on its standard output.
 *   bench-shutdown-manager DELAY */
#include <X11/Xlib.h>
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

int main(int argc, char** argv) {
  const int delay = argc > 1 ? atoi(argv[1]) : 1500;
  Display* display = XOpenDisplay(NULL);
  if (!display) {
    fprintf(stderr, "no X server\n");
    return 1;
  }
  const Window window = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 1, 1, 0, 0, 0);
  XSetSelectionOwner(display, XInternAtom(display, "CLIPBOARD_MANAGER", False), window, CurrentTime);
  XSync(display, False);
  printf("ready\n");
  fflush(stdout);
  for (;;) {
    XEvent event;
    XNextEvent(display, &event);
    if (event.type != SelectionRequest) continue;
    const XSelectionRequestEvent request = event.xselectionrequest;
    char* target = XGetAtomName(display, request.target);
    printf("request %s\n", target);
    fflush(stdout);
    XFree(target);
    usleep(delay * 1000);
    XEvent notify = {0};
    notify.xselection.type = SelectionNotify;
    notify.xselection.requestor = request.requestor;
    notify.xselection.selection = request.selection;
    notify.xselection.target = request.target;
    notify.xselection.property = request.property;
    notify.xselection.time = request.time;
    XSendEvent(display, request.requestor, False, 0, &notify);
    XFlush(display);
  }
}
