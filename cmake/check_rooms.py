#!/usr/bin/env python3
"""Checks the build rules against the sources and ARCHITECTURE.md.

  check_rooms.py <room graph written by the build> <source root>

Fails (exit 1, one line per finding) when
  - a file includes a room ("room/File.h") that its own target does not link directly;
  - a file includes with "../";
  - a .cpp or .h file in a room's folder is in no target's source list, or a test_*.py of the
    end-to-end folder is not listed there;
  - the room table of a program in ARCHITECTURE.md names other links between rooms than the
    build has, or leaves out a room the build has.
"""

import os
import re
import sys

INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)


def read_graph(path):
    targets = []
    with open(path, encoding="utf-8") as f:
        for line in f:
            kind, name, room, folder, files, links = line.rstrip("\n").split("\t")
            targets.append({
                "kind": kind,
                "name": name,
                "room": room,
                "folder": folder,
                "files": [x for x in files.split(";") if x],
                "links": {x for x in links.split(";") if x},
            })
    return targets


def program_of(target):
    return target.split("_", 1)[0]


def check_includes(targets, rooms, findings):
    by_folder = {}
    for name, folder in rooms.items():
        by_folder.setdefault(os.path.basename(folder), set()).add(name)
    for t in targets:
        allowed = set(t["links"])
        if t["kind"] != "support":
            allowed.add(t["room"])
        for path in t["files"]:
            with open(path, encoding="utf-8") as f:
                text = f.read()
            for inc in INCLUDE.findall(text):
                where = os.path.relpath(path)
                head = inc.split("/", 1)[0]
                if "/" not in inc or head not in by_folder:
                    continue
                if not by_folder[head] & allowed:
                    owners = " or ".join(sorted(by_folder[head]))
                    findings.append(
                        f'{where}: includes "{inc}" but {t["name"]} does not link {owners}')


def check_dotdot_anywhere(root, findings):
    for top in ("player", "splicer", "tests", "bench", "fuzz"):
        for folder, dirs, files in os.walk(os.path.join(root, top)):
            dirs[:] = [d for d in dirs if d != "build"]
            for name in files:
                if not name.endswith((".cpp", ".h", ".inl")):
                    continue
                path = os.path.join(folder, name)
                with open(path, encoding="utf-8") as f:
                    for inc in INCLUDE.findall(f.read()):
                        if inc.startswith("..") or "/../" in inc:
                            findings.append(f'{os.path.relpath(path, root)}: "{inc}" climbs out of its folder')


def check_listed(targets, rooms, root, findings):
    listed = set()
    for t in targets:
        listed.update(os.path.realpath(p) for p in t["files"])
    for name, folder in rooms.items():
        for file in sorted(os.listdir(folder)):
            path = os.path.join(folder, file)
            if file.endswith((".cpp", ".h", ".inl")) and os.path.realpath(path) not in listed:
                findings.append(f"{os.path.relpath(path, root)}: not listed in {name}'s sources or tests")
    e2e = os.path.join(root, "tests", "e2e")
    with open(os.path.join(e2e, "CMakeLists.txt"), encoding="utf-8") as f:
        registered = set(re.findall(r"\btest_\w+\.py\b", f.read()))
    for file in sorted(os.listdir(e2e)):
        if re.fullmatch(r"test_\w+\.py", file) and file not in registered:
            findings.append(f"tests/e2e/{file}: not listed in tests/e2e/CMakeLists.txt")


def documented_graph(root):
    """{target: set of room targets} from the room tables of ARCHITECTURE.md."""
    graph = {}
    row = re.compile(r"^\|\s*`((?:splicer/)?)(\w+)/`\s*\|[^|]*\|([^|]*)\|\s*$")
    with open(os.path.join(root, "ARCHITECTURE.md"), encoding="utf-8") as f:
        for line in f:
            m = row.match(line.strip())
            if not m:
                continue
            program = "splicer" if m.group(1) else "tavrel"
            words = re.findall(r"[a-z]+", m.group(3))
            graph[f"{program}_{m.group(2)}"] = {f"{program}_{w}" for w in words}
    return graph


def check_architecture(rooms, targets, root, findings):
    documented = documented_graph(root)
    built = {t["name"]: {x for x in t["links"] if x in rooms}
             for t in targets if t["kind"] == "room"}
    for name in sorted(built):
        if name not in documented:
            findings.append(f"ARCHITECTURE.md: no row for the room {name}")
            continue
        said = {x for x in documented[name] if x in rooms}
        for missing in sorted(built[name] - said):
            findings.append(f"ARCHITECTURE.md: {name} links {missing}, the table does not say so")
        for extra in sorted(said - built[name] - {name}):
            findings.append(f"ARCHITECTURE.md: the table has {name} link {extra}, the build does not")
    for name in sorted(set(documented) - set(built)):
        program, folder = name.split("_", 1)
        path = os.path.join(root, "player" if program == "tavrel" else "splicer", folder)
        if not os.path.isdir(path):
            findings.append(f"ARCHITECTURE.md: a row for {name}, which has no folder")


def main():
    graph_path, root = sys.argv[1], sys.argv[2]
    os.chdir(root)
    targets = read_graph(graph_path)
    rooms = {t["name"]: t["folder"] for t in targets if t["kind"] == "room"}
    findings = []
    check_includes(targets, rooms, findings)
    check_dotdot_anywhere(root, findings)
    check_listed(targets, rooms, root, findings)
    check_architecture(rooms, targets, root, findings)
    for f in dict.fromkeys(findings):
        print(f)
    if findings:
        print(f"{len(set(findings))} finding(s)", file=sys.stderr)
        return 1
    print(f"{len(rooms)} rooms, {len(targets)} targets: every include within the links")
    return 0


if __name__ == "__main__":
    sys.exit(main())
