"""Sync with the sibling product through its exchange file in a Wine prefix: the file names a
track by its Windows path on a drive that the prefix maps to a folder of the home, and
Options, "Sync with Corvane" opens that track in the player. The exchange file comes in the
forms a Windows program writes it in under Wine (CR LF, CR alone, Windows-1252, UTF-16 with a
byte-order mark), with paths whose letter case differs from the disk."""

import os

import harness
from player_ui import visible_windows, wait_popup, wait_popup_gone


def utf16(text, big_endian=False):
    return (b"\xfe\xff" + text.encode("utf-16-be")) if big_endian else (
        b"\xff\xfe" + text.encode("utf-16-le"))


def test(args):
    with harness.Session(args) as s:
        s.env.pop("WINEPREFIX", None)
        prefix = os.path.join(s.home, ".wine")
        music = os.path.join(s.home, "Music", "Rehearsal")
        os.makedirs(music)
        bridge = os.path.join(music, "Bridge.wav")
        dont_stop = os.path.join(music, "Don\u2019t Stop.wav")
        uber = os.path.join(music, "\u00dcber Alles.wav")
        take_one = os.path.join(prefix, "drive_c", "users", "Take One.wav")
        os.makedirs(os.path.dirname(take_one))
        for track in (bridge, dont_stop, uber, take_one):
            harness.make_tone_wav(track, 3)
        # As Wine lays a prefix out: drive C is drive_c, drive D a link to a folder of the home.
        os.makedirs(os.path.join(prefix, "dosdevices"))
        os.makedirs(os.path.join(prefix, "drive_c", "CorvaneFiles"))
        os.symlink("../drive_c", os.path.join(prefix, "dosdevices", "c:"))
        os.symlink(os.path.join(s.home, "Music"), os.path.join(prefix, "dosdevices", "d:"))
        exchange = os.path.join(prefix, "drive_c", "CorvaneFiles", "CorvaneUtilityFile.ini")

        forms = [
            ("CR LF", b"[Options]\r\nVersion=5\r\n[Tavrel]\r\nPath=D:\\Rehearsal\\Bridge.wav\r\n",
             bridge),
            ("Windows-1252, CR alone, other letter case",
             b"[Options]\rVersion=5\r[Tavrel]\rPath=D:\\REHEARSAL\\don\x92t stop.WAV\r", dont_stop),
            ("UTF-16 LE", utf16("[Tavrel]\r\nPath=D:\\Rehearsal\\\u00dcber Alles.wav\r\n"), uber),
            ("UTF-16 BE, .. above the root",
             utf16("[TAVREL]\r\npath = c:\\..\\..\\USERS\\take one.wav\r\n", True), take_one),
            ("Windows-1252 0xDC", b"[Tavrel]\r\nPath=\"D:\\Rehearsal\\\xdcber Alles.wav\"\r\n",
             uber),
        ]

        proc = s.start("tavrel")
        wid = s.find_window("Tavrel")
        # Each form names another track than the one before, so that each opening shows in the
        # store.
        for form, content, track in forms:
            with open(exchange, "wb") as f:
                f.write(content)
            shown = visible_windows(s)
            s.click(wid, 62, 10)  # the Options menu; its first entry is the sync
            menu = wait_popup(s, shown, what="the Options menu")
            s.xdotool("key", "Down", "Return")
            wait_popup_gone(s, menu)
            harness.wait_until(lambda: s.stored("system", "LastFile") == track, timeout=15,
                               what=f"the track named by the {form} exchange file to be opened")
        s.screenshot("player_synced")
        assert proc.poll() is None, "the player ended"


if __name__ == "__main__":
    harness.main(test)
