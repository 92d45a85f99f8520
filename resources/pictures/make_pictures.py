#!/usr/bin/env python3
"""Draws every picture of the installer window and its dialogs, and writes
the resource script that carries them (pictures.rc). Nothing here is random:
the same inputs give the same files.

    make_pictures.py RESOURCE_IDS FONT_DIR OUTPUT_DIR

RESOURCE_IDS is resources/resource_ids.h: picture <name>.png (or .jpg) is
resource IDB_<NAME>, its 2x form <name>@2x.png is IDB_<NAME>_2X and is drawn
only when the header names it; every IDB_ id of the header must be drawn.
FONT_DIR holds the Inter fonts (fonts-inter) used for the logo lettering.
Pictures are drawn four times larger and scaled down, which gives smooth
edges; a 2x picture is drawn from the same description at twice the size.
"""
import io
import math
import pathlib
import re
import sys

from PIL import Image, ImageChops, ImageDraw, ImageFilter, ImageFont

SUPER = 4  # drawing oversampling

# Palette.
YELLOW = (255, 210, 31)
YELLOW_HOT = (255, 220, 82)
YELLOW_PRESSED = (238, 191, 0)
INK = (26, 26, 26)
INK_SOFT = (92, 92, 92)
LINE = (217, 217, 217)
WHITE = (255, 255, 255)
NIGHT_TOP = (22, 30, 58)
NIGHT_BOTTOM = (44, 58, 104)
SKY = (236, 241, 250)
MIST = (246, 247, 249)

FONT_DIR = None
OUT = None
IDS = {}  # resource_ids.h: name -> number
RESOURCES = []  # (id name, type, file, comment)


def read_resource_ids(path):
    """The "#define NAME NUMBER" lines of the resource-id header."""
    text = pathlib.Path(path).read_text(encoding="utf-8")
    return {m[1]: int(m[2]) for m in re.finditer(r"^#define (ID[A-Z]_\w+) (-?\d+)\b", text, re.M)}


def picture_id(file_name):
    """IDB_<NAME> for <name>.png, IDB_<NAME>_2X for <name>@2x.png."""
    return "IDB_" + file_name.rsplit(".", 1)[0].replace("@2x", "_2x").upper()


def resource(rid, kind, name, comment):
    if rid not in IDS:
        sys.exit(f"make_pictures.py: the resource-id header has no {rid} (for {name})")
    RESOURCES.append((rid, kind, name, comment))


def font(name, size):
    return ImageFont.truetype(str(FONT_DIR / name), size)


# --- drawing helpers ---------------------------------------------------------

class Canvas:
    """An RGBA canvas in logical pixels at scale `s`, drawn oversampled."""

    def __init__(self, width, height, s, fill=(0, 0, 0, 0)):
        self.w, self.h, self.s = width, height, s
        self.k = s * SUPER
        self.image = Image.new("RGBA", (width * self.k, height * self.k), fill)
        self.draw = ImageDraw.Draw(self.image)

    def px(self, v):
        return round(v * self.k)

    def box(self, x0, y0, x1, y1):
        return [self.px(x0), self.px(y0), self.px(x1) - 1, self.px(y1) - 1]

    def rounded(self, x0, y0, x1, y1, r, fill=None, outline=None, width=0):
        self.draw.rounded_rectangle(self.box(x0, y0, x1, y1), radius=self.px(r), fill=fill,
                                    outline=outline, width=self.px(width) if width else 0)

    def ellipse(self, x0, y0, x1, y1, fill=None, outline=None, width=0):
        self.draw.ellipse(self.box(x0, y0, x1, y1), fill=fill, outline=outline,
                          width=self.px(width) if width else 0)

    def line(self, points, fill, width):
        self.draw.line([(self.px(x), self.px(y)) for x, y in points], fill=fill,
                       width=max(1, self.px(width)), joint="curve")
        # Round caps.
        r = self.px(width) / 2
        for x, y in (points[0], points[-1]):
            cx, cy = self.px(x), self.px(y)
            self.draw.ellipse([cx - r, cy - r, cx + r, cy + r], fill=fill)

    def text(self, x, y, text, face, size, fill, anchor="ls"):
        self.draw.text((self.px(x), self.px(y)), text, font=font(face, self.px(size)), fill=fill,
                       anchor=anchor)

    def paste(self, other, x, y):
        self.image.alpha_composite(other.image, (self.px(x), self.px(y)))

    def result(self):
        return self.image.resize((self.w * self.s, self.h * self.s), Image.LANCZOS)


