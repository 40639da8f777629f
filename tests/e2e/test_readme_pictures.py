"""The README's pictures, made by the real programs under Xvfb and written into the
repository's docs/ folder (--docs): the player with five marks and their notes, the loop
between two of them and the practice panel open; the splicer after joining three takes.
Each is taken at a display scale of 2, so that it stays sharp on a high-density screen and
is shown at half its size."""

import argparse
import os
import shutil
import sqlite3
import subprocess
import tempfile

import harness
from player_ui import mpris, position, visible_windows, wait_popup

SCALE = 2
# Where the marks stand in the picture's track, and what the notes say.
MARKS = [(4.5, "Count-in"), (11.0, "Verse"), (18.5, "Chorus"), (27.0, "Bridge"),
         (35.5, "Last chorus")]


def make_song(path):
    """45 s that look like music on the strip's overview: a chord whose loudness swells and
    falls, with quieter passages between the sections."""
    wav = path[:-4] + ".wav"
    subprocess.run(["sox", "-n", "-r", "44100", "-c", "2", "-b", "16", wav,
                    "synth", "45", "sine", "110", "sine", "165", "sine", "262",
                    "tremolo", "0.11", "65", "tremolo", "1.3", "35", "fade", "2", "45", "4",
                    "norm", "-3"], check=True)
    harness.make_mp3(wav, path)
    os.remove(wav)


def settled_window_picture(s, rect, path):
    """Crops `rect` (x, y, w, h) of the screen into `path` once two pictures in a row agree,
    so that nothing is half drawn."""
    x, y, w, h = rect
    last = [None]

    def same():
        subprocess.run(["import", "-display", s.display, "-window", "root",
                        "-crop", f"{w}x{h}+{x}+{y}", "+repage", "-strip", path],
                       env=s.env, check=True, capture_output=True)
        now = open(path, "rb").read()
        settled = now == last[0]
        last[0] = now
        return settled
    harness.wait_until(same, timeout=30, interval=0.3, what=f"{os.path.basename(path)} to settle")


def union(*rects):
    left = min(r["X"] for r in rects)
    top = min(r["Y"] for r in rects)
    right = max(r["X"] + r["WIDTH"] for r in rects)
    bottom = max(r["Y"] + r["HEIGHT"] for r in rects)
    return left, top, right - left, bottom - top


def store_marks(s, track):
    """Writes the marks and notes of `track` into the player's store, as the player keeps
    them (a first run of the player has made the store and the track's section)."""
    con = sqlite3.connect(s.store_path(), timeout=10)
    try:
        rows = []
        for i, (at, note) in enumerate(MARKS):
            rows += [(str(i), f"{at:g}"), (f"Note_{i}", note)]
        # A 2 s lead-in before each pass, and a speed trainer from 75 % up to 100 %.
        rows += [("LeadIn", "2"), ("Trainer", "1"), ("TrainerFrom", "75"), ("TrainerTo", "100")]
        con.executemany(
            "INSERT OR REPLACE INTO settings(app, section, key, value, app_fold, section_fold,"
            " key_fold) VALUES ('Tavrel', ?, ?, ?, 'tavrel', ?, ?)",
            [(track, key, value, track.casefold(), key.casefold()) for key, value in rows])
        con.commit()
    finally:
        con.close()


