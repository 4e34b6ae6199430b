#!/bin/sh
# Ctrl-C in each long command puts back what it changed on the camera and exits
# 130; tether downloads every picture the camera takes on its own, once and
# whole; liveview -o - is an MJPEG stream; out-of-range values are refused; an
# interrupted in-process run leaves no temporary folder.
# usage: ptpctl_interrupt_test.sh PTPCTL TETHERHUB_SIM WORKDIR
ptpctl=$1 sim=$2 work=$3
rm -rf "$work" && mkdir -p "$work/tmp" && cd "$work" || exit 1
failures=0
fail() { printf 'FAIL: %s\n' "$*"; failures=$((failures + 1)); }
trap 'kill $simpid 2>/dev/null' EXIT
# A sim on a free port (its first line names the port): sets hub and simpid.
start_sim() {
    "$sim" --port 0 "$@" > sim.out 2>&1 & simpid=$!
    for _ in 1 2 3 4 5 6 7 8 9 10; do
        port=$(sed -n 's/.*:\([0-9]*\) (camera.*/\1/p' sim.out)
        [ -n "$port" ] && break
        sleep 0.3
    done
    hub="--hub 127.0.0.1:$port"
}
# Runs a command in the background and sends it signal $1 after $2 seconds.
interrupt() {
    sig=$1 after=$2; shift 2
    "$@" > out 2>&1 & pid=$!
    sleep "$after"; kill -"$sig" $pid; wait $pid
}
# The settings, less the counts of pictures and free space a shot changes.
settings() { "$ptpctl" $hub props | grep -v 'Available Pictures\|Media Capacity'; }

# Each row: the cameras, then the command interrupted after a second.
for camera in canon fuji; do
    start_sim --camera $camera
    settings > before || fail "props"
    while IFS='|' read -r cameras line; do
        case " $cameras " in *" $camera "*) ;; *) continue ;; esac
        interrupt INT 1 "$ptpctl" $hub $line
        rc=$?
        [ "$rc" = 130 ] || fail "$camera $line exited $rc, not 130: $(tail -3 out)"
        settings > after
        cmp -s before after || fail "$camera $line left the camera changed: $(diff before after)"
    done <<'ROWS'
canon fuji|bulb 5
canon fuji|hdr
canon fuji|bracket 1
canon fuji|focus-stack 20 5 -d 300
canon|liveview -n 1000 -o frames
ROWS
    kill $simpid; wait $simpid 2>/dev/null
done
start_sim
settings > before
# Out-of-range values are refused before anything changes on the camera.
while IFS='|' read -r code line; do
    "$ptpctl" $hub $line > out 2>&1
    rc=$?
    [ "$rc" = "$code" ] || fail "$line exited $rc, not $code: $(tail -2 out)"
done <<'ROWS'
2|bracket 5
0|bracket 2/3
2|drive 99999999
2|focus-stack 0 1
2|focus-stack 3 0
ROWS
settings > after
cmp -s before after || fail "the refused values changed the camera: $(diff before after)"
# A stream: the boundary, the part's headers, then a JPEG's first bytes.
"$ptpctl" $hub liveview -o - 2>/dev/null | head -c 100 > stream
head -n 1 stream | grep -q -- '^--ptpctlframe' || fail "the stream does not start with its boundary"
od -An -tx1 stream | tr -d ' \n' | grep -q '0d0a0d0affd8' || fail "no JPEG after the part's headers"
settings > after
cmp -s before after || fail "liveview -o - | head left the camera changed"
kill $simpid; wait $simpid 2>/dev/null

# Tether: each picture the sim takes downloaded once and whole.
start_sim --shoot-every 1
# Ctrl-C once three pictures are in (up to 30 s: sanitizer builds are slow).
"$ptpctl" $hub tether shots --exec "echo ran" > out 2>&1 & pid=$!
for _ in $(seq 60); do
    [ "$(ls shots 2>/dev/null | grep -c '\.JPG$')" -ge 3 ] && break
    sleep 0.5
done
kill -INT $pid; wait $pid
rc=$?
[ "$rc" = 0 ] || fail "tether exited $rc"
got=$(ls shots | wc -l)
[ "$got" -ge 3 ] && [ "$(grep -c '^ran shots/' out)" = "$got" ] || fail "tether: $got files: $(cat out)"
"$ptpctl" $hub ls > listing
for f in shots/*; do
    size=$(wc -c < "$f")
    grep -q "$(basename "$f") *$size " listing || fail "$f: $size bytes, not as on the camera"
done
# The ls itself may take one more picture; none before it was missed.
taken=$(grep -c '^0x' listing)
[ $((taken - 6 - got)) -le 1 ] || fail "tether missed pictures: $got of $((taken - 6))"
kill $simpid; wait $simpid 2>/dev/null

# The in-process hub's card folder goes, whether the command handles Ctrl-C or not.
TMPDIR=$PWD/tmp interrupt INT 1.5 "$ptpctl" liveview -n 1000 -o frames
TMPDIR=$PWD/tmp interrupt TERM 1.5 "$ptpctl" events 0
[ -z "$(ls -A tmp)" ] || fail "left behind: $(ls tmp)"

[ "$failures" = 0 ] && echo "all interrupt rows pass"
exit "$failures"
