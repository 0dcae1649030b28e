#!/usr/bin/python3
"""Draws the editor's 23 images and writes them to resources/png/ (committed; the build only
reads them). Needs Debian's python3-pil and fonts-liberation. Run: resources/generate_images.py

Coordinates in the helpers named tk_* are the toolkit's: x to the right, y up from the image's
bottom row, as the editor lays out its controls. Film strips hold their frames top to bottom in
the file; frame k of a control is k frames up from the bottom edge, so the top frame of a
two-frame switch is its "off" look and the bottom frame its "on" look.
"""
import math
import os
import sys

from PIL import Image, ImageDraw, ImageFilter, ImageFont

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import pngenc  # noqa: E402

HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.join(HERE, "png")
FONTS = "/usr/share/fonts/truetype/liberation/"

# Graphite theme.
BG = (30, 32, 36)
PANEL_TOP = (50, 54, 60)
PANEL_BOTTOM = (35, 38, 43)
HILITE = (80, 86, 94)
SHADOW = (14, 15, 18)
TEXT = (216, 220, 226)
TEXT_DIM = (150, 157, 166)
ACCENT = (255, 150, 40)
WELL = (10, 11, 13)
LCD_TOP = (214, 219, 208)
LCD_BOTTOM = (192, 198, 186)
LCD_SHADE = (160, 166, 156)


def font(size, bold=False):
    name = "LiberationSans-Bold.ttf" if bold else "LiberationSans-Regular.ttf"
    return ImageFont.truetype(FONTS + name, size)


def canvas(w, h, color=(0, 0, 0, 0)):
    return Image.new("RGBA", (w, h), color if len(color) == 4 else color + (255,))


def tk_box(img, x, y, w, h):
    """Toolkit rectangle -> inclusive PIL box."""
    H = img.height
    return (x, H - y - h, x + w - 1, H - y - 1)


def tk_row(img, y):
    return img.height - y - 1


def vgrad(img, box, top, bottom):
    x0, y0, x1, y1 = box
    d = ImageDraw.Draw(img)
    n = max(1, y1 - y0)
    for y in range(y0, y1 + 1):
        t = (y - y0) / n
        c = tuple(round(a + (b - a) * t) for a, b in zip(top, bottom))
        d.line([(x0, y), (x1, y)], fill=c + (255,))


def panel(img, box=None, top=PANEL_TOP, bottom=PANEL_BOTTOM, edges=True):
    box = box or (0, 0, img.width - 1, img.height - 1)
    vgrad(img, box, top, bottom)
    if edges:
        x0, y0, x1, y1 = box
        d = ImageDraw.Draw(img)
        d.line([(x0, y0), (x1, y0)], fill=HILITE + (255,))
        d.line([(x0, y0), (x0, y1)], fill=HILITE + (255,))
        d.line([(x0, y1), (x1, y1)], fill=SHADOW + (255,))
        d.line([(x1, y0), (x1, y1)], fill=SHADOW + (255,))


def lcd(img, box):
    """A recessed light field for black text: a dark rim, a shade line on top, a soft gradient."""
    x0, y0, x1, y1 = box
    d = ImageDraw.Draw(img)
    d.rectangle(box, outline=SHADOW + (255,))
    vgrad(img, (x0 + 1, y0 + 1, x1 - 1, y1 - 1), LCD_TOP, LCD_BOTTOM)
    d.line([(x0 + 1, y0 + 1), (x1 - 1, y0 + 1)], fill=LCD_SHADE + (255,))
    d.line([(x0 + 1, y0 + 1), (x0 + 1, y1 - 1)], fill=LCD_SHADE + (255,))


def well(img, box, fill=WELL):
    """A dark recess: shadow rim, highlight below and right."""
    x0, y0, x1, y1 = box
    d = ImageDraw.Draw(img)
    d.rectangle(box, fill=fill + (255,), outline=SHADOW + (255,))
    d.line([(x0, y1 + 1), (x1 + 1, y1 + 1)], fill=HILITE + (255,))
    d.line([(x1 + 1, y0), (x1 + 1, y1 + 1)], fill=HILITE + (255,))


