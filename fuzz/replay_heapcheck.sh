#!/usr/bin/env bash
# Replays a folder of WAV files (a fuzzer's corpus) through a wavsplice that was built without
# the sanitisers, under a heap checker that sees writes made inside the libraries the
# sanitisers do not instrument (the decoder and resampler libraries).
#   fuzz/replay_heapcheck.sh WAVSPLICE FOLDER            glibc's own checks (MALLOC_CHECK_=3)
#   fuzz/replay_heapcheck.sh --valgrind WAVSPLICE FOLDER valgrind's memcheck (slow: a small corpus)
# A file that makes wavsplice end other than with status 0, 1 or 3 is a finding.
set -uo pipefail
valgrind=0
if [ "${1:-}" = --valgrind ]; then
    valgrind=1
    shift
fi
wavsplice=$1
folder=$2
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
debug_lib=$(ls /usr/lib/*/libc_malloc_debug.so.0 2>/dev/null | head -n 1)
files=0
findings=0
for f in "$folder"/*; do
    files=$((files + 1))
    if [ $valgrind = 1 ]; then
        valgrind -q --error-exitcode=99 "$wavsplice" -q -o "$out/out.wav" "$f" >/dev/null 2>"$out/err"
    else
        LD_PRELOAD=$debug_lib MALLOC_CHECK_=3 MALLOC_PERTURB_=165 \
            GLIBC_TUNABLES=glibc.malloc.check=3:glibc.malloc.perturb=165 \
            "$wavsplice" -q -o "$out/out.wav" "$f" >/dev/null 2>"$out/err"
    fi
    status=$?
    if [ $status -ne 0 ] && [ $status -ne 1 ] && [ $status -ne 3 ]; then
        findings=$((findings + 1))
        echo "finding (status $status): $f"
        head -n 20 "$out/err"
    fi
done
echo "$files files, $findings findings"
[ $findings -eq 0 ]
