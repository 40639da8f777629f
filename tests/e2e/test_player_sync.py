"""Sync with the sibling product through its exchange file in a Wine prefix: the file names a
track by its Windows path on a drive that the prefix maps to a folder of the home, and
Options, "Sync with Corvane" opens that track in the player."""

import os

import harness


def test(args):
    with harness.Session(args) as s:
        prefix = os.path.join(s.home, ".wine")
        music = os.path.join(s.home, "Music", "Rehearsal")
        os.makedirs(music)
        track = os.path.join(music, "Bridge.wav")
        harness.make_tone_wav(track, 20)
        # As Wine lays a prefix out: drive C is drive_c, drive D a link to a folder of the home.
        os.makedirs(os.path.join(prefix, "dosdevices"))
        os.makedirs(os.path.join(prefix, "drive_c", "CorvaneFiles"))
        os.symlink("../drive_c", os.path.join(prefix, "dosdevices", "c:"))
        os.symlink(os.path.join(s.home, "Music"), os.path.join(prefix, "dosdevices", "d:"))
        with open(os.path.join(prefix, "drive_c", "CorvaneFiles", "CorvaneUtilityFile.ini"),
                  "wb") as f:
            f.write(b"[Options]\r\nVersion=5\r\n[Tavrel]\r\nPath=D:\\Rehearsal\\Bridge.wav\r\n")

        proc = s.start("tavrel")
        wid = s.find_window("Tavrel")
        s.click(wid, 62, 10)  # the Options menu; its first entry is the sync
        harness.wait_until(lambda: s.xdotool("search", "--onlyvisible", "--class", "tavrel",
                                             check=False).count("\n") >= 1,
                           what="the Options menu")
        s.xdotool("key", "Down", "Return")
        harness.wait_until(lambda: s.stored("system", "LastFile") == track, timeout=15,
                           what="the synchronised track to be opened")
        s.screenshot("player_synced")
        assert proc.poll() is None, "the player ended"


if __name__ == "__main__":
    harness.main(test)