def text(img, xy, s, size, color=TEXT, bold=False, anchor="lm"):
    ImageDraw.Draw(img).text(xy, s, font=font(size, bold), fill=color + (255,), anchor=anchor)


def supersampled(w, h, painter, scale=8):
    """Paints at scale x resolution with painter(draw, scale) and filters down: smooth edges."""
    big = Image.new("RGBA", (w * scale, h * scale), (0, 0, 0, 0))
    painter(ImageDraw.Draw(big), scale, big)
    return big.resize((w, h), Image.LANCZOS)


def stack(frames):
    """Film strip: frames top to bottom."""
    w = frames[0].width
    out = canvas(w, sum(f.height for f in frames))
    y = 0
    for f in frames:
        out.alpha_composite(f, (0, y))
        y += f.height
    return out


def over(img, color):
    """The image composited over an opaque colour."""
    base = canvas(img.width, img.height, color)
    base.alpha_composite(img)
    return base


# ---- encodings --------------------------------------------------------------------------------

def rows_of(img, mode):
    px = img.load()
    w, h = img.size
    return [[px[x, y] for x in range(w)] for y in range(h)]


def save(name, img, form, interlace=False, depth=8, key=None):
    """Writes img (RGBA) as resources/png/<name> in the given form:
    rgb, rgba, grey, greya, palette; key: colour made transparent through tRNS (rgb, grey)."""
    w, h = img.size
    px = rows_of(img, "RGBA")
    scale = (lambda v: v * 257) if depth == 16 else (lambda v: v)
    palette = trns = None
    if form == "rgb":
        rows = [[tuple(scale(v) for v in p[:3]) for p in r] for r in px]
        ctype = pngenc.RGB
        if key is not None:
            trns = tuple(scale(v) for v in key)
    elif form == "rgba":
        rows = [[tuple(scale(v) for v in p) for p in r] for r in px]
        ctype = pngenc.RGBA
    elif form == "grey":
        levels = (1 << depth) - 1
        rows = [[round(p[0] * levels / 255) for p in r] for r in px]
        ctype = pngenc.GREY
        if key is not None:
            trns = round(key * levels / 255)
    elif form == "greya":
        rows = [[(scale(p[0]), scale(p[3])) for p in r] for r in px]
        ctype = pngenc.GREY_ALPHA
    elif form == "palette":
        colors = 1 << depth
        if any(p[3] != 255 for r in px for p in r):
            q = img.quantize(colors=colors, method=Image.Quantize.FASTOCTREE, dither=Image.Dither.NONE)
            entries = q.getpalette(rawmode="RGBA")
        else:
            q = img.convert("RGB").quantize(colors=colors, method=Image.Quantize.MEDIANCUT,
                                             dither=Image.Dither.NONE)
            entries = [v for i in range(0, len(q.getpalette()), 3) for v in q.getpalette()[i:i + 3] + [255]]
        count = max(q.getdata()) + 1
        palette = [tuple(entries[4 * i:4 * i + 3]) for i in range(count)]
        alphas = [entries[4 * i + 3] for i in range(count)]
        while alphas and alphas[-1] == 255:
            alphas.pop()
        trns = alphas or None
        qp = q.load()
        rows = [[qp[x, y] for x in range(w)] for y in range(h)]
        ctype = pngenc.PALETTE
    else:
        raise ValueError(form)
    data = pngenc.encode(w, h, rows, ctype, depth, palette=palette, trns=trns, interlace=interlace)
    with open(os.path.join(OUT, name), "wb") as f:
        f.write(data)


# ---- buttons and switches ---------------------------------------------------------------------

