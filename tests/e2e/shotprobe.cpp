// SPDX-License-Identifier: MIT
// Reads a screenshot file (PNG from weston-screenshooter, PPM from xprobe)
// for the end-to-end scripts, which know a window only by what it shows.
//
//   shotprobe size FILE             "W H"
//   shotprobe convert FILE OUT      the picture again as OUT (PNG by its name)
//   shotprobe pixels FILE X,Y ...   one RRGGBB per point
//   shotprobe band FILE RRGGBB      "X Y W H": the box around every row run
//                                   of that colour at least a thirtieth of
//                                   the picture wide (a flat face, not the
//                                   strokes of text in the same colour);
//                                   status 1 when there is none
//
// Exit status 2 for bad arguments or a file that is no picture.

#include <QImage>
#include <QRect>
#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {

int usage(const char* why) {
    std::fprintf(stderr,
                 "shotprobe: %s\n"
                 "usage: shotprobe size FILE | convert FILE OUT | pixels FILE X,Y ..."
                 " | band FILE RRGGBB\n",
                 why);
    return 2;
}

bool parseColour(const char* text, QRgb& colour) {
    unsigned value = 0;
    char rest = 0;
    if (std::strlen(text) != 6 || std::sscanf(text, "%6x%c", &value, &rest) != 1)
        return false;
    colour = value;
    return true;
}

int pixels(const QImage& image, int argc, char** argv) {
    for (int i = 0; i < argc; ++i) {
        int x = 0;
        int y = 0;
        char rest = 0;
        if (std::sscanf(argv[i], "%d,%d%c", &x, &y, &rest) != 2 || !image.valid(x, y))
            return usage("not a point X,Y on the picture");
    }
    for (int i = 0; i < argc; ++i) {
        int x = 0;
        int y = 0;
        std::sscanf(argv[i], "%d,%d", &x, &y);
        std::printf("%06X\n", image.pixel(x, y) & 0xFFFFFF);
    }
    return 0;
}

int band(const QImage& image, QRgb colour) {
    const int shortest = std::max(8, image.width() / 30);
    QRect box;
    for (int y = 0; y < image.height(); ++y) {
        int run = 0;
        for (int x = 0; x <= image.width(); ++x) {
            if (x < image.width() && (image.pixel(x, y) & 0xFFFFFF) == colour) {
                ++run;
                continue;
            }
            if (run >= shortest)
                box |= QRect(x - run, y, run, 1);
            run = 0;
        }
    }
    if (box.isEmpty())
        return 1;
    std::printf("%d %d %d %d\n", box.x(), box.y(), box.width(), box.height());
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3)
        return usage("no command or no file");
    const QImage image(QString::fromLocal8Bit(argv[2]));
    if (image.isNull())
        return usage("the file is no picture Qt can read");
    if (std::strcmp(argv[1], "size") == 0 && argc == 3) {
        std::printf("%d %d\n", image.width(), image.height());
        return 0;
    }
    if (std::strcmp(argv[1], "convert") == 0 && argc == 4) {
        if (image.save(QString::fromLocal8Bit(argv[3])))
            return 0;
        std::fprintf(stderr, "shotprobe: cannot write %s\n", argv[3]);
        return 1;
    }
    if (std::strcmp(argv[1], "pixels") == 0 && argc >= 4)
        return pixels(image, argc - 3, argv + 3);
    QRgb colour = 0;
    if (std::strcmp(argv[1], "band") == 0 && argc == 4) {
        if (!parseColour(argv[3], colour))
            return usage("not a colour RRGGBB");
        return band(image, colour);
    }
    return usage("unknown command or wrong number of arguments");
}
