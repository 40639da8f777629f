"""The Debian package on this machine: apt installs it with the dependencies it names, the
installed tavrel and splicer open their windows under a private Xvfb, the installed wavsplice
joins two files, and apt removes it again without leaving its programs behind.

Needs root; skipped (status 77) without it, without a package to install, or when the package
is installed already, so that nobody's real installation is replaced or removed."""

import argparse
import fcntl
import glob
import os
import shutil
import subprocess
import sys
import tempfile

import harness

SKIP = 77
PACKAGE = "tavrel"
APT = ["apt-get", "-y", "-q", "-o", "DPkg::Lock::Timeout=300"]
WINDOWS = {"tavrel": "Tavrel", "splicer": "WAV Splicer"}


def installed():
    r = subprocess.run(["dpkg-query", "-W", "-f=${db:Status-Status}", PACKAGE],
                       capture_output=True, text=True)
    return r.returncode == 0 and r.stdout.strip() == "installed"


def apt(*argv):
    env = dict(os.environ, DEBIAN_FRONTEND="noninteractive")
    r = subprocess.run(APT + list(argv), env=env, capture_output=True, text=True)
    if r.returncode != 0:
        raise RuntimeError(f"apt-get {' '.join(argv)} failed:\n{r.stdout}{r.stderr}")
    return r.stdout


def check_installed_programs(args):
    for program in ("tavrel", "splicer", "wavsplice"):
        path = os.path.join("/usr/bin", program)
        owner = subprocess.run(["dpkg", "-S", path], capture_output=True, text=True).stdout
        assert owner.startswith(PACKAGE + ":"), f"{path} does not come from the package: {owner}"

    with harness.Session(args) as s:
        for program, title in WINDOWS.items():
            proc = s.start(program)
            wid = s.find_window(title, timeout=30)
            g = s.window_geometry(wid)
            assert g["WIDTH"] > 400 and g["HEIGHT"] > 300, (program, g)
            shot = s.screenshot(f"installed_{program}")
            print(f"{program}: window '{title}' {g['WIDTH']}x{g['HEIGHT']}, {shot}")
            proc.terminate()
            proc.wait(timeout=10)

    work = tempfile.mkdtemp(prefix="installed-wavsplice-")
    try:
        one, two, out = (os.path.join(work, n) for n in ("one.wav", "two.wav", "out.wav"))
        harness.make_tone_wav(one, 1, rate=22050, channels=1)
        harness.make_tone_wav(two, 2)
        subprocess.run(["/usr/bin/wavsplice", "-o", out, one, two], check=True)
        samples = subprocess.check_output(["sox", "--i", "-s", out], text=True).strip()
        assert samples == str(3 * 44100), f"the joined file holds {samples} samples"
    finally:
        shutil.rmtree(work, ignore_errors=True)


def main():
    p = argparse.ArgumentParser()
    p.add_argument("--deb-dir", required=True)
    args, _ = p.parse_known_args()
    if os.geteuid() != 0:
        print("skipped: installing a package needs root")
        return SKIP
    debs = sorted(glob.glob(os.path.join(args.deb_dir, PACKAGE + "_*.deb")))
    if not debs:
        print(f"skipped: no package in {args.deb_dir} (./dev package makes it)")
        return SKIP

    # Another checkout's run on this machine would install and remove the same package.
    with open("/tmp/tavrel-package-check.lock", "w") as lock:
        fcntl.flock(lock, fcntl.LOCK_EX)
        if installed():
            print(f"skipped: {PACKAGE} is installed on this machine already")
            return SKIP
        deb = debs[-1]
        print(f"{os.path.basename(deb)}: {os.path.getsize(deb)} bytes")
        try:
            apt("install", "--no-install-recommends", os.path.abspath(deb))
            assert installed(), "apt-get finished but the package is not installed"
            check_installed_programs(harness.parse_args())
        except (AssertionError, RuntimeError, TimeoutError, subprocess.SubprocessError) as e:
            print(f"FAILED: {e}", file=sys.stderr)
            return 1
        finally:
            if installed():
                apt("remove", PACKAGE)
        for program in ("tavrel", "splicer", "wavsplice"):
            if os.path.exists(os.path.join("/usr/bin", program)):
                print(f"FAILED: /usr/bin/{program} is still there after removal", file=sys.stderr)
                return 1
    print("passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