def gradient(width, height, top, bottom, s):
    """A vertical gradient of `width` × `height` logical pixels."""
    image = Image.new("RGB", (1, 256))
    for i in range(256):
        t = i / 255
        image.putpixel((0, i), tuple(round(a + (b - a) * t) for a, b in zip(top, bottom)))
    return image.resize((width * s, height * s), Image.BICUBIC)


def soft_glow(size, colour, s, blur=None):
    """A round light of `size` logical pixels that fades smoothly to nothing
    at its rim (RGBA)."""
    distance = Image.radial_gradient("L")  # 0 at the centre, 255 at radius 128
    falloff = distance.point(lambda d: round(255 * max(0.0, 1 - d / 128) ** 2))
    image = Image.new("RGBA", (size * s, size * s), colour + (0,))
    image.putalpha(falloff.resize(image.size, Image.BICUBIC))
    return image


def composite(base, overlay, x, y, s):
    base.alpha_composite(overlay, (round(x * s), round(y * s)))


def frames(count, width, height, s, draw_frame):
    """`count` frames side by side, each drawn by draw_frame(canvas, index)."""
    strip = Image.new("RGBA", (count * width * s, height * s), (0, 0, 0, 0))
    for i in range(count):
        canvas = Canvas(width, height, s)
        draw_frame(canvas, i)
        strip.alpha_composite(canvas.result(), (i * width * s, 0))
    return strip


# --- saving -----------------------------------------------------------------

def palette_if_faithful(image):
    """A 256-colour palette version of `image` when that is smaller and
    stays close to it (a mean channel error below 1, no channel of any pixel
    off by more than 48, which only happens on anti-aliased edges);
    otherwise the image itself."""
    rgba = image.convert("RGBA")
    quantized = rgba.quantize(colors=256, method=Image.Quantize.FASTOCTREE, dither=Image.Dither.NONE)
    difference = ImageChops.difference(rgba, quantized.convert("RGBA"))
    extrema = difference.getextrema()
    histogram = difference.histogram()
    total = sum(value * count for channel in range(4)
                for value, count in enumerate(histogram[channel * 256:(channel + 1) * 256]))
    mean = total / (4 * rgba.width * rgba.height)
    if mean >= 1.0 or max(high for _, high in extrema) > 48:
        return image
    plain, palette = io.BytesIO(), io.BytesIO()
    image.save(plain, "PNG", optimize=True)
    quantized.save(palette, "PNG", optimize=True)
    return quantized if palette.tell() < plain.tell() else image


def save_png(image, name, comment):
    path = OUT / name
    if image.mode == "RGBA" and image.getextrema()[3][0] == 255:
        image = image.convert("RGB")
    image = palette_if_faithful(image)
    image.save(path, "PNG", optimize=True)
    resource(picture_id(name), "RCDATA", name, comment)


def save_jpeg(image, name, comment):
    image.convert("RGB").save(OUT / name, "JPEG", quality=86, optimize=True, subsampling="4:2:0")
    resource(picture_id(name), "RCDATA", name, comment)


def pair(name, comment, draw, kind="png"):
    """Draws a picture at 1x and, when the header names its 2x form, at 2x."""
    save = save_png if kind == "png" else save_jpeg
    ext = "png" if kind == "png" else "jpg"
    save(draw(1), f"{name}.{ext}", comment + ", 1x")
    if picture_id(f"{name}@2x.{ext}") in IDS:
        save(draw(2), f"{name}@2x.{ext}", comment + ", 2x")


# --- logo -------------------------------------------------------------------

