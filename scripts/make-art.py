#!/usr/bin/env python3
"""Generate the Lumivex artwork: splash banners, corner emblem and icon.

Usage: python3 scripts/make-art.py OUTDIR

Writes into OUTDIR:
  splash2.bmp   400 x 119, 8 bpp   large splash banner
  splash1.bmp   305 x  81, 8 bpp   small splash banner
  corner.bmp     90 x  80, 8 bpp   corner emblem
  lumicon.ico    32 x  32, 32 bpp  application icon (BGRA + AND mask)

Everything is drawn procedurally with the standard library only.  The output
is deterministic: the only "randomness" is a fixed-seed xorshift generator,
and no timestamps are written anywhere, so every run produces byte-identical
files.  After writing, the files are read back and their headers are checked;
the script exits non-zero if anything is inconsistent.

All three bitmaps share one 256-colour palette, so they look right even on
an 8-bit display where a single palette is realised for everything.  About
150 entries are hand-designed ramps (night sky, starlight, glow, title
lavender, greys); the remaining slots are filled by a deterministic median
cut over the colours of the finished pictures that those ramps do not cover
well (mostly light mixing over the sky).  Pixels are mapped to the nearest
entry with a light 4x4 ordered dither to hide any remaining steps.
"""

import math
import os
import struct
import sys

# ---------------------------------------------------------------------------
# Deterministic pseudo-random numbers (xorshift32, fixed seeds).
# ---------------------------------------------------------------------------


class Rng:
    def __init__(self, seed):
        self.state = (seed & 0xFFFFFFFF) or 0x9E3779B9

    def next_u32(self):
        x = self.state
        x ^= (x << 13) & 0xFFFFFFFF
        x ^= x >> 17
        x ^= (x << 5) & 0xFFFFFFFF
        self.state = x
        return x

    def uniform(self):
        return self.next_u32() / 4294967296.0

    def range(self, lo, hi):
        return lo + (hi - lo) * self.uniform()


# ---------------------------------------------------------------------------
# Small helpers.
# ---------------------------------------------------------------------------


def clamp01(v):
    return 0.0 if v < 0.0 else (1.0 if v > 1.0 else v)


def smoothstep(e0, e1, x):
    t = clamp01((x - e0) / (e1 - e0))
    return t * t * (3.0 - 2.0 * t)


def lerp(a, b, t):
    return a + (b - a) * t


def lerp3(c0, c1, t):
    return (lerp(c0[0], c1[0], t), lerp(c0[1], c1[1], t), lerp(c0[2], c1[2], t))


def ramp_at(stops, t):
    """Piecewise-linear colour ramp; stops = [(pos, (r, g, b)), ...]."""
    if t <= stops[0][0]:
        return stops[0][1]
    for (p0, c0), (p1, c1) in zip(stops, stops[1:]):
        if t <= p1:
            return lerp3(c0, c1, (t - p0) / (p1 - p0))
    return stops[-1][1]


def rgb(r, g, b):
    """Colour from 0..255 integers to 0..1 floats."""
    return (r / 255.0, g / 255.0, b / 255.0)


# ---------------------------------------------------------------------------
# Colours of the Lumivex look.
# ---------------------------------------------------------------------------

SKY_STOPS = [
    (0.00, rgb(2, 3, 12)),
    (0.25, rgb(7, 11, 40)),
    (0.50, rgb(20, 20, 78)),
    (0.72, rgb(48, 28, 108)),
    (0.88, rgb(80, 36, 130)),
    (1.00, rgb(112, 46, 148)),
]

GLOW_STOPS = [
    (0.00, rgb(112, 46, 148)),
    (0.20, rgb(176, 72, 170)),
    (0.40, rgb(232, 108, 160)),
    (0.58, rgb(255, 152, 124)),
    (0.74, rgb(255, 200, 132)),
    (0.88, rgb(255, 234, 196)),
    (1.00, rgb(255, 255, 250)),
]

STARLIGHT = rgb(236, 238, 255)
LAVENDER = rgb(196, 184, 246)
GOLD = rgb(255, 206, 138)
HALO_PINK = rgb(222, 96, 190)
HALO_GOLD = rgb(255, 176, 104)
CORE_WHITE = rgb(255, 250, 236)


def sky(t):
    return ramp_at(SKY_STOPS, clamp01(t))


# ---------------------------------------------------------------------------
# The shared 256-colour palette.
# ---------------------------------------------------------------------------

# Weights of the colour distance (green matters most to the eye, blue least).
WR, WG, WB = 3, 4, 2


def to_byte(v):
    v = int(v * 255.0 + 0.5)
    return 0 if v < 0 else (255 if v > 255 else v)


def designed_ramps():
    """The fixed part of the palette: ramps the pictures are built from."""
    pal = []

    def add(c):
        q = (to_byte(c[0]), to_byte(c[1]), to_byte(c[2]))
        if q not in pal:
            pal.append(q)

    add((0.0, 0.0, 0.0))
    add((1.0, 1.0, 1.0))
    # Night sky: the dominant ramp, kept dense so gradients stay smooth.
    for i in range(64):
        add(sky(i / 63.0))
    # Starlight over the sky.
    for i in range(5):
        base = sky(i / 4.0)
        for a in (0.15, 0.35, 0.6, 0.85):
            add(lerp3(base, STARLIGHT, a))
    # Glow: violet through pink and gold to white-hot.
    for i in range(40):
        add(ramp_at(GLOW_STOPS, i / 39.0))
    # Title gradient from white to lavender.
    for i in range(8):
        add(lerp3((1.0, 1.0, 1.0), LAVENDER, i / 7.0))
    # Neutral greys.
    for i in range(1, 16):
        g = i / 16.0
        add((g, g, g))
    return pal


