"""End-to-end harness: a private Xvfb display, the real program with a temporary HOME,
keys and clicks through xdotool, screenshots into the build folder.

Every wait polls for a sign of readiness (a window, a file, a value) with a deadline;
nothing sleeps for a fixed time. Only the processes started here are ended."""

import argparse
import os
import re
import shutil
import signal
import sqlite3
import subprocess
import sys
import tempfile
import time


def parse_args():
    p = argparse.ArgumentParser()
    p.add_argument("--bin", required=True, help="folder holding the built programs")
    p.add_argument("--out", required=True, help="folder for screenshots")
    args, _ = p.parse_known_args()
    os.makedirs(args.out, exist_ok=True)
    return args


class Skip(Exception):
    """The test cannot run on this machine (a tool is missing or cannot start): ctest reports
    it as skipped, with this message, instead of passed or failed."""


SKIPPED = 77  # the exit status ctest is told means "skipped"


def wait_until(predicate, timeout=10.0, interval=0.05, what="condition"):
    deadline = time.monotonic() + timeout
    while True:
        value = predicate()
        if value:
            return value
        if time.monotonic() > deadline:
            raise TimeoutError(f"timed out after {timeout}s waiting for {what}")
        time.sleep(interval)


class Session:
    """One private X display and a temporary HOME; programs started in it are tracked."""

    def __init__(self, args, width=1600, height=1000, home=None, scale=None):
        self.args = args
        self.procs = []
        self.home = home or tempfile.mkdtemp(prefix="e2e-home-")
        self._own_home = home is None
        read_fd, write_fd = os.pipe()
        # -noreset: a server resets when its last client leaves (the readiness check below is
        # such a client), and a program connecting during that reset can be turned away.
        # What the server prints goes to a log that a failure report shows.
        fd, self.xvfb_log = tempfile.mkstemp(prefix="e2e-xvfb-", suffix=".log")
        with os.fdopen(fd, "w") as log:
            self.xvfb = subprocess.Popen(
                ["Xvfb", "-displayfd", str(write_fd), "-screen", "0", f"{width}x{height}x24",
                 "-nolisten", "tcp", "-noreset"],
                pass_fds=(write_fd,), stdout=log, stderr=subprocess.STDOUT)
        os.close(write_fd)
        number = b""
        with os.fdopen(read_fd, "rb") as r:
            while not number.endswith(b"\n"):
                chunk = r.read(1)
                if not chunk:
                    break
                number += chunk
        self.display = ":" + number.decode().strip()
        self.env = dict(os.environ)
        self.env.update({
            "DISPLAY": self.display,
            "HOME": self.home,
            "XDG_CONFIG_HOME": os.path.join(self.home, ".config"),
            "XDG_CACHE_HOME": os.path.join(self.home, ".cache"),
            "XDG_RUNTIME_DIR": tempfile.mkdtemp(prefix="e2e-run-"),
            "QT_QPA_PLATFORM": "xcb",
            # The C library's own fatal messages (a damaged heap, a smashed stack) go to the
            # program's error output, where a report of its end can show them, not to a terminal.
            "LIBC_FATAL_STDERR_": "1",
        })
        if scale is not None:
            self.env["QT_SCALE_FACTOR"] = str(scale)
        self.env.pop("DBUS_SESSION_BUS_ADDRESS", None)
        self.env.pop("WAYLAND_DISPLAY", None)
        # The server names its display before a client can always connect to it: a program
        # started at once may find no display and abort. Wait until a client is served.
        wait_until(self._display_answers, timeout=30, what=f"the X display {self.display}")

    def _display_answers(self):
        return subprocess.run(["xdotool", "getdisplaygeometry"], env=self.env,
                              capture_output=True).returncode == 0

    # ---- programs -------------------------------------------------------------------
    def start(self, program, *argv):
        path = os.path.join(self.args.bin, program)
        proc = subprocess.Popen([path, *argv], env=self.env, stdout=subprocess.PIPE,
                                stderr=subprocess.STDOUT)
        self.procs.append(proc)
        return proc

    def start_dbus(self):
        """A private session bus for this display; its address goes to later programs."""
        out = subprocess.check_output(
            ["dbus-daemon", "--session", "--fork", "--print-address=1", "--print-pid=1"],
            env=self.env, text=True).split()
        self.env["DBUS_SESSION_BUS_ADDRESS"] = out[0]
        self._dbus_pid = int(out[1])
        return out[0]

    def start_window_manager(self):
        """openbox on this display, as a desktop would have; returns once it manages windows."""
        proc = subprocess.Popen(["openbox", "--sm-disable"], env=self.env,
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.procs.append(proc)

        def managing():
            r = subprocess.run(["xprop", "-root", "_NET_SUPPORTING_WM_CHECK"], env=self.env,
                               capture_output=True, text=True)
            return "window id" in r.stdout
        wait_until(managing, timeout=30, what="the window manager")
        return proc

    def start_weston(self, width, height):
        """A Wayland compositor (weston, its X11 back end) shown as a window of this X display,
        so that xdotool's pointer and keys reach Wayland programs as real Wayland input.
        Returns the environment for a Wayland program; raises Skip where weston cannot start."""
        if not shutil.which("weston"):
            raise Skip("weston is not installed (./dev installs it)")
        socket = "wayland-e2e"
        log_path = os.path.join(self.home, "weston.log")
        log = open(log_path, "w")
        proc = subprocess.Popen(
            ["weston", "--backend=x11-backend.so", "--use-pixman", f"--socket={socket}",
             f"--width={width}", f"--height={height}", "--idle-time=0", "--no-config"],
            env=self.env, stdout=log, stderr=subprocess.STDOUT)
        log.close()
        self.procs.append(proc)
        path = os.path.join(self.env["XDG_RUNTIME_DIR"], socket)
        try:
            wait_until(lambda: os.path.exists(path) or proc.poll() is not None, timeout=30,
                       what="weston's socket")
        except TimeoutError:
            pass
        if proc.poll() is not None or not os.path.exists(path):
            with open(log_path, errors="replace") as f:
                tail = f.read()[-600:]
            raise Skip(f"weston cannot start here (status {proc.poll()}):\n{tail}")
        env = dict(self.env)
        env.update({"WAYLAND_DISPLAY": socket, "QT_QPA_PLATFORM": "wayland"})
        env.pop("DISPLAY", None)
        return env

    def window_state(self, wid):
        """The window's _NET_WM_STATE atoms (e.g. _NET_WM_STATE_HIDDEN) as a set."""
        r = subprocess.run(["xprop", "-id", wid, "_NET_WM_STATE"], env=self.env,
                           capture_output=True, text=True)
        _, _, atoms = r.stdout.partition("=")
        return {a.strip() for a in atoms.split(",") if a.strip()}

    def map_state(self, wid):
        """"IsViewable", "IsUnMapped" or "IsUnviewable", as the X server sees the window."""
        out = subprocess.run(["xwininfo", "-id", wid], env=self.env, capture_output=True,
                             text=True).stdout
        m = re.search(r"Map State:\s*(\w+)", out)
        return m.group(1) if m else None

    def wait_exit(self, proc, timeout=10.0):
        return proc.wait(timeout=timeout)

    # ---- X11 --------------------------------------------------------------------------
    def xdotool(self, *argv, check=True):
        r = subprocess.run(["xdotool", *argv], env=self.env, capture_output=True, text=True)
        if check and r.returncode != 0:
            raise RuntimeError(f"xdotool {' '.join(argv)} failed: {r.stderr.strip()}")
        return r.stdout.strip()

    def visible_windows(self, *match):
        """The ids of the visible windows that `xdotool search --onlyvisible *match` finds. A
        window that vanishes while xdotool looks at it (a completer's popup as its dialog
        closes) ends xdotool with an X error and no answer, which says nothing about the
        windows sought: it is asked again (the window is gone by the next search, which takes some
        milliseconds itself)."""
        for _ in range(50):
            r = subprocess.run(["xdotool", "search", "--onlyvisible", *match], env=self.env,
                               capture_output=True, text=True)
            if r.returncode == 0 or "error" not in r.stderr.lower():
                return r.stdout.split()
        raise RuntimeError(f"xdotool search {' '.join(match)} failed: {r.stderr.strip()}")

    def find_window(self, title, timeout=60.0):
        """Waits for a visible window whose name is exactly `title`; returns its id. The
        deadline is generous: a program's first start on a busy machine can take long."""
        def search():
            r = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", f"^{title}$"],
                               env=self.env, capture_output=True, text=True)
            ids = r.stdout.split()
            return ids[0] if ids else None
        try:
            return wait_until(search, timeout, what=f"window '{title}'")
        except TimeoutError as e:
            raise TimeoutError(f"{e}{self._ended_programs()}") from None

    def _ended_programs(self):
        """For a report: the programs of this session that have ended, with their status and
        the end of what the last of them printed."""
        server = ""
        if self.xvfb.poll() is not None:
            with open(self.xvfb_log, errors="replace") as f:
                server = f"; the X server ended with status {self.xvfb.returncode}:\n" \
                    f"{f.read()[-1500:]}"
        ended = [p for p in self.procs if p.poll() is not None and p.stdout is not None]
        if not ended:
            return server
        names = ", ".join(f"{os.path.basename(str(p.args[0]))} status {p.returncode}"
                          for p in ended)
        tail = ended[-1].stdout.read().decode(errors="replace")[-1500:]
        return f"; ended meanwhile: {names}; the last printed:\n{tail}{server}"

    def window_geometry(self, wid):
        out = self.xdotool("getwindowgeometry", "--shell", wid)
        vals = dict(line.split("=", 1) for line in out.splitlines() if "=" in line)
        return {k: int(v) for k, v in vals.items() if k in ("X", "Y", "WIDTH", "HEIGHT")}

    def focus(self, wid):
        self.xdotool("windowfocus", "--sync", wid)

    def key(self, wid, *keys):
        self.focus(wid)
        self.xdotool("key", "--clearmodifiers", *keys)

    def key_down(self, wid, key):
        self.focus(wid)
        self.xdotool("keydown", key)

    def key_up(self, wid, key):
        self.xdotool("keyup", key)

    def type_text(self, wid, text):
        self.focus(wid)
        self.xdotool("type", "--delay", "5", text)

    def click(self, wid, x, y, button=1):
        """Clicks at (x, y) relative to the window's top-left corner."""
        g = self.window_geometry(wid)
        self.xdotool("mousemove", "--sync", str(g["X"] + x), str(g["Y"] + y))
        self.xdotool("click", str(button))

    def screenshot(self, name):
        path = os.path.join(self.args.out, name if name.endswith(".png") else name + ".png")
        subprocess.run(["import", "-display", self.display, "-window", "root", path],
                       env=self.env, check=True, capture_output=True)
        return path

    def window_pixel(self, wid, x, y):
        """The colour (r, g, b) at (x, y) relative to the window, read from the display."""
        out = subprocess.run(
            ["import", "-display", self.display, "-window", wid, "-crop", f"1x1+{x}+{y}",
             "-depth", "8", "txt:-"], env=self.env, capture_output=True, text=True).stdout
        m = re.search(r"\((\d+),(\d+),(\d+)", out.splitlines()[-1] if out else "")
        return tuple(int(v) for v in m.groups()) if m else None

    # ---- settings store ----------------------------------------------------------------
    def store_path(self):
        return os.path.join(self.home, ".config", "Tavrel", "settings.db")

    def stored(self, section, key, app="Tavrel"):
        """The value stored at (app, section, key), compared without regard to case, or None."""
        path = self.store_path()
        if not os.path.exists(path):
            return None
        con = sqlite3.connect(f"file:{path}?mode=ro", uri=True, timeout=5)
        try:
            rows = con.execute("SELECT app, section, key, value FROM settings").fetchall()
        except sqlite3.OperationalError:
            return None  # the player is still making the store
        finally:
            con.close()
        for a, s, k, v in rows:
            if a.casefold() == app.casefold() and s.casefold() == section.casefold() \
                    and k.casefold() == key.casefold():
                return v
        return None

    # ---- clean-up -----------------------------------------------------------------------
    def close(self):
        for proc in self.procs:
            if proc.poll() is None:
                proc.send_signal(signal.SIGTERM)
                try:
                    proc.wait(timeout=5)
                except subprocess.TimeoutExpired:
                    proc.kill()
                    proc.wait()
        if getattr(self, "_dbus_pid", None):
            try:
                os.kill(self._dbus_pid, signal.SIGTERM)
            except ProcessLookupError:
                pass
        self.xvfb.terminate()
        try:
            self.xvfb.wait(timeout=5)
        except subprocess.TimeoutExpired:
            self.xvfb.kill()
        if self._own_home:
            shutil.rmtree(self.home, ignore_errors=True)
        try:
            os.remove(self.xvfb_log)
        except OSError:
            pass

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()
        return False


def make_mp3(wav_path, mp3_path):
    subprocess.run(["ffmpeg", "-v", "error", "-y", "-i", wav_path, "-codec:a", "libmp3lame",
                    "-b:a", "128k", mp3_path], check=True)


def make_wma(wav_path, wma_path):
    subprocess.run(["ffmpeg", "-v", "error", "-y", "-i", wav_path, "-codec:a", "wmav2",
                    "-b:a", "128k", wma_path], check=True)


def make_tone_wav(path, seconds, rate=44100, channels=2, freq=440):
    subprocess.run(["sox", "-n", "-r", str(rate), "-c", str(channels), "-b", "16", path,
                    "synth", str(seconds), "sine", str(freq), "vol", "0.5"], check=True)


def main(test):
    args = parse_args()
    try:
        test(args)
    except Skip as e:
        print(f"SKIPPED: {e}")
        sys.exit(SKIPPED)
    except Exception as e:  # report, then fail the ctest case
        print(f"FAILED: {e}", file=sys.stderr)
        raise
    print("passed")
