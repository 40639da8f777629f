#!/usr/bin/env python3
"""wavsplice as a user meets it: exit status, messages, signals, odd outputs, the terminal.

Usage: wavsplice_test.py PATH/TO/wavsplice"""

import os
import pty
import struct
import select
import signal
import stat
import subprocess
import sys
import tempfile
import time
import unittest
import wave

WAVSPLICE = None


def write_wav(path, seconds, rate=44100, width=2, channels=2, noise=False):
    frames = int(seconds * rate)
    size = frames * width * channels
    data = os.urandom(size) if noise else bytes(size)
    with wave.open(path, "wb") as w:
        w.setnchannels(channels)
        w.setsampwidth(width)
        w.setframerate(rate)
        w.writeframes(data)
    return path


def raw_wav(path, tag, channels, rate, bits, align, frames, mask=None, declared=None,
            sub_tag=1):
    """A WAV file written byte by byte, with whatever its header says (even nonsense)."""
    data = bytes((i * 37 + 11) & 0xFF for i in range(frames * align))
    fmt = struct.pack("<HHIIHH", tag, channels, rate, rate * align, align, bits)
    if mask is not None:
        fmt += struct.pack("<HHII", 22, bits, mask, sub_tag)
        fmt += bytes([0x00, 0x00, 0x10, 0x00, 0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71])
    size = len(data) if declared is None else declared
    body = b"WAVE" + b"fmt " + struct.pack("<I", len(fmt)) + fmt
    body += b"data" + struct.pack("<I", size) + data
    with open(path, "wb") as f:
        f.write(b"RIFF" + struct.pack("<I", len(body)) + body)
    return path


def sound_frames(path):
    """Frames of a joined file (2 channels of 16 bits after a 44-byte header)."""
    return (os.path.getsize(path) - 44) // 4


def run(*args, **kw):
    return subprocess.run([WAVSPLICE, *args], capture_output=True, text=True, timeout=120, **kw)


class Folder(unittest.TestCase):
    def setUp(self):
        self.tmp = tempfile.TemporaryDirectory(prefix="wavsplice-test-")
        self.dir = self.tmp.name

    def tearDown(self):
        self.tmp.cleanup()

    def path(self, name):
        return os.path.join(self.dir, name)

    def names(self):
        return sorted(os.listdir(self.dir))


def lines(stderr):
    return stderr.splitlines()


