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
        for path in shots:
            assert os.path.getsize(path) > 0, path


if __name__ == "__main__":
    harness.main(test)
