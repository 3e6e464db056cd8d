#!/usr/bin/env python3
"""Draws the Control Panel item's icons and bitmaps and makes its breaking-glass sound.

Writes next to this file, byte for byte the same on every run:
  applet.ico          the item "Touch Screen": a monitor touched by a finger,
                      16, 24, 32, 48, 64 and 256 pixels in 8, 24 and 32 bits
  windows_touch.ico, mouse.ico, click_on_touch.ico, click_on_release.ico,
  calibration.ico, beep.ico
                      the pages' icons, 16, 32 and 48 pixels in 8 and 32 bits
  glass.bmp, glass_cracked.bmp, glass_breaking.bmp, glass_shattered.bmp,
  glass_broken.bmp    the press-and-hold test graphic breaking, 48x48, 24 bits
  about.bmp           the About picture, 64x64, 24 bits
  brokenglass.wav     breaking glass, 22050 Hz, 8-bit mono PCM, 11972 samples

Usage: python3 make_art.py
"""
import math
import os
import random
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))


# Colours and paints.

def rgb(h):
    return tuple(int(h[i:i + 2], 16) / 255.0 for i in (1, 3, 5))


def mix(c0, c1, t):
    return tuple(a + (b - a) * t for a, b in zip(c0, c1))


def clamp(v, lo=0.0, hi=1.0):
    return lo if v < lo else hi if v > hi else v


def linear(p0, c0, p1, c1):
    """A paint that runs from colour c0 at p0 to c1 at p1."""
    c0, c1 = rgb(c0), rgb(c1)
    dx, dy = p1[0] - p0[0], p1[1] - p0[1]
    l2 = dx * dx + dy * dy

    def paint(x, y):
        return mix(c0, c1, clamp(((x - p0[0]) * dx + (y - p0[1]) * dy) / l2))
    return paint


def local_paint(shape, paint):
    """Evaluates paint in the shape's own coordinates, so shading moves with the shape."""
    def p(x, y):
        return paint(*shape.to_local(x, y))
    return p


# Shapes as signed distance functions (negative inside), in design units.

class Circle:
    def __init__(self, cx, cy, r):
        self.cx, self.cy, self.r = cx, cy, r
        self.bbox = (cx - r, cy - r, cx + r, cy + r)

    def sdf(self, x, y):
        return math.hypot(x - self.cx, y - self.cy) - self.r


class Ellipse:
    def __init__(self, cx, cy, rx, ry):
        self.cx, self.cy, self.rx, self.ry = cx, cy, rx, ry
        self.bbox = (cx - rx, cy - ry, cx + rx, cy + ry)

    def sdf(self, x, y):
        px, py = (x - self.cx) / self.rx, (y - self.cy) / self.ry
        k0 = math.hypot(px, py)
        k1 = math.hypot(px / self.rx, py / self.ry)
        return k0 * (k0 - 1.0) / k1 if k1 > 0 else -min(self.rx, self.ry)


class RRect:
    def __init__(self, x0, y0, x1, y1, r=0.0):
        self.cx, self.cy = (x0 + x1) / 2, (y0 + y1) / 2
        self.hx, self.hy = (x1 - x0) / 2 - r, (y1 - y0) / 2 - r
        self.r = r
        self.bbox = (x0, y0, x1, y1)

    def sdf(self, x, y):
        qx = abs(x - self.cx) - self.hx
        qy = abs(y - self.cy) - self.hy
        out = math.hypot(max(qx, 0.0), max(qy, 0.0))
        return out + min(max(qx, qy), 0.0) - self.r


class Capsule:
    def __init__(self, ax, ay, bx, by, r):
        self.a, self.b, self.r = (ax, ay), (bx, by), r
        self.bbox = (min(ax, bx) - r, min(ay, by) - r, max(ax, bx) + r, max(ay, by) + r)

    def sdf(self, x, y):
        (ax, ay), (bx, by) = self.a, self.b
        ex, ey, wx, wy = bx - ax, by - ay, x - ax, y - ay
        l2 = ex * ex + ey * ey
        t = clamp((wx * ex + wy * ey) / l2) if l2 else 0.0
        return math.hypot(wx - ex * t, wy - ey * t) - self.r


class Poly:
    def __init__(self, pts):
        self.pts = [(float(x), float(y)) for x, y in pts]
        xs, ys = [p[0] for p in pts], [p[1] for p in pts]
        self.bbox = (min(xs), min(ys), max(xs), max(ys))

    def sdf(self, x, y):
        v = self.pts
        d = (x - v[0][0]) ** 2 + (y - v[0][1]) ** 2
        s = 1.0
        j = len(v) - 1
        for i in range(len(v)):
            ax, ay = v[i]
            bx, by = v[j]
            ex, ey, wx, wy = bx - ax, by - ay, x - ax, y - ay
            l2 = ex * ex + ey * ey
            t = clamp((wx * ex + wy * ey) / l2) if l2 else 0.0
            qx, qy = wx - ex * t, wy - ey * t
            d = min(d, qx * qx + qy * qy)
            c1, c2, c3 = y >= ay, y < by, ex * wy > ey * wx
            if (c1 and c2 and c3) or not (c1 or c2 or c3):
                s = -s
            j = i
        return s * math.sqrt(d)