class ExitStatus(Folder):
    def test_status_tells_whether_every_input_was_joined(self):
        a = write_wav(self.path("a.wav"), 1)
        b = write_wav(self.path("b.wav"), 2)
        os.mkdir(self.path("takes"))
        with open(self.path("bad.wav"), "wb") as f:
            f.write(b"not a wave file at all")
        bad, takes, missing = self.path("bad.wav"), self.path("takes"), self.path("missing.wav")
        cases = [
            ("all joined", [], [a, b], 0, 3 * 176400),
            ("one refused stops the run", [], [a, bad, b], 1, None),
            ("a folder stops the run", [], [takes, b], 1, None),
            ("one refused, the rest joined", ["--skip-bad"], [a, bad, b], 3, 3 * 176400),
            ("a folder left out", ["--skip-bad"], [takes, b], 3, 2 * 176400),
            ("nothing joinable", ["--skip-bad"], [bad, missing], 1, None),
        ]
        for name, options, inputs, status, sound in cases:
            with self.subTest(name):
                out = self.path("out.wav")
                if os.path.exists(out):
                    os.remove(out)
                r = run(*options, "-o", out, *inputs)
                self.assertEqual(r.returncode, status, r.stderr)
                for line in lines(r.stderr):
                    self.assertTrue(line.startswith("wavsplice: "), line)
                if sound is None:
                    self.assertFalse(os.path.exists(out))
                    self.assertIn("nothing was written", r.stderr)
                else:
                    self.assertEqual(os.path.getsize(out), 44 + sound)
        r = run("-o", self.path("x.wav"), takes, a, missing)
        self.assertEqual(lines(r.stderr), [
            f"wavsplice: {takes}: is a folder, not a WAV file",
            f"wavsplice: {missing}: no such file",
            "wavsplice: 2 of 3 inputs cannot be joined; nothing was written "
            "(--skip-bad joins the rest)"])
        r = run("--skip-bad", "-o", self.path("x.wav"), "takes", a, cwd=self.dir)
        self.assertEqual(lines(r.stderr), ["wavsplice: takes: is a folder, not a WAV file",
                                           "wavsplice: 1 of 2 inputs left out"])

    @unittest.skipIf(os.geteuid() == 0, "the super-user may read any file")
    def test_an_unreadable_input_is_named_as_such(self):
        locked = write_wav(self.path("locked.wav"), 1)
        os.chmod(locked, 0)
        r = run("-o", self.path("out.wav"), locked)
        self.assertEqual(r.returncode, 1)
        self.assertIn(f"wavsplice: {locked}: cannot be read (Permission denied)", r.stderr)
        self.assertNotIn("not supported", r.stderr)

    def test_wrong_arguments(self):
        a = write_wav(self.path("a.wav"), 1)
        o = self.path("o.wav")
        cases = [
            ([], "no output file"),
            (["-o"], "-o needs FILE"),
            (["--output"], "--output needs FILE"),
            (["-o", o], "no input files"),
            ([a], "no output file"),
            (["--bogus", "-o", "x", a], "unknown option --bogus"),
            (["-x", "-o", "x", a], "unknown option -x"),
            (["-o", o, "-o", self.path("p.wav"), a], "-o given twice"),
            (["-o", o, "--output=" + self.path("p.wav"), a], "-o given twice"),
            (["--quiet=yes", "-o", o, a], "--quiet takes no value"),
            (["-o", o, "-"], "standard input cannot be an input"),
        ]
        for args, why in cases:
            with self.subTest(args=args):
                r = run(*args)
                self.assertEqual(r.returncode, 2)
                self.assertEqual(r.stdout, "")
                told = lines(r.stderr)
                self.assertEqual(len(told), 2, r.stderr)
                self.assertTrue(told[0].startswith(f"wavsplice: {why}"), r.stderr)
                self.assertEqual(told[1], "wavsplice: try 'wavsplice --help' for more information")
        self.assertFalse(os.path.exists(o))

    def test_options_in_their_usual_forms(self):
        a = write_wav(self.path("a.wav"), 1)
        os.mkdir(self.path("-dash"))
        dashed = write_wav(self.path("-dash/-b.wav"), 1)
        forms = [
            ["--output=" + self.path("o.wav"), a],
            ["--output", self.path("o.wav"), a],
            ["-o" + self.path("o.wav"), a],
            ["-qo", self.path("o.wav"), a],
            ["--quiet", "--no-header", "-o", self.path("o.raw"), a],
            ["-o", self.path("o.wav"), "--", a],
        ]
        for args in forms:
            with self.subTest(args=args):
                for leftover in ("o.wav", "o.raw"):
                    if os.path.exists(self.path(leftover)):
                        os.remove(self.path(leftover))
                r = run(*args)
                self.assertEqual((r.returncode, r.stderr), (0, ""))
                made = "o.raw" if "--no-header" in args else "o.wav"
                self.assertEqual(os.path.getsize(self.path(made)),
                                 176400 + (0 if made == "o.raw" else 44))
        r = run("-o", "out.wav", "--", "-dash/-b.wav", cwd=self.dir)
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertEqual(sound_frames(self.path("out.wav")), sound_frames(dashed))

    def test_version_and_help(self):
        r = run("--version")
        self.assertEqual(r.returncode, 0)
        self.assertRegex(r.stdout, r"^wavsplice \(splicer\) \d+\.\d+\.\d+\n$")
        r = run("--help")
        self.assertEqual((r.returncode, r.stderr), (0, ""))
        for option in ("--output=FILE", "--skip-bad", "--no-header", "--quiet", "--version",
                       "3 joined"):
            self.assertIn(option, r.stdout)
        for line in r.stdout.splitlines():
            self.assertLessEqual(len(line), 80, line)
            self.assertEqual(line, line.rstrip(), "trailing blanks")


