"""The splicer on a desktop with a window manager (openbox) and on scaled screens: it fits a
1366x768 screen at 1x and a 1920x1080 screen at 1.5x, shows its icon, follows a drag of its
title bar and its corner grip, comes back maximised after minimise and restore, closes from the bar; the title
bar demo keeps its maximised state the same way. Screenshots at 1x, 1.5x and 2x."""

import os
import shutil
import subprocess
import tempfile

import harness

BAR = 31  # the title bar's height in the window's own pixels


def bar_button(width, scale, name):
    """Centre of a title-bar button in screen pixels, for a window `width` screen pixels wide.

    The bar sits one pixel in from the window's edge; from the right: close, maximise,
    minimise, 16 pixels each, as the bar lays them out."""
    logical = round(width / scale)
    close_left = 1 + (logical - 2) - 16 - 3 - 3
    left = {"close": close_left, "max": close_left - 22, "min": close_left - 22 - 22}[name]
    return round((left + 8) * scale), round(15 * scale)


def fits(g, screen):
    return g["X"] >= 0 and g["Y"] >= 0 and g["X"] + g["WIDTH"] <= screen[0] \
        and g["Y"] + g["HEIGHT"] <= screen[1]


def start(s, program, folder, *argv):
    proc = subprocess.Popen([os.path.join(s.args.bin, program), *argv], env=s.env, cwd=folder,
                            stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
    s.procs.append(proc)
    return proc


def settled_screenshot(s, name):
    """A screenshot once the window has stopped changing. The text caret of the name field
    blinks, so a picture that matches either of the two before it counts as settled."""
    path = s.screenshot(name)
    seen = [open(path, "rb").read()]

    def same():
        s.screenshot(name)
        now = open(path, "rb").read()
        settled = now in seen[-2:]
        seen.append(now)
        return settled
    harness.wait_until(same, timeout=30, interval=0.3, what="the screen to settle")
    return path


def minimise_and_restore_keeps_maximised(s, wid, width, scale, screen):
    """Maximise from the bar, minimise from the bar, restore: back maximised."""
    s.click(wid, *bar_button(width, scale, "max"))
    maxed = harness.wait_until(
        lambda: (lambda g: g if (g["WIDTH"], g["HEIGHT"]) == screen else None)(
            s.window_geometry(wid)), what="the window to fill the screen")
    s.click(wid, *bar_button(maxed["WIDTH"], scale, "min"))
    harness.wait_until(lambda: s.map_state(wid) != "IsViewable", what="the window to go")
    s.xdotool("windowactivate", wid)
    harness.wait_until(lambda: s.map_state(wid) == "IsViewable", what="the window to return")
    back = harness.wait_until(
        lambda: (lambda g: g if (g["WIDTH"], g["HEIGHT"]) == screen else None)(
            s.window_geometry(wid)), what="the window to come back maximised")
    assert "_NET_WM_STATE_MAXIMIZED_VERT" in s.window_state(wid), s.window_state(wid)
    return back


def desktop_at_1x(args, folder):
    screen = (1366, 768)
    with harness.Session(args, *screen) as s:
        s.start_window_manager()
        proc = start(s, "splicer", folder)
        wid = s.find_window("WAV Splicer")
        g = harness.wait_until(lambda: (lambda g: g if fits(g, screen) else None)(
            s.window_geometry(wid)), what="the window to fit the screen")
        icon = subprocess.run(["xprop", "-id", wid, "_NET_WM_ICON"], env=s.env,
                              capture_output=True, text=True).stdout
        assert "_NET_WM_ICON(CARDINAL)" in icon, icon[:200]
        shot = settled_screenshot(s, "splicer_scale_1x")

        # Dragged by the bar through the window manager, once the window is the active one.
        s.xdotool("windowactivate", "--sync", wid)
        s.xdotool("mousemove", "--sync", str(g["X"] + 300), str(g["Y"] + 15))
        s.xdotool("mousedown", "1")
        # The first motion hands the move to the window manager, which from then on keeps the
        # window at the same distance from the pointer. Sideways only: the window nearly fills
        # the screen's height, and the window manager holds windows back at the screen's edges.
        s.xdotool("mousemove", "--sync", str(g["X"] + 298), str(g["Y"] + 16))
        for step in range(1, 6):
            s.xdotool("mousemove", "--sync", str(g["X"] + 298 - 10 * step), str(g["Y"] + 16))
            target = (g["X"] - 10 * step, g["Y"])
            try:
                harness.wait_until(lambda: (lambda n: (n["X"], n["Y"]) == target)(
                    s.window_geometry(wid)), timeout=5, what=f"the window at {target}")
            except TimeoutError:
                raise AssertionError((g, s.window_geometry(wid), target))
        s.xdotool("mouseup", "1")
        moved = s.window_geometry(wid)

        # Made smaller from the grip in its lower right corner, by as much as the pointer moved
        # from the press.
        corner = (moved["X"] + moved["WIDTH"] - 6, moved["Y"] + moved["HEIGHT"] - 6)
        s.xdotool("mousemove", "--sync", str(corner[0]), str(corner[1]))
        s.xdotool("mousedown", "1")
        s.xdotool("mousemove", "--sync", str(corner[0] - 2), str(corner[1] - 1))
        for step in range(1, 6):
            s.xdotool("mousemove", "--sync", str(corner[0] - 2 - 20 * step),
                      str(corner[1] - 1 - 10 * step))
        s.xdotool("mouseup", "1")
        try:
            smaller = harness.wait_until(
                lambda: (lambda n: n if (n["WIDTH"], n["HEIGHT"]) == (
                    moved["WIDTH"] - 102, moved["HEIGHT"] - 51) else None)(
                    s.window_geometry(wid)), what="the window to follow its grip")
        except TimeoutError:
            raise AssertionError((moved, s.window_geometry(wid)))
        assert (smaller["X"], smaller["Y"]) == (moved["X"], moved["Y"]), (moved, smaller)
        s.screenshot("splicer_resized_1x")

        back = minimise_and_restore_keeps_maximised(s, wid, smaller["WIDTH"], 1, screen)
        s.click(wid, *bar_button(back["WIDTH"], 1, "close"))
        assert s.wait_exit(proc) == 0
        return shot


def demo_keeps_maximised(args, folder):
    screen = (1366, 768)
    with harness.Session(args, *screen) as s:
        s.start_window_manager()
        start(s, "titlebar_demo", folder, "--maximize")
        wid = s.find_window("titlebar demo style 8")
        g = s.window_geometry(wid)
        # The demo's bar runs the whole width of its window, not one pixel in.
        minimise_and_restore_keeps_maximised(s, wid, g["WIDTH"] + 2, 1, screen)


def scaled(args, folder, scale, screen, name):
    with harness.Session(args, *screen, scale=scale) as s:
        s.start_window_manager()
        start(s, "splicer", folder)
        wid = s.find_window("WAV Splicer")
        g = harness.wait_until(lambda: (lambda g: g if fits(g, screen) else None)(
            s.window_geometry(wid)), what=f"the window to fit the screen at {scale}x")
        print(f"{scale}x on {screen[0]}x{screen[1]}: window {g['WIDTH']}x{g['HEIGHT']}")
        return settled_screenshot(s, name)


def test(args):
    folder = tempfile.mkdtemp(prefix="e2e-splicer-desktop-")
    try:
        for i in range(3):
            harness.make_tone_wav(os.path.join(folder, f"take{i}.wav"), 2)
        os.mkdir(os.path.join(folder, "no wav here"))
        shots = [desktop_at_1x(args, folder)]
        demo_keeps_maximised(args, folder)
        shots.append(scaled(args, folder, 1.5, (1920, 1080), "splicer_scale_1.5x"))
        shots.append(scaled(args, folder, 2, (2400, 1600), "splicer_scale_2x"))
        print("screenshots:", *shots)
    finally:
        shutil.rmtree(folder, ignore_errors=True)


if __name__ == "__main__":
    harness.main(test)
