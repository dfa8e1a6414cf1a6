#!/usr/bin/env python3
"""Draws the client's skin with ImageMagick and writes it beside this script:
png/<id>.png (the PNG resources, RGBA), vexa.ico (the program icon: 128, 64,
32, 24 and 16 px, 32-bit), uninstall.ico (16 px, 32-bit) and login.bmp (the
login window's skin, 660 x 399, 24-bit). The outputs are committed, so a
build needs no image tools; run this again only to change the skin.

Needs: ImageMagick 6 (convert), fonts-wqy-microhei, fonts-liberation.
Every output is checked on the way out (size, PNG colour type, BMP depth).
"""
import math
import random
import struct
import subprocess
import sys
import tempfile
from pathlib import Path

HERE = Path(__file__).resolve().parent
PNG_DIR = HERE / "png"
CJK = "/usr/share/fonts/truetype/wqy/wqy-microhei.ttc"
SERIF = "/usr/share/fonts/truetype/liberation/LiberationSerif-Bold.ttf"

# The palette: night violet, old gold, parchment.
STRIP_TOP, STRIP_BOTTOM = "#3b2b58", "#161022"
STRIP_SHINE, GOLD_LINE = "#6a5494", "#c8963e"
GOLD, GOLD_LIGHT = "#e8c170", "#f6dca0"
INK, INK_HOT = "#e2d2ac", "#fff6e0"
GLYPH, GLYPH_HOT = "#d9c9a3", "#fff4dc"
HOVER_PLATE, HOVER_EDGE = "rgba(240,200,120,0.24)", "rgba(240,200,120,0.75)"
PRESS_PLATE, PRESS_EDGE = "rgba(0,0,0,0.42)", "rgba(200,150,62,0.55)"
CLOSE_PLATE = "#b8382c"

PNG_OUT = ["-strip", "-define", "png:exclude-chunks=date,time"]


def convert(*args):
    subprocess.run(["convert", *map(str, args)], check=True)


def png(ident, size, *ops):
    """One PNG resource: a transparent canvas of size (w, h), the given
    ImageMagick operations, written as 8-bit RGBA."""
    w, h = size
    out = PNG_DIR / f"{ident}.png"
    convert("-size", f"{w}x{h}", "xc:none", *ops, *PNG_OUT, f"PNG32:{out}")
    return out


def text(font, pt, colour, x, y, s, gravity="NorthWest"):
    return ["-font", font, "-pointsize", pt, "-fill", colour, "-stroke", "none", "-gravity", gravity,
            "-annotate", f"+{x}+{y}", s, "-gravity", "NorthWest"]


def stroke(colour, width, *draws):
    out = ["-fill", "none", "-stroke", colour, "-strokewidth", width]
    for d in draws:
        out += ["-draw", d]
    return out


def fill(colour, *draws, edge="none", width=1):
    out = ["-fill", colour, "-stroke", edge, "-strokewidth", width]
    for d in draws:
        out += ["-draw", d]
    return out


def strip_texture(width, height=30):
    """The title strip's background: the same vertical gradient in every
    piece, so the left, middle and right parts join without a seam."""
    return ["(", "-size", f"{width}x{height}", f"gradient:{STRIP_TOP}-{STRIP_BOTTOM}", ")",
            "-compose", "Over", "-composite",
            *fill(STRIP_SHINE, f"line 0,0 {width - 1},0"),
            *fill(GOLD_LINE, f"line 0,{height - 1} {width - 1},{height - 1}")]


# ---------------------------------------------------------------- title strip

def title_strip():
    png(172, (1, 30), *strip_texture(1))
    gem = "polygon 14,5 22,15 14,25 6,15"
    png(203, (203, 30), *strip_texture(203),
        *fill("#4b2f7a", gem, edge=GOLD, width=1.4),
        *fill(GOLD_LIGHT, "polygon 14,9 18,15 14,21 10,15"),
        *text(SERIF, 17, "#1a1020", 29, 6, "Vexaria"),
        *text(SERIF, 17, GOLD, 28, 5, "Vexaria"),
        *fill("rgba(200,150,62,0.7)", "polygon 100,15 103,12 106,15 103,18"),
        *text(CJK, 11, "#b7a6d8", 110, 8, "Orbelle 网页游戏"))
    png(206, (92, 30), *strip_texture(92),
        *fill("rgba(106,84,148,0.8)", "line 1,7 1,23"))


