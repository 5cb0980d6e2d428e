#!/usr/bin/python3
"""Draws every picture of the launcher's window and writes them as PNG files.

    /usr/bin/python3 res/draw_pictures.py [output-directory]

The output (res/pictures/ by default) is committed; the build embeds those files, so
this script only runs when the artwork changes. It needs Pillow (Debian: python3-pil)
and the fonts of fonts-nanum and fonts-dejavu. Output is deterministic: every random
choice comes from a generator with a fixed seed.

Pure white (0xFFFFFF) means "cut out": the window shape leaves out the background's
white pixels and a button's shape leaves out its mask's white pixels. So every picture
is clamped to at most 254 per channel, and white is then painted only where a window or
a button is to be cut out. A button's state pictures are white exactly where its mask is.
"""

import math
import os
import random
import sys

from PIL import Image, ImageChops, ImageDraw, ImageFilter, ImageFont, ImageOps

RESAMPLE = Image.Resampling
WHITE = (255, 255, 255)
SS = 4  # supersampling factor for anti-aliased shapes

FONT_DIRS = ["/usr/share/fonts/truetype/nanum", "/usr/share/fonts/truetype/dejavu"]


def font(file_name, size):
    for d in FONT_DIRS:
        path = os.path.join(d, file_name)
        if os.path.exists(path):
            return ImageFont.truetype(path, size)
    raise SystemExit("font not found: " + file_name)


# ---------------------------------------------------------------------------------------
# Small image helpers (Pillow only)

def clamp8(v):
    return 0 if v < 0 else 255 if v > 255 else int(v)


def mix(a, b, t):
    return tuple(clamp8(a[i] + (b[i] - a[i]) * t + 0.5) for i in range(3))


def ramp(stops, t):
    """Colour at t (0..1) of a list of (position, colour) stops."""
    if t <= stops[0][0]:
        return stops[0][1]
    for (p0, c0), (p1, c1) in zip(stops, stops[1:]):
        if t <= p1:
            return mix(c0, c1, (t - p0) / (p1 - p0) if p1 > p0 else 1.0)
    return stops[-1][1]


def vgradient(size, stops):
    w, h = size
    col = Image.new("RGB", (1, h))
    col.putdata([ramp(stops, (y + 0.5) / h) for y in range(h)])
    return col.resize((w, h), RESAMPLE.NEAREST)


def hgradient(size, stops):
    w, h = size
    row = Image.new("RGB", (w, 1))
    row.putdata([ramp(stops, (x + 0.5) / w) for x in range(w)])
    return row.resize((w, h), RESAMPLE.NEAREST)


def lgradient_v(size, stops):
    """Greyscale vertical ramp; stops are (position, value)."""
    w, h = size
    col = Image.new("L", (1, h))
    vals = []
    for y in range(h):
        t = (y + 0.5) / h
        v = stops[-1][1]
        if t <= stops[0][0]:
            v = stops[0][1]
        else:
            for (p0, v0), (p1, v1) in zip(stops, stops[1:]):
                if t <= p1:
                    v = v0 + (v1 - v0) * ((t - p0) / (p1 - p0) if p1 > p0 else 1.0)
                    break
        vals.append(clamp8(v))
    col.putdata(vals)
    return col.resize((w, h), RESAMPLE.NEAREST)


def coverage(size, draw_fn, ss=SS):
    """Anti-aliased coverage ('L') of shapes drawn by draw_fn(draw, scale) at ss times the size."""
    w, h = size
    big = Image.new("L", (w * ss, h * ss), 0)
    draw_fn(ImageDraw.Draw(big), ss)
    return big.resize(size, RESAMPLE.BOX)


def hard(cov):
    """The pixels at least half covered."""
    return cov.point(lambda v: 255 if v >= 128 else 0)


def scaled(mask, factor):
    return mask.point(lambda v: clamp8(v * factor))


def paint(base, source, mask, opacity=1.0, at=(0, 0)):
    """Blends a colour or image over base through mask ('L', same size as the source area)."""
    if opacity != 1.0:
        mask = scaled(mask, opacity)
    if isinstance(source, tuple):
        source = Image.new("RGB", mask.size, source)
    base.paste(source, at, mask)


def radial(size, center, radius, power=1.0):
    """'L' image: 255 at center falling to 0 at radius, shaped by power."""
    w, h = size
    r = max(1, int(radius))
    g = Image.radial_gradient("L").resize((2 * r, 2 * r), RESAMPLE.BILINEAR)
    g = g.point(lambda v: clamp8(255 * (max(0.0, 1.0 - v / 128.0) ** power)))
    out = Image.new("L", (w, h), 0)
    out.paste(g, (int(center[0]) - r, int(center[1]) - r))
    return out


def fbm(size, seed, cells=(8, 5), octaves=6, persistence=0.55):
    """Deterministic fractal value noise, normalised to the full 0..255 range."""
    rng = random.Random(seed)
    w, h = size
    acc = None
    total = 0.0
    amp = 1.0
    cw, ch = cells
    for _ in range(octaves):
        small = Image.new("L", (cw + 2, ch + 2))
        small.putdata([rng.randrange(256) for _ in range((cw + 2) * (ch + 2))])
        # crop a margin so the bicubic edges do not clamp
        layer = small.resize((int(w * (cw + 2) / cw), int(h * (ch + 2) / ch)), RESAMPLE.BICUBIC)
        ox = (layer.width - w) // 2
        oy = (layer.height - h) // 2
        layer = layer.crop((ox, oy, ox + w, oy + h))
        total += amp
        acc = layer if acc is None else Image.blend(acc, layer, amp / total)
        amp *= persistence
        cw *= 2
        ch *= 2
    return ImageOps.autocontrast(acc)


def curve(mask, fn):
    return mask.point(lambda v: clamp8(255 * fn(v / 255.0)))


def smoothstep(e0, e1, x):
    t = min(1.0, max(0.0, (x - e0) / (e1 - e0)))
    return t * t * (3 - 2 * t)


def no_white(img):
    """Keeps every channel at most 254 so that no pixel is pure white by accident."""
    return img.point(lambda v: min(v, 254))