class NearestIndex:
    """Nearest-palette-entry search.

    Colour space is cut into 16x16x16 cells; for each cell (computed lazily)
    only the entries that can possibly be nearest to some colour inside it are
    kept, so a lookup scans a handful of candidates instead of 256.
    """

    def __init__(self, palette):
        self.palette = list(palette)
        self.cells = {}
        self.cache = {}

    def _candidates(self, cell):
        ci, cj, ck = cell >> 8, (cell >> 4) & 15, cell & 15
        lo = (ci * 16, cj * 16, ck * 16)
        hi = (lo[0] + 15, lo[1] + 15, lo[2] + 15)
        mins = []
        best_max = 1 << 30
        for idx, (r, g, b) in enumerate(self.palette):
            dmin = 0
            dmax = 0
            for v, l, h, wt in ((r, lo[0], hi[0], WR), (g, lo[1], hi[1], WG), (b, lo[2], hi[2], WB)):
                if v < l:
                    e = l - v
                elif v > h:
                    e = v - h
                else:
                    e = 0
                dmin += wt * e * e
                f = v - l if v - l > h - v else h - v
                dmax += wt * f * f
            mins.append((dmin, idx))
            if dmax < best_max:
                best_max = dmax
        return [idx for (dmin, idx) in mins if dmin <= best_max]

    def nearest(self, r, g, b):
        key = (r << 16) | (g << 8) | b
        hit = self.cache.get(key)
        if hit is not None:
            return hit
        cell = ((r >> 4) << 8) | ((g >> 4) << 4) | (b >> 4)
        cands = self.cells.get(cell)
        if cands is None:
            cands = self._candidates(cell)
            self.cells[cell] = cands
        pal = self.palette
        best = cands[0]
        best_d = 1 << 30
        for idx in cands:
            p = pal[idx]
            dr = p[0] - r
            dg = p[1] - g
            db = p[2] - b
            d = WR * dr * dr + WG * dg * dg + WB * db * db
            if d < best_d:
                best_d = d
                best = idx
        self.cache[key] = best
        return best

    def distance(self, r, g, b):
        p = self.palette[self.nearest(r, g, b)]
        dr = p[0] - r
        dg = p[1] - g
        db = p[2] - b
        return WR * dr * dr + WG * dg * dg + WB * db * db


def median_cut(colours, n_boxes):
    """Deterministic weighted median cut; colours = [((r, g, b), weight), ...]."""
    if not colours or n_boxes <= 0:
        return []

    def stats(box):
        tw = 0.0
        s = [0.0, 0.0, 0.0]
        q = [0.0, 0.0, 0.0]
        for c, wt in box:
            tw += wt
            for k in range(3):
                s[k] += c[k] * wt
                q[k] += c[k] * c[k] * wt
        var = [(q[k] - s[k] * s[k] / tw) * (WR, WG, WB)[k] for k in range(3)]
        return tw, var

    boxes = [sorted(colours)]
    while len(boxes) < n_boxes:
        best = None
        for bi, box in enumerate(boxes):
            if len(box) < 2:
                continue
            tw, var = stats(box)
            score = max(var)
            if best is None or score > best[0]:
                best = (score, bi, var.index(max(var)))
        if best is None or best[0] <= 0.0:
            break
        _, bi, ch = best
        box = sorted(boxes.pop(bi), key=lambda cw: (cw[0][ch], cw[0]))
        total = sum(wt for _, wt in box)
        acc = 0.0
        cut = 1
        for j, (_, wt) in enumerate(box):
            acc += wt
            if acc >= total / 2.0:
                cut = j + 1
                break
        cut = min(max(cut, 1), len(box) - 1)
        boxes.insert(bi, box[cut:])
        boxes.insert(bi, box[:cut])
    out = []
    for box in boxes:
        tw = sum(wt for _, wt in box)
        out.append(tuple(int(sum(c[k] * wt for c, wt in box) / tw + 0.5) for k in range(3)))
    return out


def build_palette(canvases):
    """Designed ramps first; the free slots go to the colours the pictures use
    that the ramps do not cover well (light mixing over the sky, mostly)."""
    pal = designed_ramps()
    index = NearestIndex(pal)
    counts = {}
    for cv in canvases:
        for i in range(cv.w * cv.h):
            key = (to_byte(cv.r[i]), to_byte(cv.g[i]), to_byte(cv.b[i]))
            counts[key] = counts.get(key, 0) + 1
    residual = []
    for c in sorted(counts):
        d = index.distance(c[0], c[1], c[2])
        if d > 9 * 9:
            residual.append((c, counts[c] * math.sqrt(d)))
    for c in median_cut(residual, 256 - len(pal)):
        if c not in pal:
            pal.append(c)
    if len(pal) > 256:
        raise SystemExit("make-art: palette overflow (%d colours)" % len(pal))
    while len(pal) < 256:
        pal.append((0, 0, 0))
    return pal


class Quantizer:
    """Maps float RGB to palette indices, with light ordered dithering."""

    BAYER = (
        (0, 8, 2, 10),
        (12, 4, 14, 6),
        (3, 11, 1, 9),
        (15, 7, 13, 5),
    )

    def __init__(self, palette, amplitude=4.0):
        self.index = NearestIndex(palette)
        self.offsets = [
            [(self.BAYER[y][x] + 0.5) / 16.0 * amplitude - amplitude / 2.0 for x in range(4)]
            for y in range(4)
        ]

    def quantize(self, canvas):
        w, h = canvas.w, canvas.h
        rows = []
        R, G, B = canvas.r, canvas.g, canvas.b
        nearest = self.index.nearest
        for y in range(h):
            offs = self.offsets[y & 3]
            row = bytearray(w)
            base = y * w
            for x in range(w):
                i = base + x
                o = offs[x & 3] + 0.5
                r = int(R[i] * 255.0 + o)
                g = int(G[i] * 255.0 + o)
                b = int(B[i] * 255.0 + o)
                r = 0 if r < 0 else (255 if r > 255 else r)
                g = 0 if g < 0 else (255 if g > 255 else g)
                b = 0 if b < 0 else (255 if b > 255 else b)
                row[x] = nearest(r, g, b)
            rows.append(bytes(row))
        return rows


# ---------------------------------------------------------------------------
# Float RGB canvas.
# ---------------------------------------------------------------------------


