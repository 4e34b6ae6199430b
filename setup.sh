#!/usr/bin/env bash
# Installs what building, testing, fuzzing and benchmarking need, from Debian's
# packages, when it is missing. The library itself needs only a C++ compiler;
# the virtual Tetherhub encodes its live-view frames with libjpeg.
set -euo pipefail
packages=(cmake g++ make pkg-config clang-14 libclang-rt-14-dev
          libgtest-dev libgmock-dev libbenchmark-dev libjpeg62-turbo-dev python3 ccache valgrind)
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
