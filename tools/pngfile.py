"""PNG files from a pixel function, for the sample's image scripts: 8-bit RGBA, no filter,
deflated at level 9. Plain Python, no imaging library."""
import struct
import zlib


def png_bytes(w, h, pixel):
    """pixel(x, y) -> (r, g, b, a); components are clamped to 0..255."""
    rows = bytearray()
    for y in range(h):
        rows.append(0)
        for x in range(w):
            rows.extend(bytes(max(0, min(255, int(c))) for c in pixel(x, y)))

    def chunk(kind, data):
        c = kind + data
        return struct.pack(">I", len(data)) + c + struct.pack(">I", zlib.crc32(c) & 0xFFFFFFFF)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", w, h, 8, 6, 0, 0, 0)) +
            chunk(b"IDAT", zlib.compress(bytes(rows), 9)) + chunk(b"IEND", b""))