class Canvas:
    def __init__(self, w, h):
        self.w = w
        self.h = h
        n = w * h
        self.r = [0.0] * n
        self.g = [0.0] * n
        self.b = [0.0] * n

    def fill_with(self, fn):
        w = self.w
        for y in range(self.h):
            for x in range(w):
                c = fn(x + 0.5, y + 0.5)
                i = y * w + x
                self.r[i], self.g[i], self.b[i] = c

    def blend(self, i, c, a):
        if a <= 0.0:
            return
        if a >= 1.0:
            self.r[i], self.g[i], self.b[i] = c
            return
        self.r[i] += (c[0] - self.r[i]) * a
        self.g[i] += (c[1] - self.g[i]) * a
        self.b[i] += (c[2] - self.b[i]) * a

    def darken(self, i, a):
        k = 1.0 - a
        self.r[i] *= k
        self.g[i] *= k
        self.b[i] *= k

    def add_light(self, i, c, a):
        """Add light and roll it off softly instead of clipping hard."""
        self.r[i] = soft_clip(self.r[i] + c[0] * a)
        self.g[i] = soft_clip(self.g[i] + c[1] * a)
        self.b[i] = soft_clip(self.b[i] + c[2] * a)


def soft_clip(v, knee=0.8):
    if v <= knee:
        return v
    span = 1.0 - knee
    return knee + span * (1.0 - math.exp(-(v - knee) / span))


def box_blur(mask, w, h, radius, passes=3):
    """Separable box blur, repeated to approximate a Gaussian."""
    if radius <= 0:
        return list(mask)
    cur = list(mask)
    norm = 1.0 / (2 * radius + 1)
    for _ in range(passes):
        tmp = [0.0] * (w * h)
        for y in range(h):
            base = y * w
            row = cur[base:base + w]
            acc = 0.0
            for k in range(-radius, radius + 1):
                if 0 <= k < w:
                    acc += row[k]
            for x in range(w):
                tmp[base + x] = acc * norm
                out = x - radius
                inn = x + radius + 1
                if 0 <= out < w:
                    acc -= row[out]
                if inn < w:
                    acc += row[inn]
        out_mask = [0.0] * (w * h)
        for x in range(w):
            acc = 0.0
            for k in range(-radius, radius + 1):
                if 0 <= k < h:
                    acc += tmp[k * w + x]
            for y in range(h):
                out_mask[y * w + x] = acc * norm
                o = y - radius
                n = y + radius + 1
                if 0 <= o < h:
                    acc -= tmp[o * w + x]
                if n < h:
                    acc += tmp[n * w + x]
        cur = out_mask
    return cur


# ---------------------------------------------------------------------------
# A 5x7 capital font, drawn by hand for Lumivex.
# ---------------------------------------------------------------------------

FONT_SRC = {
    "A": ".###. #...# #...# ##### #...# #...# #...#",
    "B": "####. #...# #...# ####. #...# #...# ####.",
    "C": ".###. #...# #.... #.... #.... #...# .###.",
    "D": "####. #...# #...# #...# #...# #...# ####.",
    "E": "##### #.... #.... ####. #.... #.... #####",
    "F": "##### #.... #.... ####. #.... #.... #....",
    "G": ".###. #...# #.... #.### #...# #...# .####",
    "H": "#...# #...# #...# ##### #...# #...# #...#",
    "I": ".###. ..#.. ..#.. ..#.. ..#.. ..#.. .###.",
    "J": "..### ...#. ...#. ...#. ...#. #..#. .##..",
    "K": "#...# #..#. #.#.. ##... #.#.. #..#. #...#",
    "L": "#.... #.... #.... #.... #.... #.... #####",
    "M": "#...# ##.## #.#.# #.#.# #...# #...# #...#",
    "N": "#...# #...# ##..# #.#.# #..## #...# #...#",
    "O": ".###. #...# #...# #...# #...# #...# .###.",
    "P": "####. #...# #...# ####. #.... #.... #....",
    "Q": ".###. #...# #...# #...# #.#.# #..#. .##.#",
    "R": "####. #...# #...# ####. #.#.. #..#. #...#",
    "S": ".#### #.... #.... .###. ....# ....# ####.",
    "T": "##### ..#.. ..#.. ..#.. ..#.. ..#.. ..#..",
    "U": "#...# #...# #...# #...# #...# #...# .###.",
    "V": "#...# #...# #...# #...# #...# .#.#. ..#..",
    "W": "#...# #...# #...# #.#.# #.#.# #.#.# .#.#.",
    "X": "#...# #...# .#.#. ..#.. .#.#. #...# #...#",
    "Y": "#...# #...# .#.#. ..#.. ..#.. ..#.. ..#..",
    "Z": "##### ....# ...#. ..#.. .#... #.... #####",
    "0": ".###. #...# #..## #.#.# ##..# #...# .###.",
    "1": "..#.. .##.. ..#.. ..#.. ..#.. ..#.. .###.",
    "2": ".###. #...# ....# ...#. ..#.. .#... #####",
    "3": "##### ...#. ..#.. ...#. ....# #...# .###.",
    "4": "...#. ..##. .#.#. #..#. ##### ...#. ...#.",
    "5": "##### #.... ####. ....# ....# #...# .###.",
    "6": "..##. .#... #.... ####. #...# #...# .###.",
    "7": "##### ....# ...#. ..#.. .#... .#... .#...",
    "8": ".###. #...# #...# .###. #...# #...# .###.",
    "9": ".###. #...# #...# .#### ....# ...#. .##..",
    ".": "..... ..... ..... ..... ..... .##.. .##..",
    ",": "..... ..... ..... ..... .##.. ..#.. .#...",
    "-": "..... ..... ..... ##### ..... ..... .....",
    "!": "..#.. ..#.. ..#.. ..#.. ..#.. ..... ..#..",
    ":": "..... .##.. .##.. ..... .##.. .##.. .....",
    "/": "....# ....# ...#. ..#.. .#... #.... #....",
    " ": "..... ..... ..... ..... ..... ..... .....",
}

GLYPH_W = 5
GLYPH_H = 7


def _parse_font():
    font = {}
    for ch, src in FONT_SRC.items():
        rows = src.split()
        if len(rows) != GLYPH_H or any(len(r) != GLYPH_W for r in rows):
            raise SystemExit("make-art: bad glyph %r" % ch)
        font[ch] = [[c == "#" for c in r] for r in rows]
    return font


