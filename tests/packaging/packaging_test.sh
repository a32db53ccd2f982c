#!/usr/bin/env bash
# The manual pages (man and groff give no warning; every command and option the programs take is
# in them), the menu entry (desktop-file-validate), and the bash completion (it offers every
# command, every option each command's --help shows, and the names `set` takes).
# Usage: packaging_test.sh OSTREL KEYER_SIM PACKAGING_DIR COMPLETION
set -u
OSTREL=$1
KEYER_SIM=$2
PACKAGING=$3
COMPLETION=$4

failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

# The options a --help lists: "-p,--port TEXT  ..." gives -p and --port.
options_of() {
  "$@" --help | sed -n 's/^  \(-[^ ]*\).*/\1/p' | tr ',' '\n' | grep -v -e '^-h$' -e '^--help$'
}
commands=$("$OSTREL" --help | sed -n '/^Subcommands:/,/^$/s/^  \([a-z]\+\) .*/\1/p')
[ -n "$commands" ] || fail "no commands in ostrel --help"

for page in ostrel.1 ostrel-keyer-sim.1; do
  warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$PACKAGING/$page" 2>&1 >/dev/null;
    groff -ww -z -man "$PACKAGING/$page" 2>&1)
  [ -z "$warnings" ] || fail "$page: $warnings"
done
# The page as man shows it, with the escapes of its hyphens undone.
shown() { LC_ALL=C MANWIDTH=200 man -l "$PACKAGING/$1" 2>/dev/null | col -b; }
ostrel_page=$(shown ostrel.1)
for word in $commands $(options_of "$OSTREL") $(for c in $commands; do options_of "$OSTREL" "$c"; done); do
  grep -qF -- "$word" <<<"$ostrel_page" || fail "ostrel.1 does not name $word"
done
sim_page=$(shown ostrel-keyer-sim.1)
for option in $(options_of "$KEYER_SIM"); do
  grep -qF -- "$option" <<<"$sim_page" || fail "ostrel-keyer-sim.1 does not name $option"
done

validation=$(desktop-file-validate "$PACKAGING/ostrel.desktop" 2>&1) ||
  fail "ostrel.desktop: $validation"
grep -E 'error|warning' <<<"$validation" && fail "ostrel.desktop: $validation"

# complete WORD...: what the completion offers for the last word.
complete_words() {
  bash -c 'source /usr/share/bash-completion/bash_completion; source "$1"; shift
    COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1)); COMP_LINE="$*"; COMP_POINT=${#COMP_LINE}
    _ostrel 2>/dev/null; printf "%s\n" "${COMPREPLY[@]}"' complete "$COMPLETION" "$@"
}
offered=$(complete_words ostrel "")
for command in $commands; do
  grep -qx -- "$command" <<<"$offered" || fail "completion: no command $command"
done
for command in $commands; do
  offered=$(complete_words ostrel "$command" -)
  for option in $(options_of "$OSTREL" "$command"); do
    grep -qx -- "$option" <<<"$offered" || fail "completion: $command has no $option"
  done
done
offered=$(complete_words ostrel set a.eep --user 2 ke)
grep -qx 'keyer_mode=' <<<"$offered" || fail "completion: set offers no keyer_mode=: $offered"
offered=$(complete_words ostrel set a.eep ms)
grep -qx 'msg12=' <<<"$offered" || fail "completion: set offers no msg12=: $offered"

if [ "$failures" -ne 0 ]; then
  echo "$failures check(s) failed"
  exit 1
fi
echo "all checks passed"
