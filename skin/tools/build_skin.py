#!/usr/bin/env python3
"""Builds the installer's two resource archives from the sources under skin/.

  build_skin.py skin  --source SKIN_DIR --output OUT_DIR
      Renders every SVG under SKIN_DIR/art at 1x and 1.5x, writes "scrollbar.bmp", copies the
      markup, the string table and the bundles into OUT_DIR/stage and packs the stage into
      OUT_DIR/skin.7z.
  build_skin.py sheet --stage STAGE_DIR --output PNG
      Draws a preview of three scenes and a labelled contact sheet of every rendered image.
  build_skin.py fonts --output ARCHIVE NAME=PATH...
      Packs font files into ARCHIVE, each under the NAME it is given.

The 1.5x renderings serve the enlarged display: "common/x.png" becomes "commonEnalarge/x.png"
and a top-level "x.png" becomes "Enalarge/x.png" (the folder spelling is the one the installer's
code uses for its message icon).

Needs rsvg-convert and 7zz; the contact sheet (contact_sheet.py) needs ImageMagick.
"""

import argparse
import os
import shutil
import struct
import subprocess
import sys
import tempfile

ENLARGE_FACTOR = 1.5
ENLARGE_SUFFIX = "Enalarge"

# Folders of the skin source that never go into the archive.
NOT_PACKED = {"art", "tools"}
PACKED_SUFFIXES = (".xml", ".tsv")


def enlarged_name(relative_png):
    parts = relative_png.split("/")
    if len(parts) == 1:
        return ENLARGE_SUFFIX + "/" + parts[0]
    return "/".join([parts[0] + ENLARGE_SUFFIX] + parts[1:])


