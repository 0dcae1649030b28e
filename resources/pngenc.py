"""A small PNG encoder (standard library only) that writes every colour type, bit depth and
the Adam7 interlace, so that the editor's images exercise every decoding path of libpng.

Pixels are given top row first as lists of samples at the file's bit depth:
grey -> int, grey+alpha -> (g, a), RGB -> (r, g, b), palette -> index, RGBA -> (r, g, b, a).
"""
import struct
import zlib

GREY, RGB, PALETTE, GREY_ALPHA, RGBA = 0, 2, 3, 4, 6
CHANNELS = {GREY: 1, RGB: 3, PALETTE: 1, GREY_ALPHA: 2, RGBA: 4}
ADAM7 = [(0, 0, 8, 8), (4, 0, 8, 8), (0, 4, 4, 8), (2, 0, 4, 4), (0, 2, 2, 4), (1, 0, 2, 2), (0, 1, 1, 2)]


def _chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)


def _pack_row(row, channels, depth):
    if depth == 8:
        if channels == 1:
            return bytes(row)
        return bytes(v for px in row for v in px)
    if depth == 16:
        values = row if channels == 1 else [v for px in row for v in px]
        return b"".join(struct.pack(">H", v) for v in values)
    # 1, 2 or 4 bits per sample, single channel, packed from the most significant bit.
    out = bytearray()
    per_byte = 8 // depth
    for i in range(0, len(row), per_byte):
        byte = 0
        group = row[i:i + per_byte]
        for j, v in enumerate(group):
            byte |= v << (8 - depth * (j + 1))
        out.append(byte)
    return bytes(out)


def _paeth(a, b, c):
    p = a + b - c
    pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
    if pa <= pb and pa <= pc:
        return a
    return b if pb <= pc else c


def _filter(raw, prev, bpp):
    """Each of the five filters; keeps the one with the smallest sum of absolute values."""
    n = len(raw)
    candidates = []
    for kind in range(5):
        out = bytearray(n)
        for i in range(n):
            a = raw[i - bpp] if i >= bpp else 0
            b = prev[i]
            c = prev[i - bpp] if i >= bpp else 0
            pred = (0, a, b, (a + b) >> 1, _paeth(a, b, c))[kind]
            out[i] = (raw[i] - pred) & 0xFF
        cost = sum(v if v < 128 else 256 - v for v in out)
        candidates.append((cost, kind, out))
    cost, kind, out = min(candidates, key=lambda t: (t[0], t[1]))
    return bytes([kind]) + bytes(out)


def _scanlines(rows, channels, depth):
    bpp = max(1, channels * depth // 8)
    packed = [_pack_row(r, channels, depth) for r in rows]
    prev = bytes(len(packed[0])) if packed else b""
    out = bytearray()
    for raw in packed:
        out += _filter(raw, prev, bpp)
        prev = raw
    return bytes(out)


def encode(width, height, rows, color_type, depth=8, palette=None, trns=None, interlace=False):
    """Returns the PNG file bytes. palette: list of (r, g, b); trns: bytes of palette alphas,
    an int (grey key) or an (r, g, b) key."""
    channels = CHANNELS[color_type]
    ihdr = struct.pack(">IIBBBBB", width, height, depth, color_type, 0, 0, 1 if interlace else 0)
    data = bytearray()
    if interlace:
        for x0, y0, dx, dy in ADAM7:
            sub = [rows[y][x0::dx] for y in range(y0, height, dy)]
            if sub and sub[0]:
                data += _scanlines(sub, channels, depth)
    else:
        data += _scanlines(rows, channels, depth)
    out = b"\x89PNG\r\n\x1a\n" + _chunk(b"IHDR", ihdr)
    if palette is not None:
        out += _chunk(b"PLTE", bytes(v for rgb in palette for v in rgb))
    if trns is not None:
        if color_type == PALETTE:
            out += _chunk(b"tRNS", bytes(trns))
        elif color_type == GREY:
            out += _chunk(b"tRNS", struct.pack(">H", trns))
        else:
            out += _chunk(b"tRNS", struct.pack(">HHH", *trns))
    out += _chunk(b"IDAT", zlib.compress(bytes(data), 9))
    out += _chunk(b"IEND", b"")
    return out
