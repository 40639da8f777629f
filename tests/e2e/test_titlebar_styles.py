"""The title bar on a real X server: each of six styles shown in a frameless demo window and
photographed; the bar dragged by the mouse moves its window; the close button ends it."""

import os
import subprocess

import harness

STYLES = (0, 1, 5, 8, 13, 14)


def window_shot(session, wid, name):
    path = os.path.join(session.args.out, name)
    subprocess.run(["import", "-display", session.display, "-window", wid, path],
                   env=session.env, check=True, capture_output=True)
    return path


def rgb_rows(path):
    """The picture's pixels as rows of (r, g, b), decoded by ImageMagick."""
    size = subprocess.run(["identify", "-format", "%w %h", path], capture_output=True,
                          text=True, check=True).stdout.split()
    width, height = int(size[0]), int(size[1])
    data = subprocess.run(["convert", path, "-depth", "8", "rgb:-"], capture_output=True,
                          check=True).stdout
    assert len(data) == width * height * 3, (path, width, height, len(data))
    return [[tuple(data[(y * width + x) * 3:(y * width + x) * 3 + 3]) for x in range(width)]
            for y in range(height)]


def check_drawn(path, bar_height=24):
    """The bar is drawn (a shaded band with a title, icon and buttons: many colours) and
    stands apart from the window's body, which shows its line of text."""
    rows = rgb_rows(path)
    bar = [p for row in rows[:bar_height] for p in row]
    body = [p for row in rows[bar_height + 10:] for p in row]
    assert len(set(bar)) >= 16, f"{path}: the bar has only {len(set(bar))} colours"
    assert len(set(body)) >= 2, f"{path}: the body is a plain area"
    background = max(set(body), key=body.count)
    mean = [sum(p[i] for p in bar) / len(bar) for i in range(3)]
    assert sum(abs(m - b) for m, b in zip(mean, background)) >= 30, \
        f"{path}: the bar (mean {mean}) looks like the body ({background})"
    return rows


def test(args):
    with harness.Session(args, width=1000, height=600) as s:
        shots = []
        for style in STYLES:
            proc = s.start("titlebar_demo", "--bar-style", str(style), "--maximize")
            wid = s.find_window(f"titlebar demo style {style}")
            shots.append(window_shot(s, wid, f"titlebar_xvfb_style{style}.png"))
            if style != STYLES[-1]:
                proc.terminate()
                s.wait_exit(proc)

        # Drag the last window by its bar, away from the buttons.
        before = s.window_geometry(wid)
        s.xdotool("mousemove", "--sync", str(before["X"] + 200), str(before["Y"] + 15))
        s.xdotool("mousedown", "1")
        for step in range(1, 6):
            s.xdotool("mousemove", "--sync", str(before["X"] + 200 + 16 * step),
                      str(before["Y"] + 15 + 8 * step))
        s.xdotool("mouseup", "1")
        # The window follows the drag step by step; on a busy machine the last moves land
        # later, so wait for the whole offset before comparing.
        last = {}

        def moved():
            last["g"] = g = s.window_geometry(wid)
            return (g["X"] - before["X"], g["Y"] - before["Y"]) == (80, 40)

        try:
            harness.wait_until(moved, what="the window to follow the drag")
        except TimeoutError:
            raise AssertionError(f"dragged by (80, 40) from {before} but ended at {last['g']}")
        shots.append(s.screenshot("titlebar_xvfb_desktop"))

        # The close button acts on the press and ends the program. In style 14 it sits at
        # x 775 (800 - 16 - 3 - 6) and y 10, 16 pixels square.
        s.click(wid, 775 + 8, 10 + 8)
        assert s.wait_exit(proc) == 0
        assert os.path.getsize(shots[-1]) > 0
        # Each style is drawn, and drawn its own way.
        drawn = [check_drawn(path) for path in shots[:-1]]
        for i in range(len(drawn)):
            for j in range(i + 1, len(drawn)):
                assert drawn[i] != drawn[j], f"styles {STYLES[i]} and {STYLES[j]} look the same"


if __name__ == "__main__":
    harness.main(test)
