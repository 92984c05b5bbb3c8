#!/usr/bin/env python3
"""Writes res/varnok.ico: the program's 32 x 32, 16-colour icon (also its small icon).

The picture: a grey cartridge with a blue label, a yellow arrow going into it, a progress bar below.
Run from the repository's top folder; the .ico is checked in, so this runs only when the
picture changes.
"""
import struct

# The standard 16-colour VGA palette (index: (r, g, b)).
PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128), (0, 128, 128),
    (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0), (0, 0, 255),
    (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
# One character a pixel: '.' transparent, else a hex palette index.
ROWS = [
    "................................",
    "................................",
    "......8888888888888888888.......",
    ".....87777777777777777777f8.....",
    ".....87ffffffffffffffffff78.....",
    ".....87f4444444444444444f78.....",
    ".....87f4cccccccccccccc4f78.....",
    ".....87f4cfffffffffffcc4f78.....",
    ".....87f4cccccccccccccc4f78.....",
    ".....87f4cffffffffccccc4f78.....",
    ".....87f4cccccccccccccc4f78.....",
    ".....87f4cfffffcccccccc4f78.....",
    ".....87f4cccccccccccccc4f78.....",
    ".....87f4444444444444444f78.....",
    ".....87ffffffffffffffffff78.....",
    ".....8777777777777777777778.....",
    ".....8777777777bbb777777778.....",
    ".....8777777777bbb777777778.....",
    ".....8777777777bbb777777778.....",
    ".....8777777777bbb777777778.....",
    ".....87777777bbbbbbb7777778.....",
    ".....888888888bbbbb88888888.....",
    "......878787878bbb87878787......",
    "......8787878787b878787878......",
    "......8888888888888888888.......",
    "................................",
    "....0000000000000000000000000...",
    "....0aaaaaaaaaaaaaaaaaaaaaaa0...",
    "....0000000000000000000000000...",
    "................................",
    "................................",
    "................................",
]


def main():
    width = height = 32
    rows = [(r.replace(" ", "7") + "." * width)[:width] for r in ROWS]
    xor = bytearray()
    mask = bytearray()
    for row in reversed(rows):  # bitmaps are stored bottom-up
        nibbles = [0 if c == "." else int(c, 16) for c in row]
        for i in range(0, width, 2):
            xor.append((nibbles[i] << 4) | nibbles[i + 1])
        bits = 0
        for i, c in enumerate(row):
            if c == ".":
                bits |= 1 << (31 - i)
        mask += struct.pack(">I", bits)
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in PALETTE)
    header = struct.pack("<IiiHHIIiiII", 40, width, height * 2, 1, 4, 0, len(xor) + len(mask), 0, 0, 16, 0)
    image = header + palette + bytes(xor) + bytes(mask)
    icondir = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", width, height, 16, 0, 1, 4, len(image), 6 + 16)
    with open("res/varnok.ico", "wb") as f:
        f.write(icondir + entry + image)


if __name__ == "__main__":
    main()
