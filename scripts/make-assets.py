#!/usr/bin/env python3
"""Draws the program's icon and status pictures and writes res/app.ico
(16, 20, 24, 32 and 48 pixels) and the status strips res/status.bmp (16
pixels) and res/status-20.bmp to res/status-32.bmp. Standard library only;
the output depends on nothing but this file, so running it again gives the
same bytes.

The pictures are pixel art: the icon's transparency is a 1-bit mask and the
image list keys transparency off one exact colour, so there is no room for
anti-aliasing. Each picture is a grid of characters, one per pixel, looked up
in that picture's colour key. The 16- and 32-pixel icons and the 16-pixel
status pictures are drawn by hand; the other sizes are drawn from shapes
that follow them (render below).
"""
import math
import os
import struct
import sys

# --- Shapes -----------------------------------------------------------------


def render(size, layers, design):
    """Draws layers, bottom first, into a size x size grid of key characters
    ('.' where none covers a pixel). A layer is (char, inside, outline):
    inside(x, y) tests a point in design units (the picture is design units
    across) at each pixel's centre, so edges stay hard; with an outline
    character, the shape's pixels beside one outside it (left, right, above
    or below) take that character, so outlines are one pixel at every size."""
    scale = design / size
    rows = [['.'] * size for _ in range(size)]
    for char, inside, outline in layers:
        grid = [[inside((x + 0.5) * scale, (y + 0.5) * scale) for x in range(size)]
                for y in range(size)]

        def covered(x, y):
            return 0 <= x < size and 0 <= y < size and grid[y][x]
        for y in range(size):
            for x in range(size):
                if grid[y][x]:
                    edge = not (covered(x - 1, y) and covered(x + 1, y) and
                                covered(x, y - 1) and covered(x, y + 1))
                    rows[y][x] = outline if outline and edge else char
    return [''.join(row) for row in rows]


def rect(left, top, right, bottom):
    return lambda x, y: left <= x < right and top <= y < bottom


def disc(cx, cy, r):
    return lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def ellipse(cx, cy, rx, ry):
    return lambda x, y: ((x - cx) / rx) ** 2 + ((y - cy) / ry) ** 2 <= 1


def polygon(points):
    def inside(x, y):
        result = False
        for (x1, y1), (x2, y2) in zip(points, points[1:] + points[:1]):
            if (y1 > y) != (y2 > y) and x < x1 + (y - y1) * (x2 - x1) / (y2 - y1):
                result = not result
        return result
    return inside


def stroke(points, width):
    """A line through points, width across, with round ends."""
    def distance(x, y, a, b):
        (ax, ay), (bx, by) = a, b
        dx, dy = bx - ax, by - ay
        length = dx * dx + dy * dy
        t = 0 if length == 0 else max(0, min(1, ((x - ax) * dx + (y - ay) * dy) / length))
        return math.hypot(x - ax - t * dx, y - ay - t * dy)
    segments = list(zip(points, points[1:]))
    return lambda x, y: any(distance(x, y, a, b) <= width / 2 for a, b in segments)


def arc(cx, cy, r, start, end, steps=24):
    """Points along a circle, angles in degrees clockwise from the right."""
    angles = [math.radians(start + (end - start) * i / steps) for i in range(steps + 1)]
    return [(cx + r * math.cos(a), cy + r * math.sin(a)) for a in angles]


def union(*shapes):
    return lambda x, y: any(shape(x, y) for shape in shapes)


def minus(shape, cut):
    return lambda x, y: shape(x, y) and not cut(x, y)


# --- Icon -------------------------------------------------------------------

# The 16-colour VGA palette, in the order Windows uses for 4-bit images.
VGA = [
    (0x00, 0x00, 0x00), (0x80, 0x00, 0x00), (0x00, 0x80, 0x00), (0x80, 0x80, 0x00),
    (0x00, 0x00, 0x80), (0x80, 0x00, 0x80), (0x00, 0x80, 0x80), (0xC0, 0xC0, 0xC0),
    (0x80, 0x80, 0x80), (0xFF, 0x00, 0x00), (0x00, 0xFF, 0x00), (0xFF, 0xFF, 0x00),
    (0x00, 0x00, 0xFF), (0xFF, 0x00, 0xFF), (0x00, 0xFF, 0xFF), (0xFF, 0xFF, 0xFF),
]

# Character -> VGA index; None is transparent.
ICON_KEY = {
    '.': None,
    'k': 0,   # outlines
    'w': 15,  # paper
    's': 7,   # folded corner
    'g': 8,   # text on the back page
    'n': 4,   # text on the front page
}

