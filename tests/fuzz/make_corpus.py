#!/usr/bin/env python3
# Writes the small seed corpora of the fuzzers (tests/fuzz/corpus/<name>/):
# python3 tests/fuzz/make_corpus.py. The shipped weapon file gives the
# weapon-file seeds; the others are made here.
import os, struct, sys

root = os.path.dirname(os.path.abspath(__file__))
out = os.path.join(root, "corpus")


def write(kind, name, data):
    os.makedirs(os.path.join(out, kind), exist_ok=True)
    with open(os.path.join(out, kind, name), "wb") as f:
        f.write(data)


# Weapon files: the first weapons, an object section, a special-object section.
arms = open(os.path.join(root, "..", "..", "data", "arms.dat"), "rb").read().split(b"\r\n")
def section(start_key, lines=30):
    i = next(k for k, l in enumerate(arms) if l.startswith(start_key))
    return b"\r\n".join(arms[i:i + lines]) + b"\r\n"
write("arms", "weapons", b"\r\n".join(arms[:60]) + b"\r\n")
write("arms", "object", section(b"OBJECT:"))
write("arms", "sobject", section(b"SOBJECT:"))
# A weapon whose splinters explode into each other: objects 1 -> 2 -> 1.
write("arms", "splinter-chain", b"ORDER:1\r\nSPLINTERAMOUNT:4\r\nSPLINTERTYPE:1\r\nGROUNDEXPLODE:1\r\n"
      b"OBJECT:\r\nSPLINTERAMOUNT:2\r\nSPLINTERTYPE:2\r\nTIMETOEXPLODE:4\r\n"
      b"OBJECT:\r\nSPLINTERAMOUNT:2\r\nSPLINTERTYPE:1\r\nGROUNDREMOVE:1\r\n")


