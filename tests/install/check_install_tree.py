"""`cmake --install` into a temporary prefix: the three programs under bin/, the icons in the
hicolor theme at the sizes named by their folders, a menu entry and AppStream metainfo for
each window program that the freedesktop and AppStream validators accept, and a manual page
for wavsplice that explains every option its help lists."""

import argparse
import gzip
import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile

PROGRAMS = {"tavrel": "org.tavrel.tavrel", "splicer": "org.tavrel.splicer"}
ICON_SIZES = (48, 256)


def png_size(path):
    with open(path, "rb") as f:
        head = f.read(24)
    assert head[:8] == b"\x89PNG\r\n\x1a\n", f"{path} is not a PNG"
    return struct.unpack(">II", head[16:24])


def desktop_entry(path):
    entry = {}
    with open(path, encoding="utf-8") as f:
        for line in f:
            if "=" in line and not line.startswith("#"):
                key, value = line.rstrip("\n").split("=", 1)
                entry[key] = value
    return entry


def run(*argv):
    r = subprocess.run(argv, capture_output=True, text=True)
    out = (r.stdout + r.stderr).strip()
    assert r.returncode == 0, f"{' '.join(argv)} failed ({r.returncode}):\n{out}"
    return out


def check(root):
    usr = os.path.join(root, "usr")
    for program in ("tavrel", "splicer", "wavsplice"):
        path = os.path.join(usr, "bin", program)
        assert os.access(path, os.X_OK), f"{path} is missing or not executable"

    share = os.path.join(usr, "share")
    entries = []
    for program, app_id in PROGRAMS.items():
        icons = os.path.join(share, "icons", "hicolor")
        svg = os.path.join(icons, "scalable", "apps", app_id + ".svg")
        assert open(svg, encoding="utf-8").read().lstrip().startswith("<svg"), svg
        for size in ICON_SIZES:
            png = os.path.join(icons, f"{size}x{size}", "apps", app_id + ".png")
            assert png_size(png) == (size, size), f"{png} is {png_size(png)}"

        entry_path = os.path.join(share, "applications", app_id + ".desktop")
        entry = desktop_entry(entry_path)
        assert entry["Exec"].split()[0] == program, entry["Exec"]
        assert entry["Icon"] == app_id, entry["Icon"]
        entries.append(entry_path)
        assert os.path.exists(os.path.join(share, "metainfo", app_id + ".metainfo.xml"))

    player = desktop_entry(os.path.join(share, "applications", "org.tavrel.tavrel.desktop"))
    # The player takes the one file the desktop hands it; the splicer takes none.
    assert player["Exec"] == "tavrel %f", player["Exec"]
    assert player["Categories"] == "AudioVideo;Audio;Player;", player["Categories"]
    assert player["MimeType"] == "audio/x-wav;audio/mpeg;audio/x-ms-wma;", player["MimeType"]
    splicer = desktop_entry(os.path.join(share, "applications", "org.tavrel.splicer.desktop"))
    assert splicer["Exec"] == "splicer", splicer["Exec"]
    assert splicer["Categories"] == "AudioVideo;Audio;AudioVideoEditing;", splicer["Categories"]

    print(run("desktop-file-validate", *entries) or "desktop-file-validate: no problems")
    print(run("appstreamcli", "validate-tree", "--no-net", "--pedantic", root))

    # Every option the program's own help lists is explained on the manual page.
    man = os.path.join(share, "man", "man1", "wavsplice.1.gz")
    with gzip.open(man, "rt", encoding="utf-8") as f:
        page = f.read()
    assert page.startswith(".TH WAVSPLICE 1"), man
    page = page.replace("\\-", "-")
    help_text = run(os.path.join(usr, "bin", "wavsplice"), "--help")
    options = set(re.findall(r"(?<![\w-])--?[a-z][a-z-]*", help_text))
    assert {"-o", "--output", "--no-header", "-h", "--help"} <= options, options
    for option in sorted(options):
        assert re.search(r"(?<![\w-])" + re.escape(option) + r"(?![\w-])", page), \
            f"the manual page does not explain {option}"


def main():
    p = argparse.ArgumentParser()
    p.add_argument("--cmake", required=True)
    p.add_argument("--build-dir", required=True)
    args = p.parse_args()
    root = tempfile.mkdtemp(prefix="install-tree-")
    try:
        run(args.cmake, "--install", args.build_dir, "--prefix", os.path.join(root, "usr"))
        check(root)
    except AssertionError as e:
        print(f"FAILED: {e}", file=sys.stderr)
        return 1
    finally:
        shutil.rmtree(root, ignore_errors=True)
    print("passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