def badge(canvas, x, y, size):
    """The Kelmor badge: a yellow rounded square with a bold K."""
    canvas.rounded(x, y, x + size, y + size, size * 0.28, fill=YELLOW + (255,))
    t = size / 38
    # A geometric K: stem and two arms.
    stem_x = x + size * 0.32
    canvas.line([(stem_x, y + size * 0.24), (stem_x, y + size * 0.76)], INK + (255,), 5.2 * t)
    canvas.line([(stem_x + 1.5 * t, y + size * 0.53), (x + size * 0.70, y + size * 0.24)],
                INK + (255,), 5.2 * t)
    canvas.line([(x + size * 0.47, y + size * 0.47), (x + size * 0.71, y + size * 0.76)],
                INK + (255,), 5.2 * t)


def logo(s, dark_background, russian):
    canvas = Canvas(212, 38, s)
    badge(canvas, 1, 3, 32)
    colour = (WHITE if dark_background else INK) + (255,)
    word = "Kelmor"
    canvas.text(43, 27, word, "InterDisplay-Bold.otf", 21, colour)
    width = font("InterDisplay-Bold.otf", canvas.px(21)).getlength(word) / canvas.k
    canvas.text(43 + width + 6, 27, "Браузер" if russian else "Browser", "InterDisplay-Regular.otf",
                21, colour)
    return canvas.result()


def draw_logo_into(image, s, x, y, dark_background, russian):
    composite(image, logo(s, dark_background, russian), x, y, s)


# --- illustrations -----------------------------------------------------------

def browser_card(canvas, x, y, w, h, accent=YELLOW):
    """A stylised browser window: tab bar, address field, content blocks."""
    # Shadow under the card.
    canvas.rounded(x + 2, y + 6, x + w + 2, y + h + 8, 14, fill=(30, 40, 80, 28))
    canvas.rounded(x, y, x + w, y + h, 14, fill=WHITE + (255,), outline=LINE + (255,), width=1)
    canvas.rounded(x, y, x + w, y + 34, 14, fill=(244, 245, 248, 255))
    canvas.draw.rectangle(canvas.box(x, y + 20, x + w, y + 34), fill=(244, 245, 248, 255))
    for i, c in enumerate(((255, 95, 87), (255, 189, 46), (40, 200, 64))):
        canvas.ellipse(x + 14 + i * 14, y + 12, x + 23 + i * 14, y + 21, fill=c + (255,))
    canvas.rounded(x + 62, y + 9, x + w - 14, y + 25, 8, fill=WHITE + (255,), outline=LINE + (255,),
                   width=1)
    canvas.ellipse(x + 68, y + 13, x + 76, y + 21, fill=accent + (255,))
    # Content.
    canvas.rounded(x + 18, y + 52, x + w * 0.62, y + 64, 6, fill=(40, 46, 64, 255))
    canvas.rounded(x + 18, y + 74, x + w * 0.82, y + 82, 4, fill=(214, 218, 228, 255))
    canvas.rounded(x + 18, y + 90, x + w * 0.74, y + 98, 4, fill=(214, 218, 228, 255))
    tiles = 3
    gap = 10
    tile_w = (w - 36 - gap * (tiles - 1)) / tiles
    for i in range(tiles):
        tx = x + 18 + i * (tile_w + gap)
        colour = accent if i == 0 else ((222, 229, 246) if i == 1 else (233, 236, 242))
        canvas.rounded(tx, y + 114, tx + tile_w, y + h - 18, 10, fill=colour + (255,))


def shield(canvas, cx, cy, size, fill, mark):
    w, h = size, size * 1.15
    points = [(cx - w / 2, cy - h / 2 + h * 0.12), (cx, cy - h / 2), (cx + w / 2, cy - h / 2 + h * 0.12),
              (cx + w / 2, cy), (cx, cy + h / 2), (cx - w / 2, cy)]
    canvas.draw.polygon([(canvas.px(px), canvas.px(py)) for px, py in points], fill=fill)
    t = size / 40
    canvas.line([(cx - 9 * t, cy + 1 * t), (cx - 2 * t, cy + 8 * t), (cx + 10 * t, cy - 7 * t)], mark, 4 * t)