FONT = _parse_font()


def glyph_strokes(ch):
    """Turn a dot-matrix glyph into line segments between neighbouring dots.

    Orthogonal neighbours are joined; diagonal neighbours are joined only when
    they are not already connected through a corner, which turns the blocky
    matrix into clean, rounded strokes when scaled up.
    """
    bits = FONT[ch]

    def on(x, y):
        return 0 <= x < GLYPH_W and 0 <= y < GLYPH_H and bits[y][x]

    segs = []
    touched = set()
    for y in range(GLYPH_H):
        for x in range(GLYPH_W):
            if not on(x, y):
                continue
            links = []
            if on(x + 1, y):
                links.append((x + 1, y))
            if on(x, y + 1):
                links.append((x, y + 1))
            if on(x + 1, y + 1) and not on(x + 1, y) and not on(x, y + 1):
                links.append((x + 1, y + 1))
            if on(x - 1, y + 1) and not on(x - 1, y) and not on(x, y + 1):
                links.append((x - 1, y + 1))
            for (nx, ny) in links:
                segs.append((x, y, nx, ny))
                touched.add((x, y))
                touched.add((nx, ny))
    for y in range(GLYPH_H):
        for x in range(GLYPH_W):
            if on(x, y) and (x, y) not in touched:
                segs.append((x, y, x, y))
    return segs


def text_width(text, scale, tracking):
    n = len(text)
    return (n * (GLYPH_W + tracking) - tracking) * scale


def text_mask_smooth(w, h, text, x0, y0, scale, weight=0.5, tracking=1.0):
    """Anti-aliased coverage mask of text drawn with round strokes.

    weight is the stroke half-width in font dots (0.5 = dots touch).
    """
    mask = [0.0] * (w * h)
    r = weight * scale
    adv = (GLYPH_W + tracking) * scale
    for n, ch in enumerate(text):
        if ch == " ":
            continue
        gx = x0 + n * adv
        segs = []
        for (ax, ay, bx, by) in glyph_strokes(ch):
            sx0 = gx + (ax + 0.5) * scale
            sy0 = y0 + (ay + 0.5) * scale
            sx1 = gx + (bx + 0.5) * scale
            sy1 = y0 + (by + 0.5) * scale
            dx = sx1 - sx0
            dy = sy1 - sy0
            ll = dx * dx + dy * dy
            segs.append((sx0, sy0, dx, dy, 1.0 / ll if ll > 0 else 0.0))
        xa = max(0, int(gx - r - 1))
        xb = min(w, int(gx + GLYPH_W * scale + r + 2))
        ya = max(0, int(y0 - r - 1))
        yb = min(h, int(y0 + GLYPH_H * scale + r + 2))
        for py in range(ya, yb):
            cy = py + 0.5
            for px in range(xa, xb):
                cx = px + 0.5
                best = 1e9
                for (sx, sy, dx, dy, inv) in segs:
                    qx = cx - sx
                    qy = cy - sy
                    t = (qx * dx + qy * dy) * inv
                    if t < 0.0:
                        t = 0.0
                    elif t > 1.0:
                        t = 1.0
                    ex = qx - dx * t
                    ey = qy - dy * t
                    d = ex * ex + ey * ey
                    if d < best:
                        best = d
                cov = r - math.sqrt(best) + 0.5
                if cov > 0.0:
                    i = py * w + px
                    v = cov if cov < 1.0 else 1.0
                    if v > mask[i]:
                        mask[i] = v
    return mask


def text_mask_pixel(w, h, text, x0, y0, tracking=1):
    """Crisp 1:1 dot-matrix text (for small captions)."""
    mask = [0.0] * (w * h)
    adv = GLYPH_W + tracking
    for n, ch in enumerate(text):
        bits = FONT[ch]
        gx = x0 + n * adv
        for gy in range(GLYPH_H):
            for gxx in range(GLYPH_W):
                if bits[gy][gxx]:
                    px = gx + gxx
                    py = y0 + gy
                    if 0 <= px < w and 0 <= py < h:
                        mask[py * w + px] = 1.0
    return mask


# ---------------------------------------------------------------------------
# Scene elements.
# ---------------------------------------------------------------------------


def value_noise(seed, cells_x, cells_y):
    """Smooth value noise on a small lattice, sampled with smoothstep."""
    rng = Rng(seed)
    grid = [[rng.uniform() for _ in range(cells_x + 2)] for _ in range(cells_y + 2)]

    def sample(u, v):
        # u, v in 0..1
        fx = u * cells_x
        fy = v * cells_y
        ix = int(fx)
        iy = int(fy)
        tx = fx - ix
        ty = fy - iy
        tx = tx * tx * (3 - 2 * tx)
        ty = ty * ty * (3 - 2 * ty)
        a = lerp(grid[iy][ix], grid[iy][ix + 1], tx)
        b = lerp(grid[iy + 1][ix], grid[iy + 1][ix + 1], tx)
        return lerp(a, b, ty)

    return sample


def paint_sky(cv, seed, orb=None, tilt=0.25, lo=0.06, hi=0.92, nebula=0.06):
    """Night-sky gradient (navy at the top, violet low down) with a faint nebula."""
    w, h = cv.w, cv.h
    n1 = value_noise(seed, 6, 3)
    n2 = value_noise(seed + 17, 13, 5)

    def fn(x, y):
        u = x / w
        v = y / h
        t = lo + (hi - lo) * ((1.0 - tilt) * v + tilt * (1.0 - u) * v * 1.4)
        t += nebula * ((n1(u, v) - 0.5) * 1.4 + (n2(u, v) - 0.5) * 0.6)
        if orb is not None:
            ox, oy, rr = orb
            d2 = ((x - ox) ** 2 + (y - oy) ** 2) / (rr * rr)
            t += 0.18 * math.exp(-d2)
        return sky(t)

    cv.fill_with(fn)


