#!/usr/bin/env python3
"""Writes the program's pictures that are not CPU gauges: the program icon (128), the end-program
icon (143), the debugger icon (148) and the generic-window bitmap (139). 16-colour images, which
every Windows 95/98/ME display can show. Run from the repository root: tools/make_res_images.py"""
import struct

# The standard 16-colour palette (RGB).
PALETTE = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128), (0, 128, 128),
           (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0), (0, 0, 255),
           (255, 0, 255), (0, 255, 255), (255, 255, 255)]
INDEX = {'k': 0, 'r': 1, 'g': 2, 'o': 3, 'n': 4, 'p': 5, 't': 6, 's': 7, 'd': 8, 'R': 9, 'G': 10,
         'Y': 11, 'B': 12, 'M': 13, 'C': 14, 'W': 15}


def dib_4bpp(rows, with_mask):
    """A bottom-up 4-bpp DIB (header, palette, pixels[, AND mask]) from rows of palette letters;
    '.' is transparent (mask bit set, colour 0)."""
    h = len(rows)
    w = len(rows[0])
    stride = ((w * 4 + 31) // 32) * 4
    mstride = ((w + 31) // 32) * 4
    pix = bytearray()
    mask = bytearray()
    for row in reversed(rows):
        line = bytearray(stride)
        mline = bytearray(mstride)
        for x, ch in enumerate(row):
            idx = 0 if ch == '.' else INDEX[ch]
            if x % 2 == 0:
                line[x // 2] |= idx << 4
            else:
                line[x // 2] |= idx
            if ch == '.':
                mline[x // 8] |= 0x80 >> (x % 8)
        pix += line
        mask += mline
    height = h * 2 if with_mask else h
    header = struct.pack('<IiiHHIIiiII', 40, w, height, 1, 4, 0, len(pix) + (len(mask) if with_mask else 0),
                         0, 0, 16, 0)
    pal = b''.join(struct.pack('BBBB', b, g, r, 0) for (r, g, b) in PALETTE)
    return header + pal + pix + (mask if with_mask else b'')


def write_ico(path, images):
    data = [dib_4bpp(rows, True) for rows in images]
    out = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for rows, d in zip(images, data):
        w, h = len(rows[0]), len(rows)
        out += struct.pack('<BBBBHHII', w % 256, h % 256, 16, 0, 1, 4, len(d), offset)
        offset += len(d)
    with open(path, 'wb') as f:
        f.write(out + b''.join(data))


def write_bmp(path, rows):
    d = dib_4bpp(rows, False)
    with open(path, 'wb') as f:
        f.write(struct.pack('<2sIHHI', b'BM', 14 + len(d), 0, 0, 14 + 40 + 64) + d)


def scale(rows, factor):
    return [''.join(ch * factor for ch in row) for row in rows for _ in range(factor)]


# A monitor with a green gauge: the program icon.
MONITOR = [
    '................',
    '.dddddddddddddd.',
    '.dWWWWWWWWWWWWd.',
    '.dWkkkkkkkkkkWd.',
    '.dWkGkkkkkkkkWd.',
    '.dWkGkkkkGkkkWd.',
    '.dWkGkkkGkGkkWd.',
    '.dWkGGkGkkkGkWd.',
    '.dWkkGGkkkkGGWd.',
    '.dWkkkkkkkkkkWd.',
    '.dWWWWWWWWWWWWd.',
    '.dddddddddddddd.',
    '......dddd......',
    '....ssssssss....',
    '...dddddddddd...',
    '................',
]

# A window with a title bar: image 0 of the Applications page, magenta transparent.
WINDOW = [
    'MMMMMMMMMMMMMMMM',
    'MnnnnnnnnnnnnnnM',
    'MnWWWWWWWnsskskM',
    'MnnnnnnnnnnnnnnM',
    'MsWWWWWWWWWWWWsM',
    'MsWWWWWWWWWWWWsM',
    'MsWWWWWWWWWWWWsM',
    'MsWWWWWWWWWWWWsM',
    'MsWWWWWWWWWWWWsM',
    'MsWWWWWWWWWWWWsM',
    'MsWWWWWWWWWWWWsM',
    'MsWWWWWWWWWWWWsM',
    'MsWWWWWWWWWWWWsM',
    'MddddddddddddddM',
    'MMMMMMMMMMMMMMMM',
    'MMMMMMMMMMMMMMMM',
]

# A stop sign: the end-program dialog.
STOP = [
    '................',
    '.....RRRRRR.....',
    '....RRRRRRRR....',
    '...RRRRRRRRRR...',
    '..RRRWRRRRWRRR..',
    '.RRRRWWRRWWRRRR.',
    '.RRRRRWWWWRRRRR.',
    '.RRRRRRWWRRRRRR.',
    '.RRRRRWWWWRRRRR.',
    '.RRRRWWRRWWRRRR.',
    '..RRRWRRRRWRRR..',
    '...RRRRRRRRRR...',
    '....RRRRRRRR....',
    '.....RRRRRR.....',
    '................',
    '................',
]

# A magnifier over a chip: the debugger dialog.
DEBUGGER = [
    '................',
    '..s.s.s.s.......',
    '.kkkkkkkkk......',
    '.kttttttkk......',
    '.ktkkkkkdddd....',
    '.ktkkkkdCCCCd...',
    '.kttttdCCWCCCd..',
    '.kkkkkdCWCCCCd..',
    '..s.s.dCCCCCCd..',
    '.......dCCCCd...',
    '........ddddoo..',
    '............ooo.',
    '.............ooo',
    '..............oo',
    '................',
    '................',
]

if __name__ == '__main__':
    write_ico('res/korvane.ico', [scale(MONITOR, 2), MONITOR])
    write_ico('res/endprog.ico', [scale(STOP, 2), STOP])
    write_ico('res/debugger.ico', [scale(DEBUGGER, 2), DEBUGGER])
    write_bmp('res/window.bmp', WINDOW)