def bolt(canvas, cx, cy, size, fill):
    t = size / 40
    pts = [(cx + 4 * t, cy - 20 * t), (cx - 12 * t, cy + 3 * t), (cx - 1 * t, cy + 3 * t),
           (cx - 5 * t, cy + 20 * t), (cx + 12 * t, cy - 4 * t), (cx + 1 * t, cy - 4 * t)]
    canvas.draw.polygon([(canvas.px(px), canvas.px(py)) for px, py in pts], fill=fill)


def glow_into(image, s, x, y, size, colour, strength, blur):
    g = soft_glow(size, colour, s, blur)
    if strength < 1:
        alpha = g.getchannel("A").point(lambda a: round(a * strength))
        g.putalpha(alpha)
    composite(image, g, x, y, s)


# --- window backgrounds and first slides ------------------------------------

def facetune_background(s, russian):
    """802 × 430: white with a 1-pixel frame, the logo, and a browser card."""
    image = Image.new("RGBA", (802 * s, 430 * s), WHITE + (255,))
    glow_into(image, s, 430, -120, 520, (255, 214, 64), 0.75, 60)
    glow_into(image, s, 600, 120, 380, (132, 160, 255), 0.45, 55)
    canvas = Canvas(802, 430, s)
    browser_card(canvas, 528, 92, 228, 196)
    canvas.rounded(496, 228, 574, 306, 20, fill=YELLOW + (255,))
    bolt(canvas, 535, 267, 40, INK + (255,))
    image.alpha_composite(canvas.result())
    draw_logo_into(image, s, 61, 41, False, russian)
    frame = ImageDraw.Draw(image)
    frame.rectangle([0, 0, 802 * s - 1, 430 * s - 1], outline=LINE + (255,), width=s)
    return image


def facetune_first_slide(s, russian):
    """802 × 430 slide of the progress screen: the logo and two features."""
    image = Image.new("RGBA", (802 * s, 430 * s), MIST + (255,))
    glow_into(image, s, 400, 0, 520, (255, 214, 64), 0.70, 70)
    glow_into(image, s, 540, -140, 400, (132, 160, 255), 0.45, 55)
    canvas = Canvas(802, 430, s)
    canvas.rounded(520, 70, 760, 250, 22, fill=WHITE + (255,), outline=LINE + (255,), width=1)
    shield(canvas, 582, 140, 58, YELLOW + (255,), INK + (255,))
    for i, w in enumerate((104, 84, 92)):
        canvas.rounded(630, 114 + i * 20, 630 + w, 124 + i * 20, 5,
                       fill=((40, 46, 64) if i == 0 else (214, 218, 228)) + (255,))
    canvas.rounded(548, 196, 736, 228, 16, fill=(246, 247, 249, 255), outline=LINE + (255,), width=1)
    canvas.rounded(552, 200, 650, 224, 12, fill=YELLOW + (255,))
    canvas.rounded(586, 270, 794, 362, 22, fill=INK + (255,))
    bolt(canvas, 624, 316, 36, YELLOW + (255,))
    canvas.rounded(656, 300, 760, 310, 5, fill=(255, 255, 255, 230))
    canvas.rounded(656, 320, 730, 330, 5, fill=(255, 255, 255, 120))
    image.alpha_composite(canvas.result())
    draw_logo_into(image, s, 61, 41, False, russian)
    return image


def origin_background(s):
    """728 × 400: deep blue gradient with soft lights."""
    image = gradient(728, 400, NIGHT_TOP, NIGHT_BOTTOM, s).convert("RGBA")
    glow_into(image, s, -200, 120, 560, (90, 120, 230), 0.70, 70)
    glow_into(image, s, 430, -300, 560, (255, 196, 40), 0.40, 80)
    glow_into(image, s, 520, 180, 420, (120, 90, 220), 0.50, 60)
    canvas = Canvas(728, 400, s)
    # Fine arcs around the title area.
    for i, r in enumerate((250, 310, 370)):
        canvas.draw.arc(canvas.box(364 - r, 216 - r, 364 + r, 216 + r), 200, 340,
                        fill=(255, 255, 255, 22 - i * 5), width=canvas.px(1.2))
    image.alpha_composite(canvas.result())
    return image


