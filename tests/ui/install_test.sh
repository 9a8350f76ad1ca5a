#!/usr/bin/env bash
# cmake --install into a scratch root: both programs, the menu entry with
# its icon, and the file types the entry claims, each defined by the
# installed MIME package.
set -euo pipefail
build="$1"
root="$(mktemp -d)"
trap 'rm -rf "$root"' EXIT
DESTDIR="$root" cmake --install "$build" --prefix /usr >/dev/null
share="$root/usr/share"
for f in "$root/usr/bin/klarvex" "$root/usr/bin/klarvex-cli" "$share/applications/klarvex.desktop" \
         "$share/icons/hicolor/scalable/apps/klarvex.svg" "$share/mime/packages/klarvex.xml"; do
  [ -f "$f" ] || { echo "not installed: ${f#$root}"; exit 1; }
done
[ -x "$root/usr/bin/klarvex" ] || { echo "klarvex is not executable"; exit 1; }
desktop="$share/applications/klarvex.desktop"
grep -qx 'Exec=klarvex %f' "$desktop" || { echo "the menu entry does not start klarvex"; exit 1; }
grep -qx 'Icon=klarvex' "$desktop" || { echo "the menu entry names no klarvex icon"; exit 1; }
types="$(sed -n 's/^MimeType=//p' "$desktop" | tr ';' ' ')"
for type in $types; do
  grep -qF "type=\"$type\"" "$share/mime/packages/klarvex.xml" || { echo "$type is not defined"; exit 1; }
done
for glob in '*.evo' '*.vob' '*.aob'; do
  grep -qF "pattern=\"$glob\"" "$share/mime/packages/klarvex.xml" || { echo "no file type for $glob"; exit 1; }
done
echo "installed: $(cd "$root" && find . -type f | sort | tr '\n' ' ')"
