#!/usr/bin/env python3
"""Checks the icons that scripts/make-icons draws.

    check-icons.py [DIR]

Runs scripts/make-icons twice into a scratch directory (the runs must write
the same bytes), then checks DIR's selvanore-large.ico, selvanore-small.ico
and icons-preview.png, or those of the first run when no DIR is given.

The icons are read by a parser of this file's own and, when it is installed,
by ImageMagick, whose reading of every pixel must match ours. The preview is
painted from the drawing, not from the icon files, so comparing the two
catches a picture stored flipped, mirrored, with nibbles or mask bits swapped
or with the palette out of order. Prints "N passed, N failed" last and exits
1 when a check failed.
"""

import os
import shutil
import struct
import subprocess
import sys
import tempfile
import zlib

GENERATOR = os.path.join(os.path.dirname(os.path.abspath(__file__)),
                         "..", "..", "scripts", "make-icons")
SIZES = [48, 32, 16]
VGA = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128),
       (0, 128, 128), (128, 128, 128), (192, 192, 192), (255, 0, 0), (0, 255, 0),
       (255, 255, 0), (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255)]
results = [0, 0]


def check(name, ok, detail=""):
    results[not ok] += 1
    print(("ok    %s" if ok else "FAIL  %s: " + str(detail)) % name)
    return ok


def expect(ok, what, *args):
    if not ok:
        raise ValueError(what % args)