def cut_out(img, keep):
    """Pure white wherever keep ('L') is 0."""
    out = img.copy()
    out.paste(WHITE, (0, 0), ImageOps.invert(keep))
    return out


def text_mask(size, text, fnt, center, spacing=0, anchor_y="m"):
    """'L' mask of text centred at center, with extra spacing between letters."""
    m = Image.new("L", size, 0)
    d = ImageDraw.Draw(m)
    widths = [d.textlength(ch, font=fnt) for ch in text]
    total = sum(widths) + spacing * (len(text) - 1)
    x = center[0] - total / 2
    for ch, wch in zip(text, widths):
        d.text((x, center[1]), ch, font=fnt, fill=255, anchor="l" + anchor_y)
        x += wch + spacing
    return m


def dilate(mask, px):
    return mask.filter(ImageFilter.MaxFilter(2 * px + 1)) if px > 0 else mask


def shift(mask, dx, dy):
    return ImageChops.offset(mask, dx, dy)


# ---------------------------------------------------------------------------------------
# Shapes

def rounded_rect_fn(box, radius):
    def fn(d, s):
        x0, y0, x1, y1 = box
        d.rounded_rectangle((x0 * s, y0 * s, x1 * s - 1, y1 * s - 1), radius=radius * s, fill=255)
    return fn


def chamfer_points(box, c):
    x0, y0, x1, y1 = box
    return [(x0 + c, y0), (x1 - c, y0), (x1, y0 + c), (x1, y1 - c),
            (x1 - c, y1), (x0 + c, y1), (x0, y1 - c), (x0, y0 + c)]


def chamfer_fn(box, c):
    def fn(d, s):
        d.polygon([(x * s, y * s) for x, y in chamfer_points(box, c)], fill=255)
    return fn


def circle_fn(cx, cy, r):
    def fn(d, s):
        d.ellipse(((cx - r) * s, (cy - r) * s, (cx + r) * s, (cy + r) * s), fill=255)
    return fn


# ---------------------------------------------------------------------------------------
# Palette

GOLD_STOPS = [(0.0, (252, 232, 170)), (0.45, (214, 164, 84)), (0.55, (150, 100, 42)),
              (1.0, (226, 182, 104))]
GOLD_DIM_STOPS = [(0.0, (176, 140, 84)), (0.5, (118, 86, 44)), (1.0, (150, 112, 60))]
SILVER_STOPS = [(0.0, (214, 212, 226)), (0.5, (128, 126, 142)), (1.0, (170, 168, 184))]
GREY_STOPS = [(0.0, (128, 124, 128)), (0.5, (82, 80, 84)), (1.0, (104, 100, 104))]
EMBER = (255, 168, 80)
TEXT_LIGHT = (254, 244, 218)


# ---------------------------------------------------------------------------------------
# Main background (bitmap 130)

W, H = 1280, 720
WINDOW_RADIUS = 16


def ridge(seed, base, amplitude, roughness=0.55, x0=-20, x1=W + 20, levels=8):
    """Mountain ridge line by midpoint displacement: a list of (x, y)."""
    rng = random.Random(seed)
    n = 2 ** levels
    ys = [0.0] * (n + 1)
    ys[0] = rng.uniform(-1, 1)
    ys[n] = rng.uniform(-1, 1)
    step = n
    amp = 1.0
    while step > 1:
        half = step // 2
        for i in range(half, n, step):
            ys[i] = (ys[i - half] + ys[i + half]) / 2 + rng.uniform(-amp, amp)
        step = half
        amp *= roughness
    return [(x0 + (x1 - x0) * i / n, base - amplitude * ys[i]) for i in range(n + 1)]


def polygon_cov(points, ss=2):
    def fn(d, s):
        d.polygon([(x * s, y * s) for x, y in points], fill=255)
    return coverage((W, H), fn, ss)


def sky():
    img = vgradient((W, H), [(0.0, (7, 6, 20)), (0.22, (16, 12, 38)), (0.42, (38, 20, 58)),
                             (0.56, (84, 36, 66)), (0.66, (140, 66, 62)), (0.72, (168, 92, 62)),
                             (0.80, (90, 40, 56)), (1.0, (18, 10, 22))])
    # a warm horizon glow behind the castle side
    glow = radial((W, H), (820, 520), 720, 1.6)
    paint(img, (190, 96, 70), glow, 0.35)
    return img


MOON = (905, 168, 60)


def stars(img):
    rng = random.Random(20161222)
    layer = Image.new("L", (W, H), 0)
    big = Image.new("L", (W, H), 0)
    d = ImageDraw.Draw(layer)
    db = ImageDraw.Draw(big)
    mx, my, mr = MOON
    for i in range(900):
        x = rng.uniform(0, W)
        y = 470 * (rng.random() ** 1.5)
        if math.hypot(x - mx, y - my) < mr + 40:
            continue
        fade = 1.0 - smoothstep(250, 470, y)
        b = (60 + 190 * rng.random() ** 4) * fade
        if i % 45 == 0:
            db.ellipse((x - 2.5, y - 2.5, x + 2.5, y + 2.5), fill=clamp8(200 * fade))
            b = 240 * fade
        d.point((x, y), fill=clamp8(b))
    halo = big.filter(ImageFilter.GaussianBlur(3))
    paint(img, (210, 214, 255), ImageChops.lighter(layer, halo))


