"""A tiny anti-aliased vector rasteriser for the program's pictures.

Shapes are signed distance functions (negative inside, in pixels); coverage
comes from the distance, so edges are smooth without supersampling, and a
larger `soft` gives blurred shadows and glows from the same shapes.
"""

import math
import struct


def clamp(v, lo=0.0, hi=1.0):
    return lo if v < lo else hi if v > hi else v


def mix(a, b, t):
    return tuple(a[i] + (b[i] - a[i]) * t for i in range(3))


def hexc(s):
    s = s.lstrip('#')
    return tuple(int(s[i:i + 2], 16) / 255.0 for i in (0, 2, 4))


def ramp(stops):
    """A colour function of t in [0, 1] through (t, colour) stops."""
    stops = [(t, hexc(c) if isinstance(c, str) else c) for t, c in stops]

    def at(t):
        if t <= stops[0][0]:
            return stops[0][1]
        for (t0, c0), (t1, c1) in zip(stops, stops[1:]):
            if t <= t1:
                return mix(c0, c1, (t - t0) / (t1 - t0) if t1 > t0 else 0.0)
        return stops[-1][1]
    return at


# Signed distance functions -------------------------------------------------

def rbox(cx, cy, hx, hy, r=0.0):
    def d(x, y):
        qx = abs(x - cx) - hx + r
        qy = abs(y - cy) - hy + r
        ox, oy = max(qx, 0.0), max(qy, 0.0)
        return math.hypot(ox, oy) + min(max(qx, qy), 0.0) - r
    return d, (cx - hx, cy - hy, cx + hx, cy + hy)


def rect(x0, y0, x1, y1, r=0.0):
    return rbox((x0 + x1) / 2, (y0 + y1) / 2, (x1 - x0) / 2, (y1 - y0) / 2, r)


def circle(cx, cy, r):
    return (lambda x, y: math.hypot(x - cx, y - cy) - r), (cx - r, cy - r, cx + r, cy + r)


def ellipse(cx, cy, a, b):
    def d(x, y):
        px, py = (x - cx) / a, (y - cy) / b
        k0 = math.hypot(px, py)
        k1 = math.hypot((x - cx) / (a * a), (y - cy) / (b * b))
        if k1 == 0:
            return -min(a, b)
        return k0 * (k0 - 1.0) / k1
    return d, (cx - a, cy - b, cx + a, cy + b)


def segment_dist2(x, y, ax, ay, bx, by):
    """Squared distance from (x, y) to the segment from a to b."""
    ex, ey = bx - ax, by - ay
    wx, wy = x - ax, y - ay
    ll = ex * ex + ey * ey
    t = clamp((wx * ex + wy * ey) / ll) if ll else 0.0
    dx, dy = wx - ex * t, wy - ey * t
    return dx * dx + dy * dy


def polygon(pts):
    n = len(pts)

    def d(x, y):
        best = float('inf')
        inside = False
        for i in range(n):
            ax, ay = pts[i]
            bx, by = pts[(i + 1) % n]
            best = min(best, segment_dist2(x, y, ax, ay, bx, by))
            if (ay > y) != (by > y) and x < ax + (y - ay) * (bx - ax) / (by - ay):
                inside = not inside
        s = math.sqrt(best)
        return -s if inside else s
    xs = [p[0] for p in pts]
    ys = [p[1] for p in pts]
    return d, (min(xs), min(ys), max(xs), max(ys))


def polyline(pts, width):
    """A thick line along the points, round caps."""
    r = width / 2.0
    segs = list(zip(pts, pts[1:]))

    def d(x, y):
        best = float('inf')
        for (ax, ay), (bx, by) in segs:
            best = min(best, segment_dist2(x, y, ax, ay, bx, by))
        return math.sqrt(best) - r
    xs = [p[0] for p in pts]
    ys = [p[1] for p in pts]
    return d, (min(xs) - r, min(ys) - r, max(xs) + r, max(ys) + r)


def bezier(p0, p1, p2, p3, steps=40):
    out = []
    for i in range(steps + 1):
        t = i / steps
        u = 1 - t
        out.append(tuple(u * u * u * p0[k] + 3 * u * u * t * p1[k] + 3 * u * t * t * p2[k] +
                         t * t * t * p3[k] for k in (0, 1)))
    return out


def intersect(a, b):
    (da, ba), (db, bb) = a, b
    box = (max(ba[0], bb[0]), max(ba[1], bb[1]), min(ba[2], bb[2]), min(ba[3], bb[3]))
    return (lambda x, y: max(da(x, y), db(x, y))), box


def subtract(a, b):
    (da, ba), (db, _) = a, b
    return (lambda x, y: max(da(x, y), -db(x, y))), ba


# Canvas --------------------------------------------------------------------

class Canvas:
    def __init__(self, w, h, colour=(1.0, 1.0, 1.0)):
        self.w, self.h = w, h
        self.px = [list(colour) for _ in range(w * h)]

    def fill(self, shape, colour, soft=1.0, alpha=1.0, grow=0.0):
        """Paints the shape. `colour` is an RGB tuple or a function (x, y) ->
        RGB. `soft` is the width of the edge ramp in pixels (1 = crisp
        anti-aliasing); `grow` widens the shape outward."""
        sdf, (x0, y0, x1, y1) = shape
        pad = soft + grow + 1
        xa, ya = max(0, int(x0 - pad)), max(0, int(y0 - pad))
        xb, yb = min(self.w, int(x1 + pad) + 2), min(self.h, int(y1 + pad) + 2)
        fn = colour if callable(colour) else None
        for y in range(ya, yb):
            row = y * self.w
            fy = y + 0.5
            for x in range(xa, xb):
                fx = x + 0.5
                d = sdf(fx, fy) - grow
                a = clamp(0.5 - d / soft) * alpha
                if a <= 0.0:
                    continue
                c = fn(fx, fy) if fn else colour
                p = self.px[row + x]
                p[0] += (c[0] - p[0]) * a
                p[1] += (c[1] - p[1]) * a
                p[2] += (c[2] - p[2]) * a

    def shade(self, fn):
        """Applies fn(x, y, rgb) -> rgb to every pixel."""
        for y in range(self.h):
            for x in range(self.w):
                i = y * self.w + x
                self.px[i] = list(fn(x + 0.5, y + 0.5, self.px[i]))

    def save_ppm(self, path):
        with open(path, 'wb') as f:
            f.write(b'P6 %d %d 255\n' % (self.w, self.h))
            f.write(bytes(int(clamp(c) * 255 + 0.5) for p in self.px for c in p))
