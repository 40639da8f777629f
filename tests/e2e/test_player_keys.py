"""Keys and desktop media controls on the real window: holding Right winds ahead by the
fast-forward stepping, Ctrl with a top-row or keypad digit sets a mark, keypad digits go to
marks, Page Down from a freshly opened track goes to the lowest-numbered set mark, and the
MPRIS Next and PlayPause calls reach the same commands over a private session bus."""

import os
import time

import harness
from player_ui import help_blank, help_tab, menu_height, mpris, mpris_property, open_track, position


# Background tints of the two help panels, keyboard (lower tab) and how-to (upper tab).
PANEL_TINT = {True: (192, 192, 255), False: (255, 255, 192)}


def near(value, target, tolerance):
    return value is not None and abs(value - target) <= tolerance


def stored_seconds(s, track, key):
    text = harness.wait_until(lambda: s.stored(track, key), timeout=5, what=f"mark key {key}")
    return float(text.replace(",", "."))


def hold(s, key, seconds):
    s.xdotool("keydown", key)
    time.sleep(seconds)  # the hold itself is what is tested: the server repeats the key
    s.xdotool("keyup", key)


def ctrl_key(s, key):
    s.xdotool("keydown", "ctrl")
    s.xdotool("key", key)
    s.xdotool("keyup", "ctrl")


def test(args):
    work = os.path.abspath(os.path.join(args.out, "media"))
    os.makedirs(work, exist_ok=True)
    track = os.path.join(work, "Chorus.wav")
    harness.make_tone_wav(track, 90)

    with harness.Session(args) as s:
        s.start_dbus()
        s.start("tavrel")
        wid = s.find_window("Tavrel")
        harness.wait_until(lambda: mpris_property(s, "PlaybackStatus"), timeout=10,
                           what="the player on the session bus")
        open_track(s, wid, track)
        s.key(wid, "F2")  # PLAY
        harness.wait_until(lambda: (position(s) or 0) >= 1.0, timeout=10, what="playing")

        # Holding Right for 1.5 s steps ahead a second every 200 ms; playing alone moves 1.5 s.
        s.focus(wid)
        before = position(s)
        hold(s, "Right", 1.5)
        gained = position(s) - before
        print(f"holding Right for 1.5 s moved the position {gained:.2f} s")
        assert gained >= 5.0, f"holding Right moved only {gained:.2f} s"
        assert mpris_property(s, "PlaybackStatus") == "Playing"

        # Mark 5 here with the top-row digit, then further on mark 3 with the keypad digit.
        ctrl_key(s, "5")
        mark5 = stored_seconds(s, track, "4")
        hold(s, "Right", 1.0)
        ctrl_key(s, "KP_3")
        mark3 = stored_seconds(s, track, "2")
        assert mark3 > mark5 + 3, (mark5, mark3)

        # Reopened, no mark has been gone to: Page Down goes to mark 3, the lowest-numbered
        # set mark, although mark 5 lies earlier in the track.
        open_track(s, wid, track)
        assert near(position(s), 0.0, 0.5), f"the reopened track stands at {position(s)}"
        s.key(wid, "Next")
        harness.wait_until(lambda: near(position(s), mark3, 0.8), timeout=5,
                           what=f"Page Down to reach mark 3 at {mark3}")

        # MPRIS Next steps forward like Page Down: from mark 3 to mark 5.
        mpris(s, "Next")
        harness.wait_until(lambda: near(position(s), mark5, 0.8), timeout=5,
                           what=f"MPRIS Next to reach mark 5 at {mark5}")

        # A keypad digit goes to its mark.
        s.key(wid, "KP_3")
        harness.wait_until(lambda: near(position(s), mark3, 0.8), timeout=5,
                           what="keypad 3 to go to mark 3")

        # PlayPause pauses and resumes; paused, the position holds still.
        s.key(wid, "F2")
        harness.wait_until(lambda: mpris_property(s, "PlaybackStatus") == "Playing", timeout=5,
                           what="PLAY after going to a mark")
        mpris(s, "PlayPause")
        harness.wait_until(lambda: mpris_property(s, "PlaybackStatus") == "Paused", timeout=5,
                           what="PlayPause to pause")
        held = position(s)
        time.sleep(0.5)  # watched for a while: a paused position must not move in that time
        assert near(position(s), held, 0.05), "the position moved while paused"
        mpris(s, "PlayPause")
        harness.wait_until(lambda: mpris_property(s, "PlaybackStatus") == "Playing", timeout=5,
                           what="PlayPause to resume")

        # Four marks, mark 5 current: its line, label and button show red.
        s.focus(wid)
        ctrl_key(s, "1")
        stored_seconds(s, track, "0")
        hold(s, "Right", 5.0)
        ctrl_key(s, "8")
        mark8 = stored_seconds(s, track, "7")
        assert mark8 > mark3 + 2, (mark3, mark8)
        s.key(wid, "5")
        harness.wait_until(lambda: near(position(s), mark5, 0.8), timeout=5, what="mark 5")
        s.screenshot("player_four_marks")

        # The help tabs bring their panels forward: the keyboard panel's tint shows at once.
        mh = menu_height(s, wid)
        for lower, name in ((True, "help_keys_and_remote"), (False, "help_how_to")):
            x, y = help_tab(mh, lower)
            s.click(wid, x, y)
            harness.wait_until(lambda: s.window_pixel(wid, *help_blank(mh)) == PANEL_TINT[lower],
                               timeout=5, what=f"the {name} panel")
            s.screenshot(name)
        s.close()


if __name__ == "__main__":
    harness.main(test)