def moon(img):
    mx, my, mr = MOON
    paint(img, (170, 150, 220), radial((W, H), (mx, my), 330, 2.2), 0.45)
    paint(img, (236, 226, 250), radial((W, H), (mx, my), 130, 2.0), 0.55)
    size = (2 * mr + 4, 2 * mr + 4)
    tex = fbm(size, 7, cells=(3, 3), octaves=5, persistence=0.6)
    surface = Image.new("RGB", size, (244, 238, 222))
    paint(surface, (176, 170, 176), curve(tex, lambda t: smoothstep(0.45, 0.95, t)), 0.7)
    shade = radial(size, (size[0] * 0.35, size[1] * 0.32), mr * 1.9, 1.0)
    dark = Image.new("RGB", size, (150, 140, 170))
    dark.paste(surface, (0, 0), shade)
    cov = coverage(size, circle_fn(size[0] / 2, size[1] / 2, mr))
    img.paste(dark, (mx - size[0] // 2, my - size[1] // 2), cov)


def clouds(img):
    n = fbm((W, H), 31, cells=(4, 10), octaves=6, persistence=0.5)
    band = lgradient_v((W, H), [(0.0, 0), (0.10, 200), (0.45, 255), (0.62, 60), (0.75, 0)])
    dens = ImageChops.multiply(curve(n, lambda t: smoothstep(0.40, 0.85, t)), band)
    col = Image.new("RGB", (W, H), (34, 22, 54))
    paint(col, (176, 150, 200), radial((W, H), MOON[:2], 280, 1.6), 0.95)
    paint(col, (150, 74, 86), lgradient_v((W, H), [(0.3, 0), (0.6, 255)]), 0.6)
    paint(img, col, dens, 0.8)
    # thin streaks drifting across the moon
    streaks = fbm((W, H), 37, cells=(2, 24), octaves=4, persistence=0.5)
    sband = lgradient_v((W, H), [(0.14, 0), (0.25, 255), (0.33, 0)])
    sdens = ImageChops.multiply(curve(streaks, lambda t: smoothstep(0.55, 0.9, t)), sband)
    paint(img, col, sdens, 0.75)
    # a faint violet haze over the upper left, behind the title
    paint(img, (90, 50, 130), radial((W, H), (380, 150), 520, 1.8), 0.25)


def fog(img, y, height, seed, colour, strength):
    n = fbm((W, H), seed, cells=(6, 14), octaves=5, persistence=0.5)
    t0 = (y - height) / H
    t1 = y / H
    t2 = (y + height * 0.6) / H
    band = lgradient_v((W, H), [(t0, 0), (t1, 255), (t2, 0)])
    paint(img, colour, ImageChops.multiply(band, curve(n, lambda t: 0.35 + 0.65 * t)), strength)


def castle_fn(d, s):
    """The castle on the crag: keep, towers with pointed roofs, walls with battlements."""
    def rect(x0, y0, x1, y1):
        d.rectangle((x0 * s, y0 * s, x1 * s, y1 * s), fill=255)

    def roof(x0, x1, base, top):
        d.polygon([(x0 * s, base * s), (x1 * s, base * s), ((x0 + x1) / 2 * s, top * s)], fill=255)

    # curtain walls and battlements
    rect(842, 268, 972, 320)
    for x in range(842, 972, 8):
        rect(x, 262, x + 4, 268)
    # keep with a spire
    rect(888, 212, 922, 300)
    roof(884, 926, 214, 150)
    rect(904, 128, 906, 152)
    # towers
    for (x0, x1, top, rtop) in [(852, 870, 236, 204), (934, 954, 228, 192), (962, 976, 258, 236),
                                 (836, 848, 252, 232)]:
        rect(x0, top, x1, 300)
        roof(x0 - 3, x1 + 3, top + 2, rtop)


CASTLE_WINDOWS = [(903, 226), (903, 246), (895, 270), (911, 270), (859, 250), (943, 244),
                  (943, 264), (968, 270), (842, 266), (882, 284), (926, 286)]


def jagged(p0, p1, seed, amplitude, levels=6, roughness=0.55):
    """A rough line from p0 to p1: midpoint displacement across the line's direction."""
    rng = random.Random(seed)
    pts = [p0, p1]
    amp = amplitude
    for _ in range(levels):
        out = [pts[0]]
        for a, b in zip(pts, pts[1:]):
            dx, dy = b[0] - a[0], b[1] - a[1]
            length = math.hypot(dx, dy) or 1.0
            off = rng.uniform(-amp, amp)
            out.append(((a[0] + b[0]) / 2 - dy / length * off, (a[1] + b[1]) / 2 + dx / length * off))
            out.append(b)
        pts = out
        amp *= roughness
    return pts


def crag_outline():
    """The rock under the castle: steep, broken flanks and a narrow top."""
    left = jagged((700, 640), (842, 304), 3, 26)
    top = jagged((842, 304), (978, 302), 4, 3, levels=4)
    right = jagged((978, 302), (1110, 640), 6, 24)
    return left + top[1:] + right[1:]


def ridge_y(points, x):
    for (x0, y0), (x1, y1) in zip(points, points[1:]):
        if x0 <= x <= x1:
            return y0 + (y1 - y0) * (x - x0) / (x1 - x0)
    return points[-1][1]


def pines_fn(points, seed, count, x_range, heights):
    rng = random.Random(seed)

    def fn(d, s):
        for _ in range(count):
            x = rng.uniform(*x_range)
            h = rng.uniform(*heights)
            y = ridge_y(points, x) + 3
            w = h * 0.36
            for k in range(4):
                ty = y - h * (0.25 + 0.25 * k)
                tw = w * (1.0 - 0.2 * k)
                d.polygon([((x - tw) * s, (ty + h * 0.35) * s), ((x + tw) * s, (ty + h * 0.35) * s),
                           (x * s, (ty - h * 0.12) * s)], fill=255)
            d.rectangle(((x - 1) * s, (y - h * 0.3) * s, (x + 1) * s, (y + 4) * s), fill=255)
    return fn


def landscape(img):
    # far range: tall, faint peaks
    far = ridge(5, 420, 110, 0.5)
    paint(img, (80, 48, 90), polygon_cov(far + [(W + 20, H), (-20, H)]))
    far_cov = polygon_cov(far + [(W + 20, H), (-20, H)])
    rim = ImageChops.subtract(far_cov, shift(far_cov, 0, 3))
    paint(img, (200, 150, 190), rim, 0.35)
    fog(img, 452, 80, 11, (176, 104, 120), 0.45)
    # middle range
    mid = ridge(8, 488, 70, 0.52)
    paint(img, (48, 29, 60), polygon_cov(mid + [(W + 20, H), (-20, H)]))
    fog(img, 500, 60, 12, (160, 90, 110), 0.30)
    # the crag and its castle, lit from the moon on the left
    crag = polygon_cov(crag_outline() + [(1110, H), (700, H)])
    castle = coverage((W, H), castle_fn, 2)
    both = ImageChops.lighter(crag, castle)
    paint(img, (36, 22, 48), both)
    rock = fbm((W, H), 19, cells=(24, 14), octaves=4, persistence=0.6)
    paint(img, (70, 50, 96), ImageChops.multiply(crag, curve(rock, lambda t: smoothstep(0.55, 1.0, t))), 0.5)
    rim = ImageChops.subtract(both, shift(both, 3, 2))
    paint(img, (170, 150, 214), ImageChops.multiply(rim, lgradient_v((W, H), [(0.15, 255), (0.7, 0)])), 0.7)
    lights = Image.new("L", (W, H), 0)
    dl = ImageDraw.Draw(lights)
    for x, y in CASTLE_WINDOWS:
        dl.rectangle((x, y, x + 1, y + 3), fill=255)
    paint(img, EMBER, lights.filter(ImageFilter.GaussianBlur(3)), 0.9)
    paint(img, (254, 214, 140), lights)
    fog(img, 540, 90, 13, (150, 84, 104), 0.40)
    # near hills with pines
    near = ridge(21, 566, 44, 0.5)
    near_cov = ImageChops.lighter(polygon_cov(near + [(W + 20, H), (-20, H)]),
                                  coverage((W, H), pines_fn(near, 9, 70, (0, 760), (14, 34)), 2))
    paint(img, (22, 14, 30), near_cov)
    fog(img, 606, 60, 17, (110, 60, 84), 0.35)
    nearest = ridge(33, 640, 30, 0.6)
    nearest_cov = ImageChops.lighter(polygon_cov(nearest + [(W + 20, H), (-20, H)]),
                                     coverage((W, H), pines_fn(nearest, 10, 40, (0, 1280), (24, 50)), 2))
    paint(img, (10, 7, 16), nearest_cov)


def embers(img):
    rng = random.Random(4242)
    layer = Image.new("L", (W, H), 0)
    d = ImageDraw.Draw(layer)
    for _ in range(140):
        x = rng.uniform(0, 1120)
        y = rng.uniform(360, 700)
        r = 0.6 + 1.6 * rng.random() ** 3
        b = clamp8(90 + 165 * rng.random())
        d.ellipse((x - r, y - r, x + r, y + r), fill=b)
    glow = layer.filter(ImageFilter.GaussianBlur(4))
    paint(img, (255, 120, 40), scaled(glow, 2.5), 0.9)
    paint(img, (255, 200, 130), layer)


def vignette(img):
    v = radial((W, H), (640, 330), 980, 0.7)
    paint(img, (4, 3, 8), ImageOps.invert(v), 0.85)


def title(img):
    """The game's title with an ornament and a subtitle, upper left."""
    cx, cy = 392, 214
    fnt = font("DejaVuSerifCondensed-Bold.ttf", 112)
    m = text_mask((W, H), "MORVANE", fnt, (cx, cy), spacing=10)
    # warm halo and a deep shadow so the letters stand off the sky
    paint(img, (255, 128, 48), dilate(m, 6).filter(ImageFilter.GaussianBlur(22)), 0.55)
    paint(img, (0, 0, 0), shift(dilate(m, 3), 0, 6).filter(ImageFilter.GaussianBlur(6)), 0.85)
    paint(img, (36, 20, 8), dilate(m, 3))
    paint(img, (150, 104, 44), dilate(m, 1))
    bbox = m.getbbox()
    top, bottom = bbox[1], bbox[3]
    gold = vgradient((W, H), [(0, (70, 40, 20)), ((top) / H, (255, 246, 206)),
                              ((top + (bottom - top) * 0.48) / H, (238, 190, 96)),
                              ((top + (bottom - top) * 0.52) / H, (170, 108, 38)),
                              ((bottom) / H, (250, 206, 120)), (1, (70, 40, 20))])
    paint(img, gold, m)
    # bevel: a light rim on the upper edges, a dark one on the lower edges
    paint(img, (255, 250, 230), ImageChops.subtract(m, shift(m, 0, 2)), 0.7)
    paint(img, (90, 50, 16), ImageChops.subtract(m, shift(m, 0, -2)), 0.6)
    # ornament: a rule with a diamond
    oy = bottom + 26
    orn = coverage((W, H), ornament_fn(cx, oy, 250), 2)
    paint(img, (0, 0, 0), dilate(orn, 2).filter(ImageFilter.GaussianBlur(2)), 0.7)
    paint(img, (226, 180, 100), orn)
    # subtitles
    sub = text_mask((W, H), "잿빛 왕관의 연대기", font("NanumMyeongjoBold.ttf", 30), (cx, oy + 38),
                    spacing=4)
    paint(img, (0, 0, 0), dilate(sub, 2).filter(ImageFilter.GaussianBlur(3)), 0.9)
    paint(img, (238, 226, 204), sub)
    tag = text_mask((W, H), "CHRONICLES OF THE ASHEN CROWN", font("DejaVuSerifCondensed.ttf", 15),
                    (cx, oy + 76), spacing=5)
    paint(img, (0, 0, 0), dilate(tag, 2).filter(ImageFilter.GaussianBlur(2)), 0.8)
    paint(img, (206, 170, 110), tag)


def ornament_fn(cx, cy, half):
    def fn(d, s):
        # tapering rules on both sides of a diamond
        for sign in (-1, 1):
            d.polygon([((cx + sign * 14) * s, (cy - 1.2) * s), ((cx + sign * half) * s, cy * s),
                       ((cx + sign * 14) * s, (cy + 1.2) * s)], fill=255)
            d.ellipse(((cx + sign * 20 - 2) * s, (cy - 2) * s, (cx + sign * 20 + 2) * s,
                       (cy + 2) * s), fill=255)
        d.polygon([(cx * s, (cy - 8) * s), ((cx + 8) * s, cy * s), (cx * s, (cy + 8) * s),
                   ((cx - 8) * s, cy * s)], fill=255)
    return fn


def panel(img, box, radius, fill, opacity, line=None, line_opacity=0.0):
    cov = coverage((W, H), rounded_rect_fn(box, radius), 2)
    paint(img, fill, cov, opacity)
    if line:
        x0, y0, x1, y1 = box
        inner = coverage((W, H), rounded_rect_fn((x0 + 1, y0 + 1, x1 - 1, y1 - 1), radius - 1), 2)
        paint(img, line, ImageChops.subtract(cov, inner), line_opacity)


def furniture(img):
    """The dark areas the controls sit on."""
    # lower band behind the status area
    band = lgradient_v((W, H), [(570 / H, 0), (604 / H, 225), (1.0, 240)])
    paint(img, (8, 6, 14), band)
    # gold trim along the band's top edge, fading at the ends
    trim = Image.new("L", (W, H), 0)
    ImageDraw.Draw(trim).rectangle((24, 600, W - 25, 600), fill=255)
    fade = hgradient((W, H), [(0.0, (0, 0, 0)), (0.25, (255, 255, 255)), (0.75, (255, 255, 255)),
                              (1.0, (0, 0, 0))]).convert("L")
    paint(img, (214, 168, 92), ImageChops.multiply(trim, fade), 0.8)
    paint(img, (214, 168, 92), coverage((W, H), ornament_fn(640, 600, 40), 2), 0.9)
    # label area: the captions and values of both columns, the status line and the bar
    panel(img, (114, 607, 996, 715), 8, (4, 3, 8), 0.55, (150, 116, 64), 0.35)
    # the progress bar's groove (the bar itself is 126,635 832x12)
    panel(img, (122, 633, 962, 650), 5, (2, 2, 4), 0.9, (176, 136, 74), 0.75)
    # the start button's niche
    paint(img, (255, 120, 40), radial((W, H), (1129, 648), 170, 2.0), 0.35)
    panel(img, (1003, 608, 1256, 687), 10, (4, 3, 8), 0.7, (176, 136, 74), 0.6)
    # the column of link buttons
    panel(img, (1180, 141, 1254, 520), 37, (6, 4, 12), 0.6, (176, 136, 74), 0.45)
    # the bar of small buttons, top right
    panel(img, (1123, 13, 1277, 67), 27, (6, 4, 12), 0.6, (176, 136, 74), 0.45)


def window_frame(img, shape):
    """A thin dark edge with a gold hairline inside the window's rounded outline."""
    inner1 = coverage((W, H), rounded_rect_fn((1, 1, W - 1, H - 1), WINDOW_RADIUS - 1))
    inner3 = coverage((W, H), rounded_rect_fn((3, 3, W - 3, H - 3), WINDOW_RADIUS - 3))
    inner4 = coverage((W, H), rounded_rect_fn((4, 4, W - 4, H - 4), WINDOW_RADIUS - 4))
    paint(img, (6, 4, 10), ImageChops.subtract(shape, inner3))
    paint(img, (160, 122, 66), ImageChops.subtract(inner1, inner3), 0.25)
    paint(img, (190, 146, 80), ImageChops.subtract(inner3, inner4), 0.55)


def main_background():
    """Returns (art without cut-out, the window's shape as 'L', finished picture)."""
    img = sky()
    stars(img)
    moon(img)
    clouds(img)
    landscape(img)
    embers(img)
    vignette(img)
    title(img)
    furniture(img)
    shape_cov = coverage((W, H), rounded_rect_fn((0, 0, W, H), WINDOW_RADIUS))
    window_frame(img, shape_cov)
    img = no_white(img)
    shape = hard(shape_cov)
    # the edge pixels kept in the shape are painted fully, never blended with the white outside
    return img, shape, cut_out(img, shape)


# ---------------------------------------------------------------------------------------
# Buttons

def finish_button(art, cov, backdrop):
    """The state picture: art over the backdrop, pure white outside the button's shape."""
    out = backdrop.copy()
    out.paste(art, (0, 0), cov)
    keep = hard(cov)
    return cut_out(no_white(out), keep)


def mask_picture(cov):
    return hard(cov).point(lambda v: 0 if v else 255).convert("RGB")


def plate(size, box, chamfer, state, text, text_font, style):
    """A chamfered plate button: frame, body, gloss and a centred label."""
    w, h = size
    outer = coverage(size, chamfer_fn(box, chamfer))
    x0, y0, x1, y1 = box
    inner = coverage(size, chamfer_fn((x0 + 2.5, y0 + 2.5, x1 - 2.5, y1 - 2.5), chamfer - 1))
    core = coverage(size, chamfer_fn((x0 + 4, y0 + 4, x1 - 4, y1 - 4), chamfer - 1.6))
    if state == "disabled":
        frame, body_stops, text_col, glow = GREY_STOPS, [(0, (72, 68, 74)), (1, (38, 36, 42))], \
            (148, 144, 148), None
    elif style == "ember":
        frame = GOLD_STOPS
        if state == "normal":
            body_stops = [(0, (200, 96, 30)), (0.5, (150, 50, 18)), (1, (92, 24, 12))]
            text_col, glow = TEXT_LIGHT, None
        else:
            body_stops = [(0, (250, 160, 60)), (0.5, (210, 92, 28)), (1, (140, 44, 14))]
            text_col, glow = (254, 252, 236), (255, 210, 120)
    else:  # slate
        frame = SILVER_STOPS
        if state == "normal":
            body_stops = [(0, (78, 74, 100)), (0.5, (50, 46, 68)), (1, (28, 26, 40))]
            text_col, glow = (236, 234, 244), None
        else:
            body_stops = [(0, (120, 114, 150)), (0.5, (84, 78, 112)), (1, (46, 42, 64))]
            text_col, glow = (254, 254, 250), (200, 200, 255)
    art = vgradient(size, frame)
    paint(art, (20, 10, 6), inner)
    paint(art, vgradient(size, body_stops), core)
    # gloss on the upper half and a hairline inside the frame
    gloss = ImageChops.multiply(core, lgradient_v(size, [(0, 90), (0.5, 30), (0.52, 0), (1, 0)]))
    paint(art, (255, 240, 220), gloss, 0.6)
    if glow:
        paint(art, glow, ImageChops.multiply(core, radial(size, (w / 2, h / 2), w * 0.55, 1.5)), 0.45)
    dy = 1 if state == "pressed" else 0
    tm = text_mask(size, text, text_font, (w / 2, h / 2 + dy), spacing=2)
    paint(art, (30, 8, 4), shift(dilate(tm, 1), 0, 2).filter(ImageFilter.GaussianBlur(1.5)), 0.8)
    if glow:
        paint(art, glow, dilate(tm, 2).filter(ImageFilter.GaussianBlur(4)), 0.7)
    paint(art, text_col, tm)
    # small diamonds beside the label
    tb = tm.getbbox()
    if tb and w > 200:
        for cx in (tb[0] - 18, tb[2] + 18):
            dm = coverage(size, diamond_fn(cx, h / 2 + dy, 4))
            paint(art, text_col if state != "disabled" else (120, 116, 120), dm, 0.85)
    return art, outer


def diamond_fn(cx, cy, r):
    def fn(d, s):
        d.polygon([(cx * s, (cy - r) * s), ((cx + r) * s, cy * s), (cx * s, (cy + r) * s),
                   ((cx - r) * s, cy * s)], fill=255)
    return fn


def medallion(size, glyph_fn, state, accent=(255, 170, 80)):
    """A round button: gold ring, dark enamel disc and a glyph."""
    w, h = size
    c = w / 2
    r = w / 2 - 0.5
    ring_w = 3.0 if w >= 50 else 2.5
    outer = coverage(size, circle_fn(c, c, r))
    inner = coverage(size, circle_fn(c, c, r - ring_w))
    disc = coverage(size, circle_fn(c, c, r - ring_w - 1))
    art = vgradient(size, GOLD_STOPS if state != "pressed" else
                    [(0, (254, 240, 190)), (0.5, (236, 186, 100)), (1, (250, 214, 140))])
    paint(art, (16, 10, 6), inner)
    if state == "pressed":
        enamel = Image.new("RGB", size, (46, 20, 16))
        paint(enamel, accent, radial(size, (c, c + 2), r * 1.1, 1.2), 0.75)
        glyph_col = (254, 250, 232)
    else:
        enamel = Image.new("RGB", size, (16, 11, 26))
        paint(enamel, (70, 48, 100), radial(size, (c, c - r * 0.35), r * 1.3, 1.3), 0.9)
        glyph_col = (236, 204, 138)
    paint(art, enamel, disc)
    gloss = ImageChops.multiply(disc, coverage(size, circle_fn(c, c - r * 0.55, r * 0.75)))
    paint(art, (255, 244, 230), gloss, 0.10)
    dy = 1 if state == "pressed" else 0
    g = coverage(size, lambda d, s: glyph_fn(d, s, w, dy))
    g = ImageChops.multiply(g, disc)
    paint(art, (0, 0, 0), shift(g, 0, 1).filter(ImageFilter.GaussianBlur(1)), 0.8)
    if state == "pressed":
        paint(art, (255, 220, 150), dilate(g, 1).filter(ImageFilter.GaussianBlur(2)), 0.8)
    paint(art, glyph_col, g)
    return art, outer


# Glyphs: drawn with draw d at scale s into a w x w box, moved down by dy when pressed.

def _P(s, w, dy, x, y):
    return (x * w * s, (y * w + dy) * s)


def glyph_close(d, s, w, dy):
    lw = max(2, round(0.085 * w * s))
    for (a, b) in [((0.34, 0.34), (0.66, 0.66)), ((0.66, 0.34), (0.34, 0.66))]:
        d.line([_P(s, w, dy, *a), _P(s, w, dy, *b)], fill=255, width=lw)


def glyph_minimise(d, s, w, dy):
    x0, y0 = _P(s, w, dy, 0.32, 0.55)
    x1, y1 = _P(s, w, dy, 0.68, 0.64)
    d.rectangle((x0, y0, x1, y1), fill=255)


def glyph_globe(d, s, w, dy):
    cx, cy = _P(s, w, dy, 0.5, 0.5)
    r = 0.29 * w * s
    lw = max(2, round(0.05 * w * s))
    d.ellipse((cx - r, cy - r, cx + r, cy + r), outline=255, width=lw)
    d.ellipse((cx - r * 0.45, cy - r, cx + r * 0.45, cy + r), outline=255, width=lw)
    d.line([(cx, cy - r), (cx, cy + r)], fill=255, width=lw)
    d.line([(cx - r, cy), (cx + r, cy)], fill=255, width=lw)
    for k in (-0.55, 0.55):
        hw = r * math.sqrt(1 - k * k)
        d.line([(cx - hw, cy + k * r), (cx + hw, cy + k * r)], fill=255, width=max(1, lw * 3 // 4))


def glyph_bubbles(d, s, w, dy):
    # two speech bubbles: the community
    x0, y0 = _P(s, w, dy, 0.22, 0.27)
    x1, y1 = _P(s, w, dy, 0.66, 0.58)
    d.rounded_rectangle((x0, y0, x1, y1), radius=0.09 * w * s, fill=255)
    d.polygon([_P(s, w, dy, 0.30, 0.56), _P(s, w, dy, 0.42, 0.56), _P(s, w, dy, 0.28, 0.68)],
              fill=255)
    for k in range(3):
        cx, cy = _P(s, w, dy, 0.32 + 0.12 * k, 0.425)
        rr = 0.035 * w * s
        d.ellipse((cx - rr, cy - rr, cx + rr, cy + rr), fill=0)
    x0, y0 = _P(s, w, dy, 0.50, 0.47)
    x1, y1 = _P(s, w, dy, 0.80, 0.70)
    lw = max(2, round(0.045 * w * s))
    d.rounded_rectangle((x0, y0, x1, y1), radius=0.07 * w * s, outline=255, width=lw)
    d.polygon([_P(s, w, dy, 0.66, 0.69), _P(s, w, dy, 0.74, 0.69), _P(s, w, dy, 0.76, 0.78)],
              fill=255)


def glyph_f(d, s, w, dy):
    fnt = font("DejaVuSans-Bold.ttf", int(0.56 * w * s))
    d.text(_P(s, w, dy, 0.53, 0.53), "f", font=fnt, fill=255, anchor="mm")


def glyph_play(d, s, w, dy):
    x0, y0 = _P(s, w, dy, 0.23, 0.31)
    x1, y1 = _P(s, w, dy, 0.77, 0.69)
    d.rounded_rectangle((x0, y0, x1, y1), radius=0.1 * w * s, fill=255)
    d.polygon([_P(s, w, dy, 0.44, 0.40), _P(s, w, dy, 0.60, 0.50), _P(s, w, dy, 0.44, 0.60)], fill=0)


def glyph_camera(d, s, w, dy):
    lw = max(2, round(0.055 * w * s))
    x0, y0 = _P(s, w, dy, 0.27, 0.27)
    x1, y1 = _P(s, w, dy, 0.73, 0.73)
    d.rounded_rectangle((x0, y0, x1, y1), radius=0.13 * w * s, outline=255, width=lw)
    cx, cy = _P(s, w, dy, 0.5, 0.5)
    r = 0.11 * w * s
    d.ellipse((cx - r, cy - r, cx + r, cy + r), outline=255, width=lw)
    cx, cy = _P(s, w, dy, 0.635, 0.365)
    r = 0.03 * w * s
    d.ellipse((cx - r, cy - r, cx + r, cy + r), fill=255)


def glyph_wrench(d, s, w, dy):
    lw = round(0.12 * w * s)
    d.line([_P(s, w, dy, 0.32, 0.68), _P(s, w, dy, 0.58, 0.42)], fill=255, width=lw)
    cx, cy = _P(s, w, dy, 0.62, 0.38)
    r = 0.17 * w * s
    d.ellipse((cx - r, cy - r, cx + r, cy + r), fill=255)
    # the jaw: a notch opening to the upper right
    jx, jy = _P(s, w, dy, 0.69, 0.31)
    jr = 0.075 * w * s
    d.ellipse((jx - jr, jy - jr, jx + jr, jy + jr), fill=0)
    d.polygon([(jx - jr * 0.7, jy - jr * 0.7), (jx + jr * 0.7, jy + jr * 0.7),
               (jx + 4 * jr, jy - 2 * jr), (jx + 2 * jr, jy - 4 * jr)], fill=0)
    ex, ey = _P(s, w, dy, 0.32, 0.68)
    er = 0.07 * w * s
    d.ellipse((ex - er, ey - er, ex + er, ey + er), fill=255)


def glyph_m(d, s, w, dy):
    fnt = font("DejaVuSerif-Bold.ttf", int(0.5 * w * s))
    d.text(_P(s, w, dy, 0.5, 0.53), "M", font=fnt, fill=255, anchor="mm")


# ---------------------------------------------------------------------------------------
# Message box (bitmap 132 and its buttons)

MW, MH = 542, 260
MSG_RADIUS = 12


def msgbox_background():
    size = (MW, MH)
    img = vgradient(size, [(0, (30, 22, 46)), (0.6, (18, 13, 30)), (1, (12, 9, 20))])
    n = fbm(size, 77, cells=(4, 3), octaves=5)
    paint(img, (70, 44, 90), curve(n, lambda t: smoothstep(0.4, 1.0, t)), 0.35)
    paint(img, (120, 70, 60), radial(size, (MW / 2, MH * 1.1), MW * 0.7, 1.5), 0.35)
    # the text area
    ta = coverage(size, rounded_rect_fn((30, 22, 512, 160), 8))
    paint(img, (4, 3, 8), ta, 0.45)
    # a separator above the buttons
    sep = Image.new("L", size, 0)
    ImageDraw.Draw(sep).rectangle((40, 179, MW - 41, 179), fill=255)
    fade = hgradient(size, [(0, (0, 0, 0)), (0.3, (255, 255, 255)), (0.7, (255, 255, 255)),
                            (1, (0, 0, 0))]).convert("L")
    paint(img, (206, 160, 90), ImageChops.multiply(sep, fade), 0.8)
    paint(img, (214, 168, 92), coverage(size, diamond_fn(MW / 2, 179.5, 5)))
    # frame: dark edge, a gold hairline, and a fine inner line with corner studs
    shape = coverage(size, rounded_rect_fn((0, 0, MW, MH), MSG_RADIUS))
    i1 = coverage(size, rounded_rect_fn((1, 1, MW - 1, MH - 1), MSG_RADIUS - 1))
    i3 = coverage(size, rounded_rect_fn((3, 3, MW - 3, MH - 3), MSG_RADIUS - 3))
    i7 = coverage(size, rounded_rect_fn((7, 7, MW - 7, MH - 7), MSG_RADIUS - 5))
    i8 = coverage(size, rounded_rect_fn((8, 8, MW - 8, MH - 8), MSG_RADIUS - 6))
    paint(img, (8, 5, 12), ImageChops.subtract(shape, i1))
    paint(img, vgradient(size, GOLD_STOPS), ImageChops.subtract(i1, i3))
    paint(img, (10, 6, 12), ImageChops.subtract(i3, i3.filter(ImageFilter.MinFilter(3))), 0.6)
    paint(img, (176, 136, 74), ImageChops.subtract(i7, i8), 0.55)
    for (x, y) in [(7.5, 7.5), (MW - 7.5, 7.5), (7.5, MH - 7.5), (MW - 7.5, MH - 7.5)]:
        paint(img, (226, 182, 104), coverage(size, diamond_fn(x, y, 4)))
    paint(img, (226, 182, 104), coverage(size, diamond_fn(MW / 2, 3, 6)))
    img = no_white(img)
    keep = hard(shape)
    return img, keep, cut_out(img, keep)


def msgbox_close_picture():
    """The box's small close button (created, then hidden): an x on a dark square."""
    size = (18, 18)
    art = vgradient(size, GOLD_DIM_STOPS)
    paint(art, (20, 14, 28), coverage(size, lambda d, s: d.rectangle((1 * s, 1 * s, 17 * s - 1,
                                                                         17 * s - 1), fill=255)))
    paint(art, (230, 200, 140), coverage(size, lambda d, s: glyph_close(d, s, 18, 0)))
    return no_white(art)


# ---------------------------------------------------------------------------------------
# Progress bar fill (bitmap 131) and the icon

def progress_fill():
    """836 x 16: the top ten to twelve rows are what a 12-pixel bar shows."""
    w, h = 836, 16
    rows = [(255, 240, 180), (252, 214, 120), (246, 190, 80), (238, 170, 56), (230, 152, 42),
            (220, 136, 34), (206, 118, 28), (188, 98, 22), (166, 80, 18), (140, 62, 14),
            (112, 46, 12), (92, 36, 10), (80, 30, 8), (72, 26, 8), (66, 24, 8), (60, 22, 8)]
    col = Image.new("RGB", (1, h))
    col.putdata(rows)
    img = col.resize((w, h), RESAMPLE.NEAREST)
    # deeper amber on the left, brighter gold towards the right end
    warm = hgradient((w, h), [(0, (0, 0, 0)), (1, (255, 255, 255))]).convert("L")
    paint(img, (150, 40, 10), ImageOps.invert(warm), 0.25)
    paint(img, (255, 236, 150), warm, 0.15)
    # slanted sheen bands every 24 pixels
    sheen = Image.new("L", (w, h), 0)
    d = ImageDraw.Draw(sheen)
    for x in range(-32, w + 32, 24):
        d.polygon([(x, h), (x + 8, 0), (x + 16, 0), (x + 8, h)], fill=255)
    paint(img, (255, 246, 210), sheen.filter(ImageFilter.GaussianBlur(1.2)), 0.16)
    return no_white(img)


def app_icon():
    size = (64, 64)
    art, cov = medallion(size, glyph_m, "normal")
    out = no_white(art).convert("RGBA")
    out.putalpha(cov)
    return out


# ---------------------------------------------------------------------------------------
# The resource tables: what each picture is and where it sits (for its backdrop)

MAIN_BUTTONS = [
    # (name, position, size, mask id, normal id, pressed id, disabled id, art maker)
    ("start", (1010, 615), (239, 65), 144, 145, 146, 143, "start"),
    ("close", (1230, 20), (40, 40), 147, 148, 149, None, glyph_close),
    ("minimize", (1180, 20), (40, 40), 150, 151, 152, None, glyph_minimise),
    ("site", (1190, 152), (54, 54), 153, 154, 155, None, glyph_globe),
    ("cafe", (1190, 230), (54, 54), 156, 157, 158, None, glyph_bubbles),
    ("facebook", (1190, 380), (54, 54), 159, 160, 161, None, glyph_f),
    ("repair", (1130, 20), (40, 40), 162, 163, 164, None, glyph_wrench),
    ("instagram", (1190, 455), (54, 54), 165, 166, 167, None, glyph_camera),
    ("youtube", (1190, 305), (54, 54), 168, 169, 170, None, glyph_play),
]

MSG_BUTTONS = [
    ("msgbox_confirm", (315, 199), 141, 137, 142, "확인", "ember"),
    ("msgbox_cancel", (53, 199), 139, 134, 140, "취소", "slate"),
]


def save(out_dir, rid, name, img):
    path = os.path.join(out_dir, "%d_%s.png" % (rid, name))
    img.save(path, optimize=True)
    print("%s %dx%d" % (os.path.basename(path), img.width, img.height))


def main():
    out_dir = sys.argv[1] if len(sys.argv) > 1 else \
        os.path.join(os.path.dirname(os.path.abspath(__file__)), "pictures")
    os.makedirs(out_dir, exist_ok=True)
    for f in os.listdir(out_dir):
        if f.endswith(".png"):
            os.remove(os.path.join(out_dir, f))

    save(out_dir, 128, "app_icon", app_icon())
    art, _, bg = main_background()
    save(out_dir, 130, "main_background", bg)
    save(out_dir, 131, "progress_fill", progress_fill())

    start_font = font("NanumSquareB.ttf", 27)
    for (name, (x, y), size, mask_id, normal_id, pressed_id, disabled_id, maker) in MAIN_BUTTONS:
        backdrop = art.crop((x, y, x + size[0], y + size[1]))
        states = [("normal", normal_id), ("pressed", pressed_id)]
        if disabled_id:
            states.append(("disabled", disabled_id))
        cov = None
        for state, rid in states:
            if maker == "start":
                a, cov = plate(size, (0, 0, size[0], size[1]), 13, state, "게임 시작", start_font,
                               "ember")
            else:
                accent = (232, 70, 52) if name == "close" else (255, 170, 80)
                a, cov = medallion(size, maker, state, accent)
            save(out_dir, rid, "%s_%s" % (name, state), finish_button(a, cov, backdrop))
        save(out_dir, mask_id, name + "_mask", mask_picture(cov))

    mart, _, mbg = msgbox_background()
    save(out_dir, 132, "msgbox_background", mbg)
    btn_font = font("NanumSquareB.ttf", 21)
    for (name, (x, y), mask_id, normal_id, pressed_id, label, style) in MSG_BUTTONS:
        size = (170, 48)
        backdrop = mart.crop((x, y, x + size[0], y + size[1]))
        cov = None
        for state, rid in [("normal", normal_id), ("pressed", pressed_id)]:
            a, cov = plate(size, (0, 0, size[0], size[1]), 9, state, label, btn_font, style)
            save(out_dir, rid, "%s_%s" % (name, state), finish_button(a, cov, backdrop))
        save(out_dir, mask_id, name + "_mask", mask_picture(cov))
    save(out_dir, 136, "msgbox_close", msgbox_close_picture())


if __name__ == "__main__":
    main()