# Two pages: one behind, up and to the left, and one in front with its top
# right corner folded over.
ICON_32 = [
    '................................',
    '...kkkkkkkkkkkkkkkkkk...........',
    '...kwwwwwwwwwwwwwwwwk...........',
    '...kwwwwwwwwwwwwwwwwk...........',
    '...kwwwwwwwwwwwwwwwwk...........',
    '...kwwggggggggggggwwk...........',
    '...kwwwwwwwwwwwwwwwwk...........',
    '...kwwwwwwkkkkkkkkkkkkk.........',
    '...kwwggggkwwwwwwwwwwwkk........',
    '...kwwwwwwkwwwwwwwwwwwksk.......',
    '...kwwwwwwkwwwwwwwwwwwkssk......',
    '...kwwggggkwwnnnnnnnwwksssk.....',
    '...kwwwwwwkwwwwwwwwwwwkssssk....',
    '...kwwwwwwkwwwwwwwwwwwksssssk...',
    '...kwwggggkwwwwwwwwwwwkkkkkkk...',
    '...kwwwwwwkwwnnnnnnnnnnnnnwwk...',
    '...kwwwwwwkwwwwwwwwwwwwwwwwwk...',
    '...kwwggggkwwwwwwwwwwwwwwwwwk...',
    '...kwwwwwwkwwnnnnnnnnnnnnnwwk...',
    '...kwwwwwwkwwwwwwwwwwwwwwwwwk...',
    '...kwwggggkwwwwwwwwwwwwwwwwwk...',
    '...kwwwwwwkwwnnnnnnnnnnnnnwwk...',
    '...kwwwwwwkwwwwwwwwwwwwwwwwwk...',
    '...kwwwwwwkwwwwwwwwwwwwwwwwwk...',
    '...kkkkkkkkwwnnnnnnnnnnnnnwwk...',
    '..........kwwwwwwwwwwwwwwwwwk...',
    '..........kwwwwwwwwwwwwwwwwwk...',
    '..........kwwnnnnnnnnnwwwwwwk...',
    '..........kwwwwwwwwwwwwwwwwwk...',
    '..........kwwwwwwwwwwwwwwwwwk...',
    '..........kkkkkkkkkkkkkkkkkkk...',
    '................................',
]

ICON_16 = [
    '.kkkkkkkkkk.....',
    '.kwwwwwwwwk.....',
    '.kwggggggwk.....',
    '.kwwwkkkkkkk....',
    '.kwggkwwwwksk...',
    '.kwwwkwwwwkssk..',
    '.kwggkwwwwkkkkk.',
    '.kwwwkwwwwwwwwk.',
    '.kwggkwnnnnnnwk.',
    '.kwwwkwwwwwwwwk.',
    '.kwggkwnnnnnnwk.',
    '.kwwwkwwwwwwwwk.',
    '.kkkkkwnnnnwwwk.',
    '.....kwwwwwwwwk.',
    '.....kwwwwwwwwk.',
    '.....kkkkkkkkkk.',
]


def icon_layers(px):
    """ICON_32 as shapes, 32 units across; px is one pixel in those units, so
    the lines of text stay one pixel high."""
    def line(left, y, right):  # the one pixel row nearest design row y
        return rect(left, y + 0.5 - px / 2, right, y + 0.5 + px / 2)
    back_text = union(*(line(6, y, 18) for y in (5, 8, 11, 14, 17, 20)))
    front_text = union(line(13, 11, 20), *(line(13, y, 26) for y in (15, 18, 21, 24)), line(13, 27, 22))
    return [
        ('w', rect(3, 1, 21, 25), 'k'),
        ('g', back_text, None),
        ('w', polygon([(10, 7), (23, 7), (29, 13), (29, 31), (10, 31)]), 'k'),
        ('s', polygon([(22, 7), (29.5, 14.5), (22, 14.5)]), 'k'),
        ('n', front_text, None),
    ]


def icon_art(size):
    if size == 32:
        return ICON_32
    if size == 16:
        return ICON_16
    return render(size, icon_layers(32 / size), 32)


def row_bytes(bits_per_pixel, width):
    """Bytes in one DIB row, padded to a 32-bit boundary."""
    return (bits_per_pixel * width + 31) // 32 * 4


