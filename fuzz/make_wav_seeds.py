#!/usr/bin/env python3
"""Seeds for the join fuzzer: small WAV files of every kind the joiner meets, and some no
program should write. Usage: make_wav_seeds.py FOLDER

Every PCM container width of 1 to 8 bytes with valid bits from 1 to 64, 1 to 8 channels (up
to 18 in extensible records with a channel mask, odd masks too), float 32/64, mu-law, A-law,
IMA and Microsoft ADPCM and GSM (made by sox when it is installed), RF64, big-endian,
truncated and self-contradicting headers, rates from 1 Hz to 384 kHz."""

import os
import shutil
import struct
import subprocess
import sys
import tempfile

GUID_TAIL = bytes([0x00, 0x00, 0x10, 0x00, 0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71])


def sound(n, seed):
    # A cheap deterministic mixture of a ramp and noise: all byte values occur.
    out = bytearray(n)
    x = seed * 2654435761 & 0xFFFFFFFF
    for i in range(n):
        x = (x * 1103515245 + 12345) & 0xFFFFFFFF
        out[i] = (x >> 16 ^ i * 7) & 0xFF
    return bytes(out)


def fmt_chunk(tag, channels, rate, bits, align, extra=None, avg=None):
    body = struct.pack("<HHIIHH", tag, channels, rate,
                       rate * align if avg is None else avg, align, bits)
    if extra is not None:
        body += struct.pack("<H", len(extra)) + extra
    return body


def extensible(valid, mask, sub=1):
    return struct.pack("<HII", valid, mask, sub) + GUID_TAIL


def chunk(cid, body, declared=None):
    size = len(body) if declared is None else declared
    return cid + struct.pack("<I", size) + body + (b"\0" if len(body) % 2 else b"")


def riff(chunks, form=b"WAVE", magic=b"RIFF"):
    body = form + b"".join(chunks)
    return magic + struct.pack("<I", len(body)) + body


def wav(fmt, data, declared=None, before=()):
    return riff([*before, chunk(b"fmt ", fmt), chunk(b"data", data, declared)])


