"""Draws the skin's contact sheet: three scenes assembled from the rendered art, then every image
of the skin, labelled with its archive name and size. For review only; nothing in the program
reads it. Needs ImageMagick (convert, montage) and the Roboto font.
"""

import os
import struct
import subprocess
import tempfile

from build_skin import run, write_bmp

FONT = "/usr/share/fonts/truetype/roboto/unhinted/RobotoTTF/Roboto-Regular.ttf"
BOLD = "/usr/share/fonts/truetype/roboto/unhinted/RobotoTTF/Roboto-Bold.ttf"


def image_size(path):
    with open(path, "rb") as image:
        head = image.read(26)
    if head[:8] == b"\x89PNG\r\n\x1a\n":
        return struct.unpack(">II", head[16:24])
    if head[:2] == b"BM":
        width, height = struct.unpack("<ii", head[18:26])
        return width, abs(height)
    raise SystemExit("not an image: " + path)


# Two close slate tones: transparent parts show as a faint check, and both the light glyphs and
# the black box shadow stay visible on it.
CHECKER = ((0x2E, 0x34, 0x47), (0x38, 0x3F, 0x55))


def checker_tile(path, cell=8):
    size = cell * 2
    pixels = [[CHECKER[(x // cell + y // cell) % 2] for x in range(size)] for y in range(size)]
    write_bmp(path, size, size, pixels)


def draw(stage, images, sheet):
    """All images on one page over a checker, small ones magnified so their pixels can be judged."""
    with tempfile.TemporaryDirectory() as scratch:
        checker = os.path.join(scratch, "checker.bmp")
        checker_tile(checker)
        command = ["montage", "-font", FONT, "-pointsize", "12", "-fill", "#D5D6D9",
                   "-background", "#0B0F1A", "-bordercolor", "#2C3349"]
        for index, name in enumerate(images):
            width, height = image_size(os.path.join(stage, name))
            shown = os.path.join(scratch, "%03d.png" % index)
            label = "%s  %dx%d" % (name, width, height)
            zoom = 4 if max(width, height) <= 64 else 1
            if zoom > 1:
                label += "  (shown %dx)" % zoom
            run(["convert", "-size", "%dx%d" % (width * zoom, height * zoom), "tile:" + checker,
                 "(", os.path.join(stage, name), "-scale", "%d%%" % (100 * zoom), ")",
                 "-composite", shown])
            command += ["-label", label, shown]
        tiles = os.path.join(scratch, "tiles.png")
        command += ["-tile", "5x", "-geometry", "320x200>+12+12", tiles]
        run(command)
        preview = os.path.join(scratch, "preview.png")
        preview_row(stage, preview)
        run(["convert", preview, tiles, "-background", "#0B0F1A", "-gravity", "northwest", "-append", "+repage",
             "-depth", "8", sheet])


# --- Preview -----------------------------------------------------------------------------------
# Three scenes assembled from the rendered art with English texts, so the look can be judged
# without the installer: the start page with the folder area open, the download page and the
# exit box. Text is drawn with Roboto here; the installer uses the face of the language's font set.

def text_width(words, size, bold=False):
    result = subprocess.run(["convert", "-font", BOLD if bold else FONT, "-pointsize", str(size),
                             "label:" + words, "-format", "%w", "info:"], stdout=subprocess.PIPE, check=True)
    return int(result.stdout)


class Canvas:
    """One scene; every step writes a numbered layer file under the scene's own prefix."""

    def __init__(self, scratch, stage, prefix, base, size=None):
        self.scratch, self.stage, self.prefix = scratch, stage, prefix
        self.count = 0
        self.path = self.temp()
        if size:
            run(["convert", "-size", "%dx%d" % size, "xc:" + base, self.path])
        else:
            run(["convert", os.path.join(stage, base), self.path])

    def temp(self):
        self.count += 1
        return os.path.join(self.scratch, "%s-%03d.png" % (self.prefix, self.count))

    def put(self, layer, x, y):
        run(["convert", self.path, layer, "-geometry", "+%d+%d" % (x, y), "-composite", self.path])

    def image(self, name, x, y, source=None):
        layer = self.temp()
        command = ["convert", os.path.join(self.stage, name)]
        if source:
            l, t, r, b = source
            command += ["-crop", "%dx%d+%d+%d" % (r - l, b - t, l, t), "+repage"]
        run(command + [layer])
        self.put(layer, x, y)

    def nine(self, name, source, corner, x, y, width, height):
        """Draws one cell as a nine-grid, the way the skin's image attribute does."""
        l, t, r, b = source
        cl, ct, cr, cb = corner
        cols = [(l, cl, cl), (l + cl, r - l - cl - cr, width - cl - cr), (r - cr, cr, cr)]
        rows = [(t, ct, ct), (t + ct, b - t - ct - cb, height - ct - cb), (b - cb, cb, cb)]
        strips = []
        for y0, h, dh in rows:
            pieces = []
            for x0, w, dw in cols:
                piece = self.temp()
                run(["convert", os.path.join(self.stage, name), "-crop", "%dx%d+%d+%d" % (w, h, x0, y0),
                     "+repage", "-resize", "%dx%d!" % (dw, dh), piece])
                pieces.append(piece)
            strip = self.temp()
            run(["convert"] + pieces + ["-background", "none", "+append", strip])
            strips.append(strip)
        layer = self.temp()
        run(["convert"] + strips + ["-background", "none", "-append", layer])
        self.put(layer, x, y)

    def text(self, words, x, y, width, height, colour="#FFFFFF", size=13, bold=False, align="west"):
        layer = self.temp()
        run(["convert", "-size", "%dx%d" % (width, height), "-background", "none",
             "-font", BOLD if bold else FONT, "-pointsize", str(size), "-fill", colour,
             "-gravity", align, "label:" + words, layer])
        self.put(layer, x, y)

    def link(self, words, x, y, height, colour, size=13):
        """Left-aligned underlined text, vertically centred in the row; returns its width."""
        width = text_width(words, size)
        self.text(words, x, y, width + 2, height, colour, size)
        baseline = y + (height + size) // 2
        self.fill(colour, x, baseline, width, 1)
        return width

    def fill(self, colour, x, y, width, height, radius=0):
        box = "%d,%d %d,%d" % (x, y, x + width - 1, y + height - 1)
        shape = "roundrectangle %s %d,%d" % (box, radius, radius) if radius else "rectangle " + box
        run(["convert", self.path, "-fill", colour, "-stroke", "none", "-draw", shape, self.path])


def preview_start(scratch, stage):
    c = Canvas(scratch, stage, "start", "root_back.png")
    c.image("bg_logo.png", 170, 112)
    c.image("facebookjoin.png", 532 + 11, 10)
    c.image("min.png", 568, 0)
    c.fill("#FF4733", 604, 0, 36, 34)
    c.image("close.png", 604, 0)
    c.nine("btn_login.png", (60, 0, 120, 44), (20, 20, 20, 20), 240, 220, 160, 44)
    c.text("Install now", 240, 220, 160, 44, size=16, bold=True, align="center")
    c.nine("browse_button.png", (56, 0, 84, 28), (4, 4, 4, 4), 16, 280, 500, 28)
    c.text("D:\\\\Corvane\\\\Corvane9\\\\", 26, 280, 480, 28, colour="#B8BABE")
    c.fill("#2A3145", 524, 280, 100, 28, 4)
    run(["convert", c.path, "-fill", "none", "-stroke", "#4F5156", "-draw",
         "roundrectangle 524.5,280.5 622.5,306.5 4,4", c.path])
    c.text("Browse", 524, 280, 100, 28, colour="#E6E7EA", align="center")
    c.image("checkbox_selected.png", 16, 348, (18, 0, 36, 18))
    lead = "I have read and agree to the"
    c.text(lead, 42, 340, 220, 34, colour="#BFBFC2")
    c.link("License Agreement", 42 + text_width(lead, 13) + 4, 340, 34, "#BFBFC2")
    c.text("Back", 370, 340, 236, 34, colour="#FFFFFF", align="east")
    c.image("direction_left.png", 370 + 242, 340 + 11)
    return c.path


def preview_download(scratch, stage):
    c = Canvas(scratch, stage, "download", "root_back.png")
    c.image("bg_logo.png", 170, 112)
    c.image("facebookjoin.png", 532 + 11, 10)
    c.image("min.png", 568, 0)
    c.image("close.png", 604, 0)
    c.text("Downloading (42%)", 30, 218, 300, 20)
    c.nine("progressbar_bg.png", (0, 0, 24, 10), (10, 4, 10, 4), 30, 248, 580, 10)
    c.nine("progressbar_fg.png", (0, 0, 24, 10), (10, 4, 10, 4), 30, 248, 153, 10)
    c.text("Install", 348, 265, 100, 20, align="center")
    c.text("180.66M/430.17M", 408, 266, 200, 20, colour="#C0C0C3", align="east")
    return c.path


def preview_exit_box(scratch, stage):
    c = Canvas(scratch, stage, "exitbox", "#6B7080", (436, 236))
    c.nine("common/shadow_bottom.png", (0, 0, 72, 72), (26, 22, 26, 30), 0, 0, 436, 236)
    c.nine("common/shadow_top.png", (0, 0, 80, 80), (30, 40, 30, 26), 16, 16, 400, 200)
    c.text("Notice", 34, 16, 146, 34, size=15)
    c.image("common/close.png", 16 + 366 + 5, 16 + 5)
    c.text("Are you sure you want to cancel the installation?", 26, 76, 380, 60, size=15,
           align="center")
    c.image("button_box_cancel.png", 16 + 90, 16 + 150, (0, 0, 100, 32))
    c.text("Yes", 16 + 90, 16 + 150, 100, 32, colour="#000000", size=15, align="center")
    c.image("button_box_hot.png", 16 + 210, 16 + 150, (0, 0, 100, 32))
    c.text("No", 16 + 210, 16 + 150, 100, 32, colour="#000000", size=15, align="center")
    return c.path


def preview_row(stage, out):
    with tempfile.TemporaryDirectory() as scratch:
        scenes = [preview_start(scratch, stage), preview_download(scratch, stage),
                  preview_exit_box(scratch, stage)]
        run(["convert", "-background", "#0B0F1A", "-bordercolor", "#0B0F1A", "-fill", "#D5D6D9",
             "-font", FONT, "-pointsize", "13"]
            + [part for scene in scenes for part in ("(", scene, "-border", "12", ")")]
            + ["+append", "-gravity", "north", "-splice", "0x28", "-gravity", "northwest",
               "-annotate", "+12+8", "Preview assembled from the art (texts drawn by the sheet tool). "
               "Below: every image of the skin, labelled.", out])
