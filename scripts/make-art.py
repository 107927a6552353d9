#!/usr/bin/python3
"""The engine's pictures, drawn with Pillow (Debian's python3-pil) and the DejaVu fonts (Debian's
fonts-dejavu-core): a night sky with a glowing orb on a tilted orbit and the title.

  make-art.py OUTDIR [--expect SUMS]   splash2.bmp 400x119, splash1.bmp 305x81 and corner.bmp
                                       90x80, 8 bits per pixel with one shared 256-colour palette
                                       (so all three look right on an 8-bit display, which
                                       realises one palette), and lumicon.ico, 32x32, 8 bits;
                                       with --expect, fails unless their SHA-256 sums are SUMS's
  make-art.py --preview OUT.png        the three pictures on one sheet, for the README

Random numbers come from fixed seeds and nothing records a time, so the files are the same byte
for byte on every run with the same packages; resources/art.sha256 holds their sums."""
import hashlib
import io
import math
import os
import random
import struct
import sys

from PIL import Image, ImageChops, ImageDraw, ImageFilter, ImageFont

FONT_DIR = "/usr/share/fonts/truetype/dejavu"
SS = 4  # shapes are drawn this many times larger, then reduced: smooth edges

SKY = [(0.00, (2, 3, 12)), (0.25, (7, 11, 40)), (0.50, (20, 20, 78)), (0.72, (48, 28, 108)),
       (0.88, (80, 36, 130)), (1.00, (112, 46, 148))]
GLOW = [(0.00, (112, 46, 148)), (0.20, (176, 72, 170)), (0.40, (232, 108, 160)), (0.58, (255, 152, 124)),
        (0.74, (255, 200, 132)), (0.88, (255, 234, 196)), (1.00, (255, 255, 250))]
STARLIGHT, LAVENDER, GOLD = (236, 238, 255), (196, 184, 246), (255, 206, 138)
HALO_PINK, HALO_GOLD, CORE_WHITE = (222, 96, 190), (255, 176, 104), (255, 250, 236)
RING = (255, 226, 184)
CAPTION = (217, 208, 249)


def ramp(stops):
    """The 256 colours of a ramp through the stops, as a lookup table for Image.point."""
    table = [[], [], []]
    for i in range(256):
        t = i / 255
        for (t0, c0), (t1, c1) in zip(stops, stops[1:]):
            if t0 <= t <= t1:
                f = (t - t0) / (t1 - t0)
                for k in range(3):
                    table[k].append(round(c0[k] + (c1[k] - c0[k]) * f))
                break
    return table[0] + table[1] + table[2]


def colourise(level, stops):
    """An L image read as positions on the ramp."""
    return Image.merge("RGB", (level, level, level)).point(ramp(stops))


def scaled(mask, factor):
    return mask.point(lambda v: min(255, round(v * factor)))


def add_light(base, colour, mask, strength=1.0):
    light = ImageChops.multiply(Image.new("RGB", base.size, colour), scaled(mask, strength).convert("RGB"))
    return ImageChops.add(base, light)


def paint(base, colour, mask, strength=1.0):
    return Image.composite(Image.new("RGB", base.size, colour), base, scaled(mask, strength))


def blob(size, cx, cy, radius):
    """A soft round light: a disc blurred to about twice its radius."""
    mask = Image.new("L", size, 0)
    ImageDraw.Draw(mask).ellipse((cx - radius * 0.6, cy - radius * 0.6, cx + radius * 0.6, cy + radius * 0.6),
                                 fill=255)
    mask = mask.filter(ImageFilter.GaussianBlur(radius * 0.55))
    peak = mask.getextrema()[1]
    return mask.point(lambda v: min(255, round(v * 255 / peak))) if peak else mask


def radial(size, cx, cy, rx, ry):
    """Distance from (cx, cy) in units of (rx, ry), 255 at 1 and beyond."""
    # Pillow's field grows by 255 / (128 * sqrt 2) a pixel from the centre of its 256 x 256 pixels.
    field = Image.radial_gradient("L").resize((round(4 * rx), round(4 * ry)), Image.BICUBIC)
    out = Image.new("L", size, 255)
    out.paste(field.point(lambda v: min(255, round(v * 2 * math.sqrt(2)))), (round(cx - 2 * rx), round(cy - 2 * ry)))
    return out