def plates(w, h, close=False):
    """The three looks' backgrounds: none, a lit plate, a sunken plate."""
    box = f"roundrectangle 1,1 {w - 2},{h - 2} 4,4"
    hover = fill(CLOSE_PLATE if close else HOVER_PLATE, box, edge="none" if close else HOVER_EDGE)
    pressed = fill("rgba(120,20,14,0.85)" if close else PRESS_PLATE, box, edge=PRESS_EDGE)
    return [], hover, pressed


def window_buttons():
    """Close, maximize, restore, minimize: 28 x 26, glyph centred."""
    glyphs = {
        "close": lambda dx, dy: stroke_glyph(1.8, f"line {9 + dx},{8 + dy} {18 + dx},{17 + dy}",
                                             f"line {18 + dx},{8 + dy} {9 + dx},{17 + dy}"),
        "maximize": lambda dx, dy: stroke_glyph(1.4, f"rectangle {8.5 + dx},{7.5 + dy} {18.5 + dx},{17.5 + dy}",
                                                f"line {8.5 + dx},{8.5 + dy} {18.5 + dx},{8.5 + dy}"),
        "restore": lambda dx, dy: stroke_glyph(1.4, f"polyline {11.5 + dx},{9 + dy} {11.5 + dx},{6.5 + dy} "
                                                    f"{20.5 + dx},{6.5 + dy} {20.5 + dx},{15.5 + dy} "
                                                    f"{18 + dx},{15.5 + dy}",
                                               f"rectangle {7.5 + dx},{9.5 + dy} {17.5 + dx},{18.5 + dy}"),
        "minimize": lambda dx, dy: stroke_glyph(2, f"line {8 + dx},{17 + dy} {19 + dx},{17 + dy}"),
    }
    # ids in the order normal, hover, pressed
    ids = {"close": (207, 208, 227), "maximize": (220, 213, 228), "restore": (221, 217, 229),
           "minimize": (209, 210, 230)}
    for name, (normal, hover, pressed) in ids.items():
        looks = plates(28, 26, close=name == "close")
        draw = glyphs[name]
        png(normal, (28, 26), *looks[0], *draw(0, 0)(GLYPH))
        png(hover, (28, 26), *looks[1], *draw(0, 0)(GLYPH_HOT))
        png(pressed, (28, 26), *looks[2], *draw(0.5, 1)(GOLD))


def stroke_glyph(width, *draws):
    return lambda colour: stroke(colour, width, *draws)


# Small line icons for the function buttons, drawn in a 14 x 14 box at (x, y).
def icon_globe(x, y):
    cx, cy = x + 7, y + 7
    return lambda c: stroke(c, 1.3, f"circle {cx},{cy} {cx + 6},{cy}",
                            f"ellipse {cx},{cy} 2.6,6 0,360", f"line {x + 1},{cy} {x + 13},{cy}")


def icon_fullscreen(x, y):
    a, b = 0.5, 13.5
    corners = [f"polyline {x + a},{y + 4} {x + a},{y + a} {x + 4},{y + a}",
               f"polyline {x + b - 3.5},{y + a} {x + b},{y + a} {x + b},{y + 4}",
               f"polyline {x + b},{y + b - 3.5} {x + b},{y + b} {x + b - 3.5},{y + b}",
               f"polyline {x + 4},{y + b} {x + a},{y + b} {x + a},{y + b - 3.5}"]
    return lambda c: stroke(c, 1.5, *corners)


def icon_key(x, y):
    return lambda c: stroke(c, 1.4, f"circle {x + 4},{y + 7} {x + 7},{y + 7}",
                            f"line {x + 7},{y + 7} {x + 14},{y + 7}",
                            f"line {x + 11},{y + 7} {x + 11},{y + 10}", f"line {x + 13.5},{y + 7} {x + 13.5},{y + 9.5}")


def icon_broom(x, y):
    return lambda c: stroke(c, 1.4, f"line {x + 12},{y + 1} {x + 6},{y + 8}") + \
        fill(c, f"polygon {x + 4},{y + 7} {x + 9},{y + 10} {x + 6},{y + 14} {x},{y + 13}")


def icon_refresh(x, y):
    cx, cy = x + 7, y + 7
    return lambda c: stroke(c, 1.5, f"ellipse {cx},{cy} 5.5,5.5 -60,230") + \
        fill(c, f"polygon {cx + 1.5},{cy - 9} {cx + 5.5},{cy - 5.5} {cx + 0.5},{cy - 3}")


