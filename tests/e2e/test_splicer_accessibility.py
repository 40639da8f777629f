"""The splicer as a screen reader meets it, over the real accessibility bus: the tree names
the window's controls and gives them their roles, and a splice started from the keyboard
tells the file being joined, each tenth of the progress once and the outcome through
notifications that come into view. The tree's outline and the events of the splice are kept
in the output folder."""

import os
import shutil
import subprocess
import tempfile

import accessibility as a11y
import harness

# Lengths chosen so that the engine reports (every ten seconds of sound) several figures
# within each tenth of the whole.
INPUTS = [("a.wav", 135), ("b.wav", 265)]
APP = "splicer"  # the application name the splicer registers on the bus


def expected_announcements():
    """What the splicer should say for INPUTS, from the engine's rule: a figure after each
    full ten seconds of a file, the share of the whole read so far rounded half to even."""
    total = sum(sec for _, sec in INPUTS)
    said, consumed, tenths = [], 0, 0
    for name, seconds in INPUTS:
        said.append(f"Splicing {name}")
        for _ in range(seconds // 10):
            consumed += 10
            percent = round(100 * consumed / total)
            if percent >= 10 and percent // 10 > tenths:
                tenths = percent // 10
                said.append(f"Progress: {percent}%")
        consumed += seconds % 10
    said.append("Finished! joined.wav was written.")
    return said


def check_tree(t):
    wanted = [("tool bar", "Plemora"), ("push button", "Minimise"),
              ("push button", "Maximise"), ("push button", "Close"),
              ("tree", "Folder to locate files in"), ("list", "WAV files to choose from"),
              ("push button", "Add"), ("list", "Files to splice"), ("push button", "Move up"),
              ("push button", "Move down"), ("push button", "Remove"),
              ("push button", "Clear"), ("tree", "Folder to send the new file to"),
              ("text", "Name of the new file"), ("push button", "Splice"),
              ("label", "Progress"), ("label", "Status"),
              ("progress bar", "Splice progress"), ("push button", "Exit"),
              ("notification", "")]
    missing = [w for w in wanted if not a11y.find(t, role=w[0], name=w[1])]
    assert not missing, missing
    for role, prefix in (("label", "Files are located in: "), ("label", "New file goes to: ")):
        assert a11y.find(t, role=role, prefix=prefix), prefix
    # The drive boxes are named by their entry and described; the picture buttons say what
    # they do; the window buttons are reached by the keyboard.
    assert len(a11y.find(t, role="combo box")) == 2
    for name in ("Add", "Move up", "Move down", "Remove", "Minimise", "Maximise", "Close"):
        node = a11y.find(t, role="push button", name=name)[0]
        assert node["description"], name
        assert node["focusable"], name


def test(args):
    folder = tempfile.mkdtemp(prefix="e2e-splicer-a11y-")
    try:
        for name, seconds in INPUTS:
            harness.make_tone_wav(os.path.join(folder, name), seconds)
        with harness.Session(args) as s:
            s.start_dbus()
            a11y.start_bus(s)
            proc = subprocess.Popen([os.path.join(args.bin, APP)], env=s.env, cwd=folder,
                                    stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
            s.procs.append(proc)
            wid = s.find_window("WAV Splicer", timeout=60)
            t = a11y.wait_for_tree(s, APP, lambda t: a11y.find(t, "list item", "b.wav"),
                                   what="the files listed in the tree")
            check_tree(t)
            lines = a11y.outline(t)
            with open(os.path.join(args.out, "splicer_accessibility_tree.txt"), "w") as f:
                f.write("\n".join(lines) + "\n")

            # The focus goes back to the drive box it starts on.
            listener = a11y.Listener(s, APP, lambda: s.key(wid, "shift+Tab", "Tab"))
            # Keys only: the focus starts on the drive box; Tab, Tab to the files, all of
            # them, Tab to Add, Space; on with Tab to the name, type it, Enter.
            s.key(wid, "Tab", "Tab", "ctrl+a", "Tab", "space")
            s.key(wid, *["Tab"] * 11)
            s.type_text(wid, "joined")
            s.key(wid, "Return")

            def finished(e):
                return e["type"] == "object:state-changed:showing" and \
                    e["role"] == "notification" and e["name"].startswith("Finished!")
            listener.wait_for(finished, timeout=120, what="the announcement of the end")
            out = os.path.join(folder, "joined.wav")
            assert os.path.getsize(out) == 44 + sum(sec for _, sec in INPUTS) * 44100 * 4
            listener.stop()
            events = listener.events()

            shown = [e for e in events if e["type"] == "object:state-changed:showing"
                     and e["role"] == "notification" and e["detail1"] == 1]
            expected = expected_announcements()
            # Every announcement arrives once, in order, and is read as it was said, even when
            # the reader asks after the splicer has moved on to later ones.
            assert [e["name"] for e in shown] == expected, ([e["name"] for e in shown], expected)
            values = [e for e in events if e["role"] == "progress bar"
                      and e["type"] == "object:property-change:accessible-value"]
            assert values, "the progress bar told nothing of its value"

            with open(os.path.join(args.out, "splicer_accessibility_events.txt"), "w") as f:
                f.write("# announced, in order:\n")
                f.write("\n".join(expected) + "\n")
                f.write("# events as the screen reader's client recorded them:\n")
                for e in events:
                    if e["role"] in ("notification", "progress bar"):
                        f.write(f'{e["type"]} [{e["role"]}] {e["name"]} '
                                f'detail1={e["detail1"]}\n')
            print("\n".join(lines[:12]))
            print(f"{len(shown)} announcements, {len(values)} progress bar value changes")
    finally:
        shutil.rmtree(folder, ignore_errors=True)


if __name__ == "__main__":
    harness.main(test)