def tab_frame(caption, on):
    img = canvas(69, 20)
    if on:
        vgrad(img, (0, 0, 68, 19), (74, 79, 87), (54, 58, 64))
        d = ImageDraw.Draw(img)
        d.line([(0, 0), (68, 0)], fill=(104, 110, 118, 255))
        d.line([(0, 0), (0, 19)], fill=(90, 96, 104, 255))
        d.line([(68, 0), (68, 19)], fill=SHADOW + (255,))
        d.rectangle((1, 17, 67, 19), fill=ACCENT + (255,))
        text(img, (34, 9), caption, 11, (255, 255, 255), bold=True, anchor="mm")
    else:
        vgrad(img, (0, 0, 68, 19), (44, 47, 52), (33, 35, 39))
        d = ImageDraw.Draw(img)
        d.line([(0, 0), (68, 0)], fill=(60, 64, 70, 255))
        d.line([(0, 0), (0, 19)], fill=(58, 62, 68, 255))
        d.line([(68, 0), (68, 19)], fill=SHADOW + (255,))
        d.line([(0, 19), (68, 19)], fill=SHADOW + (255,))
        text(img, (34, 10), caption, 11, TEXT_DIM, bold=True, anchor="mm")
    return img


def tab(caption):
    return stack([tab_frame(caption, False), tab_frame(caption, True)])