def function_buttons():
    """Buttons with an icon and a caption, 24 px high, the caption's font from
    the CJK family."""
    buttons = [
        # ids (normal, hover, pressed), width, icon, caption
        ((211, 212, 231), 58, icon_globe, "选服"),
        ((224, 214, 234), 58, icon_fullscreen, "全屏"),
        ((223, 215, 233), 97, icon_key, "老板键 (F10)"),
        ((252, 253, 261), 78, icon_broom, "清除缓存"),
        ((226, 219, 236), 78, icon_refresh, "刷新 (F5)"),
    ]
    for (normal, hover, pressed), width, icon, caption in buttons:
        looks = plates(width, 24)
        for ident, look, colour, icon_colour, shift in ((normal, looks[0], INK, GOLD, 0),
                                                        (hover, looks[1], INK_HOT, GOLD_LIGHT, 0),
                                                        (pressed, looks[2], GOLD, GOLD, 1)):
            png(ident, (width, 24), *look, *icon(5, 5 + shift)(icon_colour),
                *text(CJK, 12, colour, 23, 4 + shift, caption))


# ---------------------------------------------------------------- mask dialog

def mask():
    png(275, (1, 1), "-fill", "#000000E6", "-draw", "point 0,0")  # black, alpha 230
    # Eight dots on a ring; the lit one moves a quarter turn clockwise per
    # frame and leaves a fading tail.
    for frame, ident in enumerate((276, 277, 278, 279)):
        ops = []
        for dot in range(8):
            age = (frame * 2 + 1 - dot) % 8
            alpha = max(0.16, 1.0 - age * 0.2)
            a = math.radians(dot * 45 - 90)
            x, y = 11.5 + 8 * math.cos(a), 11.5 + 8 * math.sin(a)
            r = 2.3 if age < 2 else 1.8
            ops += fill(f"rgba(246,220,160,{alpha:.2f})", f"circle {x:.2f},{y:.2f} {x + r:.2f},{y:.2f}")
        png(ident, (23, 23), *ops)


# ---------------------------------------------------------------- message box

def button_face(ident, size, top, bottom, edge, caption, ink):
    w, h = size
    shape = f"roundrectangle 0.5,0.5 {w - 1.5},{h - 1.5} 6,6"
    png(ident, size,
        "(", "-size", f"{w}x{h}", f"gradient:{top}-{bottom}", "-alpha", "set",
        "(", "-size", f"{w}x{h}", "xc:none", "-fill", "white", "-draw", shape, ")",
        "-compose", "DstIn", "-composite", ")", "-compose", "Over", "-composite",
        *stroke(edge, 1, shape),
        *stroke("rgba(255,255,255,0.35)", 1, f"line 6,2 {w - 7},2"),
        *text(CJK, 15, ink, 0, 0, caption, gravity="Center"))


def message_box():
    w, h = 256, 110
    png(306, (w, h),
        "(", "-size", f"{w}x{h}", "gradient:#2c2042-#18111f", ")", "-compose", "Over", "-composite",
        "(", "-size", f"{w}x30", f"gradient:{STRIP_TOP}-#231a36", ")", "-geometry", "+0+0",
        "-compose", "Over", "-composite",
        *fill("rgba(200,150,62,0.75)", f"line 12,30 {w - 13},30"),
        *fill(GOLD, "polygon 8,30 11,27 14,30 11,33", f"polygon {w - 15},30 {w - 12},27 {w - 9},30 {w - 12},33"),
        *stroke("#0c0812", 1, f"rectangle 1,1 {w - 2},{h - 2}"),
        *stroke(GOLD_LINE, 1, f"rectangle 0,0 {w - 1},{h - 1}"))
    button_face(316, (82, 34), "#f0c46a", "#a8701f", "#5a3a10", "确定", "#2b1a05")
    button_face(315, (82, 34), "#ffe09a", "#c88a2c", "#fff0c0", "确定", "#2b1a05")
    button_face(314, (82, 34), "#5d4b7e", "#372a4f", "#8a78b0", "取消", "#f1e8ff")
    button_face(313, (82, 34), "#7a64a4", "#4a3968", GOLD, "取消", "#ffffff")
    png(318, (9, 9), *stroke(GLYPH_HOT, 1.6, "line 1,1 7.5,7.5", "line 7.5,1 1,7.5"))