class Ring:
    def __init__(self, cx, cy, radius, width):
        self.cx, self.cy, self.R, self.w = cx, cy, radius, width
        e = radius + width / 2
        self.bbox = (cx - e, cy - e, cx + e, cy + e)

    def sdf(self, x, y):
        return abs(math.hypot(x - self.cx, y - self.cy) - self.R) - self.w / 2


class Arc:
    """A round-capped arc of the given half angle around the direction angle."""

    def __init__(self, cx, cy, radius, width, direction, half):
        self.cx, self.cy, self.R, self.w = cx, cy, radius, width
        self.c, self.s, self.half = math.cos(direction), math.sin(direction), half
        e = radius + width / 2
        self.bbox = (cx - e, cy - e, cx + e, cy + e)

    def sdf(self, x, y):
        dx, dy = x - self.cx, y - self.cy
        lx, ly = dx * self.c + dy * self.s, -dx * self.s + dy * self.c
        if abs(math.atan2(ly, lx)) <= self.half:
            return abs(math.hypot(lx, ly) - self.R) - self.w / 2
        ex = self.R * math.cos(self.half)
        ey = math.copysign(self.R * math.sin(self.half), ly)
        return math.hypot(lx - ex, ly - ey) - self.w / 2


class Union:
    def __init__(self, *shapes):
        self.shapes = shapes
        bb = [s.bbox for s in shapes]
        self.bbox = (min(b[0] for b in bb), min(b[1] for b in bb),
                     max(b[2] for b in bb), max(b[3] for b in bb))

    def sdf(self, x, y):
        return min(s.sdf(x, y) for s in self.shapes)


class Inter:
    def __init__(self, a, b):
        self.a, self.b = a, b
        self.bbox = (max(a.bbox[0], b.bbox[0]), max(a.bbox[1], b.bbox[1]),
                     min(a.bbox[2], b.bbox[2]), min(a.bbox[3], b.bbox[3]))

    def sdf(self, x, y):
        return max(self.a.sdf(x, y), self.b.sdf(x, y))


class Diff:
    def __init__(self, a, b):
        self.a, self.b = a, b
        self.bbox = a.bbox

    def sdf(self, x, y):
        return max(self.a.sdf(x, y), -self.b.sdf(x, y))


class Moved:
    """shape scaled, turned by angle (radians) around the local origin, then moved to (tx, ty)."""

    def __init__(self, shape, tx, ty, angle=0.0, scale=1.0):
        self.shape, self.tx, self.ty, self.k = shape, tx, ty, scale
        self.c, self.s = math.cos(angle), math.sin(angle)
        x0, y0, x1, y1 = shape.bbox
        pts = [self.to_world(x, y) for x, y in ((x0, y0), (x1, y0), (x0, y1), (x1, y1))]
        self.bbox = (min(p[0] for p in pts), min(p[1] for p in pts),
                     max(p[0] for p in pts), max(p[1] for p in pts))

    def to_world(self, x, y):
        x, y = x * self.k, y * self.k
        return self.tx + x * self.c - y * self.s, self.ty + x * self.s + y * self.c

    def to_local(self, x, y):
        dx, dy = x - self.tx, y - self.ty
        return (dx * self.c + dy * self.s) / self.k, (-dx * self.s + dy * self.c) / self.k

    def sdf(self, x, y):
        return self.shape.sdf(*self.to_local(x, y)) * self.k


# The canvas: premultiplied RGBA floats, anti-aliased by distance.

class Canvas:
    def __init__(self, w, h, unit=1.0, background=None):
        self.w, self.h, self.k = w, h, unit
        n = w * h
        if background:
            c = rgb(background)
            self.r, self.g, self.b, self.a = [c[0]] * n, [c[1]] * n, [c[2]] * n, [1.0] * n
        else:
            self.r, self.g, self.b, self.a = [0.0] * n, [0.0] * n, [0.0] * n, [0.0] * n

    def px(self, n):
        """n pixels in design units."""
        return n / self.k

    def snap(self, v):
        return round(v * self.k) / self.k

    def fill(self, shape, paint, grow=0.0, alpha=1.0, soft=1.0):
        """Composites paint over the shape grown by grow units; soft is the edge width in pixels."""
        k = self.k
        const = None if callable(paint) else (rgb(paint) if isinstance(paint, str) else paint)
        x0, y0, x1, y1 = shape.bbox
        pad = grow + (soft + 1.0) / k
        i0, i1 = max(0, int(math.floor((x0 - pad) * k))), min(self.w, int(math.ceil((x1 + pad) * k)))
        j0, j1 = max(0, int(math.floor((y0 - pad) * k))), min(self.h, int(math.ceil((y1 + pad) * k)))
        R, G, B, A = self.r, self.g, self.b, self.a
        for j in range(j0, j1):
            y = (j + 0.5) / k
            row = j * self.w
            for i in range(i0, i1):
                x = (i + 0.5) / k
                d = (shape.sdf(x, y) - grow) * k
                cov = 0.5 - d / soft
                if cov <= 0.0:
                    continue
                a = alpha if cov >= 1.0 else alpha * cov
                c = const or paint(x, y)
                n = row + i
                keep = 1.0 - a
                R[n] = c[0] * a + R[n] * keep
                G[n] = c[1] * a + G[n] * keep
                B[n] = c[2] * a + B[n] * keep
                A[n] = a + A[n] * keep

    def pixels(self):
        """Straight (not premultiplied) 8-bit RGBA tuples, top row first."""
        out = []
        for r, g, b, a in zip(self.r, self.g, self.b, self.a):
            if a <= 0.0:
                out.append((0, 0, 0, 0))
                continue
            out.append((int(round(clamp(r / a) * 255)), int(round(clamp(g / a) * 255)),
                        int(round(clamp(b / a) * 255)), int(round(clamp(a) * 255))))
        return out