def origin_first_slide(s, russian):
    """728 × 268: the lower part of the origin progress screen."""
    image = gradient(728, 268, (255, 255, 255), SKY, s).convert("RGBA")
    glow_into(image, s, 380, -40, 460, (255, 214, 64), 0.55, 60)
    canvas = Canvas(728, 268, s)
    browser_card(canvas, 436, 58, 236, 190)
    shield(canvas, 408, 196, 44, INK + (255,), YELLOW + (255,))
    title = "Быстрый, безопасный\nи умный браузер" if russian else "The fast, secure,\nand intelligent browser"
    for i, line in enumerate(title.split("\n")):
        canvas.text(61, 112 + i * 34, line, "InterDisplay-Bold.otf", 27, INK + (255,))
    features = (["Защита от угроз", "Быстрая загрузка"] if russian
                else ["Protection built in", "Fast page loading"])
    for i, text in enumerate(features):
        y = 196 + i * 26
        canvas.ellipse(61, y - 12, 75, y + 2, fill=YELLOW + (255,))
        canvas.text(84, y, text, "Inter-Medium.otf", 14, INK_SOFT + (255,))
    image.alpha_composite(canvas.result())
    return image


# --- sprites -----------------------------------------------------------------

def install_button(width, height, radius):
    colours = (YELLOW, YELLOW_HOT, YELLOW_PRESSED)

    def draw(s):
        def frame(canvas, i):
            canvas.rounded(0, 0, width, height, radius, fill=colours[i] + (255,))
        return frames(3, width, height, s, frame)
    return draw


def plain_button(width, height, radius, fills, outline):
    def draw(s):
        def frame(canvas, i):
            canvas.rounded(0, 0, width, height, radius, fill=fills[i] + (255,),
                           outline=outline + (255,) if outline else None, width=1 if outline else 0)
        return frames(3, width, height, s, frame)
    return draw


def glyph_button(size, glyph, colours, backgrounds, stroke):
    """Close or minimize: a glyph over an optional round highlight."""
    def draw(s):
        def frame(canvas, i):
            if backgrounds[i]:
                canvas.ellipse(0, 0, size, size, fill=backgrounds[i])
            c = size / 2
            d = size * 0.22
            if glyph == "close":
                canvas.line([(c - d, c - d), (c + d, c + d)], colours[i], stroke)
                canvas.line([(c + d, c - d), (c - d, c + d)], colours[i], stroke)
            else:
                canvas.line([(c - d - 1, c), (c + d + 1, c)], colours[i], stroke)
        return frames(3, size, size, s, frame)
    return draw


def checkbox(unchecked_border, checked_fill, tick, box_fill, hover_border, pressed_fill,
             checked_hot, checked_pressed):
    """Six 16 × 16 frames: unchecked normal/hot/pressed, checked normal/hot/pressed."""
    def draw(s):
        def frame(canvas, i):
            checked = i >= 3
            state = i % 3
            if not checked:
                fill = pressed_fill if state == 2 else box_fill
                border = hover_border if state else unchecked_border
                canvas.rounded(0.5, 0.5, 15.5, 15.5, 4, fill=fill, outline=border, width=1.3)
            else:
                fill = (checked_fill, checked_hot, checked_pressed)[state]
                canvas.rounded(0.5, 0.5, 15.5, 15.5, 4, fill=fill)
                canvas.line([(4.2, 8.3), (6.8, 10.9), (11.8, 5.4)], tick, 1.9)
        return frames(6, 16, 16, s, frame)
    return draw


def solid(width, height, colour):
    def draw(s):
        return Image.new("RGBA", (width * s, height * s), colour)
    return draw


# --- shadows -----------------------------------------------------------------

def shadow_sheet(width, height, margin, radius, s, strength, blur, offset_y):
    """The shadow of a width × height window with corner `radius`, on a sheet
    grown by `margin` on every side; the window's own area is cleared."""
    k = s * 2
    W, H = (width + 2 * margin) * k, (height + 2 * margin) * k
    mask = Image.new("L", (W, H), 0)
    d = ImageDraw.Draw(mask)
    box = [margin * k, (margin + offset_y) * k, (margin + width) * k - 1, (margin + height + offset_y) * k - 1]
    d.rounded_rectangle(box, radius=radius * k, fill=round(255 * strength))
    mask = mask.filter(ImageFilter.GaussianBlur(blur * k))
    hole = Image.new("L", (W, H), 0)
    ImageDraw.Draw(hole).rounded_rectangle(
        [margin * k, margin * k, (margin + width) * k - 1, (margin + height) * k - 1],
        radius=radius * k, fill=255)
    mask = ImageChops.subtract(mask, hole)
    sheet = Image.new("RGBA", (W, H), (0, 0, 0, 0))
    sheet.putalpha(mask)
    return sheet.resize(((width + 2 * margin) * s, (height + 2 * margin) * s), Image.LANCZOS)


