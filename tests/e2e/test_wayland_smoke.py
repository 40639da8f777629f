"""Both programs under Wayland: weston, nested in the private X display, passes xdotool's
pointer and keys on as real Wayland input. The splicer is moved and maximised by its own
title bar (the compositor moves it: a Wayland program cannot place its window, nor capture
the pointer outside a popup); the player plays, sets and goes to a mark, seen through the
desktop media controls and the settings store. Skipped, saying why, where weston cannot
start."""

import os
import shutil
import subprocess
import tempfile
import time

import harness
from player_ui import position

SCREEN = (1400, 900)  # the X display
OUTPUT = (1300, 850)  # weston's output, a window at the display's top left corner
FRAME = bytes((38, 48, 79))  # the splicer window's one-pixel frame, in the title bar's colour


def screen_rgb(s):
    return subprocess.run(["import", "-display", s.display, "-window", "root", "-depth", "8",
                           "rgb:-"], env=s.env, capture_output=True, check=True).stdout


def splicer_frame(raw):
    """(left, top, right, bottom) of the splicer window on the screen, found by the two
    upright lines of its frame (more than 200 pixels of the frame's colour); None while it is
    not shown."""
    width, height = SCREEN
    hits = {}
    for y in range(0, height, 20):
        row = raw[y * width * 3:(y + 1) * width * 3]
        at = row.find(FRAME)
        while at >= 0:
            if at % 3 == 0:
                hits.setdefault(at // 3, []).append(y)
            at = row.find(FRAME, at + 1)
    sides = sorted(x for x, ys in hits.items() if len(ys) >= 10)
    if len(sides) < 2:
        return None
    left, right = sides[0], sides[-1]

    def pixel(x, y):
        i = (y * width + x) * 3
        return raw[i:i + 3]
    top = hits[left][0]
    while top > 0 and pixel(left, top - 1) == FRAME:
        top -= 1
    bottom = hits[left][-1]
    while bottom + 1 < height and pixel(left, bottom + 1) == FRAME:
        bottom += 1
    return left, top, right, bottom


def wait_for_frame(s, check, what):
    """The window's frame once it passes `check` and stays where it is (the same on two
    looks in a row)."""
    last = [None]

    def seen():
        frame = splicer_frame(screen_rgb(s))
        settled = frame is not None and frame == last[0] and check(frame)
        last[0] = frame
        return frame if settled else None
    return harness.wait_until(seen, timeout=30, interval=0.2, what=what)


def splicer_by_its_title_bar(s, env, folder, log_path):
    with open(log_path, "w") as log:
        proc = subprocess.Popen([os.path.join(s.args.bin, "splicer")], env=env, cwd=folder,
                                stdout=log, stderr=subprocess.STDOUT)
    s.procs.append(proc)
    started = time.monotonic()
    left, top, right, bottom = wait_for_frame(s, lambda f: True, "the splicer on weston")
    print(f"splicer shown after {time.monotonic() - started:.1f} s at {left},{top} "
          f"({right - left + 1}x{bottom - top + 1})")
    s.screenshot("wayland_splicer")

    # The pointer comes into weston's window from outside it, as a hand's would, so that
    # weston sees it enter; then over the bar (hover), then a drag by it, in steps.
    x, y = left + 420, top + 14
    s.xdotool("mousemove", "--sync", str(SCREEN[0] - 5), str(SCREEN[1] - 5))
    s.xdotool("mousemove", "--sync", str(x - 40), str(y))
    s.xdotool("mousemove", "--sync", str(x), str(y))
    s.xdotool("mousedown", "1")
    # The compositor takes the move over once the program asks for it, some pointer motion
    # after the press: the pointer goes on in small steps until the window follows.
    followed = None
    for step in range(1, 61):
        s.xdotool("mousemove", "--sync", str(x + 3 * step), str(y + 2 * step))
        frame = splicer_frame(screen_rgb(s))
        if frame and frame[:2] != (left, top):
            followed = step
            break
    assert followed, "the window did not follow the drag of its title bar"
    at = wait_for_frame(s, lambda f: True, "the window to settle under the pointer")
    # From then on the window goes with the pointer, pixel for pixel.
    x, y = x + 3 * followed + 120, y + 2 * followed + 60
    s.xdotool("mousemove", "--sync", str(x), str(y))
    moved = wait_for_frame(s, lambda f: (f[0] - at[0], f[1] - at[1]) == (120, 60),
                           "the window to go 120, 60 with the pointer")
    s.xdotool("mouseup", "1")
    print(f"the window followed the drag after {followed} steps of the pointer, then went "
          f"with it from {at[0]},{at[1]} to {moved[0]},{moved[1]}")

    # The maximise button: 16 pixels square, its left edge 45 pixels in from the right edge.
    left, top, right, bottom = moved
    s.xdotool("mousemove", "--sync", str(right - 45 + 8), str(top + 15))
    s.xdotool("click", "1")
    full = wait_for_frame(s, lambda f: f[2] - f[0] + 1 >= OUTPUT[0] - 2,
                          "the splicer to fill weston's output")
    print(f"maximised: {full[2] - full[0] + 1}x{full[3] - full[1] + 1}")
    s.screenshot("wayland_splicer_maximised")
    proc.terminate()
    proc.wait(timeout=10)
    with open(log_path, errors="replace") as f:
        said = f.read()
    assert "grabbing the mouse" not in said, said
    assert "platform plugin" not in said, said


def player_plays_and_keeps_a_mark(s, env, track, log_path):
    with open(log_path, "w") as log:
        proc = subprocess.Popen([os.path.join(s.args.bin, "tavrel"), track], env=env,
                                stdout=log, stderr=subprocess.STDOUT)
    s.procs.append(proc)
    started = time.monotonic()
    harness.wait_until(lambda: s.stored("system", "LastFile") == track, timeout=60,
                       what="the player to open the track")
    print(f"player: track open after {time.monotonic() - started:.1f} s")
    # A click gives the player the keyboard: weston places a new window where it likes, and
    # one as large as the player's always covers the middle of the output.
    s.xdotool("mousemove", "--sync", str(SCREEN[0] - 5), str(SCREEN[1] - 5))
    s.xdotool("mousemove", "--sync", str(OUTPUT[0] // 2), str(OUTPUT[1] // 2))
    s.xdotool("click", "1")
    s.xdotool("key", "F2")
    harness.wait_until(lambda: (position(s) or 0) >= 1.5, timeout=30, what="1.5 s played")
    s.xdotool("key", "ctrl+1")
    mark = float(harness.wait_until(lambda: s.stored(track, "0"), timeout=10,
                                    what="mark 1 in the settings store"))
    harness.wait_until(lambda: position(s) >= mark + 1.5, timeout=30, what="1.5 s more played")
    s.xdotool("key", "1")
    harness.wait_until(lambda: abs(position(s) - mark) < 0.5, timeout=10,
                       what="the player back at mark 1")
    print(f"player: mark 1 set at {mark:.2f} s by Ctrl+1 and gone to with 1, seen over MPRIS")
    status = subprocess.run(["playerctl", "-p", "tavrel", "status"], env=s.env,
                            capture_output=True, text=True).stdout.strip()
    assert status == "Playing", status
    proc.terminate()
    proc.wait(timeout=10)


def test(args):
    folder = tempfile.mkdtemp(prefix="e2e-wayland-")
    try:
        harness.make_tone_wav(os.path.join(folder, "take.wav"), 2)
        track = os.path.join(folder, "song.wav")
        harness.make_tone_wav(track, 20)
        with harness.Session(args, width=SCREEN[0], height=SCREEN[1]) as s:
            s.start_dbus()
            env = s.start_weston(*OUTPUT)
            splicer_by_its_title_bar(s, env, folder, os.path.join(s.home, "splicer.log"))
            player_plays_and_keeps_a_mark(s, env, track, os.path.join(s.home, "tavrel.log"))
    finally:
        shutil.rmtree(folder, ignore_errors=True)


if __name__ == "__main__":
    harness.main(test)
