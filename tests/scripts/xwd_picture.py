#!/usr/bin/env python3
"""What an X window shows, against the picture the game saved of it.

    xwd_picture.py png DUMP.xwd OUT.png
        the dump (xwd -root or -id) as a PNG, to look at
    xwd_picture.py find DUMP.xwd SHOT.png [SCALE]
        where the screenshot lies in the dump, pixel for pixel, each of its
        pixels a SCALE x SCALE block there (1 unless given); prints "X Y"
        and exits 0, or says how close it came and exits 1
    xwd_picture.py shows DUMP.xwd X Y SCALE SHOT.png...
        which of the screenshots the dump shows at (X, Y), every pixel of
        each block; prints its name and exits 0, or says how close the
        closest came and exits 1

Reads xwd's ZPixmap dumps of 24 and 32 bits a pixel, and 8-bit RGB or
RGBA PNGs (any filter, no interlace): what Xvfb and the game write.
"""

import struct
import sys
import zlib


def read_xwd(path):
    data = open(path, "rb").read()
    head = struct.unpack(">25I", data[:100])
    header_size, fmt, width, height = head[0], head[2], head[4], head[5]
    byte_order, bpp, bytes_per_line = head[7], head[11], head[12]
    ncolors = head[19]
    if fmt != 2 or bpp not in (24, 32):
        raise SystemExit(f"{path}: only ZPixmap dumps of 24 or 32 bits a pixel are read")
    start = header_size + 12 * ncolors
    step = bpp // 8
    rows = []
    for y in range(height):
        line = data[start + y * bytes_per_line:start + y * bytes_per_line + width * step]
        if byte_order == 0:  # LSBFirst: B G R (x)
            rows.append([(line[i + 2], line[i + 1], line[i]) for i in range(0, len(line), step)])
        else:
            o = step - 3
            rows.append([(line[i + o], line[i + o + 1], line[i + o + 2]) for i in range(0, len(line), step)])
    return width, height, rows


def read_png(path):
    data = open(path, "rb").read()
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        raise SystemExit(f"{path}: not a PNG")
    pos, idat, width = 8, b"", 0
    while pos < len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        if kind == b"IHDR":
            width, height, depth, colour, _, _, interlace = struct.unpack(">IIBBBBB", body)
            if depth != 8 or colour not in (2, 6) or interlace:
                raise SystemExit(f"{path}: only 8-bit RGB or RGBA PNGs without interlace are read")
            step = 3 if colour == 2 else 4
        elif kind == b"IDAT":
            idat += body
        pos += 12 + length
    raw = zlib.decompress(idat)
    stride = width * step
    rows, prev = [], bytearray(stride)
    for y in range(height):
        f = raw[y * (stride + 1)]
        line = bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):
            a = line[i - step] if i >= step else 0
            b = prev[i]
            c = prev[i - step] if i >= step else 0
            if f == 1:
                line[i] = (line[i] + a) & 255
            elif f == 2:
                line[i] = (line[i] + b) & 255
            elif f == 3:
                line[i] = (line[i] + (a + b) // 2) & 255
            elif f == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                line[i] = (line[i] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
        rows.append([tuple(line[i:i + 3]) for i in range(0, stride, step)])
        prev = line
    return width, height, rows


def write_png(path, width, height, rows):
    raw = b"".join(b"\0" + bytes(v for px in row for v in px) for row in rows)

    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))

    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0))
                + chunk(b"IDAT", zlib.compress(raw)) + chunk(b"IEND", b""))


def find(dump, shot, scale):
    dw, dh, drows = dump
    sw, sh, srows = shot
    best = (sw * sh + 1, None)
    # The picture's first row, widened, anywhere; then the rest where it
    # matched, a block's top-left pixel for each of the picture's.
    first = [px for px in srows[0] for _ in range(scale)]
    wide, high = sw * scale, sh * scale
    for y in range(dh - high + 1):
        line = drows[y]
        for x in range(dw - wide + 1):
            if line[x] != first[0] or line[x:x + wide] != first:
                continue
            wrong = sum(1 for r in range(sh) for c in range(sw)
                        if drows[y + r * scale][x + c * scale] != srows[r][c])
            if wrong < best[0]:
                best = (wrong, (x, y))
            if wrong == 0:
                return 0, (x, y)
    return best


def wrong_at(dump, shot, x, y, scale):
    dw, dh, drows = dump
    sw, sh, srows = shot
    if x + sw * scale > dw or y + sh * scale > dh:
        return sw * sh
    return sum(1 for r in range(sh) for c in range(sw)
               if any(drows[y + r * scale + k][x + c * scale:x + (c + 1) * scale] != [srows[r][c]] * scale
                      for k in range(scale)))


def shows(argv):
    dump = read_xwd(argv[0])
    x, y, scale = int(argv[1]), int(argv[2]), int(argv[3])
    best = None
    for path in argv[4:]:
        wrong = wrong_at(dump, read_png(path), x, y, scale)
        if wrong == 0:
            print(path)
            return 0
        best = (wrong, path) if best is None or wrong < best[0] else best
    print("no screenshot given" if best is None else f"closest {best[1]}: {best[0]} pixels differ", file=sys.stderr)
    return 1


def main():
    if len(sys.argv) >= 7 and sys.argv[1] == "shows":
        return shows(sys.argv[2:])
    if len(sys.argv) not in (4, 5) or sys.argv[1] not in ("png", "find"):
        raise SystemExit(__doc__)
    dump = read_xwd(sys.argv[2])
    if sys.argv[1] == "png":
        write_png(sys.argv[3], *dump)
        return 0
    wrong, at = find(dump, read_png(sys.argv[3]), int(sys.argv[4]) if len(sys.argv) == 5 else 1)
    if wrong == 0:
        print(f"{at[0]} {at[1]}")
        return 0
    print("the screenshot is not on the screen" if at is None
          else f"closest at {at[0]} {at[1]}: {wrong} pixels differ", file=sys.stderr)
    return 1


if __name__ == "__main__":
    sys.exit(main())
