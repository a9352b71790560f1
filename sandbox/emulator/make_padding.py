#!/usr/bin/env python3
"""Writes SIZE deterministic pseudo-random bytes to FILE: the stand-in installer's padding.

Random rather than zeros: a download that is resumed at a wrong offset, or that repeats or drops
a block, then yields a file whose digest differs from the package's.
Usage: make_padding.py FILE SIZE
"""
import hashlib
import sys


def main():
    path, size = sys.argv[1], int(sys.argv[2])
    block = hashlib.sha256(b"corvane stand-in installer padding").digest()
    chunks = []
    produced = 0
    while produced < size:
        # SHAKE stretches one seed into 1 MiB at a time; each step's seed comes from the last.
        chunk = hashlib.shake_256(block).digest(1 << 20)
        block = chunk[-32:]
        chunks.append(chunk)
        produced += len(chunk)
    with open(path, "wb") as out:
        out.write(b"".join(chunks)[:size])


if __name__ == "__main__":
    main()