# Reusable figures.

SKIN_LINE = '#8f5530'
ICON_LINE = '#22262b'


def line_width(cv, units):
    """An outline of units, but never thinner than one pixel."""
    return max(units, cv.px(1.0))


def hand_parts(crease, tiny):
    """A pointing hand, index finger up with its tip at the origin, about 120 by 135 units;
    crease is the radius of the lines between the curled fingers (0: none). The tiny hand
    is laid on a 16-unit grid for 16-pixel icons, its tip on a pixel centre."""
    if tiny:
        parts = [RRect(-24, 112, 120, 176, 24), Capsule(32, 96, 32, 140, 24), Capsule(64, 104, 64, 140, 24),
                 Capsule(96, 116, 96, 140, 24), Capsule(0, 24, 0, 120, 24)]
        creases = [Capsule(16, 72, 16, 120, 8), Capsule(48, 80, 48, 124, 8), Capsule(80, 92, 80, 128, 8)]
        return parts, creases
    parts = [
        Capsule(-6, 106, -31, 80, 13),   # thumb
        RRect(-15, 58, 90, 134, 26),     # palm
        Capsule(29, 56, 29, 78, 14),     # curled fingers
        Capsule(55, 62, 55, 84, 13),
        Capsule(78, 72, 78, 92, 11.5),
        Capsule(0, 15, 0, 72, 15),       # index finger
    ]
    creases = [Capsule(15, 62, 15, 84, crease), Capsule(42, 66, 42, 88, crease),
               Capsule(67, 75, 67, 92, crease)]
    return parts, creases if crease else []


def draw_hand(cv, tip, angle, scale):
    tiny = cv.w <= 16
    detail = cv.w >= 48
    w = line_width(cv, 6.0)
    if tiny:
        scale, angle = 1.0, round(angle / math.pi) * math.pi
    parts, creases = hand_parts(w / scale / 2 if detail else 0, tiny)
    moved = [Moved(p, tip[0], tip[1], angle, scale) for p in parts]
    skin = linear((-30, 0), '#ffe2c4', (90, 130), '#e8a06c')
    for m in moved:
        cv.fill(m, SKIN_LINE, grow=0.0)
    for m in moved:
        cv.fill(m, local_paint(m, skin), grow=-w)
    for c in creases:
        cv.fill(Moved(c, tip[0], tip[1], angle, scale), SKIN_LINE)
    if cv.w >= 64:
        nail = Moved(RRect(-8, 5, 8, 24, 7), tip[0], tip[1], angle, scale)
        cv.fill(nail, '#fff1e6', alpha=0.85)


def draw_monitor(cv, box=(12, 24, 226, 176)):
    """A flat panel on a stand; returns the screen's shape so callers can draw on it."""
    sn = cv.snap
    line = line_width(cv, 6.0)
    if cv.w <= 16:
        # Whole pixels: a one-pixel frame round a 12 by 7 screen, a short neck and a foot.
        bezel = RRect(0, 16, 256, 192, 24)
        cv.fill(RRect(112, 184, 144, 216), ICON_LINE)
        cv.fill(RRect(48, 208, 208, 240, 12), ICON_LINE)
        cv.fill(RRect(64, 208, 192, 224), '#9aa3ad')
        cv.fill(bezel, ICON_LINE)
        cv.fill(bezel, '#4b525b', grow=-line)
        screen = RRect(32, 48, 224, 160)
        cv.fill(screen, linear((32, 48), '#5cb6f7', (224, 160), '#1559b0'))
        return screen
    x0, y0, x1, y1 = [sn(v) for v in box]
    cx = sn((x0 + x1) / 2)
    if cv.w >= 48:
        cv.fill(Ellipse(cx, y1 + 50, 84, 10), (0, 0, 0), alpha=0.22, soft=12 * cv.k)
    neck = Poly([(cx - 20, y1 - 4), (cx + 20, y1 - 4), (cx + 28, y1 + 32), (cx - 28, y1 + 32)])
    base = RRect(sn(cx - 56), sn(y1 + 26), sn(cx + 56), sn(y1 + 44), 8)
    for s in (neck, base):
        cv.fill(s, ICON_LINE)
    cv.fill(neck, linear((cx - 30, 0), '#c9d0d7', (cx + 30, 0), '#7c8590'), grow=-line)
    cv.fill(base, linear((0, y1 + 26), '#d7dde3', (0, y1 + 44), '#858e98'), grow=-line)
    bezel = RRect(x0, y0, x1, y1, 16)
    cv.fill(bezel, ICON_LINE)
    cv.fill(bezel, linear((0, y0), '#59606a', (0, y1), '#2f343a'), grow=-line)
    inset = max(14.0, cv.px(1.0) + line)
    screen = RRect(sn(x0 + inset), sn(y0 + inset), sn(x1 - inset), sn(y1 - inset - 4), 3)
    cv.fill(screen, linear((x0, y0), '#5cb6f7', (x1, y1), '#1559b0'))
    gloss = Inter(screen, Poly([(x0, y0), (x1 - 60, y0), (x0 + 40, y1), (x0, y1)]))
    cv.fill(gloss, (1, 1, 1), alpha=0.16)
    if cv.w >= 48:
        cv.fill(Circle((x0 + x1) / 2, y1 - 9, 3.5), '#6fe07a')
    return screen