# ---------------------------------------------------------------- login window buttons

def login_buttons():
    bar = lambda dy: stroke_glyph(2, f"line 5,{12 + dy} 15,{12 + dy}")
    looks = plates(20, 20)
    for ident, look, colour, dy in ((310, looks[0], GLYPH, 0), (311, looks[1], GLYPH_HOT, 0),
                                    (312, looks[2], GOLD, 1)):
        png(ident, (20, 20), *look, *bar(dy)(colour))
    cross = lambda d: stroke_glyph(2, f"line {8 + d},{8 + d} {16 + d},{16 + d}", f"line {16 + d},{8 + d} {8 + d},{16 + d}")
    looks = plates(25, 25, close=True)
    for ident, look, colour, d in ((307, looks[0], GLYPH, 0), (308, looks[1], GLYPH_HOT, 0),
                                   (309, looks[2], GOLD, 0.5)):
        png(ident, (25, 25), *look, *cross(d)(colour))


# ---------------------------------------------------------------- login skin (bitmap)

def shifted(draws, dx, dy):
    """Moves the coordinates of simple draw primitives."""
    def move(draw):
        name, *points = draw.split(" ")
        return " ".join([name] + [f"{float(x) + dx:g},{float(y) + dy:g}" for x, y in (p.split(",") for p in points)])
    return [move(d) for d in draws]


def login_skin(tmp):
    w, h = 660, 399
    rnd = random.Random(129)
    stars = []
    for _ in range(140):
        x, y = rnd.uniform(4, w - 4), rnd.uniform(24, 250)
        a = rnd.uniform(0.25, 0.95)
        r = 0.6 if rnd.random() < 0.8 else 1.1
        stars += fill(f"rgba(255,244,220,{a:.2f})", f"circle {x:.1f},{y:.1f} {x + r:.1f},{y:.1f}")
    far = "polygon 0,300 70,250 130,275 210,215 290,265 360,230 450,270 530,220 600,255 660,240 660,399 0,399"
    near = "polygon 0,340 90,300 170,325 260,285 330,310 420,280 500,318 580,295 660,320 660,399 0,399"
    castle = ["rectangle 400,196 440,282", "rectangle 392,214 400,282", "rectangle 440,214 448,282",
              "polygon 396,214 420,166 444,214", "rectangle 452,226 470,282", "polygon 449,226 461,200 473,226",
              "rectangle 370,232 388,282", "polygon 367,232 379,208 391,232", "rectangle 416,176 424,186"]
    windows = ["rectangle 418,230 422,238", "rectangle 458,240 462,246", "rectangle 377,244 381,250"]
    castle, windows = (shifted(castle, 130, 24), shifted(windows, 130, 24))
    art = tmp / "login-art.png"
    convert("-size", f"{w}x{h}", "gradient:#120a22-#55284e",
            *stars,
            "(", "-size", f"{w}x{h}", "xc:none", *fill("rgba(255,226,160,0.35)", "circle 548,92 548,142"),
            "-blur", "0x18", ")", "-compose", "Over", "-composite",
            *fill("#f4e4b8", "circle 548,92 548,122"), *fill("rgba(200,170,120,0.35)", "circle 538,84 538,92",
                                                             "circle 556,104 556,108"),
            *fill("#2a1838", far), *fill("#0f0a1a", *castle),
            *fill("rgba(255,214,120,0.85)", *windows),
            *fill("#160d22", near),
            *text(SERIF, 60, "#120a1c", 3, -37, "VEXARIA", gravity="Center"),
            *text(SERIF, 60, GOLD, 0, -40, "VEXARIA", gravity="Center"),
            *fill("rgba(232,193,112,0.8)", "line 200,214 300,214", "line 360,214 460,214"),
            *fill(GOLD, "polygon 322,214 330,207 338,214 330,221"),
            *text(CJK, 17, "#d9cdee", 0, 38, "Orbelle · 奇幻网页游戏", gravity="Center"),
            # the top strip (title and buttons) and the bottom strip (version)
            "(", "-size", f"{w}x21", f"gradient:{STRIP_TOP}-{STRIP_BOTTOM}", ")", "-geometry", "+0+0",
            "-compose", "Over", "-composite",
            *fill(GOLD_LINE, f"line 0,21 {w - 1},21"),
            *text(CJK, 12, GOLD, 10, 3, "Vexaria极速登录器"),
            "(", "-size", f"{w}x18", f"gradient:#1d1430-{STRIP_BOTTOM}", ")", "-geometry", f"+0+{h - 18}",
            "-compose", "Over", "-composite",
            *fill("rgba(200,150,62,0.6)", f"line 0,{h - 18} {w - 1},{h - 18}"),
            *stroke(GOLD_LINE, 1, f"roundrectangle 0.5,0.5 {w - 1.5},{h - 1.5} 7,7"),
            "-alpha", "off", f"PNG24:{art}")
    # Pure RGB(0, 255, 0) outside the rounded corners: the window's colour key.
    # The mask has no antialiasing so no blended green survives.
    mask = tmp / "login-mask.png"
    convert("-size", f"{w}x{h}", "xc:black", "+antialias", "-fill", "white",
            "-draw", f"roundrectangle 0,0 {w - 1},{h - 1} 7,7", f"PNG24:{mask}")
    convert("-size", f"{w}x{h}", "xc:#00ff00", art, mask, "-composite", "-alpha", "off", "-type", "TrueColor",
            f"BMP3:{HERE / 'login.bmp'}")