def paint_stars(cv, seed, count, avoid=(), fade_bottom=0.35):
    """Scatter stars: mostly faint pin-pricks, a few brighter with glints."""
    rng = Rng(seed)
    w, h = cv.w, cv.h
    placed = 0
    tries = 0
    while placed < count and tries < count * 20:
        tries += 1
        x = rng.range(1.0, w - 1.0)
        y = rng.range(1.0, h - 1.0)
        u = rng.uniform()
        tint = rng.uniform()
        if any(ax0 <= x <= ax1 and ay0 <= y <= ay1 for (ax0, ay0, ax1, ay1) in avoid):
            continue
        placed += 1
        bright = 0.18 + 0.82 * u ** 3
        bright *= 1.0 - fade_bottom * (y / h)
        col = lerp3(STARLIGHT, rgb(255, 220, 200), 0.6) if tint > 0.85 else STARLIGHT
        ix = int(x)
        iy = int(y)
        fx = x - ix
        fy = y - iy
        # Bilinear splat so faint stars sit between pixels naturally.
        for (dx, dy, wt) in ((0, 0, (1 - fx) * (1 - fy)), (1, 0, fx * (1 - fy)),
                             (0, 1, (1 - fx) * fy), (1, 1, fx * fy)):
            px = ix + dx
            py = iy + dy
            if 0 <= px < w and 0 <= py < h:
                cv.blend(py * w + px, col, clamp01(bright * wt * 1.6))
        if bright > 0.62:
            glint = (bright - 0.62) * 1.6
            cx = int(x + 0.5)
            cy = int(y + 0.5)
            for k in (1, 2, 3):
                a = glint / (k * 1.3)
                for (px, py) in ((cx - k, cy), (cx + k, cy), (cx, cy - k), (cx, cy + k)):
                    if 0 <= px < w and 0 <= py < h:
                        cv.blend(py * w + px, col, clamp01(a))


class Orb:
    """The Lumivex "lumen": a white-hot core in a pink and gold halo,
    circled by a thin tilted orbit with a small satellite spark."""

    def __init__(self, cx, cy, radius, ring=True, ring_scale=(2.05, 0.52),
                 tilt_deg=-16.0, halo=1.0, spark_angle=2.35):
        self.cx = cx
        self.cy = cy
        self.rad = radius
        self.ring = ring
        self.ra = ring_scale[0] * radius
        self.rb = ring_scale[1] * radius
        self.tilt = math.radians(tilt_deg)
        self.halo = halo
        self.spark_angle = spark_angle

    def glow_at(self, x, y):
        """Additive glow (0..1 RGB) around the core."""
        dx = x - self.cx
        dy = y - self.cy
        d = math.sqrt(dx * dx + dy * dy) / self.rad
        wide = math.exp(-(d / 2.4) ** 2) * 0.5 * self.halo
        tight = math.exp(-(d / 1.25) ** 2) * 0.85
        bloom = math.exp(-((d - 1.0) / 0.28) ** 2) * 0.35 if d > 1.0 else 0.35
        return (HALO_PINK[0] * wide + HALO_GOLD[0] * tight + CORE_WHITE[0] * bloom,
                HALO_PINK[1] * wide + HALO_GOLD[1] * tight + CORE_WHITE[1] * bloom,
                HALO_PINK[2] * wide + HALO_GOLD[2] * tight + CORE_WHITE[2] * bloom)

    def core_at(self, x, y):
        """(colour, coverage) of the glowing core; hottest a little up-left."""
        R = self.rad
        dx = x - self.cx
        dy = y - self.cy
        d = math.sqrt(dx * dx + dy * dy)
        cov = clamp01((R - d) * 0.8 + 0.5)
        if cov <= 0.0:
            return None, 0.0
        hx = dx + 0.18 * R
        hy = dy + 0.22 * R
        dh = math.sqrt(hx * hx + hy * hy) / (1.25 * R)
        heat = clamp01(1.0 - dh)
        heat = heat ** 0.55
        return ramp_at(GLOW_STOPS, 0.52 + 0.48 * heat), cov

    def ring_at(self, x, y, line_width):
        """Return (intensity, in_front) for the orbit ring at a point."""
        if not self.ring:
            return 0.0, True
        dx = x - self.cx
        dy = y - self.cy
        c = math.cos(self.tilt)
        s = math.sin(self.tilt)
        u = dx * c + dy * s
        v = -dx * s + dy * c
        a = self.ra
        b = self.rb
        f = math.sqrt((u / a) ** 2 + (v / b) ** 2)
        if f == 0.0:
            return 0.0, True
        gu = u / (a * a * f)
        gv = v / (b * b * f)
        g = math.sqrt(gu * gu + gv * gv)
        dist = abs(f - 1.0) / g if g > 0 else 1e9
        cov = clamp01(line_width * 0.5 - dist + 0.5)
        front = v >= 0
        if cov <= 0.0:
            return 0.0, front
        ang = math.atan2(v / b, u / a)
        # Brighter at the front, fading towards the back.
        if front:
            shade = 0.6 + 0.4 * math.sin(ang)
        else:
            shade = 0.4 + 0.25 * abs(math.cos(ang))
        return cov * clamp01(shade + 0.05), front

    def spark_pos(self):
        ang = self.spark_angle
        u = self.ra * math.cos(ang)
        v = self.rb * math.sin(ang)
        c = math.cos(self.tilt)
        s = math.sin(self.tilt)
        return (self.cx + u * c - v * s, self.cy + u * s + v * c)

    def paint(self, cv, line_width=1.3):
        w, h = cv.w, cv.h
        reach = self.rad * 4.5
        x0 = max(0, int(self.cx - max(reach, self.ra + 3)))
        x1 = min(w, int(self.cx + max(reach, self.ra + 3)) + 1)
        y0 = max(0, int(self.cy - reach))
        y1 = min(h, int(self.cy + reach) + 1)
        sx, sy = self.spark_pos()
        ring_col = lerp3(GOLD, CORE_WHITE, 0.45)
        for py in range(y0, y1):
            for px in range(x0, x1):
                x = px + 0.5
                y = py + 0.5
                i = py * w + px
                ring, front = self.ring_at(x, y, line_width)
                if ring > 0.0 and not front:
                    cv.blend(i, GOLD, ring * 0.75)
                cv.add_light(i, self.glow_at(x, y), 1.0)
                col, cov = self.core_at(x, y)
                if cov > 0.0:
                    cv.blend(i, col, cov)
                if ring > 0.0 and front:
                    cv.blend(i, ring_col, ring)
                # Satellite spark riding on the orbit.
                d2 = (x - sx) ** 2 + (y - sy) ** 2
                if d2 < 40.0:
                    cv.add_light(i, CORE_WHITE, math.exp(-d2 / (0.85 * line_width) ** 2) * 1.2)
                    cv.add_light(i, HALO_GOLD, math.exp(-d2 / 7.0) * 0.3)


