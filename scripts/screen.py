#!/usr/bin/python3
"""Screenshots of an X display with Pillow, and whether a picture shows anything.

  screen.py grab DISPLAY OUT.png [WIDTHxHEIGHT]   the screen (or its top-left corner) as PNG
  screen.py shows DISPLAY [WIDTHxHEIGHT]          exit 0 when the screen is not one flat colour
  screen.py check PICTURE...                      exit 0 when no picture is one flat colour

Debian's Pillow (python3-pil) reads the display through XCB; run it with the system's Python."""
import sys

from PIL import Image, ImageGrab


def grab(display, size=None):
    picture = ImageGrab.grab(xdisplay=display)
    if size:
        width, height = (int(n) for n in size.split("x"))
        picture = picture.crop((0, 0, width, height))
    return picture.convert("RGB")


def flat(picture):
    """True when every pixel has the same colour."""
    return all(low == high for low, high in picture.getextrema())


def main(argv):
    if len(argv) >= 3 and argv[0] == "grab":
        grab(argv[1], argv[3] if len(argv) > 3 else None).save(argv[2])
        return 0
    if len(argv) >= 2 and argv[0] == "shows":
        return 1 if flat(grab(argv[1], argv[2] if len(argv) > 2 else None)) else 0
    if len(argv) >= 2 and argv[0] == "check":
        status = 0
        for path in argv[1:]:
            with Image.open(path) as picture:
                if flat(picture.convert("RGB")):
                    print(f"screen: {path} is one flat colour", file=sys.stderr)
                    status = 1
        return status
    print(__doc__, file=sys.stderr)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