def shadow_pieces(sheet, s, corner, edge, edge_length_h, edge_length_v):
    """Four corners (top-left, top-right, bottom-right, bottom-left) and four
    edges (left, top, right, bottom) cut from a shadow sheet."""
    W, H = sheet.size
    c, e = corner * s, edge * s
    corners = [sheet.crop((0, 0, c, c)), sheet.crop((W - c, 0, W, c)),
               sheet.crop((W - c, H - c, W, H)), sheet.crop((0, H - c, c, H))]
    lv, lh = edge_length_v * s, edge_length_h * s
    my, mx = H // 2, W // 2
    left = sheet.crop((0, c, e, c + lv)) if lv > s else sheet.crop((0, my, e, my + lv))
    top = sheet.crop((c, 0, c + lh, e)) if lh > s else sheet.crop((mx, 0, mx + lh, e))
    right = sheet.crop((W - e, c, W, c + lv)) if lv > s else sheet.crop((W - e, my, W, my + lv))
    bottom = sheet.crop((c, H - e, c + lh, H)) if lh > s else sheet.crop((mx, H - e, mx + lh, H))
    return corners, [left, top, right, bottom]


def window_shadows(prefix, width, height, margin, radius, corner, edge, edge_h, edge_v, comment):
    """The corners and edges of a shadow, at 1x and 2x, that the header names."""
    for s in (1, 2):
        suffix = "" if s == 1 else "@2x"
        pieces = [(f"{prefix}_{part}_{name}{suffix}.png", part, i, name)
                  for part, names in (("corner", ("tl", "tr", "br", "bl")),
                                      ("edge", ("left", "top", "right", "bottom")))
                  for i, name in enumerate(names)]
        pieces = [piece for piece in pieces if picture_id(piece[0]) in IDS]
        if not pieces:
            continue
        sheet = shadow_sheet(width, height, margin, radius, s, 0.30, 4.0, 1.5)
        corners, edges = shadow_pieces(sheet, s, corner, edge, edge_h, edge_v)
        for file_name, part, i, name in pieces:
            save_png((corners if part == "corner" else edges)[i], file_name,
                     f"{comment} shadow {part} {name}, {s}x")


# --- dialogs -----------------------------------------------------------------

def classic_dialog_background(s):
    """410 × 186 with shadow margins 7 left, 6 right, 4 top, 8 bottom."""
    sheet = shadow_sheet(397, 174, 8, 2, s, 0.28, 3.0, 1.5)
    image = Image.new("RGBA", (410 * s, 186 * s), (0, 0, 0, 0))
    # The sheet is 413 × 190 with the panel at (8, 8): cut it so that the
    # panel lands at (7, 4).
    image.alpha_composite(sheet.crop((1 * s, 4 * s, 411 * s, 190 * s)))
    panel = Canvas(410, 186, s)
    panel.rounded(7, 4, 404, 178, 2, fill=WHITE + (255,), outline=LINE + (255,), width=1)
    panel.draw.rectangle(panel.box(7, 4, 404, 8), fill=YELLOW + (255,))
    image.alpha_composite(panel.result())
    return image


# --- icons -------------------------------------------------------------------

def app_icon(size):
    canvas = Canvas(size, size, 1)
    badge(canvas, 0, 0, size)
    return canvas.result()


