#!/usr/bin/env python3
"""Draws the program's two icons and writes them as .ico files into ui/res/.

Armwright.ico (group 128): 32x32 and 16x16, 16 colours each.
Usage.ico (group 131): 48x48, 32x32 and 16x16 in 256 colours and 32-bit, 32x32 and 16x16 in
16 colours, and a 32x32 monochrome image.

The pictures are plain geometry drawn in a unit square and sampled at each size, so every
size shows the same design. Run it again only to change the pictures; the .ico files are kept
in the repository.
"""
import math
import os
import struct
import sys

# The standard 16-colour palette of the system.
VGA16 = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128),
         (0, 128, 128), (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0),
         (255, 255, 0), (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255)]


def palette256():
    """The 16 colours, a 6x6x6 colour cube and a grey ramp: 256 entries."""
    pal = list(VGA16)
    levels = [0, 51, 102, 153, 204, 255]
    pal += [(r, g, b) for r in levels for g in levels for b in levels]
    pal += [(8 + 10 * i,) * 3 for i in range(256 - len(pal))]
    return pal


def inside_polygon(x, y, pts):
    result = False
    j = len(pts) - 1
    for i in range(len(pts)):
        xi, yi = pts[i]
        xj, yj = pts[j]
        if (yi > y) != (yj > y) and x < (xj - xi) * (y - yi) / (yj - yi) + xi:
            result = not result
        j = i
    return result


def in_rounded_rect(x, y, x0, y0, x1, y1, r):
    if not (x0 <= x <= x1 and y0 <= y <= y1):
        return False
    cx = min(max(x, x0 + r), x1 - r)
    cy = min(max(y, y0 + r), y1 - r)
    return (x - cx) ** 2 + (y - cy) ** 2 <= r * r


# A delta-wing aircraft seen from above, nose up, in unit coordinates.
AIRCRAFT = [(0.50, 0.12), (0.56, 0.30), (0.56, 0.44), (0.88, 0.66), (0.88, 0.72), (0.56, 0.64),
            (0.55, 0.78), (0.68, 0.86), (0.68, 0.90), (0.50, 0.86), (0.32, 0.90), (0.32, 0.86),
            (0.45, 0.78), (0.44, 0.64), (0.12, 0.72), (0.12, 0.66), (0.44, 0.44), (0.44, 0.30)]


def armwright_picture(x, y):
    """RGBA of the program's icon at a point of the unit square."""
    if inside_polygon(x, y, AIRCRAFT):
        return (255, 255, 255, 255)
    if in_rounded_rect(x, y, 0.04, 0.04, 0.96, 0.96, 0.16):
        return (0, 0, 128, 255)
    return (0, 0, 0, 0)


def usage_picture(x, y):
    """RGBA of the usage icon: a sheet of instructions with a blue question mark badge."""
    # Badge at the lower right.
    bx, by, br = 0.70, 0.70, 0.27
    d = math.hypot(x - bx, y - by)
    if d <= br:
        # A question mark: an arc, a stem and a dot.
        rel_x, rel_y = (x - bx) / br, (y - by) / br
        ring = math.hypot(rel_x, rel_y + 0.25)
        on_arc = 0.22 <= ring <= 0.48 and (rel_y < -0.25 or rel_x > 0.1)
        on_stem = abs(rel_x) <= 0.12 and -0.05 <= rel_y <= 0.32 and rel_x >= -0.12
        on_dot = math.hypot(rel_x, rel_y - 0.55) <= 0.14
        if on_arc or on_stem or on_dot:
            return (255, 255, 255, 255)
        return (0, 0, 255, 255) if d <= br - 0.05 else (0, 0, 128, 255)
    # The sheet with a folded corner.
    sheet = [(0.10, 0.04), (0.62, 0.04), (0.80, 0.22), (0.80, 0.96), (0.10, 0.96)]
    if inside_polygon(x, y, sheet):
        if x > 0.62 - 0.001 and y < 0.22 and (x - 0.62) < (y - 0.04) + 0.001:
            return (192, 192, 192, 255)
        edge = min(x - 0.10, 0.80 - x, y - 0.04, 0.96 - y)
        if edge < 0.035:
            return (0, 0, 0, 255)
        for row in (0.24, 0.36, 0.48, 0.60, 0.72):
            if row <= y <= row + 0.05 and 0.20 <= x <= (0.70 if row > 0.3 else 0.52):
                return (128, 128, 128, 255)
        return (255, 255, 255, 255)
    return (0, 0, 0, 0)


