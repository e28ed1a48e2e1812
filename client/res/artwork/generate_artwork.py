#!/usr/bin/python3
"""Draws BrevantaClient's artwork: the main screen and keypad backgrounds (272x480, 16-bit 5-5-5
BMP) and the application icon (32x32 and 16x16, 16 colours).

The touch zones, text rectangles, edit box and keys of the program are fixed pixel positions; the
drawing below places every button, label and key exactly on them. Run it from anywhere:

    client/res/artwork/generate_artwork.py [OUTPUT_DIR] [--preview DIR]

It needs Pillow (Debian: python3-pil) and the Tahoma faces of fonts-wine (DejaVu Sans otherwise).
The BMP and ICO files it writes are committed, so building the program does not need it.
"""
import os
import struct
import sys

from PIL import Image, ImageDraw, ImageFont

WIDTH, HEIGHT = 272, 480
SCALE = 4  # drawn at four times the size, then reduced: smooth edges without blurred positions

FONT_DIRS = ["/usr/share/wine/fonts", "/usr/share/fonts/truetype/dejavu"]
FACES = {False: ["tahoma.ttf", "DejaVuSans.ttf"], True: ["tahomabd.ttf", "DejaVuSans-Bold.ttf"]}


def font(size, bold=False):
    for name in FACES[bold]:
        for folder in FONT_DIRS:
            path = os.path.join(folder, name)
            if os.path.exists(path):
                return ImageFont.truetype(path, size * SCALE)
    return ImageFont.load_default()


def s(values):
    """Scales a coordinate or a tuple of them to the drawing size."""
    if isinstance(values, (tuple, list)):
        return tuple(v * SCALE for v in values)
    return values * SCALE


def vertical_gradient(image, box, top, bottom):
    left, top_y, right, bottom_y = s(box)
    draw = ImageDraw.Draw(image)
    height = max(1, bottom_y - top_y)
    for y in range(top_y, bottom_y):
        t = (y - top_y) / height
        colour = tuple(round(a + (b - a) * t) for a, b in zip(top, bottom))
        draw.line([(left, y), (right - 1, y)], fill=colour)


def rounded(draw, box, radius, fill=None, outline=None, width=1):
    left, top, right, bottom = box
    draw.rounded_rectangle(s((left, top, right, bottom)), radius=s(radius), fill=fill,
                           outline=outline, width=s(width) if outline else 0)


def gradient_button(image, box, radius, top, bottom, edge):
    """A raised button filling box = (left, top, right, bottom) in screen pixels (right and bottom
    exclusive)."""
    mask = Image.new("L", image.size, 0)
    ImageDraw.Draw(mask).rounded_rectangle(s(box), radius=s(radius), fill=255)
    face = Image.new("RGB", image.size)
    vertical_gradient(face, box, top, bottom)
    image.paste(face, (0, 0), mask)
    draw = ImageDraw.Draw(image)
    draw.rounded_rectangle(s(box), radius=s(radius), outline=edge, width=s(1))
    # A thin highlight along the upper edge gives the face some depth.
    left, top_y, right, _ = box
    draw.line([s((left + radius, top_y + 1)), s((right - radius, top_y + 1))],
              fill=tuple(min(255, c + 60) for c in top), width=s(1))


def centred_text(draw, box, text, size, colour, bold=True):
    face = font(size, bold)
    left, top, right, bottom = s(box)
    bounds = draw.textbbox((0, 0), text, font=face)
    width, height = bounds[2] - bounds[0], bounds[3] - bounds[1]
    x = left + (right - left - width) // 2 - bounds[0]
    y = top + (bottom - top - height) // 2 - bounds[1]
    draw.text((x, y), text, font=face, fill=colour)


def right_text(draw, box, text, size, colour, bold=False):
    face = font(size, bold)
    left, top, right, bottom = s(box)
    bounds = draw.textbbox((0, 0), text, font=face)
    x = right - (bounds[2] - bounds[0]) - bounds[0]
    y = top + (bottom - top - (bounds[3] - bounds[1])) // 2 - bounds[1]
    draw.text((x, y), text, font=face, fill=colour)


def background():
    image = Image.new("RGB", s((WIDTH, HEIGHT)))
    vertical_gradient(image, (0, 0, WIDTH, HEIGHT), (12, 30, 58), (20, 52, 92))
    return image


