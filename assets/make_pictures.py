#!/usr/bin/env python3
"""Draws Brisko's own pictures: the landscape behind the main window, the badge beside the buttons,
the spanner of the disclaimer window and the program icon. Needs ImageMagick's `convert`
for the JPEG and the badge. The two small pictures are plain bitmaps, which need no decoder
at run time; only the landscape is compressed. The outputs are committed; run this only to change them."""
import math
import random
import struct
import subprocess
import sys
from pathlib import Path

HERE = Path(__file__).resolve().parent


def clamp(v):
    return max(0, min(255, int(round(v))))


def write_bmp(path, width, height, pixels):
    """A bottom-up 24-bit BMP, as LoadImage reads it from a bitmap resource."""
    stride = (width * 3 + 3) & ~3
    rows = b"".join(
        bytes(c for p in pixels[y * width:(y + 1) * width] for c in reversed(p)).ljust(stride, b"\0")
        for y in reversed(range(height)))
    header = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(rows), 2835, 2835, 0, 0)
    path.write_bytes(struct.pack("<2sIHHI", b"BM", 14 + len(header) + len(rows), 0, 0,
                                 14 + len(header)) + header + rows)


def write_ppm(path, width, height, pixels):
    with open(path, "wb") as f:
        f.write(b"P6 %d %d 255\n" % (width, height))
        f.write(bytes(c for p in pixels for c in p))


def landscape(width=751, height=431):
    rng = random.Random(6)
    clouds = [(rng.uniform(0, width), rng.uniform(20, 150), rng.uniform(35, 90),
               rng.uniform(12, 30), rng.uniform(0.55, 0.95)) for _ in range(14)]
    pixels = []
    for y in range(height):
        t = y / height
        for x in range(width):
            horizon = 250 + 28 * math.sin(x / 150.0 + 0.6) + 14 * math.sin(x / 47.0)
            if y < horizon:
                s = y / horizon
                r, g, b = 38 + 120 * s, 92 + 110 * s, 190 + 55 * s
                white = 0.0
                for cx, cy, rx, ry, a in clouds:
                    d = ((x - cx) / rx) ** 2 + ((y - cy) / ry) ** 2
                    if d < 4:
                        white = max(white, a * math.exp(-d * 1.6))
                shade = 235 - 25 * white
                r, g, b = (r + (shade - r) * white, g + (shade - g) * white,
                           b + (255 - b) * white)
            else:
                depth = (y - horizon) / (height - horizon + 1)
                n = rng.uniform(-9, 9)
                r = 92 - 50 * depth + n
                g = 170 - 60 * depth + 1.5 * n
                b = 48 - 20 * depth + n * 0.5
                if y - horizon < 2:  # a soft ridge against the sky
                    r, g, b = r + 25, g + 25, b + 10
            pixels.append((clamp(r), clamp(g), clamp(b)))
    return width, height, pixels


VGA = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128),
       (0, 128, 128), (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0),
       (255, 255, 0), (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255)]


def spanner_shape(x, y, size):
    """0 outside, 1 body, 2 outline; a spanner lying from bottom left to top right."""
    s = size / 32.0
    ux, uy = x / s, y / s
    # Handle: a thick segment from (7, 25) to (21, 11).
    ax, ay, bx, by = 7.0, 25.0, 21.0, 11.0
    t = max(0.0, min(1.0, ((ux - ax) * (bx - ax) + (uy - ay) * (by - ay)) /
                     ((bx - ax) ** 2 + (by - ay) ** 2)))
    dh = math.hypot(ux - (ax + t * (bx - ax)), uy - (ay + t * (by - ay)))
    # Head: a disc at (23, 9) with a jaw opening cut towards the top right.
    dc = math.hypot(ux - 23.0, uy - 9.0)
    jaw = abs((ux - 23.0) + (uy - 9.0)) < 2.6 and (ux - 23.0) - (uy - 9.0) > -1.0
    inside = dh < 2.6 or (dc < 6.5 and not jaw)
    edge = dh < 3.4 or (dc < 7.3 and not jaw)
    return 1 if inside else (2 if edge else 0)


def icon_4bpp(path):
    size = 32
    rows = []
    for y in range(size):
        row = []
        for x in range(size):
            shape = spanner_shape(x + 0.5, y + 0.5, size)
            if shape == 1:
                row.append(7 if (x + y) % 7 else 15)  # light grey steel with glints
            elif shape == 2:
                row.append(0)
            else:
                inside = 1 <= x <= 30 and 1 <= y <= 30
                row.append(4 if inside and (x + y) < 34 else (12 if inside else 15))
        rows.append(row)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 4, 0, size * size // 2 + size * 4,
                         0, 0, 16, 0)
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in VGA)
    xor = b"".join(bytes((row[i] << 4) | row[i + 1] for i in range(0, size, 2))
                   for row in reversed(rows))
    and_mask = bytes(size * 4)  # every pixel opaque
    image = header + palette + xor + and_mask
    directory = struct.pack("<HHH", 0, 1, 1) + struct.pack(
        "<BBBBHHII", size, size, 16, 0, 1, 4, len(image), 6 + 16)
    path.write_bytes(directory + image)


def convert(args):
    subprocess.run(["convert", *args], check=True)


def main():
    width, height, pixels = landscape()
    write_ppm(HERE / "background.ppm", width, height, pixels)
    convert([str(HERE / "background.ppm"), "-quality", "82", "-sampling-factor", "2x2",
             str(HERE / "background.jpg")])
    (HERE / "background.ppm").unlink()

    convert(["-size", "145x217", "xc:white",
             "-fill", "#1b3f8f", "-draw", "roundrectangle 3,3 141,213 14,14",
             "-fill", "white", "-draw", "roundrectangle 9,9 135,207 10,10",
             "-fill", "#2e7d32", "-draw", "circle 72,70 72,28",
             "-stroke", "white", "-strokewidth", "9", "-fill", "none",
             "-draw", "polyline 50,72 66,90 96,54",
             "-stroke", "none", "-fill", "#1b3f8f", "-font", "Liberation-Sans-Bold",
             "-gravity", "north", "-pointsize", "20", "-annotate", "+0+124", "BRISKO",
             "-pointsize", "12", "-annotate", "+0+150", "COMPATIBLE",
             "-fill", "#9a9a9a", "-draw", "rectangle 32,176 112,179",
             "-draw", "rectangle 44,186 100,189",
             "-colors", "32", "-type", "Palette", "-compress", "None", "BMP3:" + str(HERE / "logo.bmp")])

    size = 48
    spanner = []
    for y in range(size):
        for x in range(size):
            shape = spanner_shape(x + 0.5, y + 0.5, size)
            base = (212, 208, 200)
            if shape == 1:
                light = 150 + 60 * (1 - (x + y) / (2 * size))
                base = (light, light, light + 8)
            elif shape == 2:
                base = (58, 58, 64)
            spanner.append(tuple(clamp(c) for c in base))
    write_bmp(HERE / "spanner.bmp", size, size, spanner)

    icon_4bpp(HERE / "brisko.ico")
    for name in ("background.jpg", "logo.bmp", "spanner.bmp", "brisko.ico"):
        print(name, (HERE / name).stat().st_size, "bytes", file=sys.stderr)


if __name__ == "__main__":
    main()
