"""Minimal GIF89a and 8-bit ICO writers (standard library only).

ImageMagick reorders and trims palettes; the frame tiles need an exact
16-entry global colour table and no transparency, so they are written here.
"""
import struct


def _lzw(indices, min_code_size):
    """Variable-length LZW as GIF expects it; returns the packed byte string."""
    clear = 1 << min_code_size
    eoi = clear + 1
    out = bytearray()
    acc = 0
    nbits = 0

    def put(code, size):
        nonlocal acc, nbits
        acc |= code << nbits
        nbits += size
        while nbits >= 8:
            out.append(acc & 0xFF)
            acc >>= 8
            nbits -= 8

    def reset():
        return {(i,): i for i in range(clear)}, eoi + 1, min_code_size + 1

    table, next_code, size = reset()
    put(clear, size)
    prefix = ()
    for k in indices:
        grown = prefix + (k,)
        if grown in table:
            prefix = grown
            continue
        put(table[prefix], size)
        if next_code < 4096:
            table[grown] = next_code
            next_code += 1
            # The decoder adds its entry one code later, so widen only
            # once the code just assigned no longer fits.
            if next_code - 1 == (1 << size) and size < 12:
                size += 1
        else:
            put(clear, size)
            table, next_code, size = reset()
        prefix = (k,)
    if prefix:
        put(table[prefix], size)
    put(eoi, size)
    if nbits:
        out.append(acc & 0xFF)
    return bytes(out)


def gif89a(width, height, palette, indices):
    """One-frame GIF89a with a global table of len(palette) (a power of 2,
    2..256) entries, no Graphic Control Extension, so nothing transparent."""
    n = len(palette)
    bits = n.bit_length() - 1
    if n < 2 or n > 256 or (1 << bits) != n:
        raise ValueError("palette size must be a power of two from 2 to 256")
    if len(indices) != width * height or max(indices) >= n:
        raise ValueError("bad pixel data")
    packed = 0x80 | ((bits - 1) << 4) | (bits - 1)
    data = bytearray(b"GIF89a")
    data += struct.pack("<HHBBB", width, height, packed, 0, 0)
    for r, g, b in palette:
        data += bytes((r, g, b))
    data += b"\x2c" + struct.pack("<HHHHB", 0, 0, width, height, 0)
    min_code_size = max(2, bits)
    data.append(min_code_size)
    stream = _lzw(indices, min_code_size)
    for i in range(0, len(stream), 255):
        chunk = stream[i:i + 255]
        data.append(len(chunk))
        data += chunk
    data += b"\x00\x3b"
    return bytes(data)


def ico8(width, height, palette, indices, transparent):
    """Single-image ICO, 8 bits per pixel with a 256-entry palette.
    `transparent` is a per-pixel list of booleans for the AND mask."""
    if len(palette) > 256:
        raise ValueError("too many colours")
    palette = list(palette) + [(0, 0, 0)] * (256 - len(palette))
    xor_stride = (width + 3) & ~3
    and_stride = ((width + 31) // 32) * 4
    xor = bytearray()
    mask = bytearray()
    for y in range(height - 1, -1, -1):  # DIB rows run bottom-up
        row = indices[y * width:(y + 1) * width]
        xor += bytes(row) + b"\x00" * (xor_stride - width)
        bits = bytearray(and_stride)
        for x in range(width):
            if transparent[y * width + x]:
                bits[x >> 3] |= 0x80 >> (x & 7)
        mask += bits
    dib = struct.pack("<IiiHHIIiiII", 40, width, height * 2, 1, 8, 0,
                      len(xor) + len(mask), 0, 0, 256, 0)
    for r, g, b in palette:
        dib += bytes((b, g, r, 0))
    dib += bytes(xor) + bytes(mask)
    header = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", width & 0xFF, height & 0xFF, 0, 0, 1, 8,
                        len(dib), 6 + 16)
    return header + entry + dib
