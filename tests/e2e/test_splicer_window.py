"""The splicer under Xvfb: three WAV files of different formats picked from the folder the
program starts in, spliced into one file checked with sox; the progress photographed during
the run and after it; the title bar drags the window and its close button ends the program."""

import os
import shutil
import subprocess
import tempfile

import harness

# (name, seconds, rate, channels): three formats, so that two of them are converted.
INPUTS = [("in0.wav", 300, 44100, 2), ("in1.wav", 240, 22050, 1), ("in2.wav", 600, 48000, 2)]
WIDTH = 1060  # the window's width as it opens


def sox_info(path, flag):
    return subprocess.check_output(["sox", "--i", flag, path], text=True).strip()


def stable_screenshot(s, name):
    """Photographs the screen until two pictures in a row agree, so the window has repainted."""
    path = s.screenshot(name)
    previous = open(path, "rb").read()
    def settled():
        nonlocal previous
        s.screenshot(name)
        now = open(path, "rb").read()
        same = now == previous
        previous = now
        return same
    harness.wait_until(settled, timeout=10, interval=0.2, what="the window to settle")
    return path


def test(args):
    folder = tempfile.mkdtemp(prefix="e2e-splicer-")
    try:
        for name, seconds, rate, channels in INPUTS:
            harness.make_tone_wav(os.path.join(folder, name), seconds, rate, channels)
        with harness.Session(args) as s:
            proc = subprocess.Popen([os.path.join(args.bin, "splicer")], env=s.env, cwd=folder,
                                    stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
            s.procs.append(proc)
            wid = s.find_window("WAV Splicer")
            g = s.window_geometry(wid)
            assert g["WIDTH"] == WIDTH, g

            # Every file of the source list (the program's own folder), then the add button.
            s.click(wid, 150, 470)
            s.key(wid, "ctrl+a")
            s.click(wid, 349, 279)
            # The name of the new file, then SPLICE.
            s.click(wid, 890, 432)
            s.type_text(wid, "joined")
            expected_bytes = sum(round(sec * 44100) * 4 for _, sec, _, _ in INPUTS)
            s.click(wid, 890, 471)

            def joined_so_far():
                """Bytes of the joined file while it is written: an unnamed file of the folder
                held open by the program (a hidden one where the file system has none)."""
                fds = f"/proc/{proc.pid}/fd"
                try:
                    for fd in os.listdir(fds):
                        target = os.readlink(os.path.join(fds, fd))
                        name = os.path.basename(target)
                        if os.path.dirname(target) == os.path.realpath(folder) and \
                                name.startswith(("#", ".joined.wav.")):
                            return os.stat(os.path.join(fds, fd)).st_size
                except (FileNotFoundError, ProcessLookupError):
                    pass
                return None

            def temp_file_grown():
                size = joined_so_far()
                return None if size is None else size > expected_bytes * 0.35
            harness.wait_until(temp_file_grown, timeout=60, interval=0.02,
                               what="the splice to be under way")
            mid = s.screenshot("splicer_mid_splice")
            out = os.path.join(folder, "joined.wav")
            harness.wait_until(lambda: os.path.exists(out), timeout=120, what="joined.wav")
            done = stable_screenshot(s, "splicer_finished")

            assert sox_info(out, "-c") == "2" and sox_info(out, "-r") == "44100"
            assert sox_info(out, "-b") == "16", sox_info(out, "-b")
            samples = int(sox_info(out, "-s"))
            expected = 0
            for name, _, rate, _ in INPUTS:
                n = int(sox_info(os.path.join(folder, name), "-s"))
                expected += n * 44100 / rate
            print(f"output {samples} samples, inputs at 44,100 Hz {expected:.1f} samples, "
                  f"difference {samples - expected:+.1f} (allowed {10 * len(INPUTS)})")
            assert abs(samples - expected) <= 10 * len(INPUTS)

            # Drag the window by its bar, clear of the caption's buttons.
            before = s.window_geometry(wid)
            s.xdotool("mousemove", "--sync", str(before["X"] + 400), str(before["Y"] + 15))
            s.xdotool("mousedown", "1")
            for step in range(1, 6):
                s.xdotool("mousemove", "--sync", str(before["X"] + 400 + 20 * step),
                          str(before["Y"] + 15 + 10 * step))
            s.xdotool("mouseup", "1")
            def moved():
                now = s.window_geometry(wid)
                return now if now["X"] != before["X"] else None
            after = harness.wait_until(moved, what="the window to follow the drag")
            assert (after["X"] - before["X"], after["Y"] - before["Y"]) == (100, 50), \
                (before, after)

            # The close button sits at the right end of the bar (16 pixels square, 25 from
            # the right edge, 10 from the top).
            s.click(wid, WIDTH - 25 + 8, 10 + 8)
            assert s.wait_exit(proc) == 0
            for path in (mid, done):
                assert os.path.getsize(path) > 0, path
            print("screenshots:", mid, done)
    finally:
        shutil.rmtree(folder, ignore_errors=True)


if __name__ == "__main__":
    harness.main(test)
