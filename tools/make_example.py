#!/usr/bin/env python3
"""Writes examples/demo-program.bin: a 48 KiB sample program file for the demo.

It is not a real console program: a header naming it, then a repeating pattern, so that a
byte-exact transfer is easy to see. Run from the repository's top folder.
"""
header = b"VARNOK DEMO PROGRAM - load at 06004000\x00"
size = 48 * 1024
body = bytes((i * 37 + (i >> 8)) & 0xFF for i in range(size - len(header)))
with open("examples/demo-program.bin", "wb") as f:
    f.write(header + body)