class Outputs(Folder):
    def setUp(self):
        super().setUp()
        self.input = write_wav(self.path("in.wav"), 1)

    def test_odd_outputs_are_refused_before_any_work(self):
        os.mkdir(self.path("folder"))
        os.mkfifo(self.path("fifo.wav"))
        os.symlink("fifo.wav", self.path("tofifo.wav"))
        with open(self.path("locked.wav"), "wb") as f:
            f.write(b"old")
        os.chmod(self.path("locked.wav"), 0o444)
        cases = [
            ("folder", "is a folder"),
            ("fifo.wav", "is a pipe"),
            ("tofifo.wav", "symbolic link to a pipe"),
            ("locked.wav", "write-protected"),
            ("no/such/folder/out.wav", "does not exist"),
        ]
        before = self.names()
        for name, reason in cases:
            with self.subTest(name):
                # A pipe nobody reads would block a program that opened it: it must not.
                r = run("-o", self.path(name), self.input)
                self.assertEqual(r.returncode, 1)
                self.assertIn(reason, r.stderr)
                self.assertNotIn("not supported", r.stderr)
                self.assertEqual(self.names(), before)
        self.assertTrue(stat.S_ISFIFO(os.lstat(self.path("fifo.wav")).st_mode))
        with open(self.path("locked.wav"), "rb") as f:
            self.assertEqual(f.read(), b"old")

    def test_a_link_is_written_through_to_its_file(self):
        os.mkdir(self.path("real"))
        with open(self.path("real/song.wav"), "wb") as f:
            f.write(b"old")
        os.symlink("real/song.wav", self.path("song.wav"))
        r = run("-o", self.path("song.wav"), self.input)
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertTrue(os.path.islink(self.path("song.wav")))
        self.assertEqual(os.path.getsize(self.path("real/song.wav")), 44 + 176400)
        self.assertEqual(sorted(os.listdir(self.path("real"))), ["song.wav"])

    @unittest.skipIf(os.geteuid() == 0, "the super-user may write into any folder")
    def test_a_read_only_folder(self):
        os.mkdir(self.path("ro"))
        os.chmod(self.path("ro"), 0o555)
        r = run("-o", self.path("ro/out.wav"), self.input)
        self.assertEqual(r.returncode, 1)
        self.assertIn("Cannot create a file in", r.stderr)
        self.assertEqual(os.listdir(self.path("ro")), [])


