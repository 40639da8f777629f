#!/usr/bin/env bash
# Joining speed and memory of wavsplice beside sox and ffmpeg on the same generated inputs.
#   bench/run.sh                    sets A and B (wavsplice from an optimised build)
#   SPLICER_BENCH_SET_C=1 bench/run.sh ...   also set C (2 x 30 min, about 1 GB to generate;
#                                            SPLICER_BENCH_C_SECONDS shortens it)
# Set A: 8 x 120 s already in the output format; set B: 8 x 120 s in mixed formats;
# set C: 2 x 30 min of 48 kHz 24-bit. Inputs come from sox in repeatable mode (fixed seed).
# Every figure of one table comes from the same run on the same machine: compare the ratios,
# which other work on the machine disturbs far less than the times.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
# Timings of an unoptimised build say little: wavsplice is built in the release tree.
[ -f "$ROOT/build/release/build.ninja" ] || (cd "$ROOT" && cmake --preset release >/dev/null)
cmake --build "$ROOT/build/release" -j2 --target wavsplice >/dev/null
WAVSPLICE=$ROOT/build/release/bin/wavsplice
RUNS=${SPLICER_BENCH_RUNS:-3}
WORK=$(mktemp -d "${TMPDIR:-/tmp}/splicer-bench.XXXXXX")
trap 'rm -rf "$WORK"' EXIT
cd "$WORK"

synth() { # out seconds [format options...]
    local out=$1 seconds=$2
    shift 2
    sox -R -n "$@" "$out" synth "$seconds" pinknoise vol 0.25 synth "$seconds" sine mix 440 vol 0.5
}

# 16-bit stereo rewritten with a WAVE_FORMAT_EXTENSIBLE fmt chunk (sox writes the plain one).
extensible() {
    python3 - "$1" <<'PY'
import struct, sys
p = sys.argv[1]
b = open(p, 'rb').read()
i = b.index(b'fmt ')
tag, ch, rate, avg, align, bits = struct.unpack('<HHIIHH', b[i + 8:i + 24])
size = struct.unpack('<I', b[i + 4:i + 8])[0]
guid = struct.pack('<I', 1) + bytes([0, 0, 0x10, 0, 0x80, 0, 0, 0xAA, 0, 0x38, 0x9B, 0x71])
fmt = struct.pack('<HHIIHHHHI', 0xFFFE, ch, rate, avg, align, bits, 22, bits, 3) + guid
rest = b[i + 8 + size + (size & 1):]
body = b[12:i] + b'fmt ' + struct.pack('<I', len(fmt)) + fmt + rest
open(p, 'wb').write(b'RIFF' + struct.pack('<I', len(body) + 4) + b'WAVE' + body)
PY
}

log() { printf '%s\n' "$*" >&2; }

mkdir A B C
log "generating set A"
for i in 1 2 3 4 5 6 7 8; do synth A/a$i.wav 120 -r 44100 -b 16 -c 2; done
log "generating set B"
synth B/b1.wav 120 -r 48000 -b 24 -c 2
synth B/b2.wav 120 -r 96000 -b 24 -c 2
synth B/b3.wav 120 -r 22050 -b 8 -c 1
synth B/b4.wav 120 -r 48000 -e float -b 32 -c 2
synth B/b5.wav 120 -r 32000 -b 16 -c 1
synth B/b6.wav 120 -r 44100 -b 32 -c 2
synth B/b7.wav 120 -r 8000 -e mu-law -c 1
synth B/b8.wav 120 -r 44100 -b 16 -c 2 && extensible B/b8.wav
if [ "${SPLICER_BENCH_SET_C:-0}" = 1 ]; then
    log "generating set C"
    synth C/c1.wav "${SPLICER_BENCH_C_SECONDS:-1800}" -r 48000 -b 24 -c 2
    synth C/c2.wav "${SPLICER_BENCH_C_SECONDS:-1800}" -r 48000 -b 24 -c 2
fi

# One run of a shell command: "wall cpu maxrss-KiB", or "n/a" when it failed. On a busy
# machine the processor time (user + system) shows the work done where the wall time also
# shows the waiting for a core.
once() {
    rm -f out.wav joined.wav
    if /usr/bin/time -f '%e %U %S %M' -o time.txt bash -c "$1" >/dev/null 2>err.txt; then
        read -r t u s m <time.txt
        echo "$t $(awk -v u="$u" -v s="$s" 'BEGIN { print u + s }') $m"
    else
        echo "n/a"
    fi
}

median() { sort -n | sed -n "$(((RUNS + 1) / 2))p"; }

# Runs every command of a set once per round, in the same order each round, for RUNS rounds
# (interleaved, so that a change of load on the machine falls on all of them alike), then
# prints one line per command: median wall time, median processor time, largest peak memory.
measure_set() { # name=command...
    local names=() commands=() r i
    for pair in "$@"; do
        names+=("${pair%%=*}")
        commands+=("${pair#*=}")
    done
    rm -rf rounds && mkdir rounds
    for r in $(seq "$RUNS"); do
        for i in "${!commands[@]}"; do
            once "${commands[$i]}" >>"rounds/$i"
        done
    done
    for i in "${!commands[@]}"; do
        if grep -q n/a "rounds/$i"; then
            echo "${names[$i]}=n/a n/a n/a"
            continue
        fi
        echo "${names[$i]}=$(cut -d' ' -f1 "rounds/$i" | median) $(cut -d' ' -f2 "rounds/$i" | median)" \
            "$(cut -d' ' -f3 "rounds/$i" | sort -n | tail -n 1 | awk '{ printf "%.1f", $1 / 1024 }')"
    done
}

