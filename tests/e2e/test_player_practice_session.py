"""Loop practice end to end with the real libmpv back end: marks at about 2 s and 5 s, the
practice panel opened with P and set by keyboard to a 1 s lead-in and a speed trainer from
80 % to 90 % in 5 % steps; L loops; every pass starts about 1 s before mark 1 (the position
read over MPRIS) and the rate libmpv reports reads 0.80, 0.85, 0.90 and then stays at 0.90.
A 2 s breath then holds the position still between passes."""

import time

import harness
from player_ui import (make_practice_track, position, rate, start_with_marks_at_2_and_5,
                       visible_windows, wait_popup, wait_popup_gone)


def next_pass(s, timeout=20):
    """Waits for the loop to turn back; the first position read after it."""
    seen = [position(s)]
    last = [seen[0]]

    def turned_back():
        p = position(s)
        if p < last[0] - 1.0:
            return [p]
        last[0] = p
        if p != seen[-1]:
            seen.append(p)
        return None
    try:
        return harness.wait_until(turned_back, timeout=timeout, interval=0.03,
                                  what="the loop to turn back")[0]
    except TimeoutError:
        raise AssertionError(f"the loop did not turn back: {seen[:20]} ... {seen[-20:]}")


def test(args):
    mp3 = make_practice_track(args, "Session")

    with harness.Session(args) as s:
        wid, mark1, mark2 = start_with_marks_at_2_and_5(s, mp3)

        # The panel takes the keyboard: lead-in up to 1 s, trainer on, 70 -> 80, 100 -> 90.
        shown = visible_windows(s)
        s.key(wid, "p")
        panel = wait_popup(s, shown, what="the practice panel")
        s.xdotool("key", "--delay", "60", "Up", "Tab", "Tab", "space", "Tab", "Up", "Up", "Tab",
                  "Down", "Down")
        harness.wait_until(lambda: s.stored(mp3, "TrainerTo") == "90", what="the trainer set")
        assert s.stored(mp3, "LeadIn") == "1", s.stored(mp3, "LeadIn")
        assert s.stored(mp3, "Trainer") == "1"
        assert s.stored(mp3, "TrainerFrom") == "80"
        s.screenshot("player_practice_panel")
        s.xdotool("key", "Escape")
        wait_popup_gone(s, panel, what="the practice panel to close")

        s.key(wid, "1")
        harness.wait_until(lambda: position(s) < mark1 + 0.5, what="the player back at mark 1")
        s.key(wid, "l")
        lead = mark1 - 1.0
        harness.wait_until(lambda: position(s) < mark1 - 0.5, what="the first pass's lead-in")
        harness.wait_until(lambda: abs((rate(s) or 0) - 0.80) < 1e-6, what="pass 1 at 80 %")
        s.screenshot("player_practice_trainer")
        for expected in (0.85, 0.90, 0.90):
            start = next_pass(s)
            assert abs(start - lead) < 0.5, (start, lead)
            harness.wait_until(lambda: abs((rate(s) or 0) - expected) < 1e-6, timeout=2,
                               what=f"the rate at {expected}")
            assert position(s) < mark2, position(s)
        # The trainer's speeds are not kept as the track's speed.
        assert s.stored(mp3, "Speed") in (None, ""), s.stored(mp3, "Speed")

        # A breath of 2 s: between passes the position stands still, then playback goes on.
        shown = visible_windows(s)
        s.key(wid, "p")
        panel = wait_popup(s, shown, what="the practice panel")
        s.xdotool("key", "--delay", "60", "Tab", "Up", "Up", "Escape")
        wait_popup_gone(s, panel, what="the practice panel to close")
        harness.wait_until(lambda: s.stored(mp3, "Breath") == "2", what="the breath set")
        start = next_pass(s)
        held = [position(s)]
        for _ in range(10):
            time.sleep(0.12)  # watched over 1.2 s of the 2 s breath: the position must not move
            held.append(position(s))
        assert max(held) - min(held) < 0.05, held
        assert abs(held[0] - lead) < 0.5, (held[0], lead)
        harness.wait_until(lambda: position(s) > held[-1] + 0.3, timeout=5,
                           what="playback going on after the breath")


if __name__ == "__main__":
    harness.main(test)
