#!/usr/bin/env python3
"""Generates biosim's demo world: tile images (.png), tile DNA files (.dll) and the map folders.

Run from anywhere:  python3 tools/make_demo.py [demo-folder]
Writes (under demo/):
  _DATA/2DGFX/<tile>.png and <tile>.dll   the shared graphics folder (every tile kind)
  _DATA/FX/<name>.png                     effect and shadow images
  MAPS/<id>/0, MAPS/<id>/_                map segments and the tile count
  MAPS/<id>/_DATA/2DGFX/                  copies of the kinds each map uses (the map's tile list)
The sounds that the DNA names (SOUNDS/*.ogg, and the level music SOUNDS/#L<id>.ogg) are made by
tools/make_demo_sounds.cpp; this tool only names them.

Images are drawn here with a few shapes and a 5x7 pixel font; pure green RGB(0,255,0) is the
transparent colour of tile images. Every file is written with CR LF line ends, as the map builder
does. Output is deterministic: running the tool twice gives identical files.
"""

import math
import os
import shutil
import struct
import sys
import zlib

GREEN = (0, 255, 0)  # transparent in tile images

# ---------------------------------------------------------------------------------------------
# PNG writer (8-bit RGB, no interlace).
# ---------------------------------------------------------------------------------------------


def write_png(path, width, height, pixels):
    """pixels: list of rows, each a list of (r, g, b)."""
    raw = bytearray()
    for row in pixels:
        raw.append(0)
        for r, g, b in row:
            raw += bytes((r, g, b))

    def chunk(tag, data):
        body = tag + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    png = b"\x89PNG\r\n\x1a\n"
    png += chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(bytes(raw), 9))
    png += chunk(b"IEND", b"")
    with open(path, "wb") as f:
        f.write(png)


class Canvas:
    def __init__(self, w, h, fill=GREEN):
        self.w, self.h = w, h
        self.px = [[fill for _ in range(w)] for _ in range(h)]

    def set(self, x, y, c):
        if 0 <= x < self.w and 0 <= y < self.h:
            self.px[y][x] = c

    def rect(self, x0, y0, x1, y1, c):
        for y in range(max(0, y0), min(self.h, y1)):
            for x in range(max(0, x0), min(self.w, x1)):
                self.px[y][x] = c

    def frame(self, c, t=1):
        self.rect(0, 0, self.w, t, c)
        self.rect(0, self.h - t, self.w, self.h, c)
        self.rect(0, 0, t, self.h, c)
        self.rect(self.w - t, 0, self.w, self.h, c)

    def disc(self, cx, cy, r, c):
        for y in range(self.h):
            for x in range(self.w):
                if (x + 0.5 - cx) ** 2 + (y + 0.5 - cy) ** 2 <= r * r:
                    self.px[y][x] = c

    def save(self, path):
        write_png(path, self.w, self.h, self.px)


# 5x7 pixel font for the few words the demo shows.
FONT = {
    "A": ["01110", "10001", "10001", "11111", "10001", "10001", "10001"],
    "B": ["11110", "10001", "10001", "11110", "10001", "10001", "11110"],
    "C": ["01110", "10001", "10000", "10000", "10000", "10001", "01110"],
    "D": ["11110", "10001", "10001", "10001", "10001", "10001", "11110"],
    "E": ["11111", "10000", "10000", "11110", "10000", "10000", "11111"],
    "G": ["01110", "10001", "10000", "10111", "10001", "10001", "01111"],
    "H": ["10001", "10001", "10001", "11111", "10001", "10001", "10001"],
    "I": ["01110", "00100", "00100", "00100", "00100", "00100", "01110"],
    "K": ["10001", "10010", "10100", "11000", "10100", "10010", "10001"],
    "L": ["10000", "10000", "10000", "10000", "10000", "10000", "11111"],
    "M": ["10001", "11011", "10101", "10101", "10001", "10001", "10001"],
    "N": ["10001", "11001", "10101", "10011", "10001", "10001", "10001"],
    "O": ["01110", "10001", "10001", "10001", "10001", "10001", "01110"],
    "P": ["11110", "10001", "10001", "11110", "10000", "10000", "10000"],
    "R": ["11110", "10001", "10001", "11110", "10100", "10010", "10001"],
    "S": ["01111", "10000", "10000", "01110", "00001", "00001", "11110"],
    "T": ["11111", "00100", "00100", "00100", "00100", "00100", "00100"],
    "U": ["10001", "10001", "10001", "10001", "10001", "10001", "01110"],
    "V": ["10001", "10001", "10001", "10001", "10001", "01010", "00100"],
    "W": ["10001", "10001", "10001", "10101", "10101", "10101", "01010"],
    "X": ["10001", "10001", "01010", "00100", "01010", "10001", "10001"],
    "Y": ["10001", "10001", "01010", "00100", "00100", "00100", "00100"],
    "-": ["00000", "00000", "00000", "11111", "00000", "00000", "00000"],
    "+": ["00000", "00100", "00100", "11111", "00100", "00100", "00000"],
    " ": ["00000"] * 7,
}


