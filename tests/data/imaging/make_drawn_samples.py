#!/usr/bin/env python3
"""Writes the samples of the formats that ImageMagick cannot write: the
Alias/Wavefront, Dr. Halo (with its palette), Autodesk Animator picture and
flic, and two metafiles. The raster ones show the 7 x 5 pattern of
make_samples.sh; the metafiles show shapes whose colours the tests probe."""
import os
import struct

os.chdir(os.path.dirname(os.path.abspath(__file__)))
COLORS = [(0, 0, 0), (255, 255, 255), (255, 0, 0), (0, 255, 0), (0, 0, 255), (255, 255, 0), (0, 255, 255), (128, 128, 128)]
W, H = 7, 5


def index(x, y):
    return (x + 2 * y) % 8


def rla():
    header = bytearray(740)
    struct.pack_into('>8h', header, 0, 0, W - 1, 0, H - 1, 0, W - 1, 0, H - 1)
    struct.pack_into('>6h', header, 16, 1, 0, 3, 1, 0, -2)  # frame, storage, 3 colour, 1 matte, 0 aux, revision
    struct.pack_into('>h', header, 658, 8)
    struct.pack_into('>h', header, 662, 8)
    body, offsets = bytearray(), []
    for r in range(H):  # bottom line first
        y = H - 1 - r
        offsets.append(740 + 4 * H + len(body))
        for c in range(3):
            values = [COLORS[index(x, y)][c] for x in range(W)]
            run = bytes([256 - 3]) + bytes(values[:3]) + bytes([256 - (W - 3)]) + bytes(values[3:])
            body += struct.pack('>H', len(run)) + run
        run = bytes([W - 1, 200])  # alpha 200 everywhere, as one run
        body += struct.pack('>H', len(run)) + run
    with open('pattern.rla', 'wb') as f:
        f.write(header + b''.join(struct.pack('>I', o) for o in offsets) + body)


def cut():
    data = bytearray(struct.pack('<3H', W, H, 0))
    for y in range(H):
        idx = [index(x, y) for x in range(W)]
        line = bytes([0x80 | 2, idx[0]]) if False else b''
        line = bytes([3]) + bytes(idx[:3]) + bytes([4]) + bytes(idx[3:]) + b'\0'
        data += struct.pack('<H', len(line)) + line
    with open('pattern.cut', 'wb') as f:
        f.write(data)
    pal = bytearray(40)
    pal[0:2] = b'AH'
    struct.pack_into('<2H', pal, 2, 0x0A, 0)
    struct.pack_into('<4H', pal, 12, len(COLORS) - 1, 255, 255, 255)
    pal[20:28] = b'Dr. Halo'
    for c in COLORS:
        pal += struct.pack('<3H', *c)
    with open('pattern.pal', 'wb') as f:
        f.write(pal)


