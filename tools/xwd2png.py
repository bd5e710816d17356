#!/usr/bin/env python3
"""Turns an X window dump (xwd -root, 32 bits per pixel) into a PNG, with nothing but the standard
library. scripts/screenshots.sh uses it to picture tarn's tool windows, which only a real X server
shows. Usage: xwd2png.py IN.xwd OUT.png"""
import struct, sys, zlib
def xwd_to_png(src, dst):
    d = open(src, 'rb').read()
    (header_size, version, fmt, depth, width, height, xoff, byte_order, unit, bit_order, pad,
     bpp, bpl, visual_class, rmask, gmask, bmask) = struct.unpack('>17I', d[:68])
    ncolors = struct.unpack('>I', d[76:80])[0]
    off = header_size + ncolors * 12
    if bpp != 32: raise SystemExit(f'{src}: {bpp} bits per pixel, only 32 are read')
    rows = []
    endian = '<' if byte_order == 0 else '>'
    def shift(m): return (m & -m).bit_length() - 1
    rs, gs, bs = shift(rmask), shift(gmask), shift(bmask)
    for y in range(height):
        line = d[off + y * bpl: off + y * bpl + width * 4]
        px = struct.unpack(f'{endian}{width}I', line)
        row = bytearray(b'\0')
        for p in px:
            row += bytes(((p >> rs) & 255, (p >> gs) & 255, (p >> bs) & 255))
        rows.append(bytes(row))
    def chunk(t, b): return struct.pack('>I', len(b)) + t + b + struct.pack('>I', zlib.crc32(t + b) & 0xffffffff)
    png = b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', width, height, 8, 2, 0, 0, 0))
    png += chunk(b'IDAT', zlib.compress(b''.join(rows), 9)) + chunk(b'IEND', b'')
    open(dst, 'wb').write(png)


if __name__ == "__main__":
    if len(sys.argv) != 3:
        raise SystemExit("usage: xwd2png.py IN.xwd OUT.png")
    xwd_to_png(sys.argv[1], sys.argv[2])