def seeds():
    n = 0
    # Every container width and every number of valid bits that fits in it.
    for width in range(1, 9):
        for bits in range(8 * width - 7, 8 * width + 1):
            ch = 1 + (bits % 3)
            yield f"pcm_w{width}_b{bits}", wav(fmt_chunk(1, ch, 8000, bits, width * ch),
                                               sound(width * ch * 7, bits))
    # Channel counts, plain and extensible (with the usual, odd and empty masks).
    for ch in range(1, 9):
        yield f"pcm16_c{ch}", wav(fmt_chunk(1, ch, 11025, 16, 2 * ch), sound(2 * ch * 9, ch))
    masks = [0x4, 0x3, 0x7, 0x33, 0x37, 0x3F, 0x70F, 0x63F, 0x3FFFF, 0x80000000, 0x5, 0xC,
             0xFFFFFFFF, 0]
    for ch in (1, 2, 3, 4, 6, 8, 12, 18):
        for mask in masks:
            n += 1
            width = 1 + n % 4
            yield f"ext_c{ch}_m{mask:x}", wav(
                fmt_chunk(0xFFFE, ch, 22050, 8 * width, width * ch,
                          extensible(8 * width - n % 5, mask)),
                sound(width * ch * 5, n))
    # Float, G.711, in plain and extensible records.
    for bits in (32, 64):
        yield f"float{bits}", wav(fmt_chunk(3, 2, 48000, bits, bits // 4),
                                  struct.pack("<4f", 0.5, -0.5, 2.0, float("nan"))
                                  if bits == 32 else struct.pack("<4d", 0.5, -1, 1e300, -0.0))
        yield f"ext_float{bits}", wav(
            fmt_chunk(0xFFFE, 2, 96000, bits, bits // 4, extensible(bits, 3, 3)),
            sound(bits // 4 * 6, bits))
    for tag, name in ((6, "alaw"), (7, "mulaw")):
        yield name, wav(fmt_chunk(tag, 1, 8000, 8, 1), sound(40, tag))
        yield f"ext_{name}", wav(fmt_chunk(0xFFFE, 2, 8000, 8, 2, extensible(8, 3, tag)),
                                 sound(40, tag))
    # Rates from far below to far above any recording's.
    for rate in (1, 7, 1000, 2000, 2755, 2756, 3000, 44100, 192000, 384000):
        yield f"rate{rate}", wav(fmt_chunk(1, 2, rate, 16, 4), sound(4 * 12, rate))
    # Damaged and contradicting headers.
    good = fmt_chunk(1, 2, 44100, 16, 4)
    yield "cut_short", wav(good, sound(40, 1), declared=4000)
    yield "data_size_open", wav(good, sound(40, 2), declared=0xFFFFFFFF)
    yield "align_too_small", wav(fmt_chunk(1, 3, 8000, 24, 4), sound(40, 3))
    yield "align_odd", wav(fmt_chunk(1, 2, 8000, 16, 5), sound(40, 4))
    yield "bits_0", wav(fmt_chunk(1, 2, 8000, 0, 4), sound(40, 5))
    yield "bits_72", wav(fmt_chunk(1, 1, 8000, 72, 9), sound(45, 6))
    yield "channels_0", wav(fmt_chunk(1, 0, 8000, 16, 4), sound(40, 7))
    yield "rate_0", wav(fmt_chunk(1, 2, 0, 16, 4), sound(40, 8))
    yield "fmt_short", riff([chunk(b"fmt ", good[:12]), chunk(b"data", sound(40, 9))])
    yield "no_data", riff([chunk(b"fmt ", good)])
    yield "junk_first", wav(good, sound(40, 10), before=[chunk(b"JUNK", bytes(27))])
    yield "ext_short", wav(fmt_chunk(0xFFFE, 2, 8000, 16, 4, b"\x10\x00\x03"), sound(40, 11))
    yield "ext_unknown_sub", wav(fmt_chunk(0xFFFE, 2, 8000, 16, 4, extensible(16, 3, 0x55)),
                                 sound(40, 12))
    yield "riff_size_huge", riff([chunk(b"fmt ", good), chunk(b"data", sound(40, 13))])[:4] + \
        b"\xff\xff\xff\x7f" + riff([chunk(b"fmt ", good), chunk(b"data", sound(40, 13))])[8:]
    yield "rifx", riff([chunk(b"fmt ", good), chunk(b"data", sound(40, 14))], magic=b"RIFX")
    ds64 = struct.pack("<QQQI", 0, 40, 0, 0)
    yield "rf64", riff([chunk(b"ds64", ds64), chunk(b"fmt ", good),
                        chunk(b"data", sound(40, 15), 0xFFFFFFFF)], magic=b"RF64")
    yield "ima_made_up", wav(fmt_chunk(0x11, 1, 8000, 4, 256, struct.pack("<H", 505),
                                       avg=4055), sound(512, 16))
    yield "msadpcm_made_up", wav(fmt_chunk(2, 1, 8000, 4, 256, bytes(32), avg=4096),
                                 sound(512, 17))


def codec_seeds(folder):
    """Compressed files as a real encoder writes them."""
    if not shutil.which("sox"):
        return
    with tempfile.TemporaryDirectory() as tmp:
        for encoding, name, channels in (("ima-adpcm", "ima", 1), ("ima-adpcm", "ima_st", 2),
                                         ("ms-adpcm", "msadpcm", 2), ("gsm-full-rate", "gsm", 1)):
            out = os.path.join(tmp, name + ".wav")
            subprocess.run(["sox", "-n", "-r", "8000", "-c", str(channels), "-e", encoding, out,
                            "synth", "0.1", "sine", "440"], check=False,
                           stderr=subprocess.DEVNULL)
            if os.path.exists(out):
                shutil.copy(out, os.path.join(folder, "codec_" + name + ".wav"))


def main():
    folder = sys.argv[1]
    os.makedirs(folder, exist_ok=True)
    count = 0
    for name, data in seeds():
        with open(os.path.join(folder, name + ".wav"), "wb") as f:
            f.write(data)
        count += 1
    codec_seeds(folder)
    print(f"{count} seeds and the encoded ones in {folder}")


if __name__ == "__main__":
    main()
