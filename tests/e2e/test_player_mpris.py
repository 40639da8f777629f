"""The desktop's media controls through a real client: playerctl and dbus-send on a private
session bus drive the running player (open, seek, volume, rate, loop between marks) and
dbus-monitor hears a Seeked signal for every jump that is not playback going on."""

import os
import subprocess
import threading
import urllib.parse

import harness
from player_ui import SERVICE, mpris_property

PATH = "/org/mpris/MediaPlayer2"


def playerctl(s, *argv, check=True, show=True):
    r = subprocess.run(["playerctl", "-p", "tavrel", *argv], env=s.env, capture_output=True,
                       text=True, timeout=10)
    if show:
        print(f"$ playerctl {' '.join(argv)}" + (f"\n{r.stdout.strip()}" if r.stdout else ""))
    if check and r.returncode != 0:
        raise RuntimeError(f"playerctl {' '.join(argv)}: {r.stderr.strip()}")
    return r.stdout.strip()


def dbus_send(s, *argv):
    return subprocess.run(["dbus-send", "--session", "--print-reply", f"--dest={SERVICE}", PATH,
                           *argv], env=s.env, capture_output=True, text=True, timeout=10)


def set_property(s, name, signature, value):
    r = dbus_send(s, "org.freedesktop.DBus.Properties.Set",
                  "string:org.mpris.MediaPlayer2.Player", f"string:{name}",
                  f"variant:{signature}:{value}")
    if r.returncode != 0:
        raise RuntimeError(f"setting {name}: {r.stderr.strip()}")


class SeekedListener:
    """dbus-monitor on the session's bus; every Seeked position heard, in µs, in order."""

    def __init__(self, s):
        self.lines = []
        self.positions = []
        self.proc = subprocess.Popen(
            ["dbus-monitor", "--session",
             "type='signal',interface='org.mpris.MediaPlayer2.Player',member='Seeked'"],
            env=s.env, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
        s.procs.append(self.proc)
        threading.Thread(target=self._read, daemon=True).start()
        # dbus-monitor reports its own arrival on the bus first: from then on it hears all.
        harness.wait_until(lambda: self.lines, timeout=10, what="dbus-monitor to listen")

    def _read(self):
        seeked = False
        for line in self.proc.stdout:
            self.lines.append(line)
            if "member=Seeked" in line:
                seeked = True
            elif seeked and line.strip().startswith("int64"):
                self.positions.append(int(line.split()[1]))
                seeked = False

    def wait_for(self, microseconds, after, what):
        """Waits until a Seeked to `microseconds` arrives beyond the first `after` heard."""
        harness.wait_until(lambda: microseconds in self.positions[after:], timeout=10,
                           what=f"Seeked to {microseconds / 1e6} s ({what})")


def seconds(s):
    value = mpris_property(s, "Position")
    return int(value) / 1e6 if value is not None else None


def wait_value(s, fetch, expected, what, timeout=10):
    harness.wait_until(lambda: fetch() == expected, timeout=timeout, what=what)


def answer(s, *argv):
    """What playerctl answers now, quietly: for polling until a state is reached."""
    return playerctl(s, *argv, check=False, show=False)


def visible_named(s, name):
    r = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", f"^{name}$"], env=s.env,
                       capture_output=True, text=True)
    return r.stdout.split()


