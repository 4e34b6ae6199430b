#!/usr/bin/env bash
# Installs the library into a scratch prefix and builds a small C host against
# it twice: once with find_package(Ptp), once with pkg-config.
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
    printf("%s %d\n", PtpResult_Name(PtpResult_Ok), CloseServerConnection());
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
LD_LIBRARY_PATH="$work/prefix/lib" "$work/host/build/host" | grep -q "PtpResult_Ok 1"

export PKG_CONFIG_PATH="$work/prefix/lib/pkgconfig"
cc -std=c11 -Wall -Werror "$work/host/main.c" -o "$work/host/host_pc" $(pkg-config --cflags --libs ptp)
LD_LIBRARY_PATH="$work/prefix/lib" "$work/host/host_pc" | grep -q "PtpResult_Ok 1"
echo "installed package builds with find_package and pkg-config"
