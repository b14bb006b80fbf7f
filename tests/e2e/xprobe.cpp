// SPDX-License-Identifier: MIT
// Eyes and hands for the end-to-end scripts on an X display without a window
// manager: reads the screen's pixels and asks a window to close the way a
// window manager's close box does (xdotool can only destroy or kill it).
//
//   xprobe pixels X,Y [X,Y ...]   one RRGGBB per point, from a single grab
//   xprobe region X Y W H [RRGGBB]
//                                 "<checksum> <non-black pixels> [<pixels of that colour>]"
//   xprobe save FILE.ppm          the whole screen, to look at when a case fails
//   xprobe close WINDOW-ID        sends WM_DELETE_WINDOW
//
// Exit status 2 for bad arguments, 1 when the display or the grab fails.

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

struct DisplayCloser {
    void operator()(Display* d) const { XCloseDisplay(d); }
};
struct ImageDestroyer {
    void operator()(XImage* i) const { XDestroyImage(i); }
};
using DisplayPtr = std::unique_ptr<Display, DisplayCloser>;
using ImagePtr = std::unique_ptr<XImage, ImageDestroyer>;

int usage(const char* why) {
    std::fprintf(stderr,
                 "xprobe: %s\n"
                 "usage: xprobe pixels X,Y [X,Y ...] | region X Y W H [RRGGBB] | save FILE.ppm"
                 " | close WINDOW-ID\n",
                 why);
    return 2;
}

bool parseInt(const char* text, long& value) {
    char* end = nullptr;
    errno = 0;
    value = std::strtol(text, &end, 0);
    return errno == 0 && end != text && *end == '\0';
}

// Returns 0xRRGGBB whatever the visual's masks, so the scripts compare plain colours.
std::uint32_t rgbAt(XImage* image, int x, int y) {
    const unsigned long p = XGetPixel(image, x, y);
    const auto channel = [p](unsigned long mask) -> std::uint32_t {
        if (mask == 0)
            return 0;
        const int shift = __builtin_ctzl(mask);
        const unsigned long max = mask >> shift;
        return static_cast<std::uint32_t>(((p & mask) >> shift) * 255 / max);
    };
    return channel(image->red_mask) << 16 | channel(image->green_mask) << 8 |
           channel(image->blue_mask);
}

ImagePtr grab(Display* display, int x, int y, unsigned w, unsigned h) {
    return ImagePtr(XGetImage(display, DefaultRootWindow(display), x, y, w, h, AllPlanes, ZPixmap));
}

int pixels(Display* display, int argc, char** argv) {
    const int screen = DefaultScreen(display);
    const int width = DisplayWidth(display, screen);
    const int height = DisplayHeight(display, screen);
    std::vector<std::pair<int, int>> points;
    for (int i = 0; i < argc; ++i) {
        int x = 0;
        int y = 0;
        char rest = 0;
        if (std::sscanf(argv[i], "%d,%d%c", &x, &y, &rest) != 2)
            return usage((std::string("not a point X,Y: ") + argv[i]).c_str());
        if (x < 0 || y < 0 || x >= width || y >= height)
            return usage((std::string("point off the screen: ") + argv[i]).c_str());
        points.emplace_back(x, y);
    }
    const ImagePtr image =
        grab(display, 0, 0, static_cast<unsigned>(width), static_cast<unsigned>(height));
    if (!image) {
        std::fprintf(stderr, "xprobe: could not read the screen\n");
        return 1;
    }
    for (const auto& [x, y] : points)
        std::printf("%06X\n", rgbAt(image.get(), x, y));
    return 0;
}

