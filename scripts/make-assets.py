#!/usr/bin/env python3
"""Draws the program's icon and status pictures and writes res/app.ico and
res/status.bmp. Standard library only; the output depends on nothing but this
file, so running it again gives the same bytes.

The pictures are pixel art: the icon's transparency is a 1-bit mask and the
image list keys transparency off one exact colour, so there is no room for
anti-aliasing. Each picture is a grid of characters, one per pixel, looked up
in that picture's colour key.
"""
import os
import struct
import sys

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


def status_bitmap():
    # Black must be palette entry 0, as in the system palette: an image list
    # blackens the masked pixels of a palette image before drawing it, and
    # with yellow at index 0 Wine's drew the red fill as yellow and the pale
    # blue as transparent.
    palette = [(0, 0, 0), BACKGROUND]
    for key, art in STATUS:
        assert len(art) == 16 and all(len(line) == 16 for line in art), 'status art is 16 x 16'
        for ch, colour in key.items():
            assert colour != BACKGROUND, 'picture colour %r is the transparent yellow' % ch
            if colour not in palette:
                palette.append(colour)
        for line in art:
            for ch in line:
                assert ch == '.' or ch in key, 'no colour for %r' % ch
    width, height = 16 * len(STATUS), 16
    stride = row_bytes(8, width)
    bits = bytearray()
    for y in reversed(range(height)):  # bottom-up
        row = bytearray(stride)
        for n, (key, art) in enumerate(STATUS):
            for x, ch in enumerate(art[y]):
                row[16 * n + x] = palette.index(BACKGROUND if ch == '.' else key[ch])
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
    outputs = {
        'app.ico': icon_file([ICON_32, ICON_16]),
        'status.bmp': status_bitmap(),
    }
    for name, data in outputs.items():
        path = os.path.normpath(os.path.join(res, name))
        with open(path, 'wb') as f:
            f.write(data)
        print('wrote %s (%d bytes)' % (path, len(data)))
    return 0


if __name__ == '__main__':
    sys.exit(main())
