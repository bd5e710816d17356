#!/usr/bin/env python3
"""Makes a world for measuring biosim at scale with any biosim binary (before and after a change,
in one run): a copy of the demo whose map 0 holds N objects, optionally with an object sound on
every object or with F followers of a kind that is not on the map.

  scale_world.py DEMO_DIR OUT_DIR --objects N [--sounds] [--followers F] [--maxobjects M]

Then, for example:
  /usr/bin/time -f '%M KB %U s' biosim --headless --seed 1 --frames 30 --map 0 --world OUT_DIR
"""
import argparse
import shutil
from pathlib import Path


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("demo")
    ap.add_argument("out")
    ap.add_argument("--objects", type=int, required=True)
    ap.add_argument("--sounds", action="store_true")
    ap.add_argument("--followers", type=int, default=0)
    ap.add_argument("--maxobjects", type=int, default=0)
    a = ap.parse_args()
    out = Path(a.out)
    if out.exists():
        shutil.rmtree(out)
    shutil.copytree(a.demo, out)
    gfx = out / "_DATA/2DGFX"
    listing = out / "MAPS/0/_DATA/2DGFX"
    shutil.rmtree(out / "MAPS/0")
    listing.mkdir(parents=True)
    kinds = {"thing": ("wall.png", []), "hunter": ("walker.png", [])}
    kinds["thing"][1].extend(["worldFTileIDString", "THING", "worldFTileVELO", "1", "worldFTileMoveH", "1"])
    if a.sounds:
        kinds["thing"][1].extend(["worldFTileSoundFile", "zap", "worldFTileSoundVolume", "50"])
    kinds["hunter"][1].extend(["worldFTileIDString", "HUNTER", "worldFTileVELO", "1", "worldFTileMoveH", "1",
                               "worldFTileFollowObject", "1", "worldFTileFollow", "PREY"])
    for name, (image, dna) in kinds.items():
        shutil.copy(gfx / image, gfx / (name + ".png"))
        (gfx / (name + ".dll")).write_bytes(("\r\n".join(["worldFTileTransparency", "255"] + dna) + "\r\n").encode())
        (listing / (name + ".png")).write_text("listing")
    lines = ["0", "0"]
    for r in range(a.objects):
        kind = "hunter" if r % 5 == 0 and r // 5 < a.followers else "thing"
        lines += ["TILE", kind, "0", str((r * 37) % 1000), str((r * 53) % 740), "16", "16", "0"]
    lines.append("ENGINETILEINFOEND")
    (out / "MAPS/0/0").write_bytes(("\r\n".join(lines) + "\r\n").encode())
    (out / "MAPS/0/_").write_bytes(f"{a.objects - 1}\r\n".encode())
    if a.maxobjects:
        ini = out / "CORE/ini.crc"
        text = ini.read_bytes().decode("latin-1").split("\r\n")
        i = text.index("MAXOBJECTS")
        text[i + 1] = str(a.maxobjects)
        ini.write_bytes("\r\n".join(text).encode("latin-1"))


if __name__ == "__main__":
    main()
