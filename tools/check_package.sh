#!/usr/bin/env bash
# Installs a Klarvex Debian package with apt-get (as root), checks what it put
# in place and that the installed klarvex-cli reads the bundled sample title,
# then removes it again, on every path: the machine is left as it was.
#   tools/check_package.sh DEB
# No pipefail: "... | grep -q" may end the writer early, which is no failure.
set -eu
deb=$(realpath "${1:?usage: tools/check_package.sh DEB}")
cd "$(dirname "$0")/.."
top=$(pwd)
if [ "$(id -u)" -ne 0 ]; then
  echo "check_package: installing a package needs root" >&2
  exit 1
fi
if dpkg-query -W -f='${Status}' klarvex 2>/dev/null | grep -q "install ok installed"; then
  echo "check_package: klarvex is installed already; remove it first (apt-get remove klarvex)" >&2
  exit 1
fi
tools/install_deps.sh --package
version=$(dpkg-deb -f "$deb" Version)
failed=0
fail() {
  echo "check_package: $*" >&2
  failed=1
}

export DEBIAN_FRONTEND=noninteractive
trap 'apt-get remove -y -qq klarvex >/dev/null 2>&1 || true' EXIT
apt-get install -y -qq --no-install-recommends "$deb" >/dev/null

for program in klarvex-cli klarvex; do
  [ "$(command -v "$program")" = "/usr/bin/$program" ] || fail "$program is not /usr/bin/$program"
  file -L "/usr/bin/$program" | grep -q ', stripped' || fail "/usr/bin/$program is not stripped"
  ! ldd "/usr/bin/$program" | grep -q 'not found' || fail "/usr/bin/$program misses a library"
done
[ "$(klarvex-cli --version | head -n 1)" = "klarvex-cli $version" ] || fail "klarvex-cli --version is not $version"

# Docker images keep man pages out of what dpkg unpacks (path-exclude): then
# the package's own list has to show them.
man_excluded=$(grep -hs '^path-exclude.*/usr/share/man' /etc/dpkg/dpkg.cfg.d/* || true)
man1=/usr/share/man/man1
for path in /usr/bin/klarvex-cli /usr/bin/klarvex $man1/klarvex-cli.1.gz $man1/klarvex.1.gz \
  /usr/share/bash-completion/completions/klarvex-cli /usr/share/applications/klarvex.desktop \
  /usr/share/icons/hicolor/scalable/apps/klarvex.svg /usr/share/mime/packages/klarvex.xml \
  /usr/share/doc/klarvex/copyright /usr/share/doc/klarvex/changelog.Debian.gz; do
  if [[ -n $man_excluded && $path == /usr/share/man/* ]]; then
    dpkg-deb -c "$deb" | grep -q " \.$path\$" || fail "the package holds no $path"
  else
    dpkg -L klarvex | grep -qx "$path" || fail "dpkg -L klarvex lists no $path"
  fi
done

if [ -n "$man_excluded" ]; then
  echo "check_package: dpkg excludes /usr/share/man here ($man_excluded); the pages are read from the package"
  page=$(mktemp)
  dpkg-deb --fsys-tarfile "$deb" | tar -xO ".$man1/klarvex-cli.1.gz" >"$page"
else
  page=$man1/klarvex-cli.1.gz
  man -w klarvex-cli | grep -qx "$page" || fail "man does not find klarvex-cli"
  MANWIDTH=80 man -P cat klarvex-cli 2>/dev/null | grep -Eq 'klarvex-cli +- list and demux' ||
    fail "man klarvex-cli shows no NAME line"
fi
warnings=$(zcat "$page" | groff -man -ww -z 2>&1)
[ -z "$warnings" ] || fail "klarvex-cli.1.gz renders with warnings: $warnings"
MANWIDTH=80 man -l "$page" 2>/dev/null | grep -q '^EXIT STATUS' || fail "man -l klarvex-cli.1.gz shows no EXIT STATUS"
[ "$page" = "$man1/klarvex-cli.1.gz" ] || rm -f "$page"

bash -c 'source /usr/share/bash-completion/completions/klarvex-cli && complete -p klarvex-cli' | grep -q _klarvex_cli ||
  fail "the bash completion does not register klarvex-cli"

# The installed program on the bundled sample title, from another folder.
read_log=$(cd / && klarvex-cli read "$top/samples/HVDVD_TS/FEATURE_1.EVO") || fail "klarvex-cli read failed"
for line in "VOB number 1 contains 2 video , 5 audio and 2 subpicture streams." \
  "VOB number 2 contains 2 video , 5 audio and 2 subpicture streams." \
  "192 counted frames (0:00:08.008) in video stream 0."; do
  grep -qxF "$line" <<<"$read_log" || fail "klarvex-cli read does not say: $line"
done

apt-get remove -y -qq klarvex >/dev/null
trap - EXIT
! command -v klarvex-cli >/dev/null || fail "klarvex-cli is still there after apt-get remove"
if [ "$failed" -ne 0 ]; then
  exit 1
fi
echo "check_package: $(basename "$deb") installs, works and removes cleanly"
