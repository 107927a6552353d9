#!/usr/bin/env python3
"""Writes the small seed inputs of the fuzz targets: one folder per target under the given
directory, each file a typical input of its family (so no binary seed is kept in the project)."""
import os
import struct
import sys

MAGIC = b"FpoW"


def trailer(image_a, image_b, splash1, splash2, player, flags=0x4000):
    return MAGIC + struct.pack("<10I", 0, image_a, 0, image_b, 0, splash1, splash2, player, flags, 0)


def tagged_image(size, at, text=b"", room=16):
    image = bytearray(b"\x90" * size)
    image[0:2] = b"MZ"
    image[at - 1] = len(b"SCRNSAVE: " + text) & 0xFF
    image[at:at + 10] = b"SCRNSAVE: "
    end = at + 10 + len(text)
    image[at + 10:end] = text
    image[end:end + 1 + room] = b"\0" * (1 + room)
    return bytes(image)


def bitmap(width, height, bpp=8, colours=0):
    entries = colours or (1 << bpp if bpp <= 8 else 0)
    row = (width * bpp + 31) // 32 * 4
    header = struct.pack("<IiiHHIIiiII", 40, width, height, 1, bpp, 0, row * height, 0, 0, colours, 0)
    return header + bytes(range(256)) * (entries * 4 // 256) + bytes(entries * 4 % 256) + b"\x11" * (row * height)


def installer():
    image = tagged_image(3000, 0x1A0, b"Fish Tank")
    parts = [image, tagged_image(2800, 0x1A0), b"BM" + bitmap(8, 4)[:60], b"BM" + bitmap(4, 2)[:40], b"P" * 500]
    return b"".join(parts) + trailer(*(len(p) for p in parts))


def png(width, height, colour_type, rows, palette=b""):
    """A PNG file: the signature, IHDR, an optional palette, the rows deflated, IEND."""
    import zlib

    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))

    header = struct.pack(">IIBBBBB", width, height, 8, colour_type, 0, 0, 0)
    raw = b"".join(b"\0" + row for row in rows)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + (chunk(b"PLTE", palette) if palette else b"") +
            chunk(b"IDAT", zlib.compress(raw)) + chunk(b"IEND", b""))


def seeds():
    yield "picture", "palette PNG", png(4, 2, 3, [b"\0\1\2\1", b"\2\2\0\1"], b"\xff\0\0\0\xff\0\0\0\xff")
    yield "picture", "RGB PNG", png(3, 2, 2, [bytes(range(9)), bytes(range(100, 109))])
    yield "picture", "RGBA PNG", png(2, 2, 6, [bytes(range(8)), bytes(range(50, 58))])
    yield "picture", "JPEG start", b"\xff\xd8\xff\xe0\0\x10JFIF\0\1\1\0\0\1\0\1\0\0\xff\xd9"
    yield "trailer", "installer", installer()
    yield "trailer", "saver", tagged_image(2800, 0x1A0) + b"BM" + b"\0" * 60 + trailer(3000, 2800, 62, 0, 500)
    yield "trailer", "no trailer", b"MZ" + b"\0" * 100
    yield "trailer", "sums past 2^31", b"\0" * 10 + trailer(0x7FFFFFF0, 0x7FFFFFF0, 0x100, 0x100, 5)
    yield "description_tag", "empty text with room", b"Aquarium\\x" + tagged_image(4096, 100)
    yield "description_tag", "stored text", b"Cod\\x" + tagged_image(4096, 300, b"Fish Tank", 40)
    yield "description_tag", "no room", b"Fish\\x" + tagged_image(4096, 2037, b"", 0)
    yield "file_copy", "small range", bytes(range(200)) + struct.pack("<iii", 5, 150, 16)
    yield "file_copy", "whole file", bytes(range(256)) * 8 + struct.pack("<iii", 0, 0x7FFFFFFF, 4096)
    yield "dib_layout", "eight-bit picture", struct.pack("<12H", 400, 119, 305, 81, 90, 80, 10, 20, 1280, 1024, 50, 40) + bitmap(4, 2)
    yield "dib_layout", "sixteen colours", bytes(24) + bitmap(8, 2, 8, 16)
    yield "dib_layout", "core header", bytes(24) + struct.pack("<IHHHH", 12, 4, 2, 1, 8) + bytes(768 + 8)
    for name, tail in [("saver", b"/s"), ("settings with a window", b"/c 1234"), ("preview", b"/p 1234"),
                       ("external player", b"/q /zC:\\games\\tank.exe"), ("finishing", b'/r "a"b"c"d')]:
        yield "switches", name, tail
    for name, path in [("full path", b"C:\\WINDOWS\\Fish Tank.scr"), ("forward slashes", b"D:/x/y.z/f.tar.gz"),
                       ("double-byte name", b"C:\\DIR\\\x95\\\x95.scr"), ("bare name", b"Inst9754")]:
        yield "paths", name, path + b"\\x" + b"Fish Tank\\xC:\\WINDOWS\\x" + bytes(16)
    for name, text in [("small", b"12"), ("largest", b"4294967295"), ("too large", b"99999999999"),
                       ("signed", b"  -1"), ("text after digits", b"42abc")]:
        yield "profile_number", name, text
    fields = b"C:\\WINDOWS\\Inst9754.scr\\xC:\\WINDOWS\\Fish Tank.scr\\xC:\\WINDOWS\\Inst9755.exe\\xC:\\WINDOWS\\Fish Tank.exe"
    yield "finishing_command", "an install", b'/r C:\\W\\a.scr"b"c"d\\xC:\\WINDOWS\\Inst9753.exe\\x' + fields
    yield "pack_info", "installer", installer()
    yield "pack_info", "saver", tagged_image(2800, 0x1A0) + trailer(0, 2800, 0, 0, 500)
    yield "pack_info", "Wine registry file", (
        b"WINE REGISTRY Version 2\n;; All keys relative to REGISTRY\\\\Machine\n\n#arch=win32\n\n"
        b"[Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Uninstall\\\\Caf\\xe9 Tank.scr] 1733660000\n"
        b"#time=1db4a1b2c3d4e5f\n\"DisplayName\"=\"Caf\\xe9 Tank (screen saver)\"\n\"EstimatedSize\"=dword:00000104\n"
        b"\"PreviousScreenSaver\"=\"\"\n\"UninstallString\"=\"\\\"C:\\\\windows\\\\Caf\\xe9 Tank.scr\\\" /u\"\n"
        b"\"Data\"=hex:01,02,\\\n  03\n@=str(2):\"%SystemRoot%\\\\x\\t\\101\\xd83d\\xde00\"\n")
    yield "pack_info", "screen saver policies", (
        b"WINE REGISTRY Version 2\n\n[Software\\\\Policies\\\\Microsoft\\\\Windows\\\\Control Panel\\\\Desktop] 1\n"
        b"\"ScreenSaveActive\"=\"1\"\n\"SCRNSAVE.EXE\"=\"C:\\\\WINDOWS\\\\FISHTA~1.SCR\"\n"
        b"\"ScreenSaveTimeOut\"=dword:00000258\n\"ScreenSaverIsSecure\"=str(2):\"0\"\n")


def main():
    root = sys.argv[1]
    for target, name, data in seeds():
        folder = os.path.join(root, target)
        os.makedirs(folder, exist_ok=True)
        with open(os.path.join(folder, name.replace(" ", "-")), "wb") as out:
            out.write(data)


if __name__ == "__main__":
    main()