int region(Display* display, int argc, char** argv) {
    long v[4];
    for (int i = 0; i < 4; ++i) {
        if (!parseInt(argv[i], v[i]) || v[i] < 0)
            return usage((std::string("not a size or position: ") + argv[i]).c_str());
    }
    long wanted = -1;
    if (argc == 5 &&
        (!parseInt((std::string("0x") + argv[4]).c_str(), wanted) || std::strlen(argv[4]) != 6))
        return usage((std::string("not a colour RRGGBB: ") + argv[4]).c_str());
    if (v[2] == 0 || v[3] == 0)
        return usage("empty region");
    const ImagePtr image = grab(display, static_cast<int>(v[0]), static_cast<int>(v[1]),
                                static_cast<unsigned>(v[2]), static_cast<unsigned>(v[3]));
    if (!image) {
        std::fprintf(stderr, "xprobe: could not read that region of the screen\n");
        return 1;
    }
    // FNV-1a over the colours: enough to tell two pictures of the area apart.
    std::uint64_t hash = 1469598103934665603ULL;
    long lit = 0;
    long matching = 0;
    for (int y = 0; y < v[3]; ++y) {
        for (int x = 0; x < v[2]; ++x) {
            const std::uint32_t c = rgbAt(image.get(), x, y);
            if (c != 0)
                ++lit;
            if (static_cast<long>(c) == wanted)
                ++matching;
            for (int shift = 0; shift < 24; shift += 8) {
                hash ^= (c >> shift) & 0xFF;
                hash *= 1099511628211ULL;
            }
        }
    }
    std::printf("%016llX %ld", static_cast<unsigned long long>(hash), lit);
    if (wanted >= 0)
        std::printf(" %ld", matching);
    std::printf("\n");
    return 0;
}

int save(Display* display, const char* path) {
    const int screen = DefaultScreen(display);
    const int width = DisplayWidth(display, screen);
    const int height = DisplayHeight(display, screen);
    const ImagePtr image =
        grab(display, 0, 0, static_cast<unsigned>(width), static_cast<unsigned>(height));
    if (!image) {
        std::fprintf(stderr, "xprobe: could not read the screen\n");
        return 1;
    }
    std::FILE* out = std::fopen(path, "wb");
    if (!out) {
        std::fprintf(stderr, "xprobe: cannot write %s: %s\n", path, std::strerror(errno));
        return 1;
    }
    std::fprintf(out, "P6\n%d %d\n255\n", width, height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const std::uint32_t c = rgbAt(image.get(), x, y);
            const unsigned char rgb[3] = {static_cast<unsigned char>(c >> 16),
                                          static_cast<unsigned char>(c >> 8),
                                          static_cast<unsigned char>(c)};
            std::fwrite(rgb, 1, 3, out);
        }
    }
    if (std::fclose(out) != 0) {
        std::fprintf(stderr, "xprobe: cannot write %s\n", path);
        return 1;
    }
    return 0;
}

int close(Display* display, const char* id) {
    long window = 0;
    if (!parseInt(id, window) || window <= 0)
        return usage((std::string("not a window id: ") + id).c_str());
    XEvent event;
    std::memset(&event, 0, sizeof event);
    event.xclient.type = ClientMessage;
    event.xclient.window = static_cast<Window>(window);
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    if (!XSendEvent(display, static_cast<Window>(window), False, NoEventMask, &event)) {
        std::fprintf(stderr, "xprobe: could not send the close request to %s\n", id);
        return 1;
    }
    XSync(display, False);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2)
        return usage("no command");
    const std::string command = argv[1];
    const bool known = (command == "pixels" && argc >= 3) ||
                       (command == "region" && (argc == 6 || argc == 7)) ||
                       ((command == "save" || command == "close") && argc == 3);
    if (!known)
        return usage(("unknown command or wrong number of arguments: " + command).c_str());
    const DisplayPtr display(XOpenDisplay(nullptr));
    if (!display) {
        std::fprintf(stderr, "xprobe: cannot open display %s\n",
                     std::getenv("DISPLAY") ? std::getenv("DISPLAY") : "(DISPLAY not set)");
        return 1;
    }
    if (command == "pixels")
        return pixels(display.get(), argc - 2, argv + 2);
    if (command == "region")
        return region(display.get(), argc - 2, argv + 2);
    if (command == "save")
        return save(display.get(), argv[2]);
    return close(display.get(), argv[2]);
}
