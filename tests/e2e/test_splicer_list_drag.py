"""The splicer's list of files to splice is put in order by dragging an entry with the mouse
(real pointer events through xdotool), and the splice follows the order shown."""

import os
import re
import shutil
import subprocess
import tempfile

import harness

# One second each, a tone of its own, so that the joined file tells the order.
TONES = {"a.wav": 300, "b.wav": 600, "c.wav": 900}
ROW = 14  # the list's row height in pixels
FIRST_ROW = (400, 76)  # centre of the list's first entry, relative to the window


def rough_frequency(path, start):
    out = subprocess.run(["sox", path, "-n", "trim", str(start), "1", "stat"],
                         capture_output=True, text=True).stderr
    return int(re.search(r"Rough\s+frequency:\s+(\d+)", out).group(1))


def test(args):
    folder = tempfile.mkdtemp(prefix="e2e-splicer-drag-")
    try:
        for name, hz in TONES.items():
            harness.make_tone_wav(os.path.join(folder, name), 1, freq=hz)
        with harness.Session(args) as s:
            proc = subprocess.Popen([os.path.join(args.bin, "splicer")], env=s.env, cwd=folder,
                                    stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
            s.procs.append(proc)
            wid = s.find_window("WAV Splicer")
            # Every file of the folder into the list: a, b, c.
            s.click(wid, 150, 470)
            s.key(wid, "ctrl+a")
            s.click(wid, 349, 279)

            # Drag "a.wav" below the last entry, in steps as a hand would.
            g = s.window_geometry(wid)
            x, y = g["X"] + FIRST_ROW[0], g["Y"] + FIRST_ROW[1]
            s.xdotool("mousemove", "--sync", str(x), str(y))
            s.xdotool("mousedown", "1")
            for step in range(1, 9):
                s.xdotool("mousemove", "--sync", str(x + step), str(y + step * 8))
            s.xdotool("mouseup", "1")
            dropped = s.screenshot("splicer_list_dragged")

            s.click(wid, 890, 432)
            s.type_text(wid, "joined")
            s.click(wid, 890, 471)
            out = os.path.join(folder, "joined.wav")
            harness.wait_until(lambda: os.path.exists(out), timeout=60, what="joined.wav")
            heard = [rough_frequency(out, second) for second in range(3)]
            # Measured the same way as each input's own tone.
            expected = [rough_frequency(os.path.join(folder, name), 0)
                        for name in ("b.wav", "c.wav", "a.wav")]
            print("sox's rough frequency of the joined file, second by second:", heard,
                  "of b, c, a:", expected)
            assert all(abs(h - e) <= e * 0.02 for h, e in zip(heard, expected)), (heard, expected)
            print("screenshot:", dropped)
    finally:
        shutil.rmtree(folder, ignore_errors=True)


if __name__ == "__main__":
    harness.main(test)