def draw_ripple(cv, screen, centre, radii, width):
    for n, r in enumerate(radii):
        cv.fill(Inter(Ring(centre[0], centre[1], r, width), screen), (1, 1, 1),
                alpha=0.9 - 0.3 * n)


def arrow(x, y0, y1, shaft, head, head_len):
    """A vertical arrow from y0 to its point at y1."""
    d = 1 if y1 > y0 else -1
    yb = y1 - d * head_len
    return Poly([(x - shaft / 2, y0), (x + shaft / 2, y0), (x + shaft / 2, yb), (x + head / 2, yb),
                 (x, y1), (x - head / 2, yb), (x - shaft / 2, yb)])


# The icons (designed on 256 units).

def icon_canvas(size):
    return Canvas(size, size, size / 256.0)


def draw_applet(cv):
    screen = draw_monitor(cv)
    if cv.w <= 16:
        draw_hand(cv, (152, 64), 0.0, 1.0)
        return
    tip = (140, 106)
    if cv.w >= 32:
        draw_ripple(cv, screen, tip, (22, 40) if cv.w >= 64 else (24,), line_width(cv, 5.0))
    draw_hand(cv, tip, -0.28, 0.95 if cv.w >= 32 else 1.05)


def draw_windows_touch(cv):
    sn = cv.snap
    line = line_width(cv, 6.0)
    if cv.w <= 16:
        box, screen, tip, radii = RRect(0, 32, 256, 224, 32), RRect(32, 64, 224, 192), (120, 96), (40,)
    else:
        box = RRect(sn(10), sn(34), sn(246), sn(206), 22)
        inset = max(20.0, cv.px(1.0) + line)
        screen = RRect(sn(10 + inset), sn(34 + inset), sn(246 - inset), sn(206 - inset), 3)
        tip, radii = (112, 112), (26, 50, 74) if cv.w >= 48 else (28, 56)
    cv.fill(box, ICON_LINE)
    cv.fill(box, linear((0, 34), '#4b525b', (0, 206), '#24282d'), grow=-line)
    cv.fill(screen, linear((10, 34), '#7fd0ff', (246, 206), '#1b6cc4'))
    draw_ripple(cv, screen, (tip[0], tip[1] + 8), radii, line_width(cv, 8.0))
    draw_hand(cv, tip, -0.2, 0.98 if cv.w >= 48 else 1.1)


def draw_mouse(cv):
    line = line_width(cv, 7.0)
    if cv.w <= 16:
        # A one-pixel cable and split lines on pixel centres.
        cx, body, split_y = 136, Ellipse(136, 150, 76, 102), 120
        cv.fill(Capsule(cx, -8, cx, 56, 8), '#3b4148')
    else:
        cx, body, split_y = 128, Ellipse(128, 152, 70, 98), 132
        cable = [(128, 64), (128, 40), (140, 20), (168, 14), (200, 16), (236, 8)]
        for a, b in zip(cable, cable[1:]):
            cv.fill(Capsule(a[0], a[1], b[0], b[1], max(5.0, cv.px(0.6))), '#3b4148')
    cv.fill(body, ICON_LINE)
    cv.fill(body, linear((70, 60), '#ffffff', (200, 250), '#aeb7c1'), grow=-line)
    left = Inter(Poly([(0, 0), (cx, 0), (cx, split_y), (0, split_y)]), body)
    cv.fill(left, '#7fb6ef', grow=-line, alpha=0.45)
    split = Inter(Union(Capsule(0, split_y, 256, split_y, line / 2), Capsule(cx, 0, cx, split_y, line / 2)), body)
    cv.fill(split, ICON_LINE)
    if cv.w >= 32:
        wheel = RRect(cx - 14, 74, cx + 14, 118, 14)
        cv.fill(wheel, ICON_LINE)
        cv.fill(wheel, '#9aa3ad', grow=-line)


def draw_click(cv, pressed):
    sn = cv.snap
    line = line_width(cv, 6.0)
    if cv.w <= 16:
        cv.fill(RRect(0, 224, 256, 256), '#1b61b8')
        cv.fill(RRect(0, 224, 256, 240), '#69bdf8')
        draw_hand(cv, (232, 224) if pressed else (232, 176), math.pi, 1.0)
        cv.fill(arrow(56, 32, 208, 48, 112, 64) if pressed else arrow(56, 208, 16, 48, 112, 64), '#23932d')
        return
    pad = RRect(sn(8), sn(206), sn(248), sn(240), 8)
    cv.fill(pad, ICON_LINE)
    cv.fill(pad, linear((0, 206), '#69bdf8', (0, 240), '#1b61b8'), grow=-line)
    tip = (176, 210) if pressed else (176, 160)
    if pressed:
        cv.fill(Inter(Ellipse(tip[0], 214, 46, 10), RRect(8, 206, 248, 240)), (1, 1, 1),
                alpha=0.9, grow=-line)
    draw_hand(cv, tip, math.pi, 0.92 if cv.w >= 48 else 1.0)
    shaft, head = max(30.0, cv.px(3.0)), max(78.0, cv.px(7.0))
    a = arrow(44, 40, 186, shaft, head, 60) if pressed else arrow(44, 186, 34, shaft, head, 60)
    cv.fill(a, '#1d6b2a')
    cv.fill(a, linear((0, 30), '#73d86f', (0, 190), '#2c9a34'), grow=-line)


