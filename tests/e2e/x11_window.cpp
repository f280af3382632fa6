// A small X11 client for the end-to-end test: waits until a top-level window
// with a given title is mapped, and asks it to close the way a window manager
// does (WM_DELETE_WINDOW).
//   x11_window wait  TITLE SECONDS   exit 0 once mapped, 1 on time-out
//   x11_window gone  TITLE SECONDS   exit 0 once no such window is mapped
//   x11_window close TITLE           exit 0 if the request was sent; prints
//                                    when the display server had it, in ms
//                                    since the epoch (as date +%s%3N)
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

namespace {

// Windows come and go while the tree is walked (a dialog closing is exactly
// what "gone" waits for): a request on a window that has just been destroyed
// fails, and the default handler would end this program. Such a failure only
// means the window is no longer there.
int IgnoreError(Display *, XErrorEvent *)
{
    return 0;
}

bool HasTitle(Display *d, Window w, const char *title)
{
    XTextProperty prop;
    if (!XGetWMName(d, w, &prop) || !prop.value)
        return false;
    // A title matches itself and any longer title that goes on after a space:
    // the program's goes on with the port it uses.
    const char *name = reinterpret_cast<char *>(prop.value);
    const std::size_t length = std::strlen(title);
    const bool same = std::strncmp(name, title, length) == 0 &&
                      (name[length] == '\0' || name[length] == ' ');
    XFree(prop.value);
    return same;
}

Window Find(Display *d, Window root, const char *title)
{
    Window parent, *children = nullptr;
    unsigned n = 0;
    if (!XQueryTree(d, root, &root, &parent, &children, &n))
        return 0;
    Window found = 0;
    for (unsigned i = 0; i < n && !found; ++i) {
        XWindowAttributes a;
        if (XGetWindowAttributes(d, children[i], &a) && a.map_state == IsViewable &&
            HasTitle(d, children[i], title))
            found = children[i];
        else
            found = Find(d, children[i], title);
    }
    if (children)
        XFree(children);
    return found;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s wait|gone TITLE SECONDS | close TITLE\n", argv[0]);
        return 2;
    }
    // A busy virtual display now and then refuses or resets a new client's
    // connection; a close that was never sent must not pass for one that
    // was ignored, so try again for a while before giving up.
    Display *d = XOpenDisplay(nullptr);
    for (int tries = 0; !d && tries < 100; ++tries) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        d = XOpenDisplay(nullptr);
    }
    if (!d) {
        std::fprintf(stderr, "cannot open the display\n");
        return 2;
    }
    XSetErrorHandler(IgnoreError);
    const std::string verb = argv[1];
    const char *title = argv[2];
    if (verb == "wait" || verb == "gone") {
        const bool present = verb == "wait";
        const double seconds = argc > 3 ? std::atof(argv[3]) : 10.0;
        const auto end = std::chrono::steady_clock::now() +
                         std::chrono::milliseconds(static_cast<long>(seconds * 1000));
        while (std::chrono::steady_clock::now() < end) {
            if ((Find(d, DefaultRootWindow(d), title) != 0) == present) {
                XCloseDisplay(d);
                return 0;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        XCloseDisplay(d);
        return 1;
    }
    if (verb == "close") {
        const Window w = Find(d, DefaultRootWindow(d), title);
        if (!w) {
            XCloseDisplay(d);
            return 1;
        }
        XEvent e{};
        e.xclient.type = ClientMessage;
        e.xclient.window = w;
        e.xclient.message_type = XInternAtom(d, "WM_PROTOCOLS", False);
        e.xclient.format = 32;
        e.xclient.data.l[0] = static_cast<long>(XInternAtom(d, "WM_DELETE_WINDOW", False));
        e.xclient.data.l[1] = CurrentTime;
        XSendEvent(d, w, False, NoEventMask, &e);
        // Once the server has answered, the request is on its way to the
        // window: what this tool spent connecting and searching is not the
        // program's time.
        XSync(d, False);
        const auto sent = std::chrono::duration_cast<std::chrono::milliseconds>(
            std::chrono::system_clock::now().time_since_epoch());
        std::printf("%lld\n", static_cast<long long>(sent.count()));
        XCloseDisplay(d);
        return 0;
    }
    return 2;
}
