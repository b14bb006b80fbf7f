#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Paints the ten decoration pictures dat/00.bmp ... dat/09.bmp.

Each is a 640 x 480 scene drawn from simple shapes, gradients and noise,
written as an uncompressed 24-bit Windows bitmap. Every scene has its own
fixed seed, so running this again gives the same pictures on the same
Python. Standard library only.

Usage: make_pictures.py [output folder]    (default: dat/ of this repository)
"""

import math
import random
import struct
import sys
from pathlib import Path

W, H = 640, 480


# ---------------------------------------------------------------- helpers

def clamp01(v):
    return 0.0 if v < 0.0 else 1.0 if v > 1.0 else v


def smoothstep(e0, e1, v):
    t = clamp01((v - e0) / (e1 - e0))
    return t * t * (3.0 - 2.0 * t)


def mix(c0, c1, t):
    return (c0[0] + (c1[0] - c0[0]) * t,
            c0[1] + (c1[1] - c0[1]) * t,
            c0[2] + (c1[2] - c0[2]) * t)


def ramp(stops, t):
    """Colour at t along stops [(t0, colour), (t1, colour), ...], t0 < t1 < ..."""
    if t <= stops[0][0]:
        return stops[0][1]
    for (t0, c0), (t1, c1) in zip(stops, stops[1:]):
        if t <= t1:
            return mix(c0, c1, (t - t0) / (t1 - t0))
    return stops[-1][1]


def fbm(rng, cell, octaves, gain=0.5):
    """Smooth value noise in [0, 1] for every pixel, row by row.

    Worked out on a quarter-size grid and then stretched, which looks the
    same for soft clouds and water and costs a sixteenth of the work.
    """
    sw, sh = W // 4 + 1, H // 4 + 1
    small = [0.0] * (sw * sh)
    amp, total = 1.0, 0.0
    size = cell / 4.0
    for _ in range(octaves):
        gw, gh = int(sw / size) + 2, int(sh / size) + 2
        grid = [rng.random() for _ in range(gw * gh)]
        for y in range(sh):
            fy = y / size
            iy = int(fy)
            ty = fy - iy
            ty = ty * ty * (3 - 2 * ty)
            r0 = iy * gw
            r1 = r0 + gw
            for x in range(sw):
                fx = x / size
                ix = int(fx)
                tx = fx - ix
                tx = tx * tx * (3 - 2 * tx)
                a = grid[r0 + ix] + (grid[r0 + ix + 1] - grid[r0 + ix]) * tx
                b = grid[r1 + ix] + (grid[r1 + ix + 1] - grid[r1 + ix]) * tx
                small[y * sw + x] += (a + (b - a) * ty) * amp
        total += amp
        amp *= gain
        size /= 2.0
    small = [v / total for v in small]
    # Bilinear stretch back to full size.
    out = [0.0] * (W * H)
    xs = [(x // 4, (x % 4) / 4.0) for x in range(W)]
    for y in range(H):
        iy = y // 4
        ty = (y % 4) / 4.0
        top = small[iy * sw:(iy + 1) * sw]
        bot = small[(iy + 1) * sw:(iy + 2) * sw]
        row = [a + (b - a) * ty for a, b in zip(top, bot)]
        base = y * W
        for x, (ix, tx) in enumerate(xs):
            out[base + x] = row[ix] + (row[ix + 1] - row[ix]) * tx
    # Stretch the contrast so thresholds mean the same in every scene.
    lo, hi = min(out), max(out)
    return [(v - lo) / (hi - lo) for v in out]


def polygon_coverage(points, sub=4):
    """Yields (y, x0, coverages) rows for a filled polygon, antialiased.

    Each pixel row is sampled on `sub` scanlines, with fractional coverage
    at the ends of every span, so slanted and nearly flat edges both stay
    smooth. Points may be in any order around the outline (even-odd rule).
    """
    ys = [p[1] for p in points]
    y_start = max(0, int(min(ys)))
    y_end = min(H - 1, int(max(ys)) + 1)
    xs = [p[0] for p in points]
    x_lo = max(0, int(min(xs)))
    x_hi = min(W - 1, int(max(xs)) + 1)
    if x_lo > x_hi:
        return
    edges = list(zip(points, points[1:] + points[:1]))
    step = 1.0 / sub
    for y in range(y_start, y_end + 1):
        cov = [0.0] * (x_hi - x_lo + 2)
        touched = False
        for s in range(sub):
            yc = y + (s + 0.5) * step
            cross = []
            for (x0, y0), (x1, y1) in edges:
                if (y0 <= yc < y1) or (y1 <= yc < y0):
                    cross.append(x0 + (yc - y0) * (x1 - x0) / (y1 - y0))
            cross.sort()
            for xa, xb in zip(cross[0::2], cross[1::2]):
                xa = min(max(xa, x_lo), x_hi + 1) - x_lo
                xb = min(max(xb, x_lo), x_hi + 1) - x_lo
                if xb <= xa:
                    continue
                touched = True
                ia, ib = int(xa), int(xb)
                if ia == ib:
                    cov[ia] += (xb - xa) * step
                    continue
                cov[ia] += (ia + 1 - xa) * step
                for i in range(ia + 1, ib):
                    cov[i] += step
                if ib < len(cov):
                    cov[ib] += (xb - ib) * step
        if touched:
            yield y, x_lo, cov


class Canvas:
    """RGB floats 0..255, top row first."""

    def __init__(self, colour=(0, 0, 0)):
        n = W * H
        self.r = [float(colour[0])] * n
        self.g = [float(colour[1])] * n
        self.b = [float(colour[2])] * n

    def vertical(self, stops, y0=0, y1=H):
        """Fills rows y0..y1 with a top-to-bottom gradient along stops."""
        for y in range(y0, y1):
            c = ramp(stops, (y - y0) / max(1, y1 - y0 - 1))
            s = slice(y * W, (y + 1) * W)
            self.r[s] = [c[0]] * W
            self.g[s] = [c[1]] * W
            self.b[s] = [c[2]] * W

    def blend(self, i, c, a):
        r, g, b = self.r, self.g, self.b
        r[i] += (c[0] - r[i]) * a
        g[i] += (c[1] - g[i]) * a
        b[i] += (c[2] - b[i]) * a

    def add(self, i, c, a):
        self.r[i] += c[0] * a
        self.g[i] += c[1] * a
        self.b[i] += c[2] * a

    def pixel(self, x, y, c, a=1.0):
        if 0 <= x < W and 0 <= y < H:
            self.blend(y * W + x, c, a)

    def shade(self, x0, y0, x1, y1, fn):
        """Calls fn(x, y) for every pixel of the box; it returns None or (colour, alpha)."""
        for y in range(max(0, int(y0)), min(H, int(y1) + 1)):
            base = y * W
            for x in range(max(0, int(x0)), min(W, int(x1) + 1)):
                hit = fn(x, y)
                if hit:
                    self.blend(base + x, hit[0], hit[1])

    def polygon(self, points, c, a=1.0):
        for y, x0, cov in polygon_coverage(points):
            base = y * W + x0
            for i, v in enumerate(cov):
                if v > 0.0 and x0 + i < W:
                    self.blend(base + i, c, a * min(v, 1.0))

    def disc(self, cx, cy, rad, c, a=1.0):
        def fn(x, y):
            d = math.hypot(x + 0.5 - cx, y + 0.5 - cy)
            cov = clamp01(rad + 0.5 - d)
            return (c, a * cov) if cov > 0.0 else None
        self.shade(cx - rad - 1, cy - rad - 1, cx + rad + 1, cy + rad + 1, fn)

    def ellipse(self, cx, cy, rx, ry, angle, c, a=1.0):
        ca, sa = math.cos(angle), math.sin(angle)
        m = max(rx, ry) + 1
        edge = min(rx, ry)

        def fn(x, y):
            dx, dy = x + 0.5 - cx, y + 0.5 - cy
            u = (dx * ca + dy * sa) / rx
            v = (-dx * sa + dy * ca) / ry
            cov = clamp01((1.0 - math.sqrt(u * u + v * v)) * edge + 0.5)
            return (c, a * cov) if cov > 0.0 else None
        self.shade(cx - m, cy - m, cx + m, cy + m, fn)

    def glow(self, cx, cy, rad, c, strength):
        """Adds light that fades to nothing at rad."""
        r2 = rad * rad
        for y in range(max(0, int(cy - rad)), min(H, int(cy + rad) + 1)):
            dy2 = (y + 0.5 - cy) ** 2
            if dy2 >= r2:
                continue
            base = y * W
            for x in range(max(0, int(cx - rad)), min(W, int(cx + rad) + 1)):
                d2 = dy2 + (x + 0.5 - cx) ** 2
                if d2 < r2:
                    f = 1.0 - math.sqrt(d2) / rad
                    self.add(base + x, c, strength * f * f)

    def line(self, p0, p1, w0, c, a=1.0, w1=None):
        """A thick segment whose width goes from w0 to w1, with round ends."""
        w1 = w0 if w1 is None else w1
        dx, dy = p1[0] - p0[0], p1[1] - p0[1]
        n = math.hypot(dx, dy) or 1.0
        nx, ny = -dy / n, dx / n
        h0, h1 = w0 / 2.0, w1 / 2.0
        self.polygon([(p0[0] + nx * h0, p0[1] + ny * h0), (p1[0] + nx * h1, p1[1] + ny * h1),
                      (p1[0] - nx * h1, p1[1] - ny * h1), (p0[0] - nx * h0, p0[1] - ny * h0)], c, a)
        if w1 > 2:
            self.disc(p1[0], p1[1], h1, c, a)

    def fill_below(self, heights, colour_at):
        """Fills each column from heights[x] down; colour_at(x, y, depth) gives the colour."""
        for x in range(W):
            h = heights[x]
            top = max(0, int(h))
            for y in range(top, H):
                depth = y - h
                cov = clamp01(depth + 1.0) if y == top else 1.0
                self.blend(y * W + x, colour_at(x, y, depth), cov)

    def bmp(self):
        """The picture as a bottom-up 24-bit BMP with rows padded to 4 bytes."""
        def q(ch):
            return bytes(0 if v < 0.0 else 255 if v > 255.0 else int(v + 0.5) for v in ch)
        rs, gs, bs = q(self.r), q(self.g), q(self.b)
        stride = (W * 3 + 3) & ~3
        pixels = bytearray(stride * H)
        for y in range(H):
            src = slice(y * W, (y + 1) * W)
            dst = (H - 1 - y) * stride
            row = bytearray(W * 3)
            row[0::3], row[1::3], row[2::3] = bs[src], gs[src], rs[src]
            pixels[dst:dst + W * 3] = row
        info = struct.pack("<IiiHHIIiiII", 40, W, H, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
        offset = 14 + len(info)
        head = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
        return head + info + bytes(pixels)


def ridge(rng, base, amp, rough=0.55):
    """A mountain outline: W heights by midpoint displacement."""
    n = 1024
    pts = [0.0] * (n + 1)
    pts[0], pts[n] = rng.uniform(-1, 1) * amp, rng.uniform(-1, 1) * amp
    step, scale = n, amp
    while step > 1:
        half = step // 2
        for i in range(half, n, step):
            pts[i] = (pts[i - half] + pts[i + half]) / 2 + rng.uniform(-1, 1) * scale
        step = half
        scale *= rough
    return [base + pts[int(x * n / W)] for x in range(W)]


def stars(c, rng, count, y_max, avoid=None):
    for _ in range(count):
        x, y = rng.randrange(W), rng.randrange(int(y_max))
        if avoid and math.hypot(x - avoid[0], y - avoid[1]) < avoid[2]:
            continue
        b = rng.random() ** 3
        c.pixel(x, y, (255, 250, 235), 0.35 + 0.65 * b)
        if b > 0.6:
            for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1)):
                c.pixel(x + dx, y + dy, (230, 235, 255), 0.45 * b)
            c.glow(x + 0.5, y + 0.5, 6, (120, 140, 255), 0.5 * b)


# ----------------------------------------------------------------- scenes

def night_moon(rng):
    """A moonlit sky over a hill with a clock tower and the lights of a town."""
    c = Canvas()
    c.vertical([(0, (3, 5, 26)), (0.55, (16, 26, 76)), (1, (44, 62, 128))])
    clouds = fbm(rng, 160, 5)
    for i, v in enumerate(clouds):
        a = smoothstep(0.55, 0.85, v) * 0.45
        if a > 0:
            c.blend(i, (80, 96, 150), a)
    stars(c, rng, 520, 360, avoid=(470, 115, 90))
    c.glow(470, 115, 240, (90, 110, 170), 0.6)
    c.disc(470, 115, 52, (250, 244, 214))
    for _ in range(9):
        a, d = rng.uniform(0, 2 * math.pi), rng.uniform(0, 38)
        c.disc(470 + d * math.cos(a), 115 + d * math.sin(a), rng.uniform(4, 11), (214, 206, 178), 0.45)
    hill = [392 - 70 * math.exp(-((x - 150) / 120.0) ** 2) + 10 * math.sin(x / 47.0) for x in range(W)]
    c.fill_below(hill, lambda x, y, d: mix((14, 16, 40), (4, 5, 14), clamp01(d / 120)))
    # The clock tower on the hill.
    top = hill[150] - 112
    c.polygon([(132, hill[150] + 4), (132, top), (168, top), (168, hill[150] + 4)], (8, 9, 24))
    c.polygon([(124, top + 2), (150, top - 46), (176, top + 2)], (8, 9, 24))
    c.glow(150, top + 24, 34, (255, 220, 140), 0.5)
    c.disc(150, top + 24, 12, (246, 232, 176))
    c.line((150, top + 24), (149, top + 14), 2, (40, 30, 30))
    c.line((150, top + 24), (146, top + 18), 2.5, (40, 30, 30))
    for y in range(int(top) + 50, int(hill[150]) - 10, 22):
        c.polygon([(144, y), (156, y), (156, y + 10), (144, y + 10)], (255, 200, 110), 0.8)
    for _ in range(60):
        x = rng.uniform(260, 640)
        y = rng.uniform(hill[int(x)] + 20, 470)
        c.glow(x, y, rng.uniform(5, 12), (255, 170, 70), 0.9)
        c.pixel(int(x), int(y), (255, 230, 170))
    return c


def dusk_mountains(rng):
    """Ranges of mountains fading into the haze of a setting sun."""
    c = Canvas()
    sky = [(0, (38, 26, 92)), (0.35, (150, 70, 120)), (0.62, (240, 120, 80)), (1, (255, 206, 130))]
    c.vertical(sky, 0, 330)
    c.vertical([(0, (255, 206, 130)), (1, (255, 206, 130))], 330, H)
    c.glow(210, 285, 260, (255, 150, 70), 0.45)
    c.disc(210, 285, 34, (255, 236, 190))
    for _ in range(7):
        x, y, s = rng.uniform(330, 600), rng.uniform(60, 180), rng.uniform(5, 9)
        c.line((x - s, y - s * 0.5), (x, y), 1.6, (40, 20, 40))
        c.line((x, y), (x + s, y - s * 0.6), 1.6, (40, 20, 40))
    layers = [(250, 60, (196, 120, 140)), (290, 70, (140, 82, 120)), (330, 70, (92, 54, 100)),
              (375, 60, (52, 34, 74)), (420, 50, (22, 16, 42))]
    haze = (250, 180, 150)
    for n, (base, amp, colour) in enumerate(layers):
        line = ridge(rng, base, amp)
        mist = 0.55 - n * 0.1

        def colour_at(x, y, d, colour=colour, mist=mist):
            return mix(colour, haze, smoothstep(0, 140, d) * mist)
        c.fill_below(line, colour_at)
    return c


def sea_waves(rng):
    """Open sea under a bright sky, waves growing towards the viewer."""
    c = Canvas()
    horizon = 210
    c.vertical([(0, (24, 70, 160)), (1, (160, 200, 235))], 0, horizon)
    clouds = fbm(rng, 180, 5)
    for i in range(horizon * W):
        y = i // W
        a = smoothstep(0.5, 0.8, clouds[i]) * (0.85 - 0.5 * y / horizon)
        if a > 0:
            c.blend(i, (250, 250, 255), a)
    c.glow(430, 140, 150, (255, 240, 200), 0.6)
    c.disc(430, 140, 24, (255, 252, 235))
    sin = math.sin
    for y in range(horizon, H):
        t = (y - horizon + 1) / (H - horizon)
        z = 1.0 / (t + 0.06)
        deep = mix((70, 120, 175), (8, 38, 96), t ** 0.6)
        contrast = 0.15 + 0.85 * t
        glitter_w = 16 + 140 * t
        base = y * W
        for x in range(W):
            X = (x - 320) * z * 0.012
            h = sin(z * 14 + 1.2 * sin(X * 1.1 + z)) + 0.5 * sin(z * 23 - X * 1.9 + 1.3) + 0.25 * sin(z * 41 + X * 4.3)
            k = h * contrast
            col = (deep[0] + 30 * k, deep[1] + 38 * k, deep[2] + 40 * k)
            c.r[base + x], c.g[base + x], c.b[base + x] = col
            if h > 1.25:
                c.blend(base + x, (235, 245, 255), smoothstep(1.25, 1.6, h) * (0.4 + 0.6 * t))
            if h > 0.8 and abs(x - 430) < glitter_w:
                c.add(base + x, (255, 240, 200), 0.7 * (1 - abs(x - 430) / glitter_w) * (h - 0.8))
    return c


def bamboo_forest(rng):
    """Bamboo stalks in three depths, lit by slanting shafts of light."""
    c = Canvas()
    c.vertical([(0, (190, 226, 160)), (0.5, (90, 150, 90)), (1, (20, 56, 34))])
    for _ in range(5):
        x = rng.uniform(-100, 640)
        w = rng.uniform(30, 80)
        c.polygon([(x, 0), (x + w, 0), (x + w + 260, H), (x + 260, H)], (255, 255, 210), 0.12)
    depths = [(26, 6, 12, (150, 196, 140), 0.7), (16, 12, 20, (70, 140, 70), 0.9),
              (7, 22, 36, (40, 110, 50), 1.0)]
    for count, w_lo, w_hi, colour, alpha in depths:
        for _ in range(count):
            x0 = rng.uniform(-20, W)
            w = rng.uniform(w_lo, w_hi)
            lean = rng.uniform(-0.04, 0.04)
            seg = rng.uniform(60, 110)
            first = rng.uniform(0, seg)

            def stalk(x, y, x0=x0, w=w, lean=lean, seg=seg, first=first, colour=colour, alpha=alpha):
                u = (x + 0.5 - (x0 + lean * y)) / w
                if not 0.0 <= u <= 1.0:
                    return None
                light = 0.55 + 0.6 * math.sin(math.pi * u) - 0.25 * u
                col = (colour[0] * light, colour[1] * light, colour[2] * light)
                node = (y - first) % seg
                if node < 3:
                    col = mix(col, (30, 50, 24), 0.6)
                elif node < 7:
                    col = mix(col, (230, 240, 200), 0.3)
                edge = min(u, 1 - u) * w
                return col, alpha * clamp01(edge + 0.5)
            c.shade(min(x0, x0 + lean * H) - 1, 0, max(x0, x0 + lean * H) + w + 1, H - 1, stalk)
        for _ in range(count * 2):
            x, y = rng.uniform(0, W), rng.uniform(0, H * 0.5)
            for _ in range(rng.randrange(3, 7)):
                ang = rng.uniform(-0.5, 0.5) + (math.pi if rng.random() < 0.5 else 0)
                ln = rng.uniform(12, 30) * (w_hi / 20)
                cx, cy = x + math.cos(ang) * ln, y + math.sin(ang) * ln + ln * 0.4
                c.ellipse(cx, cy, ln, ln * 0.18, ang + 0.4, mix(colour, (20, 60, 20), 0.3), alpha)
    return c


def cherry_blossoms(rng):
    """A cherry branch in full flower against a spring sky, petals falling."""
    c = Canvas()
    c.vertical([(0, (120, 170, 236)), (0.7, (214, 226, 248)), (1, (240, 236, 246))])
    far = ridge(rng, 400, 40)
    c.fill_below(far, lambda x, y, d: mix((170, 180, 220), (200, 200, 230), clamp01(d / 80)))
    flowers = []

    def branch(x, y, ang, ln, w, depth):
        x1, y1 = x + math.cos(ang) * ln, y + math.sin(ang) * ln
        c.line((x, y), (x1, y1), max(w, 1.5), (58, 34, 36), 1.0, max(w * 0.72, 1.2))
        if depth <= 3:
            for _ in range(int(ln / 10)):
                s = rng.random()
                flowers.append((x + (x1 - x) * s, y + (y1 - y) * s))
        if depth == 0:
            return
        # Children fan out to both sides, so the crown spreads instead of
        # curling into one clump.
        spread = rng.uniform(0.3, 0.6)
        for turn in (-spread, spread * rng.uniform(0.6, 1.2)):
            branch(x1, y1, ang + turn, ln * rng.uniform(0.7, 0.85), w * 0.66, depth - 1)

    branch(-10, 470, -0.8, 150, 38, 6)
    branch(660, 90, 3.5, 100, 20, 5)
    for fx, fy in flowers:
        for _ in range(rng.randrange(1, 3)):
            x, y = fx + rng.gauss(0, 7), fy + rng.gauss(0, 7)
            size = rng.uniform(5, 9)
            pink = mix((255, 236, 242), (244, 150, 186), rng.random())
            turn = rng.uniform(0, 2 * math.pi)
            for k in range(5):
                a = turn + k * 2 * math.pi / 5
                c.ellipse(x + math.cos(a) * size * 0.55, y + math.sin(a) * size * 0.55,
                          size * 0.6, size * 0.42, a, pink)
            c.disc(x, y, size * 0.25, (196, 52, 96))
    for _ in range(90):
        x, y = rng.uniform(0, W), rng.uniform(0, H)
        c.ellipse(x, y, rng.uniform(3, 6), rng.uniform(1.5, 3), rng.uniform(0, math.pi),
                  (250, 196, 214), 0.85)
    return c


def lantern_street(rng):
    """A narrow street at night under rows of red paper lanterns."""
    c = Canvas()
    vx, vy = 320, 210
    c.vertical([(0, (6, 6, 24)), (1, (40, 22, 52))], 0, vy + 20)
    stars(c, rng, 120, 140)
    c.polygon([(0, vy + 20), (W, vy + 20), (W, H), (0, H)], (34, 24, 28))
    # Walls converge to the vanishing point; eaves overhang them.
    for side in (-1, 1):
        near = 0 if side < 0 else W
        wall = [(near, 70), (vx + side * 40, vy - 6), (vx + side * 40, vy + 14), (near, 440)]
        c.polygon(wall, (48, 26, 22))
        c.polygon([(near, 20), (vx + side * 36, vy - 14), (vx + side * 40, vy - 6), (near, 78)], (14, 10, 18))
        def post(i, side=side, near=near):
            """x, top and bottom of the i-th wall post, spaced in perspective."""
            s = 1 - 1 / (1 + i * 0.28)
            return (near + (vx + side * 40 - near) * s, 70 + (vy - 6 - 70) * s,
                    440 + (vy + 14 - 440) * s, s)
        for i in range(1, 14):
            x, top, bot, s = post(i)
            c.line((x, top), (x, bot), max(1, 5 * (1 - s)), (24, 14, 14))
            if i % 3 == 1:
                x2, top2, bot2, _ = post(i + 1)
                c.polygon([(x, top + (bot - top) * 0.35), (x2, top2 + (bot2 - top2) * 0.35),
                           (x2, top2 + (bot2 - top2) * 0.62), (x, top + (bot - top) * 0.62)],
                          (255, 190, 110), 0.75)
    for y in range(vy + 20, H):
        t = (y - vy - 20) / (H - vy - 20)
        for x in range(W):
            if rng.random() < 0.04 * t:
                c.blend(y * W + x, (70, 50, 50), 0.6)
    # Lanterns along both walls and down the middle of the street.
    rows = [(-1, 40, 130), (1, 600, 130), (0, 320, 60)]
    for kind, x_near, y_near in rows:
        for i in reversed(range(12)):
            s = 1 - 1 / (1 + i * 0.35)
            x = x_near + (vx + (kind * 34) - x_near) * s
            y = y_near + (vy - 20 - y_near) * s
            k = 1 - s
            rx, ry = 20 * k + 2, 26 * k + 2.5
            if kind == 0:
                y += 8 * k * math.sin(i * 2.1)
            # The overhead row stacks up in the middle, so it glows less.
            c.glow(x, y, rx * 5, (255, 120, 50), 0.3 if kind == 0 else 0.55)
            c.glow(x, H - (H - y) * 0.12 - 10 * k, rx * 3, (255, 120, 60), 0.12 if kind == 0 else 0.25)

            def body(px, py, x=x, y=y, rx=rx, ry=ry):
                u, v = (px + 0.5 - x) / rx, (py + 0.5 - y) / ry
                q = u * u + v * v
                if q > 1.0:
                    return None
                col = mix((255, 226, 150), (212, 46, 30), q ** 0.7)
                if abs(math.sin(v * 9)) < 0.18:
                    col = mix(col, (120, 20, 16), 0.5)
                return col, clamp01((1 - math.sqrt(q)) * min(rx, ry) + 0.5)
            c.shade(x - rx - 1, y - ry - 1, x + rx + 1, y + ry + 1, body)
            c.polygon([(x - rx * 0.5, y - ry - 2 * k), (x + rx * 0.5, y - ry - 2 * k),
                       (x + rx * 0.5, y - ry * 0.85), (x - rx * 0.5, y - ry * 0.85)], (20, 12, 12))
            c.polygon([(x - rx * 0.5, y + ry * 0.85), (x + rx * 0.5, y + ry * 0.85),
                       (x + rx * 0.5, y + ry + 2 * k), (x - rx * 0.5, y + ry + 2 * k)], (20, 12, 12))
    return c


def snow_field(rng):
    """Snow-covered hills and pines under a pale winter sky, snow falling."""
    c = Canvas()
    c.vertical([(0, (150, 170, 210)), (1, (226, 232, 246))], 0, 300)
    far = ridge(rng, 230, 50)
    c.fill_below(far, lambda x, y, d: mix((236, 242, 252), (160, 180, 220), clamp01(d / 60)))
    for n, (base, amp) in enumerate([(300, 30), (350, 40), (410, 35)]):
        phase = rng.uniform(0, 6)
        hill = [base + amp * math.sin(x / (140 + 40 * n) + phase) for x in range(W)]
        if n == 1:
            for _ in range(24):
                x = rng.uniform(0, W)
                y = hill[int(x)] + 6
                hgt = rng.uniform(40, 90)
                for tier in range(3):
                    ty = y - hgt * tier / 3.2
                    half = hgt * (0.34 - tier * 0.08)
                    peak = ty - hgt * 0.45
                    c.polygon([(x - half, ty), (x, peak), (x + half, ty)], (22, 52, 52))
                    c.polygon([(x - half * 0.5, peak + (ty - peak) * 0.5), (x, peak),
                               (x + half * 0.5, peak + (ty - peak) * 0.5), (x, peak + (ty - peak) * 0.3)],
                              (240, 246, 255))

        def snow(x, y, d):
            light = 0.5 + 0.5 * math.cos(clamp01(d / 90) * math.pi)
            return mix((150, 172, 220), (252, 253, 255), light)
        c.fill_below(hill, snow)
    for _ in range(700):
        x, y = rng.uniform(0, W), rng.uniform(0, H)
        r = rng.random() ** 2 * 3 + 0.8
        c.disc(x, y, r, (255, 255, 255), 0.85)
    return c


def torii_sunset(rng):
    """A shrine gate standing in still water against a red evening sky."""
    c = Canvas()
    horizon = 300
    c.vertical([(0, (58, 20, 70)), (0.45, (196, 60, 62)), (0.8, (250, 140, 70)), (1, (255, 204, 120))],
               0, horizon)
    c.glow(320, horizon, 300, (255, 140, 60), 0.4)
    c.disc(320, horizon, 62, (255, 232, 170))
    for _ in range(6):
        y = rng.uniform(40, 220)
        x = rng.uniform(-100, 500)
        c.ellipse(x + 150, y, rng.uniform(80, 180), rng.uniform(4, 9), 0, (110, 30, 60), 0.55)
    # Water mirrors the sky, broken into ripples.
    sin = math.sin
    for y in range(horizon, H):
        t = (y - horizon) / (H - horizon)
        src = max(0, 2 * horizon - y - 1)
        shift = int(round((2 + 10 * t) * sin(y * 0.9)))
        dark = 0.75 - 0.35 * t
        base, sbase = y * W, src * W
        for x in range(W):
            sx = min(W - 1, max(0, x + shift))
            c.r[base + x] = c.r[sbase + sx] * dark
            c.g[base + x] = c.g[sbase + sx] * dark
            c.b[base + x] = c.b[sbase + sx] * dark + 30 * t
    for _ in range(80):
        y = rng.uniform(horizon + 2, H)
        w = rng.uniform(10, 60) * (1 - (y - horizon) / 400)
        x = 320 + rng.gauss(0, 30 + (y - horizon) * 0.4)
        c.line((x - w, y), (x + w, y), 1.5, (255, 220, 150), 0.5)
    # The gate, drawn into a mask so that its reflection can be rippled too.
    gate = [0.0] * (W * H)

    def draw(points):
        for y, x0, cov in polygon_coverage(points):
            for i, v in enumerate(cov):
                if v > 0 and x0 + i < W:
                    j = y * W + x0 + i
                    gate[j] = max(gate[j], min(v, 1.0))
    for side in (-1, 1):
        draw([(320 + side * 74, 176), (320 + side * 92, 176), (320 + side * 96, 420), (320 + side * 70, 420)])
    top = [(x, 128 - 16 * ((x - 320) / 160.0) ** 4) for x in range(160, 481, 8)]
    bottom = [(x, 150 - 8 * ((x - 320) / 150.0) ** 4) for x in range(470, 169, -8)]
    draw(top + bottom)
    draw([(186, 152), (454, 152), (454, 166), (186, 166)])
    draw([(312, 166), (328, 166), (328, 200), (312, 200)])
    draw([(206, 200), (434, 200), (434, 216), (206, 216)])
    ink = (28, 10, 18)
    for i, v in enumerate(gate):
        if v > 0:
            c.blend(i, ink, v)
    for y in range(420, H):
        src = 840 - y
        shift = int(round(3 * sin(y * 0.8)))
        for x in range(W):
            v = gate[src * W + min(W - 1, max(0, x - shift))]
            if v > 0:
                c.blend(y * W + x, ink, v * 0.6)
    return c


def koi_pond(rng):
    """Koi gliding under rippling water, with lily pads and a lotus."""
    c = Canvas()
    c.vertical([(0, (12, 70, 88)), (1, (4, 30, 58))])
    pebbles = fbm(rng, 40, 3)
    centres = [(rng.uniform(80, 560), rng.uniform(60, 420), rng.uniform(0, 6)) for _ in range(3)]
    cos, exp, sqrt = math.cos, math.exp, math.sqrt
    for y in range(H):
        base = y * W
        for x in range(W):
            v = 0.0
            for cx, cy, ph in centres:
                d = sqrt((x - cx) ** 2 + (y - cy) ** 2)
                v += cos(d * 0.16 - ph) * exp(-d / 260)
            i = base + x
            p = (pebbles[i] - 0.5) * 40
            c.r[i] += p * 0.5 + 12 * v
            c.g[i] += p + 30 * v
            c.b[i] += p + 34 * v
            if v > 1.0:
                c.add(i, (120, 200, 210), (v - 1.0) * 0.6)
    palettes = [((245, 110, 30), (250, 246, 236)), ((250, 246, 236), (214, 36, 28)),
                ((236, 150, 40), (30, 24, 24)), ((214, 36, 28), (250, 246, 236)), ((250, 200, 60), (245, 110, 30))]
    for colours in palettes:
        x, y = rng.uniform(80, 560), rng.uniform(80, 400)
        heading = rng.uniform(0, 2 * math.pi)
        bend = rng.uniform(-0.02, 0.02)
        length, girth = rng.uniform(90, 130), rng.uniform(10, 14)
        spine = []
        for k in range(48):
            s = k / 47
            spine.append((x, y, s, heading))
            x += math.cos(heading) * length / 47
            y += math.sin(heading) * length / 47
            heading += bend * (1 + 3 * s)
        patch_phase = rng.uniform(0, 6)
        for sx, sy, s, _ in spine:
            c.disc(sx + 9, sy + 11, girth * math.sin(math.pi * (0.08 + 0.92 * s) ** 0.55) * 1.05, (0, 10, 20), 0.12)
        tx, ty, _, th = spine[-1]
        fin = [(tx, ty), (tx + math.cos(th + 0.5) * 26, ty + math.sin(th + 0.5) * 26),
               (tx + math.cos(th) * 14, ty + math.sin(th) * 14),
               (tx + math.cos(th - 0.5) * 26, ty + math.sin(th - 0.5) * 26)]
        c.polygon(fin, colours[0], 0.6)
        fx, fy, _, fh = spine[12]
        for side in (-1, 1):
            c.ellipse(fx + math.cos(fh + side * 1.7) * girth, fy + math.sin(fh + side * 1.7) * girth,
                      10, 4, fh + side * 0.9, colours[1], 0.55)
        for sx, sy, s, _ in spine:
            r = girth * math.sin(math.pi * (0.08 + 0.92 * s) ** 0.55)
            col = colours[0] if math.sin(s * 9 + patch_phase) > -0.2 else colours[1]
            c.disc(sx, sy, r, col, 0.9)
        hx, hy, _, hh = spine[3]
        for side in (-1, 1):
            c.disc(hx + math.cos(hh + side * 1.2) * 5, hy + math.sin(hh + side * 1.2) * 5, 1.6, (10, 10, 10))
    for _ in range(6):
        px, py, pr = rng.uniform(30, 610), rng.uniform(30, 450), rng.uniform(26, 48)
        notch = rng.uniform(0, 2 * math.pi)

        def pad(x, y, px=px, py=py, pr=pr, notch=notch):
            dx, dy = x + 0.5 - px, y + 0.5 - py
            d = math.hypot(dx, dy)
            cov = clamp01(pr + 0.5 - d)
            if cov <= 0:
                return None
            a = (math.atan2(dy, dx) - notch) % (2 * math.pi)
            if a < 0.35 and d > 2:
                return None
            vein = abs(math.sin(a * 7)) < 0.06 * pr / (d + 1)
            col = mix((40, 120, 56), (110, 176, 80), d / pr)
            return (mix(col, (20, 70, 30), 0.5) if vein else col), cov
        c.shade(px - pr - 1, py - pr - 1, px + pr + 1, py + pr + 1, pad)
    lx, ly = px, py
    for k in range(10):
        a = k * 2 * math.pi / 10
        ln = 16 if k % 2 else 20
        c.ellipse(lx + math.cos(a) * ln * 0.6, ly + math.sin(a) * ln * 0.6, ln * 0.6, ln * 0.3, a,
                  mix((255, 230, 240), (236, 110, 160), k / 10))
    c.disc(lx, ly, 5, (250, 210, 60))
    return c


def maple_over_water(rng):
    """Maple leaves scattered over a pattern of flowing water."""
    c = Canvas()
    c.vertical([(0, (14, 22, 64)), (1, (26, 40, 98))])
    sin = math.sin
    for y in range(H):
        base = y * W
        for x in range(W):
            phase = y * 0.032 + 0.9 * sin(x * 0.011 + 1.4 * sin(y * 0.006))
            f = phase % 1.0
            d = min(f, 1 - f)
            if d < 0.07:
                c.blend(base + x, (130, 180, 236), 0.75 * smoothstep(0.07, 0.025, d))
            elif 0.2 < f < 0.24:
                c.blend(base + x, (90, 130, 200), 0.4)
    golds = [(214, 40, 26), (236, 110, 22), (250, 186, 40), (176, 24, 44), (240, 76, 30)]
    placed = []
    for gy in range(5):
        for gx in range(7):
            placed.append((gx * 100 + rng.uniform(-20, 40) + (50 if gy % 2 else 0) - 20,
                           gy * 104 + rng.uniform(-10, 40) - 10))
    rng.shuffle(placed)
    for x, y in placed:
        size = rng.uniform(28, 52)
        turn = rng.uniform(0, 2 * math.pi)
        colour = rng.choice(golds)
        dark = mix(colour, (60, 10, 10), 0.45)

        def leaf(px, py, x=x, y=y, size=size, turn=turn, colour=colour, dark=dark):
            dx, dy = (px + 0.5 - x) / size, (py + 0.5 - y) / size
            d = math.hypot(dx, dy)
            if d > 1.05:
                return None
            a = math.atan2(dy, dx) - turn
            lobes = abs(sin(2.5 * a))
            # Lobe points where the sine is zero, notches where it peaks;
            # the lobe pointing backwards is cut short to leave room for the stem.
            r = (0.36 + 0.64 * math.sqrt(1 - lobes)) * (1 + 0.07 * abs(math.sin(20 * a)))
            r *= 1 - 0.45 * smoothstep(0.6, 1.0, -math.cos(a))
            if d > r:
                return None
            vein = (1 - lobes) > 0.985 and d > 0.08
            col = mix(colour, dark, smoothstep(0.3, 1.0, d / r) * 0.5 + 0.25 * (dx * 0.7 + dy * 0.7))
            if vein:
                col = mix(col, dark, 0.8)
            return col, clamp01((r - d) * size + 0.5)
        c.shade(x - size - 2, y - size - 2, x + size + 2, y + size + 2, leaf)
        sx, sy = x - math.cos(turn) * size * 0.5, y - math.sin(turn) * size * 0.5
        c.line((x - math.cos(turn) * size * 0.2, y - math.sin(turn) * size * 0.2),
               (sx - math.cos(turn) * size * 0.35, sy - math.sin(turn) * size * 0.35), 2, dark)
    return c


SCENES = [night_moon, dusk_mountains, sea_waves, bamboo_forest, cherry_blossoms,
          lantern_street, snow_field, torii_sunset, koi_pond, maple_over_water]


def main(argv):
    out = Path(argv[1]) if len(argv) > 1 else Path(__file__).resolve().parent.parent / "dat"
    out.mkdir(parents=True, exist_ok=True)
    for number, scene in enumerate(SCENES):
        rng = random.Random(1000 + number)
        path = out / f"{number:02d}.bmp"
        path.write_bytes(scene(rng).bmp())
        print(f"{path.name}: {scene.__doc__.splitlines()[0]}")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
