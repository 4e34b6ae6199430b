#!/usr/bin/env bash
# Installs the library into a scratch prefix and builds a small C host against
# it twice: once with find_package(Ptp), once with pkg-config; then runs the
# installed tools and imports the installed Python package.
set -euo pipefail
build=$1
work=$2
rm -rf "$work"
mkdir -p "$work/host"
cmake --install "$build" --prefix "$work/prefix" >/dev/null

cat > "$work/host/main.c" <<'C'
#include <ptp_comms.h>
#include <ptp_generic.h>
#include <stdio.h>
int main(void) {
    PtpGenericInterface_Initialize(0, 0, 0, 0);
    printf("%s %d %s\n", PtpResult_Name(PtpResult_Ok), CloseServerConnection(), PtpLibraryVersion());
    return 0;
}
C
cat > "$work/host/CMakeLists.txt" <<'CM'
cmake_minimum_required(VERSION 3.16)
project(host C)
find_package(Ptp REQUIRED)
add_executable(host main.c)
target_link_libraries(host Ptp::ptp)
CM
cmake -S "$work/host" -B "$work/host/build" -DCMAKE_PREFIX_PATH="$work/prefix" >/dev/null
cmake --build "$work/host/build" >/dev/null
version=$(LD_LIBRARY_PATH="$work/prefix/lib" "$work/host/build/host" | sed -n 's/^PtpResult_Ok 1 //p')
[ -n "$version" ]

export PKG_CONFIG_PATH="$work/prefix/lib/pkgconfig"
cc -std=c11 -Wall -Werror "$work/host/main.c" -o "$work/host/host_pc" $(pkg-config --cflags --libs ptp)
LD_LIBRARY_PATH="$work/prefix/lib" "$work/host/host_pc" | grep -q "PtpResult_Ok 1"
# The installed tools and the Python package find the installed library with
# no loader path set.
env -u LD_LIBRARY_PATH "$work/prefix/bin/ptpctl" info | grep Canon >/dev/null
env -u LD_LIBRARY_PATH "$work/prefix/bin/tetherhub-sim" --help | grep usage >/dev/null
site=$(echo "$work"/prefix/lib*/python3*/site-packages)
if command -v python3 >/dev/null && [ -d "$site" ]; then
    python_version=$(env -u LD_LIBRARY_PATH -u PTP_LIBRARY PYTHONPATH="$site" \
        PYTHONDONTWRITEBYTECODE=1 python3 -c 'import ptp; print(ptp.library_version())')
    [ "$python_version" = "$version" ]
fi
echo "installed package builds with find_package and pkg-config; installed ptpctl and Python package run"
