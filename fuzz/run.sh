#!/usr/bin/env bash
# Builds the libFuzzer targets with clang-14 (configuring BUILD_DIR first when
# it has no cache yet) and runs each for SECONDS seconds on a scratch copy of its
# seed corpus. Prints one line per target; exits non-zero when any target
# crashed, leaked, timed out or could not be built. Crash inputs are kept in the
# scratch directory named on the target's line.
#
#   fuzz/run.sh SECONDS [BUILD_DIR]      (BUILD_DIR defaults to build-fuzz)
#
# PTP_FUZZ_KEEP=1 merges what a clean run found into the seed corpus in
# fuzz/corpus (minimised: only inputs that add coverage), so a long run by hand
# leaves its corpus for every later run; FUZZ_TARGETS="a b" runs only those.
set -u

usage() {
    echo "usage: $0 SECONDS [BUILD_DIR]" >&2
    exit 2
}

[[ $# -ge 1 && $# -le 2 ]] || usage
seconds=$1
[[ $seconds =~ ^[0-9]+$ && $seconds -gt 0 ]] || usage

here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")
build=${2:-$root/build-fuzz}
samples=${PTP_SAMPLES_DIR:-$root/../shared/samples}
# Every fuzz_*.cpp is a target.
targets=()
for source in "$here"/fuzz_*.cpp; do
    name=$(basename "$source" .cpp)
    if [[ -z ${FUZZ_TARGETS:-} || " $FUZZ_TARGETS " == *" $name "* ]]; then
        targets+=("$name")
    fi
done

# Inputs stay small so the whole stream fits into a socket buffer. A normal
# input runs in milliseconds (a stream of nothing but out-of-band notices, one
# thread each, in a few seconds), so one that takes 30 s is a hang.
max_len=65536
timeout=30

mkdir -p "$build"
if [[ ! -f $build/CMakeCache.txt ]]; then
    CC=clang-14 CXX=clang++-14 cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DPTP_FUZZ=ON -DPTP_TESTS=OFF -DPTP_BENCH=OFF >"$build/fuzz-configure.log" 2>&1 || {
        echo "configure failed: see $build/fuzz-configure.log"
        exit 1
    }
else
    # Refresh the configuration so new fuzz_*.cpp files become targets.
    cmake "$build" >"$build/fuzz-configure.log" 2>&1 || {
        echo "configure failed: see $build/fuzz-configure.log"
        exit 1
    }
fi
if ! cmake --build "$build" -j2 --target "${targets[@]}" >"$build/fuzz-build.log" 2>&1; then
    echo "build failed: see $build/fuzz-build.log"
    exit 1
fi

scratch=$(mktemp -d "${TMPDIR:-/tmp}/ptp-fuzz.XXXXXX")
status=0
for target in "${targets[@]}"; do
    work=$scratch/$target
    mkdir -p "$work/corpus" "$work/artifacts"
    cp "$here/corpus/$target"/* "$work/corpus/" 2>/dev/null
    # The image scanners also start from the real camera files beside the
    # checkout (they are not copied into the repository).
    if [[ $target == fuzz_image_files && -d $samples ]]; then
        find "$samples" -maxdepth 1 -type f -size -60k ! -name '*.tsv' ! -name '*.md' \
            -exec cp {} "$work/corpus/" \;
    fi
    seeds=$(ls "$work/corpus" | wc -l)

    "$build/fuzz/$target" -max_total_time="$seconds" -max_len="$max_len" -timeout="$timeout" \
        -artifact_prefix="$work/artifacts/" -print_final_stats=1 "$work/corpus" \
        >"$work/log" 2>&1
    rc=$?

    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$work/log")
    corpus=$(ls "$work/corpus" | wc -l)
    # Slow units are written there too; only these are failures.
    found=$(ls "$work/artifacts" | grep -m1 -E '^(crash|leak|timeout|oom)-')
    if [[ $rc -eq 0 && -z $found ]]; then
        echo "$target: ok, ${runs:-0} runs in ${seconds}s, corpus $seeds -> $corpus"
        if [[ ${PTP_FUZZ_KEEP:-0} == 1 ]]; then
            mkdir -p "$here/corpus/$target"
            "$build/fuzz/$target" -merge=1 -max_len="$max_len" "$here/corpus/$target" \
                "$work/corpus" >"$work/merge.log" 2>&1 &&
                echo "$target: corpus kept, $(ls "$here/corpus/$target" | wc -l) inputs"
        fi
    else
        # The sanitizer's summary (or the harness's own message), and the first
        # frame inside the library.
        what=$(grep -m1 -E '^SUMMARY: |^fuzz_[a-z_]+: |ERROR: libFuzzer: ' "$work/log" |
            sed -E 's/^SUMMARY: //; s/^==[0-9]+== ?ERROR: //')
        where=$(grep -E '^ +#[0-9]+ ' "$work/log" | grep -F "$root/" | grep -vF "$root/fuzz/" |
            head -1 | sed -E 's/^ +#[0-9]+ 0x[0-9a-f]+ in //')
        echo "$target: FAILED (exit $rc): ${what:-see log}${where:+; library frame: $where};" \
            "input: $work/artifacts/${found:-?}; log: $work/log"
        status=1
    fi
done

# Keep the scratch directory only when it holds something to look at.
[[ $status -eq 0 ]] && rm -rf "$scratch"
exit $status
