#!/usr/bin/env python3
"""Counts the packets of each stream in MPEG program stream files (VOB, EVO).

    pack_census.py [--json] FILE...

Per file and per stream (stream id, and for private stream 1 the substream
id, e.g. "0xBD/0x80"): the number of PES packets, the PTS of the first
packet that has one (90 kHz, hex and decimal, with the packet's index in
that stream), whether the stream's first packet in the file has a PTS, and
the size and MD5 of the stream's payload: the PES payload less the substream
header (1 byte for subpictures, 4 for AC-3, DTS and DD+, 5 for TrueHD, 7 for
LPCM), which is the elementary stream as carried.
A file cut in the middle of a title may start with a packet that continues
a frame, so its first video packet has no PTS; this shows that.

The file is walked start code by start code (pack header, system header,
PES packets), so packs need not be 2048 bytes. Bytes that are not a start
code are skipped up to the next pack header and reported.
"""

import hashlib
import json
import sys

PACK, SYSTEM, END = 0xBA, 0xBB, 0xB9
NO_HEADER = {0xBC, 0xBE, 0xBF, 0xF0, 0xF1, 0xF2, 0xF8, 0xFF}  # no PES header extension


def substream_header(sub):
    if 0xA0 <= sub <= 0xAF:
        return 7
    if 0xB0 <= sub <= 0xBF:
        return 5
    if 0x80 <= sub <= 0x8F or 0xC0 <= sub <= 0xCF:
        return 4
    return 1


def read_pts(b):
    return (((b[0] >> 1) & 7) << 30) | (b[1] << 22) | ((b[2] >> 1) << 15) | (b[3] << 7) | (b[4] >> 1)


def census(path):
    data = open(path, "rb").read()
    streams = {}
    order = []
    packs = 0
    skipped = 0
    pos, n = 0, len(data)
    while pos + 4 <= n:
        if data[pos:pos + 3] != b"\x00\x00\x01":
            nxt = data.find(b"\x00\x00\x01\xba", pos + 1)
            nxt = n if nxt < 0 else nxt
            skipped += nxt - pos
            pos = nxt
            continue
        code = data[pos + 3]
        if code == PACK:
            packs += 1
            if pos + 14 > n:
                break
            if data[pos + 4] >> 6 == 1:  # MPEG-2 pack header
                pos += 14 + (data[pos + 13] & 7)
            else:                         # MPEG-1 pack header
                pos += 12
            continue
        if code == END:
            pos += 4
            continue
        if pos + 6 > n:
            break
        length = (data[pos + 4] << 8) | data[pos + 5]
        body = data[pos + 6:pos + 6 + length]
        pos += 6 + length
        if code == SYSTEM or code < 0xB9:
            continue
        pts = None
        payload = 0
        if code not in NO_HEADER and len(body) >= 3 and body[0] >> 6 == 2:
            if body[1] & 0x80 and len(body) >= 8:
                pts = read_pts(body[3:8])
            payload = 3 + body[2]
        key = "0x%02X" % code
        if code == 0xBD and payload < len(body):
            key += "/0x%02X" % body[payload]
            payload += substream_header(body[payload])
        s = streams.get(key)
        if s is None:
            s = streams[key] = {"stream": key, "packets": 0, "first_pts": None,
                                "first_pts_packet": None, "first_packet_has_pts": pts is not None,
                                "payload_bytes": 0, "md5": hashlib.md5()}
            order.append(key)
        if code not in NO_HEADER:
            s["payload_bytes"] += max(0, len(body) - payload)
            s["md5"].update(body[payload:])
        if pts is not None and s["first_pts"] is None:
            s["first_pts"] = pts
            s["first_pts_packet"] = s["packets"]
        s["packets"] += 1
    for s in streams.values():
        s["md5"] = s["md5"].hexdigest() if s["payload_bytes"] else None
    return {"file": path, "size": n, "packs": packs, "skipped_bytes": skipped,
            "first_stream": order[0] if order else None,
            "streams": [streams[k] for k in sorted(order)]}


def main(argv):
    as_json = "--json" in argv
    files = [a for a in argv if a != "--json"]
    if "-h" in files or "--help" in files:
        sys.stdout.write(__doc__)
        return 0
    if not files:
        sys.stderr.write(__doc__)
        return 2
    results = [census(f) for f in files]
    if as_json:
        json.dump(results, sys.stdout, indent=1)
        print()
        return 0
    print("(1st PTS?: whether the stream's first packet in the file has a PTS; payload: the"
          " elementary stream as carried, see --help)")
    for r in results:
        print("%s: %d bytes, %d packs%s, first PES: %s" % (
            r["file"], r["size"], r["packs"],
            ", %d bytes skipped" % r["skipped_bytes"] if r["skipped_bytes"] else "",
            r["first_stream"]))
        print("  %-10s %8s  %-10s %11s %9s  %-8s %9s  %s" % (
            "stream", "packets", "first PTS", "(decimal)", "at packet", "1st PTS?",
            "payload", "payload MD5"))
        for s in r["streams"]:
            if s["first_pts"] is None:
                pts = "%-10s %11s %9s" % ("-", "-", "-")
            else:
                pts = "0x%08X %11d %9d" % (s["first_pts"], s["first_pts"], s["first_pts_packet"])
            print("  %-10s %8d  %s  %-8s %9d  %s" % (
                s["stream"], s["packets"], pts, "yes" if s["first_packet_has_pts"] else "no",
                s["payload_bytes"], s["md5"] or "-"))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
