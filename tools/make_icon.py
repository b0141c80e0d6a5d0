#!/usr/bin/env python3
"""Draws the tool icon (a system drum with a green turn-back arrow) and writes
RestoreControl.ico: 16x16 in 16 colours, 256 colours and 32-bit with alpha.

Usage: make_icon.py [output.ico] [--preview preview.png]
The output defaults to the module's icon, RestorePlugIn/session/RestoreControl.ico.
"""
import math
import os
import struct
import sys
import zlib

SIZE = 16
SAMPLES = 4  # per pixel and axis, for the soft edges of the 32-bit image

BLUE_DARK = (16, 48, 120)
BLUE = (40, 96, 200)
BLUE_LIGHT = (120, 170, 240)
TOP = (190, 215, 250)
GREEN_DARK = (0, 96, 0)
GREEN = (40, 180, 40)
OUTLINE = (20, 20, 40)


def drum(x, y):
    """Colour of the drum at a sample point, or None outside it."""
    cx, rx, ry, top, bottom = 6.0, 5.5, 2.0, 3.0, 12.5
    dx = (x - cx) / rx
    if abs(dx) > 1:
        return None
    half = ry * math.sqrt(max(0.0, 1 - dx * dx))
    if y < top - half or y > bottom + half:
        return None
    edge = min(1 - abs(dx), 0.0 + (y - (top - half)), (bottom + half) - y)
    if edge < 0.12 or (1 - abs(dx)) * rx < 0.7:
        return OUTLINE
    if y <= top + half:
        # the lid, its rim drawn as a dark line
        return OUTLINE if y > top + half - 0.7 else TOP
    shade = (x - (cx - rx)) / (2 * rx)
    return BLUE_LIGHT if shade < 0.3 else BLUE if shade < 0.75 else BLUE_DARK


def arrow(x, y):
    """Colour of the turn-back arrow at a sample point, or None outside it."""
    cx, cy, r_out, r_in = 10.6, 11.0, 4.4, 2.3
    r_mid = (r_in + r_out) / 2
    # head at the ring's right end, pointing up
    hx, base_y, tip_y, half = cx + r_mid * 0.94, cy - r_mid * 0.34 + 0.4, 5.6, 2.4
    if tip_y <= y <= base_y:
        reach = half * (y - tip_y) / (base_y - tip_y)
        if abs(x - hx) <= reach:
            inner = abs(x - hx) <= reach - 0.7 and y <= base_y - 0.6
            return GREEN if inner else GREEN_DARK
    # the ring, open at the upper right
    dx, dy = x - cx, y - cy
    r = math.hypot(dx, dy)
    angle = math.degrees(math.atan2(-dy, dx)) % 360  # counter-clockwise from east
    if r_in <= r <= r_out and not (20 < angle < 90):
        edge = min(r - r_in, r_out - r)
        return GREEN_DARK if edge < 0.6 else GREEN
    return None


def render():
    """16x16 RGBA pixels, rows top to bottom."""
    pixels = []
    for py in range(SIZE):
        row = []
        for px in range(SIZE):
            acc = [0.0, 0.0, 0.0]
            hits = 0
            for sy in range(SAMPLES):
                for sx in range(SAMPLES):
                    x = px + (sx + 0.5) / SAMPLES
                    y = py + (sy + 0.5) / SAMPLES
                    colour = arrow(x, y) or drum(x, y)
                    if colour:
                        hits += 1
                        for i in range(3):
                            acc[i] += colour[i]
            if hits:
                row.append(tuple(int(a / hits) for a in acc) + (round(255 * hits / SAMPLES ** 2),))
            else:
                row.append((0, 0, 0, 0))
        pixels.append(row)
    return pixels


VGA = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128),
       (0, 128, 128), (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0),
       (255, 255, 0), (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255)]


def palette_256():
    cube = [(r, g, b) for r in range(0, 256, 51) for g in range(0, 256, 51) for b in range(0, 256, 51)]
    greys = [(v, v, v) for v in range(8, 248, 10)]
    return VGA + cube + greys


def nearest(palette, colour):
    return min(range(len(palette)),
               key=lambda i: sum((palette[i][k] - colour[k]) ** 2 for k in range(3)))


def row_bytes(bits_per_row):
    return ((bits_per_row + 31) // 32) * 4


def and_mask(pixels):
    out = b""
    for row in reversed(pixels):
        bits = 0
        for px in row:
            bits = (bits << 1) | (1 if px[3] < 128 else 0)
        out += struct.pack(">H", bits) + b"\0" * (row_bytes(SIZE) - 2)
    return out


def image(pixels, bpp):
    if bpp == 32:
        palette = []
        xor = b""
        for row in reversed(pixels):
            for r, g, b, a in row:
                xor += bytes((b, g, r, a))
    else:
        palette = VGA if bpp == 4 else palette_256()
        xor = b""
        for row in reversed(pixels):
            indices = [nearest(palette, px) if px[3] >= 128 else 0 for px in row]
            if bpp == 4:
                data = bytes((indices[i] << 4) | indices[i + 1] for i in range(0, SIZE, 2))
            else:
                data = bytes(indices)
            xor += data + b"\0" * (row_bytes(SIZE * bpp) - len(data))
    mask = and_mask(pixels)
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE * 2, 1, bpp, 0, len(xor) + len(mask), 0, 0,
                         0, 0)
    colours = b"".join(bytes((b, g, r, 0)) for r, g, b in palette)
    return header + colours + xor + mask


def ico(pixels):
    depths = [4, 8, 32]
    images = [image(pixels, bpp) for bpp in depths]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for bpp, data in zip(depths, images):
        out += struct.pack("<BBBBHHII", SIZE, SIZE, 16 if bpp == 4 else 0, 0, 1, bpp, len(data),
                           offset)
        offset += len(data)
    return out + b"".join(images)


def png(pixels, scale=16):
    raw = b""
    for row in pixels:
        line = b"".join(bytes(px) * scale for px in row)
        raw += (b"\0" + line) * scale
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
    side = SIZE * scale
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", side, side, 8, 6, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(raw)) + chunk(b"IEND", b""))


def main(args):
    output = os.path.join(os.path.dirname(os.path.abspath(__file__)), os.pardir,
                          "RestorePlugIn", "session", "RestoreControl.ico")
    preview = None
    rest = list(args)
    while rest:
        arg = rest.pop(0)
        if arg == "--preview":
            preview = rest.pop(0)
        else:
            output = arg
    pixels = render()
    with open(output, "wb") as f:
        f.write(ico(pixels))
    if preview:
        with open(preview, "wb") as f:
            f.write(png(pixels))


if __name__ == "__main__":
    main(sys.argv[1:])
