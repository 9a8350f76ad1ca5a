#!/usr/bin/env bash
# Installs what building and testing Klarvex needs on Debian 12, when it is
# missing. Runs apt-get as root (no sudo); does nothing when all is there.
# --fuzz adds clang and its libFuzzer runtime for tools/fuzz.sh, --format
# clang-format for tools/check_format.sh, --test-tools mkvtoolnix and ffmpeg,
# which the tests check Klarvex's outputs with (and Make MKV runs mkvmerge),
# --package what tools/package.sh and tools/check_package.sh use.
set -euo pipefail

packages=(cmake ninja-build g++ pkg-config libgtest-dev locales qt6-base-dev libjpeg-dev libcurl4-openssl-dev libdvdread-dev)
if [ "${1:-}" = "--fuzz" ]; then
  packages+=(clang libclang-rt-14-dev)
elif [ "${1:-}" = "--format" ]; then
  packages+=(clang-format)
elif [ "${1:-}" = "--test-tools" ]; then
  packages+=(mkvtoolnix ffmpeg)
elif [ "${1:-}" = "--package" ]; then
  packages+=(dpkg-dev lintian file man-db)
fi
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi
if [ "$(id -u)" -ne 0 ]; then
  echo "klarvex: these Debian packages are missing: ${missing[*]}" >&2
  echo "klarvex: install them as root: apt-get install -y ${missing[*]}" >&2
  exit 1
fi
echo "Installing ${missing[*]} ..."
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq "${missing[@]}" >/dev/null
