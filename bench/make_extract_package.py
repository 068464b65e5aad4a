#!/usr/bin/env python3
"""Writes the benchmark package: about 200 MiB in a few thousand files, made up at run time.

    make_package.py OUT.zip [--files 3000] [--mib 200]

Sizes vary from a few hundred bytes to a few MiB, as in a real product folder; content is half
random (like code and compressed media) and half repetitive text, deflated as a publisher would.
"""
import argparse
import os
import random
import zipfile


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("out")
    parser.add_argument("--files", type=int, default=3000)
    parser.add_argument("--mib", type=int, default=200)
    args = parser.parse_args()

    rng = random.Random(49)
    weights = [rng.paretovariate(1.2) for _ in range(args.files)]
    scale = args.mib * 1024 * 1024 / sum(weights)
    text = b"Orbelin video converter resource line %d: codec tables, presets and UI strings.\n"
    with zipfile.ZipFile(args.out, "w", zipfile.ZIP_DEFLATED, compresslevel=6) as archive:
        for i, weight in enumerate(weights):
            size = max(200, int(weight * scale))
            half = size // 2
            body = os.urandom(half)
            lines = b"".join(text % n for n in range(half // 70 + 1))
            body += lines[: size - half]
            archive.writestr("pkg/dir%02d/sub%d/file%04d.bin" % (i % 40, i % 7, i), body)


if __name__ == "__main__":
    main()