def text_canvas(text, scale, colour, shade):
    w = (len(text) * 6 + 1) * scale
    h = 9 * scale
    c = Canvas(w, h)
    for i, ch in enumerate(text):
        glyph = FONT[ch]
        for gy, line in enumerate(glyph):
            for gx, bit in enumerate(line):
                if bit == "1":
                    x0 = (1 + i * 6 + gx) * scale
                    y0 = (1 + gy) * scale
                    c.rect(x0 + scale // 3, y0 + scale // 3, x0 + scale + scale // 3, y0 + scale + scale // 3, shade)
                    c.rect(x0, y0, x0 + scale, y0 + scale, colour)
    return c


def gradient(w, h, top, bottom, stars=0):
    c = Canvas(w, h)
    for y in range(h):
        t = y / max(1, h - 1)
        col = tuple(int(top[k] + (bottom[k] - top[k]) * t) for k in range(3))
        for x in range(w):
            c.px[y][x] = col
    seed = 12345
    for _ in range(stars):
        seed = (seed * 1103515245 + 12345) & 0x7FFFFFFF
        x = seed % w
        seed = (seed * 1103515245 + 12345) & 0x7FFFFFFF
        y = seed % h
        c.px[y][x] = (230, 230, 255)
    return c


def arrow(direction, base, tip):
    c = Canvas(32, 32, base)
    c.frame((40, 40, 40))
    for y in range(32):
        for x in range(32):
            # an arrow pointing right, then turned
            u, v = x - 16, y - 16
            if direction == "LEFT":
                u = -u
            elif direction == "UP":
                u, v = -v, u
            elif direction == "DOWN":
                u, v = v, u
            inside = (-10 <= u <= 2 and abs(v) <= 3) or (2 <= u <= 11 and abs(v) <= 11 - u)
            if inside:
                c.px[y][x] = tip
    return c


def gear():
    c = Canvas(64, 64)
    for y in range(64):
        for x in range(64):
            dx, dy = x + 0.5 - 32, y + 0.5 - 32
            r = math.hypot(dx, dy)
            a = math.atan2(dy, dx)
            outer = 27 + 4 * (1 if math.sin(8 * a) > 0 else 0)
            if r <= outer and r >= 8:
                c.px[y][x] = (200, 120, 40) if r > 20 else (230, 170, 60)
    c.rect(30, 6, 34, 58, (120, 60, 20))
    return c


def door(word, body, light):
    """A door with a word over it: a level's way out."""
    c = Canvas(56, 64)
    c.rect(4, 14, 52, 64, (60, 40, 20))
    c.rect(8, 18, 48, 64, body)
    c.rect(39, 40, 43, 44, light)
    label = text_canvas(word, 2, light, (40, 20, 0))
    x0 = (56 - label.w) // 2
    for y in range(label.h):
        for x in range(label.w):
            if label.px[y][x] != GREEN:
                c.set(x0 + x, y - 2, label.px[y][x])
    return c


def spikes():
    c = Canvas(64, 24)
    for k in range(4):
        for y in range(24):
            half = (24 - y) * 8 // 24
            c.rect(k * 16 + 8 - half, y, k * 16 + 8 + half, y + 1, (220, 60, 60) if y > 4 else (255, 200, 200))
    return c


def face(body, eyes):
    c = Canvas(32, 32)
    c.disc(16, 16, 14, body)
    c.disc(11, 12, 3, (255, 255, 255))
    c.disc(21, 12, 3, (255, 255, 255))
    c.disc(11, 12, 1.5, eyes)
    c.disc(21, 12, 1.5, eyes)
    c.rect(10, 21, 22, 23, (40, 20, 20))
    return c


# ---------------------------------------------------------------------------------------------
# DNA files.
# ---------------------------------------------------------------------------------------------

COMMENT = [
    ";biosim demo world",
    ";tile DNA written by tools/make_demo.py",
    ";part of the biosim and tarn project",
    ";DO NOT CHANGE THIS FILE BY HAND!!!",
    ";YOU MAY ENCOUNTER DATALOSS/MALFUNCTIONS",
    ";ALWAYS USE THE TARN-MAP-BUILDER TO CREATE VALID MAP AND DNA DATAS!",
    ";generated, not edited",
    ";end of file",
]

# Every kind starts from these values; each kind overrides what it needs.
BASE_DNA = [
    ("worldFTileRotate", "0"),
    ("worldFTileCollision", "0"),
    ("worldFTileFollow", "NOPE"),
    ("worldFTileTransparency", "255"),
    ("worldFTileTouchMove", "0"),
    ("worldFTileGOBACK", "0"),
    ("worldFTileTouchTransparency", "0"),
    ("worldFTilePlayerID", "0"),
    ("worldFTileIsGUI", "0"),
    ("worldFStretch", "0"),
    ("worldFTileVELO", "0"),
    ("worldFTilePlayerMOVE", "0"),
    ("worldFTileFollowObject", "0"),
    ("worldFTileMoveV", "0"),
    ("worldFTileMoveH", "0"),
    ("worldFTileTouchRotate", "0"),
    ("worldFTileTransport", "0"),
    ("worldFTileFlire", "0"),
    ("worldFTileID", "0"),
    ("worldFTileIDString", "NONE"),
    ("useWeapon", ""),
    ("postEFFECT", ""),
    ("worldFTileRandomMove", "0"),
    ("worldFTileFadeIn", "0"),
    ("worldFTileFadeOut", "0"),
    ("worldFTileLifeTime", "0"),
    ("worldFTileTimerMS", "0"),
    ("animContainer", "NOPE"),
    ("animAutoPlay", "0"),
    ("animTimer", "0"),
    ("worldFTileHideOnStart", "0"),
    ("worldFTileUseKeyboard", "0"),
    ("worldFTileUseJoyStick", "0"),
    ("AI", "0"),
    ("worldFTileIsMirror", "0"),
    ("worldFTileMirrorAt", "NOPE"),
    ("worldFTileSoundFile", "NOPE"),
    ("worldFTileSoundDuration", "0"),
    ("worldFTileSoundVolume", "0"),
    ("worldFTileUseMoveLogic", "0"),
    ("worldFTileFadeInStep", "0"),
    ("worldFTileUseScript", "NOPE"),
    ("worldFTile_EFFECT_GFX", "NOPE"),
    ("worldFTileUseShadow", "NOPE"),
]


def dna_text(overrides):
    values = dict(BASE_DNA)
    for k, v in overrides.items():
        if k not in values:
            raise KeyError(k)
        values[k] = v
    lines = []
    for k, _ in BASE_DNA:
        lines += [k, values[k]]
    lines += COMMENT
    return "".join(line + "\r\n" for line in lines)


# ---------------------------------------------------------------------------------------------
# The tile kinds: name -> (image builder, DNA overrides).
# ---------------------------------------------------------------------------------------------


def sound(name, every_ms, volume):
    """An object sound: SOUNDS/<name>.ogg, played again every every_ms while the object is on screen
    (on maps below 1000), at volume 0-100. The files come from tools/make_demo_sounds.cpp."""
    return {"worldFTileSoundFile": name, "worldFTileSoundDuration": str(every_ms),
            "worldFTileSoundVolume": str(volume)}


KINDS = {
    # Intro (map 1001) and title (map 1000).
    "introbg": (lambda: gradient(256, 192, (10, 10, 40), (60, 20, 90), stars=120),
                {"worldFStretch": "1", "worldFTileIDString": "BACKGROUND"}),
    "introtext": (lambda: text_canvas("BIOSIM", 8, (250, 220, 90), (90, 40, 10)),
                  {"worldFTileIDString": "LOGO", "worldFTileFadeIn": "255", "worldFTileFadeInStep": "3"}),
    "titlebg": (lambda: gradient(256, 192, (20, 40, 20), (10, 90, 60), stars=60),
                {"worldFStretch": "1", "worldFTileIDString": "BACKGROUND"}),
    "titletext": (lambda: text_canvas("PRESS SPACE", 5, (255, 255, 255), (20, 60, 20)),
                  {"worldFTileIDString": "TITLE", "worldFTileFlire": "9"}),
    "helptext": (lambda: text_canvas("ARROWS MOVE", 3, (200, 230, 200), (20, 60, 20)),
                 {"worldFTileIDString": "TITLE"}),
    "goaltext": (lambda: text_canvas("REACH THE EXIT - AVOID RED", 2, (255, 220, 120), (60, 30, 10)),
                 {"worldFTileIDString": "TITLE"}),
    # The level (map 0).
    "levelbg": (lambda: gradient(256, 192, (30, 30, 50), (70, 60, 40), stars=40),
                {"worldFStretch": "1", "worldFTileIDString": "BACKGROUND"}),
    "wall": (lambda: (lambda c: ([c.rect(0, y, 32, y + 1, (90, 90, 110)) for y in range(0, 32, 8)],
                                 [c.rect(x, 0, x + 1, 32, (90, 90, 110)) for x in range(0, 32, 16)], c)[2])(Canvas(32, 32, (130, 130, 150))),
             {"worldFTileCollision": "1", "worldFTileIDString": "WALL"}),
    "player": (lambda: face((60, 140, 255), (0, 0, 80)),
               {"worldFTileCollision": "1", "worldFTilePlayerID": "1", "worldFTileUseKeyboard": "1",
                "worldFTileUseJoyStick": "1", "worldFTileVELO": "4", "worldFTileIDString": "PLAYER",
                "worldFTileUseShadow": "shadow"}),
    # "NOGO" kinds catch the player (back to the title); "FASS" kinds are goals (on to the map
    # their worldFTileID names).
    "chaser": (lambda: face((230, 60, 60), (80, 0, 0)),
               {"worldFTileCollision": "1", "worldFTileVELO": "2", "worldFTileMoveH": "1", "worldFTileMoveV": "1",
                "worldFTileFollowObject": "1", "worldFTileFollow": "PLAYER", "worldFTileRandomMove": "100",
                "worldFTileIDString": "NOGO"}),
    "spikes": (spikes, {"worldFTileCollision": "1", "worldFTileIDString": "NOGO"}),
    "exit": (lambda: door("EXIT", (200, 160, 40), (255, 240, 150)),
             {"worldFTileCollision": "1", "worldFTileIDString": "FASS", "worldFTileID": "1"}),
    "home": (lambda: door("HOME", (60, 160, 90), (220, 255, 220)),
             {"worldFTileCollision": "1", "worldFTileIDString": "FASS", "worldFTileID": "1000"}),
    # A large random-move value makes turns rare: walkers wander instead of shaking on the spot.
    "walker": (lambda: face((240, 200, 60), (60, 40, 0)),
               {"worldFTileCollision": "1", "worldFTileVELO": "2", "worldFTileMoveH": "1", "worldFTileMoveV": "-1",
                "worldFTileRandomMove": "80", "worldFTileIDString": "WALKER"}),
    "walkleft": (lambda: arrow("LEFT", (60, 90, 60), (200, 255, 200)),
                 {"worldFTileCollision": "1", "worldFTileTransport": "1", "worldFTileIDString": "WALKLEFT",
                  **sound("chime3", 3000, 25)}),
    "walkright": (lambda: arrow("RIGHT", (60, 90, 60), (200, 255, 200)),
                  {"worldFTileCollision": "1", "worldFTileTransport": "1", "worldFTileIDString": "WALKRIGHT",
                   **sound("chime1", 2000, 25)}),
    "walkup": (lambda: arrow("UP", (60, 60, 100), (200, 200, 255)),
               {"worldFTileCollision": "1", "worldFTileTransport": "1", "worldFTileIDString": "WALKUP",
                **sound("chime2", 2500, 25)}),
    "walkdown": (lambda: arrow("DOWN", (60, 60, 100), (200, 200, 255)),
                 {"worldFTileCollision": "1", "worldFTileTransport": "1", "worldFTileIDString": "WALKDOWN",
                  **sound("chime4", 3500, 25)}),
    "shooter": (lambda: (lambda c: (c.rect(4, 8, 24, 24, (90, 90, 90)), c.rect(20, 13, 32, 19, (40, 40, 40)),
                                    c.frame((30, 30, 30)), c)[3])(Canvas(32, 32)),
                {"useWeapon": "BLUEFIRE", "worldFTileIDString": "SHOOTER"}),
    "bluefire": (lambda: (lambda c: (c.disc(8, 4, 4, (60, 140, 255)), c.disc(8, 4, 2, (220, 240, 255)), c)[2])(Canvas(16, 8)),
                 {"worldFTileVELO": "7", "worldFTileMoveH": "1", "worldFTileHideOnStart": "1",
                  "worldFTileRandomMove": "127", "worldFTileIDString": "BLUEFIRE", "postEFFECT": "5x2",
                  **sound("zap", 1000, 35)}),
    "firefly": (lambda: (lambda c: (c.disc(6, 6, 6, (120, 200, 40)), c.disc(6, 6, 3.5, (230, 255, 120)), c)[2])(Canvas(12, 12)),
                {"worldFTileVELO": "1", "worldFTileMoveH": "1", "worldFTileMoveV": "-1", "worldFTileFlire": "1",
                 "worldFTileLifeTime": "12", "worldFTileTimerMS": "500", "worldFTileIDString": "GREENFIREFLY"}),
    "gear": (gear, {"worldFTileRotate": "0.03", "worldFTileIDString": "GEAR", **sound("tick", 1000, 20)}),
    "mirror": (lambda: Canvas(32, 16, (200, 220, 255)),
               {"worldFTileIsMirror": "170", "worldFTileMirrorAt": "DOWN", "worldFTileIDString": "MIRROR"}),
}

FX = {
    "shadow": lambda: (lambda c: (c.disc(16, 16, 15, (20, 20, 20)), c)[1])(Canvas(32, 32)),
}

# ---------------------------------------------------------------------------------------------
# Maps. A record is (tile, x, y, w, h); all records sit on layer 0.
# ---------------------------------------------------------------------------------------------


def level_map():
    r = [("levelbg", 0, 0, 1024, 768)]
    # the border: four stretched wall pieces, then two inner blocks
    r += [("wall", 0, 0, 1024, 32), ("wall", 0, 736, 1024, 32), ("wall", 0, 32, 32, 704), ("wall", 992, 32, 32, 704)]
    r += [("wall", 320, 200, 32, 160), ("wall", 640, 420, 160, 32)]
    # walk tiles, one of each direction, in a row along the bottom
    r += [("walkright", 160, 640, 64, 64), ("walkup", 288, 640, 64, 64), ("walkleft", 416, 640, 64, 64),
          ("walkdown", 544, 560, 64, 64)]
    r += [("mirror", 760, 96, 96, 48), ("gear", 776, 160, 64, 64)]
    r += [("shooter", 48, 96, 32, 32), ("bluefire", 80, 128, 24, 12)]
    r += [("walker", 420 + 70 * i, 110 + 60 * (i % 3), 32, 32) for i in range(6)]
    r += [("firefly", 120 + 70 * i, 300 + 25 * (i % 4), 12, 12) for i in range(10)]
    r += [("exit", 920, 48, 56, 64)]
    r += [("chaser", 880, 600, 32, 32)]
    r += [("player", 96, 560, 32, 32)]
    return r


def second_level_map():
    """Map 1: five lanes between walls, walked as a zigzag from the bottom left to the door home."""
    r = [("levelbg", 0, 0, 1024, 768)]
    r += [("wall", 0, 0, 1024, 32), ("wall", 0, 736, 1024, 32), ("wall", 0, 32, 32, 704), ("wall", 992, 32, 32, 704)]
    # walls from the top leave a way through at the bottom, walls from the bottom one at the top
    r += [("wall", 200, 32, 32, 520), ("wall", 420, 216, 32, 520), ("wall", 640, 32, 32, 520),
          ("wall", 860, 216, 32, 520)]
    r += [("walkup", 300, 420, 64, 64), ("walkdown", 510, 200, 64, 64), ("walkup", 740, 420, 64, 64)]
    r += [("spikes", 250, 160, 64, 24), ("spikes", 560, 600, 64, 24), ("spikes", 680, 80, 64, 24),
          ("spikes", 910, 360, 64, 24)]
    r += [("walker", 80 + 220 * i, 300 + 80 * (i % 2), 32, 32) for i in range(4)]
    r += [("firefly", 100 + 110 * i, 120 + 60 * (i % 3), 12, 12) for i in range(8)]
    r += [("home", 920, 660, 56, 64)]
    r += [("chaser", 750, 250, 32, 32)]
    r += [("player", 64, 680, 32, 32)]
    return r


MAPS = {
    1001: [("introbg", 0, 0, 1024, 768), ("introtext", 216, 312, 592, 144)],
    1000: [("titlebg", 0, 0, 1024, 768), ("titletext", 177, 300, 670, 90), ("helptext", 412, 430, 201, 27),
           ("goaltext", 355, 490, 314, 18)],
    0: level_map(),
    1: second_level_map(),
}


def write_text(path, lines):
    with open(path, "wb") as f:
        f.write("".join(line + "\r\n" for line in lines).encode("latin-1"))


def main():
    demo = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "demo")
    gfx = os.path.join(demo, "_DATA", "2DGFX")
    fx = os.path.join(demo, "_DATA", "FX")
    os.makedirs(gfx, exist_ok=True)
    os.makedirs(fx, exist_ok=True)

    sizes = {}
    for name, (draw, dna) in KINDS.items():
        canvas = draw()
        canvas.save(os.path.join(gfx, name + ".png"))
        sizes[name] = (canvas.w, canvas.h)
        with open(os.path.join(gfx, name + ".dll"), "wb") as f:
            f.write(dna_text(dna).encode("latin-1"))
    for name, draw in FX.items():
        draw().save(os.path.join(fx, name + ".png"))

    for map_id, records in MAPS.items():
        folder = os.path.join(demo, "MAPS", str(map_id))
        if os.path.isdir(folder):
            shutil.rmtree(folder)
        own = os.path.join(folder, "_DATA", "2DGFX")
        os.makedirs(own)
        lines = ["0", "0"]
        kinds = sorted({r[0] for r in records})
        for tile, x, y, w, h in records:
            lines += ["TILE", tile, str(kinds.index(tile)), str(x), str(y), str(w), str(h), "0"]
        lines.append("ENGINETILEINFOEND")
        write_text(os.path.join(folder, "0"), lines)
        write_text(os.path.join(folder, "_"), [str(len(records) - 1)])
        for k in kinds:
            shutil.copyfile(os.path.join(gfx, k + ".png"), os.path.join(own, k + ".png"))
            shutil.copyfile(os.path.join(gfx, k + ".dll"), os.path.join(own, k + ".dll"))
    print("demo assets written to", os.path.abspath(demo))


if __name__ == "__main__":
    main()
