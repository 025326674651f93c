#!/usr/bin/env python3
"""Writes the dome camera: tarn.ico (32x32 then 16x16, 4 bits per pixel with an AND mask),
the same two images as tarn32.png and tarn16.png (installed for the desktop), and as
iconpixels.cpp, their pixels as constant arrays that the program builds its icon from, so that
it decodes no image file while it starts.

Standard library only; the bytes are laid out by hand so that every field is ours.
The ICO: ICONDIR, two ICONDIRENTRYs, then per image a BITMAPINFOHEADER (height doubled for
the mask), the 16-colour palette, the XOR bits bottom-up and the AND mask bottom-up.
The PNGs: 8-bit palette images (index 0 transparent, then the 16 colours), their pixels
in stored (uncompressed) deflate blocks, so the bytes do not depend on the zlib at hand.

iconpixels.cpp: one array of 32-bit ARGB words (0xAARRGGBB, QImage::Format_ARGB32) per image,
rows top first; transparent pixels are 0.

Usage: make_icon.py [DIRECTORY]   (default: the directory of this script)
"""

import math
import os
import struct
import sys
import zlib

# The standard 16-colour palette, as (red, green, blue).
PALETTE = [
    (0x00, 0x00, 0x00), (0x80, 0x00, 0x00), (0x00, 0x80, 0x00), (0x80, 0x80, 0x00),
    (0x00, 0x00, 0x80), (0x80, 0x00, 0x80), (0x00, 0x80, 0x80), (0xC0, 0xC0, 0xC0),
    (0x80, 0x80, 0x80), (0xFF, 0x00, 0x00), (0x00, 0xFF, 0x00), (0xFF, 0xFF, 0x00),
    (0x00, 0x00, 0xFF), (0xFF, 0x00, 0xFF), (0x00, 0xFF, 0xFF), (0xFF, 0xFF, 0xFF),
]
BLACK, NAVY, SILVER, GRAY, BLUE, WHITE = 0, 4, 7, 8, 12, 15
TRANSPARENT = None


def draw(size):
    """The picture as rows (top first) of palette indices, None where transparent."""
    s = size / 32.0
    pixels = [[TRANSPARENT] * size for _ in range(size)]
    # Mount plate: a flat bar across the top, dark with a light top edge.
    plate_top, plate_bottom = round(6 * s), round(11 * s)
    plate_left, plate_right = round(1 * s), size - round(1 * s)
    for y in range(plate_top, plate_bottom):
        for x in range(plate_left, plate_right):
            edge = y in (plate_top, plate_bottom - 1) or x in (plate_left, plate_right - 1)
            pixels[y][x] = BLACK if edge else (SILVER if y == plate_top + 1 else GRAY)
    # Dome: the lower half of a sphere hanging from the plate.
    cx, cy, r = size / 2.0, plate_bottom, 13.5 * s
    for y in range(plate_bottom, size):
        for x in range(size):
            dx, dy = x + 0.5 - cx, y + 0.5 - cy
            d = math.hypot(dx, dy)
            if d <= r:
                if d > r - max(1.0, s):
                    pixels[y][x] = BLACK  # outline
                elif dx < -0.3 * r and dy < 0.5 * r and d > 0.55 * r:
                    pixels[y][x] = WHITE  # highlight on the upper left
                else:
                    pixels[y][x] = SILVER
    # Lens window: a dark disc low in the dome, with a blue glint.
    lx, ly, lr = cx, cy + 0.45 * r, 4.5 * s
    for y in range(size):
        for x in range(size):
            dx, dy = x + 0.5 - lx, y + 0.5 - ly
            d = math.hypot(dx, dy)
            if d <= lr:
                pixels[y][x] = NAVY if d > lr - max(1.0, s) else BLACK
    gx, gy = int(lx - lr / 2), int(ly - lr / 2)
    pixels[gy][gx] = BLUE
    if size >= 32:
        pixels[gy][gx + 1] = BLUE
        pixels[gy + 1][gx] = BLUE
    return pixels


def row_bytes(bits_per_row):
    """Bytes in a bitmap row: rows are padded to 32 bits."""
    return (bits_per_row + 31) // 32 * 4


