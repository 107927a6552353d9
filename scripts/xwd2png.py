#!/usr/bin/env python3
"""Converts an X window dump (xwd -root, 24 or 32 bits per pixel, ZPixmap) to a PNG file.

usage: xwd -root -display :N -silent | python3 scripts/xwd2png.py OUT.png [WIDTHxHEIGHT]
With a size, only that much of the top-left corner is kept.
"""
import struct
import sys
import zlib


def read_xwd(data):
    fields = struct.unpack('>25I', data[:100])
    header_size, _, _, depth, width, height = fields[:6]
    byte_order, bits_per_pixel, bytes_per_line = fields[7], fields[11], fields[12]
    red_mask, green_mask, blue_mask = fields[14], fields[15], fields[16]
    colormap_entries = fields[19]
    if bits_per_pixel not in (24, 32) or depth < 24:
        sys.exit('xwd2png: only 24- and 32-bit dumps are supported (got %d bits)' % bits_per_pixel)
    pixels = data[header_size + 12 * colormap_entries:]
    step = bits_per_pixel // 8
    order = '<' if byte_order == 0 else '>'

    def shift(mask):
        return (mask & -mask).bit_length() - 1

    rs, gs, bs = shift(red_mask), shift(green_mask), shift(blue_mask)
    rows = []
    for y in range(height):
        line = pixels[y * bytes_per_line:y * bytes_per_line + width * step]
        row = bytearray([0])  # PNG filter type: none
        for x in range(width):
            chunk = line[x * step:x * step + step]
            value = int.from_bytes(chunk, 'little' if order == '<' else 'big')
            row += bytes(((value & red_mask) >> rs, (value & green_mask) >> gs, (value & blue_mask) >> bs))
        rows.append(bytes(row))
    return width, height, b''.join(rows)


def write_png(path, width, height, raw):
    def chunk(kind, body):
        return struct.pack('>I', len(body)) + kind + body + struct.pack('>I', zlib.crc32(kind + body) & 0xFFFFFFFF)

    with open(path, 'wb') as out:
        out.write(b'\x89PNG\r\n\x1a\n')
        out.write(chunk(b'IHDR', struct.pack('>IIBBBBB', width, height, 8, 2, 0, 0, 0)))
        out.write(chunk(b'IDAT', zlib.compress(raw, 6)))
        out.write(chunk(b'IEND', b''))


def crop(width, height, raw, size):
    keep_width, keep_height = (int(n) for n in size.split('x'))
    keep_width, keep_height = min(keep_width, width), min(keep_height, height)
    row = 1 + 3 * width
    rows = [raw[y * row:y * row + 1 + 3 * keep_width] for y in range(keep_height)]
    return keep_width, keep_height, b''.join(rows)


def main():
    if len(sys.argv) not in (2, 3):
        sys.exit(__doc__)
    width, height, raw = read_xwd(sys.stdin.buffer.read())
    if len(sys.argv) == 3:
        width, height, raw = crop(width, height, raw, sys.argv[2])
    write_png(sys.argv[1], width, height, raw)


if __name__ == '__main__':
    main()