def draw_calibration(cv):
    screen = draw_monitor(cv)
    red = '#e3262b'
    if cv.w <= 16:
        # Lines through pixel centres and a square ring, so nothing blurs at this size.
        cv.fill(Diff(RRect(96, 64, 176, 144, 20), RRect(112, 80, 160, 128)), red)
        cv.fill(Union(Capsule(56, 104, 216, 104, 8), Capsule(136, 48, 136, 160, 8)), red)
        return
    x0, y0, x1, y1 = screen.bbox
    cx, cy = cv.snap((x0 + x1) / 2) + cv.px(0.5), cv.snap((y0 + y1) / 2) + cv.px(0.5)
    w = line_width(cv, 8.0)
    halo = line_width(cv, 6.0)
    cross = Union(Capsule(cx - 62, cy, cx + 62, cy, w / 2), Capsule(cx, cy - 50, cx, cy + 50, w / 2))
    ring = Ring(cx, cy, 30, w)
    for s in (cross, ring):
        cv.fill(Inter(s, screen), (1, 1, 1), grow=halo)
    cv.fill(Inter(cross, screen), red)
    cv.fill(ring, red)
    if cv.w >= 48:
        cv.fill(Circle(cx, cy, 7), (1, 1, 1))


def draw_beep(cv):
    line = line_width(cv, 7.0)
    box = RRect(16, 96, 64, 160, 6)
    cone = Poly([(56, 96), (112, 48), (112, 208), (56, 160)])
    for s in (box, cone):
        cv.fill(s, ICON_LINE)
    cv.fill(box, linear((0, 94), '#8c96a1', (0, 162), '#4a525b'), grow=-line)
    cv.fill(cone, linear((62, 0), '#c3cbd3', (124, 0), '#6b7580'), grow=-line)
    if cv.w <= 16:
        for r in (56, 100):
            cv.fill(Arc(104, 128, r, 26, 0.0, 0.75), '#1f6fc8')
        return
    for r in (48, 82, 116) if cv.w >= 48 else (52, 96):
        arc = Arc(104, 128, r, max(17.0, cv.px(2.0)), 0.0, 0.72)
        cv.fill(arc, '#164f95')
        cv.fill(arc, linear((110, 0), '#6ec0ff', (240, 0), '#2a7fd6'), grow=-line)


# The test graphic: a glass pane breaking (48 x 48 pixels).

PANE = RRect(5, 5, 43, 43)
HOLE = '#3a434c'
CRACK = '#6a7a87'


def glass_paint(x, y):
    c = mix(rgb('#dce8f0'), rgb('#a7bccb'), clamp((x + y) / 90.0))
    band = 0.55 * math.exp(-((x + y - 30) / 5.5) ** 2) + 0.3 * math.exp(-((x + y - 43) / 2.2) ** 2)
    return mix(c, (1.0, 1.0, 1.0), band)


def draw_frame(cv):
    frame = Diff(RRect(0, 0, 48, 48), RRect(5, 5, 43, 43))
    cv.fill(frame, linear((0, 0), '#c6cdd4', (48, 48), '#6f7882'))
    cv.fill(Diff(RRect(0, 0, 48, 48), RRect(1, 1, 47, 47)), '#3f464e')
    cv.fill(Diff(RRect(4, 4, 44, 44), RRect(5, 5, 43, 43)), '#4b545d')
    cv.fill(RRect(1, 1, 47, 2), (1, 1, 1), alpha=0.5)


def crack_geometry(rnd):
    """Radial cracks from the impact point and two rings of cross cracks, as shards."""
    px, py = 21.5, 24.5
    n = 7
    base = rnd.uniform(0, 2 * math.pi)
    angles = [base + i * 2 * math.pi / n + rnd.uniform(-0.28, 0.28) for i in range(n)]
    radials = []
    for a in angles:
        pts = [(px, py)]
        for r in (rnd.uniform(5.0, 7.0), rnd.uniform(11.5, 14.5), rnd.uniform(19.0, 23.0), 46.0):
            t = a + rnd.uniform(-0.13, 0.13)
            pts.append((px + r * math.cos(t), py + r * math.sin(t)))
        radials.append(pts)

    def between(i, ring, r):
        a0 = angles[i]
        a1 = angles[(i + 1) % n] + (2 * math.pi if i == n - 1 else 0)
        t = (a0 + a1) / 2 + rnd.uniform(-0.1, 0.1)
        return (px + r * math.cos(t), py + r * math.sin(t))

    cells = []
    for i in range(n):
        a, b = radials[i], radials[(i + 1) % n]
        m1 = between(i, 1, rnd.uniform(5.5, 7.5))
        m2 = between(i, 2, rnd.uniform(12.0, 15.0))
        far = between(i, 4, 60.0)
        cells.append(('inner', [a[0], a[1], m1, b[1]]))
        cells.append(('middle', [a[1], a[2], m2, b[2], b[1], m1]))
        cells.append(('outer', [a[2], a[3], a[4], far, b[4], b[3], b[2], m2]))
    return (px, py), radials, cells


