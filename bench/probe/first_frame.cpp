// SPDX-License-Identifier: MIT
// first_frame: starts a program on the X display in DISPLAY and reports, from
// outside the program, how long it took until its window first showed a
// painted frame, and its memory at that point plus a settling time. Then it
// asks the window to close, as a window manager would, and reports the exit
// status.
//
//   first_frame --title NAME [--settle MS] [--timeout MS] -- PROGRAM [ARGS...]
//
// One line on stdout, key=value:
//   first_frame_ms  start (just before fork) to the first damage of the
//                   window after which its pixels are not all one colour
//   mapped_ms       start to the window being mapped
//   peak_rss_kb     VmHWM of the program after the settling time
//   rss_kb threads  VmRSS and Threads at the same moment
//   status          exit status after the close request (-1: had to be killed)
//
// How the frame is seen: every top-level window created on the display gets
// an X DAMAGE object as soon as it exists, so nothing the program draws can
// come before the watch. On each damage report for a mapped window of the
// given name, the window's pixels are read back; the first report after
// which they hold more than one colour is the first painted frame. An
// unpainted window shows a single colour (the server's background, black
// with Xvfb -br), so a program is only counted once it has drawn something of
// its own. The same rule applies to whatever program is started.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/Xdamage.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <poll.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Windows vanish between an event and the request that follows it; that is
// no error for a watcher.
int ignoreXError(Display*, XErrorEvent*) {
    return 0;
}

std::string windowName(Display* display, Window window) {
    // Qt sets both; the UTF-8 one first, as it is the one that holds Japanese.
    for (const Atom property : {XInternAtom(display, "_NET_WM_NAME", False), XA_WM_NAME}) {
        Atom type = None;
        int format = 0;
        unsigned long count = 0, after = 0;
        unsigned char* data = nullptr;
        if (XGetWindowProperty(display, window, property, 0, 1024, False, AnyPropertyType, &type,
                               &format, &count, &after, &data) == Success &&
            data) {
            std::string name(reinterpret_cast<char*>(data), count);
            XFree(data);
            if (!name.empty())
                return name;
        }
    }
    return {};
}

bool isViewable(Display* display, Window window) {
    XWindowAttributes attributes{};
    return XGetWindowAttributes(display, window, &attributes) && attributes.map_state == IsViewable;
}

// Whether the window's pixels hold more than one colour.
bool showsSomething(Display* display, Window window) {
    XWindowAttributes attributes{};
    if (!XGetWindowAttributes(display, window, &attributes) || attributes.width <= 0 ||
        attributes.height <= 0)
        return false;
    XImage* image = XGetImage(display, window, 0, 0, static_cast<unsigned>(attributes.width),
                              static_cast<unsigned>(attributes.height), AllPlanes, ZPixmap);
    if (!image)
        return false;
    const unsigned long first = XGetPixel(image, 0, 0);
    bool different = false;
    for (int y = 0; y < image->height && !different; ++y)
        for (int x = 0; x < image->width; ++x)
            if (XGetPixel(image, x, y) != first) {
                different = true;
                break;
            }
    XDestroyImage(image);
    return different;
}

struct ProcStatus {
    long peakKb = -1, rssKb = -1, threads = -1;
};

ProcStatus readStatus(pid_t pid) {
    ProcStatus status;
    std::ifstream in("/proc/" + std::to_string(pid) + "/status");
    long value = 0;
    std::string line;
    while (std::getline(in, line)) {
        if (std::sscanf(line.c_str(), "VmHWM: %ld", &value) == 1)
            status.peakKb = value;
        else if (std::sscanf(line.c_str(), "VmRSS: %ld", &value) == 1)
            status.rssKb = value;
        else if (std::sscanf(line.c_str(), "Threads: %ld", &value) == 1)
            status.threads = value;
    }
    return status;
}

void sendClose(Display* display, Window window) {
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, window, False, NoEventMask, &event);
    XFlush(display);
}

// Waits for the child for up to timeoutMs; -1 when it had to be killed.
int reap(pid_t pid, int timeoutMs) {
    const auto start = Clock::now();
    int status = 0;
    while (msSince(start) < timeoutMs) {
        const pid_t done = waitpid(pid, &status, WNOHANG);
        if (done == pid)
            return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    kill(pid, SIGKILL);
    waitpid(pid, &status, 0);
    return -1;
}

[[noreturn]] void usage() {
    std::fprintf(stderr, "usage: first_frame --title NAME [--settle MS] [--timeout MS] -- "
                         "PROGRAM [ARGS...]\n");
    std::exit(2);
}

} // namespace