def paint_title(cv, text, x0, y0, scale, weight=0.46, tracking=1.2,
                top=(1.0, 1.0, 1.0), bottom=LAVENDER, shadow=(2, 3), glow=True):
    """Big title: soft violet glow, drop shadow, then a vertical gradient fill."""
    w, h = cv.w, cv.h
    mask = text_mask_smooth(w, h, text, x0, y0, scale, weight, tracking)
    if glow:
        halo = box_blur(mask, w, h, max(2, int(scale * 1.2)), passes=3)
        for i in range(w * h):
            a = halo[i]
            if a > 0.002:
                cv.add_light(i, rgb(120, 70, 220), a * 0.55)
    if shadow:
        sdx, sdy = shadow
        shifted = [0.0] * (w * h)
        for y in range(h):
            sy = y - sdy
            if 0 <= sy < h:
                for x in range(w):
                    sxx = x - sdx
                    if 0 <= sxx < w:
                        shifted[y * w + x] = mask[sy * w + sxx]
        soft = box_blur(shifted, w, h, 1, passes=2)
        for i in range(w * h):
            a = soft[i]
            if a > 0.002:
                cv.darken(i, a * 0.6)
    text_h = GLYPH_H * scale
    for y in range(h):
        t = clamp01((y + 0.5 - y0) / text_h)
        t = t * t * 0.3 + t * 0.7
        col = lerp3(top, bottom, t)
        base = y * w
        for x in range(w):
            a = mask[base + x]
            if a > 0.0:
                cv.blend(base + x, col, a)
    return mask


def paint_caption(cv, text, x0, y0, col, pixel_tracking=1, alpha=1.0):
    """Small caption in crisp 1:1 dot-matrix letters."""
    w, h = cv.w, cv.h
    mask = text_mask_pixel(w, h, text, int(x0), int(y0), pixel_tracking)
    for i in range(w * h):
        a = mask[i]
        if a > 0.0:
            cv.blend(i, col, a * alpha)


def paint_rule(cv, x0, x1, y, col, alpha=0.8):
    """A one-pixel rule that fades out at both ends."""
    w = cv.w
    for x in range(max(0, int(x0)), min(w, int(x1))):
        t = (x + 0.5 - x0) / (x1 - x0)
        a = alpha * smoothstep(0.0, 0.18, t) * smoothstep(1.0, 0.6, t)
        cv.blend(y * w + x, col, a)


def paint_vignette(cv, strength=0.35):
    w, h = cv.w, cv.h
    for y in range(h):
        v = (y + 0.5) / h - 0.5
        for x in range(w):
            u = (x + 0.5) / w - 0.5
            d = u * u * 1.2 + v * v * 1.6
            cv.darken(y * w + x, clamp01(d * strength * 2.0))


# ---------------------------------------------------------------------------
# The pictures.
# ---------------------------------------------------------------------------


def make_splash2():
    w, h = 400, 119
    cv = Canvas(w, h)
    orb = Orb(58.0, 57.0, 17.0, tilt_deg=-18.0)
    paint_sky(cv, 4242, orb=(orb.cx, orb.cy, 70.0))
    scale = 6
    tracking = 1.25
    tw = text_width("LUMIVEX", scale, tracking)
    tx = 124.0
    ty = 21.0
    paint_stars(cv, 1001, 150, avoid=((tx - 6, ty - 6, tx + tw + 6, ty + 7 * scale + 26),
                                      (orb.cx - 28, orb.cy - 28, orb.cx + 28, orb.cy + 28)))
    paint_vignette(cv, 0.22)
    orb.paint(cv, line_width=1.4)
    paint_title(cv, "LUMIVEX", tx, ty, scale, weight=0.47, tracking=tracking)
    sub = "SCREEN SAVER ENGINE"
    sub_track = 2
    sub_w = len(sub) * (GLYPH_W + sub_track) - sub_track
    sx = int(tx + (tw - sub_w) / 2.0 + 0.5)
    rule_y = int(ty + 7 * scale + 9)
    paint_rule(cv, tx - 4, tx + tw + 4, rule_y, GOLD, 0.75)
    paint_caption(cv, sub, sx, rule_y + 6, lerp3(LAVENDER, (1.0, 1.0, 1.0), 0.3),
                  pixel_tracking=sub_track)
    return cv


def make_splash1():
    w, h = 305, 81
    cv = Canvas(w, h)
    orb = Orb(40.0, 40.0, 11.5, tilt_deg=-18.0)
    paint_sky(cv, 777, orb=(orb.cx, orb.cy, 48.0))
    scale = 4
    tracking = 1.25
    tw = text_width("LUMIVEX", scale, tracking)
    tx = 98.0
    ty = 13.0
    paint_stars(cv, 2002, 80, avoid=((tx - 4, ty - 4, tx + tw + 4, ty + 7 * scale + 21),
                                     (orb.cx - 20, orb.cy - 20, orb.cx + 20, orb.cy + 20)))
    paint_vignette(cv, 0.22)
    orb.paint(cv, line_width=1.2)
    paint_title(cv, "LUMIVEX", tx, ty, scale, weight=0.47, tracking=tracking, shadow=(1, 2))
    tag = "LIGHT FOR IDLE SCREENS"
    tag_track = 1
    tag_w = len(tag) * (GLYPH_W + tag_track) - tag_track
    sx = int(tx + (tw - tag_w) / 2.0 + 0.5)
    rule_y = int(ty + 7 * scale + 7)
    paint_rule(cv, tx - 4, tx + tw + 4, rule_y, GOLD, 0.7)
    paint_caption(cv, tag, sx, rule_y + 5, lerp3(LAVENDER, (1.0, 1.0, 1.0), 0.3),
                  pixel_tracking=tag_track)
    return cv