def test(args):
    work = os.path.abspath(os.path.join(args.out, "media"))
    os.makedirs(work, exist_ok=True)
    tone = os.path.join(work, "mpris-tone.wav")
    harness.make_tone_wav(tone, 30)
    tagged = os.path.join(work, "Take 1.mp3")
    subprocess.run(["ffmpeg", "-v", "error", "-y", "-i", tone, "-codec:a", "libmp3lame",
                    "-b:a", "128k", "-metadata", "title=Blue Hour", "-metadata",
                    "artist=The Quartet", "-metadata", "album=Live at Home", tagged], check=True)
    untagged = os.path.join(work, "Take 2.wav")
    harness.make_tone_wav(untagged, 20)
    tagged_uri = "file://" + urllib.parse.quote(tagged)
    untagged_uri = "file://" + urllib.parse.quote(untagged)

    with harness.Session(args) as s:
        s.start_dbus()
        s.start("tavrel")
        wid = s.find_window("Tavrel")
        harness.wait_until(lambda: mpris_property(s, "PlaybackStatus"), timeout=10,
                           what="the player on the session bus")
        seeked = SeekedListener(s)
        assert mpris_property(s, "CanSeek") == "false", "seekable without a track"

        # Opened by URI as the window opens a track: tags in the metadata, its own track id.
        playerctl(s, "open", tagged_uri)
        wait_value(s, lambda: answer(s, "metadata", "xesam:url"), tagged_uri, "the open")
        assert s.stored("system", "LastFile") == tagged
        meta = playerctl(s, "metadata", "--format",
                         "{{title}}|{{artist}}|{{album}}|{{mpris:trackid}}|{{mpris:length}}")
        title, artist, album, first_id, length = meta.split("|")
        first_id = first_id.strip("'")  # playerctl quotes object paths
        assert (title, artist, album) == ("Blue Hour", "The Quartet", "Live at Home"), meta
        assert first_id.startswith("/org/tavrel/track/"), first_id
        assert 29e6 < int(length) < 31e6, length
        assert mpris_property(s, "CanSeek") == "true"

        playerctl(s, "play")
        wait_value(s, lambda: answer(s, "status"), "Playing", "playing")
        playerctl(s, "pause")
        wait_value(s, lambda: answer(s, "status"), "Paused", "paused")

        # Seeks, absolute and relative, each told with Seeked; paused, the position is exact.
        heard = len(seeked.positions)
        playerctl(s, "position", "10")
        seeked.wait_for(10_000_000, heard, "position 10")
        wait_value(s, lambda: seconds(s), 10.0, "position 10")
        playerctl(s, "position", "5+")
        seeked.wait_for(15_000_000, heard, "position 5+")
        playerctl(s, "position", "3-")
        seeked.wait_for(12_000_000, heard, "position 3-")
        wait_value(s, lambda: answer(s, "position"), "12.000000", "position 12")

        # A position for a track id that is not the current one is ignored: the call after it
        # is answered in order, and the only seek heard is its own.
        heard = len(seeked.positions)
        dbus_send(s, "org.mpris.MediaPlayer2.Player.SetPosition",
                  "objpath:/org/tavrel/track/999999", "int64:7000000")
        dbus_send(s, "org.mpris.MediaPlayer2.Player.SetPosition", f"objpath:{first_id}",
                  "int64:20000000")
        seeked.wait_for(20_000_000, heard, "SetPosition")
        assert seeked.positions[heard:] == [20_000_000], seeked.positions[heard:]

        # Volume as the slider sets it; the rate held and snapped to the speed steps.
        playerctl(s, "volume", "0.4")
        wait_value(s, lambda: answer(s, "volume"), "0.400000", "volume 0.4")
        for asked, speed in (("0.73", "0.75"), ("3.0", "1.5"), ("0.2", "0.5"), ("1.0", "1")):
            set_property(s, "Rate", "double", asked)
            wait_value(s, lambda: mpris_property(s, "Rate"), speed, f"rate {asked} as {speed}")
            print(f"Rate {asked} -> {speed}")

        # Marks 1 and 2 at 2 s and 5 s; going to a mark and stepping to the next are jumps.
        for at, key, index in ((2, "ctrl+1", "0"), (5, "ctrl+2", "1")):
            playerctl(s, "position", str(at))
            wait_value(s, lambda: seconds(s), float(at), f"position {at}")
            s.key(wid, key)
            harness.wait_until(lambda: s.stored(tagged, index), what=f"mark {index} stored")
        heard = len(seeked.positions)
        s.key(wid, "1")
        seeked.wait_for(2_000_000, heard, "going to mark 1")
        heard = len(seeked.positions)
        s.key(wid, "Next")
        seeked.wait_for(5_000_000, heard, "Page Down to mark 2")
        heard = len(seeked.positions)
        s.key(wid, "1")
        seeked.wait_for(2_000_000, heard, "back to mark 1")

        # The loop between marks from the current mark: each turn back is a jump to its start.
        playerctl(s, "loop", "Track")
        wait_value(s, lambda: answer(s, "loop"), "Track", "the loop to run")
        heard = len(seeked.positions)
        playerctl(s, "play")
        seeked.wait_for(2_000_000, heard, "the loop turning back")
        position = seconds(s)
        assert 2.0 <= position <= 5.0, position
        playerctl(s, "loop", "None")
        wait_value(s, lambda: answer(s, "loop"), "None", "the loop to end")
        harness.wait_until(lambda: seconds(s) > 5.5, timeout=10, what="playing past mark 2")

        # Only file URIs are taken, and refused with an error the caller sees.
        r = dbus_send(s, "org.mpris.MediaPlayer2.Player.OpenUri",
                      "string:http://example.org/take.mp3")
        print(f"OpenUri http://... -> {r.stderr.strip()}")
        assert r.returncode != 0 and "NotSupported" in r.stderr, r.stderr

        # A track without tags is called by its file name; every open has a new id.
        playerctl(s, "open", untagged_uri)
        wait_value(s, lambda: answer(s, "metadata", "xesam:url"), untagged_uri,
                   "the second open")
        assert playerctl(s, "metadata", "title") == "Take 2"
        assert playerctl(s, "metadata", "mpris:trackid").strip("'") != first_id

        # A file that cannot be played: the window says so, the track in use stays.
        missing = os.path.join(work, "gone.mp3")
        playerctl(s, "open", "file://" + urllib.parse.quote(missing))
        box = harness.wait_until(lambda: [w for w in visible_named(s, "Tavrel") if w != wid],
                                 timeout=15, what="the message that the track cannot play")
        s.screenshot("mpris_open_failed")
        s.key(box[0], "Return")
        harness.wait_until(lambda: visible_named(s, "Tavrel") == [wid], timeout=10,
                           what="the message to close")
        assert playerctl(s, "metadata", "xesam:url") == untagged_uri
        print("Seeked heard (s):", " ".join(f"{p / 1e6:g}" for p in seeked.positions))
        s.close()


if __name__ == "__main__":
    harness.main(test)