def run(command, cwd=None):
    result = subprocess.run(command, cwd=cwd, stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
    if result.returncode != 0:
        sys.stderr.write(result.stdout.decode("utf-8", "replace"))
        raise SystemExit("failed: " + " ".join(command))


def render_art(art_dir, stage):
    """Renders each SVG twice; returns the archive names written, in a stable order."""
    written = []
    for folder, _dirs, files in sorted(os.walk(art_dir)):
        for name in sorted(files):
            if not name.endswith(".svg"):
                continue
            source = os.path.join(folder, name)
            relative = os.path.relpath(source, art_dir).replace(os.sep, "/")[:-4] + ".png"
            for target, zoom in ((relative, 1.0), (enlarged_name(relative), ENLARGE_FACTOR)):
                path = os.path.join(stage, target)
                os.makedirs(os.path.dirname(path), exist_ok=True)
                run(["rsvg-convert", "--zoom", str(zoom), "--output", path, source])
                written.append(target)
    return written


# The scroll bar strip, 64x20. Magenta is the mask colour that "scrollbar.xml" declares, so the
# corner pixels of each thumb disappear and its ends read as rounded.
MASK = (0xFF, 0x00, 0xFF)
TRACK = (0xE4, 0xE5, 0xE9)
THUMBS = ((0xA6, 0xAA, 0xB2), (0x86, 0x8B, 0x95), (0x26, 0x8F, 0xD6))  # normal, hot, pushed


def scrollbar_pixels():
    width, height = 64, 20
    pixels = [[MASK] * width for _ in range(height)]

    def fill(x0, y0, x1, y1, colour, round_ends_vertical=None):
        for y in range(y0, y1):
            for x in range(x0, x1):
                pixels[y][x] = colour
        if round_ends_vertical is None:
            return
        for x, y in ((x0, y0), (x1 - 1, y0), (x0, y1 - 1), (x1 - 1, y1 - 1)):
            pixels[y][x] = MASK

    fill(0, 0, 4, 16, TRACK)
    fill(0, 16, 16, 20, TRACK)
    for index, colour in enumerate(THUMBS):
        fill(4 + 4 * index, 0, 8 + 4 * index, 16, colour, round_ends_vertical=True)
        fill(16 + 16 * index, 16, 32 + 16 * index, 20, colour, round_ends_vertical=True)
    return width, height, pixels


def write_bmp(path, width, height, pixels):
    """24-bit bottom-up BMP, the plainest form every decoder reads."""
    row_size = (width * 3 + 3) & ~3
    image_size = row_size * height
    header = struct.pack("<2sIHHI", b"BM", 54 + image_size, 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, image_size, 2835, 2835, 0, 0)
    body = bytearray()
    for y in range(height - 1, -1, -1):
        row = bytearray()
        for r, g, b in pixels[y]:
            row += bytes((b, g, r))
        row += b"\0" * (row_size - len(row))
        body += row
    with open(path, "wb") as out:
        out.write(header + info + body)


def copy_packed_sources(source_dir, stage):
    copied = []
    for folder, dirs, files in os.walk(source_dir):
        relative_folder = os.path.relpath(folder, source_dir)
        if relative_folder == ".":
            dirs[:] = [d for d in dirs if d not in NOT_PACKED]
        for name in sorted(files):
            if not name.endswith(PACKED_SUFFIXES):
                continue
            relative = os.path.normpath(os.path.join(relative_folder, name)).replace(os.sep, "/")
            target = os.path.join(stage, relative)
            os.makedirs(os.path.dirname(target), exist_ok=True)
            shutil.copyfile(os.path.join(folder, name), target)
            copied.append(relative)
    return sorted(copied)


def pack(archive, stage, names):
    if os.path.exists(archive):
        os.remove(archive)
    # Names are given relative to the stage so the archive holds "common/close.png", not a path.
    with tempfile.NamedTemporaryFile("w", suffix=".lst", delete=False, encoding="utf-8") as listing:
        listing.write("\n".join(names) + "\n")
    try:
        run(["7zz", "a", "-t7z", "-m0=lzma2", "-mx=9", "-bd", "-bso0", "-bsp0",
             os.path.abspath(archive), "@" + listing.name], cwd=stage)
    finally:
        os.remove(listing.name)


def build_skin(args):
    stage = os.path.join(args.output, "stage")
    shutil.rmtree(stage, ignore_errors=True)
    os.makedirs(stage)
    images = render_art(os.path.join(args.source, "art"), stage)
    width, height, pixels = scrollbar_pixels()
    write_bmp(os.path.join(stage, "scrollbar.bmp"), width, height, pixels)
    images.append("scrollbar.bmp")
    texts = copy_packed_sources(args.source, stage)
    pack(os.path.join(args.output, "skin.7z"), stage, texts + images)


def build_sheet(args):
    sys.dont_write_bytecode = True  # keep the source tree free of caches
    import contact_sheet  # only the review sheet needs ImageMagick

    images = []
    for folder, _dirs, files in os.walk(args.stage):
        for name in files:
            if name.endswith((".png", ".bmp")):
                images.append(os.path.relpath(os.path.join(folder, name), args.stage).replace(os.sep, "/"))
    ordered = sorted(images, key=lambda n: (ENLARGE_SUFFIX in n, n.count("/"), n))
    contact_sheet.draw(args.stage, ordered, args.output)


def build_fonts(args):
    with tempfile.TemporaryDirectory() as stage:
        names = []
        for entry in args.fonts:
            name, _, path = entry.partition("=")
            if not name or not path:
                raise SystemExit("expected NAME=PATH, got " + entry)
            shutil.copyfile(path, os.path.join(stage, name))
            names.append(name)
        pack(args.output, stage, names)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    commands = parser.add_subparsers(dest="command", required=True)
    skin = commands.add_parser("skin")
    skin.add_argument("--source", required=True)
    skin.add_argument("--output", required=True)
    skin.set_defaults(run=build_skin)
    sheet = commands.add_parser("sheet")
    sheet.add_argument("--stage", required=True)
    sheet.add_argument("--output", required=True)
    sheet.set_defaults(run=build_sheet)
    fonts = commands.add_parser("fonts")
    fonts.add_argument("--output", required=True)
    fonts.add_argument("fonts", nargs="+")
    fonts.set_defaults(run=build_fonts)
    args = parser.parse_args()
    args.run(args)


if __name__ == "__main__":
    main()