def polyline_part(pts, length):
    """The first length units of a polyline."""
    out = [pts[0]]
    for a, b in zip(pts, pts[1:]):
        seg = math.hypot(b[0] - a[0], b[1] - a[1])
        if seg >= length:
            t = length / seg
            out.append((a[0] + (b[0] - a[0]) * t, a[1] + (b[1] - a[1]) * t))
            return out
        out.append(b)
        length -= seg
    return out


def draw_crack_lines(cv, pts, width=0.45):
    for a, b in zip(pts, pts[1:]):
        cv.fill(Inter(Capsule(a[0] + 0.6, a[1] + 0.6, b[0] + 0.6, b[1] + 0.6, width * 0.8), PANE),
                (1, 1, 1), alpha=0.7)
    for a, b in zip(pts, pts[1:]):
        cv.fill(Inter(Capsule(a[0], a[1], b[0], b[1], width), PANE), '#4a5966')


def draw_shard(cv, pts, dx=0.0, dy=0.0, turn=0.0, shade=1.0, gap=0.3, edge=None):
    cx = sum(p[0] for p in pts) / len(pts)
    cy = sum(p[1] for p in pts) / len(pts)
    shard = Moved(Poly([(x - cx, y - cy) for x, y in pts]), cx + dx, cy + dy, turn)
    base = local_paint(shard, lambda x, y: glass_paint(x + cx, y + cy))
    paint = base if shade == 1.0 else (lambda x, y: tuple(clamp(v * shade) for v in base(x, y)))
    clipped = Inter(shard, PANE)
    if edge:
        cv.fill(clipped, edge, grow=0.0)
        cv.fill(clipped, paint, grow=-0.8)
    else:
        cv.fill(clipped, paint, grow=-gap)


def jagged_remains(rnd):
    """What stays in the frame: glass along the edges, broken off in points, most in the corners."""
    x0, y0, x1, y1 = PANE.bbox
    corners = [(x0, y0), (x1, y0), (x1, y1), (x0, y1)]
    inner = []
    for c in range(4):
        (ax, ay), (bx, by) = corners[c], corners[(c + 1) % 4]
        nx, ny = (ay - by) / 38.0, (bx - ax) / 38.0   # inward normal for this winding
        depth = rnd.uniform(7.0, 11.0)
        inner.append((ax + (nx - ny) * depth, ay + (ny + nx) * depth))
        t = rnd.uniform(5.0, 8.0)
        while t < 33.0:
            depth = rnd.uniform(1.0, 3.0) if len(inner) % 2 else rnd.uniform(3.5, 8.5)
            inner.append((ax + (bx - ax) * t / 38 + nx * depth, ay + (by - ay) * t / 38 + ny * depth))
            t += rnd.uniform(2.5, 5.5)
    return Diff(PANE, Poly(inner)), inner