def emblem(draw, left, bottom, unit):
    """Three rising bars: the brand's mark."""
    for i, height in enumerate((10, 17, 24)):
        x = left + i * 8 * unit
        rounded(draw, (x, bottom - height * unit, x + 5 * unit, bottom), unit, fill=(120, 205, 255))


def banner(image, title, subtitle):
    vertical_gradient(image, (0, 0, WIDTH, 86), (26, 86, 150), (13, 45, 86))
    draw = ImageDraw.Draw(image)
    draw.line([s((0, 86)), s((WIDTH, 86))], fill=(96, 176, 232), width=s(2))
    emblem(draw, 20, 54, 1)
    draw.text(s((52, 22)), title, font=font(24, True), fill=(255, 255, 255))
    draw.text(s((53, 54)), subtitle, font=font(11), fill=(170, 205, 235))


def slim_banner(image, title):
    """The keypad's banner: the edit box starts at y 73, so it ends above that."""
    vertical_gradient(image, (0, 0, WIDTH, 56), (26, 86, 150), (13, 45, 86))
    draw = ImageDraw.Draw(image)
    draw.line([s((0, 56)), s((WIDTH, 56))], fill=(96, 176, 232), width=s(2))
    emblem(draw, 18, 42, 0.75)
    draw.text(s((46, 14)), title, font=font(20, True), fill=(255, 255, 255))


def main_screen():
    image = background()
    banner(image, "Brevanta", "Device provisioning")
    draw = ImageDraw.Draw(image)
    # Sync zone: 35 <= x <= 232, 114 <= y <= 157.
    gradient_button(image, (35, 114, 233, 158), 8, (46, 184, 120), (22, 120, 76), (12, 78, 48))
    centred_text(draw, (35, 114, 233, 158), "SYNC NOW", 16, (255, 255, 255))
    # Address zone: 35 <= x <= 232, 197 <= y <= 232; the address itself is drawn at
    # (99, 228)-(219, 244), on a dark field below the button.
    gradient_button(image, (35, 197, 233, 224), 7, (70, 130, 200), (38, 86, 150), (20, 52, 100))
    centred_text(draw, (35, 197, 233, 224), "IP SETUP", 13, (255, 255, 255))
    rounded(draw, (95, 226, 224, 246), 4, fill=(6, 18, 36), outline=(60, 100, 150))
    right_text(draw, (35, 226, 91, 246), "Server", 10, (170, 205, 235))
    # Quit zone: 35 <= x <= 232, 280 <= y <= 312.
    gradient_button(image, (35, 280, 233, 313), 7, (200, 70, 64), (150, 38, 36), (100, 20, 20))
    centred_text(draw, (35, 280, 233, 313), "QUIT", 13, (255, 255, 255))
    # The record panel: date and time in (120, 388)-(252, 400), size in (120, 418)-(252, 430).
    rounded(draw, (12, 368, 260, 446), 8, fill=(9, 24, 46), outline=(60, 100, 150))
    draw.text(s((22, 372)), "Last synchronization", font=font(9, True), fill=(96, 176, 232))
    right_text(draw, (14, 386, 116, 402), "Last updated:", 10, (190, 215, 240))
    right_text(draw, (14, 416, 116, 432), "File size:", 10, (190, 215, 240))
    draw.line([s((22, 409)), s((250, 409))], fill=(40, 70, 110), width=s(1))
    centred_text(draw, (0, 456, WIDTH, 474), "Tap SYNC NOW to fetch the package", 9,
                 (120, 160, 200), bold=False)
    return image


KEY_COLUMNS = [(17, 96), (97, 176), (177, 256)]
KEY_ROWS = [(128, 207), (208, 287), (288, 367), (368, 447)]
KEY_LABELS = ["7", "8", "9", "4", "5", "6", "1", "2", "3", "0", ".", "OK"]