def icon_image(art):
    """One icon image: header, palette, 4-bit colour bits, then the AND mask.
    Transparent pixels are black in the colour bits and set in the mask."""
    size = len(art)
    assert all(len(line) == size for line in art), 'icon art must be square'
    xor_stride, and_stride = row_bytes(4, size), row_bytes(1, size)
    xor_bits, and_bits = bytearray(), bytearray()
    for line in reversed(art):  # DIBs are stored bottom-up
        colours = [ICON_KEY[ch] for ch in line]
        packed = bytearray(xor_stride)
        mask = bytearray(and_stride)
        for x, index in enumerate(colours):
            if index is None:
                mask[x // 8] |= 0x80 >> (x % 8)
                index = 0
            packed[x // 2] |= index << (4 if x % 2 == 0 else 0)
        xor_bits += packed
        and_bits += mask
    # The height counts the colour bits and the mask together.
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 4, 0,
                         len(xor_bits) + len(and_bits), 0, 0, 16, 0)
    palette = b''.join(struct.pack('<BBBB', b, g, r, 0) for r, g, b in VGA)
    return header + palette + bytes(xor_bits) + bytes(and_bits)


def icon_file(arts):
    images = [icon_image(art) for art in arts]
    out = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for art, image in zip(arts, images):
        size = len(art)
        out += struct.pack('<BBBBHHII', size, size, 16, 0, 1, 4, len(image), offset)
        offset += len(image)
    return out + b''.join(images)


# --- Status strip -----------------------------------------------------------

# The image list makes the strip's top-left colour transparent, so this exact
# yellow may appear nowhere inside a picture.
BACKGROUND = (255, 255, 0)

# One 16 x 16 picture per result code, in code order: copy failed, destination
# newer, deleted, deletion failed.
STATUS = [
    ({  # red circle with a white cross
        'o': (150, 0, 0),
        'r': (220, 30, 30),
        'h': (245, 110, 110),
        'W': (255, 255, 255),
    }, [
        '.....oooooo.....',
        '...oohhhhrroo...',
        '..ohhrrrrrrrro..',
        '.ohrrrrrrrrrrro.',
        '.ohrWWrrrrWWrro.',
        'ohrrrWWrrWWrrrro',
        'orrrrrWWWWrrrrro',
        'orrrrrrWWrrrrrro',
        'orrrrrrWWrrrrrro',
        'orrrrrWWWWrrrrro',
        'orrrrWWrrWWrrrro',
        '.orrWWrrrrWWrro.',
        '.orrrrrrrrrrrro.',
        '..orrrrrrrrrro..',
        '...oorrrrrroo...',
        '.....oooooo.....',
    ]),
    ({  # pale blue speech bubble with a question mark
        'o': (60, 100, 170),
        'b': (214, 232, 255),
        'n': (0, 50, 150),
    }, [
        '....oooooooo....',
        '..oobbbbbbbboo..',
        '.obbbbnnnnbbbbo.',
        '.obbbnnbbnnbbbo.',
        'obbbbbbbbnnbbbbo',
        'obbbbbbbnnbbbbbo',
        'obbbbbbnnbbbbbbo',
        'obbbbbbnnbbbbbbo',
        '.obbbbbbbbbbbbo.',
        '.obbbbbnnbbbbbo.',
        '..oobbbbbbbboo..',
        '...obboooooo....',
        '...obo..........',
        '...oo...........',
        '................',
        '................',
    ]),
    ({  # pale blue speech bubble with an "i"
        'o': (60, 100, 170),
        'b': (214, 232, 255),
        'n': (0, 50, 150),
    }, [
        '....oooooooo....',
        '..oobbbbbbbboo..',
        '.obbbbbnnbbbbbo.',
        '.obbbbbbbbbbbbo.',
        'obbbbbnnnbbbbbbo',
        'obbbbbbnnbbbbbbo',
        'obbbbbbnnbbbbbbo',
        'obbbbbbnnbbbbbbo',
        '.obbbbbnnbbbbbo.',
        '.obbbbnnnnbbbbo.',
        '..oobbbbbbbboo..',
        '...obboooooo....',
        '...obo..........',
        '...oo...........',
        '................',
        '................',
    ]),
    ({  # warning triangle with an exclamation mark
        'o': (110, 70, 0),
        'y': (255, 204, 0),
        'K': (0, 0, 0),
    }, [
        '................',
        '.......oo.......',
        '......oyyo......',
        '......oyyo......',
        '.....oyyyyo.....',
        '.....oyKKyo.....',
        '....oyyKKyyo....',
        '....oyyKKyyo....',
        '...oyyyKKyyyo...',
        '...oyyyKKyyyo...',
        '..oyyyyKKyyyyo..',
        '..oyyyyyyyyyyo..',
        '.oyyyyyKKyyyyyo.',
        '.oyyyyyKKyyyyyo.',
        'oyyyyyyyyyyyyyyo',
        'oooooooooooooooo',
    ]),
]


# The same pictures as shapes, 16 units across, in the same order and colour
# keys; px is one pixel in those units.
def failed_layers(px):
    cross = union(stroke([(5, 5), (11, 11)], 2), stroke([(11, 5), (5, 11)], 2))
    shine = minus(stroke(arc(8, 8, 8 - 1.5 * px, 195, 265), px), disc(8, 8, 8 - 2 * px))
    return [('r', disc(8, 8, 8), 'o'), ('h', shine, None), ('W', cross, None)]


def bubble_layers(glyph):
    body = union(ellipse(8, 5.5, 8, 5.5), polygon([(3.2, 9), (6.5, 9.5), (3.2, 14.2)]))
    return [('b', body, 'o'), ('n', glyph, None)]


QUESTION = union(stroke(arc(8, 4.3, 1.9, 180, 380) + [(8.2, 6.4), (8, 7.6)], 1.6), rect(7, 9, 9, 10))
INFO = union(rect(7, 2, 9, 3), rect(6, 4, 9, 5), rect(7.1, 4, 8.9, 9), rect(6, 9, 10, 10))


def warning_layers(px):
    mark = union(rect(7.1, 6, 8.9, 11), rect(7.1, 12.2, 8.9, 14))
    return [('y', polygon([(8, 0.6), (16, 16), (0, 16)]), 'o'), ('K', mark, None)]


STATUS_SHAPES = [
    failed_layers,
    lambda px: bubble_layers(QUESTION),
    lambda px: bubble_layers(INFO),
    warning_layers,
]
STATUS_SIZES = [16, 20, 24, 28, 32]


def status_art(n, size):
    if size == 16:
        return STATUS[n][1]
    return render(size, STATUS_SHAPES[n](16 / size), 16)


def status_bitmap(size):
    # Black must be palette entry 0, as in the system palette: an image list
    # blackens the masked pixels of a palette image before drawing it, and
    # with yellow at index 0 Wine's drew the red fill as yellow and the pale
    # blue as transparent.
    palette = [(0, 0, 0), BACKGROUND]
    arts = [status_art(n, size) for n in range(len(STATUS))]
    for (key, _), art in zip(STATUS, arts):
        assert len(art) == size and all(len(line) == size for line in art), 'status art is %d x %d' % (size, size)
        for ch, colour in key.items():
            assert colour != BACKGROUND, 'picture colour %r is the transparent yellow' % ch
            if colour not in palette:
                palette.append(colour)
        for line in art:
            for ch in line:
                assert ch == '.' or ch in key, 'no colour for %r' % ch
    width, height = size * len(STATUS), size
    stride = row_bytes(8, width)
    bits = bytearray()
    for y in reversed(range(height)):  # bottom-up
        row = bytearray(stride)
        for n, ((key, _), art) in enumerate(zip(STATUS, arts)):
            for x, ch in enumerate(art[y]):
                row[size * n + x] = palette.index(BACKGROUND if ch == '.' else key[ch])
        bits += row
    # The top-left pixel is the transparent colour the image list picks up.
    assert palette[bits[stride * (height - 1)]] == BACKGROUND
    header = struct.pack('<IiiHHIIiiII', 40, width, height, 1, 8, 0, len(bits),
                         2835, 2835, len(palette), 0)
    colours = b''.join(struct.pack('<BBBB', b, g, r, 0) for r, g, b in palette)
    offset = 14 + len(header) + len(colours)
    file_header = struct.pack('<2sIHHI', b'BM', offset + len(bits), 0, 0, offset)
    return file_header + header + colours + bytes(bits)


def main():
    res = os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', 'res')
    # Windows picks the icon's image nearest the size it needs; without one
    # it shrinks or stretches another.
    outputs = {'app.ico': icon_file([icon_art(size) for size in (48, 32, 24, 20, 16)])}
    for size in STATUS_SIZES:
        outputs['status.bmp' if size == 16 else 'status-%d.bmp' % size] = status_bitmap(size)
    for name, data in outputs.items():
        path = os.path.normpath(os.path.join(res, name))
        with open(path, 'wb') as f:
            f.write(data)
        print('wrote %s (%d bytes)' % (path, len(data)))
    return 0


if __name__ == '__main__':
    sys.exit(main())