# ffmpeg's concat filter, each input converted to the output format first by `resample`
# (the options of its aresample filter).
ffmpeg_join() {
    local resample=$1 inputs="" chain="" labels="" n=0
    shift
    for f in "$@"; do
        inputs+=" -i $f"
        chain+="[$n:a]aresample=44100${resample:+:$resample},aformat=sample_fmts=s16:channel_layouts=stereo[a$n];"
        labels+="[a$n]"
        n=$((n + 1))
    done
    echo "ffmpeg -nostdin -loglevel error -y $inputs -filter_complex '${chain}${labels}concat=n=$n:v=0:a=1[out]' -map '[out]' out.wav"
}

# One sox per file through a pipe: sox itself refuses to join files of different formats.
sox_piped() {
    echo "for f in $*; do sox \$f -t raw -e signed -b 16 -c 2 -r 44100 - rate -v; done | sox -t raw -e signed -b 16 -c 2 -r 44100 - out.wav"
}

row() { # set name "time cpu mem" input-bytes wavsplice-time
    local t c m
    read -r t c m <<<"$3"
    if [ "$t" = n/a ]; then
        printf '%-4s %-28s %8s\n' "$1" "$2" "failed"
        return
    fi
    printf '%-4s %-28s %8.2f %8.2f %9.0f %9s %10s\n' "$1" "$2" "$t" "$c" \
        "$(awk -v b="$4" -v t="$t" 'BEGIN { print (t > 0 ? b / t / 1e6 : 0) }')" "$m" \
        "$(awk -v a="$5" -v t="$t" 'BEGIN { if (a == "") print "-"; else printf "%.2f", t / a }')"
}

bench_set() { # name files...
    local name=$1
    shift
    local bytes commands=()
    bytes=$(cat "$@" | wc -c)
    commands+=("wavsplice=$WAVSPLICE -q -o out.wav $*")
    # The cost of matched loudness (a measuring pass more) and of crossfades, beside the plain join.
    commands+=("wavsplice --loudness=$WAVSPLICE -q --loudness -o out.wav $*")
    commands+=("wavsplice --loudness --crossfade 2=$WAVSPLICE -q --loudness --crossfade 2 -o out.wav $*")
    [ "$name" = A ] && commands+=("cat (same bytes)=cat $* > out.wav")
    if [ "$name" = A ] || [ "$name" = C ]; then
        commands+=("sox (rate -v)=sox $* -r 44100 -b 16 -c 2 out.wav rate -v")
    else
        commands+=("sox, one per file, piped=$(sox_piped "$@")")
    fi
    if [ "$name" = A ]; then
        printf '%s\n' "$@" | sed "s/.*/file '&'/" >list.txt
        commands+=("ffmpeg concat demuxer copy=ffmpeg -nostdin -loglevel error -y -f concat -safe 0 -i list.txt -c copy out.wav")
        if command -v shntool >/dev/null; then
            commands+=("shntool join=shntool join -q -O always -d . $*")
        else
            printf '%-4s %-28s %8s\n' "$name" "shntool join" "not installed"
        fi
    fi
    commands+=("ffmpeg, soxr=$(ffmpeg_join resampler=soxr "$@")")
    if [ "$name" = C ]; then
        commands+=("ffmpeg, soxr precision 28=$(ffmpeg_join resampler=soxr:precision=28:dither_method=triangular "$@")")
        commands+=("ffmpeg, default resampler=$(ffmpeg_join "" "$@")")
    fi
    local results ours=""
    results=$(measure_set "${commands[@]}")
    while IFS= read -r line; do
        local label=${line%%=*} figures=${line#*=}
        [ -z "$ours" ] && ours=$(cut -d' ' -f1 <<<"$figures")
        row "$name" "$label" "$figures" "$bytes" "$([ "$label" = wavsplice ] || echo "$ours")"
    done <<<"$results"
}

# Figures from a busy machine say little: wait (up to five minutes) for the load the
# generating left to fade.
for _ in $(seq 60); do
    awk '{ exit !($1 < 0.5) }' /proc/loadavg && break
    sleep 5
done
printf '\nwavsplice beside its peers on %s cores, load %s at the start (median of %s interleaved rounds;\nratio = peer time / wavsplice time)\n' "$(nproc)" "$(cut -d' ' -f1 /proc/loadavg)" "$RUNS"
printf '%-4s %-28s %8s %8s %9s %9s %10s\n' set program "wall s" "cpu s" "in MB/s" "peak MiB" "ratio"
read -r t c m <<<"$(measure_set "start-up=$WAVSPLICE --help" | cut -d= -f2)"
printf '%-4s %-28s %8.2f %8.2f %9s %9s %10s\n' - "wavsplice --help (start-up)" "$t" "$c" "" "$m" ""
bench_set A A/*.wav
bench_set B B/*.wav
if [ "${SPLICER_BENCH_SET_C:-0}" = 1 ]; then
    RUNS=${SPLICER_BENCH_C_RUNS:-3}
    bench_set C C/*.wav
else
    printf 'set C skipped (SPLICER_BENCH_SET_C=1 runs it)\n'
fi