def draw_glass(stage):
    rnd = random.Random(1458)
    centre, radials, cells = crack_geometry(rnd)
    cv = Canvas(48, 48, 1.0, background=HOLE)
    if stage == 0:
        cv.fill(PANE, glass_paint)
    elif stage == 1:
        cv.fill(PANE, glass_paint)
        for pts in radials:
            draw_crack_lines(cv, polyline_part(pts, rnd.uniform(8.0, 17.0)))
        cv.fill(Circle(centre[0], centre[1], 1.8), (1, 1, 1), alpha=0.9)
    elif stage == 2:
        # The whole web of cracks; two pieces by the impact work loose, one has dropped out.
        cv.fill(PANE, CRACK)
        loose = {0: (0.8, 1.2, 0.12), 3: (-0.9, 1.4, -0.15)}
        for n, (kind, pts) in enumerate(cells):
            if kind == 'inner' and n // 3 in loose or kind == 'inner' and n // 3 == 5:
                cv.fill(Poly(pts), HOLE, grow=0.3)
        for n, (kind, pts) in enumerate(cells):
            if kind != 'inner' or n // 3 not in loose and n // 3 != 5:
                draw_shard(cv, pts)
        for i, (dx, dy, t) in loose.items():
            draw_shard(cv, cells[3 * i][1], dx, dy, t, shade=1.06, edge='#f2f8fb')
    elif stage == 3:
        # The middle falls apart: a few pieces still hang in the ring, the rest tumble down.
        for n, (kind, pts) in enumerate(cells):
            if kind == 'outer':
                draw_shard(cv, pts, 0.0, 0.8 if n // 3 % 3 == 1 else 0.0)
        hanging = (1, 4)
        for n, (kind, pts) in enumerate(cells):
            if kind == 'middle' and n // 3 in hanging:
                draw_shard(cv, pts, rnd.uniform(-0.6, 0.6), rnd.uniform(1.0, 2.0), rnd.uniform(-0.1, 0.1),
                           edge='#eef6fa')
        for n, (kind, pts) in enumerate(cells):
            i = n // 3
            if kind == 'outer' or kind == 'middle' and i in hanging or kind == 'inner' and i % 3 == 1:
                continue
            drop = rnd.uniform(5.0, 9.0) if kind == 'middle' else rnd.uniform(12.0, 17.0)
            draw_shard(cv, pts, rnd.uniform(-2.5, 2.5), drop, rnd.uniform(-0.7, 0.7),
                       shade=rnd.uniform(0.85, 1.1), edge='#eef6fa')
    else:
        remains, inner = jagged_remains(random.Random(1466))
        cv.fill(remains, '#eef6fa')
        cv.fill(remains, glass_paint, grow=-0.7)
        # A few cracks run from the broken points back to the frame.
        cx, cy = 24.0, 24.0
        for p in inner[2::5]:
            q = (p[0] + (p[0] - cx) * 0.5, p[1] + (p[1] - cy) * 0.5)
            cv.fill(Inter(Capsule(p[0], p[1], q[0], q[1], 0.35), remains), CRACK, alpha=0.8)
    draw_frame(cv)
    return cv


def draw_about():
    cv = Canvas(64, 64, 64 / 256.0, background='#ffffff')
    draw_applet(cv)
    return cv


# The sound.

RATE = 22050
SAMPLES = 11972


def make_sound():
    rnd = random.Random(1469)
    buf = [0.0] * SAMPLES
    # The crack: a bright noise burst with a few glassy resonances under it.
    prev = 0.0
    for i in range(int(0.09 * RATE)):
        t = i / RATE
        n = rnd.uniform(-1.0, 1.0)
        bright = n - prev
        prev = n
        env = math.exp(-t / 0.010) + 0.25 * math.exp(-t / 0.035)
        attack = min(1.0, t / 0.0006)
        buf[i] += 0.9 * bright * env * attack
    for f, a, tau in ((2350.0, 0.35, 0.05), (3720.0, 0.3, 0.04), (5480.0, 0.25, 0.03), (7830.0, 0.2, 0.02)):
        ph = rnd.uniform(0, 2 * math.pi)
        for i in range(int(6 * tau * RATE)):
            t = i / RATE
            buf[i] += a * math.sin(2 * math.pi * f * t + ph) * math.exp(-t / tau) * min(1.0, t / 0.001)
    # Falling fragments: short inharmonic pings, each with a tick of noise, thinning out.
    for _ in range(40):
        t0 = 0.012 + 0.46 * rnd.random() ** 1.6
        amp = 0.6 * math.exp(-t0 / 0.2) * rnd.uniform(0.35, 1.0)
        f = rnd.uniform(2600.0, 7800.0)
        tau = rnd.uniform(0.006, 0.03)
        start = int(t0 * RATE)
        partials = [(f * m, g, rnd.uniform(0, 2 * math.pi)) for m, g in ((1.0, 1.0), (2.76, 0.45), (5.40, 0.2))
                    if f * m < 10500.0]
        for i in range(min(int(6 * tau * RATE), SAMPLES - start)):
            t = i / RATE
            env = math.exp(-t / tau) * min(1.0, t / 0.0004)
            v = sum(g * math.sin(2 * math.pi * fm * t + ph) for fm, g, ph in partials)
            if i < 24:
                v += rnd.uniform(-1.0, 1.0) * (1 - i / 24.0)
            buf[start + i] += amp * env * v
    # Fade the last 60 ms out so the sound ends on silence.
    fade = int(0.06 * RATE)
    for i in range(fade):
        buf[SAMPLES - fade + i] *= 0.5 + 0.5 * math.cos(math.pi * (i + 1) / fade)
    peak = max(abs(v) for v in buf)
    norm = math.tanh(1.8)
    out = bytearray()
    for v in buf:
        # A gentle saturation keeps the crack loud and lifts the tinkling without hard clipping.
        s = math.tanh(1.8 * v / peak) / norm * 0.94
        out.append(max(1, min(255, 128 + int(round(s * 127)))))
    return bytes(out)


# File formats.

def quantize(px):
    """Index 0 stays black for transparent pixels; the opaque colours share the other 255."""
    counts = {}
    for r, g, b, a in px:
        if a >= 128:
            counts[(r, g, b)] = counts.get((r, g, b), 0) + 1
    boxes = [sorted(counts)]
    while len(boxes) < 255:
        best, score = None, 0.0
        for n, box in enumerate(boxes):
            if len(box) < 2:
                continue
            rng = max(max(c[ch] for c in box) - min(c[ch] for c in box) for ch in range(3))
            s = rng * math.sqrt(sum(counts[c] for c in box))
            if s > score:
                best, score = n, s
        if best is None:
            break
        box = boxes.pop(best)
        ch = max(range(3), key=lambda ch: max(c[ch] for c in box) - min(c[ch] for c in box))
        box.sort(key=lambda c: (c[ch], c))
        total, acc, cut = sum(counts[c] for c in box), 0, 1
        for n, c in enumerate(box):
            acc += counts[c]
            if acc * 2 >= total:
                cut = min(max(n + 1, 1), len(box) - 1)
                break
        boxes[best:best] = [box[:cut], box[cut:]]
    palette, index = [(0, 0, 0)], {}
    for box in boxes:
        w = sum(counts[c] for c in box)
        palette.append(tuple(int(round(sum(c[ch] * counts[c] for c in box) / w)) for ch in range(3)))
        for c in box:
            index[c] = len(palette) - 1
    palette += [(0, 0, 0)] * (256 - len(palette))
    return palette, [index[(r, g, b)] if a >= 128 else 0 for r, g, b, a in px]


def row_pad(data):
    return data + b'\0' * (-len(data) % 4)


def dib(size, bpp, px):
    """An icon image: BITMAPINFOHEADER, colours bottom-up, then the AND mask."""
    rows = [px[y * size:(y + 1) * size] for y in range(size - 1, -1, -1)]
    xor = bytearray()
    pal = b''
    if bpp == 8:
        palette, idx = quantize(px)
        pal = b''.join(struct.pack('<BBBB', b, g, r, 0) for r, g, b in palette)
        for y in range(size - 1, -1, -1):
            xor += row_pad(bytes(idx[y * size:(y + 1) * size]))
    else:
        for row in rows:
            line = bytearray()
            for r, g, b, a in row:
                if bpp == 32:
                    line += bytes((b, g, r, a)) if a else b'\0\0\0\0'
                else:
                    line += bytes((b, g, r)) if a >= 128 else b'\0\0\0'
            xor += row_pad(bytes(line))
    mask = bytearray()
    for row in rows:
        bits = bytearray((size + 7) // 8)
        for x, p in enumerate(row):
            if p[3] < 128:
                bits[x >> 3] |= 0x80 >> (x & 7)
        mask += row_pad(bytes(bits))
    head = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, bpp, 0, len(xor) + len(mask), 0, 0, 0, 0)
    return head + pal + bytes(xor) + bytes(mask)


def png(size, px):
    raw = b''.join(b'\0' + bytes(v for p in px[y * size:(y + 1) * size] for v in p) for y in range(size))

    def chunk(tag, data):
        return struct.pack('>I', len(data)) + tag + data + struct.pack('>I', zlib.crc32(tag + data))
    return (b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', size, size, 8, 6, 0, 0, 0))
            + chunk(b'IDAT', zlib.compress(raw, 9)) + chunk(b'IEND', b''))


def ico(images):
    """images: (size, bits, data) in directory order."""
    out = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, bpp, data in images:
        out += struct.pack('<BBBBHHII', size & 255, size & 255, 0, 0, 1, bpp, len(data), offset)
        offset += len(data)
    return out + b''.join(d for _, _, d in images)


def icon_file(draw, sizes, depths):
    pixels = {}
    for size in sizes:
        cv = icon_canvas(size)
        draw(cv)
        pixels[size] = cv.pixels()
    images = []
    for bpp in depths:
        for size in sizes:
            # The 256-pixel true-colour image goes in as PNG, as the system expects at that size.
            data = png(size, pixels[size]) if size == 256 and bpp == 32 else dib(size, bpp, pixels[size])
            images.append((size, bpp, data))
    return ico(images)


def bmp24(cv):
    px = cv.pixels()
    rows = b''.join(row_pad(bytes(v for r, g, b, _ in px[y * cv.w:(y + 1) * cv.w] for v in (b, g, r)))
                    for y in range(cv.h - 1, -1, -1))
    head = struct.pack('<2sIHHI', b'BM', 54 + len(rows), 0, 0, 54)
    info = struct.pack('<IiiHHIIiiII', 40, cv.w, cv.h, 1, 24, 0, len(rows), 2835, 2835, 0, 0)
    return head + info + rows


def wav(samples):
    fmt = struct.pack('<HHIIHH', 1, 1, RATE, RATE, 1, 8)
    body = b'WAVE' + b'fmt ' + struct.pack('<I', len(fmt)) + fmt + b'data' + struct.pack('<I', len(samples)) + samples
    return b'RIFF' + struct.pack('<I', len(body)) + body


def main():
    small = (16, 32, 48)
    files = {
        'applet.ico': lambda: icon_file(draw_applet, (16, 24, 32, 48, 64, 256), (32, 24, 8)),
        'windows_touch.ico': lambda: icon_file(draw_windows_touch, small, (32, 8)),
        'mouse.ico': lambda: icon_file(draw_mouse, small, (32, 8)),
        'click_on_touch.ico': lambda: icon_file(lambda cv: draw_click(cv, True), small, (32, 8)),
        'click_on_release.ico': lambda: icon_file(lambda cv: draw_click(cv, False), small, (32, 8)),
        'calibration.ico': lambda: icon_file(draw_calibration, small, (32, 8)),
        'beep.ico': lambda: icon_file(draw_beep, small, (32, 8)),
        'glass.bmp': lambda: bmp24(draw_glass(0)),
        'glass_cracked.bmp': lambda: bmp24(draw_glass(1)),
        'glass_breaking.bmp': lambda: bmp24(draw_glass(2)),
        'glass_shattered.bmp': lambda: bmp24(draw_glass(3)),
        'glass_broken.bmp': lambda: bmp24(draw_glass(4)),
        'about.bmp': lambda: bmp24(draw_about()),
        'brokenglass.wav': lambda: wav(make_sound()),
    }
    for name, make in files.items():
        with open(os.path.join(HERE, name), 'wb') as f:
            f.write(make())


if __name__ == '__main__':
    main()
