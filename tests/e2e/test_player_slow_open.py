"""Keys pressed while a track opens are neither lost nor applied to the track being left: the
new track is a named pipe, so its open lasts until the test writes the sound into it. Ctrl+3,
Page Down and Space pressed meanwhile set mark 3 on the new track, go to it and play it (a pipe
cannot be started over, so Space, which plays on, rather than PLAY, which reloads), and the
marks of the track that played before stay as they were. A key pressed at once after reopening
a plain file (3: go to mark 3) also acts on the reopened track."""

import os
import threading

import harness
from player_ui import metadata, mpris_property, open_track, position, start_open, track_id


def near(value, target, tolerance):
    return value is not None and abs(value - target) <= tolerance


def stored_seconds(s, track, key):
    text = harness.wait_until(lambda: s.stored(track, key), timeout=5, what=f"mark key {key}")
    return float(text.replace(",", "."))


def feed(fifo, data):
    """Writes `data` into the pipe from a thread (the player reads it as it plays); the
    thread and a list that receives the error that ended the writing, if any."""
    errors = []

    def write():
        try:
            with open(fifo, "wb") as f:  # waits for the reader: the player's open
                f.write(data)
        except OSError as e:  # the player stopped reading, e.g. it was ended
            errors.append(e)
    thread = threading.Thread(target=write, daemon=True)
    thread.start()
    return thread, errors


def test(args):
    work = os.path.abspath(os.path.join(args.out, "slow-media"))
    os.makedirs(work, exist_ok=True)
    good = os.path.join(work, "Good.wav")
    harness.make_tone_wav(good, 90)
    sound = os.path.join(work, "ten seconds.wav")
    harness.make_tone_wav(sound, 10, freq=660)
    slow = os.path.join(work, "Slow.wav")
    if os.path.lexists(slow):
        os.unlink(slow)
    os.mkfifo(slow)

    with harness.Session(args) as s:
        s.start_dbus()
        proc = s.start("tavrel")
        wid = s.find_window("Tavrel")
        open_track(s, wid, good)
        s.key(wid, "F2")
        harness.wait_until(lambda: (position(s) or 0) >= 2.0, what="2 s played")
        s.key(wid, "ctrl+3")
        good_mark = stored_seconds(s, good, "2")
        assert good_mark >= 2.0, good_mark
        stored_good = s.stored(good, "2")

        # Reopened and at once 3: the reopened track goes to its mark 3.
        before = track_id(s)
        start_open(s, wid, good)
        s.key(wid, "3")
        harness.wait_until(lambda: track_id(s) not in (None, before), timeout=15,
                           what="Good to be open again")
        try:
            harness.wait_until(lambda: near(position(s), good_mark, 0.3), timeout=10,
                               what="3 to reach the reopened track's mark 3")
        except TimeoutError:
            raise AssertionError(
                f"3 pressed at once after reopening did not reach mark 3 at {good_mark}: "
                f"position {position(s)}, status {mpris_property(s, 'PlaybackStatus')}")

        # Good plays on past its mark 3, so that a mark set on it now would move.
        s.key(wid, "F2")
        harness.wait_until(lambda: (position(s) or 0) >= good_mark + 1.0, what="Good playing on")

        # The pipe has no writer yet: its open cannot end until the sound comes.
        before = track_id(s)
        start_open(s, wid, slow)
        s.key(wid, "ctrl+3")
        s.key(wid, "Next")
        s.key(wid, "space")
        assert track_id(s) == before, "the pipe's open ended before its sound came"
        assert s.stored(good, "2") == stored_good, "Ctrl+3 moved the mark of the track left"

        writer, errors = feed(slow, open(sound, "rb").read())
        try:
            harness.wait_until(lambda: track_id(s) not in (None, before), timeout=15,
                               what="the pipe's open to end")
        except TimeoutError:
            s.screenshot("player_slow_open_stuck")
            raise
        assert s.stored(good, "2") == stored_good, (s.stored(good, "2"), stored_good)
        slow_mark = stored_seconds(s, slow, "2")
        assert near(slow_mark, 0.0, 0.5), f"mark 3 of the pipe's track at {slow_mark}"
        meta = metadata(s)
        assert meta.get("xesam:title") == "Slow" and meta.get("xesam:url", "").endswith(
            "/Slow.wav"), meta
        try:
            harness.wait_until(lambda: mpris_property(s, "PlaybackStatus") == "Playing" and
                               (position(s) or 0) >= 1.0, timeout=10,
                               what="the pipe's track to play (Space came last)")
        except TimeoutError:
            s.screenshot("player_slow_open_not_playing")
            raise AssertionError(
                f"the pipe's track does not play: status {mpris_property(s, 'PlaybackStatus')}, "
                f"position {position(s)}, metadata {metadata(s)}, writer {errors}")
        s.screenshot("player_slow_open")
        assert proc.poll() is None, "the player ended"
        s.close()
        writer.join(timeout=10)


if __name__ == "__main__":
    harness.main(test)