# ---------------------------------------------------------------- icons

def emblem_png(size, tmp, badge=False):
    """The program's emblem at one size: a violet tile with a gold rim and a
    gold V. Drawn at four times the size and averaged down, so even 16 px
    keeps a solid rim and a two-pixel V."""
    k = 4
    s = size * k
    rim = max(1.0, size / 20) * k
    r = size * 0.2 * k
    v = [(0.20, 0.25), (0.40, 0.25), (0.50, 0.58), (0.60, 0.25), (0.80, 0.25), (0.57, 0.80), (0.43, 0.80)]
    if size <= 24:  # a bolder V where there are few pixels
        v = [(0.16, 0.22), (0.39, 0.22), (0.50, 0.56), (0.61, 0.22), (0.84, 0.22), (0.59, 0.84), (0.41, 0.84)]
    points = " ".join(f"{x * s:.1f},{y * s:.1f}" for x, y in v)
    inset = rim / 2
    tile = f"roundrectangle {inset:.1f},{inset:.1f} {s - 1 - inset:.1f},{s - 1 - inset:.1f} {r:.1f},{r:.1f}"
    ops = ["(", "-size", f"{s}x{s}", "gradient:#6a44a0-#1c1230", "-alpha", "set",
           "(", "-size", f"{s}x{s}", "xc:none", "-fill", "white", "-draw", tile, ")",
           "-compose", "DstIn", "-composite", ")", "-compose", "Over", "-composite",
           *stroke("#e8b850", rim, tile)]
    if size >= 32:
        ops += stroke("#3a2406", k * max(1, size / 40), f"polygon {points}")
    ops += fill("#f4cc66", f"polygon {points}")
    if size >= 64:  # a sparkle above the right arm
        cx, cy, a, b = 0.80 * s, 0.15 * s, 0.07 * s, 0.018 * s
        ops += fill("#fff3c8", f"polygon {cx},{cy - a} {cx + b},{cy - b} {cx + a},{cy} {cx + b},{cy + b} "
                               f"{cx},{cy + a} {cx - b},{cy + b} {cx - a},{cy} {cx - b},{cy - b}")
    if badge:  # uninstall: a red disc with a white bar, lower right
        c, rad = 0.70 * s, 0.30 * s
        ops += fill("#d23a2e", f"circle {c},{c} {c + rad},{c}", edge="#ffffff", width=k * 0.8)
        ops += fill("#ffffff", f"rectangle {c - 0.17 * s},{c - 0.05 * s} {c + 0.17 * s},{c + 0.05 * s}")
    out = tmp / f"emblem-{size}{'-badge' if badge else ''}.png"
    convert("-size", f"{s}x{s}", "xc:none", *ops, "-filter", "Box", "-resize", f"{size}x{size}", *PNG_OUT,
            f"PNG32:{out}")
    return out


def rgba(path):
    return subprocess.run(["convert", str(path), "-depth", "8", "RGBA:-"], check=True,
                          capture_output=True).stdout