def animator():
    palette = bytearray(768)
    for i, c in enumerate(COLORS):
        palette[i * 3:i * 3 + 3] = bytes(v * 63 // 255 for v in c)
    pixels = bytes(index(x, y) for y in range(H) for x in range(W))
    with open('pattern.pic', 'wb') as f:
        f.write(struct.pack('<5H2BI', 0x9119, W, H, 0, 0, 8, 0, W * H) + bytes(16) + palette + pixels)
    # A flic with one frame: a 256-level colour chunk and a byte-run chunk.
    colours = struct.pack('<H2B', 1, 0, len(COLORS)) + b''.join(bytes(c) for c in COLORS)
    runs = bytearray()
    for y in range(H):
        row = [index(x, y) for x in range(W)]
        runs += bytes([2, 256 - 3]) + bytes(row[:3]) + bytes([4, row[3]]) if False else b''
        runs += bytes([2, 256 - W]) + bytes(row) + b''  # one literal packet per line
    chunks = b''
    for kind, body in ((4, colours), (15, bytes(runs))):
        chunks += struct.pack('<IH', 6 + len(body), kind) + body
    frame = struct.pack('<IHH8x', 16 + len(chunks), 0xF1FA, 2) + chunks
    header = bytearray(128)
    struct.pack_into('<IHHHHHH', header, 0, 128 + len(frame), 0xAF12, 1, W, H, 8, 0)
    struct.pack_into('<I', header, 80, 128)
    with open('pattern.cel', 'wb') as f:
        f.write(header + frame)


def wmf_record(function, *words, raw=b''):
    body = b''.join(struct.pack('<h' if w < 0 else '<H', w) for w in words) + raw
    return struct.pack('<IH', 3 + len(body) // 2, function) + body


def wmf():
    # 100 x 60 logical units at 100 per inch: 96 x 58 pixels at 96 dpi.
    records = [
        wmf_record(0x020B, 0, 0), wmf_record(0x020C, 60, 100),
        wmf_record(0x02FC, 0, 0x00FF, 0x0000, 0),              # brush 0: solid red (COLORREF 0x000000FF)
        wmf_record(0x02FA, 5, 0, 0, 0, 0),                     # pen 1: invisible
        wmf_record(0x012D, 0), wmf_record(0x012D, 1),
        wmf_record(0x041B, 50, 40, 10, 10),                    # rectangle l10 t10 r40 b50
        wmf_record(0x02FC, 0, 0x0000, 0x00FF, 0),              # brush 2: blue
        wmf_record(0x012D, 2),
        wmf_record(0x0418, 50, 95, 10, 55),                    # ellipse l55 t10 r95 b50
        wmf_record(0x02FA, 0, 3, 0, 0xFF00, 0x0000),           # pen 3: green, 3 units wide
        wmf_record(0x012D, 3),
        wmf_record(0x0214, 5, 0), wmf_record(0x0213, 5, 100),  # a line along y = 5
    ]
    body = b''.join(records) + struct.pack('<IH', 3, 0)
    header = struct.pack('<HHHIHIH', 1, 9, 0x0300, (18 + len(body)) // 2, 4, 8, 0)
    placeable = struct.pack('<IHhhhhHI', 0x9AC6CDD7, 0, 0, 0, 100, 60, 100, 0)
    checksum = 0
    for i in range(10):
        checksum ^= struct.unpack_from('<H', placeable, 2 * i)[0]
    with open('drawing.wmf', 'wb') as f:
        f.write(placeable + struct.pack('<H', checksum) + header + body)


def emf_record(kind, body):
    return struct.pack('<II', kind, 8 + len(body)) + body


def emf():
    # Frame 0..2540 x 0..1270 hundredths of a millimetre: 96 x 48 pixels at 96 dpi,
    # on a reference device of 96 pixels per 25.4 mm; logical units are device pixels.
    records = [
        emf_record(39, struct.pack('<IIII', 1, 0, 0x0000FF00, 0)),          # brush 1: green
        emf_record(37, struct.pack('<I', 1)),
        emf_record(37, struct.pack('<I', 0x80000008)),                   # null pen
        emf_record(43, struct.pack('<4i', 10, 10, 40, 40)),              # rectangle
        emf_record(59, b''),                                              # a path: a triangle
        emf_record(27, struct.pack('<2i', 50, 40)),
        emf_record(54, struct.pack('<2i', 90, 40)),
        emf_record(54, struct.pack('<2i', 70, 5)),
        emf_record(61, b''), emf_record(60, b''),
        emf_record(39, struct.pack('<IIII', 2, 0, 0x00FF0000, 0)),          # brush 2: blue
        emf_record(37, struct.pack('<I', 2)),
        emf_record(62, struct.pack('<4i', 0, 0, 0, 0)),                  # fill the path
        emf_record(14, struct.pack('<III', 0, 16, 20)),
    ]
    body = b''.join(records)
    header = bytearray(88)
    struct.pack_into('<II4i4i', header, 0, 1, 88, 0, 0, 95, 47, 0, 0, 2540, 1270)
    struct.pack_into('<IIIIHH', header, 40, 0x464D4520, 0x10000, 88 + len(body), len(records) + 1, 3, 0)
    struct.pack_into('<III2i2i', header, 60, 0, 0, 0, 96, 96, 25, 25)
    with open('drawing.emf', 'wb') as f:
        f.write(bytes(header) + body)


rla()
cut()
animator()
wmf()
emf()


def psp_block(major, block_id, initial, rest=b''):
    """A block: in version 3 its header gives the initial chunk's length; from
    version 4 on each chunk starts with its own length instead."""
    if major <= 3:
        return b'~BK\0' + struct.pack('<HII', block_id, len(initial), len(initial) + len(rest)) + initial + rest
    chunk = struct.pack('<I', 4 + len(initial)) + initial
    return b'~BK\0' + struct.pack('<HI', block_id, len(chunk) + len(rest)) + chunk + rest


def psp(major, name, compression):
    attributes = struct.pack('<iidBHHHIBIiH', W, H, 72.0, 1, compression, 24, 1, 1 << 24, 0, W * H * 3, 0, 1)
    if major >= 4:
        attributes += struct.pack('<I', 1)
    channels = b''
    for channel_type in (1, 2, 3):
        raw = bytes(COLORS[index(x, y)][channel_type - 1] for y in range(H) for x in range(W))
        if compression == 1:  # run-length: literal runs of one line each
            packed = b''.join(bytes([W]) + raw[y * W:(y + 1) * W] for y in range(H))
        else:
            packed = raw
        head = struct.pack('<IIHH', len(packed), len(raw), 0, channel_type)
        channels += psp_block(major, 5, head, packed)
    mask = bytes([255] * (W * H - 1) + [0])  # the last pixel transparent
    mask_packed = b''.join(bytes([W]) + mask[y * W:(y + 1) * W] for y in range(H)) if compression == 1 else mask
    channels += psp_block(major, 5, struct.pack('<IIHH', len(mask_packed), len(mask), 1, 0), mask_packed)
    rect = struct.pack('<4i', 0, 0, W, H)
    tail = struct.pack('<BBBBB', 255, 0, 1, 0, 0) + rect + rect + struct.pack('<BBBH', 0, 0, 0, 0) + bytes(40)
    if major <= 3:
        info = b'layer'.ljust(256, b'\0') + b'\0' + rect + rect + tail + struct.pack('<HH', 2, 4)
        layer = psp_block(major, 4, info, channels)
    else:
        info = struct.pack('<H', 5) + b'layer' + b'\x01' + rect + rect + tail
        bitmap_info = struct.pack('<IHH', 8, 2, 4)
        layer = psp_block(major, 4, info, bitmap_info + channels)
    bank = b'~BK\0' + (struct.pack('<HII', 3, 0, len(layer)) if major <= 3 else struct.pack('<HI', 3, len(layer))) + layer
    data = b'Paint Shop Pro Image File\n\x1a\0\0\0\0\0' + struct.pack('<HH', major, 0)
    data += psp_block(major, 0, attributes) + bank
    with open(name, 'wb') as f:
        f.write(data)


psp(3, 'pattern_v3.psp', 0)
psp(5, 'pattern.psp', 1)
