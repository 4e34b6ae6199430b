#!/bin/sh
# ptpctl as a command-line tool: each row is a command line, its exit code and a
# fragment its output (stdout and stderr) must hold. Runs with the in-process hub.
# usage: ptpctl_cli_test.sh PTPCTL WORKDIR
ptpctl=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
work=$2
rm -rf "$work" && mkdir -p "$work" && cd "$work" || exit 1
printf 'keep me\n' > kept.jpg
failures=0
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
ROWS
# A failed download leaves an existing file whole and no partial file beside it.
[ "$(cat kept.jpg)" = "keep me" ] || { echo "FAIL: kept.jpg changed"; failures=$((failures + 1)); }
[ -s new/dir/one.jpg ] && [ -s frames/deep/frame_002.jpg ] || { echo "FAIL: no files written"; failures=$((failures + 1)); }
if [ -n "$(find . -type f -name '.*')" ]; then
    echo "FAIL: a partial file was left"; failures=$((failures + 1))
fi
[ "$failures" = 0 ] && echo "all ptpctl rows pass"
exit "$failures"