def write_ico(path, images):
    """An .ico of 32-bit BMP entries (BGRA rows bottom-up plus the AND mask),
    the form every Windows version and Wine read."""
    entries, blobs = [], []
    offset = 6 + 16 * len(images)
    for size, pixels in images:
        assert len(pixels) == size * size * 4
        header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
        rows = []
        for y in reversed(range(size)):
            row = pixels[y * size * 4:(y + 1) * size * 4]
            rows.append(bytes(b for i in range(0, len(row), 4) for b in (row[i + 2], row[i + 1], row[i], row[i + 3])))
        mask_stride = ((size + 31) // 32) * 4
        mask = bytearray()
        for y in reversed(range(size)):
            bits = bytearray(mask_stride)
            for x in range(size):
                if pixels[(y * size + x) * 4 + 3] == 0:
                    bits[x // 8] |= 0x80 >> (x % 8)
            mask += bits
        blob = header + b"".join(rows) + bytes(mask)
        entries.append(struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(blob), offset))
        blobs.append(blob)
        offset += len(blob)
    path.write_bytes(struct.pack("<HHH", 0, 1, len(images)) + b"".join(entries) + b"".join(blobs))


def icons(tmp):
    write_ico(HERE / "vexa.ico", [(s, rgba(emblem_png(s, tmp))) for s in (128, 64, 32, 24, 16)])
    write_ico(HERE / "uninstall.ico", [(16, rgba(emblem_png(16, tmp, badge=True)))])


# ---------------------------------------------------------------- checks

EXPECTED_PNGS = {
    172: (1, 30), 203: (203, 30), 206: (92, 30),
    **{i: (28, 26) for i in (207, 208, 209, 210, 213, 217, 220, 221, 227, 228, 229, 230)},
    **{i: (58, 24) for i in (211, 212, 214, 224, 231, 234)},
    **{i: (97, 24) for i in (215, 223, 233)},
    **{i: (78, 24) for i in (219, 226, 236, 252, 253, 261)},
    275: (1, 1), 276: (23, 23), 277: (23, 23), 278: (23, 23), 279: (23, 23),
    306: (256, 110), 313: (82, 34), 314: (82, 34), 315: (82, 34), 316: (82, 34), 318: (9, 9),
    307: (25, 25), 308: (25, 25), 309: (25, 25), 310: (20, 20), 311: (20, 20), 312: (20, 20),
}


def check_png(path, size):
    data = path.read_bytes()
    assert data[:8] == b"\x89PNG\r\n\x1a\n", path
    w, h, depth, colour = struct.unpack(">IIBB", data[16:26])
    assert (w, h) == size, (path, (w, h), size)
    assert (depth, colour) == (8, 6), (path, depth, colour)


def check_outputs():
    found = {int(p.stem) for p in PNG_DIR.glob("*.png")}
    assert found == set(EXPECTED_PNGS), sorted(found ^ set(EXPECTED_PNGS))
    for ident, size in EXPECTED_PNGS.items():
        check_png(PNG_DIR / f"{ident}.png", size)
    bmp = (HERE / "login.bmp").read_bytes()
    assert struct.unpack("<iiHH", bmp[18:30]) == (660, 399, 1, 24), "login.bmp must be 660 x 399, 24-bit"
    for name, sizes in (("vexa.ico", [128, 64, 32, 24, 16]), ("uninstall.ico", [16])):
        ico = (HERE / name).read_bytes()
        count = struct.unpack("<H", ico[4:6])[0]
        entries = [struct.unpack("<BBBBHHII", ico[6 + 16 * i:22 + 16 * i]) for i in range(count)]
        assert [e[0] for e in entries] == [s % 256 for s in sizes] and all(e[5] == 32 for e in entries), name
    # The colour key's green appears only in the corners.
    pixels = subprocess.run(["convert", str(HERE / "login.bmp"), "-depth", "8", "RGB:-"], check=True,
                            capture_output=True).stdout
    green = sum(1 for i in range(0, len(pixels), 3) if pixels[i:i + 3] == b"\x00\xff\x00")
    assert 0 < green < 4 * 20, green


def main():
    PNG_DIR.mkdir(exist_ok=True)
    for old in PNG_DIR.glob("*.png"):
        old.unlink()
    with tempfile.TemporaryDirectory() as t:
        tmp = Path(t)
        title_strip()
        window_buttons()
        function_buttons()
        mask()
        message_box()
        login_buttons()
        login_skin(tmp)
        icons(tmp)
    check_outputs()
    print(f"skin written: {len(EXPECTED_PNGS)} PNGs, vexa.ico, uninstall.ico, login.bmp")
    return 0


if __name__ == "__main__":
    sys.exit(main())