def player_picture(args, media, out):
    track = os.path.join(media, "Evening Rehearsal.mp3")
    make_song(track)
    with harness.Session(args, width=2400, height=1700, scale=SCALE) as s:
        s.start_dbus()
        # A first run opens the track, so that the store knows it; its marks are then written
        # as the player keeps them, and a second run shows them.
        first = s.start("tavrel", track)
        harness.wait_until(lambda: s.stored("system", "LastFile") == track, timeout=30,
                           what="the first run to open the track")
        first.terminate()
        first.wait(timeout=10)
        store_marks(s, track)

        s.start("tavrel", track)
        wid = s.find_window("Tavrel")
        harness.wait_until(lambda: position(s) is not None, timeout=30,
                           what="the player on the bus")
        harness.wait_until(lambda: s.stored("system", "LastFile") == track, timeout=30,
                           what="the track open")
        # Playing, mark 2, then the loop to mark 3 (its trainer starts at 75 %); paused in
        # the passage.
        mpris(s, "Play")
        harness.wait_until(lambda: (position(s) or 0) > 0.5, timeout=30, what="playback")
        s.key(wid, "2")
        s.key(wid, "l")
        verse, chorus = MARKS[1][0], MARKS[2][0]
        harness.wait_until(lambda: verse + 2.5 <= (position(s) or 0) < chorus, timeout=30,
                           what="the loop to play into the verse")
        mpris(s, "Pause")
        harness.wait_until(lambda: subprocess.run(
            ["playerctl", "-p", "tavrel", "status"], env=s.env, capture_output=True,
            text=True).stdout.strip() == "Paused", what="the player paused")
        shown = visible_windows(s)
        s.key(wid, "p")
        s.xdotool("mousemove", "0", "0")  # no pointer, and no tooltip, in the picture
        panel = wait_popup(s, shown, what="the practice panel")
        rect = union(s.window_geometry(wid), s.window_geometry(panel))
        settled_window_picture(s, rect, os.path.join(out, "tavrel.png"))


def tidy_home(home):
    """The folders of a musician's home, so that the trees around the takes show a home
    rather than whatever this machine keeps; the takes' folder."""
    for folder in ("Books", "Desktop", "Documents", "Downloads", "Lessons", "Music/Backing tracks",
                   "Music/Demos", "Music/Live", "Music/Warm-ups", "Pictures", "Public",
                   "Scores", "Templates", "Videos"):
        os.makedirs(os.path.join(home, folder), exist_ok=True)
    takes = os.path.join(home, "Music", "Takes")
    os.makedirs(takes)
    return takes


def splicer_picture(args, media, out):
    home = os.path.join(media, "musician")
    with harness.Session(args, width=2400, height=1700, scale=SCALE, home=home) as s:
        folder = tidy_home(s.home)
        for name, seconds, hz in (("01 Verse.wav", 14, 330), ("02 Chorus.wav", 9, 440),
                                  ("03 Outro.wav", 6, 262)):
            harness.make_tone_wav(os.path.join(folder, name), seconds, freq=hz)
        proc = subprocess.Popen([os.path.join(args.bin, "splicer")], env=s.env, cwd=folder,
                                stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
        s.procs.append(proc)
        wid = s.find_window("WAV Splicer")
        # The folder's files are listed once the window has stopped changing.
        settled_window_picture(s, union(s.window_geometry(wid)),
                               os.path.join(out, "splicer_opened.png"))

        # With the keyboard, which does not depend on where the controls fall: from the
        # source drive box to the files, all of them, the add button; on to the name (the
        # list, its buttons, the options under it, Clear, the destination's drive and folder);
        # SPLICE.
        s.key(wid, "Tab", "Tab", "ctrl+a", "Tab", "space")
        s.key(wid, *["Tab"] * 11)
        s.type_text(wid, "Full take")
        s.key(wid, "Tab", "space")
        harness.wait_until(lambda: os.path.exists(os.path.join(folder, "Full take.wav")),
                           timeout=60, what="the joined file")
        settled_window_picture(s, union(s.window_geometry(wid)), os.path.join(out, "splicer.png"))


def test(args):
    parser = argparse.ArgumentParser()
    parser.add_argument("--docs", required=True)
    docs = parser.parse_known_args()[0].docs
    os.makedirs(docs, exist_ok=True)
    media = tempfile.mkdtemp(prefix="e2e-readme-")
    try:
        player_picture(args, media, args.out)
        splicer_picture(args, media, args.out)
        for name in ("tavrel.png", "splicer.png"):
            shutil.copyfile(os.path.join(args.out, name), os.path.join(docs, name))
            print("README picture:", os.path.join(docs, name))
    finally:
        shutil.rmtree(media, ignore_errors=True)


if __name__ == "__main__":
    harness.main(test)