def read_ico(data):
    """The pictures of an icon file of 4-bit pictures as (size, palette,
    pixels), pixels[y][x] a palette index or None where masked, top row
    first. Raises ValueError on any inconsistent header, size or offset."""
    reserved, kind, count = struct.unpack_from("<HHH", data)
    expect((reserved, kind, count) == (0, 1, 3), "ICONDIR %s, not 0/1/3", (reserved, kind, count))
    end = 6 + 16 * count
    pictures = []
    for i in range(count):
        w, h, colours, res, planes, bits, size, offset = struct.unpack_from("<BBBBHHII", data, 6 + 16 * i)
        at = "entry %d (%dx%d)" % (i, w, h)
        expect(w == h and (colours, res, planes, bits) == (16, 0, 1, 4),
               "%s: colours/reserved/planes/bits %s, not 16/0/1/4", at, (colours, res, planes, bits))
        xor_stride, and_stride = (w * 4 + 31) // 32 * 4, (w + 31) // 32 * 4
        image = xor_stride * h + and_stride * h
        expect(offset == end, "%s: at %d, not right after the previous one at %d", at, offset, end)
        expect(size == 40 + 64 + image, "%s: %d bytes, not %d", at, size, 40 + 64 + image)
        end = offset + size
        expect(end <= len(data), "%s: runs past the end of the file", at)
        header = struct.unpack_from("<IiiHHIIiiII", data, offset)
        expect(header[:6] == (40, w, 2 * h, 1, 4, 0) and header[6] in (0, image)
               and header[9] in (0, 16), "%s: BITMAPINFOHEADER %s", at, header)
        palette = [struct.unpack_from("BBBB", data, offset + 40 + 4 * c) for c in range(16)]
        expect(all(q[3] == 0 for q in palette), "%s: palette's fourth bytes not 0", at)
        xor = data[offset + 104:]
        mask = xor[xor_stride * h:]
        pixels = [[None] * w for _ in range(h)]
        for y in range(h):
            row = h - 1 - y  # stored bottom-up
            xr, ar = xor[row * xor_stride:], mask[row * and_stride:]
            # Widths are multiples of 8: no pixel shares a byte with padding.
            expect(not any(xr[w // 2:xor_stride]) and not any(ar[w // 8:and_stride]),
                   "%s: row %d has bits set in its padding", at, y)
            for x in range(w):
                index = xr[x // 2] >> (4 - 4 * (x % 2)) & 15
                clear = ar[x // 8] >> (7 - x % 8) & 1
                # Mask 1 over a colour other than 0 inverts the screen there.
                expect(not (clear and index), "%s: pixel (%d,%d) masked over colour %d", at, x, y, index)
                pixels[y][x] = None if clear else index
        pictures.append((w, [(r, g, b) for (b, g, r, _) in palette], pixels))
    expect(end == len(data), "%d bytes after the last picture", len(data) - end)
    return pictures


def check_ico(path):
    name = os.path.basename(path)
    try:
        with open(path, "rb") as f:
            pictures = read_ico(f.read())
    except (OSError, ValueError, struct.error) as e:
        check("%s: structure" % name, False, e)
        return None
    check("%s: structure (3 pictures of 4 bits, 16 colours, headers and offsets)" % name, True)
    check("%s: 48, 32 and 16 px" % name, [p[0] for p in pictures] == SIZES, [p[0] for p in pictures])
    for size, palette, pixels in pictures:
        tag = "%s %dx%d" % (name, size, size)
        flat = [p for row in pixels for p in row]
        opaque = sum(p is not None for p in flat)
        check("%s: standard 16-colour palette" % tag, palette == VGA, palette)
        check("%s: mask neither empty nor full" % tag, 0 < opaque < len(flat), "%d opaque" % opaque)
        used = sorted({p for p in flat if p is not None})
        check("%s: a drawing, not a flat patch" % tag, len(used) >= 5, "colours %s" % used)
    return pictures


def imagemagick(path, pictures):
    name = os.path.basename(path)
    if not shutil.which("identify") or not shutil.which("convert"):
        print("skip  %s: ImageMagick is not installed" % name)
        return
    out = subprocess.run(["identify", path], capture_output=True, text=True)
    listed = [l.split()[2] for l in out.stdout.splitlines() if l.split()[1:2] == ["ICO"]]
    check("%s: identify lists 48x48, 32x32, 16x16" % name,
          listed == ["%dx%d" % (s, s) for s in SIZES], out.stdout + out.stderr)
    for i, (size, palette, pixels) in enumerate(pictures or []):
        rgba = subprocess.run(["convert", "%s[%d]" % (path, i), "-depth", "8", "rgba:-"],
                              capture_output=True).stdout
        ours = b"".join(b"\0\0\0\0" if p is None else bytes(palette[p]) + b"\xff"
                        for row in pixels for p in row)
        # ImageMagick may leave any colour under alpha 0; compare alpha there only.
        seen = bytearray(rgba)
        for k in range(3, len(seen), 4):
            if seen[k] == 0:
                seen[k - 3:k] = b"\0\0\0"
        check("%s %dx%d: ImageMagick reads the same pixels" % (name, size, size), bytes(seen) == ours,
              "%d bytes read, %d expected" % (len(rgba), len(ours)))


def check_preview(path, pictures):
    """The preview shows the six pictures four times enlarged, 16 px apart
    and from the left, bottoms 16 px above the bottom edge, on the colour of
    its top left pixel."""
    name = os.path.basename(path)
    try:
        with open(path, "rb") as f:
            data = f.read()
        expect(data[:8] == b"\x89PNG\r\n\x1a\n", "no PNG signature")
        at, idat = 8, b""
        while at < len(data):
            length, kind = struct.unpack_from(">I4s", data, at)
            body = data[at + 8:at + 8 + length]
            expect(struct.unpack_from(">I", data, at + 8 + length)[0] == zlib.crc32(kind + body),
                   "bad CRC on %s", kind)
            if kind == b"IHDR":
                w, h, depth, colour, _, _, interlace = struct.unpack(">IIBBBBB", body)
                expect((depth, colour, interlace) == (8, 2, 0), "not 8-bit RGB")
            idat += body if kind == b"IDAT" else b""
            at += 12 + length
        raw = zlib.decompress(idat)
        expect(len(raw) == h * (1 + 3 * w), "%d bytes of pixels for %dx%d", len(raw), w, h)
        rows = [raw[y * (1 + 3 * w):(y + 1) * (1 + 3 * w)] for y in range(h)]
        expect(all(r[0] == 0 for r in rows), "filtered rows")
    except (OSError, ValueError, struct.error, zlib.error, NameError) as e:  # NameError: no IHDR
        check("%s: a whole PNG" % name, False, e)
        return
    check("%s: a whole PNG, %dx%d" % (name, w, h), True)
    background = tuple(rows[0][1:4])
    left = 16
    for label, (size, palette, pixels) in pictures:
        top, wrong = h - 16 - 4 * size, 0
        for y in range(4 * size):
            for x in range(4 * size):
                p = pixels[y // 4][x // 4]
                at = 1 + 3 * (left + x)
                wrong += tuple(rows[top + y][at:at + 3]) != (background if p is None else palette[p])
        check("%s: shows %s %dx%d as the icon holds it" % (name, label, size, size), not wrong,
              "%d pixels differ" % wrong)
        left += 4 * size + 16


def main(argv):
    with tempfile.TemporaryDirectory() as scratch:
        runs = [os.path.join(scratch, d) for d in "ab"]
        made = [subprocess.run([sys.executable, GENERATOR, d]).returncode == 0 for d in runs]
        if check("make-icons runs", all(made)):
            files = [{n: open(os.path.join(d, n), "rb").read() for n in sorted(os.listdir(d))}
                     for d in runs]
            check("make-icons writes the same bytes every run", files[0] == files[1],
                  [n for n in files[0] if files[0][n] != files[1].get(n)])
        directory = argv[1] if len(argv) > 1 else runs[0]
        icons = {}
        for style in ("large", "small"):
            path = os.path.join(directory, "selvanore-%s.ico" % style)
            icons[style] = check_ico(path)
            imagemagick(path, icons[style])
        if icons["large"] and icons["small"]:
            check("the small icon is drawn apart from the large one",
                  icons["large"][:2] != icons["small"][:2])
            check_preview(os.path.join(directory, "icons-preview.png"),
                          [("selvanore-%s.ico" % s, p) for s in ("large", "small") for p in icons[s]])
    print("%d passed, %d failed" % tuple(results))
    return 1 if results[1] else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