def led_frame(color, on, size=14):
    r, g, b = color

    def paint(d, s, big):
        c = size * s / 2
        bez = 6.2 * s
        d.ellipse((c - bez, c - bez, c + bez, c + bez), fill=(12, 12, 14, 255))
        ring = 5.4 * s
        d.ellipse((c - ring, c - ring, c + ring, c + ring), fill=(58, 61, 66, 255))
        lens = 4.3 * s
        if on:
            d.ellipse((c - lens, c - lens, c + lens, c + lens), fill=(r, g, b, 255))
            hot = 2.4 * s
            hc = tuple(min(255, v + 110) for v in color)
            d.ellipse((c - hot, c - hot - 0.6 * s, c + hot, c + hot - 0.6 * s), fill=hc + (255,))
        else:
            dim = tuple(v * 28 // 100 for v in color)
            d.ellipse((c - lens, c - lens, c + lens, c + lens), fill=dim + (255,))
            gl = 1.6 * s
            d.ellipse((c - 1.6 * s - gl, c - 1.8 * s - gl, c - 1.6 * s + gl, c - 1.8 * s + gl),
                      fill=tuple(min(255, v + 40) for v in dim) + (255,))
    return supersampled(size, size, paint)


def led(color):
    return stack([led_frame(color, False), led_frame(color, True)])


def memory_frame(state):
    """state 0 empty, 1 stored, 2 shown."""
    def paint(d, s, big):
        box = (0.5 * s, 0.5 * s, 11.5 * s, 11.5 * s)
        d.rounded_rectangle(box, radius=2.5 * s, fill=(12, 12, 14, 255))
        inner = (1.6 * s, 1.6 * s, 10.4 * s, 10.4 * s)
        if state == 0:
            d.rounded_rectangle(inner, radius=1.8 * s, fill=(40, 43, 48, 255), outline=(70, 75, 82, 255),
                                width=s)
        elif state == 1:
            d.rounded_rectangle(inner, radius=1.8 * s, fill=(52, 92, 140, 255))
            d.rounded_rectangle((3 * s, 3 * s, 9 * s, 6 * s), radius=1.2 * s, fill=(74, 118, 170, 255))
        else:
            d.rounded_rectangle(inner, radius=1.8 * s, fill=(70, 175, 255, 255))
            d.rounded_rectangle((3 * s, 2.6 * s, 9 * s, 6 * s), radius=1.2 * s, fill=(200, 236, 255, 255))
    return supersampled(12, 12, paint)


def small_button(glyph, pressed, w=7, h=9):
    """Grey kick button: '+', '-'."""
    img = canvas(w, h)
    d = ImageDraw.Draw(img)
    bg = 112 if pressed else 62
    fg = 255 if pressed else 214
    d.rectangle((0, 0, w - 1, h - 1), fill=(bg, bg, bg, 255), outline=(24, 24, 24, 255))
    d.line([(1, 1), (w - 2, 1)], fill=(bg + 26,) * 3 + (255,))
    mid = h // 2
    d.line([(1, mid), (w - 2, mid)], fill=(fg,) * 3 + (255,))
    if glyph == "+":
        d.line([(w // 2, mid - 2), (w // 2, mid + 2)], fill=(fg,) * 3 + (255,))
    return img


def arrows_h(pressed):
    img = canvas(14, 9, (1, 1, 1, 255))  # grey 1 is the transparent key
    d = ImageDraw.Draw(img)
    c = 255 if pressed else 176
    d.polygon([(0, 4), (4, 0), (4, 8)], fill=(c, c, c, 255))
    d.polygon([(13, 4), (9, 0), (9, 8)], fill=(c, c, c, 255))
    d.line([(5, 4), (8, 4)], fill=(c // 2,) * 3 + (255,))
    return img


def arrows_v(pressed):
    c = 255 if pressed else 176

    def paint(d, s, big):
        d.polygon([(3.5 * s, 0.6 * s), (0.4 * s, 5.6 * s), (6.6 * s, 5.6 * s)], fill=(c, c, c, 255))
        d.polygon([(3.5 * s, 13.4 * s), (0.4 * s, 8.4 * s), (6.6 * s, 8.4 * s)], fill=(c, c, c, 255))
        d.rectangle((3 * s, 6.2 * s, 4 * s, 7.8 * s), fill=(c // 2, c // 2, c // 2, 255))
    return supersampled(7, 14, paint)


def pause_frame(on):
    def paint(d, s, big):
        d.rounded_rectangle((0.5 * s, 0.5 * s, 25.5 * s, 13.5 * s), radius=3 * s, fill=(14, 15, 18, 255))
        top, bottom = ((84, 90, 98), (60, 64, 70)) if on else ((56, 60, 66), (40, 43, 48))
        for i in range(int(1.5 * s), int(12.5 * s)):
            t = (i - 1.5 * s) / (11 * s)
            col = tuple(round(a + (b - a) * t) for a, b in zip(top, bottom)) + (255,)
            d.line([(1.5 * s, i), (24.5 * s, i)], fill=col)
        glyph = ACCENT if on else (150, 156, 164)
        d.rectangle((9.5 * s, 3.5 * s, 11.7 * s, 10.5 * s), fill=glyph + (255,))
        d.rectangle((14.3 * s, 3.5 * s, 16.5 * s, 10.5 * s), fill=glyph + (255,))
    img = supersampled(26, 14, paint)
    return img


def panel_tabs_frame(controls_selected):
    img = canvas(9, 140)

    def half(caption, selected):
        part = canvas(70, 9)  # drawn lying down, turned upright below
        if selected:
            vgrad(part, (0, 0, 69, 8), (72, 77, 85), (56, 60, 66))
            ImageDraw.Draw(part).line([(0, 8), (69, 8)], fill=ACCENT + (255,))
            text(part, (35, 4), caption, 9, (255, 255, 255), anchor="mm")
        else:
            vgrad(part, (0, 0, 69, 8), (42, 45, 50), (32, 34, 38))
            ImageDraw.Draw(part).line([(0, 8), (69, 8)], fill=SHADOW + (255,))
            text(part, (35, 4), caption, 9, TEXT_DIM, anchor="mm")
        d = ImageDraw.Draw(part)
        d.line([(0, 0), (0, 8)], fill=SHADOW + (255,))
        d.line([(69, 0), (69, 8)], fill=SHADOW + (255,))
        return part.transpose(Image.ROTATE_90)  # reads bottom to top

    img.alpha_composite(half("Controls", controls_selected), (0, 0))
    img.alpha_composite(half("Names", not controls_selected), (0, 70))
    return img


# ---- knob -------------------------------------------------------------------------------------

KNOB_FRAMES = 136


def knob_frame(value):
    """value 0..1; the pointer sweeps 270 degrees from lower left (7:30) to lower right (4:30)."""
    angle = -135.0 + 270.0 * value

    def paint(d, s, big):
        cx, cy = 13 * s, 12.5 * s
        # Value arc: dark track, lit part up to the pointer. PIL measures angles clockwise from 3 o'clock.
        r = 11.6 * s
        box = (cx - r, cy - r, cx + r, cy + r)
        d.arc(box, 135, 405, fill=(16, 17, 20, 255), width=int(2.2 * s))
        if value > 0:
            d.arc(box, 135, 135 + 270 * value, fill=ACCENT + (255,), width=int(1.6 * s))
        # Body: dark rim, shaded face, brighter upper left.
        rb = 8.4 * s
        d.ellipse((cx - rb, cy - rb, cx + rb, cy + rb), fill=(10, 11, 13, 255))
        for i in range(24, 0, -1):
            rr = (7.6 * s) * i / 24
            t = i / 24
            base = round(78 - 30 * t)
            ox, oy = -1.4 * s * (1 - t), -1.6 * s * (1 - t)
            d.ellipse((cx + ox - rr, cy + oy - rr, cx + ox + rr, cy + oy + rr), fill=(base, base + 3, base + 8, 255))
        # Pointer.
        a = math.radians(angle)
        sx, sy = math.sin(a), -math.cos(a)
        p0 = (cx + sx * 2.6 * s, cy + sy * 2.6 * s)
        p1 = (cx + sx * 7.4 * s, cy + sy * 7.4 * s)
        d.line([p0, p1], fill=(245, 246, 248, 255), width=int(1.7 * s))
        d.ellipse((p1[0] - 0.85 * s, p1[1] - 0.85 * s, p1[0] + 0.85 * s, p1[1] + 0.85 * s), fill=(245, 246, 248, 255))
    return supersampled(26, 25, paint)


def knob_strip():
    return stack([knob_frame(i / (KNOB_FRAMES - 1)) for i in range(KNOB_FRAMES)])


# ---- panels -----------------------------------------------------------------------------------

def title_strip(img, width, x_title):
    """The dark strip of the tab row (20 rows) with the product title right of the tabs."""
    vgrad(img, (0, 0, width - 1, 19), (24, 26, 29), (20, 21, 24))
    ImageDraw.Draw(img).line([(0, 19), (width - 1, 19)], fill=SHADOW + (255,))
    text(img, (x_title, 10), "Quorvane", 13, ACCENT, bold=True)
    w = ImageDraw.Draw(img).textlength("Quorvane", font=font(13, True))
    text(img, (x_title + w + 8, 10), "Spectrum Analyzer", 10, TEXT_DIM)


def lcd_tk(img, x, y, w, h):
    """A light field one pixel around the toolkit rectangle of a text control."""
    lcd(img, tk_box(img, x - 1, y - 1, w + 2, h + 2))


def graph_frame():
    img = canvas(650, 335)
    panel(img, (0, 0, 649, 334), (42, 45, 50), (33, 35, 39))
    title_strip(img, 650, 218)
    # Readouts (frequency, level: right-aligned black text).
    lcd(img, (462, 6, 607, 24))
    # The display's well, one pixel around its rectangle.
    x0, y0, x1, y1 = tk_box(img, 15, 15, 620, 290)
    well(img, (x0 - 1, y0 - 1, x1 + 1, y1 + 1))
    # Captions of the frequency range buttons along the bottom edge.
    row = tk_row(img, 7)
    text(img, (50, row), "Low", 9, TEXT_DIM)
    text(img, (596, row), "High", 9, TEXT_DIM, anchor="rm")
    text(img, (642, tk_row(img, 255)), "dB", 8, TEXT_DIM, anchor="mm")
    text(img, (642, tk_row(img, 57)), "dB", 8, TEXT_DIM, anchor="mm")
    return img


def instance_column():
    img = canvas(47, 200)
    panel(img, (0, 0, 46, 199), (46, 50, 56), (34, 37, 42))
    d = ImageDraw.Draw(img)
    d.rectangle(tk_box(img, 4, 183, 39, 13), outline=SHADOW + (255,))
    text(img, (25, tk_row(img, 174)), "S", 10, TEXT, bold=True)
    text(img, (25, tk_row(img, 158)), "M", 10, TEXT, bold=True)
    for k in range(8):
        text(img, (24, tk_row(img, 139 - 13 * k)), "M%d" % (k + 1), 9, TEXT_DIM)
    d.line([(4, tk_row(img, 36)), (42, tk_row(img, 36))], fill=SHADOW + (255,))
    d.line([(4, tk_row(img, 35)), (42, tk_row(img, 35))], fill=HILITE + (255,))
    # Outline of the colour field (10, 13, 26, 15).
    d.rectangle(tk_box(img, 9, 12, 28, 17), outline=SHADOW + (255,))
    d.rectangle(tk_box(img, 8, 11, 30, 19), outline=HILITE + (255,))
    return img


def bar(captions, menus, switch_caption=None):
    """FFT or band bar: captions right-aligned before their menus, light fields for the menus."""
    img = canvas(650, 28)
    panel(img)
    mid = tk_row(img, 13)
    for caption, (x, y, w, h) in zip(captions, menus):
        text(img, (x - 5, mid), caption, 10, TEXT, anchor="rm")
        lcd_tk(img, x, y, w, h)
    if switch_caption:
        text(img, (570, mid), switch_caption, 10, TEXT)
    return img


def sync_box():
    img = canvas(102, 28)
    panel(img)
    text(img, (29, tk_row(img, 13)), "Sync Others", 10, TEXT)
    return img


def separator(img, y):
    d = ImageDraw.Draw(img)
    r = tk_row(img, y)
    d.line([(6, r), (img.width - 7, r)], fill=SHADOW + (255,))
    d.line([(6, r + 1), (img.width - 7, r + 1)], fill=HILITE + (255,))


def controls_panel():
    img = canvas(102, 309)
    panel(img)
    for caption, y in (("Attack [dB/sec]", 298), ("Release [dB/sec]", 256), ("Slope [dB/oct]", 213)):
        text(img, (51, tk_row(img, y)), caption, 10, TEXT, anchor="mm")
    for x, y in ((12, 274), (12, 231), (13, 188), (13, 82), (13, 20)):
        lcd_tk(img, x, y, 28, 10)
    separator(img, 176)
    text(img, (29, tk_row(img, 159)), "Peak", 10, TEXT)
    text(img, (29, tk_row(img, 139)), "Bars/Curves", 10, TEXT)
    separator(img, 125)
    text(img, (29, tk_row(img, 109)), "Peak Hold", 10, TEXT)
    text(img, (27, tk_row(img, 74)), "[sec]", 9, TEXT_DIM, anchor="mm")
    separator(img, 63)
    text(img, (29, tk_row(img, 47)), "Average", 10, TEXT)
    text(img, (27, tk_row(img, 12)), "[sec]", 9, TEXT_DIM, anchor="mm")
    return img


def arrangement_field():
    img = canvas(102, 26)
    panel(img)
    lcd_tk(img, 8, 6, 87, 13)
    # Rounded outer corners: the key colour below is made transparent by the file's tRNS.
    px = img.load()
    for x, y in ((0, 0), (101, 0), (0, 25), (101, 25)):
        px[x, y] = (255, 0, 255, 255)
    return img


def names_panel():
    img = canvas(102, 309)
    panel(img)
    text(img, (51, tk_row(img, 302)), "Instance Names", 9, TEXT_DIM, anchor="mm")
    d = ImageDraw.Draw(img)
    for group in range(4):
        rows = [i for i in range(16) if i // 4 == group]
        ys = [17 * (15 - i) + 14 + (15, 10, 5, 0)[group] for i in rows]
        top, bottom = max(ys) + 13 + 2, min(ys) - 2
        box = tk_box(img, 3, bottom, 96, top - bottom)
        d.rounded_rectangle(box, radius=3, fill=(28, 30, 34, 255), outline=(60, 64, 70, 255))
        for y in ys:
            d.rectangle(tk_box(img, 5, y - 1, 13, 15), outline=SHADOW + (255,))
            lcd_tk(img, 21, y, 74, 13)
    return img


def about_background():
    img = canvas(752, 563)
    vgrad(img, (0, 0, 751, 562), (36, 39, 44), (20, 21, 24))
    title_strip(img, 752, 218)
    # Decoration above the text: a faint grid with a spectrum and its peak curve.
    deco = canvas(752, 563)
    d = ImageDraw.Draw(deco)
    x0, x1, y0, y1 = 60, 692, 40, 196
    for i in range(11):
        x = x0 + (x1 - x0) * i / 10
        d.line([(x, y0), (x, y1)], fill=(255, 255, 255, 14))
    for i in range(7):
        y = y0 + (y1 - y0) * i / 6
        d.line([(x0, y), (x1, y)], fill=(255, 255, 255, 14))

    def level(t):
        return (0.55 + 0.25 * math.sin(t * 9.0) * math.exp(-t * 1.2) + 0.12 * math.sin(t * 31.0 + 1.0)
                - 0.35 * t * t)

    n = 48
    for i in range(n):
        t = (i + 0.5) / n
        v = max(0.05, min(0.95, level(t)))
        bx = x0 + (x1 - x0) * i / n
        top = y1 - (y1 - y0) * v
        d.rectangle((bx + 2, top, bx + (x1 - x0) / n - 2, y1), fill=(64, 156, 255, 46))
    pts = [(x0 + (x1 - x0) * t / 400, y1 - (y1 - y0) * max(0.05, min(0.97, level(t / 400) + 0.08)))
           for t in range(401)]
    glow = canvas(752, 563)
    ImageDraw.Draw(glow).line(pts, fill=ACCENT + (120,), width=5)
    glow = glow.filter(ImageFilter.GaussianBlur(3))
    deco.alpha_composite(glow)
    ImageDraw.Draw(deco).line(pts, fill=ACCENT + (230,), width=2)
    img.alpha_composite(deco)
    # A quiet panel behind the help text, and a rule above the credit line.
    d = ImageDraw.Draw(img)
    d.rounded_rectangle((88, 306, 742, 484), radius=6, fill=(255, 255, 255, 10), outline=(255, 255, 255, 22))
    d.line([(250, 512), (502, 512)], fill=(255, 255, 255, 30))
    return over(img, BG)


# ---- output -----------------------------------------------------------------------------------

def main():
    os.makedirs(OUT, exist_ok=True)
    save("142_tab_third_octave.png", tab("1/3 Oct"), "rgb")
    save("151_tab_fft.png", tab("FFT"), "rgb")
    save("143_tab_about.png", tab("About"), "rgb")
    save("144_graph_frame.png", graph_frame(), "rgb")
    save("145_instance_column.png", over(instance_column(), BG), "palette")
    save("146_fft_bar.png", bar(["FFT Size", "Window", "Mode", "Resolution"],
                                [(48, 7, 70, 13), (175, 7, 100, 13), (328, 7, 70, 13), (472, 7, 50, 13)],
                                "AlphaBlend"), "rgb")
    save("147_sync_box.png", sync_box(), "rgb")
    save("135_band_bar.png", bar(["Accuracy"], [(77, 7, 70, 13)]), "rgb")
    save("137_knob.png", knob_strip(), "rgba")
    save("004_led_orange.png", led(ACCENT), "palette")
    save("139_memory_switch.png", stack([memory_frame(0), memory_frame(1), memory_frame(2)]), "palette", depth=4)
    save("140_led_red.png", led((240, 60, 50)), "palette", interlace=True)
    save("141_led_green.png", led((70, 220, 90)), "rgba", depth=16)
    save("128_about_background.png", about_background(), "rgb", interlace=True)
    save("148_button_plus.png", stack([small_button("+", False), small_button("+", True)]), "grey", depth=4)
    save("149_button_minus.png", stack([small_button("-", False), small_button("-", True)]), "greya")
    save("150_arrows_horizontal.png", stack([arrows_h(False), arrows_h(True)]), "grey", key=1)
    save("152_controls_panel.png", controls_panel(), "rgb")
    save("153_arrangement_field.png", arrangement_field(), "rgb", key=(255, 0, 255))
    save("154_names_panel.png", names_panel(), "rgb", depth=16)
    save("155_panel_tabs.png", stack([panel_tabs_frame(True), panel_tabs_frame(False)]), "palette",
         interlace=True)
    save("156_arrows_vertical.png", stack([arrows_v(False), arrows_v(True)]), "greya", depth=16, interlace=True)
    save("157_pause_button.png", stack([pause_frame(False), pause_frame(True)]), "rgba", depth=16)


if __name__ == "__main__":
    main()
