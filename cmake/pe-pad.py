#!/usr/bin/env python3
"""Pads a PE image with zero bytes to a multiple of 8 and rewrites its
header checksum.

    pe-pad.py FILE

Authenticode signing pads an image to a multiple of 8 before it appends the
signature, and removing the signature later keeps that padding. An image
that is already padded therefore comes back byte for byte when a signature
is removed, so a signed download can be compared with an unsigned build.
"""
import struct
import sys


def pe_checksum(data, field):
    """The PE header checksum of data, the 4 bytes at field counted as 0."""
    data = data[:field] + b"\0\0\0\0" + data[field + 4:]
    if len(data) % 2:
        data += b"\0"
    total = 0
    for (word,) in struct.iter_unpack("<H", data):
        total += word
        total = (total & 0xFFFF) + (total >> 16)
    return ((total & 0xFFFF) + (total >> 16) + len(data)) & 0xFFFFFFFF


def main():
    path = sys.argv[1]
    with open(path, "rb") as f:
        data = f.read()
    if data[:2] != b"MZ":
        sys.exit(f"pe-pad: {path} is not a PE image")
    (pe,) = struct.unpack_from("<I", data, 0x3C)
    if data[pe:pe + 4] != b"PE\0\0":
        sys.exit(f"pe-pad: {path} is not a PE image")
    data += b"\0" * (-len(data) % 8)
    # CheckSum sits at offset 64 of the optional header in PE32 and PE32+.
    field = pe + 24 + 64
    data = data[:field] + struct.pack("<I", pe_checksum(data, field)) + data[field + 4:]
    with open(path, "wb") as f:
        f.write(data)


if __name__ == "__main__":
    main()