def make_corner():
    w, h = 90, 80
    cv = Canvas(w, h)
    cx, cy = 45.0, 40.0

    def bg(x, y):
        d = math.sqrt(((x - cx) / 55.0) ** 2 + ((y - cy) / 50.0) ** 2)
        return sky(0.62 - 0.55 * d)

    cv.fill_with(bg)
    paint_stars(cv, 3003, 22, avoid=((cx - 26, cy - 20, cx + 26, cy + 20),), fade_bottom=0.1)
    orb = Orb(cx, cy, 13.0, tilt_deg=-20.0, halo=0.9)
    orb.paint(cv, line_width=1.4)
    return cv


def make_icon_rgba():
    """32x32 emblem on a transparent background: list of (r, g, b, a) 0..255.

    A round night-sky badge holding the lumen; the orbit ring sweeps out past
    the badge edge.  Rendered with 4x4 supersampling and straight alpha.
    """
    size = 32
    ss = 4
    cx = cy = 16.0
    disc_r = 12.4
    orb = Orb(cx, cy, 5.6, ring_scale=(2.62, 0.74), tilt_deg=-22.0, halo=0.8,
              spark_angle=2.45)
    rim_col = rgb(150, 112, 230)
    ring_col = lerp3(GOLD, CORE_WHITE, 0.45)
    stars = ((9.5, 9.0, 0.9), (22.5, 21.5, 0.7), (20.5, 7.5, 0.55), (8.0, 19.5, 0.5))

    def over(c, a, dst):
        k = 1.0 - a
        return (c[0] * a + dst[0] * k, c[1] * a + dst[1] * k,
                c[2] * a + dst[2] * k, a + dst[3] * k)

    out = []
    for py in range(size):
        for px in range(size):
            acc = [0.0, 0.0, 0.0, 0.0]
            for sy in range(ss):
                for sx in range(ss):
                    x = px + (sx + 0.5) / ss
                    y = py + (sy + 0.5) / ss
                    dst = (0.0, 0.0, 0.0, 0.0)  # premultiplied RGBA
                    rr = math.sqrt((x - cx) ** 2 + (y - cy) ** 2)
                    if rr <= disc_r:
                        t = 0.78 - 0.5 * (rr / disc_r) ** 1.3 + 0.12 * (y - cy) / disc_r
                        base = sky(t)
                        g = orb.glow_at(x, y)
                        col = tuple(soft_clip(base[k] + g[k]) for k in range(3))
                        for (stx, sty, sb) in stars:
                            d2 = (x - stx) ** 2 + (y - sty) ** 2
                            if d2 < 1.0:
                                col = lerp3(col, STARLIGHT, sb * (1.0 - d2))
                        if rr > disc_r - 1.1:
                            col = lerp3(col, rim_col, 0.75)
                        dst = over(col, 1.0, dst)
                    ring, front = orb.ring_at(x, y, 1.7)
                    ring = 1.0 if ring > 0.5 else 0.0
                    if ring and not front:
                        dst = over(lerp3(GOLD, sky(0.6), 0.25), 1.0, dst)
                    col, cov = orb.core_at(x, y)
                    if cov > 0.5:
                        dst = over(col, 1.0, dst)
                    if ring and front:
                        dst = over(ring_col, 1.0, dst)
                    for k in range(4):
                        acc[k] += dst[k]
            n = float(ss * ss)
            a = acc[3] / n
            if a < 0.5 / 255.0:
                out.append((0, 0, 0, 0))
                continue
            r = clamp01(acc[0] / n / a)
            g = clamp01(acc[1] / n / a)
            b = clamp01(acc[2] / n / a)
            out.append((to_byte(r), to_byte(g), to_byte(b), to_byte(a)))
    return size, out


# ---------------------------------------------------------------------------
# File writers.
# ---------------------------------------------------------------------------

BMP_FILE_HEADER = 14
BMP_INFO_HEADER = 40
BMP_PALETTE_BYTES = 256 * 4
BMP_PIXEL_OFFSET = BMP_FILE_HEADER + BMP_INFO_HEADER + BMP_PALETTE_BYTES


def bmp_bytes(w, h, rows, palette):
    stride = (w + 3) & ~3
    image_size = stride * h
    file_size = BMP_PIXEL_OFFSET + image_size
    out = bytearray()
    out += struct.pack("<2sIHHI", b"BM", file_size, 0, 0, BMP_PIXEL_OFFSET)
    out += struct.pack("<IiiHHIIiiII", BMP_INFO_HEADER, w, h, 1, 8, 0, image_size,
                       2835, 2835, 0, 0)
    for (r, g, b) in palette:
        out += struct.pack("<BBBB", b, g, r, 0)
    pad = b"\0" * (stride - w)
    for y in range(h - 1, -1, -1):  # bottom-up
        out += rows[y]
        out += pad
    return bytes(out)


def ico_bytes(size, pixels):
    xor_size = size * size * 4
    mask_stride = ((size + 31) // 32) * 4
    and_size = mask_stride * size
    header = struct.pack("<IiiHHIIiiII", BMP_INFO_HEADER, size, size * 2, 1, 32, 0,
                         xor_size + and_size, 0, 0, 0, 0)
    image = bytearray(header)
    for y in range(size - 1, -1, -1):
        for x in range(size):
            r, g, b, a = pixels[y * size + x]
            image += struct.pack("<BBBB", b, g, r, a)
    for y in range(size - 1, -1, -1):
        row = bytearray(mask_stride)
        for x in range(size):
            if pixels[y * size + x][3] == 0:
                row[x >> 3] |= 0x80 >> (x & 7)
        image += row
    icondir = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", size & 0xFF, size & 0xFF, 0, 0, 1, 32,
                        len(image), 6 + 16)
    return icondir + entry + bytes(image)


# ---------------------------------------------------------------------------
# Verification of what was written.
# ---------------------------------------------------------------------------


class ArtError(Exception):
    pass


def check(cond, msg):
    if not cond:
        raise ArtError(msg)