# Levels: 8-bit with a palette (bottom-up and top-down), 24-bit.
def bmp(width, height, bits, top_down=False):
    stride = (width * bits // 8 + 3) & ~3
    palette = b"".join(bytes((i, 255 - i, i // 2, 0)) for i in range(256)) if bits == 8 else b""
    pixels = b"".join(bytes((x * 7 + y) & 255 for x in range(width * bits // 8)).ljust(stride, b"\0")
                      for y in range(height))
    offset = 54 + len(palette)
    header = b"BM" + struct.pack("<IHHI", offset + len(pixels), 0, 0, offset)
    info = struct.pack("<IiiHHIIiiII", 40, width, -height if top_down else height, 1, bits, 0, len(pixels),
                       2835, 2835, 256 if bits == 8 else 0, 0)
    return header + info + palette + pixels
write("level", "8bit", bmp(12, 6, 8))
write("level", "8bit-top-down", bmp(5, 3, 8, True))
write("level", "24bit", bmp(3, 4, 24))

# One full worm record with most fields unchanged (byte 128).
def worm(name, x):
    r = name + b"\0" + b"\x01" + struct.pack(">I", x * 100)[1:] + b"\x80" * 5 + b"\x80" + b"\x00\x64" + b"\x01"
    r += b"\x80\x80" + b"\x00\x0f" + b"\x80" + b"\x80" + b"\x00" * 8 + b"\x00" + b"\x80" * 4 + b"\x80\x80"
    r += b"\x80\x00" * 5
    return r
events = b"d\x00\x28\x00\x32\x00\x06" + b"chello\0" + b"w\x80\x00\x0b\xb8\x00\x0b\xb8\x80\x80\x01"
events += b"o\x80\x00\x0b\xb8\x00\x0b\xb8\x00\x00\x96\x80\x02" + b"s\x00\x04\x00\x0b\xb8\x00\x0b\xb8\x80\x80\x01"

# Batches as the client receives them: arrivals of a length byte and bytes.
def arrivals(data, size):
    return b"".join(bytes((len(c),)) + c for c in (data[i:i + size] for i in range(0, len(data), size)))
batch = b"C\x00\x0f\x00\x64\x01" + b"n\x03" + events + b"p" + worm(b"Anna", 50) + b"p" + worm(b"Alf", 80)
batch += b"i" + worm(b"Bert", 120)[:40] + b"p" + worm(b"Bert", 120)
write("batch", "whole", arrivals(batch, 255))
write("batch", "pieces", arrivals(batch + b"n\x04" + b"p" + worm(b"X", 9) * 1, 7))

# Sessions: a control byte (client in bit 0, length - 1 in bits 2..7), bytes.
def session(chunks):
    return b"".join(bytes((((len(c) - 1) << 2) | who,)) + c for who, c in chunks)
hello = b"$KREL0.82.0.0C\x00\x0f\x00\x64\x01"
states = b"p" + worm(b"Anna", 50) + b"p" + worm(b"Alf", 80)
write("session", "two-clients", session([(0, hello), (1, hello), (0, states[:60]), (0, states[60:]),
                                         (1, states[:60]), (1, states[60:])]))
write("session", "events", session([(0, hello), (0, events + b"f\x01\x02"), (0, states[:60]), (0, states[60:])]))
# A client that asks to play pipelined (its "C" twice) beside one that does
# not, several frames ahead.
ahead = states * 3 + events
write("session", "pipelined", session([(0, hello + hello[13:]), (1, hello)] +
                                      [(0, ahead[i:i + 64]) for i in range(0, len(ahead), 64)] +
                                      [(1, states[:60]), (1, states[60:])]))
batch_p = b"C\x00\x0f\x00\x64\x01" + b"P\x01" + b"n\x02" + b"p" + worm(b"Anna", 50) + b"p" + worm(b"Alf", 80)
write("batch", "pipelined", arrivals(batch_p + b"n\x04" + events, 9))

# Open play: two clients that ask for it (their "C" three times) start a
# game; a third connects during it (its byte goes to the second client); a
# level nobody asked for, a level checksum, a token, a watch request.
open_hello = hello + hello[13:] + hello[13:]
open_frames = states * 2
write("session", "open-play", session(
    [(0, open_hello), (1, open_hello)] + [(w, open_frames[i:i + 64]) for w in (0, 1)
                                          for i in range(0, len(open_frames), 64)] +
    [(3, b"chi\0"), (0, b"Z\x00\x00\x00\x04LVL!"), (1, b"K\x00\x00\x00\x02\x00\x00\x00\x07"),
     (1, b"T12345678W")]))
# A client in open play: the answers, a batch, a departure, a join and a
# request for the level, then a level again with the digs since.
open_batch = b"C\x00\x0f\x00\x64\x01P\x01O\x01T12345678" + b"n\x04" + b"p" + worm(b"Anna", 50) + b"p" + worm(b"Alf", 80)
open_batch += b"p" + worm(b"Bert", 120) + b"p" + worm(b"Bob", 130) + b"L\x03" + b"A" + b"Q" + b"n\x04"
open_batch += b"Y\x00\x00\x00\x04\x00\x01\x00\x01" + b"\x00\x00\x00\x07d\x00\x28\x00\x32\x00\x06"
write("batch", "open-play", arrivals(open_batch, 13))

# At and over the work bound of one frame (a session) and of one batch (the
# client), so the fuzzers start at the edges of protocol/event_limits.h.
dig = b"d\x00\x28\x00\x32\x00\x06"
def chunks(data, size=64):
    return [data[i:i + size] for i in range(0, len(data), size)]
flood = dig * 1025 + states
write("session", "over-the-bound", session([(0, hello), (1, hello)] + [(1, c) for c in chunks(flood)]))
write("batch", "over-the-bound", arrivals(b"n\x02" + dig * 8193, 255))

# List-server datagrams: [length / 8][sender][port][time step] then the bytes.
def datagrams(items):
    out = b""
    for sender, port, step, d in items:
        d = d + b"\0" * (-len(d) % 8)
        out += bytes((len(d) // 8, sender, port, step)) + d
    return out
register = b"KRLSR" + b"\0" * 8 + struct.pack(">HBB", 17384, 2, 0)
query = b"KRLSQ" + b"\0" * 10 + b"\0" * 33
write("list", "register-query", datagrams([(0, 1, 1, register), (0, 1, 1, register), (1, 2, 50, register), (3, 1, 2, query)]))
write("list", "answer-token", datagrams([(2, 0, 0, b"KRLST" + b"\1" * 8), (2, 0, 255, b"KRLSA" + b"\0" * 4 + b"\1\1" + b"\x7f\0\0\1\x43\xe8\2\0")]))