def render(picture, size):
    """Samples the picture 4x4 per pixel: rows of RGBA, top row first."""
    rows = []
    n = 4
    for py in range(size):
        row = []
        for px in range(size):
            acc = [0, 0, 0, 0]
            for sy in range(n):
                for sx in range(n):
                    r, g, b, a = picture((px + (sx + 0.5) / n) / size, (py + (sy + 0.5) / n) / size)
                    acc[0] += r * a
                    acc[1] += g * a
                    acc[2] += b * a
                    acc[3] += a
            if acc[3]:
                row.append((round(acc[0] / acc[3]), round(acc[1] / acc[3]), round(acc[2] / acc[3]),
                            round(acc[3] / (n * n))))
            else:
                row.append((0, 0, 0, 0))
        rows.append(row)
    return rows


def nearest(pal, rgb):
    return min(range(len(pal)), key=lambda i: sum((pal[i][k] - rgb[k]) ** 2 for k in range(3)))


def pack_bits(values, bpp):
    """One bitmap row, most significant bits first, padded to 32 bits."""
    out = bytearray()
    acc, nbits = 0, 0
    for v in values:
        acc = (acc << bpp) | v
        nbits += bpp
        if nbits == 8:
            out.append(acc)
            acc, nbits = 0, 0
    if nbits:
        out.append(acc << (8 - nbits))
    while len(out) % 4:
        out.append(0)
    return bytes(out)


def icon_image(rows, bpp):
    """A device-independent icon image: header, palette, colour bitmap and transparency mask."""
    size = len(rows)
    opaque = [[px[3] >= 128 for px in row] for row in rows]
    if bpp == 32:
        pal = []
        xor = b"".join(bytes(c for px in row for c in (px[2], px[1], px[0], px[3]))
                       for row in reversed(rows))
    else:
        if bpp == 1:
            pal = [(0, 0, 0), (255, 255, 255)]
        elif bpp == 4:
            pal = VGA16
        else:
            pal = palette256()
        cache = {}
        index_rows = []
        for y, row in enumerate(rows):
            line = []
            for x, px in enumerate(row):
                if not opaque[y][x]:
                    line.append(0)
                    continue
                rgb = px[:3]
                if bpp == 1:
                    # Dark shapes stay black, the rest turns white.
                    line.append(1 if sum(rgb) > 3 * 150 else 0)
                    continue
                if rgb not in cache:
                    cache[rgb] = nearest(pal, rgb)
                line.append(cache[rgb])
            index_rows.append(line)
        xor = b"".join(pack_bits(line, bpp) for line in reversed(index_rows))
    mask = b"".join(pack_bits([0 if o else 1 for o in row], 1) for row in reversed(opaque))
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, bpp, 0, len(xor) + len(mask), 0,
                         0, len(pal), 0)
    palette = b"".join(bytes((b, g, r, 0)) for r, g, b in pal)
    return header + palette + xor + mask


def write_ico(path, picture, formats):
    images = []
    for size, bpp in formats:
        images.append((size, bpp, icon_image(render(picture, size), bpp)))
    offset = 6 + 16 * len(images)
    out = bytearray(struct.pack("<HHH", 0, 1, len(images)))
    for size, bpp, data in images:
        colours = {1: 2, 4: 16}.get(bpp, 0)
        out += struct.pack("<BBBBHHII", size % 256, size % 256, colours, 0, 1, bpp, len(data),
                           offset)
        offset += len(data)
    for _, _, data in images:
        out += data
    with open(path, "wb") as f:
        f.write(out)


def main():
    root = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..")
    res = os.path.join(sys.argv[1] if len(sys.argv) > 1 else os.path.join(root, "ui", "res"))
    os.makedirs(res, exist_ok=True)
    write_ico(os.path.join(res, "Armwright.ico"), armwright_picture, [(32, 4), (16, 4)])
    write_ico(os.path.join(res, "Usage.ico"), usage_picture,
              [(48, 8), (48, 32), (32, 4), (32, 8), (32, 32), (16, 4), (16, 8), (16, 32),
               (32, 1)])


if __name__ == "__main__":
    main()
