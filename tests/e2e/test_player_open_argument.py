"""A track opened from the desktop: the player started with a path opens that track as OPEN
would, relative paths taken from the folder it starts in; a missing file or a folder gets the
message OPEN gives for a track it cannot play, and the last track stays remembered."""

import os
import shutil
import subprocess
import tempfile

import harness


def tavrel_windows(s):
    r = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "^Tavrel$"],
                       env=s.env, capture_output=True, text=True)
    return r.stdout.split()


def start(s, argument, cwd):
    proc = subprocess.Popen([os.path.join(s.args.bin, "tavrel"), argument], env=s.env, cwd=cwd,
                            stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
    s.procs.append(proc)
    return proc, s.find_window("Tavrel")


def end(proc):
    proc.terminate()
    proc.wait(timeout=10)


def test(args):
    media = tempfile.mkdtemp(prefix="e2e-argument-")
    first = os.path.join(media, "Take One.wav")
    second = os.path.join(media, "Take Two.wav")
    harness.make_tone_wav(first, 20)
    harness.make_tone_wav(second, 20)

    try:
        with harness.Session(args) as s:
            check(s, media, first, second)
    finally:
        shutil.rmtree(media, ignore_errors=True)


def check(s, media, first, second):
    # A relative path, as a file manager in the track's folder may pass it.
    proc, _ = start(s, "Take One.wav", media)
    harness.wait_until(lambda: s.stored("system", "LastFile") == first, timeout=15,
                       what="LastFile to name the track given")
    assert len(tavrel_windows(s)) == 1, "a message appeared for a playable track"
    s.screenshot("player_argument_opened")
    end(proc)

    for name, bad in [("missing", os.path.join(media, "Gone.wav")), ("folder", media)]:
        proc, wid = start(s, bad, "/")
        harness.wait_until(lambda: len(tavrel_windows(s)) == 2, timeout=15,
                           what=f"the message for the {name} track")
        s.screenshot(f"player_argument_{name}")
        assert s.stored("system", "LastFile") == first, s.stored("system", "LastFile")
        message = [w for w in tavrel_windows(s) if w != wid][0]
        s.key(message, "Return")
        harness.wait_until(lambda: len(tavrel_windows(s)) == 1, timeout=10,
                           what="the message to close")
        assert proc.poll() is None, "the player ended after the message"
        end(proc)

    # A later track given wins over the one remembered.
    proc, _ = start(s, second, "/")
    harness.wait_until(lambda: s.stored("system", "LastFile") == second, timeout=15,
                       what="LastFile to name the second track")
    end(proc)


if __name__ == "__main__":
    harness.main(test)
