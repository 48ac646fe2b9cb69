#!/usr/bin/env bash
# Serves the commands that tests running under Wine hand to the build machine's shell (Wine runs
# no Unix program with its output piped back): a test writes NAME.sh into DIR; this runs it with
# /bin/sh, its standard output into NAME.out, then makes NAME.done. Runs until killed.
#   tests/support/wine_shell.sh DIR
set -u
dir=$1
mkdir -p "$dir"
shopt -s nullglob
while :; do
  for script in "$dir"/*.sh; do
    name=${script%.sh}
    mv "$script" "$name.run" || continue
    { sh "$name.run" >"$name.out" 2>/dev/null; rm -f "$name.run"; : >"$name.done"; } &
  done
  sleep 0.01
done
