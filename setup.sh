#!/usr/bin/env bash
# Installs what building, testing, fuzzing, benchmarking and the API reference
# need, from Debian's packages, when it is missing. `./setup.sh demo` installs
# only what ptpctl and its demo need. The library itself needs only a C++
# compiler; the virtual Tetherhub encodes its pictures and frames with libjpeg.
set -euo pipefail
packages=(cmake g++ make pkg-config clang-14 libclang-rt-14-dev
          libgtest-dev libgmock-dev libbenchmark-dev libjpeg62-turbo-dev python3 ccache valgrind
          doxygen)
if [ "${1:-}" = demo ]; then
    packages=(cmake g++ make libjpeg62-turbo-dev)
fi
missing=()
for p in "${packages[@]}"; do
    dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi
echo "setup: installing ${missing[*]}"
sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"
