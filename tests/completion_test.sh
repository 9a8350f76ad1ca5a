#!/usr/bin/env bash
# The bash completion of klarvex-cli completes what the command takes, and it,
# the man page and the program's help name the same options per command; the
# man pages render without a warning and carry the project's version.
#   tests/completion_test.sh SOURCE_DIR VERSION KLARVEX_CLI
set -uo pipefail
source_dir=$(cd "${1:?source folder}" && pwd)
version=${2:?version}
cli=${3:?klarvex-cli}
export LC_ALL=C
passed=0 failed=0

# The words of standard input, sorted, on one line.
sorted_words() { tr ' ' '\n' | sed '/^$/d' | sort -u | paste -sd' '; }

fail() {
  echo "FAIL: $*"
  failed=$((failed + 1))
}

# shellcheck source=SCRIPTDIR/../data/completion/klarvex-cli
source "$source_dir/data/completion/klarvex-cli"
[[ $(complete -p klarvex-cli) == "complete -F _klarvex_cli klarvex-cli" ]] || fail "not registered for klarvex-cli"

# completes WANT WORD...: the words of the line, the last one the word being
# completed; WANT the completions, sorted, space-separated.
completes() {
  local want=$1 got
  shift
  COMP_WORDS=("$@")
  COMP_CWORD=$(($# - 1))
  COMP_LINE="$*"
  COMP_POINT=${#COMP_LINE}
  _klarvex_cli klarvex-cli "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
  got=$(printf '%s\n' "${COMPREPLY[@]}" | sorted_words)
  if [[ $got == "$want" ]]; then
    passed=$((passed + 1))
  else
    fail "'$*<TAB>' gave '$got', not '$want'"
  fi
}

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cd "$scratch" || exit 1
mkdir folder
touch a.VTI b.EVO c.evo d.XPL VTS_01_0.IFO e.VOB f.txt g.AOB

#         want                                words typed
completes "demux"                             klarvex-cli d
completes "chapters"                          klarvex-cli help ch
completes "--help --version"                  klarvex-cli --
completes "--overwrite"                       klarvex-cli demux --ov
completes "--adjust-pts --adv-pck"            klarvex-cli rebuild --ad
completes ""                                  klarvex-cli mkv --js
completes "a.VTI folder"                      klarvex-cli vti ""
completes "b.EVO c.evo e.VOB folder g.AOB"    klarvex-cli read ""
completes "VTS_01_0.IFO d.XPL e.VOB folder"   klarvex-cli chapters -y ""
completes "folder"                            klarvex-cli demux -o ""
completes "folder"                            klarvex-cli chapters --source b.EVO -o f
completes "-ofolder"                          klarvex-cli demux -of
completes "-yofolder"                         klarvex-cli mkv -yof
completes "folder"                            klarvex-cli rebuild -yo ""
completes "folder"                            klarvex-cli chapters --output = ""
completes "b.EVO c.evo e.VOB folder g.AOB"    klarvex-cli demux -yo folder ""
completes "b.EVO c.evo folder"                klarvex-cli xpl --source ""
completes "b.EVO c.evo folder"                klarvex-cli xpl --source = ""
completes "b.EVO c.evo e.VOB folder g.AOB"    klarvex-cli demux --streams v0,a1 -- ""
completes ""                                  klarvex-cli read b.EVO ""
completes ""                                  klarvex-cli read --fast-size ""

# The options of each command in the man page's synopsis (read-options spelled
# out, -o and -y with their long forms, -h and --help for every command) and
# in `klarvex-cli COMMAND --help`, against what the completion offers.
man_page="$source_dir/docs/man/klarvex-cli.1"
synopsis_options() {
  sed 's/\\-/-/g' "$man_page" | awk -v command="$1" '
    $0 == ".SY \"klarvex-cli " command "\"" { inside = 1; next }
    $0 == ".YS" { inside = 0 }
    inside' | sed 's/read-options/--no-continue --full --fast-size --no-details --no-count/' | grep -o -e '-[-a-z][-a-z]*'
}
for command in read demux mkv rebuild xpl chapters vti; do
  man=$({ synopsis_options "$command" | sed 's/^-y$/-y --overwrite/; s/^-o$/-o --output/'; echo -h --help; } | sorted_words)
  completion=$(_klarvex_cli_options "$command" | sorted_words)
  [[ $man == "$completion" ]] || fail "$command: the man page names '$man', the completion '$completion'"
  help=$("$cli" "$command" --help | sed -n '/^Options:/,/^$/p' | grep -oE '(^|[ ,])-(-[a-z][-a-z]*|[a-z])' |
    tr -d ' ,' | sorted_words)
  [[ $help == "$completion" ]] || fail "$command: its --help names '$help', the completion '$completion'"
done
long_options() { sed 's/\\-/-/g' "$1" | grep -o -e '--[a-z][-a-z]*' | sorted_words; }
in_man=$(long_options "$man_page")
in_completion=$(long_options "$source_dir/data/completion/klarvex-cli")
[[ $in_man == "$in_completion" ]] || fail "long options: the man page names '$in_man', the completion '$in_completion'"

for page in "$source_dir"/docs/man/*.1; do
  warnings=$(groff -man -ww -z "$page" 2>&1)
  [[ -z $warnings ]] || fail "$page: $warnings"
  grep -q "^\.TH .* \"Klarvex $version\"" "$page" || fail "$page does not say Klarvex $version"
done

echo "$passed passed, $failed failed"
((failed == 0))