def image_bytes(size):
    pixels = draw(size)
    header = struct.pack(
        "<IiiHHIIiiII",
        40,  # biSize
        size,  # biWidth
        size * 2,  # biHeight: XOR bits and AND mask together
        1,  # biPlanes
        4,  # biBitCount
        0,  # biCompression: BI_RGB
        (row_bytes(size * 4) + row_bytes(size)) * size,  # biSizeImage
        0, 0,  # resolution
        0, 0,  # biClrUsed (0: all 16), biClrImportant
    )
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in PALETTE)
    xor, mask = bytearray(), bytearray()
    for row in reversed(pixels):  # bottom-up
        line = bytearray(row_bytes(size * 4))
        bits = bytearray(row_bytes(size))
        for x, index in enumerate(row):
            if index is TRANSPARENT:
                bits[x // 8] |= 0x80 >> (x % 8)
                index = 0
            line[x // 2] |= index << (4 if x % 2 == 0 else 0)
        xor += line
        mask += bits
    return header + palette + bytes(xor) + bytes(mask)


def icon_bytes(sizes=(32, 16)):
    images = [image_bytes(n) for n in sizes]
    out = struct.pack("<HHH", 0, 1, len(images))  # ICONDIR: reserved, type icon, count
    offset = 6 + 16 * len(images)
    for n, data in zip(sizes, images):
        # ICONDIRENTRY: width, height, colours, reserved, planes, bits, size, offset
        out += struct.pack("<BBBBHHII", n, n, 16, 0, 1, 4, len(data), offset)
        offset += len(data)
    return out + b"".join(images)


def png_chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))


def stored_zlib(data):
    """A zlib stream of stored deflate blocks (at most 65535 bytes each)."""
    out = bytearray(b"\x78\x01")  # deflate, 32K window, no dictionary, fastest
    blocks = [data[i : i + 0xFFFF] for i in range(0, len(data), 0xFFFF)] or [b""]
    for i, block in enumerate(blocks):
        final = 1 if i == len(blocks) - 1 else 0
        out += struct.pack("<BHH", final, len(block), len(block) ^ 0xFFFF) + block
    return bytes(out + struct.pack(">I", zlib.adler32(data)))


def png_bytes(size):
    pixels = draw(size)
    # Palette index 0 is the transparent pixel; the 16 colours follow it in their order.
    header = struct.pack(">IIBBBBB", size, size, 8, 3, 0, 0, 0)  # 8-bit palette, no interlace
    palette = b"".join(struct.pack("BBB", *rgb) for rgb in [(0, 0, 0)] + PALETTE)
    raw = bytearray()
    for row in pixels:  # top-down, each row with filter type 0 (none)
        raw.append(0)
        raw += bytes(0 if index is TRANSPARENT else index + 1 for index in row)
    return (
        b"\x89PNG\r\n\x1a\n"
        + png_chunk(b"IHDR", header)
        + png_chunk(b"PLTE", palette)
        + png_chunk(b"tRNS", b"\x00")  # alpha 0 for index 0; the rest are opaque
        + png_chunk(b"IDAT", stored_zlib(bytes(raw)))
        + png_chunk(b"IEND", b"")
    )


def argb_words(size):
    """The picture as 0xAARRGGBB words, rows top first, 0 where transparent."""
    words = []
    for row in draw(size):
        for index in row:
            if index is TRANSPARENT:
                words.append(0)
            else:
                r, g, b = PALETTE[index]
                words.append(0xFF000000 | r << 16 | g << 8 | b)
    return words


def pixels_source(sizes=(32, 16)):
    out = [
        "// Generated by res/make_icon.py from the same drawing as tarn.ico; do not edit.",
        "// To change the icon, edit the script and run: python3 res/make_icon.py",
        "#include \"iconpixels.h\"",
        "",
        "namespace {",
        "// clang-format off",
    ]
    for n in sizes:
        words = argb_words(n)
        out.append(f"const std::uint32_t icon{n}[{n} * {n}] = {{")
        for y in range(n):
            for x0 in range(0, n, 8):
                chunk = words[y * n + x0 : y * n + x0 + 8]
                out.append("    " + " ".join(f"0x{w:08X}," for w in chunk))
        out.append("};")
    out += ["// clang-format on", "} // namespace", "", "const IconPixels iconImages[] = {"]
    out += [f"    {{{n}, icon{n}}}," for n in sizes]
    out += ["};", ""]
    return "\n".join(out).encode("ascii")


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    directory = sys.argv[1] if len(sys.argv) > 1 else here
    outputs = {
        "tarn.ico": icon_bytes(),
        "tarn32.png": png_bytes(32),
        "tarn16.png": png_bytes(16),
        "iconpixels.cpp": pixels_source(),
    }
    for name, data in outputs.items():
        with open(os.path.join(directory, name), "wb") as f:
            f.write(data)


if __name__ == "__main__":
    main()
