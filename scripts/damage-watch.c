/* When the X server draws into a window, seen from outside the program that
 * draws: a second client asks the DAMAGE extension to be told of every
 * change to the window and writes the CLOCK_MONOTONIC time (ns) of each
 * notice, one a line, until it is killed or the window goes.
 *
 *   damage-watch WINDOW-ID OUT-FILE
 *
 * For scripts/measure-window: the program measured need not wait for the
 * X server to learn when each frame was taken, so its frames are timed as
 * they are played. A notice is read after this client wakes, a little later
 * than the X server drew; the notices of one frame come close together and
 * the script takes the first of each frame's.
 *
 * Build: cc -O2 damage-watch.c -o damage-watch -lX11 -lXdamage -lXfixes */
#include <X11/Xlib.h>
#include <X11/extensions/Xdamage.h>
#include <X11/extensions/Xfixes.h>
#include <stdio.h>
#include <stdlib.h>
#include <time.h>

static long long now_ns(void) {
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return (long long)t.tv_sec * 1000000000LL + t.tv_nsec;
}

static int gone = 0;

static int on_error(Display* d, XErrorEvent* e) {
    (void)d;
    if (e->error_code == BadWindow || e->error_code == BadDrawable) gone = 1;
    return 0;
}

int main(int argc, char** argv) {
    if (argc != 3) {
        fprintf(stderr, "usage: damage-watch WINDOW-ID OUT-FILE\n");
        return 2;
    }
    const Window window = (Window)strtoul(argv[1], NULL, 0);
    FILE* out = fopen(argv[2], "w");
    if (out == NULL) {
        perror(argv[2]);
        return 1;
    }
    Display* d = XOpenDisplay(NULL);
    if (d == NULL) {
        fprintf(stderr, "damage-watch: cannot open the display\n");
        return 1;
    }
    int event_base = 0, error_base = 0;
    if (!XDamageQueryExtension(d, &event_base, &error_base)) {
        fprintf(stderr, "damage-watch: the X server has no DAMAGE extension\n");
        return 1;
    }
    XSetErrorHandler(on_error);
    /* Told once the window is damaged, then not again until the damage is
     * taken away: one notice for the requests that come together. */
    const Damage damage = XDamageCreate(d, window, XDamageReportNonEmpty);
    XSelectInput(d, window, StructureNotifyMask);
    XSync(d, False);
    if (gone) {
        fprintf(stderr, "damage-watch: no window %s\n", argv[1]);
        return 1;
    }
    while (!gone) {
        XEvent e;
        XNextEvent(d, &e);
        if (e.type == event_base + XDamageNotify) {
            fprintf(out, "%lld\n", now_ns());
            XDamageSubtract(d, damage, None, None);
            fflush(out);
        } else if (e.type == DestroyNotify) {
            break;
        }
    }
    fclose(out);
    return 0;
}
