"""A whole splice with the keyboard alone, no mouse event: the source folder chosen in the
tree with the arrow keys, every file of it into the list, the last one moved to the top,
the destination folder chosen the same way, a name typed and SPLICE pressed with Space.
The accessibility tree tells when the window is ready for the next key; the joined file is
checked for its length and its order with sox."""

import os
import shutil
import subprocess
import tempfile

import accessibility as a11y
import harness

APP = "splicer"


def rms(path, start, length):
    r = subprocess.run(["sox", path, "-n", "trim", str(start), str(length), "stat"],
                       capture_output=True, text=True, check=True)
    for line in r.stderr.splitlines():
        if line.startswith("RMS     amplitude"):
            return float(line.split(":")[1])
    raise AssertionError(r.stderr)


def test(args):
    root = os.path.realpath(tempfile.mkdtemp(prefix="e2e-splicer-keys-"))
    try:
        source = os.path.join(root, "a_src")
        target = os.path.join(root, "b_out")
        os.mkdir(source)
        os.mkdir(target)
        # Listed quiet.wav, tone.wav: the tone is moved to the top.
        subprocess.run(["sox", "-n", "-r", "44100", "-c", "2", "-b", "16",
                        os.path.join(source, "quiet.wav"), "trim", "0", "2"], check=True)
        harness.make_tone_wav(os.path.join(source, "tone.wav"), 1)
        with harness.Session(args) as s:
            s.start_dbus()
            a11y.start_bus(s)
            proc = subprocess.Popen([os.path.join(args.bin, APP)], env=s.env, cwd=root,
                                    stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
            s.procs.append(proc)
            wid = s.find_window("WAV Splicer")

            def label(prefix, folder):
                a11y.wait_for_tree(s, APP, lambda t: a11y.find(t, "label", prefix + folder),
                                   what=f"{prefix}{folder}")

            def rows_of_root_read(t):
                names = [n["name"] for n in a11y.walk(t) if n["role"] == "table cell"]
                return names.count("a_src") == 2 and names.count("b_out") == 2
            a11y.wait_for_tree(s, APP, rows_of_root_read, what="the folders of the start")

            # The focus starts on the first drive box: Tab to the tree, Down to a_src.
            s.key(wid, "Tab", "Down")
            label("Files are located in: ", source)
            s.key(wid, "Tab", "ctrl+a", "Tab", "space")
            # The list, its last entry, Move up.
            s.key(wid, "Tab", "End", "Tab", "space")

            def order(t):
                lists = a11y.find(t, "list", "Files to splice")
                return lists and [c["name"] for c in lists[0]["children"]] == \
                    ["tone.wav", "quiet.wav"]
            a11y.wait_for_tree(s, APP, order, what="tone.wav moved to the top")
            # Move down, Remove, Match loudness, Gap, Crossfade (the loudness target is skipped
            # while matching is off), Clear, the second drive box, its tree: Down twice to b_out.
            s.key(wid, *["Tab"] * 8, "Down")
            label("New file goes to: ", source)
            s.key(wid, "Down")
            label("New file goes to: ", target)
            s.key(wid, "Tab")
            s.type_text(wid, "joined")
            s.key(wid, "Tab", "space")

            out = os.path.join(target, "joined.wav")
            harness.wait_until(lambda: os.path.exists(out), timeout=60, what="joined.wav")
            size = os.path.getsize(out)
            assert size == 44 + 3 * 44100 * 4, size
            assert rms(out, 0, 1) > 0.1, "the tone does not come first"
            assert rms(out, 1, 2) < 0.001, "the quiet file does not come last"
            s.screenshot("splicer_keyboard_finished")
            print(f"joined.wav {size} bytes, tone first, quiet last")
    finally:
        shutil.rmtree(root, ignore_errors=True)


if __name__ == "__main__":
    harness.main(test)