def sky(size, seed, orb=None, tilt=0.25, low=0.06, high=0.92):
    """Navy at the top, violet low down and on the left, with a faint nebula."""
    w, h = size
    rng = random.Random(seed)
    down = Image.linear_gradient("L").resize(size, Image.BICUBIC)
    left = Image.linear_gradient("L").rotate(90).resize(size, Image.BICUBIC)
    level = ImageChops.add(scaled(down, (high - low) * (1 - tilt)),
                           scaled(ImageChops.multiply(down, left), (high - low) * tilt * 1.4))
    level = ImageChops.add(level, Image.new("L", size, round(low * 255)))
    for cells, weight in (((6, 3), 0.06), ((13, 5), 0.03)):
        noise = Image.new("L", cells)
        noise.putdata([rng.randrange(256) for _ in range(cells[0] * cells[1])])
        noise = noise.resize(size, Image.BICUBIC)
        level = ImageChops.add(level, scaled(noise, weight), offset=-round(weight * 128))
    if orb:
        level = ImageChops.add(level, scaled(blob(size, *orb), 0.18))
    return colourise(level, SKY)


def stars(picture, seed, count, avoid=(), fade=0.35):
    """Pin-pricks of starlight, a few bright ones with glints."""
    w, h = picture.size
    rng = random.Random(seed)
    mask = Image.new("L", picture.size, 0)
    draw = ImageDraw.Draw(mask)
    placed = 0
    while placed < count:
        x, y, u = rng.uniform(1, w - 2), rng.uniform(1, h - 2), rng.random()
        if any(x0 <= x <= x1 and y0 <= y <= y1 for x0, y0, x1, y1 in avoid):
            continue
        placed += 1
        bright = (0.18 + 0.82 * u ** 3) * (1 - fade * y / h)
        draw.point((round(x), round(y)), fill=round(255 * min(1, bright * 1.4)))
        if bright > 0.62:
            for k in (1, 2):
                glint = round(255 * (bright - 0.62) * 1.6 / (k * 1.3))
                for dx, dy in ((k, 0), (-k, 0), (0, k), (0, -k)):
                    draw.point((round(x) + dx, round(y) + dy), fill=glint)
    return paint(picture, STARLIGHT, mask)


def vignette(picture, strength):
    w, h = picture.size
    edge = radial(picture.size, w / 2, h / 2, w * 0.62, h * 0.62)
    return paint(picture, (0, 0, 0), edge.point(lambda v: round(v * v / 255)), strength)


def orbit_masks(size, cx, cy, rx, ry, tilt, width):
    """The orbit as two masks, the half behind the orb and the half in front, tilted by `tilt`."""
    masks = []
    for start, end in ((180, 360), (0, 180)):
        big = Image.new("L", (size[0] * SS, size[1] * SS), 0)
        ImageDraw.Draw(big).arc(((cx - rx) * SS, (cy - ry) * SS, (cx + rx) * SS, (cy + ry) * SS), start, end,
                                fill=255, width=round(width * SS))
        big = big.rotate(tilt, resample=Image.BICUBIC, center=(cx * SS, cy * SS))
        masks.append(big.resize(size, Image.BOX))
    return masks


def orb(picture, cx, cy, radius, tilt=18, ring=(2.05, 0.52), width=1.4, halo=1.0, spark=2.35):
    """A white-hot core in a pink and gold halo, on a thin tilted orbit with a satellite spark."""
    size = picture.size
    rx, ry = ring[0] * radius, ring[1] * radius
    behind, front = orbit_masks(size, cx, cy, rx, ry, tilt, width)
    picture = paint(picture, GOLD, behind, 0.6)
    picture = add_light(picture, HALO_PINK, blob(size, cx, cy, radius * 2.4), 0.5 * halo)
    picture = add_light(picture, HALO_GOLD, blob(size, cx, cy, radius * 1.25), 0.85)
    picture = add_light(picture, CORE_WHITE, blob(size, cx, cy, radius * 1.3), 0.5)
    # The core: hottest a little up and left of its centre.
    heat = radial(size, cx - 0.18 * radius, cy - 0.22 * radius, 1.25 * radius, 1.25 * radius)
    core = colourise(heat.point(lambda v: round(255 * (0.52 + 0.48 * (1 - v / 255) ** 0.55))), GLOW)
    disc = Image.new("L", (size[0] * SS, size[1] * SS), 0)
    ImageDraw.Draw(disc).ellipse(((cx - radius) * SS, (cy - radius) * SS, (cx + radius) * SS, (cy + radius) * SS),
                                 fill=255)
    picture = Image.composite(core, picture, disc.resize(size, Image.BOX))
    picture = paint(picture, RING, front)
    a = math.radians(-tilt)
    u, v = rx * math.cos(spark), ry * math.sin(spark)
    sx, sy = cx + u * math.cos(a) - v * math.sin(a), cy + u * math.sin(a) + v * math.cos(a)
    picture = add_light(picture, CORE_WHITE, blob(size, sx, sy, width * 1.4), 1.2)
    return add_light(picture, HALO_GOLD, blob(size, sx, sy, width * 4), 0.3)


