#!/usr/bin/env python3
"""Writes the starting corpus of the fuzz targets into fuzz/seeds/: made-up preset dumps of
each model class, banks, all-banks files, libraries and settings texts. Run it again after
changing the layouts; the seeds are small and committed."""
import os
import random
import struct

SIZES = {1: [36] + [255] * 6 + [39], 2: [36] + [255] * 6 + [41], 3: [36] + [253] * 6 + [61]}
HERE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "seeds")


def dump(cls, seed, name=b"Pad:Warm Strings", low=0, high=0):
    rng = random.Random(seed)
    out = bytearray()
    for p, length in enumerate(SIZES[cls]):
        pkt = bytearray(length)
        pkt[0:6] = bytes([0xF0, 0x18, 0x0F, 0x00, 0x55, 0x10])
        if p == 0:
            pkt[6:9] = bytes([0x01, low, high])
            count = sum(l - 11 for l in SIZES[cls][1:])
            for i in range(4):
                pkt[9 + i] = (count >> (7 * i)) & 0x7F
            for i in range(13, 33):
                pkt[i] = rng.randrange(128)
        else:
            pkt[6:9] = bytes([0x02, p, 0x00])
            for i in range(9, length - 2):
                pkt[i] = rng.randrange(128)
            if p == 1:
                pkt[9:25] = name.ljust(16)[:16]
        pkt[length - 2] = (~sum(pkt[9:length - 2])) & 0x7F
        pkt[length - 1] = 0xF7
        out += pkt
    return bytes(out)


def selector(cls):
    return bytes([cls])


def write(target, name, data):
    folder = os.path.join(HERE, target)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)


def library(cls, count, records):
    out = bytearray(struct.pack("<i", count))
    for notes, d in records:
        for n in notes:
            out += n + b"\0"
        out += d
    return bytes(out)


for cls in (1, 2, 3):
    d = dump(cls, cls)
    write("fuzz_single_patch_reader", f"class{cls}.syx", selector(cls) + d)
    write("fuzz_bank_reader", f"class{cls}-bank4.syx",
          selector(cls) + b"".join(dump(cls, cls * 10 + i, low=i) for i in range(4)))
    write("fuzz_allbanks_reader", f"class{cls}-two.syx",
          selector(cls) + dump(cls, 5) + dump(cls, 6))
    recs = [((b"note", b"", b"x"), dump(cls, 7)), ((b"", b"", b""), dump(cls, 7, b"Oth:Copy")),
            ((b"a" * 20, b"b", b""), dump(cls, 8))]
    write("fuzz_library_reader", f"class{cls}-three.lib", selector(cls) + library(cls, 3, recs))
write("fuzz_library_reader", "empty.lib", selector(2) + struct.pack("<i", 0))

write("fuzz_settings_parser", "general",
      b"General\0FromTo\0Selected\0; comment\n[General]\nFromTo=Bank\nLoadSave = AllBanks\n")
write("fuzz_settings_parser", "synth",
      b"Proteus 2000_16\0PatchLib\0C:\\lib.lib\0[MidiDevices]\r\nInput=None\r\n\r\n"
      b"[proteus 2000_16]\r\nTimeBetweenSysex=40\r\n")