def keypad():
    image = background()
    slim_banner(image, "Server address")
    draw = ImageDraw.Draw(image)
    # The edit control sits at (15, 73), 194 x 37: a white box with a frame around it.
    rounded(draw, (12, 70, 212, 113), 5, fill=(255, 255, 255), outline=(96, 176, 232), width=2)
    # Backspace: 217 <= x <= 257, 71 <= y <= 111.
    gradient_button(image, (217, 71, 258, 112), 6, (120, 130, 150), (80, 88, 106), (40, 46, 60))
    centred_text(draw, (217, 71, 258, 112), "<<", 14, (255, 255, 255))
    for index, label in enumerate(KEY_LABELS):
        left, right = KEY_COLUMNS[index % 3]
        top, bottom = KEY_ROWS[index // 3]
        box = (left + 3, top + 3, right - 2, bottom - 2)
        if label == "OK":
            colours = ((46, 184, 120), (22, 120, 76), (12, 78, 48))
        else:
            colours = ((70, 130, 200), (38, 86, 150), (20, 52, 100))
        gradient_button(image, box, 10, *colours)
        size = {"OK": 22, ".": 36}.get(label, 26)
        centred_text(draw, box, label, size, (255, 255, 255))
    return image


def reduce(image):
    return image.resize((WIDTH, HEIGHT), Image.LANCZOS)


def bmp555(image):
    """A bottom-up 16-bit BI_RGB bitmap: X1R5G5B5, as the device's 16-bit resources are."""
    width, height = image.size
    stride = (width * 2 + 3) & ~3
    pixels = image.load()
    rows = []
    for y in range(height - 1, -1, -1):
        row = bytearray()
        for x in range(width):
            r, g, b = pixels[x, y][:3]
            row += struct.pack("<H", ((r >> 3) << 10) | ((g >> 3) << 5) | (b >> 3))
        row += b"\0" * (stride - width * 2)
        rows.append(bytes(row))
    data = b"".join(rows)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 16, 0, len(data), 3780, 3780, 0, 0)
    header = struct.pack("<2sIHHI", b"BM", 14 + len(info) + len(data), 0, 0, 14 + len(info))
    return header + info + data


ICON_PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128),
    (0, 128, 128), (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]


def icon_image(size):
    """The emblem of the banner on a rounded blue tile, in the 16 standard colours."""
    image = Image.new("RGBA", (size * SCALE, size * SCALE), (0, 0, 0, 0))
    draw = ImageDraw.Draw(image)
    draw.rounded_rectangle((0, 0, size * SCALE - 1, size * SCALE - 1), radius=size * SCALE // 5,
                           fill=(0, 0, 128, 255))
    unit = size * SCALE / 16
    for i, height in enumerate((5, 8, 11)):
        left = unit * (3 + i * 3.5)
        draw.rectangle((left, unit * (13 - height), left + unit * 2.4, unit * 13),
                       fill=(0, 255, 255, 255))
    return image.resize((size, size), Image.LANCZOS)


def nearest_index(colour):
    return min(range(16), key=lambda i: sum((a - b) ** 2 for a, b in zip(colour, ICON_PALETTE[i])))


def ico16(sizes):
    """An .ico file with one 4-bit image per size, each with its transparency mask."""
    images = []
    for size in sizes:
        image = icon_image(size)
        pixels = image.load()
        xor_stride = ((size * 4 + 31) // 32) * 4
        and_stride = ((size + 31) // 32) * 4
        xor_rows, and_rows = [], []
        for y in range(size - 1, -1, -1):
            xor, mask = bytearray(xor_stride), bytearray(and_stride)
            for x in range(size):
                r, g, b, a = pixels[x, y]
                index = nearest_index((r, g, b)) if a >= 128 else 0
                xor[x // 2] |= index << (4 if x % 2 == 0 else 0)
                if a < 128:
                    mask[x // 8] |= 0x80 >> (x % 8)
            xor_rows.append(bytes(xor))
            and_rows.append(bytes(mask))
        palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in ICON_PALETTE)
        bits = b"".join(xor_rows) + b"".join(and_rows)
        info = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 4, 0, len(bits), 0, 0, 16, 0)
        images.append((size, info + palette + bits))
    header = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    directory, data = b"", b""
    for size, body in images:
        directory += struct.pack("<BBBBHHII", size % 256, size % 256, 16, 0, 1, 4, len(body),
                                 offset + len(data))
        data += body
    return header + directory + data


def main(argv):
    here = os.path.dirname(os.path.abspath(__file__))
    output = os.path.dirname(here)
    preview = None
    args = list(argv)
    if "--preview" in args:
        at = args.index("--preview")
        preview = args[at + 1]
        del args[at:at + 2]
    if args:
        output = args[0]
    screens = {"main_background": reduce(main_screen()), "keypad_background": reduce(keypad())}
    for name, image in screens.items():
        with open(os.path.join(output, name + ".bmp"), "wb") as out:
            out.write(bmp555(image))
        if preview:
            image.save(os.path.join(preview, name + ".png"))
    with open(os.path.join(output, "brevanta.ico"), "wb") as out:
        out.write(ico16([32, 16]))


if __name__ == "__main__":
    main(sys.argv[1:])