def font(name, pixels):
    return ImageFont.truetype(os.path.join(FONT_DIR, name), pixels)


def spaced_text(size, xy, text, face, tracking):
    """A mask of the text with `tracking` extra pixels between letters; its width."""
    mask = Image.new("L", size, 0)
    draw = ImageDraw.Draw(mask)
    x, y = xy
    for ch in text:
        draw.text((x, y), ch, font=face, fill=255)
        x += face.getlength(ch) + tracking
    return mask, x - tracking - xy[0]


def title(picture, text, x, y, cap_height, tracking, shadow):
    """The title: a soft violet glow, a drop shadow, then white fading to lavender downwards. Its
    letters are as tall as cap_height, or smaller where the picture is too narrow for them."""
    for pixels in range(round(cap_height / 0.73), 8, -1):
        face = font("DejaVuSans.ttf", pixels)
        if face.getlength(text) + tracking * (len(text) - 1) <= picture.width - x - 8:
            break
    bounds = face.getbbox("L")
    cap_height = bounds[3] - bounds[1]
    mask, width = spaced_text(picture.size, (x, y - bounds[1]), text, face, tracking)
    picture = add_light(picture, (120, 70, 220), mask.filter(ImageFilter.GaussianBlur(cap_height / 6)), 0.8)
    dropped = ImageChops.offset(mask, *shadow).filter(ImageFilter.GaussianBlur(1))
    picture = paint(picture, (0, 0, 0), dropped, 0.6)
    fill = Image.new("RGB", picture.size, (255, 255, 255))
    fill.paste(Image.linear_gradient("L").resize((picture.width, cap_height)).convert("RGB").point(
        ramp([(0, (255, 255, 255)), (1, LAVENDER)])), (0, y))
    fill.paste(LAVENDER, (0, y + cap_height, picture.width, picture.height))
    return Image.composite(fill, picture, mask), width, cap_height


def caption(picture, text, centre, y, tracking, rule_from, rule_to, rule_y):
    """A gold rule fading out at both ends, and a line of small capitals centred under the title."""
    rule = Image.new("L", picture.size, 0)
    draw = ImageDraw.Draw(rule)
    for x in range(round(rule_from), round(rule_to)):
        t = (x + 0.5 - rule_from) / (rule_to - rule_from)
        draw.point((x, rule_y), fill=round(190 * min(1, t / 0.18) * min(1, (1 - t) / 0.4)))
    picture = paint(picture, GOLD, rule)
    face = font("DejaVuSans-Bold.ttf", 8)
    _, width = spaced_text(picture.size, (0, 0), text, face, tracking)
    mask, _ = spaced_text(picture.size, (round(centre - width / 2), y), text, face, tracking)
    return paint(picture, CAPTION, mask)


def banner(size, seed, orb_at, radius, title_at, cap_height, subtitle, tracking, shadow, star_count):
    x, y = title_at
    picture = sky(size, seed, orb=(orb_at[0], orb_at[1], radius * 4))
    picture = stars(picture, seed + 1, star_count,
                    avoid=((x - 6, y - 6, size[0], y + cap_height + 24),
                           (orb_at[0] - radius * 1.7, orb_at[1] - radius * 1.7, orb_at[0] + radius * 1.7,
                            orb_at[1] + radius * 1.7)))
    picture = vignette(picture, 0.22)
    picture = orb(picture, orb_at[0], orb_at[1], radius)
    picture, width, cap_height = title(picture, "LUMIVEX", x, y, cap_height, tracking=cap_height / 6, shadow=shadow)
    rule_y = y + cap_height + cap_height // 5 + 2
    return caption(picture, subtitle, x + width / 2, rule_y + 4, tracking, x - 4, x + width + 4, rule_y)


def corner():
    size = (90, 80)
    picture = colourise(radial(size, 45, 40, 55, 50).point(lambda v: round(255 * (0.62 - 0.55 * v / 255))), SKY)
    picture = stars(picture, 3003, 22, avoid=((19, 20, 71, 60),), fade=0.1)
    return orb(picture, 45, 40, 13, tilt=20, halo=0.9)