int main(int argc, char** argv) {
    std::string title;
    int settleMs = 2000;
    int timeoutMs = 20000;
    int i = 1;
    for (; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--" && i + 1 < argc) {
            ++i;
            break;
        }
        if (i + 1 >= argc)
            usage();
        if (arg == "--title")
            title = argv[++i];
        else if (arg == "--settle")
            settleMs = std::atoi(argv[++i]);
        else if (arg == "--timeout")
            timeoutMs = std::atoi(argv[++i]);
        else
            usage();
    }
    if (title.empty() || i >= argc)
        usage();

    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "first_frame: cannot open the display\n");
        return 2;
    }
    int damageEvent = 0, damageError = 0;
    if (!XDamageQueryExtension(display, &damageEvent, &damageError)) {
        std::fprintf(stderr, "first_frame: the display has no DAMAGE extension\n");
        return 2;
    }
    XSetErrorHandler(ignoreXError);
    const Window root = DefaultRootWindow(display);
    XSelectInput(display, root, SubstructureNotifyMask);
    XSync(display, False);

    const auto start = Clock::now();
    const pid_t pid = fork();
    if (pid < 0) {
        std::perror("first_frame: fork");
        return 2;
    }
    if (pid == 0) {
        close(ConnectionNumber(display));
        execvp(argv[i], argv + i);
        std::fprintf(stderr, "first_frame: cannot run %s: %s\n", argv[i], std::strerror(errno));
        _exit(127);
    }

    std::map<Window, Damage> watched;
    Window target = None;
    double mappedMs = -1;
    double frameMs = -1;
    // Checks a window that may have drawn; true once its first frame is seen.
    const auto check = [&](Window window) {
        if (!isViewable(display, window) || windowName(display, window) != title)
            return false;
        if (mappedMs < 0)
            mappedMs = msSince(start);
        const double at = msSince(start);
        if (!showsSomething(display, window))
            return false;
        target = window;
        frameMs = at;
        return true;
    };

    while (frameMs < 0) {
        if (msSince(start) > timeoutMs) {
            std::fprintf(stderr, "first_frame: no painted window named \"%s\" within %d ms\n",
                         title.c_str(), timeoutMs);
            std::printf("first_frame_ms=-1 status=%d\n", reap(pid, 0));
            return 1;
        }
        int status = 0;
        if (waitpid(pid, &status, WNOHANG) == pid) {
            std::fprintf(stderr, "first_frame: %s ended before showing a frame\n", argv[i]);
            std::printf("first_frame_ms=-1 status=%d\n",
                        WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status));
            return 1;
        }
        if (!XPending(display)) {
            pollfd fd{ConnectionNumber(display), POLLIN, 0};
            poll(&fd, 1, 5);
            continue;
        }
        XEvent event;
        XNextEvent(display, &event);
        if (event.type == CreateNotify) {
            const XCreateWindowEvent& created = event.xcreatewindow;
            if (created.parent != root || created.override_redirect ||
                watched.count(created.window))
                continue;
            watched[created.window] = XDamageCreate(display, created.window, XDamageReportNonEmpty);
            // Anything drawn before the watch existed is caught here.
            check(created.window);
        } else if (event.type == MapNotify) {
            if (watched.count(event.xmap.window))
                check(event.xmap.window);
        } else if (event.type == damageEvent + XDamageNotify) {
            const auto& damage = reinterpret_cast<const XDamageNotifyEvent&>(event);
            // Re-arms the report for the next drawing.
            XDamageSubtract(display, damage.damage, None, None);
            check(damage.drawable);
        }
    }

    std::this_thread::sleep_for(std::chrono::milliseconds(settleMs));
    const ProcStatus proc = readStatus(pid);
    sendClose(display, target);
    const int status = reap(pid, 10000);
    std::printf("first_frame_ms=%.1f mapped_ms=%.1f peak_rss_kb=%ld rss_kb=%ld threads=%ld "
                "status=%d\n",
                frameMs, mappedMs, proc.peakKb, proc.rssKb, proc.threads, status);
    XCloseDisplay(display);
    return status == 0 ? 0 : 1;
}
