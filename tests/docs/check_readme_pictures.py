#!/usr/bin/env python3
"""Every picture the README shows is in the repository and is a real PNG of a sensible size.

Usage: check_readme_pictures.py PATH/TO/README.md"""

import os
import re
import struct
import sys


def main():
    readme = sys.argv[1]
    root = os.path.dirname(os.path.abspath(readme))
    with open(readme, encoding="utf-8") as f:
        text = f.read()
    pictures = re.findall(r'<img src="([^"]+)"', text) + re.findall(r"!\[[^\]]*\]\(([^)]+)\)",
                                                                     text)
    problems = []
    if len(pictures) < 2:
        problems.append(f"the README shows {len(pictures)} pictures, not the player and the "
                        "splicer")
    for picture in pictures:
        path = os.path.join(root, picture)
        if not os.path.isfile(path):
            problems.append(f"{picture}: missing (the e2e test readme_pictures makes it)")
            continue
        with open(path, "rb") as f:
            head = f.read(24)
        if head[:8] != b"\x89PNG\r\n\x1a\n":
            problems.append(f"{picture}: not a PNG file")
            continue
        width, height = struct.unpack(">II", head[16:24])
        if width < 400 or height < 300:
            problems.append(f"{picture}: {width}x{height} is too small to show anything")
        print(f"{picture}: {width}x{height}, {os.path.getsize(path)} bytes")
    for problem in problems:
        print(problem, file=sys.stderr)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