def verify_bmp(path, w, h):
    with open(path, "rb") as f:
        data = f.read()
    name = os.path.basename(path)
    check(len(data) >= BMP_PIXEL_OFFSET, "%s: file too short (%d bytes)" % (name, len(data)))
    magic, bf_size, r1, r2, off = struct.unpack_from("<2sIHHI", data, 0)
    (bi_size, bw, bh, planes, bpp, comp, size_image, xppm, yppm, clr_used,
     clr_important) = struct.unpack_from("<IiiHHIIiiII", data, 14)
    stride = (w + 3) & ~3
    check(magic == b"BM", "%s: bad magic %r" % (name, magic))
    check(bf_size == len(data), "%s: bfSize %d != file length %d" % (name, bf_size, len(data)))
    check(r1 == 0 and r2 == 0, "%s: reserved fields not zero" % name)
    check(off == BMP_PIXEL_OFFSET, "%s: bfOffBits %d != %d" % (name, off, BMP_PIXEL_OFFSET))
    check(bi_size == 40, "%s: biSize %d != 40" % (name, bi_size))
    check((bw, bh) == (w, h), "%s: size %dx%d != %dx%d" % (name, bw, bh, w, h))
    check(planes == 1, "%s: biPlanes %d != 1" % (name, planes))
    check(bpp == 8, "%s: biBitCount %d != 8" % (name, bpp))
    check(comp == 0, "%s: biCompression %d != BI_RGB" % (name, comp))
    check(size_image == stride * h, "%s: biSizeImage %d != %d" % (name, size_image, stride * h))
    check(xppm == 2835 and yppm == 2835, "%s: resolution %d/%d != 2835" % (name, xppm, yppm))
    check(clr_used == 0, "%s: biClrUsed %d != 0" % (name, clr_used))
    check(clr_important == 0, "%s: biClrImportant %d != 0" % (name, clr_important))
    check(len(data) == off + size_image,
          "%s: file length %d != offset %d + image %d" % (name, len(data), off, size_image))
    for i in range(256):
        check(data[54 + i * 4 + 3] == 0, "%s: palette entry %d reserved byte not zero" % (name, i))
    for y in range(h):
        row_end = off + y * stride + w
        check(data[row_end:off + (y + 1) * stride] == b"\0" * (stride - w),
              "%s: row %d padding not zero" % (name, y))


def verify_ico(path, size):
    with open(path, "rb") as f:
        data = f.read()
    name = os.path.basename(path)
    check(len(data) >= 22 + 40, "%s: file too short" % name)
    reserved, kind, count = struct.unpack_from("<HHH", data, 0)
    check((reserved, kind, count) == (0, 1, 1), "%s: bad ICONDIR %r" % (name, (reserved, kind, count)))
    bw, bh, colors, res, planes, bpp, nbytes, offset = struct.unpack_from("<BBBBHHII", data, 6)
    check((bw, bh) == (size, size), "%s: entry size %dx%d" % (name, bw, bh))
    check(colors == 0 and res == 0, "%s: entry colour count/reserved not zero" % name)
    check(planes == 1 and bpp == 32, "%s: entry planes %d bpp %d" % (name, planes, bpp))
    check(offset == 22, "%s: image offset %d != 22" % (name, offset))
    check(offset + nbytes == len(data), "%s: entry byte count %d inconsistent" % (name, nbytes))
    (bi_size, iw, ih, ipl, ibpp, comp, size_image) = struct.unpack_from("<IiiHHII", data, 22)
    xor_size = size * size * 4
    and_size = ((size + 31) // 32) * 4 * size
    check(bi_size == 40, "%s: biSize %d" % (name, bi_size))
    check(iw == size and ih == size * 2, "%s: header size %dx%d (height must be doubled)"
          % (name, iw, ih))
    check(ipl == 1 and ibpp == 32 and comp == 0, "%s: planes/bpp/compression wrong" % name)
    check(size_image == xor_size + and_size, "%s: biSizeImage %d" % (name, size_image))
    check(nbytes == 40 + xor_size + and_size, "%s: image bytes %d" % (name, nbytes))
    px = 22 + 40
    mk = px + xor_size
    stride = ((size + 31) // 32) * 4
    for y in range(size):
        for x in range(size):
            a = data[px + (y * size + x) * 4 + 3]
            bit = (data[mk + y * stride + (x >> 3)] >> (7 - (x & 7))) & 1
            check(bit == (1 if a == 0 else 0),
                  "%s: AND mask disagrees with alpha at %d,%d" % (name, x, y))


# ---------------------------------------------------------------------------
# Main.
# ---------------------------------------------------------------------------


def main(argv):
    if len(argv) != 2:
        sys.stderr.write("usage: python3 scripts/make-art.py OUTDIR\n")
        return 2
    outdir = argv[1]
    os.makedirs(outdir, exist_ok=True)

    bitmaps = (
        ("corner.bmp", 90, 80, make_corner),
        ("splash2.bmp", 400, 119, make_splash2),
        ("splash1.bmp", 305, 81, make_splash1),
    )
    canvases = []
    for name, w, h, maker in bitmaps:
        cv = maker()
        if (cv.w, cv.h) != (w, h):
            sys.stderr.write("make-art: %s drawn at %dx%d, expected %dx%d\n"
                             % (name, cv.w, cv.h, w, h))
            return 1
        canvases.append(cv)

    palette = build_palette(canvases)
    quant = Quantizer(palette)
    for (name, w, h, _), cv in zip(bitmaps, canvases):
        rows = quant.quantize(cv)
        with open(os.path.join(outdir, name), "wb") as f:
            f.write(bmp_bytes(w, h, rows, palette))

    size, pixels = make_icon_rgba()
    with open(os.path.join(outdir, "lumicon.ico"), "wb") as f:
        f.write(ico_bytes(size, pixels))

    try:
        for name, w, h, _ in bitmaps:
            verify_bmp(os.path.join(outdir, name), w, h)
        verify_ico(os.path.join(outdir, "lumicon.ico"), 32)
    except (ArtError, OSError) as exc:
        sys.stderr.write("make-art: verification failed: %s\n" % exc)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
