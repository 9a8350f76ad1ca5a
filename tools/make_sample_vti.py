#!/usr/bin/env python3
"""Writes samples/HVDVD_TS/HVA00001.VTI, the title set information of the
sample title: one attribute entry describing the streams of FEATURE_1.EVO
and FEATURE_2.EVO, and one information entry per EVOB. Big-endian, sectors
of 2048 bytes; the same bytes on every run.

Usage: tools/make_sample_vti.py [OUTPUT]
"""
import os
import struct
import sys

SECTOR = 2048
ATTR_SECTOR = 1  # A: the VTS_EVOB_ATR table
INFO_SECTOR = 2  # B: the VTS_EVOBI table
FIRST_ATTR_OFFSET = 16  # C

# (file name, size in bytes, start PTM, end PTM) of the sample EVOBs.
EVOBS = [
    ("FEATURE_1.EVO", 3753984, 0x17124, 0x6F0CC),
    ("FEATURE_2.EVO", 3749888, 0x6F0CC, 0xC7074),
]

ADVANCED_VTS = 2 << 12  # application type in the EVOBI type word
SUB_VIDEO_PRESENT = 1 << 10


def video(compression, tv_system, aspect, scan_type, resolution):
    return compression << 29 | tv_system << 26 | aspect << 24 | scan_type << 20 | resolution << 12


def audio(coding, frequency, quantization, channels):
    return bytes([coding << 2, frequency << 5, quantization << 6 | (channels - 1) << 2, 0])


VC1, AVC = 3, 2
FULL_HD, ASPECT_16_9, PROGRESSIVE, TV_525_60 = 12, 3, 1, 0
DD, MLP, DTS, LPCM = 7, 1, 6, 5
KHZ_48, BITS_16, BITS_24 = 0, 0, 2

MAIN_AUDIO = [
    audio(DD, KHZ_48, BITS_16, 6),    # E-AC-3 5.1
    audio(DD, KHZ_48, BITS_16, 6),    # AC-3 5.1
    audio(DTS, KHZ_48, BITS_16, 6),   # DTS 5.1
    audio(MLP, KHZ_48, BITS_24, 6),   # TrueHD 5.1, 24 bit
    audio(LPCM, KHZ_48, BITS_16, 2),  # LPCM 2.0, 16 bit
]
SUBPICTURES = [bytes([1 << 5, 0, 0, 0, 0]),  # 2 bit RLE
               bytes([4 << 5, 0, 0, 0, 0])]  # 8 bit RLE


def attr_entry():
    e = struct.pack(">HII", SUB_VIDEO_PRESENT,
                    video(VC1, TV_525_60, ASPECT_16_9, PROGRESSIVE, FULL_HD),
                    video(AVC, TV_525_60, ASPECT_16_9, PROGRESSIVE, FULL_HD))
    e += struct.pack(">HHH", 0, 0, len(MAIN_AUDIO))
    e += b"".join(MAIN_AUDIO).ljust(32, b"\0") + bytes(144)
    e += struct.pack(">H", 0) + bytes(32) + struct.pack(">HH", 0, len(SUBPICTURES))
    e += b"".join(SUBPICTURES).ljust(160, b"\0") + bytes(64 + 64)
    return e.ljust(1024, b"\0")


def info_entry(index, name, address, size, start, end):
    e = struct.pack(">H", ADVANCED_VTS) + name.encode("ascii").ljust(256, b"\0")
    e += struct.pack(">IIIIIH", address, 1, start, end, size, index)
    return e.ljust(320, b"\0")


def header():
    h = b"ADVANCED-VTS".ljust(184, b"\0") + struct.pack(">II", ATTR_SECTOR, INFO_SECTOR)
    return h.ljust(SECTOR, b"\0")


def attr_table():
    t = struct.pack(">HHII", 1, 0, 0, FIRST_ATTR_OFFSET).ljust(FIRST_ATTR_OFFSET, b"\0")
    return (t + attr_entry()).ljust(SECTOR, b"\0")


def info_table():
    t = struct.pack(">II", len(EVOBS), 0) + bytes(4 * len(EVOBS))
    address = 0
    for index, (name, size, start, end) in enumerate(EVOBS, 1):
        blocks = size // SECTOR
        t += info_entry(index, name, address, blocks, start, end)
        address += blocks
    return t.ljust(SECTOR, b"\0")


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "samples", "HVDVD_TS", "HVA00001.VTI")
    with open(out, "wb") as f:
        f.write(header() + attr_table() + info_table())


if __name__ == "__main__":
    main()