class UnusualInputs(Folder):
    """Files as recorders and other programs write them, and some no program should."""

    def join(self, *inputs):
        out = self.path("out.wav")
        if os.path.exists(out):
            os.remove(out)
        return run("-q", "-o", out, *inputs), out

    def test_inputs_of_many_channels_are_joined(self):
        # 9 frames at 8 kHz become round(9 x 44100 / 8000) = 50 frames.
        cases = [(ch, bits, (bits + 7) // 8 * ch, None) for ch, bits in
                 ((3, 16), (4, 12), (5, 5), (6, 16), (7, 24), (8, 16))]
        cases += [(4, 16, 8, 0x33), (6, 24, 18, 0x3F), (8, 32, 32, 0x63F), (18, 16, 36, 0x3FFFF),
                  (5, 16, 10, 0x80000000), (4, 16, 8, 0x5)]
        for channels, bits, align, mask in cases:
            with self.subTest(channels=channels, bits=bits, mask=mask):
                tag = 1 if mask is None else 0xFFFE
                f = raw_wav(self.path("in.wav"), tag, channels, 8000, bits, align, 9, mask)
                r, out = self.join(f)
                self.assertEqual(r.returncode, 0, r.stderr)
                self.assertEqual(sound_frames(out), 50)

    def test_every_container_width_is_read_by_its_block_align(self):
        # 5 frames of 3 channels at 8 kHz become round(5 x 44100 / 8000) = 28 frames.
        for width in range(1, 9):
            for bits in sorted({8 * width - 7, 8 * width - 3, 8 * width}):
                with self.subTest(width=width, bits=bits):
                    f = raw_wav(self.path("in.wav"), 1, 3, 8000, bits, 3 * width, 5)
                    r, out = self.join(f)
                    self.assertEqual(r.returncode, 0, r.stderr)
                    self.assertEqual(sound_frames(out), 28)

    def test_a_header_that_contradicts_itself_is_refused_with_the_reason(self):
        f = raw_wav(self.path("odd.wav"), 1, 3, 8000, 24, 4, 61)
        r, out = self.join(f)
        self.assertEqual(r.returncode, 1)
        self.assertIn(f"wavsplice: {f}: format not supported (block align 4 does not fit 3 "
                      "channels of 24 bits)", r.stderr)
        self.assertFalse(os.path.exists(out))

    def test_a_data_chunk_cut_short_is_joined_with_a_warning(self):
        # 100 frames present of the 250 the header declares.
        cut = raw_wav(self.path("cut.wav"), 1, 2, 44100, 16, 4, 100, declared=1000)
        whole = write_wav(self.path("whole.wav"), 1)
        r, out = self.join(cut, whole)
        self.assertEqual(r.returncode, 3, r.stderr)
        self.assertIn("cut.wav", r.stderr)
        self.assertIn("600 of its 1,000 bytes", r.stderr)
        self.assertNotIn("whole.wav", r.stderr)
        self.assertEqual(sound_frames(out), 100 + 44100)

    def test_an_output_that_is_a_dangling_link_is_written_through(self):
        os.mkdir(self.path("real"))
        cases = [("new.wav", "real/new.wav"), ("chain.wav", "new2.wav")]
        os.symlink("real/new2.wav", self.path("new2.wav"))
        source = write_wav(self.path("in.wav"), 1)
        for link, target in cases:
            with self.subTest(link=link):
                os.symlink(target, self.path(link))
                r = run("-o", self.path(link), source)
                self.assertEqual(r.returncode, 0, r.stderr)
                self.assertTrue(os.path.islink(self.path(link)))
                self.assertEqual(os.path.getsize(self.path(link)), 44 + 176400)
        self.assertEqual(sorted(os.listdir(self.path("real"))), ["new.wav", "new2.wav"])
        os.symlink("nowhere/x.wav", self.path("lost.wav"))
        r = run("-o", self.path("lost.wav"), source)
        self.assertEqual(r.returncode, 1)
        self.assertIn("does not exist", r.stderr)


class StandardOutput(Folder):
    """-o - : the WAV goes down a pipe, header first, as a player or an encoder reads it."""

    def stream(self, *args, stdin=None):
        return subprocess.run([WAVSPLICE, "-o", "-", *args], capture_output=True, timeout=120)

    def test_the_stream_is_the_file_that_would_have_been_written(self):
        a = write_wav(self.path("a.wav"), 1.5, rate=48000, width=3, channels=1, noise=True)
        b = write_wav(self.path("b.wav"), 2, noise=True)
        c = raw_wav(self.path("c.wav"), 1, 6, 8000, 16, 12, 8001)
        for options in ([], ["--no-header"]):
            with self.subTest(options=options):
                r = self.stream(*options, a, b, c)
                self.assertEqual((r.returncode, r.stderr), (0, b""))
                run(*options, "-o", self.path("file.wav"), a, b, c)
                with open(self.path("file.wav"), "rb") as f:
                    self.assertTrue(r.stdout == f.read())

    def test_matched_loudness_and_gaps_stream_and_a_crossfade_is_refused(self):
        a = write_wav(self.path("a.wav"), 1, noise=True)
        b = write_wav(self.path("b.wav"), 0.5, rate=22050, channels=1)
        r = self.stream("--loudness", "--gap", "0.5", a, b)
        self.assertEqual(r.returncode, 0, r.stderr)
        run("--loudness", "--gap", "0.5", "-o", self.path("file.wav"), a, b)
        with open(self.path("file.wav"), "rb") as f:
            self.assertTrue(r.stdout == f.read())
        r = self.stream("--crossfade", "1", a, b)
        self.assertEqual((r.returncode, r.stdout), (2, b""))
        self.assertIn(b"crossfade cannot be streamed", r.stderr)

    def test_the_header_tells_the_length_of_what_follows(self):
        # Compressed inputs are measured by their blocks before anything is decoded; one with a
        # damaged block decodes to less, and the stream is made up to what its header said.
        made = subprocess.run(["sox", "-R", "-n", "-r", "8000", "-c", "1", "-e", "ms-adpcm",
                               self.path("adpcm.wav"), "synth", "1", "sine", "440"])
        if made.returncode != 0:
            self.skipTest("sox cannot write Microsoft ADPCM here")
        with open(self.path("adpcm.wav"), "rb") as f:
            damaged = bytearray(f.read())
        damaged[damaged.find(b"data") + 8 + 256] = 9  # a predictor of 9 of 7
        with open(self.path("damaged.wav"), "wb") as f:
            f.write(damaged)
        for name in ("adpcm.wav", "damaged.wav"):
            with self.subTest(name):
                r = self.stream(self.path(name), write_wav(self.path("cd.wav"), 1))
                self.assertEqual(r.returncode, 0, r.stderr)
                riff, declared = struct.unpack_from("<I", r.stdout, 4)[0], \
                    struct.unpack_from("<I", r.stdout, 40)[0]
                self.assertEqual(declared, len(r.stdout) - 44)
                self.assertEqual(riff, declared + 36)
                self.assertEqual(declared % 4, 0)

    def test_a_player_reads_it_from_a_pipe(self):
        takes = [write_wav(self.path(f"t{i}.wav"), 1 + i, rate=22050, channels=1)
                 for i in range(2)]
        for reader in (["sox", "-t", "wav", "-", "-n", "stat"], ["aplay", "-D", "null", "-q"]):
            with self.subTest(reader[0]):
                try:
                    joined = subprocess.Popen([WAVSPLICE, "-o", "-", *takes],
                                              stdout=subprocess.PIPE, stderr=subprocess.PIPE)
                    player = subprocess.run(reader, stdin=joined.stdout, capture_output=True,
                                            text=True, timeout=60)
                except FileNotFoundError:
                    self.skipTest(f"{reader[0]} is not installed")
                joined.stdout.close()
                self.assertEqual(joined.wait(timeout=60), 0, joined.stderr.read())
                joined.stderr.close()
                self.assertEqual(player.returncode, 0, player.stderr)
                if reader[0] == "sox":
                    self.assertRegex(player.stderr, r"Length \(seconds\): +3\.000000")

    def test_nothing_goes_down_the_pipe_when_an_input_is_bad(self):
        a = write_wav(self.path("a.wav"), 1)
        r = self.stream(a, self.path("missing.wav"))
        self.assertEqual((r.returncode, r.stdout), (1, b""))
        self.assertIn(b"missing.wav: no such file", r.stderr)
        r = self.stream("--skip-bad", a, self.path("missing.wav"))
        self.assertEqual(r.returncode, 3)
        self.assertEqual(len(r.stdout), 44 + 176400)

    def test_a_run_that_fails_after_sending_says_the_stream_is_incomplete(self):
        takes = [write_wav(self.path(f"take{i}.wav"), 40, rate=48000, width=3, noise=True)
                 for i in range(2)]
        with open(self.path("sent.wav"), "wb") as sink:
            proc, master = on_terminal(["-o", "-", *takes], stdout=sink)
            self.assertIn(b"%  take0.wav", read_until(master, b"%  take0.wav", 60))
            # The second take shrinks while the first is being converted.
            os.truncate(takes[1], 1000)
            told = drain(master).decode()
            proc.wait(timeout=60)
        os.close(master)
        self.assertEqual(proc.returncode, 1)
        self.assertIn("take1.wav changed since it was added", told)
        self.assertIn("the sound sent to standard output is incomplete", told)
        self.assertGreater(os.path.getsize(self.path("sent.wav")), 44)

    def test_sound_is_not_written_to_a_terminal(self):
        master, slave = pty.openpty()
        r = subprocess.run([WAVSPLICE, "-o", "-", write_wav(self.path("a.wav"), 1)],
                           stdout=slave, stderr=subprocess.PIPE, text=True, timeout=60)
        os.close(slave)
        self.assertEqual(r.returncode, 1)
        self.assertIn("wavsplice: standard output is a terminal", r.stderr)
        self.assertEqual(drain(master), b"")
        os.close(master)


def read_until(fd, needle, timeout):
    seen = b""
    end = time.monotonic() + timeout
    while needle not in seen and time.monotonic() < end:
        ready, _, _ = select.select([fd], [], [], 0.2)
        if ready:
            try:
                seen += os.read(fd, 4096)
            except OSError:
                break
    return seen


def on_terminal(args, stdout=subprocess.DEVNULL):
    """Starts wavsplice with its standard error on a pseudo-terminal."""
    master, slave = pty.openpty()
    proc = subprocess.Popen([WAVSPLICE, *args], stdout=stdout, stderr=slave,
                            start_new_session=True)
    os.close(slave)
    return proc, master


def drain(fd):
    out = b""
    while True:
        try:
            ready, _, _ = select.select([fd], [], [], 0.5)
            if not ready:
                return out
            chunk = os.read(fd, 4096)
        except OSError:
            return out
        if not chunk:
            return out
        out += chunk


def sox(path, fmt, effects):
    subprocess.run(["sox", "-n", *fmt.split(), path, *effects.split()], check=True)
    return path


class HowInputsMeet(Folder):
    """--loudness, --gap, --crossfade, --measure and -v."""

    def test_unusable_options_are_wrong_arguments_and_write_nothing(self):
        a = write_wav(self.path("a.wav"), 1)
        out = self.path("out.wav")
        for args, says in [
            (["--loudness=-24"], "from -23 to -9 LUFS"),
            (["--loudness=-8.5"], "from -23 to -9 LUFS"),
            (["--loudness=loud"], "target in LUFS"),
            (["--gap", "1", "--crossfade", "0.5"], "cannot be used together"),
            (["--crossfade=5.5"], "from 0 to 5 seconds"),
            (["--gap", "-1"], "from 0 to 10 seconds"),
            (["--gap", "1s"], "--gap needs a number of seconds"),
            (["--crossfade"], "--crossfade needs a number of seconds"),
        ]:
            with self.subTest(args=args):
                r = run("-o", out, *args, a)
                self.assertEqual(r.returncode, 2, r.stderr)
                self.assertIn(says, r.stderr)
                self.assertEqual(self.names(), ["a.wav"])

    def test_measure_prints_the_table_and_writes_nothing(self):
        sox(self.path("tone.wav"), "-r 48000 -b 24 -c 2", "synth 3 sine 1000 vol -23dB")
        sox(self.path("blip.wav"), "-r 44100 -b 16 -c 1", "synth 0.2 sine 300 vol -6dB")
        r = run("--measure", "--loudness=-20", "tone.wav", "blip.wav", cwd=self.dir)
        self.assertEqual(r.returncode, 0, r.stderr)
        lines = r.stdout.splitlines()
        self.assertEqual(lines[0].split(), ["LUFS", "dBTP", "gain", "file"])
        self.assertEqual(lines[1].split(), ["-23.0", "-23.0", "+3.0", "tone.wav"])
        self.assertEqual(lines[2].split()[:4], ["-", "-6.0", "+0.0", "blip.wav"])
        self.assertIn("kept", lines[2])
        self.assertEqual(self.names(), ["blip.wav", "tone.wav"])

    def test_matched_join_with_verbose_table_and_crossfade_note(self):
        sox(self.path("quiet.wav"), "-r 44100 -b 16 -c 2", "synth 2 sine 1000 vol -40dB")
        sox(self.path("loud.wav"), "-r 44100 -b 16 -c 2", "synth 2 sine 1000 vol -6dB")
        sox(self.path("short.wav"), "-r 44100 -b 16 -c 2", "synth 0.5 sine 1000 vol -6dB")
        r = run("-v", "--loudness", "--crossfade", "0.3", "-o", "out.wav",
                "quiet.wav", "loud.wav", "short.wav", cwd=self.dir)
        self.assertEqual(r.returncode, 0, r.stderr)
        rows = [line.split() for line in r.stdout.splitlines()[1:]]
        self.assertEqual([row[2] for row in rows], ["+24.0", "-10.0", "-10.0"])
        self.assertIn("short.wav is shorter than twice the crossfade", r.stderr)
        # 2 + 2 + 0.5 s, less one crossfade of 0.3 s (short.wav has none).
        self.assertEqual(sound_frames(self.path("out.wav")), 44100 * 45 // 10 - 13230)

    def test_a_gap_lengthens_the_join_by_whole_frames(self):
        write_wav(self.path("a.wav"), 1)
        write_wav(self.path("b.wav"), 0.5, rate=22050, channels=1)
        r = run("--gap=0.01", "-o", "out.wav", "a.wav", "b.wav", cwd=self.dir)
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertEqual(sound_frames(self.path("out.wav")), 44100 + 441 + 22050)

    def test_help_names_the_options(self):
        r = run("--help")
        for option in ["--loudness[=LUFS]", "--gap=SECONDS", "--crossfade=SECONDS", "--measure",
                       "-v, --verbose"]:
            self.assertIn(option, r.stdout)


class Terminal(Folder):
    def long_inputs(self):
        # Sound that has to be resampled, long enough for a signal to arrive during the run.
        return [write_wav(self.path(f"take{i}.wav"), 40, rate=48000, width=3, noise=True)
                for i in range(3)]

    def test_progress_is_drawn_in_place_on_a_terminal_only(self):
        inputs = [write_wav(self.path(f"t{i}.wav"), 12, noise=True) for i in range(2)]
        proc, master = on_terminal(["-o", self.path("out.wav"), *inputs])
        shown = read_until(master, b"t1.wav", 60) + drain(master)
        proc.wait(timeout=60)
        os.close(master)
        self.assertEqual(proc.returncode, 0)
        text = shown.decode()
        self.assertIn("\r\x1b[K", text)
        self.assertRegex(text, r" *\d+%  t0\.wav")
        self.assertRegex(text, r" *\d+%  t1\.wav")
        self.assertNotIn("\n", text)

        proc, master = on_terminal(["-q", "-o", self.path("quiet.wav"), *inputs])
        proc.wait(timeout=60)
        self.assertEqual(drain(master), b"")
        os.close(master)
        self.assertEqual(proc.returncode, 0)

        r = run("-o", self.path("piped.wav"), *inputs)
        self.assertEqual((r.returncode, r.stdout, r.stderr), (0, "", ""))

        # Sound on standard output and the progress on the terminal do not mix.
        with open(self.path("streamed.wav"), "wb") as sink:
            proc, master = on_terminal(["-o", "-", *inputs], stdout=sink)
            shown = read_until(master, b"t1.wav", 60) + drain(master)
            proc.wait(timeout=60)
        os.close(master)
        self.assertEqual(proc.returncode, 0)
        self.assertRegex(shown.decode(), r" *\d+%  t1\.wav")
        with open(self.path("streamed.wav"), "rb") as a, open(self.path("out.wav"), "rb") as b:
            self.assertTrue(a.read() == b.read())

    def test_a_signal_ends_the_run_and_leaves_nothing_behind(self):
        inputs = self.long_inputs()
        with open(self.path("out.wav"), "wb") as f:
            f.write(b"old")
        before = self.names()
        for sig in (signal.SIGINT, signal.SIGTERM, signal.SIGHUP, signal.SIGKILL):
            with self.subTest(signal=sig.name):
                proc, master = on_terminal(["-o", self.path("out.wav"), *inputs])
                started = read_until(master, b"%  take0.wav", 60)
                self.assertIn(b"%", started)
                time.sleep(0.05)
                proc.send_signal(sig)
                proc.wait(timeout=60)
                drain(master)
                os.close(master)
                self.assertEqual(proc.returncode, -sig)
                self.assertEqual(self.names(), before)
                with open(self.path("out.wav"), "rb") as f:
                    self.assertEqual(f.read(), b"old")


if __name__ == "__main__":
    WAVSPLICE = os.path.abspath(sys.argv.pop(1))
    unittest.main(verbosity=2)