def website_icon(size):
    canvas = Canvas(size, size, 1)
    canvas.ellipse(0, 0, size, size, fill=YELLOW + (255,))
    t = size / 32
    canvas.ellipse(6 * t, 6 * t, 26 * t, 26 * t, outline=INK + (255,), width=2.2 * t)
    canvas.ellipse(11.5 * t, 6 * t, 20.5 * t, 26 * t, outline=INK + (255,), width=1.8 * t)
    canvas.line([(6.5 * t, 16 * t), (25.5 * t, 16 * t)], INK + (255,), 1.8 * t)
    return canvas.result()


def save_icon(draw, sizes, name, rid, kind, comment):
    images = [draw(size) for size in sizes]
    images[-1].save(OUT / name, "ICO", sizes=[(s, s) for s in sizes],
                    append_images=images[:-1])
    resource(rid, kind, name, comment)


# --- everything --------------------------------------------------------------

def main():
    global FONT_DIR, OUT, IDS
    IDS = read_resource_ids(sys.argv[1])
    FONT_DIR = pathlib.Path(sys.argv[2])
    OUT = pathlib.Path(sys.argv[3])
    OUT.mkdir(parents=True, exist_ok=True)

    # Window backgrounds, first slides, logos.
    pair("ft_background", "redesigned window background 802x430",
         lambda s: facetune_background(s, False), "jpg")
    pair("ft_background_ru", "redesigned window background, Russian",
         lambda s: facetune_background(s, True), "jpg")
    pair("ft_first_slide", "redesigned first slide 802x430",
         lambda s: facetune_first_slide(s, False), "jpg")
    pair("ft_first_slide_ru", "redesigned first slide, Russian",
         lambda s: facetune_first_slide(s, True), "jpg")
    pair("origin_background", "origin window background 728x400", origin_background, "jpg")
    pair("origin_first_slide", "origin first slide 728x268",
         lambda s: origin_first_slide(s, False), "jpg")
    pair("origin_first_slide_ru", "origin first slide, Russian",
         lambda s: origin_first_slide(s, True), "jpg")
    pair("logo_dark_bg", "logo for dark backgrounds 212x38", lambda s: logo(s, True, False))
    pair("logo_dark_bg_ru", "logo for dark backgrounds, Russian", lambda s: logo(s, True, True))
    pair("logo_light_bg", "logo for light backgrounds 212x38", lambda s: logo(s, False, False))
    pair("logo_light_bg_ru", "logo for light backgrounds, Russian",
         lambda s: logo(s, False, True))

    # Buttons (three states side by side).
    pair("ft_install_button", "redesigned Install button 3x144x48", install_button(144, 48, 12))
    pair("origin_install_button", "origin Install button 3x112x32", install_button(112, 32, 5))
    pair("progress_button", "progress-screen button 3x96x28",
         plain_button(96, 28, 6, ((244, 245, 247), (234, 236, 240), (222, 225, 231)), (200, 204, 212)))
    dark = INK_SOFT + (255,), INK + (255,), INK + (255,)
    round_bg = (None, (0, 0, 0, 18), (0, 0, 0, 34))
    pair("ft_close", "redesigned close 3x20x20", glyph_button(20, "close", dark, round_bg, 1.6))
    pair("ft_minimize", "redesigned minimize 3x20x20",
         glyph_button(20, "minimize", dark, round_bg, 1.6))
    pair("ft_minimize_glyph", "faint minimize glyph 20x20",
         lambda s: glyph_button(20, "minimize", ((0, 0, 0, 70),) * 3, (None,) * 3, 1.6)(s).crop(
             (0, 0, 20 * s, 20 * s)))
    light = ((255, 255, 255, 170), (255, 255, 255, 255), (255, 255, 255, 210))
    pair("origin_close", "origin close 3x12x12", glyph_button(12, "close", light, (None,) * 3, 1.5))

    # Checkboxes (six states).
    pair("ft_checkbox", "redesigned checkbox 6x16x16",
         checkbox((150, 150, 150, 255), YELLOW + (255,), INK + (255,), WHITE + (255,),
                  (100, 100, 100, 255), (238, 238, 238, 255), YELLOW_HOT + (255,),
                  YELLOW_PRESSED + (255,)))
    pair("ft_checkbox_dark", "darker redesigned checkbox 6x16x16",
         checkbox((70, 70, 70, 255), INK + (255,), WHITE + (255,), WHITE + (255,),
                  (20, 20, 20, 255), (228, 228, 228, 255), (60, 60, 60, 255), (0, 0, 0, 255)))
    pair("origin_checkbox", "origin checkbox 6x16x16",
         checkbox((255, 255, 255, 170), YELLOW + (255,), INK + (255,), (255, 255, 255, 0),
                  (255, 255, 255, 255), (255, 255, 255, 40), YELLOW_HOT + (255,),
                  YELLOW_PRESSED + (255,)))

    # Progress fill and track.
    pair("ft_progress_fill", "redesigned progress fill 393x4", solid(393, 4, YELLOW + (255,)))
    pair("ft_progress_track", "redesigned progress track 393x4", solid(393, 4, (0, 0, 0, 26)))
    pair("origin_progress_fill", "origin progress fill 292x4", solid(292, 4, YELLOW + (255,)))
    pair("origin_progress_track", "origin progress track 292x4", solid(292, 4, (0, 0, 0, 77)))

    # Window shadows: the redesigned window (802 × 430, radius 9 on Windows 8
    # and later, square before) and the origin window (728 × 400).
    window_shadows("ft_shadow", 802, 430, 8, 9, 17, 9, 784, 412, "redesigned window")
    # Windows 7 and older: square corners; the edges are the same pictures.
    window_shadows("ft_shadow_square", 802, 430, 8, 0, 17, 9, 784, 412, "redesigned window (square)")
    window_shadows("origin_shadow", 728, 400, 8, 0, 16, 8, 1, 1, "origin window")

    # Dialogs.
    pair("dialog_background", "classic dialog background 410x186", classic_dialog_background)
    pair("dialog_button_main", "classic dialog main button 3x120x28",
         plain_button(120, 28, 4, (YELLOW, YELLOW_HOT, YELLOW_PRESSED), None))
    pair("dialog_button_second", "classic dialog second button 3x120x28",
         plain_button(120, 28, 4, ((242, 242, 242), (232, 232, 232), (220, 220, 220)), (204, 204, 204)))
    pair("dialog_panel", "redesigned dialog panel", solid(16, 16, WHITE + (255,)))
    pair("dialog_button_primary", "redesigned primary button 3x120x40",
         plain_button(120, 40, 10, (YELLOW, YELLOW_HOT, YELLOW_PRESSED), None))
    pair("dialog_button_secondary", "redesigned secondary button 3x120x40",
         plain_button(120, 40, 10, ((240, 240, 242), (229, 229, 233), (216, 216, 222)), None))
    pair("dialog_close", "redesigned dialog close 3x20x20",
         glyph_button(20, "close", dark, round_bg, 1.6))
    window_shadows("dialog_shadow", 200, 120, 8, 16, 24, 8, 1, 1, "redesigned dialog")
    window_shadows("dialog_shadow_square", 200, 120, 8, 0, 16, 8, 1, 1, "redesigned dialog (square)")

    # Icons.
    save_icon(app_icon, [16, 20, 24, 32, 40, 48, 64, 256], "kelmor.ico", "IDI_KELMOR", "ICON", "window icon")
    save_icon(website_icon, [16, 24, 32, 48, 256], "website.ico", "IDR_SITE_ICON", "BIN", "site icon")

    drawn = {rid for rid, _, _, _ in RESOURCES}
    undrawn = sorted(name for name in IDS if name.startswith("IDB_") and name not in drawn)
    if undrawn:
        sys.exit("make_pictures.py: no drawing for " + ", ".join(undrawn))

    # The resource script, under the header's names (lite_installer.rc
    # includes resource_ids.h before it).
    lines = ["// Generated by make_pictures.py: the window's pictures (RCDATA), icons."]
    for rid, kind, name, comment in RESOURCES:
        line = f'{rid} {kind} "pictures/{name}"  // {comment}'
        if rid == "IDR_SITE_ICON":
            # A distribution may bring its own site icon.
            line = f"#ifndef KELMOR_DISTRIBUTION_SITE_ICON\n{line}\n#endif"
        lines.append(line)
    (OUT / "pictures.rc").write_text("\n".join(lines) + "\n")


if __name__ == "__main__":
    main()