def icon():
    """The emblem on a round badge for the window class: 32x32, transparent around the badge."""
    big = 32 * SS
    badge = Image.new("L", (big, big), 0)
    ImageDraw.Draw(badge).ellipse((3.6 * SS, 3.6 * SS, 28.4 * SS, 28.4 * SS), fill=255)
    picture = colourise(radial((32, 32), 16, 18, 14, 14).point(lambda v: round(255 * (0.78 - 0.5 * v / 255))), SKY)
    for x, y in ((9, 9), (22, 21), (20, 7), (8, 19)):
        picture.putpixel((x, y), STARLIGHT)
    picture = orb(picture, 16, 16, 5.6, tilt=22, ring=(2.62, 0.74), width=1.7, halo=0.8, spark=2.45)
    rim = Image.new("L", (big, big), 0)
    ImageDraw.Draw(rim).ellipse((3.6 * SS, 3.6 * SS, 28.4 * SS, 28.4 * SS), outline=255, width=SS)
    picture = paint(picture, (150, 112, 230), rim.resize((32, 32), Image.BOX), 0.75)
    # The orbit sweeps out past the badge: it is opaque where it passes.
    orbit = ImageChops.lighter(*orbit_masks((32, 32), 16, 16, 2.62 * 5.6, 0.74 * 5.6, 22, 1.7))
    alpha = ImageChops.lighter(badge.resize((32, 32), Image.BOX), orbit.point(lambda v: 255 if v > 100 else 0))
    picture.putalpha(alpha.point(lambda v: 0 if v < 8 else v))
    return picture


def icon_file(picture):
    """An icon file of one 8-bit image with its AND mask, in the BMP form that every Windows from 95
    and NT 3.51 on reads: 256 colours of its own, the transparent pixels black under a set mask bit."""
    transparent = picture.getchannel("A").point(lambda a: 255 if a < 128 else 0)
    colours = Image.composite(Image.new("RGB", picture.size), picture.convert("RGB"), transparent)
    dib = io.BytesIO()
    colours.quantize(256, method=Image.Quantize.MEDIANCUT).save(dib, "BMP")
    header = bytearray(dib.getvalue()[14:14 + 40])
    rest = dib.getvalue()[14 + 40:]  # the colour table and the pixels
    mask = transparent.convert("1").transpose(Image.FLIP_TOP_BOTTOM).tobytes()
    struct.pack_into("<i", header, 8, 64)  # the colour image and the mask, one above the other
    struct.pack_into("<I", header, 20, 32 * 32 + len(mask))
    image = bytes(header) + rest + mask
    return struct.pack("<HHHBBBBHHII", 0, 1, 1, 32, 32, 0, 0, 1, 8, len(image), 22) + image


def pictures():
    splash2 = banner((400, 119), 4242, (58, 57), 17, (124, 21), 42, "SCREEN SAVER ENGINE", 2, (2, 3), 150)
    splash1 = banner((305, 81), 777, (40, 40), 11.5, (98, 13), 28, "LIGHT FOR IDLE SCREENS", 1, (1, 2), 80)
    return {"splash2.bmp": splash2, "splash1.bmp": splash1, "corner.bmp": corner()}


def shared_palette(named):
    """The three pictures reduced to one 256-colour palette, with error diffusion."""
    sheet = Image.new("RGB", (400, sum(p.height for p in named.values())))
    y = 0
    for picture in named.values():
        sheet.paste(picture, (0, y))
        y += picture.height
    palette = sheet.quantize(256, method=Image.Quantize.MEDIANCUT)
    return {name: picture.quantize(palette=palette, dither=Image.Dither.FLOYDSTEINBERG)
            for name, picture in named.items()}


def write(outdir, expect=None):
    os.makedirs(outdir, exist_ok=True)
    for name, picture in shared_palette(pictures()).items():
        picture.save(os.path.join(outdir, name))
    with open(os.path.join(outdir, "lumicon.ico"), "wb") as out:
        out.write(icon_file(icon()))
    if expect is None:
        return 0
    wrong = []
    for line in open(expect):
        digest, name = line.split()
        with open(os.path.join(outdir, name), "rb") as made:
            if hashlib.sha256(made.read()).hexdigest() != digest:
                wrong.append(name)
    if wrong:
        print(f"make-art: {', '.join(wrong)} differ from {expect}; they are drawn byte for byte alike with "
              f"Pillow {Image.__version__} only as pinned (python3-pil 9.4.0 and fonts-dejavu-core 2.37 of "
              f"Debian 12); after a deliberate change, write the new sums there", file=sys.stderr)
        return 1
    return 0


def preview(path):
    named = shared_palette(pictures())
    sheet = Image.new("RGB", (400, 292), (40, 40, 44))
    y = 0
    for picture in named.values():
        sheet.paste(picture.convert("RGB"), (0, y))
        y += picture.height + 5
    sheet.save(path)
    return 0


def main(argv):
    if len(argv) == 2 and argv[0] == "--preview":
        return preview(argv[1])
    if len(argv) == 1:
        return write(argv[0])
    if len(argv) == 3 and argv[1] == "--expect":
        return write(argv[0], argv[2])
    print(__doc__, file=sys.stderr)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
