#!/bin/sh
# ptpctl as a command-line tool: each row is a command line, its exit code and a
# fragment its output (stdout and stderr) must hold. Runs with the in-process hub.
# usage: ptpctl_cli_test.sh PTPCTL WORKDIR
ptpctl=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
work=$2
rm -rf "$work" && mkdir -p "$work" && cd "$work" || exit 1
printf 'keep me\n' > kept.jpg
failures=0
# Two virtual Tetherhubs beside the in-process one: $one has a card with one
# picture, the camera of $shooting takes a picture every second.
sim=$(dirname "$ptpctl")/../sim/tetherhub-sim
mkdir one && "$ptpctl" get 1 -o one/IMG_0001.JPG >/dev/null || exit 1
"$sim" --port 0 --pictures one >one.log 2>&1 & pids=$!
"$sim" --port 0 --shoot-every 1 >shooting.log 2>&1 & pids="$pids $!"
trap 'kill $pids' EXIT
sleep 0.5
one=127.0.0.1:$(sed -n 's/.*listening on [^:]*:\([0-9]*\).*/\1/p' one.log)
shooting=127.0.0.1:$(sed -n 's/.*listening on [^:]*:\([0-9]*\).*/\1/p' shooting.log)
# Passes JSON lines through when each one parses; fails otherwise.
jsonl() { python3 -c 'import json,sys
for l in sys.stdin: json.loads(l); print(l, end="")'; }
while IFS='|' read -r code fragment line; do
    [ -z "$code" ] && continue
    out=$(eval "\"$ptpctl\" $line" 2>&1)
    rc=$?
    if [ "$rc" != "$code" ] || ! printf '%s' "$out" | grep -qF -- "$fragment"; then
        printf 'FAIL: ptpctl %s -> %s (want %s, "%s")\n%s\n' "$line" "$rc" "$code" "$fragment" "$out"
        failures=$((failures + 1))
    fi
done <<'ROWS'
0|ptpctl |--version
0|D850|--camera nikon info
0|D850|info --camera=nikon
0|ILCE-7M4|--camera=sony info
2|unknown option "--bogus"|info --bogus
2|unknown option "-l"|ls -l
2|unknown command "nope"|nope
0|e.g. ptpctl set ISO 800|help set
0|e.g. ptpctl set ISO 800|set --help
0|commands:|--help
0|allowed values|props Aperture
1|no property "Nope"|props Nope
0|ISO 800|set ISO 800
0|+1 1/3|set "Exposure Compensation" "+1 1/3"
0|+2/3|set "Exposure Compensation" 2/3
0|f8|set Aperture f8
1|read-only|set "Exposure Mode" Av
0|6 objects|ls
0|bytes|get 1 -o new/dir/one.jpg
1|no object 99|get 99 -o kept.jpg
0|frames|liveview -n 2 -o frames/deep
0|"name": "PtpResult_Ok"|--json info | python3 -m json.tool
0|"percent": 87|hub --json | python3 -m json.tool
0|main 87%, aux 100%|hub
0|{"value":88,"label":"ISO 400"}|props --json | jsonl
0|"label":"f5.6","writable":true|props Aperture --json | jsonl
0|1|--camera canon-r props | grep -c "Exposure Mode"
0|"fileName":"IMG_0006.JPG"|ls --json | jsonl
0|"saved":"shots/IMG_0007.JPG"|capture --json --download shots | jsonl
0|"event":"ObjectAdded","object":{"handle":|--hub $shooting events 3 --json | jsonl
2|port must be 1-65535|--hub 127.0.0.1:99999 info
2|port must be 1-65535|--hub=127.0.0.1:0 hub
2|port must be 1-65535|--hub 127.0.0.1:http ls
2|--json is not an option|--json set ISO 800
0|1 object|--hub $one ls
0|1 file,|--hub $one download --all all
ROWS
# A failed download leaves an existing file whole and no partial file beside it.
[ "$(cat kept.jpg)" = "keep me" ] || { echo "FAIL: kept.jpg changed"; failures=$((failures + 1)); }
[ -s new/dir/one.jpg ] && [ -s frames/deep/frame_002.jpg ] || { echo "FAIL: no files written"; failures=$((failures + 1)); }
if [ -n "$(find . -type f -name '.*')" ]; then
    echo "FAIL: a partial file was left"; failures=$((failures + 1))
fi
[ "$failures" = 0 ] && echo "all ptpctl rows pass"
exit "$failures"
